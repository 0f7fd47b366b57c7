#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/Bytes.h"

// The board's wire vocabulary: packet types, command numbers, measurement
// modes, the capture header of captured frames, and the byte-level helpers
// every reader of board data shares. Numbers of the wire are named here and
// nowhere else.

// Packet types sent by the board (the byte after 0x11 0x12).
namespace PacketType {
inline constexpr uint8_t kFirmwareVersion = 1;
inline constexpr uint8_t kSerialNumber = 2;
inline constexpr uint8_t kModeAck = 3;
inline constexpr uint8_t kChannelReport = 4;
inline constexpr uint8_t kNarrowSweep = 5;  // 20 MHz span, 64 points
inline constexpr uint8_t kCapturedFrame = 6;
inline constexpr uint8_t kGps = 7;
inline constexpr uint8_t kCapturedBeacon = 9;
inline constexpr uint8_t kCapturedBeaconAlt = 10;
inline constexpr uint8_t kChannelReportCount = 11;
inline constexpr uint8_t kBatteryLow = 13;  // carries the channel load too
inline constexpr uint8_t kWideSweep = 14;   // 100 MHz span, 273 points
inline constexpr uint8_t kCapturedFrameAlt = 18;
inline constexpr uint8_t kChannelLoad = 19;
inline constexpr uint8_t kChannelValue = 32;  // per-channel noise level

// Types whose payload starts with the capture header.
constexpr bool IsCapture(uint8_t type) {
    return type == kCapturedFrame || type == kCapturedFrameAlt || type == kCapturedBeacon ||
           type == kCapturedBeaconAlt;
}
constexpr bool IsBeaconCapture(uint8_t type) {
    return type == kCapturedBeacon || type == kCapturedBeaconAlt;
}

// What each type carries, in words ("captured beacon"); "unassigned" for a
// type the board does not send. Types the decoders treat alike still carry
// different frames: the board sends probe responses as type 10 and frames at
// 5.5 and 11 Mbit/s as type 18.
struct Description {
    uint8_t type;
    const char* name;
};
inline constexpr Description kDescriptions[] = {
    {kFirmwareVersion, "firmware version"},
    {kSerialNumber, "serial number"},
    {kModeAck, "mode acknowledgement"},
    {kChannelReport, "channel report"},
    {kNarrowSweep, "20 MHz spectrum sweep"},
    {kCapturedFrame, "captured frame, 1 or 2 Mbit/s"},
    {kGps, "GPS receiver message"},
    {kCapturedBeacon, "captured beacon"},
    {kCapturedBeaconAlt, "captured probe response"},
    {kChannelReportCount, "channel report with frame count"},
    {kBatteryLow, "battery low, with channel load"},
    {kWideSweep, "100 MHz spectrum sweep"},
    {kCapturedFrameAlt, "captured frame, 5.5 or 11 Mbit/s"},
    {kChannelLoad, "channel load"},
    {kChannelValue, "noise level of a channel"},
};
constexpr const char* Name(uint8_t type) {
    for (const Description& d : kDescriptions)
        if (d.type == type) return d.name;
    return "unassigned";
}
}  // namespace PacketType

// Command numbers sent to the board.
namespace BoardCommand {
inline constexpr uint8_t kFirmwareVersion = 1;
inline constexpr uint8_t kSerialNumber = 2;
inline constexpr uint8_t kSetMode = 3;
inline constexpr uint8_t kSetChannel = 4;
inline constexpr uint8_t kIdentityDone = 8;  // sent with 1 after the serial number
}  // namespace BoardCommand

// Measurement modes, the argument of kSetMode.
namespace BoardMode {
inline constexpr int kIdle = 0;  // main menu and security
inline constexpr int kOneChannel = 1;
inline constexpr int kNarrowSpectrum = 2;
inline constexpr int kAllChannels = 4;  // MAC list
inline constexpr int kSpectrum = 6;
inline constexpr int kUsage = 8;
inline constexpr int kUtilization = 9;
}  // namespace BoardMode

// The 93-byte capture header in front of a captured 802.11 frame (payload
// offsets), and the frame behind it.
namespace CaptureHeader {
inline constexpr uint32_t kSize = 93;
inline constexpr uint32_t kRssi = 1;      // signed dBm
inline constexpr uint32_t kEstimate = 2;  // 44 (I, Q) signed byte pairs
inline constexpr uint32_t kEstimateTaps = 44;
inline constexpr uint32_t kValidFlag = 90;  // the board accepted the frame
inline constexpr uint32_t kLength = 91;     // captured length, 16-bit little-endian

// Offsets inside the capture, which starts at payload offset kSize: the rate
// byte (100 kbit/s units), three unused bytes, then the frame from its
// frame-control field on.
inline constexpr uint32_t kRate = 0;
inline constexpr uint32_t kFrameControl = 4;
inline constexpr uint32_t kTransmitter = 14;  // address 2
inline constexpr uint32_t kTransmitterEnd = kTransmitter + 6;
}  // namespace CaptureHeader

// A captured frame as far as it actually arrived. `length` counts the payload
// without its check byte; the captured length is cut to the bytes that
// arrived, so nothing read through it lies past the packet.
struct CaptureView {
    const uint8_t* header = nullptr;
    const uint8_t* capture = nullptr;  // rate byte first
    uint32_t length = 0;               // captured length, clamped
    uint8_t validFlag = 0;
    int8_t rssi = 0;

    bool HasTransmitter() const { return length >= CaptureHeader::kTransmitterEnd; }
    // False when the capture header itself is incomplete.
    static bool Read(const uint8_t* payload, uint32_t payloadLength, CaptureView& out) {
        if (payload == nullptr || payloadLength < CaptureHeader::kSize) return false;
        const uint32_t arrived = payloadLength - CaptureHeader::kSize;
        out.header = payload;
        out.capture = payload + CaptureHeader::kSize;
        out.length = std::min<uint32_t>(ReadLe16(payload + CaptureHeader::kLength), arrived);
        out.validFlag = payload[CaptureHeader::kValidFlag];
        out.rssi = static_cast<int8_t>(payload[CaptureHeader::kRssi]);
        return true;
    }
};

// The capture's rate byte, in 100 kbit/s units: 1, 2, 5.5 and 11 Mbit/s, the
// rate index 0..3 of the statistics. Any other byte is a rate of its own.
namespace CaptureRate {
inline constexpr uint8_t kCodes[4] = {10, 20, 55, 110};
// 0..3, or -1 for a byte that is none of the four.
constexpr int IndexOf(uint8_t code) {
    for (int i = 0; i < 4; ++i)
        if (kCodes[i] == code) return i;
    return -1;
}
}  // namespace CaptureRate

// The MAC text of six address bytes: "00-1A-2B-3C-4D-5E" (17 characters,
// upper-case hexadecimal), the key of the station table and the AP lists.
inline constexpr int kMacTextLength = 17;
inline void FormatMacText(const uint8_t* address, char* text /* at least 18 bytes */) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char* out = text;
    for (int i = 0; i < 6; ++i) {
        if (i != 0) *out++ = '-';
        *out++ = kHex[address[i] >> 4];
        *out++ = kHex[address[i] & 0x0F];
    }
    *out = '\0';
}
