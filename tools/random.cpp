// Seeded random numbers and lattice value noise.
#include "random.h"

#include <cmath>

namespace gen {

namespace {
uint32_t lattice_hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9e3779b1u;
    h ^= static_cast<uint32_t>(x) * 0x85ebca77u;
    h ^= static_cast<uint32_t>(y) * 0xc2b2ae3du;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

float lattice_value(int32_t x, int32_t y, uint32_t seed)
{
    return static_cast<float>(lattice_hash(x, y, seed) >> 8) * (1.0f / 16777215.0f);
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }
}

float value_noise(float x, float y, uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    float tx = smooth(x - fx), ty = smooth(y - fy);
    float top = lattice_value(ix, iy, seed) * (1 - tx) + lattice_value(ix + 1, iy, seed) * tx;
    float bottom = lattice_value(ix, iy + 1, seed) * (1 - tx) + lattice_value(ix + 1, iy + 1, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

float fbm(float x, float y, uint32_t seed, int octaves)
{
    float sum = 0, weight = 0, amplitude = 1, scale = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * value_noise(x * scale, y * scale, seed + static_cast<uint32_t>(i) * 7919u);
        weight += amplitude;
        amplitude *= 0.5f;
        scale *= 2.0f;
    }
    return weight > 0 ? sum / weight : 0;
}

}
