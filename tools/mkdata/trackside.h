// Layout of the trackside picture "gantry.jpg": two sponsor banners, the start lights and painted
// steel, stacked in v (bottom to top: steel, lights, banner B, banner A).
#pragma once
#include "tools/mkdata/image.h"

namespace qm {

struct TracksideBand {
    float v0, v1;   // kept a little inside the band so filtering does not reach the next one
};

constexpr int TRACKSIDE_PICTURE_SIZE = 512;
// Rows from the top of the picture: banner A 0..159, banner B 160..319, lights 320..415, steel
// 416..511; the steel is tall enough that the smaller mipmaps keep it grey.
constexpr TracksideBand TRACKSIDE_BANNER_A{0.697f, 0.998f};
constexpr TracksideBand TRACKSIDE_BANNER_B{0.381f, 0.682f};
constexpr TracksideBand TRACKSIDE_LIGHTS{0.197f, 0.365f};
constexpr TracksideBand TRACKSIDE_STEEL{0.03f, 0.16f};

// The whole picture, TRACKSIDE_PICTURE_SIZE square.
Image paintTrackside();

} // namespace qm
