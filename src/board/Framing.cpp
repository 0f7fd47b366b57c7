#include "board/Framing.h"

#include "board/PacketFramer.h"

namespace {

// Appends one data byte, escaping the marker; false when out is full.
bool PutEscaped(uint8_t byte, uint8_t* out, int outSize, int& pos) {
    const int need = byte == CPacketFramer::kMarker ? 2 : 1;
    if (pos + need > outSize) return false;
    out[pos++] = byte;
    if (need == 2) out[pos++] = CPacketFramer::kEscape;
    return true;
}

void AppendEscaped(uint8_t byte, std::vector<uint8_t>& out) {
    out.push_back(byte);
    if (byte == CPacketFramer::kMarker) out.push_back(CPacketFramer::kEscape);
}

}  // namespace

int FrameCommand(uint8_t command, const uint8_t* args, int argLength, uint8_t* out, int outSize) {
    if (out == nullptr || outSize < 0 || argLength < 0 || (argLength > 0 && args == nullptr))
        return -1;
    int pos = 0;
    if (outSize < 2) return -1;
    out[pos++] = CPacketFramer::kMarker;
    out[pos++] = CPacketFramer::kStart;
    if (!PutEscaped(command, out, outSize, pos)) return -1;
    for (int i = 0; i < argLength; ++i) {
        if (!PutEscaped(args[i], out, outSize, pos)) return -1;
    }
    if (pos + 2 > outSize) return -1;
    out[pos++] = CPacketFramer::kMarker;
    out[pos++] = CPacketFramer::kEnd;
    return pos;
}

uint8_t CheckByte(uint8_t type, const uint8_t* payload, size_t length) {
    uint8_t check = type;
    if (payload != nullptr) {
        for (size_t i = 0; i < length; ++i) check ^= payload[i];
    }
    return check;
}

std::vector<uint8_t> FrameBoardPacket(uint8_t type, const uint8_t* payload, size_t length) {
    if (payload == nullptr) length = 0;
    std::vector<uint8_t> out;
    out.reserve(length + length / 16 + 8);
    out.push_back(CPacketFramer::kMarker);
    out.push_back(CPacketFramer::kStart);
    AppendEscaped(type, out);
    for (size_t i = 0; i < length; ++i) AppendEscaped(payload[i], out);
    AppendEscaped(CheckByte(type, payload, length), out);
    out.push_back(CPacketFramer::kMarker);
    out.push_back(CPacketFramer::kEnd);
    return out;
}
