// Deterministic procedural noise: integer hashing, tileable value noise and fractal sums.
#pragma once
#include <algorithm>
#include <cstdint>

namespace qm {

// A well-mixed 32-bit hash of a few integers; the same on every machine.
uint32_t hashInts(int32_t a, int32_t b, int32_t seed);
// hashInts mapped to [0, 1).
float hashUnit(int32_t a, int32_t b, int32_t seed);

// Smooth value noise in [0, 1]. With period > 0 the lattice wraps every period units in x and y,
// so a texture sampled over exactly one period tiles without seams.
float valueNoise(float x, float y, int32_t seed, int period = 0);

// 0 at edge0, 1 at edge1, a smooth cubic between (edge1 may lie below edge0).
inline float smoothStep(float edge0, float edge1, float x)
{
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Sum of octaves of valueNoise, each twice the frequency and half the weight; result in [0, 1].
float fractalNoise(float x, float y, int octaves, int32_t seed, int period = 0);

} // namespace qm
