// Render scripts loaded from real archives: block structure, "mesh" and "collect" lines, and the
// frustum culling of meshes, seen in the pixels drawn on a Mesa context.
#include "render/frustum.h"
#include "render/render_script.h"
#include "tests/support/byte_writer.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace {
using namespace qm;
using namespace qm::test;

// A square of one colour from (x0, y0) to (x1, y1) at z = 0, with the box stored in the file
// (which is what culling tests, whatever the vertices say).
std::vector<uint8_t> squareMesh(float x0, float y0, float x1, float y1, Vec3 colour, Vec3 boxMin, Vec3 boxMax)
{
    ByteWriter b;
    for (int i = 0; i < 7; ++i) b.f32(0);
    b.u32(4).u32(2).u32(0).u32(0).u32(1);
    for (float v : {x0, y0, 0.0f, x1, y0, 0.0f, x1, y1, 0.0f, x0, y1, 0.0f}) b.f32(v);
    for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) b.u32(i);
    b.u32(1).f32(colour.x).f32(colour.y).f32(colour.z);
    for (int i = 0; i < 6; ++i) b.u32(0);
    for (float v : {boxMin.x, boxMin.y, boxMin.z, boxMax.x, boxMax.y, boxMax.z}) b.f32(v);
    return b.data;
}

// A mesh whose box minimum x is k, so that load order can be read back.
std::vector<uint8_t> markedMesh(int k)
{
    return squareMesh(0, 0, 0, 0, {1, 1, 1}, {float(k), 0, 0}, {float(k) + 1, 1, 1});
}

class RenderScriptTest : public SoftwareGLTest<64, 64> {
protected:
    void SetUp() override { resetTextureCache(); }

    static RenderScript loaded(const std::string& text, std::vector<RarEntry> more = {})
    {
        more.push_back({"script.txt", bytesOf(text)});
        packDataRar(more);
        RenderScript script;
        script.load("script.txt");
        return script;
    }

    ScratchFolder folder;
};

std::vector<int> markers(const RenderBlock& block)
{
    std::vector<int> out;
    for (const Mesh& m : block.meshes) out.push_back(int(m.minimum.x));
    return out;
}

TEST_F(RenderScriptTest, CollectNamesTwoDigitsBelowTen)
{
    EXPECT_EQ(collectMeshName("road", 1), "road01");
    EXPECT_EQ(collectMeshName("road", 9), "road09");
    EXPECT_EQ(collectMeshName("road", 10), "road10");
    EXPECT_EQ(collectMeshName("road", 123), "road123");

    std::vector<RarEntry> meshes;
    for (int k = 1; k <= 12; ++k) meshes.push_back({"meshes\\" + collectMeshName("road", k) + ".dat", markedMesh(k)});
    meshes.push_back({"meshes\\single.dat", markedMesh(40)});
    const RenderScript script = loaded("header\nrender\n{\nmesh single 7\ncollect road 12\ncollect road 0\nmesh single 0\n}\nend\n", meshes);
    ASSERT_EQ(script.blocks.size(), 1u);
    const RenderBlock& block = script.blocks[0];
    EXPECT_EQ(block.meshCount, 14);
    EXPECT_EQ(markers(block), (std::vector<int>{40, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 40}));
}

TEST_F(RenderScriptTest, BlockStructure)
{
    std::vector<RarEntry> more = {
        {"meshes\\a.dat", markedMesh(1)},
        {"meshes\\b.dat", markedMesh(2)},
        {"technique\\lit", bytesOf("lighted\nend\n")},
        {"technique\\two", bytesOf("2sided\nend\n")},
    };
    struct Case {
        const char* name;
        const char* text;
        std::vector<std::vector<int>> blocks;
    };
    const Case cases[] = {
        {"first line end makes the script empty", "end\nrender\n{\nmesh a 0\n}\nend\n", {}},
        {"first line render is only a header",
         "render\nmesh a 0\n}\nrender\n{\nmesh b 0\n}\nend\n", {{2}}},
        {"lines between blocks are ignored", "h\nmesh a 0\nrender\n{\nmesh b 0\n}\nmesh a 0\nrender\n{\n}\nend\n", {{2}, {}}},
        {"lines after end are not read", "h\nend\nrender\n{\nmesh a 0\n}\n", {}},
        {"no end line keeps the blocks read", "h\nrender\n{\nmesh a 0\n}\nrender\n{\nmesh b 0\n}", {{1}, {2}}},
        {"a block cut by the end of the member is kept", "h\nrender\n{\nmesh a 0\nmesh b 0", {{1, 2}}},
        {"empty member", "", {}},
        {"a mesh line without a name is ignored", "h\nrender\n{\nmesh\nmesh a\n}\nend\n", {{1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RenderScript script = loaded(c.text, more);
        ASSERT_EQ(script.blocks.size(), c.blocks.size());
        for (size_t i = 0; i < c.blocks.size(); ++i) EXPECT_EQ(markers(script.blocks[i]), c.blocks[i]);
    }
}

TEST_F(RenderScriptTest, TechniqueLinesReadOverTheSameTechnique)
{
    const RenderScript script = loaded("h\nrender\n{\ntechnique lit\ntechnique two\n}\nrender\n{\n}\nend\n",
                                       {{"technique\\lit", bytesOf("lighted\nend\n")},
                                        {"technique\\two", bytesOf("2sided\nend\n")}});
    ASSERT_EQ(script.blocks.size(), 2u);
    EXPECT_TRUE(script.blocks[0].technique.lighted);
    EXPECT_TRUE(script.blocks[0].technique.twoSided);
    EXPECT_FALSE(script.blocks[1].technique.lighted) << "a block without a technique keeps the defaults";
}

TEST_F(RenderScriptTest, HugeCollectCountIsBounded)
{
    const RenderScript script = loaded("h\nrender\n{\ncollect x 2000000000\n}\nend\n");
    ASSERT_EQ(script.blocks.size(), 1u);
    EXPECT_EQ(script.blocks[0].meshCount, RenderScript::MAX_COLLECT_COUNT);
}

TEST_F(RenderScriptTest, MeshesOutsideTheViewAreNotDrawn)
{
    // Both squares lie in view; the second one's stored box lies behind the right plane.
    const RenderScript script = loaded(
        "h\nrender\n{\nmesh left 0\nmesh right 0\n}\nend\n",
        {{"meshes\\left.dat", squareMesh(-0.9f, -0.5f, -0.1f, 0.5f, {1, 0, 0}, {-0.9f, -0.5f, 0}, {-0.1f, 0.5f, 0})},
         {"meshes\\right.dat", squareMesh(0.1f, -0.5f, 0.9f, 0.5f, {0, 1, 0}, {1.5f, -0.5f, 0}, {2.5f, 0.5f, 0})}});
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    viewFrustum.extract();
    script.draw();
    glFinish();
    uint8_t left[4] = {}, right[4] = {};
    glReadPixels(16, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(48, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[1], 0);
    EXPECT_EQ(right[1], 0) << "the culled mesh drew nothing";

    // Moved into view, the same box passes and the green square appears.
    glTranslatef(-1.0f, 0, 0);
    viewFrustum.extract();
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    script.draw();
    glFinish();
    glReadPixels(48, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ(right[1], 255);
}

} // namespace
