#include "tests/support/MessageRecorder.h"

#include <algorithm>

void CMessageRecorder::PostMessage(unsigned message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aMessages.push_back(message);
}

std::vector<unsigned> CMessageRecorder::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_aMessages;
}

int CMessageRecorder::Count(unsigned message) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count(m_aMessages.begin(), m_aMessages.end(), message));
}

void CMessageRecorder::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aMessages.clear();
}

void CStageRecorder::StagePacket(uint8_t type, const uint8_t* payload, uint32_t length) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aPackets.push_back({type, std::vector<uint8_t>(payload, payload + length)});
}

std::vector<CStageRecorder::Staged> CStageRecorder::Packets() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_aPackets;
}
