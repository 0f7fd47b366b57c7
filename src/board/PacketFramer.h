#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Assembles board packets from the received byte stream, one byte at a time.
// Only the reader thread touches it. A complete packet stays in the framer
// (state Complete, Type(), Buffer(), Length()) until Reset().
class CPacketFramer {
public:
    static constexpr uint8_t kMarker = 0x11;
    static constexpr uint8_t kStart = 0x12;
    static constexpr uint8_t kEnd = 0x13;
    static constexpr uint8_t kEscape = 0x14;
    static constexpr int32_t kBufferSize = 8192;

    enum class State : int16_t {
        Hunting = 0x00,
        MarkerSeen = 0x10,
        StartSeen = 0x20,
        TypeEscape = 0x30,
        Payload = 0x40,
        PayloadMarker = 0x50,
        Complete = 0x60,
    };

    CPacketFramer();

    // Advances the state machine by one received byte. Always returns 0.
    // Ordinary payload bytes are the bulk of the stream, so they take an
    // inline path; every other transition is out of line.
    int PushByte(uint8_t byte) {
        if (m_nState == State::Payload && byte != kMarker && m_nLength < kBufferSize) {
            m_abBuffer[static_cast<size_t>(m_nLength++)] = byte;
            return 0;
        }
        return PushControl(byte);
    }

    // Pushes bytes in order until one completes a packet or all are taken;
    // returns how many were taken. The result is exactly that of PushByte on
    // each of them, but runs of payload bytes are copied in one go.
    size_t PushBytes(const uint8_t* bytes, size_t count);

    // Back to Hunting with length 0 and the buffer all zero. The type byte is
    // kept. Only the stored prefix can be non-zero, so only that is cleared.
    void Reset();

    State GetState() const { return m_nState; }
    bool IsComplete() const { return m_nState == State::Complete; }
    uint8_t Type() const { return m_bType; }
    const uint8_t* Buffer() const { return m_abBuffer.data(); }
    int32_t Length() const { return m_nLength; }

private:
    int PushControl(uint8_t byte);

    std::array<uint8_t, kBufferSize> m_abBuffer{};
    uint8_t m_bType = 0;
    int32_t m_nLength = 0;
    State m_nState = State::Hunting;
};
