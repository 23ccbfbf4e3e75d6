// Where the trackside buildings stand, so the buildings, the trees and later artwork agree.
#pragma once
#include "render/vec3.h"

#include <string>
#include <vector>

namespace qm {

enum class BuildingKind { GRANDSTAND, PIT_BUILDING };

struct BuildingPlacement {
    std::string name;    // mesh name
    BuildingKind kind;
    float distance;      // where along the lap the building begins
    float side;          // +1 right of the direction of travel, -1 left
    float offset;        // from the centreline to the building's road-side face
    float length;        // along the road
    float depth;         // away from the road
};

const std::vector<BuildingPlacement>& buildingPlacements();

// True when (x, y) lies within margin of a building's ground plan.
bool nearBuilding(float x, float y, float margin);

// Nothing over the road hangs lower than this, so cars and low cameras pass beneath.
constexpr float OVERHEAD_CLEARANCE = 4.5f;

// Structures spanning the road (the start gantry and the banner bridges), by mesh name.
const std::vector<std::string>& overheadStructures();

// Tall poplars in rows beside the road, where the light throws their shadows across it.
struct RoadsideTree {
    Vec3 base;        // foot of the trunk
    float height;
    float halfWidth;  // of the crossed quads; the crown fills most of it
    float turn;       // direction of the first quad
};

const std::vector<RoadsideTree>& roadsideTrees();

} // namespace qm
