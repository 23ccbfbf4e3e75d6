// Meshes from "meshes\" + name + ".dat": optional normals and colours, texture-coordinate sets
// and a bounding box, compiled once into a display list of triangles (never deleted).
#pragma once
#include "render/gl.h"
#include "render/vec3.h"

#include <cstdint>
#include <vector>

namespace qm {

class AssetStream;

// A mesh member as read, before compilation; indices are checked against their arrays.
struct MeshFile {
    struct UvSet {
        std::vector<float> uv;           // (u, v) pairs
        std::vector<uint32_t> indices;   // 3 per face; empty when the set's count is 0
    };

    Vec3 axis{0, 0, 0};
    float angle = 0;                     // radians
    std::vector<Vec3> vertices;
    std::vector<uint32_t> faces;         // 3 vertex indices per triangle
    uint32_t uvSetCount = 0;             // M as stored; only the first two sets are kept
    std::vector<UvSet> uvSets;
    bool normalsPresent = false;
    bool coloursPresent = false;
    std::vector<Vec3> colours;
    std::vector<uint32_t> colourIndices;
    std::vector<Vec3> normals;           // 3 per face, corners 0, 1, 2
    Vec3 minimum{0, 0, 0};
    Vec3 maximum{0, 0, 0};

    uint32_t faceCount() const { return uint32_t(faces.size() / 3); }
};

// Reads the whole layout; false when the member ends early or an index is out of range.
bool parseMeshFile(AssetStream& stream, MeshFile& file);

class Mesh {
public:
    virtual ~Mesh() = default;

    // Reads "meshes\" + name + ".dat", fills the bounds and compiles the list. A missing, short
    // or inconsistent member gives an empty list and a zero box. Needs a current GL context.
    void load(const char* name);
    // The same from a stream that already holds the member.
    void load(AssetStream& stream);

    Vec3 minimum{0, 0, 0};
    Vec3 maximum{0, 0, 0};
    Vec3 centre{0, 0, 0};
    Vec3 halfExtents{0, 0, 0};
    GLuint displayList = 0;
};

} // namespace qm
