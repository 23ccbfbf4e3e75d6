#include "world/track.h"
#include "assets/asset_stream.h"
#include "render/hermite.h"

namespace qm {
namespace {

constexpr const char* CORRIDOR_MEMBERS[TRACK_COUNT] = {"corr.ase", "corr2.ase", "corr3.ase",
                                                       "corr4.ase"};

// A frame for a zero tangent: straight ahead along +Y, level.
void levelFallback(TrackFrame& out)
{
    out.forward = Vec3(0, 1, 0);
    out.right = Vec3(1, 0, 0);
    out.up = Vec3(0, 0, 1);
}

} // namespace

void Track::load(const char* memberName)
{
    Vec3 filePoints[SECTION_COUNT];
    float fileSteer[SECTION_COUNT];
    AssetStream stream;
    stream.fetch(memberName);
    for (int i = 0; i < SECTION_COUNT; ++i) {
        stream.read(&filePoints[i].x, 4, 1);
        stream.read(&filePoints[i].y, 4, 1);
        stream.read(&filePoints[i].z, 4, 1);
        stream.read(&fileSteer[i], 4, 1);
    }
    stream.release();
    setPoints(filePoints, fileSteer);
}

void Track::setPoints(const Vec3* filePoints, const float* fileSteer)
{
    for (int i = 0; i < SECTION_COUNT; ++i) {
        points[i] = filePoints[i];
        steerValues[i] = -fileSteer[i];
    }
    points[SECTION_COUNT] = points[0];
    steerValues[SECTION_COUNT] = steerValues[0];
    deriveTangents();
}

void Track::deriveTangents()
{
    for (int i = 0; i < SECTION_COUNT; ++i) {
        int p = i == 0 ? SECTION_COUNT - 1 : i - 1;
        int n = i + 1;
        pointTangents[i] = centralTangent(points[p], points[i], points[n]);
        steerSlopes[i] = centralTangent(steerValues[p], steerValues[i], steerValues[n]);
    }
    pointTangents[SECTION_COUNT] = pointTangents[0];
    steerSlopes[SECTION_COUNT] = steerSlopes[0];
}

void Track::evaluate(int i, float t, TrackFrame& out) const
{
    if (i < 0 || i >= SECTION_COUNT) i = 0;  // never index outside the arrays
    int j = i + 1;
    out.position = hermite(points[i], points[j], pointTangents[i], pointTangents[j], t);
    out.tangent = hermiteDerivative(points[i], points[j], pointTangents[i], pointTangents[j], t);
    out.steer = hermite(steerValues[i], steerValues[j], steerSlopes[i], steerSlopes[j], t);
    out.forward = normalized(out.tangent);
    out.right = normalized(cross(out.forward, Vec3(0, 0, 1)));
    out.up = normalized(cross(out.right, out.forward));
    if (length(out.right) == 0.0f) levelFallback(out);
}

std::array<Track, TRACK_COUNT>& tracks()
{
    static std::array<Track, TRACK_COUNT> table;
    return table;
}

void loadTracks()
{
    for (int k = 0; k < TRACK_COUNT; ++k) tracks()[k].load(CORRIDOR_MEMBERS[k]);
}

void resetTracks()
{
    for (Track& track : tracks()) track = Track();
}

} // namespace qm
