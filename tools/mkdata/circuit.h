// The built-in racing circuit: a closed, level, smooth centreline that the road, the scenery,
// and later the corridors, the light map and the camera scenes all follow.
#pragma once
#include "render/vec3.h"

#include <vector>

namespace qm {

// One place on the centreline, found by the distance driven from the start/finish line.
struct CircuitPoint {
    Vec3 position;      // on the centreline, z = ROAD_HEIGHT
    Vec3 forward;       // unit direction of travel (horizontal)
    Vec3 right;         // unit, horizontal, to the right of forward
    float curvature;    // 1 / radius; positive when the road bends left
    float distance;     // wrapped into 0 .. length
};

class Circuit {
public:
    static constexpr float ROAD_HEIGHT = 0.0f;
    static constexpr float ROAD_HALF_WIDTH = 1.6f;   // asphalt edge to centreline
    static constexpr float VERGE_WIDTH = 0.4f;       // sloping shoulder outside each edge
    static constexpr float VERGE_DROP = 0.3f;        // the shoulder ends this far below the road

    virtual ~Circuit() = default;

    // The one circuit of the built-in artwork, built on first use.
    static const Circuit& standard();

    // Builds the closed curve through the control points (x, y), in driving order.
    explicit Circuit(const std::vector<Vec3>& controlPoints);

    float length() const { return length_; }
    // Any distance is accepted; it wraps around the lap.
    CircuitPoint at(float distance) const;
    // Horizontal distance from (x, y) to the nearest point of the centreline.
    float distanceFrom(float x, float y) const;
    // Distance along the lap of the centreline point nearest to (x, y).
    float nearestDistance(float x, float y) const;
    // Smallest radius of curvature on the lap.
    float minimumRadius() const;

private:
    static constexpr int SAMPLES = 4096;   // evenly spaced by distance
    std::vector<Vec3> samples_;            // positions, samples_[i] at i * step_
    float length_ = 0.0f;
    float step_ = 0.0f;

    void resampleEvenly(const std::vector<Vec3>& dense);
};

} // namespace qm
