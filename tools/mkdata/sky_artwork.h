// The sky dome and the pieces of the sun and its lens flare.
//
// The dome is a sphere centred on the eye. Its picture is a view of the whole sky from below,
// as a disc: the zenith in the middle of the picture, the horizon on a ring, SKIRT degrees below
// the horizon at the rim (plain ground from there down); the direction a texel stands for is
// azimuth = atan2(v - 0.5, u - 0.5) and elevation = 90 - 2 |(u, v) - (0.5, 0.5)| x (90 + SKIRT)
// degrees. This keeps the clouds overhead free of pinching and the picture free of seams.
#pragma once
#include "render/vec3.h"

namespace qm {

// Inside the camera's far plane (250 units), which would otherwise clip the dome away.
constexpr float SKY_DOME_RADIUS = 200.0f;
constexpr float SKY_SKIRT_DEGREES = 15.0f;
// The sun's fixed offset from the eye, as the sun sprite uses it; the sky's glow follows it.
constexpr Vec3 SUN_OFFSET{5.924f, 7.162f, 3.681f};

struct SkyTexel {
    float u, v;
};
// Texture coordinate of a direction given in degrees.
SkyTexel skyTexel(float azimuthDegrees, float elevationDegrees);

} // namespace qm
