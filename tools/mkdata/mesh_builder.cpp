#include "tools/mkdata/mesh_builder.h"

namespace qm {

uint32_t MeshBuilder::addVertex(Vec3 position, UvPair uv, Vec3 colour)
{
    positions_.push_back(position);
    uvs_.push_back(uv);
    colours_.push_back(colour);
    return uint32_t(positions_.size() - 1);
}

void MeshBuilder::addTriangle(uint32_t a, uint32_t b, uint32_t c) { faces_.push_back({a, b, c}); }

void MeshBuilder::addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void MeshBuilder::addQuad(const std::array<Vec3, 4>& corners, const std::array<UvPair, 4>& uvs, Vec3 colour)
{
    uint32_t first = 0;
    for (int i = 0; i < 4; ++i) {
        uint32_t k = addVertex(corners[size_t(i)], uvs[size_t(i)], colour);
        if (i == 0)
            first = k;
    }
    addQuad(first, first + 1, first + 2, first + 3);
}

MeshData MeshBuilder::build() const
{
    MeshData mesh;
    mesh.vertices = positions_;
    mesh.faces = faces_;
    mesh.uvSets.push_back({uvs_, faces_});
    mesh.hasColours = true;
    mesh.colours = colours_;
    mesh.colourIndices = faces_;
    return mesh;
}

} // namespace qm
