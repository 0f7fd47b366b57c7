#include "tools/PcapWriter.h"

#include <algorithm>

#include "board/Wire.h"

namespace {
constexpr size_t kFlushAt = size_t{1} << 20;
}  // namespace

void CPcapWriter::PutU16(uint32_t v) {
    m_buffer.push_back(static_cast<uint8_t>(v));
    m_buffer.push_back(static_cast<uint8_t>(v >> 8));
}

void CPcapWriter::PutU32(uint32_t v) {
    PutU16(v & 0xFFFF);
    PutU16(v >> 16);
}

void CPcapWriter::WriteHeader() {
    PutU32(0xA1B2C3D4);  // microsecond timestamps, little-endian
    PutU16(2);
    PutU16(4);
    PutU32(0);  // time zone correction
    PutU32(0);  // timestamp accuracy
    PutU32(kSnapLength);
    PutU32(kLinkTypeRadiotap);
}

int CPcapWriter::RateIn500k(uint8_t rate100k) {
    return CaptureRate::IndexOf(rate100k) >= 0 ? rate100k / 5 : 0;
}

void CPcapWriter::WriteFrame(int64_t seconds, uint32_t microseconds, const RadioInfo& radio,
                             const uint8_t* frame, uint32_t length) {
    length = std::min(length, kSnapLength - 64);
    // Fields in radiotap order, each at its natural alignment: flags (u8),
    // rate (u8), channel (u16 frequency, u16 flags), antenna signal (s8).
    uint32_t present = kFlags | kAntennaSignal;
    if (radio.nRate500k != 0) present |= kRate;
    if (radio.nFrequency != 0) present |= kChannel;
    uint32_t headerLength = 8 + 1;
    if (present & kRate) headerLength += 1;
    if (present & kChannel) headerLength = (headerLength + 1) / 2 * 2 + 4;
    headerLength += 1;

    const uint32_t total = headerLength + length;
    PutU32(static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, UINT32_MAX)));
    PutU32(microseconds);
    PutU32(total);
    PutU32(total);

    const size_t start = m_buffer.size();
    m_buffer.push_back(0);  // version
    m_buffer.push_back(0);  // pad
    PutU16(headerLength);
    PutU32(present);
    m_buffer.push_back(radio.bBadFcs ? kFlagBadFcs : 0);
    if (present & kRate) m_buffer.push_back(static_cast<uint8_t>(radio.nRate500k));
    if (present & kChannel) {
        if ((m_buffer.size() - start) % 2 != 0) m_buffer.push_back(0);
        PutU16(static_cast<uint32_t>(radio.nFrequency));
        PutU16(kChannel2Ghz | kChannelCck);
    }
    m_buffer.push_back(static_cast<uint8_t>(static_cast<int8_t>(radio.nSignalDbm)));
    if (length != 0) m_buffer.insert(m_buffer.end(), frame, frame + length);
    if (m_buffer.size() >= kFlushAt) Flush();
}

void CPcapWriter::Flush() {
    if (m_pFile != nullptr && !m_buffer.empty()) {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_pFile);
    }
    m_buffer.clear();
}
