#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "board/LogFormat.h"

// One record as read from a log file. The marker and payload point into the
// reader's buffer and stay valid until the next call to CLogReader::Next.
struct LogRecord {
    uint64_t nOffset = 0;  // of the record's first sync byte in the file
    uint32_t nSize = 0;    // bytes of the whole record
    LogTime time;
    bool bTimeValid = false;
    std::string_view marker;  // empty when the record has none
    uint8_t nType = 0;
    const uint8_t* pPayload = nullptr;  // the check byte last
    uint32_t nLength = 0;
    bool bCheckGood = false;
};

// Damage found between records.
struct LogProblem {
    enum class Kind {
        BadHeader,  // the first 14 bytes are not a log header (nBytes: how many there are)
        BadSync,    // bytes where a record should start (nBytes skipped)
        BadLength,  // a record whose lengths lead nowhere (nBytes skipped)
        Truncated,  // the last record is cut short (nBytes present)
    };
    Kind kind = Kind::BadSync;
    uint64_t nOffset = 0;
    uint64_t nBytes = 0;

    static const char* KindName(Kind kind);
    // One line: "truncated record at offset 1234 (17 bytes present)".
    std::string Describe() const;
};

// Reads a log file front to back in bounded memory, whatever its size or
// state. Damage never stops the walk: after bytes that are not a record the
// reader looks for the next place where a well-formed record starts (sync,
// valid time, lengths inside the file, good check byte, followed by another
// record or the end of the file) and goes on from there. A cut-off record at
// the end of the file is reported as truncated.
class CLogReader {
public:
    enum class Item { Record, Problem, End };

    CLogReader();
    ~CLogReader();
    CLogReader(const CLogReader&) = delete;
    CLogReader& operator=(const CLogReader&) = delete;

    // 0, or -1 with the system's description in `error`.
    int Open(const std::string& path, std::string& error);
    // Reads a log held in memory.
    void OpenBytes(std::vector<uint8_t> bytes);

    // The next record or problem, or End. The header is looked at first: a bad
    // header is the first Problem, and records are still sought after it.
    Item Next();
    const LogRecord& Record() const { return m_record; }
    const LogProblem& Problem() const { return m_problem; }

    bool HeaderGood() const { return m_bHeaderGood; }
    // The header bytes present (up to 14).
    std::string_view HeaderBytes() const {
        return {reinterpret_cast<const char*>(m_header.data()), m_nHeaderBytes};
    }
    uint64_t FileSize() const { return m_nFileSize; }

private:
    enum class Shape { Ok, Short, BadSync, BadLength };

    void Reset();
    size_t Available(size_t want);
    uint64_t Offset() const { return m_nBufferStart + m_nPos; }
    Shape ShapeAt(uint32_t& size) const;
    bool PlausibleAt() const;
    bool FollowedBySyncOrEnd(uint32_t size) const;
    // Moves past damage to the next plausible record: true when one was
    // found (the reader stands on it), false at the end of the file.
    bool Resync();
    void FillRecord(uint32_t size);
    Item Report(LogProblem::Kind kind, uint64_t offset, uint64_t bytes);

    std::FILE* m_pFile = nullptr;
    std::vector<uint8_t> m_buffer;
    uint64_t m_nBufferStart = 0;  // file offset of m_buffer[0]
    size_t m_nPos = 0;
    size_t m_nEnd = 0;
    uint64_t m_nFileSize = 0;

    bool m_bHeaderDone = false;
    bool m_bHeaderGood = false;
    std::array<uint8_t, CLogFormat::kHeaderSize> m_header{};
    size_t m_nHeaderBytes = 0;
    bool m_bFinished = false;

    LogRecord m_record;
    LogProblem m_problem;
};
