#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/RadioEnvironment.h"
#include "sim/Scenario.h"
#include "sim/SimRandom.h"

namespace {

CScenario Make(const std::string& json) {
    CScenario s;
    std::string error;
    EXPECT_EQ(CScenario::Parse(json, "t.json", s, error), 0) << error;
    return s;
}

// The delay-spread screen's computation, in taps.
double RmsSpreadTaps(const std::array<int8_t, 88>& iq) {
    double s0 = 0, s1 = 0, s2 = 0;
    for (int t = 0; t < 44; ++t) {
        const double p = iq[2 * t] * iq[2 * t] + iq[2 * t + 1] * iq[2 * t + 1];
        s0 += p;
        s1 += t * p;
        s2 += t * t * p;
    }
    const double mean = s1 / s0;
    return std::sqrt(std::max(0.0, s2 / s0 - mean * mean));
}

}  // namespace

TEST(SimRandom, StreamsAreReproducibleAndIndependent) {
    CSimRandom a(99), b(99), c(100);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a.Next(), b.Next());
    EXPECT_NE(CSimRandom(99).Next(), c.Next());
    EXPECT_NE(CSimRandom(99).Fork(1).Next(), CSimRandom(99).Fork(2).Next());
    // Known first output: the sequence must not change between builds.
    EXPECT_EQ(CSimRandom(0).Next(), 0x99EC5F36CB75F2B4ULL);

    CSimRandom r(5);
    double sum = 0, squares = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const double x = r.Normal();
        sum += x;
        squares += x * x;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.05);
    EXPECT_NEAR(squares / n, 1.0, 0.05);
    uint64_t poisson = 0;
    for (int i = 0; i < n; ++i) poisson += r.Poisson(3.0);
    EXPECT_NEAR(static_cast<double>(poisson) / n, 3.0, 0.1);
    for (int i = 0; i < 1000; ++i) EXPECT_LT(r.Below(7), 7u);
    EXPECT_EQ(r.Below(0), 0u);
}

TEST(RadioEnvironment, LevelFallsWithDistanceAndIsClamped) {
    const CScenario s = Make(R"({"radio": {"shadowing_db": 0},
      "access_points": [{"mac": "00:00:00:00:00:01", "channel": 6, "position_m": [100, 0],
                         "tx_power_dbm": 20}]})");
    CRadioEnvironment env(s, 1);
    std::vector<double> levels;
    for (double east : {99.0, 90.0, 50.0, 0.0, -400.0}) {
        env.SetInstrumentPosition(east, 0.0);
        levels.push_back(env.MeanLevelDbm(0));
    }
    for (size_t i = 1; i < levels.size(); ++i) EXPECT_LT(levels[i], levels[i - 1]);
    // At ten times the distance, 30 dB less with an exponent of 3.
    env.SetInstrumentPosition(90.0, 0.0);
    const double at10 = env.MeanLevelDbm(0);
    env.SetInstrumentPosition(0.0, 0.0);
    EXPECT_NEAR(at10 - env.MeanLevelDbm(0), 30.0, 0.2);
    EXPECT_EQ(CRadioEnvironment::ClampLevel(-5.0), -20.0);
    EXPECT_EQ(CRadioEnvironment::ClampLevel(-130.0), -100.0);
    // Heard on a neighbouring channel only weaker, and not at all far off.
    EXPECT_LT(env.HeardLevelDbm(0, 7), env.HeardLevelDbm(0, 6));
    EXPECT_LT(env.HeardLevelDbm(0, 1), -150.0);
}

TEST(RadioEnvironment, InterferenceRaisesTheNoiseOfItsChannels) {
    const CScenario s = Make(R"({"radio": {"noise_floor_dbm": -96},
      "interference": [{"center_mhz": 2452, "width_mhz": 10, "level_dbm": -70, "duty": 1}]})");
    CRadioEnvironment env(s, 1);
    EXPECT_NEAR(env.NoiseDbm(1), -96.0, 0.01);
    EXPECT_GT(env.NoiseDbm(9), -71.0);
    EXPECT_GT(env.NoiseDbm(9), env.NoiseDbm(6));
    CSimRandom r(1);
    for (int i = 0; i < 200; ++i) {
        const int reading = env.NoiseReading(1, r);
        EXPECT_NE(reading, 0);
        EXPECT_NEAR(reading, -96, 5);
    }
}

TEST(RadioEnvironment, ChannelEstimateFollowsTheDelaySpread) {
    const CScenario s = Make(R"({"access_points": [
      {"mac": "00:00:00:00:00:01", "position_m": [10, 0], "delay_spread_ns": 20},
      {"mac": "00:00:00:00:00:02", "position_m": [10, 0], "delay_spread_ns": 250}]})");
    CRadioEnvironment env(s, 1);
    CSimRandom r(3);
    double shortSpread = 0, longSpread = 0;
    std::array<int8_t, 88> first{}, iq{};
    const int frames = 200;
    for (int f = 0; f < frames; ++f) {
        env.ChannelEstimate(0, 30.0, r, iq);
        shortSpread += RmsSpreadTaps(iq);
        if (f == 0) first = iq;
        env.ChannelEstimate(1, 30.0, r, iq);
        longSpread += RmsSpreadTaps(iq);
        for (int8_t v : iq) EXPECT_GE(v, -127);
    }
    shortSpread /= frames;
    longSpread /= frames;
    // 250 ns is eleven taps of 22.7 ns; 20 ns is under one.
    EXPECT_LT(shortSpread, 2.0);
    EXPECT_GT(longSpread, 5.0);
    // Phases are drawn anew for every frame.
    env.ChannelEstimate(0, 30.0, r, iq);
    EXPECT_NE(iq, first);
}

TEST(RadioEnvironment, FramesFailMoreOftenAtLowSignalToNoise) {
    for (int rate = 0; rate < 4; ++rate) {
        EXPECT_LT(CRadioEnvironment::ValidProbability(0.0, rate), 0.2);
        EXPECT_GT(CRadioEnvironment::ValidProbability(30.0, rate), 0.99);
        EXPECT_LT(CRadioEnvironment::ValidProbability(8.0, rate),
                  CRadioEnvironment::ValidProbability(12.0, rate));
    }
    // Faster rates need more signal.
    EXPECT_GT(CRadioEnvironment::ValidProbability(8.0, 0),
              CRadioEnvironment::ValidProbability(8.0, 3));
}

TEST(RadioEnvironment, SweepShowsAHumpAroundTheChannel) {
    const CScenario s = Make(R"({"radio": {"noise_floor_dbm": -96, "shadowing_db": 0},
      "access_points": [{"mac": "00:00:00:00:00:01", "channel": 6, "position_m": [5, 0],
                         "tx_power_dbm": 10, "activity": 1}]})");
    CRadioEnvironment env(s, 1);
    CSimRandom r(2);
    constexpr int kPoints = 273;
    const double step = 100.0 / (kPoints - 1);
    // The median of many sweeps at each point: the level while on the air.
    const int sweeps = 101;
    std::vector<std::vector<double>> seen(kPoints);
    for (int k = 0; k < sweeps; ++k) {
        int16_t levels[kPoints];
        env.Sweep(2400.0, step, kPoints, r, levels);
        for (int p = 0; p < kPoints; ++p) seen[p].push_back(levels[p] / 256.0);
    }
    auto at = [&](double mhz) {
        auto& values = seen[static_cast<size_t>(std::lround((mhz - 2400.0) / step))];
        std::nth_element(values.begin(), values.begin() + sweeps / 2, values.end());
        return values[sweeps / 2];
    };
    const double centre = at(2437.0);
    EXPECT_NEAR(centre, env.MeanLevelDbm(0), 4.0);
    // Main lobe 22 MHz wide: well above the floor within it, near the
    // floor beyond it.
    EXPECT_GT(at(2432.0), centre - 6.0);
    EXPECT_GT(at(2442.0), centre - 6.0);
    EXPECT_LT(at(2449.0), centre - 20.0);
    EXPECT_LT(at(2425.0), centre - 20.0);
    EXPECT_NEAR(at(2480.0), -96.0, 3.0);
    EXPECT_NEAR(at(2402.0), -96.0, 3.0);
}
