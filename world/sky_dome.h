// The sky: a textured dome centred on the eye, drawn first in every frame. The colour buffer is
// never cleared, so the dome is the background wherever nothing else is drawn.
#pragma once
#include "assets/texture.h"
#include "render/gl.h"
#include "render/vec3.h"

namespace qm {

// The display list of the mesh "skydome" (0 until loaded) and the sky picture.
GLuint& skyDomeList();
Texture& skyDomeTexture();
// True once a dome with faces was loaded; without one nothing covers the old picture.
bool skyDomeLoaded();

// Start-up: the mesh "skydome", then "skydome.jpg".
void loadSky();
// Forgets both (tests); the GL objects stay.
void resetSky();

// The dome around the eye: no depth test (so it writes no depth), no lighting, culling or
// blending, identity texture matrix, no sphere-map generation; culling and depth testing are on
// again afterwards.
void drawSkyDome(Vec3 eye);

} // namespace qm
