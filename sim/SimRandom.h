#pragma once

#include <cstdint>

// The simulator's own pseudo-random source (xoshiro256** seeded through
// splitmix64). The standard library's distributions are not used because
// their output may change between library versions, and a scenario run with
// a given seed must give the same bytes everywhere.
class CSimRandom {
public:
    explicit CSimRandom(uint64_t seed = 0);

    void Seed(uint64_t seed);
    // A generator whose stream depends only on this one's seed and `stream`,
    // so that adding draws in one part of the simulation leaves the others
    // unchanged.
    CSimRandom Fork(uint64_t stream) const;

    uint64_t Next();
    // Uniform in [0, 1).
    double Uniform();
    // Uniform in [low, high).
    double Uniform(double low, double high);
    // Uniform integer in [0, bound); 0 when bound is 0.
    uint32_t Below(uint32_t bound);
    bool Chance(double probability);
    // Standard normal deviate.
    double Normal();
    double Normal(double mean, double deviation) { return mean + deviation * Normal(); }
    // Exponential deviate with the given mean.
    double Exponential(double mean);
    // Poisson deviate with the given mean (normal approximation above 60).
    uint32_t Poisson(double mean);

private:
    uint64_t m_aState[4] = {};
    uint64_t m_nSeed = 0;
    bool m_bHaveSpare = false;
    double m_dSpare = 0.0;
};
