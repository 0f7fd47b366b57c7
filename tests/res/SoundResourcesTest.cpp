#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "res/ClickKernel.h"
#include "res/SoundResources.h"

namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
    return v;
}

std::string Tag(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

struct Wave {
    int channels = 0, rate = 0, bits = 0;
    std::vector<std::uint8_t> data;
};

// Parses a canonical PCM WAVE file the way a strict player would.
bool Parse(const std::vector<std::uint8_t>& b, Wave* w) {
    if (b.size() < 44 || Tag(b, 0) != "RIFF" || Tag(b, 8) != "WAVE" || Tag(b, 12) != "fmt ")
        return false;
    if (Le(b, 4, 4) != b.size() - 8 || Le(b, 16, 4) != 16 || Le(b, 20, 2) != 1) return false;
    w->channels = static_cast<int>(Le(b, 22, 2));
    w->rate = static_cast<int>(Le(b, 24, 4));
    w->bits = static_cast<int>(Le(b, 34, 2));
    const std::uint32_t align = Le(b, 32, 2);
    if (align != static_cast<std::uint32_t>(w->channels * w->bits / 8)) return false;
    if (Le(b, 28, 4) != w->rate * align) return false;
    if (Tag(b, 36) != "data" || Le(b, 40, 4) != b.size() - 44) return false;
    w->data.assign(b.begin() + 44, b.end());
    return true;
}

std::vector<int> Samples16(const Wave& w) {
    std::vector<int> s;
    for (std::size_t i = 0; i + 1 < w.data.size(); i += 2)
        s.push_back(static_cast<std::int16_t>(w.data[i] | (w.data[i + 1] << 8)));
    return s;
}

TEST(SoundCues, EachNamedCueIsAShortAudiblePcmWave) {
    std::vector<const std::vector<std::uint8_t>*> seen;
    for (const char* name : {"PING", "WHOOSH", "CAMERA", "REDALERT"}) {
        const auto* wav = FindSoundResource(name);
        ASSERT_NE(wav, nullptr) << name;
        Wave w;
        ASSERT_TRUE(Parse(*wav, &w)) << name;
        EXPECT_EQ(w.channels, 1);
        EXPECT_EQ(w.bits, 16);
        const std::vector<int> s = Samples16(w);
        const double seconds = static_cast<double>(s.size()) / w.rate;
        EXPECT_GT(seconds, 0.05) << name;
        EXPECT_LT(seconds, 1.5) << name;
        int peak = 0;
        for (int v : s) peak = std::max(peak, std::abs(v));
        EXPECT_GT(peak, 6000) << name;
        // Starts and ends at rest: no click when the cue starts or stops.
        EXPECT_LT(std::abs(s.front()), 200) << name;
        EXPECT_LT(std::abs(s.back()), 200) << name;
        for (const auto* other : seen) EXPECT_NE(*other, *wav) << name;
        seen.push_back(wav);
    }
}

TEST(SoundCues, NamesMatchWithoutRegardToCaseAndOnlyWhole) {
    const auto* ping = FindSoundResource("PING");
    EXPECT_EQ(FindSoundResource("ping"), ping);
    EXPECT_EQ(FindSoundResource("Ping"), ping);
    EXPECT_EQ(FindSoundResource("RedAlert"), FindSoundResource("REDALERT"));
    for (const char* bad : {"", "PIN", "PINGS", "RED ALERT", "PING\n"})
        EXPECT_EQ(FindSoundResource(bad), nullptr) << bad;
    EXPECT_EQ(FindSoundResource(std::string_view("PING\0", 5)), nullptr);
}

TEST(ClickKernel, CanonicalHeaderAndTwoHundredFiftySixSamples) {
    const auto& wav = ClickKernelWave();
    ASSERT_EQ(wav.size(), 44u + 256u);
    Wave w;
    ASSERT_TRUE(Parse(wav, &w));
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 8);
    EXPECT_GT(w.rate, 0);
}

// What the click engine plays from the kernel: for a block of clicks
// followed by silent blocks, the running sum of (kernel / 10) around 128.
TEST(ClickKernel, EngineOutputIsACrispTickThatSettlesWithoutClipping) {
    const auto& wav = ClickKernelWave();
    std::vector<int> kernel;
    for (std::size_t i = 44; i < 300; ++i) kernel.push_back(static_cast<int>(wav[i]) - 128);
    std::vector<int> ring(1024, 0);
    int write = 0, read = 1;
    std::vector<int> out;
    for (int block = 0; block < 6; ++block) {
        for (int n = 0; n < 256; ++n) {
            ring[static_cast<std::size_t>(write)] = block == 0 ? 1 : 0;
            write = (write + 1) % 1024;
            read = (read + 1) % 1024;
            int sum = 0;
            for (int i = 0; i < 256; ++i)
                sum += (kernel[static_cast<std::size_t>(i)] / 10) *
                       ring[static_cast<std::size_t>((read - i + 2048) % 1024)];
            out.push_back(sum + 128);
        }
    }
    int lo = 255, hi = 0;
    for (int v : out) lo = std::min(lo, v), hi = std::max(hi, v);
    EXPECT_GE(lo, 0);         // never wraps below zero
    EXPECT_LE(hi, 255);       // never clipped at the top
    EXPECT_GT(hi - lo, 100);  // clearly audible
    // After the click block and the echo of its end, output rests at 128,
    // also when the ring comes round to the click again.
    for (std::size_t i = 512; i < out.size(); ++i) ASSERT_EQ(out[i], 128) << i;
}

TEST(ClickKernel, WrittenFileHoldsTheSameBytes) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("orv_spike_" + std::to_string(::getpid()) + ".wav"))
                                 .string();
    ASSERT_EQ(WriteClickKernel(path), 0);
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, ClickKernelWave());
    std::remove(path.c_str());
    EXPECT_EQ(WriteClickKernel("/nonexistent-dir/spike.wav"), -1);
}

}  // namespace
