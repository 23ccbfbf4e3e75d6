// Three-component float vector: world space is right-handed with +Z up.
#pragma once
#include <cmath>

namespace qm {

struct Vec3 {
    float x, y, z;
    Vec3() = default;  // components left unset, as every use assigns them first
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Vec3& operator+=(Vec3 b) { x += b.x; y += b.y; z += b.z; return *this; }
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3 operator/(Vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }

inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 a)
{
    return float(std::sqrt(double(a.x) * a.x + double(a.y) * a.y + double(a.z) * a.z));
}
// A zero vector stays zero rather than turning into NaNs.
inline Vec3 normalized(Vec3 a)
{
    float l = length(a);
    return l > 0.0f ? a / l : Vec3(0.0f, 0.0f, 0.0f);
}

} // namespace qm
