#include "tests/support/FrameBuilder.h"

#include <cstdio>

namespace {
constexpr size_t kMacHeaderAt = 4;
constexpr size_t kFixedFieldsAt = 28;
}  // namespace

std::vector<uint8_t> FrameBuilder::Assemble(std::vector<uint8_t> frame) const {
    frame[0] = m_rate;
    for (size_t i = 0; i < 6; ++i) frame[kMacHeaderAt + 10 + i] = m_transmitter[i];

    std::vector<uint8_t> payload(93, 0);
    payload[1] = static_cast<uint8_t>(m_rssi);
    for (size_t i = 0; i < m_estimate.size(); ++i) payload[2 + i] = m_estimate[i];
    payload[90] = m_valid;
    const auto length = m_declaredLength >= 0 ? static_cast<uint32_t>(m_declaredLength)
                                              : static_cast<uint32_t>(frame.size());
    payload[91] = static_cast<uint8_t>(length);
    payload[92] = static_cast<uint8_t>(length >> 8);
    payload.insert(payload.end(), frame.begin(), frame.end());
    return payload;
}

std::vector<uint8_t> FrameBuilder::Beacon() const {
    std::vector<uint8_t> frame(kFixedFieldsAt + 12, 0);
    frame[kMacHeaderAt] = 0x80;
    for (size_t i = 0; i < 6; ++i) {
        frame[kMacHeaderAt + 4 + i] = 0xFF;
        frame[kMacHeaderAt + 16 + i] = m_transmitter[i];
    }
    frame[kFixedFieldsAt + 8] = 100;  // beacon interval
    frame[kFixedFieldsAt + 10] = 0x01 | (m_privacy ? 0x10 : 0x00);
    frame.push_back(0);
    frame.push_back(static_cast<uint8_t>(m_ssid.size()));
    frame.insert(frame.end(), m_ssid.begin(), m_ssid.end());
    frame.insert(frame.end(), {3, 1, m_dsChannel});
    frame.insert(frame.end(), m_extraElements.begin(), m_extraElements.end());
    return Assemble(std::move(frame));
}

std::vector<uint8_t> FrameBuilder::DataFrame() const {
    std::vector<uint8_t> frame(kFixedFieldsAt + m_dataBody, 0x5A);
    frame[kMacHeaderAt] = 0x08;
    frame[kMacHeaderAt + 1] = 0x01;  // to the distribution system
    return Assemble(std::move(frame));
}

std::vector<uint8_t> FrameBuilder::WithCheckByte(uint8_t type, std::vector<uint8_t> payload) {
    uint8_t check = type;
    for (uint8_t b : payload) check ^= b;
    payload.push_back(check);
    return payload;
}

std::string FrameBuilder::MacText(const Address& a) {
    char text[32];
    std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4],
                  a[5]);
    return text;
}

FrameBuilder::Address FrameBuilder::AddressOf(uint32_t n) {
    return Address{0x02,
                   0xC0,
                   static_cast<uint8_t>(n >> 24),
                   static_cast<uint8_t>(n >> 16),
                   static_cast<uint8_t>(n >> 8),
                   static_cast<uint8_t>(n)};
}
