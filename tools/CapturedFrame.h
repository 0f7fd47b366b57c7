#pragma once

#include <cstdint>

// The captured 802.11 frame inside a board packet of type 6, 9, 10 or 18: the
// 93-byte capture header, then the rate byte, three unused bytes and the frame
// from its frame-control field on. The captured length is cut to the bytes
// that actually arrived, as the program's decoders cut it.
struct CapturedFrame {
    static constexpr uint32_t kHeaderSize = 93;
    static constexpr uint32_t kFrameOffset = 97;
    static constexpr uint32_t kTransmitterOffset = 107;

    int8_t nRssi = 0;                 // dBm
    uint8_t bValid = 0;               // the board accepted the frame
    uint8_t nRate = 0;                // 100 kbit/s units: 10, 20, 55, 110
    const uint8_t* pFrame = nullptr;  // from the frame-control field on
    uint32_t nFrameLength = 0;

    static bool IsCaptureType(uint8_t type) {
        return type == 6 || type == 9 || type == 10 || type == 18;
    }
    // `length` counts the payload without its check byte. False when the
    // capture header itself is incomplete.
    static bool Read(const uint8_t* payload, uint32_t length, CapturedFrame& out);
    // "00-11-22-33-44-55" of the transmitter (address 2); false when the
    // frame is too short to hold it.
    static bool TransmitterText(const uint8_t* payload, uint32_t length, char (&text)[32]);
};
