// Cubic Hermite interpolation (track corridors, camera paths): value and derivative in t.
#pragma once
#include "render/vec3.h"

namespace qm {

// p0 at t = 0, p1 at t = 1; m0 and m1 are the derivatives with respect to t at the two ends.
inline float hermite(float p0, float p1, float m0, float m1, float t)
{
    float t2 = t * t;
    float t3 = t2 * t;
    float h00 = 2.0f * t3 - 3.0f * t2 + 1.0f;
    float h10 = t3 - 2.0f * t2 + t;
    float h01 = -2.0f * t3 + 3.0f * t2;
    float h11 = t3 - t2;
    return h00 * p0 + h10 * m0 + h01 * p1 + h11 * m1;
}

inline float hermiteDerivative(float p0, float p1, float m0, float m1, float t)
{
    float t2 = t * t;
    return 6.0f * (t2 - t) * p0 + (3.0f * t2 - 4.0f * t + 1.0f) * m0 + 6.0f * (t - t2) * p1 +
           (3.0f * t2 - 2.0f * t) * m1;
}

inline Vec3 hermite(Vec3 p0, Vec3 p1, Vec3 m0, Vec3 m1, float t)
{
    return {hermite(p0.x, p1.x, m0.x, m1.x, t), hermite(p0.y, p1.y, m0.y, m1.y, t),
            hermite(p0.z, p1.z, m0.z, m1.z, t)};
}

inline Vec3 hermiteDerivative(Vec3 p0, Vec3 p1, Vec3 m0, Vec3 m1, float t)
{
    return {hermiteDerivative(p0.x, p1.x, m0.x, m1.x, t),
            hermiteDerivative(p0.y, p1.y, m0.y, m1.y, t),
            hermiteDerivative(p0.z, p1.z, m0.z, m1.z, t)};
}

// Catmull-Rom tangent at current: half the central difference, computed as a + 0.5 (b - a) with
// a = current - previous and b = next - current, in that order.
template <typename T>
T centralTangent(T previous, T current, T next)
{
    T a = current - previous;
    T b = next - current;
    return a + (b - a) * 0.5f;
}

} // namespace qm
