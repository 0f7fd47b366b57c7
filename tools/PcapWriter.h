#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

// The radio facts of one captured frame, as a radiotap header carries them.
struct RadioInfo {
    bool bBadFcs = false;  // the board did not accept the frame
    int nRate500k = 0;     // 0: not known
    int nFrequency = 0;    // MHz; 0: not known
    int nSignalDbm = 0;
};

// Writes a pcap file of 802.11 frames with radiotap headers (link type 127),
// through a buffer of its own.
class CPcapWriter {
public:
    static constexpr uint32_t kLinkTypeRadiotap = 127;
    static constexpr uint32_t kSnapLength = 65535;
    // Radiotap fields present.
    static constexpr uint32_t kFlags = 1u << 1;
    static constexpr uint32_t kRate = 1u << 2;
    static constexpr uint32_t kChannel = 1u << 3;
    static constexpr uint32_t kAntennaSignal = 1u << 5;
    static constexpr uint8_t kFlagBadFcs = 0x40;
    static constexpr uint16_t kChannelCck = 0x0020;
    static constexpr uint16_t kChannel2Ghz = 0x0080;

    explicit CPcapWriter(std::FILE* file) : m_pFile(file) {}
    ~CPcapWriter() { Flush(); }
    CPcapWriter(const CPcapWriter&) = delete;
    CPcapWriter& operator=(const CPcapWriter&) = delete;

    void WriteHeader();
    void WriteFrame(int64_t seconds, uint32_t microseconds, const RadioInfo& radio,
                    const uint8_t* frame, uint32_t length);
    void Flush();

    // The board's rate byte (100 kbit/s units) in radiotap's 500 kbit/s
    // units; 0 for a rate that is not one of the four 802.11b rates.
    static int RateIn500k(uint8_t rate100k);

private:
    void PutU16(uint32_t v);
    void PutU32(uint32_t v);

    std::FILE* m_pFile;
    std::vector<uint8_t> m_buffer;
};
