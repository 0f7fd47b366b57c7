#include "res/SoundResources.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr int kRate = 22050;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Samples in -1..1 to 16-bit little-endian PCM, with 3 ms fades at both ends
// so no cue starts or stops with a click.
std::vector<std::uint8_t> ToPcm16(const std::vector<double>& s) {
    std::vector<std::uint8_t> out;
    out.reserve(s.size() * 2);
    const std::size_t fade = kRate * 3 / 1000;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double g = 1.0;
        if (i < fade) g = static_cast<double>(i) / fade;
        if (s.size() - i <= fade) g = std::min(g, static_cast<double>(s.size() - i - 1) / fade);
        const double v = std::clamp(s[i] * g, -1.0, 1.0);
        const auto q = static_cast<std::int16_t>(std::lround(v * 32000.0));
        PutLe(out, static_cast<std::uint16_t>(q), 2);
    }
    return out;
}

// A deterministic noise source, so every run plays the same sound.
struct Noise {
    std::uint32_t state = 0x2545F491u;
    double Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

// A bell-like touch acknowledgement: a high partial over its octave, struck
// and left to ring out.
std::vector<double> Ping() {
    std::vector<double> s(static_cast<std::size_t>(kRate * 0.18));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double env = std::exp(-t * 22.0);
        s[i] = 0.55 * env *
               (std::sin(kTwoPi * 1568.0 * t) + 0.3 * std::sin(kTwoPi * 3136.0 * t) +
                0.12 * std::sin(kTwoPi * 4704.0 * t * 1.002));
    }
    return s;
}

// Air rushing past: noise through a resonant band-pass whose centre sweeps
// up and back down, swelling and fading.
std::vector<double> Whoosh() {
    std::vector<double> s(static_cast<std::size_t>(kRate * 0.42));
    Noise noise;
    double low = 0.0, band = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double p = static_cast<double>(i) / s.size();
        const double centre = 300.0 + 2600.0 * std::sin(std::numbers::pi * p);
        const double f = 2.0 * std::sin(std::numbers::pi * centre / kRate);
        const double q = 0.35;
        const double high = noise.Next() - low - q * band;
        band += f * high;
        low += f * band;
        const double env = std::sin(std::numbers::pi * p);
        s[i] = 0.9 * env * env * band;
    }
    return s;
}

// A shutter: a sharp opening click, a short whirr, and the closing click.
std::vector<double> Camera() {
    std::vector<double> s(static_cast<std::size_t>(kRate * 0.2));
    Noise noise;
    double hp = 0.0, prev = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double n = noise.Next();
        hp = 0.7 * (hp + n - prev);  // brighten the noise
        prev = n;
        double v = 0.0;
        v += hp * std::exp(-t * 180.0);
        if (t > 0.085) v += hp * std::exp(-(t - 0.085) * 140.0) * 0.9;
        if (t > 0.01 && t < 0.085)
            v += 0.12 * std::sin(kTwoPi * 420.0 * t) * std::sin(kTwoPi * 6.0 * t);
        s[i] = 0.8 * v;
    }
    return s;
}

// An alarm: three rounds of a falling two-tone call with soft-edged square
// tones, loud enough to be heard across a room but not harsh.
std::vector<double> RedAlert() {
    const double tone = 0.16;
    std::vector<double> s(static_cast<std::size_t>(kRate * tone * 6));
    double phase = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const int step = static_cast<int>(t / tone);
        const double freq = (step % 2 == 0) ? 988.0 : 740.0;
        phase += kTwoPi * freq / kRate;
        // The first three odd harmonics: a square wave with its edges rounded.
        const double v = std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5;
        const double within = t - step * tone;
        const double env = std::min(1.0, within / 0.006) * std::min(1.0, (tone - within) / 0.006);
        s[i] = 0.5 * env * v;
    }
    return s;
}

struct Cue {
    const char* name;
    std::vector<double> (*synth)();
};
constexpr std::array<Cue, 4> kCues = {
    {{"PING", Ping}, {"WHOOSH", Whoosh}, {"CAMERA", Camera}, {"REDALERT", RedAlert}}};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::vector<std::uint8_t> MakeWave(int channels, int sampleRate, int bitsPerSample,
                                   const std::vector<std::uint8_t>& samples) {
    std::vector<std::uint8_t> out;
    out.reserve(44 + samples.size());
    const auto data = static_cast<std::uint32_t>(samples.size());
    const auto align = static_cast<std::uint32_t>(channels * bitsPerSample / 8);
    PutTag(out, "RIFF");
    PutLe(out, 36 + data, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, static_cast<std::uint32_t>(channels), 2);
    PutLe(out, static_cast<std::uint32_t>(sampleRate), 4);
    PutLe(out, static_cast<std::uint32_t>(sampleRate) * align, 4);
    PutLe(out, align, 2);
    PutLe(out, static_cast<std::uint32_t>(bitsPerSample), 2);
    PutTag(out, "data");
    PutLe(out, data, 4);
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

const std::vector<std::uint8_t>* FindSoundResource(std::string_view name) {
    // Built together on first use; never destroyed, so the pointers handed
    // out stay valid while audio threads play them.
    static const auto* waves = [] {
        auto* all = new std::array<std::vector<std::uint8_t>, kCues.size()>();
        for (std::size_t i = 0; i < kCues.size(); ++i)
            (*all)[i] = MakeWave(1, kRate, 16, ToPcm16(kCues[i].synth()));
        return all;
    }();
    for (std::size_t i = 0; i < kCues.size(); ++i)
        if (SameName(name, kCues[i].name)) return &(*waves)[i];
    return nullptr;
}
