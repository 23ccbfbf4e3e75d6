// Writes the two fixed-layout geometry files the saver compiles into display lists:
// the mesh format ("meshes\NAME.dat") and the car body mesh format.
#pragma once
#include "render/vec3.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qm {

using Triangle = std::array<uint32_t, 3>;

struct UvPair {
    float u, v;
};

struct UvSet {
    std::vector<UvPair> coords;
    std::vector<Triangle> indices;   // one per face; ignored when coords is empty
};

// Contents of a mesh file. Indices are zero-based; every index array has one entry per face.
struct MeshData {
    std::vector<Vec3> vertices;
    std::vector<Triangle> faces;
    std::vector<UvSet> uvSets;
    bool hasColours = false;
    std::vector<Vec3> colours;              // r, g, b in 0 .. 1
    std::vector<Triangle> colourIndices;
    bool hasNormals = false;
    std::vector<std::array<Vec3, 3>> normals;   // per face, corners 0, 1, 2
};

// The mesh format: header (normal rotation about +Z by 0), counts, arrays in file order and the
// bounding box of the vertices (all zero for a mesh without vertices).
std::vector<uint8_t> encodeMesh(const MeshData& mesh);

// Contents of a body mesh file (per-corner normals, one or two coordinate sets).
struct BodyMeshData {
    std::vector<Vec3> vertices;
    std::vector<Triangle> faces;
    std::vector<UvPair> coords;
    std::vector<Triangle> coordIndices;
    bool hasSecondUvSet = false;
    std::vector<UvPair> secondCoords;
    std::vector<Triangle> secondCoordIndices;
    std::vector<std::array<Vec3, 3>> normals;
};

std::vector<uint8_t> encodeBodyMesh(const BodyMeshData& mesh);

} // namespace qm
