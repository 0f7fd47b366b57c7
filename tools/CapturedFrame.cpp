#include "tools/CapturedFrame.h"

#include <algorithm>
#include <cstdio>

bool CapturedFrame::Read(const uint8_t* payload, uint32_t length, CapturedFrame& out) {
    if (payload == nullptr || length < kHeaderSize) return false;
    const uint32_t declared = payload[91] | (static_cast<uint32_t>(payload[92]) << 8);
    const uint32_t body = std::min(declared, length - kHeaderSize);
    out.nRssi = static_cast<int8_t>(payload[1]);
    out.bValid = payload[90];
    out.nRate = body >= 1 ? payload[kHeaderSize] : 0;
    const uint32_t frameStart = kFrameOffset - kHeaderSize;
    out.nFrameLength = body > frameStart ? body - frameStart : 0;
    out.pFrame = out.nFrameLength != 0 ? payload + kFrameOffset : nullptr;
    return true;
}

bool CapturedFrame::TransmitterText(const uint8_t* payload, uint32_t length, char (&text)[32]) {
    CapturedFrame frame;
    if (!Read(payload, length, frame)) return false;
    if (frame.nFrameLength < kTransmitterOffset - kFrameOffset + 6) return false;
    const uint8_t* a = payload + kTransmitterOffset;
    std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4],
                  a[5]);
    return true;
}
