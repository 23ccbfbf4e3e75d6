// Quaternion (scalar part last) with spherical interpolation and the cubic quaternion spline.
#pragma once

namespace qm {

class Quat {
public:
    float x, y, z, w;

    Quat() = default;  // components left unset, as every use assigns them first
    constexpr Quat(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    Quat(const Quat&) = default;
    Quat& operator=(const Quat&) = default;
    virtual ~Quat() {}  // user-provided: a defaulted virtual one trips GCC 12 in constant evaluation
};

// Along the shorter arc; nearly equal inputs (1 - cos <= SLERP_LINEAR_THRESHOLD) blend linearly.
// t is not clamped; the result is not renormalised.
constexpr double SLERP_LINEAR_THRESHOLD = 0.0001;
Quat slerp(const Quat& a, const Quat& b, float t);

// Cubic Bezier from q0 to q1 with inner control points c0 (after q0) and c1 (before q1),
// evaluated by De Casteljau's construction with slerp at every step.
Quat quatSpline(const Quat& q0, const Quat& q1, const Quat& c0, const Quat& c1, float t);

} // namespace qm
