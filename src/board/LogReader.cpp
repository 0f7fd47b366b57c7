#include "board/LogReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Bytes.h"

namespace {

// Holds the largest record with the sync bytes of the next one behind it, and
// reads large files in big steps.
constexpr size_t kLookahead = CLogFormat::kMaxRecordSize + 3;
constexpr size_t kBufferSize = size_t{4} << 20;
static_assert(kBufferSize > 2 * kLookahead);

// Real markers are a dozen characters; a longer one only counts as the start
// of a record when the walk meets it in order, not while hunting past damage.
constexpr uint32_t kResyncMaxMarker = 255;

LogTime ReadTime(const uint8_t* p) {
    LogTime t;
    t.nDay = p[3];
    t.nMonth = p[4];
    t.nYear = p[5];
    t.nHour = p[6];
    t.nMinute = p[7];
    t.nSecond = p[8];
    return t;
}

bool IsSync(const uint8_t* p) {
    return p[0] == 'X' && p[1] == 'X' && p[2] == 'X';
}

}  // namespace

const char* LogProblem::KindName(Kind kind) {
    switch (kind) {
        case Kind::BadHeader:
            return "bad header";
        case Kind::BadSync:
            return "bad sync";
        case Kind::BadLength:
            return "bad length";
        case Kind::Truncated:
            return "truncated record";
    }
    return "damage";
}

std::string LogProblem::Describe() const {
    char text[128];
    switch (kind) {
        case Kind::BadHeader:
            std::snprintf(text, sizeof(text), "bad header at offset 0 (%llu of 14 bytes present)",
                          static_cast<unsigned long long>(nBytes));
            break;
        case Kind::Truncated:
            std::snprintf(
                text, sizeof(text), "truncated record at offset %llu (%llu bytes present)",
                static_cast<unsigned long long>(nOffset), static_cast<unsigned long long>(nBytes));
            break;
        default:
            std::snprintf(text, sizeof(text), "%s at offset %llu (%llu bytes skipped)",
                          KindName(kind), static_cast<unsigned long long>(nOffset),
                          static_cast<unsigned long long>(nBytes));
            break;
    }
    return text;
}

CLogReader::CLogReader() = default;

CLogReader::~CLogReader() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
}

void CLogReader::Reset() {
    if (m_pFile != nullptr) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_buffer.clear();
    m_nBufferStart = 0;
    m_nPos = 0;
    m_nEnd = 0;
    m_nFileSize = 0;
    m_bHeaderDone = false;
    m_bHeaderGood = false;
    m_header.fill(0);
    m_nHeaderBytes = 0;
    m_bFinished = false;
    m_record = LogRecord{};
    m_problem = LogProblem{};
}

int CLogReader::Open(const std::string& path, std::string& error) {
    // Opened without blocking: a FIFO or a device would otherwise hold the
    // open until a writer appears. Only regular files are logs.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "Is a directory" : "not a regular file";
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    Reset();
    m_pFile = file;
    m_nFileSize = static_cast<uint64_t>(st.st_size);
    m_buffer.resize(kBufferSize);
    return 0;
}

void CLogReader::OpenBytes(std::vector<uint8_t> bytes) {
    Reset();
    m_nFileSize = bytes.size();
    m_nEnd = bytes.size();
    m_buffer = std::move(bytes);
}

size_t CLogReader::Available(size_t want) {
    if (m_nEnd - m_nPos >= want || m_pFile == nullptr) return std::min(want, m_nEnd - m_nPos);
    if (m_nPos != 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nPos, m_nEnd - m_nPos);
        m_nBufferStart += m_nPos;
        m_nEnd -= m_nPos;
        m_nPos = 0;
    }
    while (m_nEnd < m_buffer.size()) {
        const size_t got =
            std::fread(m_buffer.data() + m_nEnd, 1, m_buffer.size() - m_nEnd, m_pFile);
        if (got == 0) break;
        m_nEnd += got;
    }
    // A file that shrank or failed to read ends where the reading stopped.
    if (m_nBufferStart + m_nEnd < m_nFileSize && std::feof(m_pFile) + std::ferror(m_pFile) != 0) {
        m_nFileSize = m_nBufferStart + m_nEnd;
    }
    return std::min(want, m_nEnd - m_nPos);
}

CLogReader::Shape CLogReader::ShapeAt(uint32_t& size) const {
    const size_t have = m_nEnd - m_nPos;
    const uint8_t* p = m_buffer.data() + m_nPos;
    const size_t syncBytes = std::min<size_t>(have, 3);
    if (std::memcmp(p, CLogFormat::kSync.data(), syncBytes) != 0) return Shape::BadSync;
    if (have < 11) return Shape::Short;
    const uint32_t markerLength = ReadLe16(p + CLogFormat::kMarkerLengthOffset);
    if (have < 13u + markerLength) return Shape::Short;
    const uint32_t n = ReadLe16(p + 11 + markerLength);
    if (n == 0) return Shape::BadLength;
    size = 13u + markerLength + n;
    return have < size ? Shape::Short : Shape::Ok;
}

bool CLogReader::FollowedBySyncOrEnd(uint32_t size) const {
    const size_t have = m_nEnd - m_nPos;
    if (have == size) return true;
    const size_t next = std::min<size_t>(have - size, 3);
    return std::memcmp(m_buffer.data() + m_nPos + size, CLogFormat::kSync.data(), next) == 0;
}

bool CLogReader::PlausibleAt() const {
    const size_t have = m_nEnd - m_nPos;
    const uint8_t* p = m_buffer.data() + m_nPos;
    if (have < CLogFormat::kRecordFixedSize || !IsSync(p) || !ReadTime(p).IsValid()) return false;
    const uint32_t markerLength = ReadLe16(p + CLogFormat::kMarkerLengthOffset);
    if (markerLength > kResyncMaxMarker || have < 13u + markerLength) return false;
    const uint32_t n = ReadLe16(p + 11 + markerLength);
    const uint32_t size = 13u + markerLength + n;
    if (n == 0 || have < size) return false;
    if (CLogFormat::CheckSum(p[13 + markerLength], p + 14 + markerLength, n - 1) != 0) return false;
    return FollowedBySyncOrEnd(size);
}

bool CLogReader::Resync() {
    ++m_nPos;
    while (true) {
        if (Available(kLookahead) == 0) return false;
        const void* hit = std::memchr(m_buffer.data() + m_nPos, 'X', m_nEnd - m_nPos);
        if (hit == nullptr) {
            m_nPos = m_nEnd;
            continue;
        }
        m_nPos = static_cast<size_t>(static_cast<const uint8_t*>(hit) - m_buffer.data());
        Available(kLookahead);
        if (PlausibleAt()) return true;
        ++m_nPos;
    }
}

void CLogReader::FillRecord(uint32_t size) {
    const uint8_t* p = m_buffer.data() + m_nPos;
    const uint32_t markerLength = ReadLe16(p + CLogFormat::kMarkerLengthOffset);
    const uint32_t n = ReadLe16(p + 11 + markerLength);
    m_record.nOffset = Offset();
    m_record.nSize = size;
    m_record.time = ReadTime(p);
    m_record.bTimeValid = m_record.time.IsValid();
    m_record.marker = std::string_view(reinterpret_cast<const char*>(p + 11), markerLength);
    m_record.nType = p[13 + markerLength];
    m_record.pPayload = p + 14 + markerLength;
    m_record.nLength = n - 1;
    m_record.bCheckGood = CLogFormat::CheckSum(m_record.nType, m_record.pPayload, n - 1) == 0;
}

CLogReader::Item CLogReader::Report(LogProblem::Kind kind, uint64_t offset, uint64_t bytes) {
    m_problem.kind = kind;
    m_problem.nOffset = offset;
    m_problem.nBytes = bytes;
    return Item::Problem;
}

CLogReader::Item CLogReader::Next() {
    if (!m_bHeaderDone) {
        m_bHeaderDone = true;
        m_nHeaderBytes = Available(CLogFormat::kHeaderSize);
        if (m_nHeaderBytes != 0) {
            std::memcpy(m_header.data(), m_buffer.data() + m_nPos, m_nHeaderBytes);
        }
        m_nPos += m_nHeaderBytes;
        m_bHeaderGood = m_nHeaderBytes == CLogFormat::kHeaderSize &&
                        std::equal(m_header.begin(), m_header.end(), CLogFormat::kHeader.begin());
        if (!m_bHeaderGood) return Report(LogProblem::Kind::BadHeader, 0, m_nHeaderBytes);
    }
    if (m_bFinished || Available(kLookahead) == 0) {
        m_bFinished = true;
        return Item::End;
    }

    const uint64_t start = Offset();
    uint32_t size = 0;
    const Shape shape = ShapeAt(size);
    if (shape == Shape::Ok) {
        FillRecord(size);
        // A record that fails its check and is not followed by another has
        // lengths that cannot be trusted: look for the next record instead.
        if (m_record.bCheckGood || FollowedBySyncOrEnd(size)) {
            m_nPos += size;
            return Item::Record;
        }
    }
    const uint64_t remaining = m_nFileSize - start;
    if (Resync()) {
        const auto kind =
            shape == Shape::BadSync ? LogProblem::Kind::BadSync : LogProblem::Kind::BadLength;
        return Report(kind, start, Offset() - start);
    }
    m_bFinished = true;
    m_nPos = m_nEnd;
    // Nothing after it: the walk ended inside the last record.
    if (shape == Shape::Short) return Report(LogProblem::Kind::Truncated, start, remaining);
    const auto kind =
        shape == Shape::BadSync ? LogProblem::Kind::BadSync : LogProblem::Kind::BadLength;
    return Report(kind, start, remaining);
}
