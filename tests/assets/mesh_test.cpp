// Mesh and body-mesh members compiled into display lists on a real Mesa context. What a list
// emits is observed through GL itself: feedback mode for the triangles, and the current
// texture coordinates, colour and normal that calling the list leaves behind (the last corner's).
#include "assets/asset_stream.h"
#include "assets/body_mesh.h"
#include "assets/mesh.h"
#include "render/gl.h"
#include "tests/support/byte_writer.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {
using namespace qm;
using namespace qm::test;

// One triangle (0,0,0) (0.5,0,0) (0,0.5,0) with the given sections; the box is (-1,-2,-3)..(1,2,3).
struct MeshSpec {
    uint32_t uvSets = 0;
    std::vector<uint32_t> uvCounts;   // per set; 0 means no index block
    bool normals = false;
    bool colours = false;
    uint32_t colourCount = 0;
    Vec3 axis{0, 0, 0};
    float angle = 0;
    Vec3 normal{0, 0, 1};
};

// Set s, coordinate k holds (10 s + k, 100 + 10 s + k): unit and corner can be told apart.
std::vector<uint8_t> meshBytes(const MeshSpec& layout)
{
    ByteWriter b;
    b.floats({0, 0, 0}).floats({layout.axis.x, layout.axis.y, layout.axis.z}).f32(layout.angle);
    b.u32s({3, 1, layout.uvSets, layout.normals ? 1u : 0u, layout.colours ? 1u : 0u});
    b.floats({0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 0});
    b.u32s({0, 1, 2});
    for (uint32_t s = 0; s < layout.uvSets; ++s) {
        const uint32_t count = s < layout.uvCounts.size() ? layout.uvCounts[s] : 3;
        b.u32(count);
        if (count == 0) continue;
        for (uint32_t k = 0; k < count; ++k) b.floats({float(10 * s + k), float(100 + 10 * s + k)});
        b.u32s({0, 1, 2 % count});
    }
    if (layout.colours) {
        b.u32(layout.colourCount);
        if (layout.colourCount) {
            for (uint32_t k = 0; k < layout.colourCount; ++k) b.floats({0.25f * float(k), 0.5f, 0.75f});
            b.u32s({0, 0, layout.colourCount - 1});
        }
    }
    if (layout.normals)
        for (int corner = 0; corner < 3; ++corner) b.floats({layout.normal.x, layout.normal.y, layout.normal.z});
    b.floats({-1, -2, -3, 1, 2, 3});
    return b.data;
}

// V, F, T, [S], vertices, faces, coordinate indices, coordinates, [second indices and set], normals.
std::vector<uint8_t> bodyBytes(bool second)
{
    ByteWriter b;
    b.u32s({3, 1, 2});
    if (second) b.u32(3);
    b.floats({0, 0, 0, 0.5f, 0, 0, 0, 0.5f, 0});
    b.u32s({0, 1, 2});
    b.u32s({0, 1, 1});
    b.floats({0.5f, 0.25f, 0.75f, 0.125f});
    if (second) {
        b.u32s({2, 0, 2});
        b.floats({5, 6, 7, 8, 9, 10});
    }
    b.floats({0, 0, 1, 0, 0, 1, 1, 0, 0});
    return b.data;
}

// A copy of bytes with the 32-bit value at offset replaced.
std::vector<uint8_t> patchedU32(std::vector<uint8_t> bytes, size_t offset, uint32_t value)
{
    if (offset + 4 > bytes.size()) return bytes;
    for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = uint8_t(value >> (8 * i));
    return bytes;
}

class MeshTest : public SoftwareGLTest<64, 64> {
protected:
    static void loadFromBytes(Mesh& mesh, const std::vector<uint8_t>& bytes)
    {
        AssetStream stream;
        adoptCopy(stream, bytes);
        mesh.load(stream);
    }
    static void loadFromBytes(BodyMesh& mesh, const std::vector<uint8_t>& bytes, bool second)
    {
        AssetStream stream;
        adoptCopy(stream, bytes);
        mesh.load(stream, second);
    }

    // Sentinels in every current attribute, then the list; returns the vertices fed back.
    static int callWithSentinels(GLuint list)
    {
        for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
            glActiveTexture(unit);
            glMultiTexCoord4f(unit, -7, -7, 0, 1);
        }
        glActiveTexture(GL_TEXTURE0);
        glColor4f(0.125f, 0.125f, 0.125f, 1);
        glNormal3f(-9, -9, -9);
        GLfloat feedback[256];
        glFeedbackBuffer(256, GL_3D, feedback);
        glRenderMode(GL_FEEDBACK);
        glCallList(list);
        const GLint used = glRenderMode(GL_RENDER);
        int vertices = 0;
        for (GLint i = 0; i < used;) {
            if (feedback[i] == GL_POLYGON_TOKEN) {
                const int n = int(feedback[i + 1]);
                vertices += n;
                i += 2 + 3 * n;
            } else {
                i += 1;
            }
        }
        return vertices;
    }

    static std::array<float, 2> currentCoords(GLenum unit)
    {
        GLfloat v[4] = {};
        glActiveTexture(unit);
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, v);
        glActiveTexture(GL_TEXTURE0);
        return {v[0], v[1]};
    }
    static std::array<float, 3> current(GLenum which)
    {
        GLfloat v[4] = {};
        glGetFloatv(which, v);
        return {v[0], v[1], v[2]};
    }

    ScratchFolder folder;
};

using Pair = std::array<float, 2>;
using Triple = std::array<float, 3>;
const Pair UNTOUCHED{-7, -7};

TEST_F(MeshTest, TextureCoordinateSetsEmitAsTheirCountSays)
{
    struct Case {
        const char* name;
        MeshSpec layout;
        Pair unit0;   // after the list: the last corner (index 2) of the set, or untouched
        Pair unit1;
    };
    const Case cases[] = {
        {"M = 0 emits no coordinates", {0, {}}, UNTOUCHED, UNTOUCHED},
        {"M = 1 emits set 0 on unit 0", {1, {3}}, {2, 102}, UNTOUCHED},
        {"M = 2 emits both sets", {2, {3, 3}}, {2, 102}, {12, 112}},
        {"M = 3 reads and skips the third set", {3, {3, 3, 3}}, {2, 102}, {12, 112}},
        {"set 0 with count 0 has no index block", {2, {0, 3}}, UNTOUCHED, {12, 112}},
        {"set 1 with count 0 has no index block", {2, {3, 0}}, {2, 102}, UNTOUCHED},
        {"M = 1 with count 0", {1, {0}}, UNTOUCHED, UNTOUCHED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        loadFromBytes(mesh, meshBytes(c.layout));
        ASSERT_NE(mesh.displayList, 0u);
        EXPECT_EQ(callWithSentinels(mesh.displayList), 3);
        EXPECT_EQ(currentCoords(GL_TEXTURE0), c.unit0);
        EXPECT_EQ(currentCoords(GL_TEXTURE1), c.unit1);
        EXPECT_EQ(mesh.maximum.z, 3.0f) << "the fields after the sets were read in place";
    }
}

TEST_F(MeshTest, ColoursEmitOnlyWithFlagAndCount)
{
    struct Case {
        const char* name;
        bool flag;
        uint32_t count;
        Triple colour;
    };
    const Case cases[] = {
        {"no flag", false, 0, {0.125f, 0.125f, 0.125f}},
        {"flag with count 0 reads the count only", true, 0, {0.125f, 0.125f, 0.125f}},
        {"flag with two colours", true, 2, {0.25f, 0.5f, 0.75f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeshSpec layout;
        layout.colours = c.flag;
        layout.colourCount = c.count;
        layout.normals = true;
        Mesh mesh;
        loadFromBytes(mesh, meshBytes(layout));
        EXPECT_EQ(callWithSentinels(mesh.displayList), 3);
        const Triple colour = current(GL_CURRENT_COLOR);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(colour[size_t(i)], c.colour[size_t(i)], 1e-6);
        EXPECT_EQ(current(GL_CURRENT_NORMAL), (Triple{0, 0, 1})) << "normals follow the colours";
    }
}

TEST_F(MeshTest, NormalsAreTurnedByMinusTheHeaderAngle)
{
    MeshSpec layout;
    layout.normals = true;
    layout.axis = {1, 0, 0};
    layout.angle = 3.14159265f / 2;
    Mesh mesh;
    loadFromBytes(mesh, meshBytes(layout));
    callWithSentinels(mesh.displayList);
    const Triple n = current(GL_CURRENT_NORMAL);
    EXPECT_NEAR(n[0], 0, 1e-5);
    EXPECT_NEAR(n[1], 1, 1e-5);
    EXPECT_NEAR(n[2], 0, 1e-4);
    EXPECT_LT(n[2], 0) << "a hair more than 90 degrees, as 3.14159 < pi";

    MeshSpec without;
    Mesh plain;
    loadFromBytes(plain, meshBytes(without));
    callWithSentinels(plain.displayList);
    EXPECT_EQ(current(GL_CURRENT_NORMAL), (Triple{-9, -9, -9})) << "no normals flag, no normals";
}

TEST_F(MeshTest, BoundingBoxGivesCentreAndHalfExtents)
{
    Mesh mesh;
    loadFromBytes(mesh, meshBytes(MeshSpec{}));
    EXPECT_EQ(mesh.minimum.x, -1.0f);
    EXPECT_EQ(mesh.maximum.y, 2.0f);
    EXPECT_EQ(mesh.centre.x, 0.0f);
    EXPECT_EQ(mesh.centre.y, 0.0f);
    EXPECT_EQ(mesh.centre.z, 0.0f);
    EXPECT_EQ(mesh.halfExtents.x, 1.0f);
    EXPECT_EQ(mesh.halfExtents.y, 2.0f);
    EXPECT_EQ(mesh.halfExtents.z, 3.0f);
}

TEST_F(MeshTest, ShortOrLyingMembersGiveAnEmptyMesh)
{
    MeshSpec full;
    full.uvSets = 2;
    full.uvCounts = {3, 3};
    full.colours = true;
    full.colourCount = 2;
    full.normals = true;
    const auto good = meshBytes(full);
    auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + long(size)); };
    auto patched = [&](size_t offset, uint32_t value) { return patchedU32(good, offset, value); };
    const size_t faces = 48 + 36;
    const size_t set0 = faces + 12;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty member", {}},
        {"cut inside the header", cut(30)},
        {"cut inside the vertices", cut(60)},
        {"cut before the bounding box", cut(good.size() - 24)},
        {"cut inside the bounding box", cut(good.size() - 4)},
        {"vertex index out of range", patched(faces + 4, 3)},
        {"coordinate index out of range", patched(set0 + 4 + 24 + 8, 3)},
        {"colour index out of range", patched(good.size() - 24 - 36 - 4, 2)},
        {"vertex count far beyond the member", patched(28, 0xFFFFFFF0u)},
        {"face count far beyond the member", patched(32, 0x40000000u)},
        {"four billion coordinate sets", patched(36, 0xFFFFFFFFu)},
        {"coordinate count far beyond the member", patched(set0, 0x20000000u)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh;
        loadFromBytes(mesh, c.bytes);
        EXPECT_NE(mesh.displayList, 0u) << "an empty list still exists";
        EXPECT_EQ(callWithSentinels(mesh.displayList), 0);
        EXPECT_EQ(mesh.minimum.x, 0.0f);
        EXPECT_EQ(mesh.maximum.z, 0.0f);
        EXPECT_EQ(mesh.halfExtents.y, 0.0f);
    }
    Mesh intact;
    loadFromBytes(intact, good);
    EXPECT_EQ(callWithSentinels(intact.displayList), 3) << "the unpatched member is sound";
}

TEST_F(MeshTest, LoadsByNameFromTheArchive)
{
    packDataRar({{"meshes\\tri.dat", meshBytes(MeshSpec{})}});
    Mesh mesh, missing;
    mesh.load("tri");
    EXPECT_EQ(callWithSentinels(mesh.displayList), 3);
    missing.load("nothere");
    EXPECT_EQ(callWithSentinels(missing.displayList), 0);
}

TEST_F(MeshTest, BodyMeshReadsTheDatMemberOfItsAseName)
{
    EXPECT_EQ(BodyMesh::memberName("rf2.ase"), "meshes\\rf2.dat");
    EXPECT_EQ(BodyMesh::memberName("car.ase"), "meshes\\car.dat");
    packDataRar({{"meshes\\rf2.dat", bodyBytes(true)}, {"meshes\\sh.dat", bodyBytes(false)}});

    BodyMesh reflection;
    reflection.load("rf2.ase", true);
    ASSERT_NE(reflection.displayList, 0u);
    EXPECT_EQ(callWithSentinels(reflection.displayList), 3);
    EXPECT_EQ(currentCoords(GL_TEXTURE0), (Pair{0.75f, 0.125f}));
    EXPECT_EQ(currentCoords(GL_TEXTURE1), (Pair{9, 10}));
    EXPECT_EQ(current(GL_CURRENT_NORMAL), (Triple{1, 0, 0}));

    BodyMesh shadow;
    shadow.load("sh.ase", false);
    EXPECT_EQ(callWithSentinels(shadow.displayList), 3);
    EXPECT_EQ(currentCoords(GL_TEXTURE0), (Pair{0.75f, 0.125f}));
    EXPECT_EQ(currentCoords(GL_TEXTURE1), UNTOUCHED);
}

TEST_F(MeshTest, BodyMeshThatLiesCompilesNothing)
{
    auto good = bodyBytes(true);
    auto badIndex = good;
    badIndex[16 + 36 + 12] = 5;  // first coordinate index beyond the two coordinates
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool second;
    };
    const Case cases[] = {
        {"empty", {}, true},
        {"cut before the normals", std::vector<uint8_t>(good.begin(), good.end() - 36), true},
        {"coordinate index out of range", badIndex, true},
        {"read without the second set it was written with", good, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BodyMesh mesh;
        loadFromBytes(mesh, c.bytes, c.second);
        EXPECT_NE(mesh.displayList, 0u);
        EXPECT_EQ(callWithSentinels(mesh.displayList), 0);
    }
}

} // namespace
