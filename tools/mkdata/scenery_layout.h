// Where the trackside buildings stand, so the buildings, the trees and later artwork agree.
#pragma once
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

} // namespace qm
