#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Builds captured-frame packet payloads as the board sends them: the 93-byte
// capture header, then the captured frame (rate byte, three unused bytes, the
// 24-byte 802.11 MAC header, and for beacons the fixed fields, an SSID and a
// DS parameter set element and any extra element bytes). Payloads come
// without the check byte unless WithCheckByte is used.
class FrameBuilder {
public:
    using Address = std::array<uint8_t, 6>;

    FrameBuilder& Rssi(int8_t v) { return Set(m_rssi, v); }
    FrameBuilder& Valid(uint8_t v) { return Set(m_valid, v); }
    FrameBuilder& Rate(uint8_t v) { return Set(m_rate, v); }
    FrameBuilder& Transmitter(const Address& v) { return Set(m_transmitter, v); }
    FrameBuilder& Privacy(bool v) { return Set(m_privacy, v); }
    FrameBuilder& Ssid(const std::string& v) { return Set(m_ssid, v); }
    FrameBuilder& DsChannel(uint8_t v) { return Set(m_dsChannel, v); }
    // Raw bytes appended to the element area (may be malformed).
    FrameBuilder& RawElements(const std::vector<uint8_t>& v) { return Set(m_extraElements, v); }
    // Overrides the captured length L written into the header.
    FrameBuilder& DeclaredLength(int v) { return Set(m_declaredLength, v); }
    // Bytes a data frame carries after its MAC header.
    FrameBuilder& DataBody(uint32_t v) { return Set(m_dataBody, v); }
    // Tap i of the channel estimate as it travels on the wire.
    FrameBuilder& Tap(int i, int8_t inPhase, int8_t quadrature) {
        m_estimate[2 * i] = inPhase;
        m_estimate[2 * i + 1] = quadrature;
        return *this;
    }

    // Frame control 0x80: management, subtype 8.
    std::vector<uint8_t> Beacon() const;
    // Frame control 0x08: data, subtype 0.
    std::vector<uint8_t> DataFrame() const;

    static std::vector<uint8_t> WithCheckByte(uint8_t type, std::vector<uint8_t> payload);
    static std::string MacText(const Address& address);
    // A distinct locally administered address for each n.
    static Address AddressOf(uint32_t n);

private:
    template <typename T, typename V>
    FrameBuilder& Set(T& field, const V& value) {
        field = value;
        return *this;
    }
    std::vector<uint8_t> Assemble(std::vector<uint8_t> frame) const;

    int8_t m_rssi = -60;
    uint8_t m_valid = 1;
    uint8_t m_rate = 110;
    Address m_transmitter{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::array<int8_t, 88> m_estimate{};
    bool m_privacy = false;
    std::string m_ssid = "survey";
    uint8_t m_dsChannel = 1;
    std::vector<uint8_t> m_extraElements;
    int m_declaredLength = -1;
    uint32_t m_dataBody = 8;
};
