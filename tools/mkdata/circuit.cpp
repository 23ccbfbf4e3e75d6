#include "tools/mkdata/circuit.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Driving order, anticlockwise seen from above; the lap starts on the main straight (y = -96),
// heading +x. Everything stays inside the area the light map covers (x -197..270, y -152..154).
const std::vector<Vec3> CONTROL_POINTS = {
    {-60.0f, -96.0f, 0.0f},  {20.0f, -97.0f, 0.0f},   {100.0f, -97.0f, 0.0f},  {170.0f, -95.0f, 0.0f},
    {204.0f, -78.0f, 0.0f},  {214.0f, -44.0f, 0.0f},  {194.0f, -14.0f, 0.0f},  {154.0f, -4.0f, 0.0f},
    {124.0f, 14.0f, 0.0f},   {122.0f, 46.0f, 0.0f},   {144.0f, 74.0f, 0.0f},   {186.0f, 88.0f, 0.0f},
    {206.0f, 110.0f, 0.0f},  {184.0f, 132.0f, 0.0f},  {124.0f, 128.0f, 0.0f},  {62.0f, 108.0f, 0.0f},
    {18.0f, 118.0f, 0.0f},   {-32.0f, 130.0f, 0.0f},  {-92.0f, 122.0f, 0.0f},  {-130.0f, 92.0f, 0.0f},
    {-122.0f, 52.0f, 0.0f},  {-148.0f, 18.0f, 0.0f},  {-166.0f, -28.0f, 0.0f}, {-160.0f, -72.0f, 0.0f},
    {-132.0f, -93.0f, 0.0f},
};

constexpr int SPAN_SAMPLES = 96;

Vec3 wrapAt(const std::vector<Vec3>& v, int i)
{
    int n = int(v.size());
    return v[((i % n) + n) % n];
}

// Centripetal Catmull-Rom between p1 and p2: no cusps or loops however uneven the spacing.
Vec3 catmullRom(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, float t)
{
    auto knot = [](Vec3 a, Vec3 b) { return std::sqrt(std::max(length(b - a), 1e-6f)); };
    float t0 = 0.0f, t1 = t0 + knot(p0, p1), t2 = t1 + knot(p1, p2), t3 = t2 + knot(p2, p3);
    float u = t1 + (t2 - t1) * t;
    Vec3 a1 = p0 * ((t1 - u) / (t1 - t0)) + p1 * ((u - t0) / (t1 - t0));
    Vec3 a2 = p1 * ((t2 - u) / (t2 - t1)) + p2 * ((u - t1) / (t2 - t1));
    Vec3 a3 = p2 * ((t3 - u) / (t3 - t2)) + p3 * ((u - t2) / (t3 - t2));
    Vec3 b1 = a1 * ((t2 - u) / (t2 - t0)) + a2 * ((u - t0) / (t2 - t0));
    Vec3 b2 = a2 * ((t3 - u) / (t3 - t1)) + a3 * ((u - t1) / (t3 - t1));
    return b1 * ((t2 - u) / (t2 - t1)) + b2 * ((u - t1) / (t2 - t1));
}

float segmentDistanceSquared(float x, float y, Vec3 a, Vec3 b)
{
    float dx = b.x - a.x, dy = b.y - a.y;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0.0f ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    float ex = a.x + dx * t - x, ey = a.y + dy * t - y;
    return ex * ex + ey * ey;
}

} // namespace

const Circuit& Circuit::standard()
{
    static const Circuit circuit(CONTROL_POINTS);
    return circuit;
}

Circuit::Circuit(const std::vector<Vec3>& controlPoints)
{
    std::vector<Vec3> dense;
    int n = int(controlPoints.size());
    dense.reserve(size_t(n) * SPAN_SAMPLES);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < SPAN_SAMPLES; ++k)
            dense.push_back(catmullRom(wrapAt(controlPoints, i - 1), wrapAt(controlPoints, i),
                                       wrapAt(controlPoints, i + 1), wrapAt(controlPoints, i + 2),
                                       float(k) / SPAN_SAMPLES));
    resampleEvenly(dense);
}

// Walks the dense polyline and drops a sample every step_ of arc length.
void Circuit::resampleEvenly(const std::vector<Vec3>& dense)
{
    double total = 0.0;
    for (size_t i = 0; i < dense.size(); ++i)
        total += qm::length(dense[(i + 1) % dense.size()] - dense[i]);
    length_ = float(total);
    step_ = length_ / SAMPLES;
    samples_.clear();
    samples_.reserve(SAMPLES);
    double walked = 0.0;
    size_t seg = 0;
    for (int k = 0; k < SAMPLES; ++k) {
        double want = double(k) * step_;
        for (;;) {
            Vec3 a = dense[seg], b = dense[(seg + 1) % dense.size()];
            double segLen = qm::length(b - a);
            if (walked + segLen >= want || seg + 1 == dense.size()) {
                float t = segLen > 0.0 ? float((want - walked) / segLen) : 0.0f;
                Vec3 p = a + (b - a) * std::clamp(t, 0.0f, 1.0f);
                samples_.push_back({p.x, p.y, ROAD_HEIGHT});
                break;
            }
            walked += segLen;
            ++seg;
        }
    }
}

CircuitPoint Circuit::at(float distance) const
{
    float d = std::fmod(distance, length_);
    if (d < 0.0f)
        d += length_;
    float f = d / step_;
    int i = int(f);
    float t = f - float(i);
    auto s = [&](int k) { return wrapAt(samples_, k); };
    CircuitPoint p;
    p.distance = d;
    p.position = catmullRom(s(i - 1), s(i), s(i + 1), s(i + 2), t);
    p.position.z = ROAD_HEIGHT;
    Vec3 ahead = s(i + 2) - s(i);
    Vec3 behind = s(i + 1) - s(i - 1);
    p.forward = normalized(behind * (1.0f - t) + ahead * t);
    p.right = normalized(cross(p.forward, Vec3(0.0f, 0.0f, 1.0f)));
    // Turn of the direction over a few metres either side.
    constexpr int SPREAD = 6;
    Vec3 f0 = normalized(s(i + 1 - SPREAD) - s(i - SPREAD));
    Vec3 f1 = normalized(s(i + 1 + SPREAD) - s(i + SPREAD));
    float turn = std::atan2(cross(f0, f1).z, dot(f0, f1));
    p.curvature = turn / (2.0f * SPREAD * step_);
    return p;
}

float Circuit::distanceFrom(float x, float y) const
{
    float best = 1e30f;
    for (size_t i = 0; i < samples_.size(); ++i)
        best = std::min(best, segmentDistanceSquared(x, y, samples_[i],
                                                     samples_[(i + 1) % samples_.size()]));
    return std::sqrt(best);
}

float Circuit::nearestDistance(float x, float y) const
{
    float best = 1e30f;
    size_t at = 0;
    for (size_t i = 0; i < samples_.size(); ++i) {
        float d = segmentDistanceSquared(x, y, samples_[i], samples_[(i + 1) % samples_.size()]);
        if (d < best) {
            best = d;
            at = i;
        }
    }
    return float(at) * step_;
}

float Circuit::minimumRadius() const
{
    float most = 0.0f;
    for (int i = 0; i < SAMPLES; ++i)
        most = std::max(most, std::fabs(at(float(i) * step_).curvature));
    return most > 0.0f ? 1.0f / most : 1e30f;
}

} // namespace qm
