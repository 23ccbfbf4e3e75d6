// The four racing lanes of the built-in circuit as corridor members "corr.ase" .. "corr4.ase":
// 233 points each, spaced by a speed profile (tight corners slow, straights fast), with a steering
// angle that follows the curvature.
#pragma once
#include "render/vec3.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qm {

class DataSet;

constexpr int CORRIDOR_POINTS = 233;
constexpr int CORRIDOR_LANES = 4;
// Sideways offset of each lane from the centreline, in world units (cars are about 0.5 wide).
constexpr std::array<float, CORRIDOR_LANES> LANE_OFFSETS = {-1.05f, -0.35f, 0.35f, 1.05f};

struct CorridorPoint {
    Vec3 position;
    float fileSteer;   // as stored: the negated steering angle in degrees
};

// Distances along the lap (centreline) of the 233 points of a lane, in driving order.
std::vector<float> corridorDistances(int lane);
std::vector<CorridorPoint> corridorLane(int lane);
// 233 records of x, y, z, w, float32 little-endian.
std::vector<uint8_t> encodeCorridor(const std::vector<CorridorPoint>& points);

void addCorridors(DataSet& set);

} // namespace qm
