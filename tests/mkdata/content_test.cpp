// What the generated members hold: meshes that parse to exactly the sizes their headers claim,
// text members that end with "end", pictures with the layouts their users expect, a sky that
// fits inside the far plane, and a circuit whose road the terrain never pokes through.
#include "mkdata_test_support.h"

#include "assets/asset_stream.h"
#include "assets/image_buffer.h"
#include "assets/mesh.h"
#include "assets/tga_image.h"
#include "tests/support/data_rar.h"
#include "tools/mkdata/car_artwork.h"
#include "tools/mkdata/circuit.h"
#include "tools/mkdata/landscape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm::test {
namespace {

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Walks a mesh member field by field, as the mesh format lays it out; any inconsistency is a failure.
class MeshWalker {
public:
    explicit MeshWalker(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    std::string walk()
    {
        skip(24);   // unused reals, rotation axis
        float angle = real();
        uint32_t v = count(), f = count(), m = count(), normals = count(), colours = count();
        if (angle != 0.0f)
            return "normals would be rotated";
        for (uint32_t i = 0; i < v && ok(); ++i)
            vertices.push_back({real(), real(), real()});
        faces = f;
        checkIndices(f, v, "face");
        for (uint32_t s = 0; s < m && ok(); ++s) {
            uint32_t t = count();
            if (t == 0)
                continue;
            skip(size_t(t) * 8);
            checkIndices(f, t, "texture coordinate");
        }
        if (colours && ok()) {
            uint32_t c = count();
            if (c != 0) {
                skip(size_t(c) * 12);
                checkIndices(f, c, "colour");
            }
        }
        if (normals)
            skip(size_t(f) * 36);
        for (float& b : box)
            b = real();
        if (!ok())
            return problem_.empty() ? "ends early" : problem_;
        if (position_ != bytes_.size())
            return std::to_string(bytes_.size() - position_) + " bytes left over";
        return "";
    }

    std::vector<Vec3> vertices;
    uint32_t faces = 0;
    float box[6] = {};

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
    bool past_ = false;
    std::string problem_;

    bool ok() const { return !past_ && problem_.empty(); }
    void skip(size_t n)
    {
        if (n > bytes_.size() - std::min(position_, bytes_.size()))
            past_ = true;
        else
            position_ += n;
    }
    uint32_t count()
    {
        uint32_t v = 0;
        if (position_ + 4 <= bytes_.size())
            std::memcpy(&v, bytes_.data() + position_, 4);
        skip(4);
        return v;
    }
    float real()
    {
        uint32_t v = count();
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    void checkIndices(uint32_t faces, uint32_t limit, const char* what)
    {
        for (uint64_t i = 0; i < uint64_t(faces) * 3 && ok(); ++i)
            if (count() >= limit)
                problem_ = std::string(what) + " index out of range";
    }
};

std::vector<const RarEntry*> membersEndingWith(const std::string& tail)
{
    std::vector<const RarEntry*> out;
    for (const RarEntry& m : dataSet().members())
        if (endsWith(m.name, tail))
            out.push_back(&m);
    return out;
}

TEST(MkdataMeshes, ParseToTheSizesTheirHeadersClaim)
{
    std::vector<const RarEntry*> meshes = membersEndingWith(".dat");
    ASSERT_GT(meshes.size(), 50u);
    for (const RarEntry* m : meshes) {
        if (isBodyMeshMember(m->name))
            continue;   // the car bodies' own layout, checked with the car artwork
        SCOPED_TRACE(m->name);
        MeshWalker walker(m->data);
        ASSERT_EQ(walker.walk(), "");
        EXPECT_GT(walker.faces, 0u);
        // The stored box is exactly the vertices' box: culling relies on it.
        Vec3 lo = walker.vertices[0], hi = lo;
        for (const Vec3& p : walker.vertices) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
        EXPECT_EQ(walker.box[0], lo.x); EXPECT_EQ(walker.box[1], lo.y); EXPECT_EQ(walker.box[2], lo.z);
        EXPECT_EQ(walker.box[3], hi.x); EXPECT_EQ(walker.box[4], hi.y); EXPECT_EQ(walker.box[5], hi.z);
        // The program's own mesh reader agrees.
        AssetStream stream;
        adoptCopy(stream, m->data);
        MeshFile file;
        ASSERT_TRUE(parseMeshFile(stream, file));
        EXPECT_EQ(file.faceCount(), walker.faces);
        EXPECT_EQ(file.vertices.size(), walker.vertices.size());
    }
}

TEST(MkdataText, MembersAreShortLinesEndingWithEnd)
{
    std::vector<const RarEntry*> texts = membersEndingWith(".txt");
    // Livery files are four lines read one by one, with no "end"; camera scenes end with
    // "ENDKEYS". Their own tests check them.
    std::erase_if(texts, [](const RarEntry* m) {
        return startsWith(m->name, "vcl\\") || startsWith(m->name, "scene");
    });
    for (const RarEntry& m : dataSet().members())
        if (startsWith(m.name, "technique\\"))
            texts.push_back(&m);
    ASSERT_GE(texts.size(), 4u);
    for (const RarEntry* m : texts) {
        SCOPED_TRACE(m->name);
        std::vector<std::string> ls = lines(m->data);
        ASSERT_FALSE(ls.empty());
        EXPECT_TRUE(startsWith(ls.back(), "end"));
        EXPECT_EQ(m->data.back(), '\n');
        for (const std::string& l : ls) {
            EXPECT_LT(l.size(), 128u);
            EXPECT_TRUE(std::all_of(l.begin(), l.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) << l;
        }
        // Only the last line may say "end": anything after a stray one would never be read.
        for (size_t i = 0; i + 1 < ls.size(); ++i)
            EXPECT_FALSE(startsWith(ls[i], "end")) << ls[i];
    }
}

ImageBuffer decode(const std::string& member)
{
    ImageBuffer image;
    const RarEntry* e = dataSet().find(member);
    EXPECT_NE(e, nullptr) << member;
    if (e) {
        EXPECT_TRUE(decodeJpeg(e->data.data(), uint32_t(e->data.size()), image)) << member;
    }
    return image;
}

// Brightest red value in a rectangle of picture rows counted from the top.
int brightest(const ImageBuffer& image, int x0, int y0, int x1, int y1)
{
    int most = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            int row = image.height - 1 - y;   // the buffer's rows run bottom-up
            most = std::max(most, int(image.pixels[size_t(row) * size_t(image.rowBytes) + size_t(x) * 3]));
        }
    return most;
}

TEST(MkdataTextures, JpegsAreColourWithPowerOfTwoSides)
{
    for (const RarEntry* m : membersEndingWith(".jpg")) {
        SCOPED_TRACE(m->name);
        ImageBuffer image = decode(m->name);
        EXPECT_EQ(image.components(), 3);   // the texture upload takes RGB
        EXPECT_EQ(image.width & (image.width - 1), 0);
        EXPECT_EQ(image.height & (image.height - 1), 0);
    }
    ImageBuffer loading = decode("textures\\load.jpg");
    EXPECT_EQ(loading.width, 4 * loading.height);   // drawn on a 200 x 50 quad
}

// Glyphs 0..12 in a 4 x 4 grid, rows from the top; every glyph keeps clear of its cell's edges,
// since neighbouring cells overlap on screen, and the three unused cells stay black.
TEST(MkdataTextures, GlyphGridHasThirteenGlyphsInsideTheirCells)
{
    ImageBuffer glyphs = decode("textures\\c.jpg");
    ASSERT_EQ(glyphs.width, 256);
    ASSERT_EQ(glyphs.height, 256);
    for (int cell = 0; cell < 16; ++cell) {
        SCOPED_TRACE(cell);
        int x = (cell % 4) * 64, y = (cell / 4) * 64;
        int inside = brightest(glyphs, x + 8, y + 4, x + 56, y + 60);
        if (cell <= 12) {
            EXPECT_GT(inside, 200);
        } else {
            EXPECT_LT(inside, 24);
        }
        EXPECT_LT(brightest(glyphs, x, y, x + 64, y + 2), 24);
        EXPECT_LT(brightest(glyphs, x, y, x + 4, y + 64), 24);
        EXPECT_LT(brightest(glyphs, x + 60, y, x + 64, y + 64), 24);
    }
    // Glyph 1 lights only its right-hand segments; 8 lights both sides.
    EXPECT_LT(brightest(glyphs, 64 + 12, 20, 64 + 24, 44), 60);
    EXPECT_GT(brightest(glyphs, 128 + 14, 20, 128 + 24, 44), 200);
}

TEST(MkdataTextures, TreePictureIsCutOutByItsAlpha)
{
    const RarEntry* e = dataSet().find("textures\\tree.tga");
    ASSERT_NE(e, nullptr);
    AssetStream stream;
    adoptCopy(stream, e->data);
    TgaImage tga;
    ASSERT_TRUE(decodeTga(stream, tga));
    ASSERT_EQ(tga.pixelDepth, 32);
    size_t clear = 0, solid = 0;
    for (size_t i = 3; i < tga.pixels.size(); i += 4) {
        clear += tga.pixels[i] == 0;
        solid += tga.pixels[i] == 255;
    }
    EXPECT_GT(clear, tga.pixels.size() / 16);
    EXPECT_GT(solid, tga.pixels.size() / 16);
    // Stored bottom row first: the trunks (opaque) at the bottom, open sky (clear) at the top.
    EXPECT_EQ(tga.pixels[(size_t(0) * tga.width + 64) * 4 + 3], 255);
    EXPECT_EQ(tga.pixels[(size_t(tga.height - 1) * tga.width + 64) * 4 + 3], 0);
}

std::vector<Vec3> meshVertices(const std::string& member)
{
    const RarEntry* e = dataSet().find(member);
    if (!e)
        return {};
    MeshWalker walker(e->data);
    EXPECT_EQ(walker.walk(), "") << member;
    return walker.vertices;
}

// The dome is drawn around the eye: it must stay inside the camera's 250-unit far plane, yet
// reach far enough below the horizon that looking down never shows an undrawn background.
TEST(MkdataSky, DomeFitsInsideTheFarPlaneAndSurroundsTheEye)
{
    std::vector<Vec3> dome = meshVertices("meshes\\skydome.dat");
    ASSERT_FALSE(dome.empty());
    float nearest = 1e9f, farthest = 0.0f, lowest = 0.0f;
    for (const Vec3& p : dome) {
        nearest = std::min(nearest, length(p));
        farthest = std::max(farthest, length(p));
        lowest = std::min(lowest, p.z / length(p));
    }
    EXPECT_LT(farthest, 250.0f * 0.95f);
    EXPECT_GT(nearest, 100.0f);
    EXPECT_LT(lowest, -0.99f);
}

TEST(MkdataCircuit, ClosedSmoothAndInsideTheLightMap)
{
    const Circuit& c = Circuit::standard();
    EXPECT_GT(c.length(), 900.0f);
    EXPECT_LT(c.length(), 1400.0f);
    EXPECT_GT(c.minimumRadius(), 8.0f);   // the inner lane keeps a sane radius
    Vec3 start = c.at(0.0f).position, end = c.at(c.length() - 0.01f).position;
    EXPECT_LT(length(start - end), 0.05f);
    for (float d = 0.0f; d < c.length(); d += 1.0f) {
        CircuitPoint p = c.at(d);
        // The light map covers x -197..270 and y -152..154.
        EXPECT_GT(p.position.x, -190.0f); EXPECT_LT(p.position.x, 263.0f);
        EXPECT_GT(p.position.y, -145.0f); EXPECT_LT(p.position.y, 147.0f);
        // No other part of the lap comes within two road widths: the circuit never crosses itself.
        for (float e = 0.0f; e < c.length(); e += 1.0f) {
            float apart = std::fabs(e - d);
            if (std::min(apart, c.length() - apart) > 30.0f) {
                ASSERT_GT(length(c.at(e).position - p.position), 4.0f * Circuit::ROAD_HALF_WIDTH) << d << " " << e;
            }
        }
    }
}

// Height of the terrain meshes under (x, y), or nothing when no triangle covers the point.
bool terrainHeight(const std::vector<std::vector<Vec3>>& tris, float x, float y, float* z)
{
    for (const std::vector<Vec3>& t : tris)
        for (size_t i = 0; i + 2 < t.size(); i += 3) {
            Vec3 a = t[i], b = t[i + 1], c = t[i + 2];
            float det = (b.y - c.y) * (a.x - c.x) + (c.x - b.x) * (a.y - c.y);
            if (det == 0.0f)
                continue;
            float l1 = ((b.y - c.y) * (x - c.x) + (c.x - b.x) * (y - c.y)) / det;
            float l2 = ((c.y - a.y) * (x - c.x) + (a.x - c.x) * (y - c.y)) / det;
            float l3 = 1.0f - l1 - l2;
            if (l1 >= -1e-5f && l2 >= -1e-5f && l3 >= -1e-5f) {
                *z = l1 * a.z + l2 * b.z + l3 * c.z;
                return true;
            }
        }
    return false;
}

// Terrain triangles, expanded from the meshes' index lists.
std::vector<std::vector<Vec3>> terrainTriangles()
{
    std::vector<std::vector<Vec3>> out;
    for (const RarEntry& m : dataSet().members()) {
        if (!startsWith(m.name, "meshes\\land"))
            continue;
        MeshWalker walker(m.data);
        EXPECT_EQ(walker.walk(), "");
        std::vector<Vec3> tris;
        for (uint32_t f = 0; f < walker.faces; ++f)
            for (int k = 0; k < 3; ++k) {
                uint32_t index;
                std::memcpy(&index, m.data.data() + 48 + walker.vertices.size() * 12 + (size_t(f) * 3 + size_t(k)) * 4, 4);
                tris.push_back(walker.vertices[index]);
            }
        out.push_back(std::move(tris));
    }
    return out;
}

// Across the road and its verges the terrain stays below the surface, so it never shows through.
TEST(MkdataCircuit, TerrainStaysBelowTheRoadAndItsVerges)
{
    std::vector<std::vector<Vec3>> tris = terrainTriangles();
    ASSERT_EQ(tris.size(), 64u);
    const Circuit& c = Circuit::standard();
    const float edge = Circuit::ROAD_HALF_WIDTH + Circuit::VERGE_WIDTH;
    for (float d = 0.0f; d < c.length(); d += 7.0f)
        for (float offset : {-edge, -Circuit::ROAD_HALF_WIDTH, 0.0f, Circuit::ROAD_HALF_WIDTH, edge}) {
            CircuitPoint p = c.at(d);
            Vec3 q = p.position + p.right * offset;
            float z = 0.0f;
            ASSERT_TRUE(terrainHeight(tris, q.x, q.y, &z)) << d;
            float surface = std::fabs(offset) > Circuit::ROAD_HALF_WIDTH + 0.01f
                                ? Circuit::ROAD_HEIGHT - Circuit::VERGE_DROP : Circuit::ROAD_HEIGHT;
            EXPECT_LT(z, surface - 0.02f) << "at " << d << " offset " << offset;
        }
}

} // namespace
} // namespace qm::test
