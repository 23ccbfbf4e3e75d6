#include "tools/mkdata/noise.h"

#include <cmath>

namespace qm {

uint32_t hashInts(int32_t a, int32_t b, int32_t seed)
{
    uint32_t h = uint32_t(seed) * 0x9E3779B1u;
    h ^= uint32_t(a) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= uint32_t(b) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float hashUnit(int32_t a, int32_t b, int32_t seed)
{
    return float(hashInts(a, b, seed) >> 8) / float(1u << 24);
}

namespace {

int wrapLattice(int i, int period)
{
    if (period <= 0)
        return i;
    int m = i % period;
    return m < 0 ? m + period : m;
}

float smooth(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

} // namespace

float valueNoise(float x, float y, int32_t seed, int period)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    float tx = smooth(x - fx), ty = smooth(y - fy);
    int x0 = wrapLattice(ix, period), x1 = wrapLattice(ix + 1, period);
    int y0 = wrapLattice(iy, period), y1 = wrapLattice(iy + 1, period);
    float a = hashUnit(x0, y0, seed), b = hashUnit(x1, y0, seed);
    float c = hashUnit(x0, y1, seed), d = hashUnit(x1, y1, seed);
    float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, int octaves, int32_t seed, int period)
{
    float sum = 0.0f, weight = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += valueNoise(x, y, seed + o * 1013, period) * weight;
        total += weight;
        x *= 2.0f;
        y *= 2.0f;
        if (period > 0)
            period *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

} // namespace qm
