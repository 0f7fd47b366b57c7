#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/AudioOutput.h"

namespace {

void Le16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Le32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    Le16(v, x & 0xFFFF);
    Le16(v, x >> 16);
}

// 8-bit mono PCM WAVE with a canonical 44-byte header.
std::vector<std::uint8_t> Wave8(const std::vector<std::uint8_t>& samples, int rate = 22050) {
    std::vector<std::uint8_t> w;
    auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
    tag("RIFF");
    Le32(w, 36 + static_cast<std::uint32_t>(samples.size()));
    tag("WAVE");
    tag("fmt ");
    Le32(w, 16);
    Le16(w, 1);
    Le16(w, 1);
    Le32(w, static_cast<std::uint32_t>(rate));
    Le32(w, static_cast<std::uint32_t>(rate));
    Le16(w, 1);
    Le16(w, 8);
    tag("data");
    Le32(w, static_cast<std::uint32_t>(samples.size()));
    w.insert(w.end(), samples.begin(), samples.end());
    return w;
}

class Audio : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

}  // namespace

TEST_F(Audio, MalformedWavesAreRefusedWithoutReadingPastTheirEnd) {
    CAudioOutput out;
    out.Open(true);
    const auto good = Wave8(std::vector<std::uint8_t>(100, 200));
    EXPECT_EQ(out.PlayWave(good), 0);
    EXPECT_EQ(out.PlayWave({}), -1);
    EXPECT_EQ(out.PlayWave(std::span(good).first(11)), -1);
    // Every truncation of a good file is either refused or played safely.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        const int r = out.PlayWave(cut);
        if (n < 44) {
            EXPECT_EQ(r, -1) << n;
        }
    }
    auto huge = good;
    huge[40] = 0xFF;  // data chunk claims 4 GB
    huge[41] = 0xFF;
    huge[42] = 0xFF;
    huge[43] = 0xFF;
    EXPECT_EQ(out.PlayWave(huge), 0);  // plays what is there
    auto notPcm = good;
    notPcm[20] = 3;  // float format
    EXPECT_EQ(out.PlayWave(notPcm), -1);
    auto zeroRate = good;
    std::memset(&zeroRate[24], 0, 4);
    EXPECT_EQ(out.PlayWave(zeroRate), -1);
}

TEST_F(Audio, CuesAreMixedAndEnd) {
    CAudioOutput out;
    if (out.Open() != 0) GTEST_SKIP() << "no SDL audio driver";
    // The test pulls the mix itself.
    out.SetPaused(true);
    const auto cue = Wave8(std::vector<std::uint8_t>(2205, 128 + 32));  // 0.1 s of +0.25
    ASSERT_EQ(out.PlayWave(cue), 0);
    ASSERT_EQ(out.PlayWave(cue), 0);
    std::vector<std::int16_t> buf(64);
    out.Render(buf);
    // Two overlapping cues sum.
    EXPECT_EQ(buf[0], 2 * (32 << 8));
    std::vector<std::int16_t> rest(22050);
    out.Render(rest);
    EXPECT_EQ(out.ActiveCueCount(), 0);
    // Loud cues clip instead of wrapping round.
    const auto loud = Wave8(std::vector<std::uint8_t>(2205, 255));
    for (int i = 0; i < 4; ++i) out.PlayWave(loud);
    out.Render(buf);
    EXPECT_EQ(buf[0], 32767);
}

TEST_F(Audio, StreamBlocksAreConsumedAndTheProducerIsPaced) {
    CAudioOutput out;
    out.Open(true);  // null sink: blocks take their playing time
    const WaveFormat fmt{11025, 1, 8};
    ASSERT_EQ(out.OpenStream(fmt), 0);
    std::vector<std::uint8_t> block(256, 128);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(out.QueueBlock(block), 0);
        ASSERT_TRUE(out.WaitStreamDrained(std::chrono::seconds(2)));
    }
    // 4 x 256 samples at 11025 Hz is about 93 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
    EXPECT_EQ(out.QueueBlock({}), -1);
    out.CloseStream();
    EXPECT_EQ(out.QueueBlock(block), -1);
    EXPECT_EQ(out.OpenStream(WaveFormat{0, 1, 8}), -1);
    EXPECT_EQ(out.OpenStream(WaveFormat{22050, 1, 12}), -1);
    const WaveFormat wide{22050, 1, 16};
    ASSERT_EQ(out.OpenStream(wide), 0);
    EXPECT_EQ(out.QueueBlock(std::span(block).first(3)), -1);  // half a sample
}

TEST_F(Audio, StreamPlaysThroughTheDevice) {
    CAudioOutput out;
    if (out.Open() != 0) GTEST_SKIP() << "no SDL audio driver";
    ASSERT_EQ(out.OpenStream(WaveFormat{22050, 1, 8}), 0);
    std::vector<std::uint8_t> block(256, 200);
    ASSERT_EQ(out.QueueBlock(block), 0);
    EXPECT_TRUE(out.WaitStreamDrained(std::chrono::seconds(5)));
}

TEST(AudioDriverChoice, OnlyDevicesThatExistAreTriedAndANamedOneAlone) {
    struct Case {
        const char* requested;
        bool bPipeWire, bPulse, bAlsa;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"", true, true, true, {"pipewire", "pulseaudio", "alsa"}},
        {"", true, false, false, {"pipewire", "pulseaudio"}},
        {"", false, true, false, {"pulseaudio"}},
        {"", false, false, true, {"alsa"}},
        // No server and no card: nothing is tried, so ALSA has nothing to
        // complain about.
        {"", false, false, false, {}},
        {"dummy", false, false, false, {"dummy"}},
        {"alsa", true, true, true, {"alsa"}},
    };
    for (const Case& c : cases) {
        AudioSystem sys;
        sys.strRequested = c.requested;
        sys.bPipeWire = c.bPipeWire;
        sys.bPulse = c.bPulse;
        sys.bAlsaPlayback = c.bAlsa;
        EXPECT_EQ(AudioDriverCandidates(sys), c.expected) << c.requested;
    }
}
