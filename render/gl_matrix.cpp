#include "render/gl_matrix.h"
#include "render/gl.h"
#include <cmath>
#include <numbers>

namespace qm {

GLMatrix GLMatrix::identity()
{
    GLMatrix r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

GLMatrix quatToMatrix(const Quat& q)
{
    float xx = (2.0f * q.x) * q.x, yy = (2.0f * q.y) * q.y, zz = (2.0f * q.z) * q.z;
    float xy = (2.0f * q.x) * q.y, xz = (2.0f * q.x) * q.z, yz = (2.0f * q.y) * q.z;
    float wx = (2.0f * q.w) * q.x, wy = (2.0f * q.w) * q.y, wz = (2.0f * q.w) * q.z;
    GLMatrix r = GLMatrix::identity();
    r.m[0] = 1.0f - (yy + zz);
    r.m[1] = xy - wz;
    r.m[2] = xz + wy;
    r.m[4] = xy + wz;
    r.m[5] = 1.0f - (xx + zz);
    r.m[6] = yz - wx;
    r.m[8] = xz - wy;
    r.m[9] = yz + wx;
    r.m[10] = 1.0f - (xx + yy);
    return r;
}

void rotateAboutAxis(Vec3& v, float angleDegrees, Vec3 axis)
{
    double len = std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y +
                           double(axis.z) * axis.z);
    if (!(len > 0.0)) return;
    double x = axis.x / len, y = axis.y / len, z = axis.z / len;
    double a = double(angleDegrees) * std::numbers::pi / 180.0;
    double c = std::cos(a), s = std::sin(a), k = 1.0 - c;
    // Rows of glRotate's R, applied as columns: the result is R^T v.
    double r00 = x * x * k + c, r01 = x * y * k - z * s, r02 = x * z * k + y * s;
    double r10 = y * x * k + z * s, r11 = y * y * k + c, r12 = y * z * k - x * s;
    double r20 = x * z * k - y * s, r21 = y * z * k + x * s, r22 = z * z * k + c;
    double vx = v.x, vy = v.y, vz = v.z;
    v = Vec3(float(r00 * vx + r10 * vy + r20 * vz), float(r01 * vx + r11 * vy + r21 * vz),
             float(r02 * vx + r12 * vy + r22 * vz));
}

void multMatrixByBasis(Vec3 right, Vec3 forward, Vec3 up)
{
    GLMatrix b = GLMatrix::identity();
    b.m[0] = right.x;
    b.m[1] = right.y;
    b.m[2] = right.z;
    b.m[4] = forward.x;
    b.m[5] = forward.y;
    b.m[6] = forward.z;
    b.m[8] = up.x;
    b.m[9] = up.y;
    b.m[10] = up.z;
    glMultMatrixf(b.m);
}

} // namespace qm
