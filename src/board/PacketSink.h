#pragma once

#include <cstdint>

// Receives every complete packet the reader thread assembles, on that thread.
// The payload is the framer's buffer, valid only for the duration of the call;
// it still ends with the board's check byte.
class IPacketSink {
public:
    virtual ~IPacketSink() = default;
    virtual void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) = 0;
};
