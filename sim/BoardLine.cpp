#include "sim/BoardLine.h"

#include <algorithm>

void CBoardLine::Queue(std::vector<uint8_t> packet, bool urgent, int64_t now) {
    if (packet.empty()) return;
    ClockTo(now);
    m_nQueuedBytes += packet.size();
    (urgent ? m_aUrgent : m_aBulk).push_back(std::move(packet));
    if (!m_bSending) {
        StartNextPacket();
        m_nNextByteAt = now + kByteNs;
    }
}

bool CBoardLine::StartNextPacket() {
    std::deque<std::vector<uint8_t>>& queue = m_aUrgent.empty() ? m_aBulk : m_aUrgent;
    if (queue.empty()) {
        m_bSending = false;
        m_abCurrent.clear();
        m_nCurrentPos = 0;
        return false;
    }
    m_abCurrent = std::move(queue.front());
    queue.pop_front();
    m_nCurrentPos = 0;
    m_bSending = true;
    return true;
}

void CBoardLine::ClockTo(int64_t now) {
    while (m_bSending && m_nNextByteAt <= now) {
        m_abReadable.push_back(m_abCurrent[m_nCurrentPos++]);
        --m_nQueuedBytes;
        ++m_nSent;
        if (m_abReadable.size() > kReadableLimit) {
            m_abReadable.pop_front();
            ++m_nLost;
        }
        if (m_nCurrentPos >= m_abCurrent.size()) {
            // The next packet follows without a pause.
            if (!StartNextPacket()) break;
        }
        m_nNextByteAt += kByteNs;
    }
}

int64_t CBoardLine::IdleAt(int64_t now) const {
    if (!m_bSending) return now;
    return m_nNextByteAt + static_cast<int64_t>(m_nQueuedBytes - 1) * kByteNs;
}

int64_t CBoardLine::NextByteAt() const {
    return m_bSending ? m_nNextByteAt : -1;
}

size_t CBoardLine::Backlog() const {
    return m_nQueuedBytes;
}

size_t CBoardLine::Read(uint8_t* out, size_t max) {
    const size_t count = std::min(max, m_abReadable.size());
    std::copy_n(m_abReadable.begin(), count, out);
    m_abReadable.erase(m_abReadable.begin(),
                       m_abReadable.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void CBoardLine::DropBulk() {
    for (const auto& packet : m_aBulk) m_nQueuedBytes -= packet.size();
    m_aBulk.clear();
}
