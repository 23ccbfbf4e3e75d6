// Track corridors: closed Hermite curves of 233 sections along which the cars drive, with a
// steering angle per point. Four of them, loaded once at start-up, live in the table `tracks`.
#pragma once
#include "render/vec3.h"

#include <array>

namespace qm {

constexpr int SECTION_COUNT = 233;
// Per-point arrays hold one entry more than the sections: entry 233 repeats entry 0.
constexpr int TRACK_POINT_COUNT = SECTION_COUNT + 1;
constexpr int TRACK_COUNT = 4;

// A pose on a corridor; also the orientation of whatever stands there (x right, y forward, z up).
struct TrackFrame {
    Vec3 position;
    Vec3 right;     // horizontal, to the right of the direction of travel
    Vec3 forward;   // unit direction of travel
    Vec3 up;
    Vec3 tangent;   // derivative of the curve: world units per section, not normalised
    float steer;    // degrees

    virtual ~TrackFrame() = default;
};

class Track {
public:
    virtual ~Track() = default;

    // Reads 233 records of x, y, z, w (float32, little-endian) and derives the tangents and
    // slopes. Records missing from a short or absent member read as zeros.
    void load(const char* memberName);
    // Same derivation from points and file steering values already in memory (tools, tests).
    void setPoints(const Vec3* points, const float* fileSteer);
    // Pure: the pose at fraction t of section i (0..232). t outside [0, 1] extrapolates.
    void evaluate(int section, float fraction, TrackFrame& out) const;

    std::array<Vec3, TRACK_POINT_COUNT> points{};
    std::array<Vec3, TRACK_POINT_COUNT> pointTangents{};
    std::array<float, TRACK_POINT_COUNT> steerValues{};
    std::array<float, TRACK_POINT_COUNT> steerSlopes{};

private:
    void deriveTangents();
};

// The four corridors, in load order of "corr.ase", "corr2.ase", "corr3.ase", "corr4.ase".
std::array<Track, TRACK_COUNT>& tracks();
// Loads all four in that order.
void loadTracks();
// Empties the table again (tests).
void resetTracks();

} // namespace qm
