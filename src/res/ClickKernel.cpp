#include "res/ClickKernel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "res/SoundResources.h"

namespace {

constexpr int kRate = 11025;
constexpr int kSamples = 256;
constexpr int kMaxStep = 12;
constexpr int kLead = 2;  // |sample - 128| <= 120 keeps every byte in range

std::vector<std::uint8_t> BuildKernel() {
    // The tick the engine will play, followed under a slew limit so that
    // each step (sample - 128) / 10 fits a byte, and pulled to zero at the end.
    // The first two samples stay at rest: the engine pairs them with the
    // decisions of a thousand samples earlier, which must not sound again.
    std::vector<std::uint8_t> bytes(kSamples, 128);
    int level = 0;
    for (int n = kLead; n < kSamples; ++n) {
        const double t = n - kLead;
        double target = 0.0;
        if (n < 200) {
            // A fast rise, an exponential fall and a faint ring on top.
            target =
                100.0 * std::min(1.0, t / 6.0) * std::exp(-t / 20.0) +
                18.0 * std::sin(2.0 * std::numbers::pi * 1800.0 * t / kRate) * std::exp(-t / 25.0);
        }
        const int remaining = kSamples - 1 - n;
        int want = static_cast<int>(std::lround(target));
        // Leave room to come back to zero by the last sample.
        want = std::clamp(want, -kMaxStep * remaining, kMaxStep * remaining);
        const int step = std::clamp(want - level, -kMaxStep, kMaxStep);
        level += step;
        bytes[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(128 + 10 * step);
    }
    return bytes;
}

}  // namespace

const std::vector<std::uint8_t>& ClickKernelWave() {
    static const auto* wave = new std::vector<std::uint8_t>(MakeWave(1, kRate, 8, BuildKernel()));
    return *wave;
}

int WriteClickKernel(const std::string& path) {
    const std::vector<std::uint8_t>& wave = ClickKernelWave();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return -1;
    const bool ok = std::fwrite(wave.data(), 1, wave.size(), f) == wave.size();
    const bool closed = std::fclose(f) == 0;
    return (ok && closed) ? 0 : -1;
}
