#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Wire format shared by the board and the program: 0x11 0x12, type, payload
// with every data byte 0x11 (the type included) sent as 0x11 0x14, then
// 0x11 0x13. The control bytes are named in CPacketFramer.

// Frames a command (no check byte) into out; returns bytes written, or -1 if it does not fit.
int FrameCommand(uint8_t command, const uint8_t* args, int argLength, uint8_t* out, int outSize);

// Frames a board packet: appends the XOR check byte (type ^ payload ^ check == 0) and escapes.
std::vector<uint8_t> FrameBoardPacket(uint8_t type, const uint8_t* payload, size_t length);

// The check byte that makes type ^ payload ^ check == 0.
uint8_t CheckByte(uint8_t type, const uint8_t* payload, size_t length);
