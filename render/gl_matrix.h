// 4x4 matrix in OpenGL column-major layout (m[4*c + r] is row r, column c), and the matrix helpers
// built on it: quaternion to matrix, rotation of a vector about an axis, basis onto the GL matrix.
#pragma once
#include "render/quat.h"
#include "render/vec3.h"

namespace qm {

struct GLMatrix {
    float m[16];

    static GLMatrix identity();
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
};

// The rotation by the conjugate of q read as a GL matrix: its rows are q applied to the axes,
// so (m[0], m[4], m[8]) is q(1, 0, 0) and (m[2], m[6], m[10]) is q(0, 0, 1).
GLMatrix quatToMatrix(const Quat& q);

// v becomes v rotated about the axis by minus the angle (degrees): the transpose of the rotation
// glRotate builds. Computed directly, so it touches no GL state; a zero axis leaves v unchanged.
void rotateAboutAxis(Vec3& v, float angleDegrees, Vec3 axis);

// Multiplies the current GL matrix on the right by the rotation whose columns are right,
// forward and up: an object's local axes (x right, y forward, z up) onto those directions.
void multMatrixByBasis(Vec3 right, Vec3 forward, Vec3 up);

} // namespace qm
