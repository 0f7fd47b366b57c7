#include "board/MemoryPort.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

CMemoryPort::CMemoryPort(bool open) : m_bOpen(open) {}

void CMemoryPort::Feed(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Drop what has been read once it dominates, so a long feed stays small.
    if (m_nReadOffset > 0 && m_nReadOffset >= m_abInput.size() / 2) {
        m_abInput.erase(m_abInput.begin(),
                        m_abInput.begin() + static_cast<ptrdiff_t>(m_nReadOffset));
        m_nReadOffset = 0;
    }
    m_abInput.insert(m_abInput.end(), bytes, bytes + length);
}

void CMemoryPort::SetWriteCallback(WriteCallback callback) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onWrite = std::move(callback);
}

void CMemoryPort::SetMaxRead(int max) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nMaxRead = std::max(max, 0);
}

void CMemoryPort::SetOpen(bool open) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bOpen = open;
}

size_t CMemoryPort::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_abInput.size() - m_nReadOffset;
}

std::vector<uint8_t> CMemoryPort::Written() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<uint8_t> all;
    for (const auto& w : m_aWrites) all.insert(all.end(), w.begin(), w.end());
    return all;
}

std::vector<std::vector<uint8_t>> CMemoryPort::Writes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_aWrites;
}

int CMemoryPort::WriteAttempts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nWriteAttempts;
}

int CMemoryPort::ReadCalls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nReadCalls;
}

void CMemoryPort::ClearWritten() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aWrites.clear();
}

bool CMemoryPort::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bOpen;
}

int CMemoryPort::BytesWaiting() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bOpen) return 0;
    return static_cast<int>(std::min<size_t>(m_abInput.size() - m_nReadOffset, INT_MAX));
}

int CMemoryPort::Read(uint8_t* buffer, int max) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nReadCalls;
    if (!m_bOpen || buffer == nullptr || max < 0) return -1;
    size_t count = std::min(static_cast<size_t>(max), m_abInput.size() - m_nReadOffset);
    if (m_nMaxRead > 0) count = std::min(count, static_cast<size_t>(m_nMaxRead));
    if (count > 0) std::memcpy(buffer, m_abInput.data() + m_nReadOffset, count);
    m_nReadOffset += count;
    return static_cast<int>(count);
}

int CMemoryPort::Write(const uint8_t* buffer, int length) {
    WriteCallback callback;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nWriteAttempts;
        if (!m_bOpen || length < 0 || (buffer == nullptr && length > 0)) return -1;
        m_aWrites.emplace_back(buffer, buffer + length);
        callback = m_onWrite;
    }
    if (callback) callback(buffer, length);
    return length;
}
