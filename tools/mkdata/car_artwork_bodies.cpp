// The three open-wheel bodies: a monocoque lofted from nose to gearbox, sidepods, floor, front
// and rear wings with their endplates, wishbones and mirrors. The reflection shell is the painted
// bodywork and the wings of the same mesh, vertex for vertex, so it lies exactly on the paint. Each livery gets
// a soft shadow quad sized to its body.
#include "tools/mkdata/car_artwork.h"
#include "tools/mkdata/mesh_writer.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace qm {

namespace {

constexpr float PI = 3.14159265358979f;

// A cross-section of a body loft: a superellipse of half-width w between heights zb and zt at y.
struct Section {
    float y, w, zb, zt, p;
};

// A wing element across the car: leading edge at y, height z, chord, thickness, angle (degrees,
// trailing edge up) and half-span; dip lowers the middle (the front wing's spoon).
struct Element {
    float y, z, chord, thickness, angle, span, dip;
};

struct BodyShape {
    std::vector<Section> spine, pods, floor;
    std::vector<Element> frontWing, rearWing;
    float frontPlateX, frontPlateY0, frontPlateY1, frontPlateTop;
    float rearPlateX, rearPlateY0, rearPlateY1, rearPlateBottom, rearPlateTop;
    bool nosePillars;          // a raised nose stands on two pillars over the wing
    float pillarX;
};

// Body 0: a classic low nose and round sidepods. Body 1: raised nose on pillars, tall airbox,
// sculpted pods. Body 2: slim low nose, wide square pods, three-element rear wing.
BodyShape shape(int body)
{
    BodyShape s;
    if (body == 1) {
        s.spine = {{590, 14, 86, 100, 2.4f},  {560, 24, 80, 108, 2.4f},  {470, 34, 76, 120, 2.6f},
                   {340, 46, 66, 132, 2.8f},  {230, 62, 34, 140, 3.0f},  {160, 78, 18, 142, 3.2f},
                   {90, 84, 14, 124, 3.4f},   {0, 84, 14, 118, 3.4f},    {-44, 82, 14, 158, 3.2f},
                   {-74, 66, 14, 190, 3.0f},  {-170, 62, 14, 168, 3.0f}, {-300, 50, 16, 124, 3.0f},
                   {-420, 34, 30, 92, 2.8f},  {-478, 20, 42, 72, 2.6f}};
        s.pods = {{170, 150, 22, 80, 4.0f},  {130, 178, 16, 96, 4.5f},  {20, 180, 14, 98, 4.5f},
                  {-100, 150, 14, 88, 4.0f}, {-210, 104, 16, 70, 3.5f}, {-286, 74, 20, 54, 3.0f}};
        s.frontWing = {{545, 22, 120, 12, 4, 238, 8}, {480, 42, 60, 8, 22, 238, 0}, {440, 62, 40, 6, 38, 238, 0}};
        s.rearWing = {{-438, 196, 80, 16, 10, 132, 0}, {-428, 226, 46, 8, 30, 132, 0}, {-440, 84, 50, 8, 4, 96, 0}};
        s.frontPlateX = 236; s.frontPlateY0 = 420; s.frontPlateY1 = 572; s.frontPlateTop = 96;
        s.rearPlateX = 136; s.rearPlateY0 = -428; s.rearPlateY1 = -548; s.rearPlateBottom = 70; s.rearPlateTop = 252;
        s.nosePillars = true;
        s.pillarX = 24;
    } else if (body == 2) {
        s.spine = {{600, 12, 30, 50, 2.2f},   {560, 22, 26, 62, 2.2f},   {450, 34, 26, 86, 2.4f},
                   {330, 46, 24, 108, 2.6f},  {220, 60, 20, 124, 2.8f},  {150, 74, 16, 128, 3.0f},
                   {80, 80, 14, 116, 3.2f},   {0, 80, 14, 112, 3.2f},    {-40, 78, 14, 146, 3.0f},
                   {-66, 64, 14, 172, 2.8f},  {-160, 62, 14, 156, 2.8f}, {-300, 52, 16, 118, 2.8f},
                   {-420, 34, 30, 86, 2.6f},  {-470, 22, 40, 68, 2.4f}};
        s.pods = {{205, 176, 16, 88, 7.0f},  {160, 196, 14, 98, 7.0f},  {-40, 196, 14, 98, 7.0f},
                  {-150, 170, 14, 86, 6.0f}, {-240, 110, 16, 66, 5.0f}, {-292, 80, 20, 52, 4.0f}};
        s.frontWing = {{560, 22, 130, 14, 0, 242, 12}, {470, 40, 64, 8, 18, 242, 6}};
        s.rearWing = {{-446, 170, 86, 16, 6, 140, 0}, {-440, 198, 60, 10, 22, 140, 0},
                      {-434, 222, 40, 7, 40, 140, 0}, {-446, 80, 46, 8, 2, 98, 0}};
        s.frontPlateX = 240; s.frontPlateY0 = 430; s.frontPlateY1 = 584; s.frontPlateTop = 78;
        s.rearPlateX = 144; s.rearPlateY0 = -424; s.rearPlateY1 = -552; s.rearPlateBottom = 64; s.rearPlateTop = 246;
        s.nosePillars = false;
        s.pillarX = 0;
    } else {
        s.spine = {{585, 14, 40, 62, 2.4f},   {545, 24, 36, 74, 2.4f},   {450, 36, 36, 94, 2.6f},
                   {330, 48, 34, 114, 2.8f},  {220, 62, 24, 128, 3.0f},  {150, 78, 16, 132, 3.2f},
                   {80, 82, 14, 120, 3.4f},   {0, 82, 14, 114, 3.4f},    {-40, 80, 14, 150, 3.2f},
                   {-70, 66, 14, 178, 3.0f},  {-160, 64, 14, 160, 3.0f}, {-300, 52, 16, 120, 3.0f},
                   {-420, 34, 30, 88, 2.8f},  {-470, 22, 40, 70, 2.6f}};
        s.pods = {{200, 160, 18, 84, 3.2f},  {150, 184, 14, 96, 3.4f},  {0, 184, 14, 96, 3.4f},
                  {-120, 164, 14, 88, 3.2f}, {-230, 112, 16, 70, 3.0f}, {-290, 78, 20, 56, 2.8f}};
        s.frontWing = {{550, 20, 124, 14, 2, 236, 4}, {470, 40, 56, 8, 20, 236, 0}};
        s.rearWing = {{-440, 178, 92, 18, 8, 136, 0}, {-430, 212, 52, 9, 28, 136, 0}, {-440, 82, 48, 8, 3, 96, 0}};
        s.frontPlateX = 234; s.frontPlateY0 = 416; s.frontPlateY1 = 578; s.frontPlateTop = 84;
        s.rearPlateX = 140; s.rearPlateY0 = -424; s.rearPlateY1 = -546; s.rearPlateBottom = 72; s.rearPlateTop = 240;
        s.nosePillars = false;
        s.pillarX = 0;
    }
    s.floor = {{236, 140, 6, 12, 8}, {206, 196, 6, 12, 8}, {-190, 196, 6, 12, 8},
               {-262, 104, 6, 12, 8}, {-400, 92, 8, 22, 6}};
    return s;
}

float signedPow(float v, float e)
{
    return std::copysign(std::pow(std::fabs(v), e), v);
}

// Collects faces with per-corner normals; each face remembers whether it belongs to the shell.
class BodyBuilder {
public:
    // rings[k] all have the same number of points and run round the loft's axis. Smooth lofts
    // share normals between neighbouring faces; others are flat-faced.
    void loft(const std::vector<std::vector<Vec3>>& rings, bool smooth, bool shell)
    {
        const size_t k = rings.size(), n = rings[0].size();
        const uint32_t base = uint32_t(vertices_.size());
        for (const auto& ring : rings)
            vertices_.insert(vertices_.end(), ring.begin(), ring.end());
        auto at = [&](size_t r, size_t i) { return base + uint32_t(r * n + i % n); };
        // Which winding faces outwards: judged over the whole loft from the rings' centres.
        float outward = 0.0f;
        std::vector<Vec3> centres;
        for (const auto& ring : rings) {
            Vec3 c(0, 0, 0);
            for (const Vec3& p : ring) c += p;
            centres.push_back(c / float(n));
        }
        for (size_t r = 0; r + 1 < k; ++r)
            for (size_t i = 0; i < n; ++i) {
                Vec3 a = vertices_[at(r, i)], b = vertices_[at(r, i + 1)], c = vertices_[at(r + 1, i)];
                Vec3 mid = (a + b + c) / 3.0f - (centres[r] + centres[r + 1]) * 0.5f;
                outward += dot(cross(b - a, c - a), mid);
            }
        const bool flip = outward < 0.0f;
        std::vector<Triangle> tris;
        for (size_t r = 0; r + 1 < k; ++r)
            for (size_t i = 0; i < n; ++i) {
                uint32_t a = at(r, i), b = at(r, i + 1), c = at(r + 1, i + 1), d = at(r + 1, i);
                if (flip) {
                    tris.push_back({a, d, c});
                    tris.push_back({a, c, b});
                } else {
                    tris.push_back({a, b, c});
                    tris.push_back({a, c, d});
                }
            }
        std::vector<Vec3> vn(k * n, Vec3(0, 0, 0));
        for (const Triangle& t : tris) {
            Vec3 fn = faceNormal(t);
            for (uint32_t i : t) vn[i - base] += fn * area(t);
        }
        for (const Triangle& t : tris) {
            if (smooth)
                add(t, {normalized(vn[t[0] - base]), normalized(vn[t[1] - base]), normalized(vn[t[2] - base])}, shell);
            else
                add(t, shell);
        }
        cap(rings.front(), base, centres.front(), centres.front() - centres[1], shell);
        cap(rings.back(), base + uint32_t((k - 1) * n), centres.back(), centres.back() - centres[k - 2], shell);
    }

    // A box given by its centre and three half-axis vectors.
    void box(Vec3 c, Vec3 ax, Vec3 ay, Vec3 az, bool shell)
    {
        std::vector<Vec3> r0 = {c - ay - ax - az, c - ay + ax - az, c - ay + ax + az, c - ay - ax + az};
        std::vector<Vec3> r1 = {c + ay - ax - az, c + ay + ax - az, c + ay + ax + az, c + ay - ax + az};
        loft({r0, r1}, false, shell);
    }

    // A thin bar of square section between two points.
    void bar(Vec3 from, Vec3 to, float halfWidth, float halfHeight)
    {
        Vec3 along = (to - from) * 0.5f;
        Vec3 side = normalized(cross(along, Vec3(0, 0, 1))) * halfWidth;
        Vec3 up = normalized(cross(side, along)) * halfHeight;
        box((from + to) * 0.5f, side, along, up, false);
    }

    BodyMeshData build(bool shellOnly) const
    {
        BodyMeshData m;
        m.hasSecondUvSet = true;
        std::vector<int32_t> remap(vertices_.size(), -1);
        std::map<std::pair<uint32_t, int>, uint32_t> coordIndex;
        for (size_t f = 0; f < faces_.size(); ++f) {
            if (shellOnly && !shell_[f])
                continue;
            Triangle t = faces_[f], out{}, uv{};
            PaintView view = viewOf(faceNormal(t));
            for (int c = 0; c < 3; ++c) {
                uint32_t v = t[size_t(c)];
                if (remap[v] < 0) {
                    remap[v] = int32_t(m.vertices.size());
                    m.vertices.push_back(vertices_[v]);
                    // The illumination coordinates: the point's place seen from above, in model units.
                    m.secondCoords.push_back({vertices_[v].x, vertices_[v].y});
                }
                out[size_t(c)] = uint32_t(remap[v]);
                auto key = std::make_pair(v, int(view));
                auto found = coordIndex.find(key);
                if (found == coordIndex.end()) {
                    UvPair p{};
                    paintCoord(view, vertices_[v], &p.u, &p.v);
                    found = coordIndex.emplace(key, uint32_t(m.coords.size())).first;
                    m.coords.push_back(p);
                }
                uv[size_t(c)] = found->second;
            }
            m.faces.push_back(out);
            m.coordIndices.push_back(uv);
            m.secondCoordIndices.push_back(out);
            m.normals.push_back(normals_[f]);
        }
        return m;
    }

private:
    std::vector<Vec3> vertices_;
    std::vector<Triangle> faces_;
    std::vector<std::array<Vec3, 3>> normals_;
    std::vector<bool> shell_;

    Vec3 faceNormal(const Triangle& t) const
    {
        return normalized(cross(vertices_[t[1]] - vertices_[t[0]], vertices_[t[2]] - vertices_[t[0]]));
    }
    float area(const Triangle& t) const
    {
        return 0.5f * length(cross(vertices_[t[1]] - vertices_[t[0]], vertices_[t[2]] - vertices_[t[0]]));
    }
    void add(const Triangle& t, const std::array<Vec3, 3>& n, bool shell)
    {
        if (area(t) <= 1e-4f)
            return;   // degenerate slivers where a ring closes on itself
        faces_.push_back(t);
        normals_.push_back(n);
        shell_.push_back(shell);
    }
    void add(const Triangle& t, bool shell)
    {
        Vec3 n = faceNormal(t);
        add(t, {n, n, n}, shell);
    }
    // A fan closing the end of a loft; outside points away from the loft.
    void cap(const std::vector<Vec3>& ring, uint32_t first, Vec3 centre, Vec3 outside, bool shell)
    {
        uint32_t middle = uint32_t(vertices_.size());
        vertices_.push_back(centre);
        for (size_t i = 0; i < ring.size(); ++i) {
            Triangle t = {middle, first + uint32_t(i), first + uint32_t((i + 1) % ring.size())};
            if (dot(cross(vertices_[t[1]] - centre, vertices_[t[2]] - centre), outside) < 0.0f)
                std::swap(t[1], t[2]);
            add(t, shell);
        }
    }

    static PaintView viewOf(Vec3 n)
    {
        float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        if (az >= ax && az >= ay)
            return n.z >= 0.0f ? PaintView::TOP : PaintView::BOTTOM;
        if (ax >= ay)
            return n.x >= 0.0f ? PaintView::RIGHT : PaintView::LEFT;
        return PaintView::END;
    }
};

// Rings of a loft along y through the sections, with extra rings between them on a smooth curve.
std::vector<std::vector<Vec3>> bodyRings(const std::vector<Section>& sections, int points, int between)
{
    std::vector<std::vector<Vec3>> rings;
    auto ring = [&](const Section& s) {
        std::vector<Vec3> r;
        float zc = 0.5f * (s.zb + s.zt), h = 0.5f * (s.zt - s.zb);
        for (int i = 0; i < points; ++i) {
            float t = 2.0f * PI * float(i) / float(points);
            r.push_back({s.w * signedPow(std::cos(t), 2.0f / s.p), s.y, zc + h * signedPow(std::sin(t), 2.0f / s.p)});
        }
        return r;
    };
    for (size_t k = 0; k + 1 < sections.size(); ++k) {
        // Catmull-Rom through the neighbouring sections keeps the outline free of kinks.
        const Section& s0 = sections[k == 0 ? 0 : k - 1];
        const Section& s1 = sections[k];
        const Section& s2 = sections[k + 1];
        const Section& s3 = sections[std::min(k + 2, sections.size() - 1)];
        for (int j = 0; j < between + 1; ++j) {
            float t = float(j) / float(between + 1);
            auto cr = [t](float a, float b, float c, float d) {
                return 0.5f * ((2.0f * b) + (-a + c) * t + (2.0f * a - 5.0f * b + 4.0f * c - d) * t * t +
                               (-a + 3.0f * b - 3.0f * c + d) * t * t * t);
            };
            // Along the car the rings stay evenly spaced: a curve through uneven gaps would fold back.
            Section s{s1.y + (s2.y - s1.y) * t, std::max(1.0f, cr(s0.w, s1.w, s2.w, s3.w)),
                      cr(s0.zb, s1.zb, s2.zb, s3.zb), cr(s0.zt, s1.zt, s2.zt, s3.zt),
                      std::max(2.0f, cr(s0.p, s1.p, s2.p, s3.p))};
            rings.push_back(ring(s));
        }
    }
    rings.push_back(ring(sections.back()));
    return rings;
}

// A wing element: airfoil rings across the span; the ends are flat caps under the endplates.
void wingElement(BodyBuilder& b, const Element& e)
{
    constexpr int POINTS = 12, SPAN_RINGS = 5;
    float a = e.angle * PI / 180.0f;
    Vec3 chordDir(0.0f, -std::cos(a), std::sin(a)), thickDir(0.0f, std::sin(a), std::cos(a));
    std::vector<std::vector<Vec3>> rings;
    for (int k = 0; k < SPAN_RINGS; ++k) {
        float x = -e.span + 2.0f * e.span * float(k) / float(SPAN_RINGS - 1);
        float dip = e.dip * std::cos(0.5f * PI * x / e.span);
        std::vector<Vec3> r;
        for (int i = 0; i < POINTS; ++i) {
            float t = 2.0f * PI * float(i) / float(POINTS);
            float s = 0.5f * (1.0f - std::cos(t));   // 0 at the leading edge, 1 at the trailing edge
            float half = e.thickness * 1.3f * std::sqrt(s) * (1.0f - s);
            float side = std::sin(t) >= 0.0f ? 1.0f : -0.6f;   // flatter underneath
            r.push_back(Vec3(x, e.y, e.z - dip) + chordDir * (s * e.chord) + thickDir * (half * side));
        }
        rings.push_back(r);
    }
    // Flat faces: the sharp trailing edge would bend shared normals inside out.
    b.loft(rings, false, true);
}

void buildBody(BodyBuilder& b, const BodyShape& s, int body)
{
    b.loft(bodyRings(s.spine, 24, 1), true, true);
    b.loft(bodyRings(s.pods, 24, 1), true, true);
    b.loft(bodyRings(s.floor, 12, 1), false, false);
    for (const Element& e : s.frontWing)
        wingElement(b, e);
    for (const Element& e : s.rearWing)
        wingElement(b, e);
    for (float side : {-1.0f, 1.0f}) {
        // Endplates: thin upright plates at the tips of the wings.
        float fy = 0.5f * (s.frontPlateY0 + s.frontPlateY1), fh = 0.5f * (s.frontPlateY1 - s.frontPlateY0);
        b.box({side * s.frontPlateX, fy, 0.5f * (8.0f + s.frontPlateTop)}, {4, 0, 0}, {0, fh, 0},
              {0, 0, 0.5f * (s.frontPlateTop - 8.0f)}, true);
        float ry = 0.5f * (s.rearPlateY0 + s.rearPlateY1), rh = 0.5f * (s.rearPlateY0 - s.rearPlateY1);
        b.box({side * s.rearPlateX, ry, 0.5f * (s.rearPlateBottom + s.rearPlateTop)}, {5, 0, 0}, {0, rh, 0},
              {0, 0, 0.5f * (s.rearPlateTop - s.rearPlateBottom)}, true);
        if (s.nosePillars)
            b.box({side * s.pillarX, 540, 50}, {3, 0, 0}, {0, 34, 0}, {0, 0, 34}, false);
        // Wishbones from the chassis to the hubs, and the rear driveshafts.
        std::array<Vec3, 4> wheels = carWheelCentres(body);
        Vec3 front = wheels[side > 0 ? 0 : 1], rear = wheels[side > 0 ? 2 : 3];
        float fx = front.x - side * 44.0f, rx = rear.x - side * 44.0f;
        Vec3 fHubTop(fx, front.y, front.z + 22), fHubLow(fx, front.y, front.z - 20);
        b.bar({side * 40, front.y + 60, 104}, fHubTop, 5, 3);
        b.bar({side * 40, front.y - 70, 110}, fHubTop, 5, 3);
        b.bar({side * 36, front.y + 60, 50}, fHubLow, 5, 3);
        b.bar({side * 40, front.y - 80, 40}, fHubLow, 5, 3);
        Vec3 rHubTop(rx, rear.y, rear.z + 24), rHubLow(rx, rear.y, rear.z - 22);
        b.bar({side * 46, rear.y + 70, 104}, rHubTop, 5, 3);
        b.bar({side * 40, rear.y - 60, 100}, rHubTop, 5, 3);
        b.bar({side * 40, rear.y + 70, 44}, rHubLow, 5, 3);
        b.bar({side * 36, rear.y - 60, 48}, rHubLow, 5, 3);
        b.bar({side * 30, rear.y, rear.z}, {rx, rear.y, rear.z}, 6, 6);
        // Mirrors on short stalks beside the cockpit.
        b.bar({side * 70, 150, 122}, {side * 104, 140, 138}, 3, 3);
        b.box({side * 110, 138, 142}, {18, 0, 0}, {0, 7, 0}, {0, 0, 10}, false);
    }
    // The rear wing's pillar down to the gearbox.
    b.box({0, -470, 0.5f * (s.rearWing[0].z + 70.0f)}, {5, 0, 0}, {0, 26, 0}, {0, 0, 0.5f * (s.rearWing[0].z - 70.0f)},
          false);
}

// The shadow quad: a little larger than the car, on the road under it (shadow mesh units).
BodyMeshData shadowQuad(int body)
{
    const float toShadow = 0.0011f / 0.003f;
    BodyShape s = shape(body);
    float front = (s.frontPlateY1 + 40.0f) * toShadow, back = (s.rearPlateY1 - 40.0f) * toShadow;
    float half = (s.frontPlateX + 40.0f) * toShadow;
    BodyMeshData m;
    m.vertices = {{-half, back, 0.5f}, {half, back, 0.5f}, {half, front, 0.5f}, {-half, front, 0.5f}};
    m.faces = {{0, 1, 2}, {0, 2, 3}};
    m.coords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    m.coordIndices = m.faces;
    Vec3 up(0, 0, 1);
    m.normals = {{up, up, up}, {up, up, up}};
    return m;
}

} // namespace

PaintRegion paintRegion(PaintView view)
{
    switch (view) {
    case PaintView::BOTTOM: return {0.0f, 0.0f, 1.0f, 0.125f};
    case PaintView::END: return {0.0f, 0.125f, 1.0f, 0.375f};
    case PaintView::TOP: return {0.0f, 0.375f, 1.0f, 0.625f};
    case PaintView::RIGHT: return {0.0f, 0.625f, 1.0f, 0.8125f};
    case PaintView::LEFT: return {0.0f, 0.8125f, 1.0f, 1.0f};
    }
    return {0, 0, 1, 1};
}

void paintShare(PaintView view, Vec3 p, float* a, float* b)
{
    float sx = (p.x - PAINT_X0) / (PAINT_X1 - PAINT_X0), sy = (p.y - PAINT_Y0) / (PAINT_Y1 - PAINT_Y0);
    float sz = p.z / PAINT_Z1;
    switch (view) {
    case PaintView::TOP: case PaintView::BOTTOM: *a = sy; *b = sx; break;
    case PaintView::RIGHT: *a = sy; *b = sz; break;
    case PaintView::LEFT: *a = 1.0f - sy; *b = sz; break;
    case PaintView::END: *a = sx; *b = sz; break;
    }
}

Vec3 paintPoint(PaintView view, float a, float b)
{
    float x = PAINT_X0 + b * (PAINT_X1 - PAINT_X0), y = PAINT_Y0 + a * (PAINT_Y1 - PAINT_Y0);
    switch (view) {
    case PaintView::TOP: case PaintView::BOTTOM: return {x, y, 0.0f};
    case PaintView::RIGHT: return {0.0f, y, b * PAINT_Z1};
    case PaintView::LEFT: return {0.0f, PAINT_Y1 - a * (PAINT_Y1 - PAINT_Y0), b * PAINT_Z1};
    case PaintView::END: return {PAINT_X0 + a * (PAINT_X1 - PAINT_X0), 0.0f, b * PAINT_Z1};
    }
    return {0, 0, 0};
}

void paintCoord(PaintView view, Vec3 p, float* u, float* v)
{
    PaintRegion r = paintRegion(view);
    float a = 0.0f, b = 0.0f;
    paintShare(view, p, &a, &b);
    const float du = 1.0f / PAINT_WIDTH, dv = 1.0f / PAINT_HEIGHT;
    *u = std::clamp(r.u0 + a * (r.u1 - r.u0), r.u0 + du, r.u1 - du);
    *v = std::clamp(r.v0 + b * (r.v1 - r.v0), r.v0 + dv, r.v1 - dv);
}

void addCarBodies(DataSet& set)
{
    for (int body = 0; body < CAR_BODY_COUNT; ++body) {
        BodyBuilder b;
        buildBody(b, shape(body), body);
        set.add(bodyMeshMember(CAR_BODY_NAMES[size_t(body)]), encodeBodyMesh(b.build(false)));
        set.add(bodyMeshMember(CAR_SHELL_NAMES[size_t(body)]), encodeBodyMesh(b.build(true)));
    }
    for (const CarLivery& l : carLiveries())
        set.add(bodyMeshMember(l.shadow), encodeBodyMesh(shadowQuad(l.body)));
}

} // namespace qm
