// The six clipping planes of the current view, with the box and sphere visibility tests, and the
// program's single view frustum, refreshed once per frame.
#pragma once
#include "render/vec3.h"

namespace qm {

class Frustum {
public:
    // Plane order; each plane (a, b, c, d) has a unit normal pointing inwards.
    enum Plane { RIGHT_PLANE, LEFT_PLANE, BOTTOM_PLANE, TOP_PLANE, FAR_PLANE, NEAR_PLANE };

    virtual ~Frustum() = default;

    // Reads the GL projection and model-view matrices and recomputes the planes.
    void extract();
    // The same from two column-major matrices.
    void extractFrom(const float projection[16], const float modelView[16]);
    // False only when the box lies wholly outside one plane (s < 0 for some plane).
    bool boxVisible(Vec3 centre, Vec3 halfExtent) const;
    // False when the centre lies at or beyond -radius from some plane.
    bool sphereVisible(Vec3 centre, float radius) const;

    float planes[6][4] = {};
    float absPlanes[6][4] = {};
};

// The program's one view frustum.
extern Frustum viewFrustum;

} // namespace qm
