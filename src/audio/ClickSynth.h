#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The click engine's kernel file: a canonical PCM WAVE file with a 44-byte
// header. Only the 16 format bytes at offset 20 and the first 256 sample
// bytes after the header are used; the header's other fields are not read.
class CWaveFile {
public:
    static constexpr std::size_t kHeaderBytes = 44;
    static constexpr std::size_t kFormatOffset = 20;

    // The format bytes, little-endian as the file holds them.
    struct Format {
        std::uint16_t nFormatTag = 0;
        std::uint16_t nChannels = 0;
        std::uint32_t nSamplesPerSec = 0;
        std::uint32_t nAvgBytesPerSec = 0;
        std::uint16_t nBlockAlign = 0;
        std::uint16_t wBitsPerSample = 0;
    };

    // Reads the file's header and its first `nSamples` data bytes. -1 when
    // the file cannot be opened or read; a file shorter than its header or
    // its samples is not an error here (see Samples).
    int Open(const std::string& path, std::size_t nSamples);
    // The same from the bytes of a whole file.
    int Load(std::span<const std::uint8_t> file, std::size_t nSamples);

    // File length - 44 (negative for a file shorter than its header).
    long long DataLength() const { return m_nDataLength; }
    const Format& GetFormat() const { return m_format; }
    // The sample bytes read: at most nSamples, fewer when the file ends first.
    const std::vector<std::uint8_t>& Samples() const { return m_samples; }

private:
    long long m_nDataLength = 0;
    Format m_format;
    std::vector<std::uint8_t> m_samples;
};

// The click synthesiser: an impulse ring of per-sample click decisions
// convolved with a 256-tap kernel into blocks of 8-bit unsigned samples.
//
// Each sample pushes its decision (1 or 0) into the ring at the write
// position; the read position runs one ahead of it. Output sample = 128 +
// sum over i of (kernel[i] / 10) * ring[read - i], clamped to 0..255. A whole
// block shares one decision, so a click block makes the output follow the
// kernel's running sum and a silent block lets it settle back to 128.
class CClickSynth {
public:
    static constexpr int kBlockSamples = 256;
    static constexpr int kRingSize = 1024;
    static constexpr int kKernelTaps = 256;
    static constexpr int kRandomMax = 32767;

    using Block = std::array<std::uint8_t, kBlockSamples>;

    CClickSynth();

    // Kernel from unsigned 8-bit samples (sample - 128); taps past the end of
    // `samples` are at rest (0).
    void SetKernel(std::span<const std::uint8_t> samples);
    const std::array<std::int8_t, kKernelTaps>& Kernel() const { return m_aKernel; }

    // Empties the ring; the write position goes to 0, the read position to 1.
    void Reset();

    // Whether a block with random draw `r` (0..32767) clicks at `level` dBm.
    static bool IsClickBlock(int r, int level) { return r / 164 > -70 - 3 * level; }

    // One block with the same decision for every sample.
    void Synthesise(bool bClick, Block& out);

private:
    std::array<std::int8_t, kKernelTaps> m_aKernel{};
    // kernel[255 - j] / 10, truncated toward zero: the taps the convolution
    // uses, last first, so that they run the same way as the ring below.
    std::array<std::int16_t, kKernelTaps> m_aTapsReversed{};
    // The ring twice over (entry k at k and k + 1024), so that the 256
    // entries a sample reads, ring[read - 255] .. ring[read], always lie in
    // one straight run: a plain dot product with the reversed taps.
    std::array<std::int16_t, 2 * kRingSize> m_aRing{};
    int m_nWrite = 0;
    int m_nRead = 1;
};
