// Builds a textured, vertex-coloured triangle mesh where each corner's position, texture
// coordinate and colour share one index, then hands it over as MeshData.
#pragma once
#include "tools/mkdata/mesh_writer.h"

namespace qm {

class MeshBuilder {
public:
    virtual ~MeshBuilder() = default;

    uint32_t addVertex(Vec3 position, UvPair uv, Vec3 colour);
    // Corners in anticlockwise order seen from the visible side.
    void addTriangle(uint32_t a, uint32_t b, uint32_t c);
    // a, b, c, d anticlockwise: two triangles (a, b, c) and (a, c, d).
    void addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
    // A flat quad with its own four corners; colour applies to all of them.
    void addQuad(const std::array<Vec3, 4>& corners, const std::array<UvPair, 4>& uvs, Vec3 colour);

    bool empty() const { return faces_.empty(); }
    size_t faceCount() const { return faces_.size(); }
    // One texture-coordinate set and the colours; no normals.
    MeshData build() const;

private:
    std::vector<Vec3> positions_;
    std::vector<UvPair> uvs_;
    std::vector<Vec3> colours_;
    std::vector<Triangle> faces_;
};

} // namespace qm
