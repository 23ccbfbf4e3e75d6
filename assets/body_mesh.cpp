#include "assets/body_mesh.h"
#include "assets/asset_stream.h"
#include "assets/mesh_reader.h"
#include "render/extensions.h"

#include <cstring>
#include <vector>

namespace qm {
namespace {

struct BodyFile {
    std::vector<Vec3> vertices;
    std::vector<uint32_t> faces;
    std::vector<uint32_t> uvIndices;
    std::vector<float> uv;
    std::vector<uint32_t> secondIndices;
    std::vector<float> secondUv;
    std::vector<Vec3> normals;

    uint32_t cornerCount() const { return uint32_t(faces.size()); }
};

// The layout in table order; every index is checked against the array it addresses.
bool parseBodyFile(AssetStream& stream, bool hasSecondUvSet, BodyFile& file)
{
    MeshReader in(stream);
    uint32_t vertexCount = 0, faceCount = 0, uvCount = 0, secondCount = 0;
    in.u32(vertexCount);
    in.u32(faceCount);
    in.u32(uvCount);
    if (hasSecondUvSet) in.u32(secondCount);
    const uint64_t corners = uint64_t(faceCount) * 3;
    bool ok = in.ok() && in.vec3s(file.vertices, vertexCount) &&
              in.indices(file.faces, corners, vertexCount) &&
              in.indices(file.uvIndices, corners, uvCount) && in.pairs(file.uv, uvCount);
    if (ok && hasSecondUvSet)
        ok = in.indices(file.secondIndices, corners, secondCount) && in.pairs(file.secondUv, secondCount);
    return ok && in.vec3s(file.normals, corners);
}

void emitCorner(const BodyFile& file, bool hasSecondUvSet, uint32_t corner)
{
    const Vec3& n = file.normals[corner];
    glNormal3f(n.x, n.y, n.z);
    const float* uv = &file.uv[2 * file.uvIndices[corner]];
    if (hasSecondUvSet && qglMultiTexCoord2fARB) {
        const float* second = &file.secondUv[2 * file.secondIndices[corner]];
        qglMultiTexCoord2fARB(GL_TEXTURE0_ARB, uv[0], uv[1]);
        qglMultiTexCoord2fARB(GL_TEXTURE1_ARB, second[0], second[1]);
    } else {
        glTexCoord2f(uv[0], uv[1]);
    }
    const Vec3& v = file.vertices[file.faces[corner]];
    glVertex3f(v.x, v.y, v.z);
}

} // namespace

std::string BodyMesh::memberName(const char* name)
{
    const size_t length = std::strlen(name);
    return std::string("meshes\\") + std::string(name, length > 3 ? length - 3 : 0) + "dat";
}

void BodyMesh::load(const char* name, bool hasSecondUvSet)
{
    AssetStream stream;
    stream.fetch(memberName(name).c_str());
    load(stream, hasSecondUvSet);
}

void BodyMesh::load(AssetStream& stream, bool hasSecondUvSet)
{
    BodyFile file;
    if (!parseBodyFile(stream, hasSecondUvSet, file)) file = BodyFile();
    stream.release();
    const GLuint list = glGenLists(1);
    if (list == 0) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (uint32_t corner = 0; corner < file.cornerCount(); ++corner)
        emitCorner(file, hasSecondUvSet, corner);
    glEnd();
    glEndList();
    glPopMatrix();
    glFinish();
    displayList = list;
}

} // namespace qm
