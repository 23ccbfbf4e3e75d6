#include "render/quat.h"
#include <cmath>

namespace qm {
namespace {

double quatDot(const Quat& a, const Quat& b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
}

Quat blend(const Quat& a, double k0, const Quat& b, double k1)
{
    return {float(k0 * a.x + k1 * b.x), float(k0 * a.y + k1 * b.y),
            float(k0 * a.z + k1 * b.z), float(k0 * a.w + k1 * b.w)};
}

} // namespace

Quat slerp(const Quat& a, const Quat& b, float t)
{
    // 1. The cosine of the angle between the two.
    double c = quatDot(a, b);
    // 2. Shortest arc: flip b onto a's hemisphere.
    Quat target = b;
    if (c < 0.0) {
        target = Quat(-b.x, -b.y, -b.z, -b.w);
        c = -c;
    }
    // 3. Weights: spherical unless the two are nearly equal.
    double k0 = 1.0 - t;
    double k1 = t;
    if (1.0 - c > SLERP_LINEAR_THRESHOLD) {
        double omega = std::acos(c);
        double s = std::sin(omega);
        k0 = std::sin((1.0 - t) * omega) / s;
        k1 = std::sin(t * omega) / s;
    }
    // 4. The weighted sum.
    return blend(a, k0, target, k1);
}

Quat quatSpline(const Quat& q0, const Quat& q1, const Quat& c0, const Quat& c1, float t)
{
    Quat a1 = slerp(q0, c0, t);
    Quat a2 = slerp(c0, c1, t);
    Quat a3 = slerp(c1, q1, t);
    Quat b1 = slerp(a1, a2, t);
    Quat b2 = slerp(a2, a3, t);
    return slerp(b1, b2, t);
}

} // namespace qm
