#include "tools/mkdata/mesh_writer.h"
#include "tools/little_endian.h"

#include <algorithm>

namespace qm {

namespace {

class LittleEndianWriter {
public:
    void u32(uint32_t v) { put32(bytes, v); }
    void f32(float f) { putFloat(bytes, f); }
    void vec(Vec3 v) { f32(v.x); f32(v.y); f32(v.z); }
    void uv(UvPair p) { f32(p.u); f32(p.v); }
    void triangle(const Triangle& t) { u32(t[0]); u32(t[1]); u32(t[2]); }
    void count(size_t n) { u32(uint32_t(n)); }

    std::vector<uint8_t> bytes;
};

void writeBoundingBox(LittleEndianWriter& w, const std::vector<Vec3>& vertices)
{
    Vec3 lo(0.0f, 0.0f, 0.0f), hi(0.0f, 0.0f, 0.0f);
    if (!vertices.empty()) {
        lo = hi = vertices[0];
        for (const Vec3& v : vertices) {
            lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
            hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
        }
    }
    w.vec(lo);
    w.vec(hi);
}

} // namespace

std::vector<uint8_t> encodeMesh(const MeshData& mesh)
{
    LittleEndianWriter w;
    w.vec({0.0f, 0.0f, 0.0f});       // unused
    w.vec({0.0f, 0.0f, 1.0f});       // normal rotation axis
    w.f32(0.0f);                     // and angle: normals are stored as meant
    w.count(mesh.vertices.size());
    w.count(mesh.faces.size());
    w.count(mesh.uvSets.size());
    w.u32(mesh.hasNormals ? 1 : 0);
    w.u32(mesh.hasColours ? 1 : 0);
    for (const Vec3& v : mesh.vertices)
        w.vec(v);
    for (const Triangle& f : mesh.faces)
        w.triangle(f);
    for (const UvSet& set : mesh.uvSets) {
        w.count(set.coords.size());
        if (set.coords.empty())
            continue;
        for (const UvPair& p : set.coords)
            w.uv(p);
        for (const Triangle& t : set.indices)
            w.triangle(t);
    }
    if (mesh.hasColours) {
        w.count(mesh.colours.size());
        if (!mesh.colours.empty()) {
            for (const Vec3& c : mesh.colours)
                w.vec(c);
            for (const Triangle& t : mesh.colourIndices)
                w.triangle(t);
        }
    }
    if (mesh.hasNormals)
        for (const auto& corners : mesh.normals)
            for (const Vec3& n : corners)
                w.vec(n);
    writeBoundingBox(w, mesh.vertices);
    return std::move(w.bytes);
}

std::vector<uint8_t> encodeBodyMesh(const BodyMeshData& mesh)
{
    LittleEndianWriter w;
    w.count(mesh.vertices.size());
    w.count(mesh.faces.size());
    w.count(mesh.coords.size());
    if (mesh.hasSecondUvSet)
        w.count(mesh.secondCoords.size());
    for (const Vec3& v : mesh.vertices)
        w.vec(v);
    for (const Triangle& f : mesh.faces)
        w.triangle(f);
    for (const Triangle& t : mesh.coordIndices)
        w.triangle(t);
    for (const UvPair& p : mesh.coords)
        w.uv(p);
    if (mesh.hasSecondUvSet) {
        for (const Triangle& t : mesh.secondCoordIndices)
            w.triangle(t);
        for (const UvPair& p : mesh.secondCoords)
            w.uv(p);
    }
    for (const auto& corners : mesh.normals)
        for (const Vec3& n : corners)
            w.vec(n);
    return std::move(w.bytes);
}

} // namespace qm
