// Seeded random numbers and smooth noise for the data tools. Every picture
// and sound draws its randomness from here, so each build makes the same bytes.
#ifndef VANTREL_TOOLS_RANDOM_H
#define VANTREL_TOOLS_RANDOM_H

#include <cstdint>

namespace gen {

// xorshift64* generator: small, fast and identical on every platform.
class rng {
public:
    explicit rng(uint64_t seed) : m_state(seed ? seed : 0x9e3779b97f4a7c15ull) {}

    uint32_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return static_cast<uint32_t>((m_state * 0x2545f4914f6cdd1dull) >> 32);
    }

    // Uniform in [0, 1).
    float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    // Uniform in [-1, 1): the raw material of noise sounds.
    float signed_unit() { return 2.0f * uniform() - 1.0f; }
    // Uniform integer in [0, n); n must be positive.
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

private:
    uint64_t m_state;
};

// Smooth value noise in [0, 1] on an integer lattice, the same for the same
// seed and position; fbm sums octaves of it (also in [0, 1]).
float value_noise(float x, float y, uint32_t seed);
float fbm(float x, float y, uint32_t seed, int octaves);

}

#endif
