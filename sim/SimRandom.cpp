#include "sim/SimRandom.h"

#include <cmath>
#include <numbers>

namespace {

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

}  // namespace

CSimRandom::CSimRandom(uint64_t seed) {
    Seed(seed);
}

void CSimRandom::Seed(uint64_t seed) {
    m_nSeed = seed;
    uint64_t s = seed;
    for (auto& word : m_aState) word = SplitMix(s);
    m_bHaveSpare = false;
    m_dSpare = 0.0;
}

CSimRandom CSimRandom::Fork(uint64_t stream) const {
    uint64_t s = m_nSeed ^ (stream * 0xD1B54A32D192ED03ULL);
    return CSimRandom(SplitMix(s));
}

uint64_t CSimRandom::Next() {
    const uint64_t result = Rotl(m_aState[1] * 5, 7) * 9;
    const uint64_t t = m_aState[1] << 17;
    m_aState[2] ^= m_aState[0];
    m_aState[3] ^= m_aState[1];
    m_aState[1] ^= m_aState[2];
    m_aState[0] ^= m_aState[3];
    m_aState[2] ^= t;
    m_aState[3] = Rotl(m_aState[3], 45);
    return result;
}

double CSimRandom::Uniform() {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

double CSimRandom::Uniform(double low, double high) {
    return low + (high - low) * Uniform();
}

uint32_t CSimRandom::Below(uint32_t bound) {
    if (bound == 0) return 0;
    // Multiply-shift: the tiny bias is irrelevant to a radio simulation.
    return static_cast<uint32_t>(((Next() >> 32) * bound) >> 32);
}

bool CSimRandom::Chance(double probability) {
    return Uniform() < probability;
}

double CSimRandom::Normal() {
    if (m_bHaveSpare) {
        m_bHaveSpare = false;
        return m_dSpare;
    }
    double u = 0.0;
    do {
        u = Uniform();
    } while (u <= 0.0);
    const double v = Uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    const double a = 2.0 * std::numbers::pi * v;
    m_dSpare = r * std::sin(a);
    m_bHaveSpare = true;
    return r * std::cos(a);
}

double CSimRandom::Exponential(double mean) {
    double u = 0.0;
    do {
        u = Uniform();
    } while (u <= 0.0);
    return -mean * std::log(u);
}

uint32_t CSimRandom::Poisson(double mean) {
    if (mean <= 0.0) return 0;
    if (mean > 60.0) {
        const double x = std::round(Normal(mean, std::sqrt(mean)));
        return x < 0.0 ? 0u : static_cast<uint32_t>(x);
    }
    const double limit = std::exp(-mean);
    uint32_t k = 0;
    double p = Uniform();
    while (p > limit) {
        ++k;
        p *= Uniform();
    }
    return k;
}
