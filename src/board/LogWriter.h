#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "board/LogFormat.h"

// Writes a packet log file: the header when it is opened, then one record per
// Append, each flushed to the file before Append returns, so a recording cut
// short keeps every record written so far.
class CLogWriter {
public:
    CLogWriter() = default;
    ~CLogWriter();
    CLogWriter(const CLogWriter&) = delete;
    CLogWriter& operator=(const CLogWriter&) = delete;

    // Creates the file (an existing one is replaced) and writes the header.
    // 0, or -1 with the system's description of the failure in `error`.
    int Open(const std::string& path, std::string& error);
    // 0, or -1 when nothing is open or a write or flush failed.
    int Append(const LogTime& time, std::string_view marker, uint8_t type, const uint8_t* payload,
               uint32_t length);
    // 0, or -1 when closing reported an error (or nothing was open).
    int Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    uint64_t BytesWritten() const { return m_nBytes; }

private:
    std::FILE* m_pFile = nullptr;
    std::vector<uint8_t> m_record;
    uint64_t m_nBytes = 0;
};
