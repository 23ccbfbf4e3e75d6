// The circuit's surface: the road in numbered pieces (each culled on its own), the start line,
// and red and white kerbs on both edges of every bend.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/ground_textures.h"
#include "tools/mkdata/mesh_builder.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr int ROAD_PIECES = 24;
constexpr float SLICE_LENGTH = 0.75f;         // road cross-sections this far apart
constexpr float ROAD_V_LENGTH = 4.0f;         // road picture repeats every 4 units along the road
constexpr float START_LINE_HALF = 0.4f;       // the chequered band reaches this far either side
constexpr float KERB_RADIUS = 75.0f;          // bends tighter than this get kerbs
constexpr float KERB_LEAD = 6.0f;             // kerbs start this far before such a bend
constexpr float KERB_BLOCK_LENGTH = 1.2f;     // one red and one white block
constexpr float KERB_RAMP = 1.0f;             // kerb ends slope down over this length
const Vec3 WHITE{1.0f, 1.0f, 1.0f};

struct Section {
    float offset, z, u;
};

// Verge, asphalt edge, asphalt edge, verge: u matches the asphalt picture's layout.
std::vector<Section> roadSections()
{
    const float w = Circuit::ROAD_HALF_WIDTH, outer = w + Circuit::VERGE_WIDTH;
    const float low = Circuit::ROAD_HEIGHT - Circuit::VERGE_DROP, top = Circuit::ROAD_HEIGHT;
    return {{-outer, low, 0.0f}, {-w, top, ASPHALT_EDGE_U}, {w, top, 1.0f - ASPHALT_EDGE_U}, {outer, low, 1.0f}};
}

Vec3 placeAt(const CircuitPoint& p, float offset, float z)
{
    Vec3 q = p.position + p.right * offset;
    q.z = z;
    return q;
}

// Distances of slices from `from` to `to`, ending exactly at `to`.
std::vector<float> slicesBetween(float from, float to)
{
    int n = std::max(1, int(std::ceil((to - from) / SLICE_LENGTH)));
    std::vector<float> at;
    for (int i = 0; i <= n; ++i)
        at.push_back(from + (to - from) * float(i) / float(n));
    return at;
}

// A strip of the cross-section columns [first, last] between two distances along the lap.
struct Strip {
    float from, to;
    size_t first, last;
    float (*v)(float distance);
    bool rampIn = false, rampOut = false;   // heights grow from road level over KERB_RAMP
};

float heightScale(const Strip& strip, float d)
{
    float scale = 1.0f;
    if (strip.rampIn)
        scale = std::min(scale, (d - strip.from) / KERB_RAMP);
    if (strip.rampOut)
        scale = std::min(scale, (strip.to - d) / KERB_RAMP);
    return std::clamp(scale, 0.0f, 1.0f);
}

void addStrip(MeshBuilder& mesh, const Circuit& circuit, const std::vector<Section>& sections, const Strip& strip)
{
    std::vector<uint32_t> previous;
    for (float d : slicesBetween(strip.from, strip.to)) {
        CircuitPoint p = circuit.at(d);
        float scale = heightScale(strip, d);
        std::vector<uint32_t> current;
        for (size_t k = strip.first; k <= strip.last; ++k) {
            float z = Circuit::ROAD_HEIGHT + (sections[k].z - Circuit::ROAD_HEIGHT) * scale;
            current.push_back(mesh.addVertex(placeAt(p, sections[k].offset, z), {sections[k].u, strip.v(d)}, WHITE));
        }
        if (!previous.empty())
            for (size_t k = 0; k + 1 < current.size(); ++k)
                mesh.addQuad(previous[k], previous[k + 1], current[k + 1], current[k]);
        previous = current;
    }
}

float roadV(float d) { return d / ROAD_V_LENGTH; }
float kerbV(float d) { return d / KERB_BLOCK_LENGTH; }
// The chequered band's two rows of squares: v 0..1 over the band.
float startLineV(float d) { return (d + START_LINE_HALF) / (2.0f * START_LINE_HALF); }

// Road piece k covers an even share of the lap, leaving the start line's asphalt to its own mesh.
MeshData roadPiece(const Circuit& circuit, int k)
{
    float share = circuit.length() / ROAD_PIECES;
    float from = float(k) * share, to = float(k + 1) * share;
    std::vector<Section> s = roadSections();
    MeshBuilder mesh;
    auto vergesOnly = [&](float a, float b) {
        addStrip(mesh, circuit, s, {a, b, 0, 1, roadV});
        addStrip(mesh, circuit, s, {a, b, 2, 3, roadV});
    };
    if (k == 0) {
        vergesOnly(from, from + START_LINE_HALF);
        from += START_LINE_HALF;
    }
    if (k == ROAD_PIECES - 1) {
        vergesOnly(to - START_LINE_HALF, to);
        to -= START_LINE_HALF;
    }
    addStrip(mesh, circuit, s, {from, to, 0, 3, roadV});
    return mesh.build();
}

MeshData startLine(const Circuit& circuit)
{
    std::vector<Section> s = roadSections();
    s[1].u = 0.0f;
    s[2].u = 1.0f;
    MeshBuilder mesh;
    addStrip(mesh, circuit, s, {-START_LINE_HALF, START_LINE_HALF, 1, 2, startLineV});
    return mesh.build();
}

// Stretches of the lap, as [from, to) distances, that lie in or just before a tight bend.
std::vector<std::pair<float, float>> kerbRuns(const Circuit& circuit)
{
    std::vector<std::pair<float, float>> runs;
    const float step = 0.5f;
    bool inside = false;
    float start = 0.0f;
    for (float d = 0.0f; d < circuit.length(); d += step) {
        bool tight = std::fabs(circuit.at(d + KERB_LEAD).curvature) > 1.0f / KERB_RADIUS ||
                     std::fabs(circuit.at(d - KERB_LEAD).curvature) > 1.0f / KERB_RADIUS;
        if (tight && !inside)
            start = d;
        if (!tight && inside)
            runs.push_back({start, d});
        inside = tight;
    }
    if (inside)
        runs.push_back({start, circuit.length()});
    return runs;
}

// Kerb cross-section on the right edge, from the asphalt outwards; the left one mirrors it.
std::vector<Section> kerbSections(bool right)
{
    const float w = Circuit::ROAD_HALF_WIDTH, top = Circuit::ROAD_HEIGHT + 0.045f;
    std::vector<Section> s = {{w - 0.15f, Circuit::ROAD_HEIGHT + 0.004f, 0.0f}, {w - 0.05f, top, 0.15f},
                              {w + 0.45f, top, 0.85f}, {w + 0.55f, Circuit::ROAD_HEIGHT - 0.33f, 1.0f}};
    if (!right) {
        std::reverse(s.begin(), s.end());
        for (Section& k : s)
            k.offset = -k.offset;
    }
    return s;
}

// The kerbs of runs that overlap road piece k, clipped to the piece.
MeshBuilder kerbPiece(const Circuit& circuit, const std::vector<std::pair<float, float>>& runs, int k)
{
    float share = circuit.length() / ROAD_PIECES;
    float from = float(k) * share, to = float(k + 1) * share;
    MeshBuilder mesh;
    for (const auto& [a, b] : runs) {
        float lo = std::max(a, from), hi = std::min(b, to);
        if (hi - lo < SLICE_LENGTH)
            continue;
        for (bool right : {true, false})
            addStrip(mesh, circuit, kerbSections(right), {lo, hi, 0, 3, kerbV, lo == a, hi == b});
    }
    return mesh;
}

} // namespace

void addTrackMeshes(DataSet& set, SceneryCounts& counts)
{
    const Circuit& circuit = Circuit::standard();
    for (int k = 0; k < ROAD_PIECES; ++k)
        set.add(meshMember(seriesName("road", k + 1)), encodeMesh(roadPiece(circuit, k)));
    counts.roadSegments = ROAD_PIECES;
    set.add(meshMember("startline"), encodeMesh(startLine(circuit)));
    std::vector<std::pair<float, float>> runs = kerbRuns(circuit);
    counts.kerbSegments = 0;
    for (int k = 0; k < ROAD_PIECES; ++k) {
        MeshBuilder kerbs = kerbPiece(circuit, runs, k);
        if (!kerbs.empty())
            set.add(meshMember(seriesName("kerb", ++counts.kerbSegments)), encodeMesh(kerbs.build()));
    }
}

} // namespace qm
