#include "assets/mesh.h"
#include "assets/asset_stream.h"
#include "assets/mesh_reader.h"
#include "render/extensions.h"
#include "render/gl_matrix.h"

#include <string>

namespace qm {
namespace {

// The angle conversion divides by this rather than by pi, as the artwork was made with it.
constexpr float PI_APPROX = 3.14159f;

struct MeshHeader {
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
};

bool readHeader(MeshReader& in, MeshFile& file, MeshHeader& header)
{
    uint32_t normals = 0, colours = 0;
    in.skip(12);
    in.vec3(file.axis);
    in.f32(file.angle);
    in.u32(header.vertexCount);
    in.u32(header.faceCount);
    in.u32(file.uvSetCount);
    in.u32(normals);
    in.u32(colours);
    file.normalsPresent = normals != 0;
    file.coloursPresent = colours != 0;
    return in.ok();
}

// One coordinate set: a count T, then T pairs and F x 3 indices when T is not 0.
bool readUvSet(MeshReader& in, uint32_t faceCount, MeshFile::UvSet& set)
{
    uint32_t count = 0;
    if (!in.u32(count)) return false;
    if (count == 0) return true;
    return in.pairs(set.uv, count) && in.indices(set.indices, uint64_t(faceCount) * 3, count);
}

bool readUvSets(MeshReader& in, MeshFile& file)
{
    // Each set takes at least its 4-byte count, which bounds M by the member's size.
    if (!in.fits(file.uvSetCount, 4)) return false;
    file.uvSets.resize(file.uvSetCount < 2 ? file.uvSetCount : 2);
    for (uint32_t s = 0; s < file.uvSetCount; ++s) {
        MeshFile::UvSet scratch;
        MeshFile::UvSet& set = s < 2 ? file.uvSets[s] : scratch;
        if (!readUvSet(in, file.faceCount(), set)) return false;
    }
    return true;
}

bool readColours(MeshReader& in, MeshFile& file)
{
    if (!file.coloursPresent) return true;
    uint32_t count = 0;
    if (!in.u32(count)) return false;
    if (count == 0) return true;
    return in.vec3s(file.colours, count) &&
           in.indices(file.colourIndices, uint64_t(file.faceCount()) * 3, count);
}

void rotateNormals(MeshFile& file)
{
    const float degrees = file.angle / PI_APPROX * 180.0f;
    for (Vec3& n : file.normals) rotateAboutAxis(n, degrees, file.axis);
}

// Step 7 for one corner: coordinates, colour, normal, vertex.
void emitCorner(const MeshFile& file, uint32_t corner)
{
    const bool twoSets = file.uvSetCount > 1;
    const MeshFile::UvSet* set0 = file.uvSets.size() > 0 ? &file.uvSets[0] : nullptr;
    const MeshFile::UvSet* set1 = file.uvSets.size() > 1 ? &file.uvSets[1] : nullptr;
    if (twoSets && qglMultiTexCoord2fvARB) {
        if (!set0->uv.empty()) qglMultiTexCoord2fvARB(GL_TEXTURE0_ARB, &set0->uv[2 * set0->indices[corner]]);
        if (!set1->uv.empty()) qglMultiTexCoord2fvARB(GL_TEXTURE1_ARB, &set1->uv[2 * set1->indices[corner]]);
    } else if (set0 && !set0->uv.empty()) {
        // Without the multitexture entry points the second set is dropped, never called through null.
        glTexCoord2fv(&set0->uv[2 * set0->indices[corner]]);
    }
    if (!file.colours.empty()) glColor3fv(&file.colours[file.colourIndices[corner]].x);
    if (file.normalsPresent) glNormal3fv(&file.normals[corner].x);
    glVertex3fv(&file.vertices[file.faces[corner]].x);
}

// Steps 6 to 8; an empty file compiles an empty list.
GLuint compileList(const MeshFile& file)
{
    const GLuint list = glGenLists(1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    const uint32_t corners = file.faceCount() * 3;
    for (uint32_t corner = 0; corner < corners; ++corner) emitCorner(file, corner);
    glEnd();
    glEndList();
    glPopMatrix();
    glFinish();
    return list;
}

} // namespace

bool parseMeshFile(AssetStream& stream, MeshFile& file)
{
    file = MeshFile();
    MeshReader in(stream);
    MeshHeader header;
    bool ok = readHeader(in, file, header) && in.vec3s(file.vertices, header.vertexCount) &&
              in.indices(file.faces, uint64_t(header.faceCount) * 3, header.vertexCount) &&
              readUvSets(in, file) && readColours(in, file) &&
              (!file.normalsPresent || in.vec3s(file.normals, uint64_t(header.faceCount) * 3)) &&
              in.vec3(file.minimum) && in.vec3(file.maximum);
    if (!ok) file = MeshFile();
    return ok;
}

void Mesh::load(const char* name)
{
    AssetStream stream;
    stream.fetch((std::string("meshes\\") + name + ".dat").c_str());
    load(stream);
}

void Mesh::load(AssetStream& stream)
{
    MeshFile file;
    if (parseMeshFile(stream, file)) rotateNormals(file);
    stream.release();
    minimum = file.minimum;
    maximum = file.maximum;
    halfExtents = (maximum - minimum) / 2.0f;
    centre = minimum + halfExtents;
    displayList = compileList(file);
}

} // namespace qm
