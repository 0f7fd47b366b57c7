#include "board/LogWriter.h"

#include <cerrno>
#include <cstring>

CLogWriter::~CLogWriter() {
    Close();
}

int CLogWriter::Open(const std::string& path, std::string& error) {
    Close();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return -1;
    }
    const auto& header = CLogFormat::kHeader;
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
        std::fflush(file) != 0) {
        error = std::strerror(errno);
        std::fclose(file);
        return -1;
    }
    m_pFile = file;
    m_nBytes = header.size();
    return 0;
}

int CLogWriter::Append(const LogTime& time, std::string_view marker, uint8_t type,
                       const uint8_t* payload, uint32_t length) {
    if (m_pFile == nullptr) return -1;
    m_record.clear();
    if (CLogFormat::AppendRecord(m_record, time, marker, type, payload, length) < 0) return -1;
    const size_t written = std::fwrite(m_record.data(), 1, m_record.size(), m_pFile);
    m_nBytes += written;
    if (written != m_record.size()) return -1;
    return std::fflush(m_pFile) == 0 ? 0 : -1;
}

int CLogWriter::Close() {
    if (m_pFile == nullptr) return -1;
    const int rc = std::fclose(m_pFile);
    m_pFile = nullptr;
    return rc == 0 ? 0 : -1;
}
