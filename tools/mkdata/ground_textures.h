// Layout of the ground pictures that the meshes map into.
#pragma once

namespace qm {

// Asphalt picture across the road: the verge takes u below this (and above 1 - this).
constexpr float ASPHALT_EDGE_U = 0.1f;

// The building picture's four bands in v (bottom to top): concrete, roof, pit front, crowd.
enum class BuildingBand { CONCRETE = 0, ROOF = 1, PIT_FRONT = 2, CROWD = 3 };
// v range of a band, kept a little inside it so filtering does not reach the next band.
inline float bandBottom(BuildingBand b) { return float(int(b)) * 0.25f + 0.006f; }
inline float bandTop(BuildingBand b) { return float(int(b) + 1) * 0.25f - 0.006f; }

// Tree picture: a fir in u 0..0.5 and a broad-leaved tree in u 0.5..1, both the full height.
constexpr float TREE_FIR_U = 0.0f;
constexpr float TREE_BROADLEAF_U = 0.5f;

} // namespace qm
