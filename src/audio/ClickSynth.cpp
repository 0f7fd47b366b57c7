#include "audio/ClickSynth.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/InputFile.h"

namespace {

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

int CWaveFile::Open(const std::string& path, std::size_t nSamples) {
    // The kernel file is the person's to replace: one that is not a regular
    // file (a FIFO would block the click thread for good) is refused.
    std::FILE* f = OpenInputFile(path);
    if (f == nullptr) return -1;
    // Only the header and the kernel's samples are needed; the length comes
    // from the end position so that a large file is not read whole.
    std::vector<std::uint8_t> head(kHeaderBytes + nSamples);
    const std::size_t got = std::fread(head.data(), 1, head.size(), f);
    const bool bReadError = std::ferror(f) != 0;
    long long length = -1;
    if (!bReadError && std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
    std::fclose(f);
    if (bReadError || length < 0) return -1;
    head.resize(got);
    const int rc = Load(head, nSamples);
    m_nDataLength = length - static_cast<long long>(kHeaderBytes);
    return rc;
}

int CWaveFile::Load(std::span<const std::uint8_t> file, std::size_t nSamples) {
    m_nDataLength = static_cast<long long>(file.size()) - static_cast<long long>(kHeaderBytes);
    m_format = Format{};
    // A header cut short leaves the rest of the format at zero, which no
    // output device accepts.
    std::array<std::uint8_t, 16> fmt{};
    if (file.size() > kFormatOffset) {
        const std::size_t n = std::min<std::size_t>(fmt.size(), file.size() - kFormatOffset);
        std::memcpy(fmt.data(), file.data() + kFormatOffset, n);
    }
    m_format.nFormatTag = Le16(&fmt[0]);
    m_format.nChannels = Le16(&fmt[2]);
    m_format.nSamplesPerSec = Le32(&fmt[4]);
    m_format.nAvgBytesPerSec = Le32(&fmt[8]);
    m_format.nBlockAlign = Le16(&fmt[12]);
    m_format.wBitsPerSample = Le16(&fmt[14]);
    m_samples.clear();
    if (file.size() > kHeaderBytes) {
        const std::size_t n = std::min(nSamples, file.size() - kHeaderBytes);
        m_samples.assign(file.begin() + kHeaderBytes, file.begin() + kHeaderBytes + n);
    }
    return 0;
}

CClickSynth::CClickSynth() {
    Reset();
}

void CClickSynth::SetKernel(std::span<const std::uint8_t> samples) {
    for (std::size_t i = 0; i < m_aKernel.size(); ++i) {
        const int v = i < samples.size() ? samples[i] - 128 : 0;
        m_aKernel[i] = static_cast<std::int8_t>(v);
        m_aTapsReversed[m_aTapsReversed.size() - 1 - i] = static_cast<std::int16_t>(v / 10);
    }
}

void CClickSynth::Reset() {
    m_aRing.fill(0);
    m_nWrite = 0;
    m_nRead = 1;
}

void CClickSynth::Synthesise(bool bClick, Block& out) {
    const std::int16_t impulse = bClick ? 1 : 0;
    for (std::uint8_t& sample : out) {
        m_aRing[static_cast<std::size_t>(m_nWrite)] = impulse;
        m_aRing[static_cast<std::size_t>(m_nWrite + kRingSize)] = impulse;
        m_nWrite = (m_nWrite + 1) % kRingSize;
        m_nRead = (m_nRead + 1) % kRingSize;

        // Tap i meets ring[read - i]: reversed, tap 255 - j meets entry
        // read - 255 + j of the doubled ring.
        const std::int16_t* ring = m_aRing.data() + m_nRead + kRingSize - (kKernelTaps - 1);
        int sum = 0;
        for (int j = 0; j < kKernelTaps; ++j) sum += m_aTapsReversed[j] * ring[j];

        // Clamped at both ends: a kernel that dips far below rest would
        // otherwise wrap round to a full-scale spike.
        sample = static_cast<std::uint8_t>(std::clamp(sum + 128, 0, 255));
    }
}
