#include "board/LogWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Writes all of `size` bytes: 0, or -1 with errno set (a short write that
// cannot go on reports the error of the attempt that followed it).
int WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) {
            errno = ENOSPC;
            return -1;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

CLogWriter::~CLogWriter() {
    Close();
}

int CLogWriter::Open(const std::string& path, std::string& error) {
    Close();
    m_strLastError.clear();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const auto& header = CLogFormat::kHeader;
    if (WriteAll(fd, header.data(), header.size()) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    m_nFd = fd;
    m_nBytes = header.size();
    return 0;
}

int CLogWriter::Append(const LogTime& time, std::string_view marker, uint8_t type,
                       const uint8_t* payload, uint32_t length) {
    if (m_nFd < 0) return -1;
    m_record.clear();
    if (CLogFormat::AppendRecord(m_record, time, marker, type, payload, length) < 0) {
        m_strLastError = "the record does not fit the log format";
        return -1;
    }
    if (WriteAll(m_nFd, m_record.data(), m_record.size()) != 0) {
        m_strLastError = std::strerror(errno);
        // Part of the record may have gone in; a log that ends in a cut
        // record reads as damaged, so the file goes back to the last whole
        // one. Shrinking needs no space, so it works on a full disk too.
        if (::ftruncate(m_nFd, static_cast<off_t>(m_nBytes)) != 0 ||
            ::lseek(m_nFd, static_cast<off_t>(m_nBytes), SEEK_SET) < 0)
            m_strLastError += "; the last record may be cut";
        return -1;
    }
    m_nBytes += m_record.size();
    return 0;
}

int CLogWriter::Close() {
    if (m_nFd < 0) return -1;
    const int rc = ::close(m_nFd);
    m_nFd = -1;
    return rc == 0 ? 0 : -1;
}
