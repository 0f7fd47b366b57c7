#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "board/Wire.h"

class CSurveyData;

// Builders for board packets as the RF board sends them. "Data" below means
// the payload without its check byte; WithCheck appends it and Framed frames
// the whole packet for a serial stream.
namespace testpkt {

using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;

// Frame-control first bytes (type in bits 3..2, subtype in bits 7..4).
inline constexpr uint8_t kFcBeacon = 0x80;
inline constexpr uint8_t kFcAuth = 0xB0;
inline constexpr uint8_t kFcDeauth = 0xC0;
inline constexpr uint8_t kFcProbeRequest = 0x40;
inline constexpr uint8_t kFcAck = 0xD4;
inline constexpr uint8_t kFcData = 0x08;
inline constexpr uint8_t kFcReserved = 0x0C;

// A captured frame (packet types 6, 9, 10, 18).
struct Capture {
    int8_t rssi = -50;
    uint8_t valid = 1;
    uint8_t rate = 110;  // 100 kbit/s units
    uint8_t frameControl = kFcBeacon;
    Mac transmitter{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::array<int8_t, 88> iq{};  // 44 (I, Q) pairs as received
    // Beacons: fixed fields and the SSID / DS elements follow the MAC header.
    bool beaconBody = true;
    std::string ssid = "net";
    int dsChannel = 1;  // negative: no DS parameter set element
    bool privacy = false;
    Bytes extraBody;          // appended after the header (and beacon body)
    int capturedLength = -1;  // negative: the true body length

    // Chainable setters, for tests that send many variants of one frame.
    Capture& Rssi(int8_t v) { return Set(rssi, v); }
    Capture& Valid(uint8_t v) { return Set(valid, v); }
    Capture& Rate(uint8_t v) { return Set(rate, v); }
    Capture& Ssid(const std::string& v) { return Set(ssid, v); }
    Capture& DsChannel(int v) { return Set(dsChannel, v); }
    Capture& Privacy(bool v) { return Set(privacy, v); }
    Capture& CapturedLength(int v) { return Set(capturedLength, v); }
    // Raw bytes after the header and beacon body (may be malformed elements).
    Capture& Extra(const Bytes& v) { return Set(extraBody, v); }
    // Tap i of the channel estimate as it travels on the wire.
    Capture& Tap(int i, int8_t inPhase, int8_t quadrature) {
        iq[static_cast<size_t>(2 * i)] = inPhase;
        iq[static_cast<size_t>(2 * i + 1)] = quadrature;
        return *this;
    }
    // The same transmitter sending a data frame instead: no beacon body.
    Capture& AsData() {
        frameControl = kFcData;
        beaconBody = false;
        return *this;
    }

private:
    template <typename T, typename V>
    Capture& Set(T& field, const V& value) {
        field = value;
        return *this;
    }
};

Bytes CaptureData(const Capture& capture);
Capture Beacon(const Mac& mac, const std::string& ssid, int channel, int8_t rssi = -50);
Capture DataFrame(const Mac& mac, int8_t rssi = -60);

// A 152-byte GPS receiver message with recognisable content.
Bytes GpsData();
// A sweep of the given number of data bytes (130 for type 5, 546 for type 14).
Bytes SweepData(size_t bytes, uint8_t seed = 1);
// Four little-endian 32-bit channel loads.
Bytes ChannelLoadData(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
Bytes Text(const std::string& text, bool terminate = true);

Mac MacOf(uint32_t n);
std::string MacText(const Mac& mac);

Bytes WithCheck(uint8_t type, Bytes data);
Bytes Framed(uint8_t type, const Bytes& data);

// Dispatches data with a good check byte appended.
void Dispatch(CSurveyData& store, uint8_t type, const Bytes& data);

}  // namespace testpkt
