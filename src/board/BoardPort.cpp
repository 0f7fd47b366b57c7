#include "board/BoardPort.h"

#include <algorithm>
#include <cstring>
#include <utility>

CBoardPort::CBoardPort(std::unique_ptr<ISerialPort> port) : m_pPort(std::move(port)) {
    if (m_pPort != nullptr && m_pPort->IsOpen())
        m_eLinkState.store(LinkState::Connected, std::memory_order_release);
}

void CBoardPort::SetLinkState(LinkState state) {
    m_eLinkState.store(state, std::memory_order_release);
    if (m_linkListener) m_linkListener(state);
}

bool CBoardPort::UpdateLink() {
    if (m_pPort == nullptr) return false;
    const auto now = std::chrono::steady_clock::now();
    switch (GetLinkState()) {
        case LinkState::Connected:
            if (!m_pPort->IsLost()) return false;
            SetLinkState(LinkState::Lost);
            m_tNextReopen = now + kReopenInterval;
            return true;
        case LinkState::Lost:
            if (now < m_tNextReopen) return false;
            if (m_pPort->Reopen() != 0) {
                m_tNextReopen = now + kReopenInterval;
                return false;
            }
            SetLinkState(LinkState::Connected);
            return true;
        case LinkState::NoBoard:
            break;
    }
    return false;
}

CBoardPort::~CBoardPort() = default;

int CBoardPort::QueueCommand(const uint8_t* bytes, uint32_t length) {
    if (bytes == nullptr && length > 0) return -1;
    const uint32_t count = std::min(length, kPendingCommandSize);
    std::lock_guard<std::mutex> lock(m_slotMutex);
    if (count > 0) std::memcpy(m_abPendingCommand.data(), bytes, count);
    m_nPendingLength = count;
    m_bCommandPending = true;
    return 1;
}

int CBoardPort::TakePendingCommand(CommandBuffer& out) {
    std::lock_guard<std::mutex> lock(m_slotMutex);
    if (!m_bCommandPending) return -1;
    std::memcpy(out.data(), m_abPendingCommand.data(), m_nPendingLength);
    m_bCommandPending = false;
    return static_cast<int>(m_nPendingLength);
}

bool CBoardPort::HasPendingCommand() const {
    std::lock_guard<std::mutex> lock(m_slotMutex);
    return m_bCommandPending;
}

bool CBoardPort::IsOpen() const {
    return m_pPort != nullptr && m_pPort->IsOpen();
}

int CBoardPort::BytesWaiting() {
    return m_pPort != nullptr ? m_pPort->BytesWaiting() : 0;
}

int CBoardPort::Read(uint8_t* buffer, int max) {
    if (m_pPort == nullptr || buffer == nullptr || max <= 0) return -1;
    return m_pPort->Read(buffer, max);
}

int CBoardPort::Write(const uint8_t* buffer, int length) {
    if (m_pPort == nullptr || (buffer == nullptr && length > 0) || length < 0) return -1;
    return m_pPort->Write(buffer, length);
}
