// A car's engine: three looping 3D samples (low, middle, high revs) cross-faded and pitched by
// the car's speed along its corridor, placed relative to the camera.
#pragma once
#include "render/vec3.h"

#include <cstdint>

namespace qm {

// The camera as the engines hear it: the director's eye and orientation of the previous frame.
struct ListenerPose {
    Vec3 eye{0, 0, 0};
    Vec3 viewDir{0, 1, 0};
    Vec3 viewUp{0, 0, 1};
};

class EngineSound {
public:
    virtual ~EngineSound() = default;

    // "low.ogg", "med.ogg", "max.ogg" into this car's own three samples (loop + 3D, one playback).
    void loadSamples();
    // Starts the three 3D channels and reads their default rates.
    void start();
    // Listener-relative position and velocity, then volume and rate from the engine value.
    void update(Vec3 carPosition, Vec3 carTangent, const ListenerPose& listener);

    // The engine value v of the last update: 105 x the speed in world units per section.
    int32_t engineValue() const { return engineValue_; }

    uint32_t samples[3] = {0, 0, 0};
    int32_t baseFrequencies[3] = {0, 0, 0};
    uint32_t channels[3] = {0, 0, 0};
    Vec3 position{0, 0, 0};
    Vec3 velocity{0, 0, 0};

private:
    int32_t engineValue_ = 0;
};

// Volume 0..100 of the cross-fade table: full from c to d, ramps b..c and d..e.
int32_t engineBand(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);
// Rate from low (a < d) to high (a > e), linear in between.
int32_t engineRamp(int32_t a, int32_t low, int32_t high, int32_t d, int32_t e);

} // namespace qm
