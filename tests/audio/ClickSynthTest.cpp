#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "audio/ClickSynth.h"

namespace {

using Block = CClickSynth::Block;

// A kernel of unsigned samples at rest (128) except the given taps.
std::vector<uint8_t> Kernel(std::initializer_list<std::pair<int, int>> taps) {
    std::vector<uint8_t> k(CClickSynth::kKernelTaps, 128);
    for (const auto& [i, v] : taps) k[static_cast<size_t>(i)] = static_cast<uint8_t>(v);
    return k;
}

// Output of `blocks` blocks, the first `clicks` of them clicking.
std::vector<uint8_t> Play(CClickSynth& synth, int blocks, int clicks) {
    std::vector<uint8_t> out;
    Block b{};
    for (int n = 0; n < blocks; ++n) {
        synth.Synthesise(n < clicks, b);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

TEST(ClickSynth, SilentBlocksRestAtMidLevelOnceTheRingIsEmpty) {
    CClickSynth synth;
    synth.SetKernel(Kernel({{0, 250}, {1, 250}, {2, 250}, {100, 250}, {255, 250}}));
    Block b{};
    synth.Synthesise(false, b);
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint8_t s) { return s == 128; }));

    // One click block, then silence: the ring still holds its ones for 1024
    // samples, and the first two taps meet them just before they leave.
    const std::vector<uint8_t> out = Play(synth, 6, 1);
    EXPECT_NE(out[300], 128);
    EXPECT_NE(out[1100], 128);
    for (size_t n = 1280; n < out.size(); ++n) ASSERT_EQ(out[n], 128) << n;
}

TEST(ClickSynth, EachTapMeetsTheDecisionOfItsOwnDelay) {
    // The read position runs one ahead of the write position: tap i >= 2
    // sees the decision i - 2 samples old, taps 0 and 1 the decisions 1022
    // and 1023 samples old.
    struct Case {
        int tap;
        int delay;
    } cases[] = {{0, 1022}, {1, 1023}, {2, 0}, {3, 1}, {130, 128}, {255, 253}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tap);
        CClickSynth synth;
        synth.SetKernel(Kernel({{c.tap, 228}}));  // (228 - 128) / 10 = 10
        const std::vector<uint8_t> out = Play(synth, 6, 1);
        for (int n = 0; n < static_cast<int>(out.size()); ++n) {
            const bool heard = n >= c.delay && n < c.delay + CClickSynth::kBlockSamples;
            ASSERT_EQ(out[static_cast<size_t>(n)], heard ? 138 : 128) << n;
        }
    }
}

TEST(ClickSynth, ClickBlockFollowsTheKernelsRunningSum) {
    // Taps small enough never to clip, mixed in sign.
    std::vector<uint8_t> k(CClickSynth::kKernelTaps);
    uint32_t x = 12345;
    for (uint8_t& s : k) {
        x = x * 1103515245u + 12345u;
        s = static_cast<uint8_t>(128 + static_cast<int>((x >> 16) % 21) - 10);
    }
    k[40] = 255;  // 12 after scaling
    k[41] = 0;    // -12 after scaling
    CClickSynth synth;
    synth.SetKernel(k);
    Block b{};
    synth.Synthesise(true, b);
    int sum = 0;
    for (int n = 0; n < CClickSynth::kBlockSamples; ++n) {
        if (n + 2 < CClickSynth::kKernelTaps) sum += (k[static_cast<size_t>(n + 2)] - 128) / 10;
        ASSERT_EQ(b[static_cast<size_t>(n)], 128 + sum) << n;
    }
}

TEST(ClickSynth, ScalingTruncatesTowardZeroAndTheOutputIsClipped) {
    struct Case {
        int sample;      // every kernel sample
        int afterFirst;  // the block's first output (one tap, the third)
        int last;        // the block's last output
    } cases[] = {
        {119, 128, 128},                         // -9 / 10 is 0, not -1
        {137, 128, 128},                         // 9 / 10 is 0
        {118, 127, 128 - 254}, {148, 130, 255},  // 2 a tap: past 127 above rest, clipped at 255
        {255, 140, 255},       {0, 116, 0},  // far below rest: held at 0 rather than wrapping round
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        CClickSynth synth;
        synth.SetKernel(
            std::vector<uint8_t>(CClickSynth::kKernelTaps, static_cast<uint8_t>(c.sample)));
        Block b{};
        synth.Synthesise(true, b);
        EXPECT_EQ(b[0], c.afterFirst);
        EXPECT_EQ(b[255], std::clamp(c.last, 0, 255));
    }
}

TEST(ClickSynth, ShortKernelLeavesTheMissingTapsAtRest) {
    CClickSynth synth;
    synth.SetKernel(std::vector<uint8_t>(10, 228));  // taps 0..9, 10 each
    Block b{};
    synth.Synthesise(true, b);
    EXPECT_EQ(b[0], 138);
    EXPECT_EQ(b[7], 128 + 80);    // taps 2..9
    EXPECT_EQ(b[255], 128 + 80);  // nothing added past tap 9
    EXPECT_EQ(synth.Kernel()[9], 100);
    EXPECT_EQ(synth.Kernel()[10], 0);
}

TEST(ClickSynth, ResetEmptiesTheRing) {
    CClickSynth synth;
    synth.SetKernel(Kernel({{2, 228}}));
    Block b{};
    synth.Synthesise(true, b);
    synth.Reset();
    synth.Synthesise(false, b);
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint8_t s) { return s == 128; }));
}

TEST(ClickSynth, ClickDecisionThresholds) {
    // click when r / 164 > -70 - 3 * level
    struct Case {
        int r;
        int level;
        bool click;
    } cases[] = {
        {32767, -90, false}, {0, -30, false},    {3443, -30, false},  {3444, -30, true},
        {18203, -60, false}, {18204, -60, true}, {28043, -80, false}, {28044, -80, true},
        {0, 0, true},        {32767, -89, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CClickSynth::IsClickBlock(c.r, c.level), c.click) << c.r << " " << c.level;
}

// ---------------------------------------------------------------- kernel file

std::vector<uint8_t> WaveHeader(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> h(44, 0);
    auto put16 = [&](size_t at, uint16_t v) {
        h[at] = static_cast<uint8_t>(v);
        h[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, static_cast<uint16_t>(v));
        put16(at + 2, static_cast<uint16_t>(v >> 16));
    };
    put16(20, tag);
    put16(22, channels);
    put32(24, rate);
    put32(28, rate * channels * bits / 8);
    put16(32, static_cast<uint16_t>(channels * bits / 8));
    put16(34, bits);
    return h;
}

TEST(WaveFile, FormatFromTheHeaderAndTheFirstSamples) {
    std::vector<uint8_t> file = WaveHeader(1, 1, 11025, 8);
    for (int i = 0; i < 300; ++i) file.push_back(static_cast<uint8_t>(i));
    CWaveFile wave;
    ASSERT_EQ(wave.Load(file, 256), 0);
    EXPECT_EQ(wave.GetFormat().nFormatTag, 1);
    EXPECT_EQ(wave.GetFormat().nChannels, 1);
    EXPECT_EQ(wave.GetFormat().nSamplesPerSec, 11025u);
    EXPECT_EQ(wave.GetFormat().nAvgBytesPerSec, 11025u);
    EXPECT_EQ(wave.GetFormat().nBlockAlign, 1);
    EXPECT_EQ(wave.GetFormat().wBitsPerSample, 8);
    EXPECT_EQ(wave.DataLength(), 300);
    ASSERT_EQ(wave.Samples().size(), 256u);
    EXPECT_EQ(wave.Samples()[255], 255);

    // From a file on disk: the same.
    const auto path = std::filesystem::temp_directory_path() / "orv-wavefile-test.wav";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    CWaveFile onDisk;
    ASSERT_EQ(onDisk.Open(path.string(), 256), 0);
    EXPECT_EQ(onDisk.Samples(), wave.Samples());
    EXPECT_EQ(onDisk.DataLength(), 300);
    EXPECT_EQ(onDisk.GetFormat().nSamplesPerSec, 11025u);
    std::filesystem::remove(path);
}

TEST(WaveFile, ShortFilesAndFilesThatCannotBeRead) {
    CWaveFile wave;
    const std::vector<uint8_t> header = WaveHeader(1, 1, 8000, 8);
    ASSERT_EQ(wave.Load(std::vector<uint8_t>(header.begin(), header.begin() + 30), 256), 0);
    EXPECT_EQ(wave.DataLength(), -14);
    EXPECT_EQ(wave.GetFormat().nSamplesPerSec, 8000u);
    EXPECT_EQ(wave.GetFormat().wBitsPerSample, 0);  // cut off
    EXPECT_TRUE(wave.Samples().empty());

    ASSERT_EQ(wave.Load({}, 256), 0);
    EXPECT_EQ(wave.GetFormat().nChannels, 0);

    EXPECT_EQ(wave.Open("/nonexistent-dir/spike.wav", 256), -1);
    EXPECT_EQ(wave.Open(std::filesystem::temp_directory_path().string(), 256), -1);
}

}  // namespace
