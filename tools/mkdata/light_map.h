// The window of the world the cars' light map covers and the light its shadows are cast from.
#pragma once
#include "render/vec3.h"
#include "tools/mkdata/data_set.h"
#include "tools/mkdata/image.h"

namespace qm {

constexpr int LIGHT_MAP_PIXELS = 1024;
constexpr float LIGHT_MAP_WIDTH = 467.673f, LIGHT_MAP_HEIGHT = 306.049f;
constexpr float LIGHT_MAP_X0 = 36.631f - LIGHT_MAP_WIDTH / 2.0f;
constexpr float LIGHT_MAP_Y0 = 0.895f - LIGHT_MAP_HEIGHT / 2.0f;
// The point light the cars are lit by.
constexpr Vec3 LIGHT_MAP_LIGHT{6000.0f, 6000.0f, 14000.0f};
// Share of the light a full shadow takes away.
constexpr float LIGHT_MAP_SHADOW_DEPTH = 0.55f;

// The map as a picture (rows from the top; the top row is the window's far y edge), baked from
// the building and tree meshes already in the set.
Image bakeLightMap(const DataSet& set);

} // namespace qm
