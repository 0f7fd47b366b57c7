#include "tests/support/PacketBuilders.h"

#include <cstdio>

#include "board/Framing.h"
#include "data/SurveyData.h"

namespace testpkt {

Bytes CaptureData(const Capture& c) {
    Bytes body;
    body.push_back(c.rate);
    body.insert(body.end(), 3, 0);
    // MAC header: frame control, duration, address 1..3, sequence control.
    body.push_back(c.frameControl);
    body.push_back(0);
    body.insert(body.end(), 2, 0);
    body.insert(body.end(), 6, 0xFF);
    body.insert(body.end(), c.transmitter.begin(), c.transmitter.end());
    body.insert(body.end(), c.transmitter.begin(), c.transmitter.end());
    body.insert(body.end(), 2, 0);
    if (c.beaconBody) {
        body.insert(body.end(), 8, 0);  // timestamp
        body.push_back(100);            // beacon interval
        body.push_back(0);
        body.push_back(c.privacy ? 0x11 : 0x01);  // capability: ESS, privacy bit 4
        body.push_back(0);
        body.push_back(0);
        body.push_back(static_cast<uint8_t>(c.ssid.size()));
        body.insert(body.end(), c.ssid.begin(), c.ssid.end());
        body.push_back(1);  // supported rates
        body.push_back(4);
        for (uint8_t r : {0x82, 0x84, 0x8B, 0x96}) body.push_back(r);
        if (c.dsChannel >= 0) {
            body.push_back(3);
            body.push_back(1);
            body.push_back(static_cast<uint8_t>(c.dsChannel));
        }
    }
    body.insert(body.end(), c.extraBody.begin(), c.extraBody.end());

    Bytes data(CaptureHeader::kSize, 0);
    data[CaptureHeader::kRssi] = static_cast<uint8_t>(c.rssi);
    for (size_t i = 0; i < c.iq.size(); ++i)
        data[CaptureHeader::kEstimate + i] = static_cast<uint8_t>(c.iq[i]);
    data[CaptureHeader::kValidFlag] = c.valid;
    const uint16_t length = c.capturedLength >= 0 ? static_cast<uint16_t>(c.capturedLength)
                                                  : static_cast<uint16_t>(body.size());
    data[CaptureHeader::kLength] = static_cast<uint8_t>(length & 0xFF);
    data[CaptureHeader::kLength + 1] = static_cast<uint8_t>(length >> 8);
    data.insert(data.end(), body.begin(), body.end());
    return data;
}

Capture Beacon(const Mac& mac, const std::string& ssid, int channel, int8_t rssi) {
    Capture c;
    c.transmitter = mac;
    c.ssid = ssid;
    c.dsChannel = channel;
    c.rssi = rssi;
    return c;
}

Capture DataFrame(const Mac& mac, int8_t rssi) {
    Capture c;
    c.frameControl = kFcData;
    c.beaconBody = false;
    c.transmitter = mac;
    c.rssi = rssi;
    c.extraBody = Bytes(64, 0xAA);
    return c;
}

Bytes GpsData() {
    Bytes data(152, 0);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
    return data;
}

Bytes SweepData(size_t bytes, uint8_t seed) {
    Bytes data(bytes);
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(seed + i * 13);
    return data;
}

Bytes ChannelLoadData(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    Bytes data;
    for (uint32_t v : {a, b, c, d})
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return data;
}

Bytes Text(const std::string& text, bool terminate) {
    Bytes data(text.begin(), text.end());
    if (terminate) data.push_back(0);
    return data;
}

Mac MacOf(uint32_t n) {
    return {0x02,
            0x00,
            static_cast<uint8_t>(n >> 24),
            static_cast<uint8_t>(n >> 16),
            static_cast<uint8_t>(n >> 8),
            static_cast<uint8_t>(n)};
}

std::string MacText(const Mac& m) {
    char text[32];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4],
                  m[5]);
    return text;
}

Bytes WithCheck(uint8_t type, Bytes data) {
    data.push_back(CheckByte(type, data.data(), data.size()));
    return data;
}

Bytes Framed(uint8_t type, const Bytes& data) {
    return FrameBoardPacket(type, data.data(), data.size());
}

void Dispatch(CSurveyData& store, uint8_t type, const Bytes& data) {
    const Bytes payload = WithCheck(type, data);
    store.DispatchPacket(type, payload.data(), static_cast<uint32_t>(payload.size()));
}

}  // namespace testpkt
