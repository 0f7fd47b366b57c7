#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/LogFormat.h"

// Writes a packet log file: the header when it is opened, then one record per
// Append, handed to the system before Append returns, so a recording cut
// short keeps every record written so far. A record the file refuses (disk
// full, file too large, device gone) is cut off again: the file always ends
// at the last whole record.
class CLogWriter {
public:
    CLogWriter() = default;
    ~CLogWriter();
    CLogWriter(const CLogWriter&) = delete;
    CLogWriter& operator=(const CLogWriter&) = delete;

    // Creates the file (an existing one is replaced) and writes the header.
    // 0, or -1 with the system's description of the failure in `error`.
    int Open(const std::string& path, std::string& error);
    // 0, or -1 when nothing is open or the record could not be written
    // whole (LastError() then tells why).
    int Append(const LogTime& time, std::string_view marker, uint8_t type, const uint8_t* payload,
               uint32_t length);
    // 0, or -1 when closing reported an error (or nothing was open).
    int Close();
    bool IsOpen() const { return m_nFd >= 0; }
    // Bytes of the header and the whole records in the file.
    uint64_t BytesWritten() const { return m_nBytes; }
    // The system's description of the last failed Append ("" before any).
    const std::string& LastError() const { return m_strLastError; }

private:
    int m_nFd = -1;
    std::vector<uint8_t> m_record;
    uint64_t m_nBytes = 0;
    std::string m_strLastError;
};
