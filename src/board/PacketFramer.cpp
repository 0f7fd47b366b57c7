#include "board/PacketFramer.h"

#include <cstring>

CPacketFramer::CPacketFramer() {
    Reset();
}

void CPacketFramer::Reset() {
    if (m_nLength > 0) std::memset(m_abBuffer.data(), 0, static_cast<size_t>(m_nLength));
    m_nLength = 0;
    m_nState = State::Hunting;
}

size_t CPacketFramer::PushBytes(const uint8_t* bytes, size_t count) {
    if (bytes == nullptr) return 0;
    size_t taken = 0;
    while (taken < count && m_nState != State::Complete) {
        const uint8_t* rest = bytes + taken;
        const size_t left = count - taken;
        if (m_nState == State::Hunting || m_nState == State::Payload) {
            // Up to the next marker nothing but payload storage can happen.
            const auto* marker = static_cast<const uint8_t*>(std::memchr(rest, kMarker, left));
            const size_t run = marker != nullptr ? static_cast<size_t>(marker - rest) : left;
            if (m_nState == State::Payload) {
                const size_t room = static_cast<size_t>(kBufferSize - m_nLength);
                if (run > room) {
                    // The byte after a full buffer drops the packet.
                    Reset();
                    taken += room + 1;
                    continue;
                }
                std::memcpy(m_abBuffer.data() + m_nLength, rest, run);
                m_nLength += static_cast<int32_t>(run);
            }
            taken += run;
            if (marker == nullptr) break;
        }
        PushControl(bytes[taken++]);
    }
    return taken;
}

int CPacketFramer::PushControl(uint8_t byte) {
    switch (m_nState) {
        case State::Hunting:
            if (byte == kMarker) m_nState = State::MarkerSeen;
            return 0;
        case State::MarkerSeen:
            m_nState = byte == kStart ? State::StartSeen : State::Hunting;
            break;
        case State::StartSeen:
            m_bType = byte;
            m_nState = byte == kMarker ? State::TypeEscape : State::Payload;
            break;
        case State::TypeEscape:
            m_nState = byte == kEscape ? State::Payload : State::Hunting;
            break;
        case State::Payload:
            if (byte == kMarker) {
                m_nState = State::PayloadMarker;
            } else if (m_nLength < kBufferSize) {
                m_abBuffer[static_cast<size_t>(m_nLength++)] = byte;
            } else {
                // The packet would overrun the buffer: drop it whole.
                m_nState = State::Hunting;
            }
            break;
        case State::PayloadMarker:
            if (byte == kEnd) {
                m_nState = State::Complete;
            } else if (byte == kEscape && m_nLength < kBufferSize) {
                m_abBuffer[static_cast<size_t>(m_nLength++)] = kMarker;
                m_nState = State::Payload;
            } else {
                m_nState = State::Hunting;
            }
            break;
        case State::Complete:
            return 0;
    }
    if (m_nState == State::Hunting) Reset();
    return 0;
}
