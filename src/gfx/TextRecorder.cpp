#include "gfx/TextRecorder.h"

#include <utility>

void CTextRecorder::Add(CTextRecord record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aRecords.push_back(std::move(record));
}

void CTextRecorder::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aRecords.clear();
}

std::vector<CTextRecord> CTextRecorder::Records() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_aRecords;
}

std::size_t CTextRecorder::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_aRecords.size();
}

bool CTextRecorder::FindLast(std::string_view text, CTextRecord* out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_aRecords.rbegin(); it != m_aRecords.rend(); ++it) {
        if (it->text == text) {
            if (out) *out = *it;
            return true;
        }
    }
    return false;
}
