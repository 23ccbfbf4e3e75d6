#include "render/frustum.h"
#include "render/gl.h"

#include <cmath>

namespace qm {

Frustum viewFrustum;

namespace {

// Plane i = row 3 + sign x row axis, in the plane order right, left, bottom, top, far, near.
struct PlaneRule {
    int axis;
    float sign;
};
constexpr PlaneRule PLANE_RULES[6] = {{0, -1}, {0, 1}, {1, 1}, {1, -1}, {2, -1}, {2, 1}};

void multiply(const float p[16], const float m[16], float c[16])
{
    for (int col = 0; col < 4; ++col)
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += p[4 * k + r] * m[4 * col + k];
            c[4 * col + r] = sum;
        }
}

void normalisePlane(float plane[4])
{
    const double length = std::sqrt(double(plane[0]) * plane[0] + double(plane[1]) * plane[1] +
                                    double(plane[2]) * plane[2]);
    if (!(length > 0.0)) return;  // a degenerate plane stays as it is rather than becoming NaNs
    for (int k = 0; k < 4; ++k) plane[k] = float(plane[k] / length);
}

} // namespace

void Frustum::extract()
{
    float projection[16], modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    extractFrom(projection, modelView);
}

void Frustum::extractFrom(const float projection[16], const float modelView[16])
{
    float c[16];
    multiply(projection, modelView, c);
    for (int i = 0; i < 6; ++i) {
        const PlaneRule rule = PLANE_RULES[i];
        // Row j of C is (c[j], c[4 + j], c[8 + j], c[12 + j]).
        for (int k = 0; k < 4; ++k) planes[i][k] = c[4 * k + 3] + rule.sign * c[4 * k + rule.axis];
        normalisePlane(planes[i]);
        for (int k = 0; k < 4; ++k) absPlanes[i][k] = std::fabs(planes[i][k]);
    }
}

bool Frustum::boxVisible(Vec3 centre, Vec3 halfExtent) const
{
    for (int i = 0; i < 6; ++i) {
        const float* p = planes[i];
        const float* a = absPlanes[i];
        const float s = p[0] * centre.x + p[1] * centre.y + p[2] * centre.z + p[3] +
                        a[0] * halfExtent.x + a[1] * halfExtent.y + a[2] * halfExtent.z;
        if (s < 0) return false;
    }
    return true;
}

bool Frustum::sphereVisible(Vec3 centre, float radius) const
{
    for (const auto& p : planes)
        if (p[0] * centre.x + p[1] * centre.y + p[2] * centre.z + p[3] <= -radius) return false;
    return true;
}

} // namespace qm
