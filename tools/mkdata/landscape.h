// The ground around the circuit: gentle rolling grass, hills further out, and a flat band along
// the road that sits just below it. Its light is baked into vertex colours from the sun's direction.
#pragma once
#include "render/vec3.h"
#include "tools/mkdata/circuit.h"


namespace qm {

class Landscape {
public:
    // The ground reaches the far plane (250 units) from every place the camera can stand.
    static constexpr float MIN_X = -420.0f, MAX_X = 490.0f;
    static constexpr float MIN_Y = -380.0f, MAX_Y = 390.0f;
    // Along the road the ground is this far below it, out to FLAT_DISTANCE from the centreline,
    // so no terrain triangle can poke through the road or its verges.
    static constexpr float GROUND_BELOW_ROAD = 0.35f;
    static constexpr float FLAT_DISTANCE = 10.0f;
    static constexpr float BLEND_DISTANCE = 32.0f;   // natural ground from here on

    explicit Landscape(const Circuit& circuit) : circuit_(circuit) {}
    virtual ~Landscape() = default;
    static const Landscape& standard();

    const Circuit& circuit() const { return circuit_; }
    float height(float x, float y) const;
    // Height when the distance to the centreline is already known.
    float heightAt(float x, float y, float roadDistance) const;
    Vec3 normal(float x, float y) const;
    // Baked brightness 0 .. 1 of ground with this normal: 0.85 on level ground.
    static float sunlight(Vec3 normal);

private:
    const Circuit& circuit_;
};

} // namespace qm
