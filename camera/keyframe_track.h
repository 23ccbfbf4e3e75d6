// Keyframed camera moves: a list of (time, position, orientation) keys in a car's own frame,
// read from a scene file, prepared once into a Catmull-Rom position curve and a cubic quaternion
// curve, and sampled by the camera director every frame of a keyframed shot.
#pragma once
#include "render/quat.h"
#include "render/vec3.h"

#include <array>
#include <cstddef>
#include <vector>

namespace qm {

class AssetStream;

// Keyframe times are in clock units: the camera's clock runs 6 units per second.
constexpr float KEYFRAME_CLOCK_RATE = 6.0f;
constexpr int SCENE_COUNT = 17;

class Keyframe {
public:
    virtual ~Keyframe() = default;

    float time = 0.0f;                   // "time" line; 0 when the block has none
    bool frozen = false;                 // "freeze" line; kept, never consulted by playback
    Vec3 position{0, 0, 0};              // car frame, file units (x 0.1 gives world units)
    Vec3 gradient{0, 0, 0};              // position tangent, replaced by prepare
    Quat orientation{0, 0, 0, 0};        // x axis: viewing direction, z axis: up
    Quat inControl{0, 0, 0, 1};          // control point before this key (set by prepare)
    Quat outControl{0, 0, 0, 1};         // control point after this key (set by prepare)
};

struct KeyframeSample {
    Vec3 position;
    Quat orientation;
    bool ended;                          // no segment holds the time: the move is over
};

class KeyframeTrack {
public:
    virtual ~KeyframeTrack() = default;

    // Appends the keyframes of a scene file read from the stream's position. A block cut off by
    // the end of the stream is dropped; reading never goes past the end.
    void load(AssetStream& stream);
    // Tangents and quaternion control points from the neighbours; nothing for an unusable track.
    void prepare();
    // The pose at clock time T; allocates nothing. An unusable track reports ended at once.
    KeyframeSample sample(float time) const;

    // At least two keyframes: only such a track is prepared, sampled or chosen for a shot.
    bool usable() const { return keys_.size() >= 2; }
    size_t size() const { return keys_.size(); }
    const std::vector<Keyframe>& keyframes() const { return keys_; }
    // Time of the last keyframe: the length of the move in clock units (0 when empty).
    float duration() const { return keys_.empty() ? 0.0f : keys_.back().time; }
    void clear() { keys_.clear(); }

private:
    std::vector<Keyframe> keys_;
};

// The 17 keyframed camera moves, entry i read from "scene<i>.txt".
std::array<KeyframeTrack, SCENE_COUNT>& sceneTracks();
// For i = 0 to 16: fetch "scene<i>.txt", load it into entry i, release the stream, prepare.
void loadSceneTracks();
// Empties every scene track (tests).
void resetSceneTracks();

} // namespace qm
