#include "tools/mkdata/corridors.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/data_set.h"
#include "tools/little_endian.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qm {
namespace {

constexpr int PROFILE_SAMPLES = 2400;
// Spacing per section (world units) on the fastest straight.
constexpr float TOP_SPACING = 7.6f;
// How quickly the spacing may change per unit driven: braking is harder than accelerating.
constexpr float ACCELERATION = 0.018f;
constexpr float BRAKING = 0.035f;
// Lanes start a little apart along the lap, so cars on different lanes gain and lose on each other.
constexpr std::array<float, CORRIDOR_LANES> LANE_PHASE = {0.0f, 2.1f, 0.9f, 3.0f};
constexpr float WHEELBASE = 0.75f;
constexpr float STEER_GAIN = 4.0f;   // drawn steering is exaggerated so it reads on screen
constexpr float MAX_STEER = 22.0f;
constexpr float CORRIDOR_HEIGHT = 0.02f;   // just above the asphalt

// The sharpest curvature within a few units ahead and behind each profile sample.
std::vector<float> sampleCurvature(const Circuit& circuit)
{
    const float step = circuit.length() / PROFILE_SAMPLES;
    std::vector<float> out(PROFILE_SAMPLES);
    for (int i = 0; i < PROFILE_SAMPLES; ++i) {
        float curvature = 0.0f;
        for (int k = -3; k <= 3; ++k)
            curvature = std::max(curvature, std::fabs(circuit.at((i + k) * step).curvature));
        out[size_t(i)] = curvature;
    }
    return out;
}

// Wanted spacing along the lap: a speed limited by the curvature, then smoothed so the cars
// brake before a bend and accelerate out of it.
std::vector<float> spacingProfile(const Circuit& circuit, const std::vector<float>& sharpest, float grip)
{
    const float step = circuit.length() / PROFILE_SAMPLES;
    std::vector<float> v(PROFILE_SAMPLES);
    for (int i = 0; i < PROFILE_SAMPLES; ++i) {
        // The tightest radius near here sets the speed.
        const float curvature = sharpest[size_t(i)];
        const float radius = curvature > 0.0f ? 1.0f / curvature : 1e6f;
        // Spacing grows with the square root of the radius (a fixed sideways grip).
        v[i] = std::min(TOP_SPACING, grip * std::sqrt(radius));
    }
    // Around the lap twice in each direction so the limits settle across the start line.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 1; i <= PROFILE_SAMPLES; ++i) {
            float& here = v[i % PROFILE_SAMPLES];
            here = std::min(here, v[i - 1] + ACCELERATION * step);
        }
        for (int i = PROFILE_SAMPLES - 1; i >= -1; --i) {
            float& here = v[(i + PROFILE_SAMPLES) % PROFILE_SAMPLES];
            here = std::min(here, v[(i + 1) % PROFILE_SAMPLES] + BRAKING * step);
        }
    }
    return v;
}

double sectionsFor(const std::vector<float>& profile, float lapLength)
{
    const double step = lapLength / double(profile.size());
    double sections = 0;
    for (float spacing : profile) sections += step / spacing;
    return sections;
}

// The grip for which the profile closes the lap in exactly n sections at its own spacing, so the
// straights keep the top spacing after the final scaling.
std::vector<float> fittedProfile(const Circuit& circuit, int n)
{
    const std::vector<float> sharpest = sampleCurvature(circuit);   // the same for every grip tried
    float low = 0.01f, high = 10.0f;
    for (int k = 0; k < 40; ++k) {
        const float grip = 0.5f * (low + high);
        if (sectionsFor(spacingProfile(circuit, sharpest, grip), circuit.length()) > n) low = grip;
        else high = grip;
    }
    return spacingProfile(circuit, sharpest, high);
}

// Distances of n points whose spacing follows the profile, scaled so n sections close the lap.
std::vector<float> placePoints(const std::vector<float>& profile, float lapLength, int n)
{
    const float step = lapLength / float(profile.size());
    // Sections needed per sample: step / spacing; the total fixes the overall scale.
    std::vector<double> sections(profile.size() + 1, 0.0);
    for (size_t i = 0; i < profile.size(); ++i) sections[i + 1] = sections[i] + step / profile[i];
    const double scale = sections.back() / n;
    std::vector<float> distances(n);
    size_t i = 0;
    for (int k = 0; k < n; ++k) {
        const double target = k * scale;
        while (i + 1 < sections.size() - 1 && sections[i + 1] < target) ++i;
        const double span = sections[i + 1] - sections[i];
        const double t = span > 0 ? (target - sections[i]) / span : 0.0;
        distances[k] = float((double(i) + t) * step);
    }
    return distances;
}

} // namespace

std::vector<float> corridorDistances(int lane)
{
    const Circuit& circuit = Circuit::standard();
    static const std::vector<float> base =
        placePoints(fittedProfile(circuit, CORRIDOR_POINTS), circuit.length(), CORRIDOR_POINTS);
    std::vector<float> distances = base;
    for (float& d : distances) d = std::fmod(d + LANE_PHASE[size_t(lane)], circuit.length());
    return distances;
}

std::vector<CorridorPoint> corridorLane(int lane)
{
    const Circuit& circuit = Circuit::standard();
    std::vector<CorridorPoint> points;
    for (float d : corridorDistances(lane)) {
        const CircuitPoint c = circuit.at(d);
        Vec3 p = c.position + c.right * LANE_OFFSETS[size_t(lane)];
        p.z = Circuit::ROAD_HEIGHT + CORRIDOR_HEIGHT;
        // A left bend (positive curvature) turns the wheels left: a positive angle about +Z,
        // which the file stores negated.
        const float angle = std::atan(WHEELBASE * c.curvature) * STEER_GAIN * 57.29578f;
        const float steer = std::clamp(angle, -MAX_STEER, MAX_STEER);
        points.push_back({p, -steer});
    }
    return points;
}

std::vector<uint8_t> encodeCorridor(const std::vector<CorridorPoint>& points)
{
    std::vector<uint8_t> out;
    out.reserve(points.size() * 16);
    for (const CorridorPoint& p : points) {
        putFloat(out, p.position.x);
        putFloat(out, p.position.y);
        putFloat(out, p.position.z);
        putFloat(out, p.fileSteer);
    }
    return out;
}

void addCorridors(DataSet& set)
{
    static const char* const NAMES[CORRIDOR_LANES] = {"corr.ase", "corr2.ase", "corr3.ase",
                                                      "corr4.ase"};
    for (int lane = 0; lane < CORRIDOR_LANES; ++lane)
        set.add(NAMES[lane], encodeCorridor(corridorLane(lane)));
}

} // namespace qm
