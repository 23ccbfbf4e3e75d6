// The race cars' default artwork: livery files in their four-line form naming members that exist,
// bodies in the body mesh layout that sit on their wheels with the helmet in the cockpit, shells
// that lie exactly on the paint, wheels and helmet in the mesh layout, textures the car passes
// can use, and a light map with shade and open road where the scenery puts them. The last suite
// hands every member to the program's own loaders on a software GL context.
#include "mkdata_test_support.h"

#include "assets/asset_stream.h"
#include "assets/body_mesh.h"
#include "assets/cube_texture.h"
#include "assets/image_buffer.h"
#include "assets/mesh.h"
#include "assets/texture.h"
#include "assets/tga_image.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tools/mkdata/circuit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

namespace qm::test {
namespace {

const char* const LIVERY_FILES[6] = {"vcl\\f.txt",    "vcl\\b.txt",      "vcl\\green.txt",
                                     "vcl\\blue.txt", "vcl\\orange.txt", "vcl\\yellow.txt"};
const char* const BODY_MEMBERS[3] = {"meshes\\car.dat", "meshes\\car2.dat", "meshes\\car3.dat"};
const char* const SHELL_MEMBERS[3] = {"meshes\\rf.dat", "meshes\\rf2.dat", "meshes\\rf3.dat"};

// Wheel centres by body (layout A for bodies 0 and 2, B for body 1) and the helmet offsets.
const std::array<Vec3, 4> LAYOUT_A = {Vec3(165.022f, 331.336f, 71.487f), Vec3(-168.752f, 331.336f, 71.487f),
                                      Vec3(162.779f, -345.997f, 73.917f), Vec3(-161.661f, -345.997f, 73.917f)};
const std::array<Vec3, 4> LAYOUT_B = {Vec3(158.922f, 337.240f, 72.724f), Vec3(-159.850f, 337.240f, 72.724f),
                                      Vec3(156.956f, -349.112f, 73.103f), Vec3(-156.062f, -349.112f, 73.103f)};
const std::array<Vec3, 4>& layoutOf(int body) { return body == 1 ? LAYOUT_B : LAYOUT_A; }
Vec3 helmetOf(int body) { return body == 1 ? Vec3(0.0388f, 25.9106f, 133.1917f) : Vec3(0.0388f, 21.9106f, 129.1917f); }

// A body mesh member read field by field in the order of its layout; empty problem when sound.
struct BodyFile {
    std::vector<Vec3> vertices, normals;
    std::vector<uint32_t> faces, coordIndices, secondIndices;
    std::vector<std::array<float, 2>> coords, secondCoords;
    std::string problem;
    uint32_t faceCount() const { return uint32_t(faces.size() / 3); }
};

BodyFile readBody(const std::vector<uint8_t>& bytes, bool second)
{
    BodyFile b;
    size_t at = 0;
    bool past = false;
    auto u32 = [&]() {
        uint32_t v = 0;
        if (at + 4 <= bytes.size())
            std::memcpy(&v, bytes.data() + at, 4);
        else
            past = true;
        at += 4;
        return v;
    };
    auto real = [&]() {
        uint32_t v = u32();
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    };
    uint32_t v = u32(), f = u32(), t = u32(), s = second ? u32() : 0;
    if (uint64_t(v) * 12 + uint64_t(f) * 72 > bytes.size()) {
        b.problem = "counts larger than the member";
        return b;
    }
    for (uint32_t i = 0; i < v; ++i) b.vertices.push_back({real(), real(), real()});
    for (uint32_t i = 0; i < f * 3; ++i) b.faces.push_back(u32());
    for (uint32_t i = 0; i < f * 3; ++i) b.coordIndices.push_back(u32());
    for (uint32_t i = 0; i < t; ++i) b.coords.push_back({real(), real()});
    if (second) {
        for (uint32_t i = 0; i < f * 3; ++i) b.secondIndices.push_back(u32());
        for (uint32_t i = 0; i < s; ++i) b.secondCoords.push_back({real(), real()});
    }
    for (uint32_t i = 0; i < f * 3; ++i) b.normals.push_back({real(), real(), real()});
    if (past)
        b.problem = "ends early";
    else if (at != bytes.size())
        b.problem = std::to_string(bytes.size() - at) + " bytes left over";
    for (uint32_t i : b.faces) if (i >= v) b.problem = "vertex index out of range";
    for (uint32_t i : b.coordIndices) if (i >= t) b.problem = "coordinate index out of range";
    for (uint32_t i : b.secondIndices) if (i >= s) b.problem = "second coordinate index out of range";
    return b;
}

BodyFile bodyMember(const std::string& name, bool second)
{
    const RarEntry* e = dataSet().find(name);
    if (!e) {
        BodyFile b;
        b.problem = "missing";
        return b;
    }
    return readBody(e->data, second);
}

MeshFile meshMember(const std::string& name)
{
    MeshFile file;
    const RarEntry* e = dataSet().find(name);
    EXPECT_NE(e, nullptr) << name;
    if (e) {
        AssetStream stream;
        adoptCopy(stream, e->data);
        EXPECT_TRUE(parseMeshFile(stream, file)) << name;
    }
    return file;
}

ImageBuffer jpegMember(const std::string& name)
{
    ImageBuffer image;
    const RarEntry* e = dataSet().find(name);
    EXPECT_NE(e, nullptr) << name;
    if (e) {
        EXPECT_TRUE(decodeJpeg(e->data.data(), uint32_t(e->data.size()), image)) << name;
    }
    return image;
}

TgaImage tgaMember(const std::string& name)
{
    TgaImage tga;
    const RarEntry* e = dataSet().find(name);
    EXPECT_NE(e, nullptr) << name;
    if (e) {
        AssetStream stream;
        adoptCopy(stream, e->data);
        EXPECT_TRUE(decodeTga(stream, tga)) << name;
    }
    return tga;
}

struct Livery {
    int body = -1;
    std::string paint, helmet, shadow;
};

// The four lines as the saver's formatted scans read them; a line that does not match fails.
Livery parseLivery(const std::string& member)
{
    Livery l;
    const RarEntry* e = dataSet().find(member);
    EXPECT_NE(e, nullptr) << member;
    if (!e)
        return l;
    std::vector<std::string> ls = lines(e->data);
    EXPECT_EQ(ls.size(), 4u) << member;
    ls.resize(4);
    char word[256] = {};
    EXPECT_EQ(std::sscanf(ls[0].c_str(), "bodymesh %d", &l.body), 1) << ls[0];
    EXPECT_EQ(std::sscanf(ls[1].c_str(), "texture %255s", word), 1) << ls[1];
    l.paint = word;
    EXPECT_EQ(std::sscanf(ls[2].c_str(), "helmet %255s", word), 1) << ls[2];
    l.helmet = word;
    EXPECT_EQ(std::sscanf(ls[3].c_str(), "shadow %255s", word), 1) << ls[3];
    l.shadow = word;
    for (const std::string& line : ls)
        EXPECT_LT(line.size(), 256u);
    return l;
}

std::string shadowMember(const std::string& name)
{
    return "meshes\\" + name.substr(0, name.size() - 3) + "dat";
}

TEST(CarLiveries, SixFilesOfFourLinesNamingMembersThatExist)
{
    std::set<int> bodies;
    std::set<std::string> paints, helmets;
    for (const char* file : LIVERY_FILES) {
        SCOPED_TRACE(file);
        Livery l = parseLivery(file);
        ASSERT_GE(l.body, 0);
        ASSERT_LE(l.body, 2);
        bodies.insert(l.body);
        paints.insert(l.paint);
        helmets.insert(l.helmet);
        // The texture loader picks the decoder by the last three characters.
        ASSERT_GE(l.paint.size(), 4u);
        EXPECT_EQ(l.paint.substr(l.paint.size() - 3), "jpg");
        EXPECT_EQ(l.helmet.substr(l.helmet.size() - 3), "jpg");
        EXPECT_EQ(jpegMember("textures\\" + l.paint).components(), 3);
        EXPECT_EQ(jpegMember("textures\\" + l.helmet).components(), 3);
        BodyFile shadow = bodyMember(shadowMember(l.shadow), false);
        EXPECT_EQ(shadow.problem, "");
        EXPECT_GT(shadow.faceCount(), 0u);
    }
    EXPECT_EQ(bodies.size(), 3u) << "every body is worn";
    EXPECT_EQ(paints.size(), 6u);
    EXPECT_EQ(helmets.size(), 6u);
}

// Mean colour of a picture, 0..1 per channel.
std::array<float, 3> meanColour(const ImageBuffer& image)
{
    std::array<double, 3> sum{};
    size_t n = size_t(image.width) * size_t(image.height);
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) sum[size_t(c)] += image.pixels[i * 3 + size_t(c)];
    return {float(sum[0] / n / 255), float(sum[1] / n / 255), float(sum[2] / n / 255)};
}

TEST(CarLiveries, PaintsAreToldApartByTheirColours)
{
    std::vector<std::array<float, 3>> means;
    for (const char* file : LIVERY_FILES)
        means.push_back(meanColour(jpegMember("textures\\" + parseLivery(file).paint)));
    for (size_t a = 0; a < means.size(); ++a)
        for (size_t b = a + 1; b < means.size(); ++b) {
            float d = std::fabs(means[a][0] - means[b][0]) + std::fabs(means[a][1] - means[b][1]) +
                      std::fabs(means[a][2] - means[b][2]);
            EXPECT_GT(d, 0.12f) << LIVERY_FILES[a] << " and " << LIVERY_FILES[b] << " look alike";
        }
}

// The vertices of a body, read and checked.
class CarBodies : public ::testing::TestWithParam<int> {};

TEST_P(CarBodies, BodyIsSoundAndSitsOnItsWheels)
{
    const int n = GetParam();
    BodyFile b = bodyMember(BODY_MEMBERS[n], true);
    ASSERT_EQ(b.problem, "");
    ASSERT_GT(b.faceCount(), 500u);
    Vec3 lo = b.vertices[0], hi = lo;
    for (const Vec3& p : b.vertices) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    // About 1,000 units nose to tail, no wider than the wheels' outer faces, clear of the road.
    EXPECT_GT(hi.y - lo.y, 950.0f);
    EXPECT_LT(hi.y - lo.y, 1250.0f);
    EXPECT_LT(hi.x - lo.x, 520.0f);
    EXPECT_GT(lo.z, 0.0f);
    EXPECT_LT(hi.z, 300.0f);
    // Nothing of the body inside the rubber of a tyre (axle along x, radius 71, 110 wide): only
    // the wishbones reach in, close to the hub.
    for (const Vec3& w : layoutOf(n))
        for (const Vec3& p : b.vertices) {
            float dx = std::fabs(p.x - w.x), r = std::hypot(p.y - w.y, p.z - w.z);
            ASSERT_FALSE(dx < 54.0f && r > 40.0f && r < 70.0f) << "vertex " << p.x << " " << p.y << " " << p.z;
        }
    // The helmet sits in the cockpit: the bodywork right round it stays below its centre.
    Vec3 h = helmetOf(n);
    for (const Vec3& p : b.vertices) {
        if (std::hypot(p.x - h.x, p.y - h.y) < 30.0f) {
            EXPECT_LT(p.z, h.z - 10.0f) << p.x << " " << p.y;
        }
    }
    // Coordinates: the paint inside its picture; the second set is the corner's place seen from above.
    for (const auto& uv : b.coords) {
        EXPECT_GE(uv[0], 0.0f); EXPECT_LE(uv[0], 1.0f);
        EXPECT_GE(uv[1], 0.0f); EXPECT_LE(uv[1], 1.0f);
    }
    for (size_t i = 0; i < b.faces.size(); ++i) {
        const Vec3& p = b.vertices[b.faces[i]];
        const auto& st = b.secondCoords[b.secondIndices[i]];
        ASSERT_EQ(st[0], p.x);
        ASSERT_EQ(st[1], p.y);
    }
    // Unit normals on the side the corners wind towards, so lighting and culling agree.
    size_t against = 0;
    for (uint32_t f = 0; f < b.faceCount(); ++f) {
        Vec3 a = b.vertices[b.faces[3 * f]], c1 = b.vertices[b.faces[3 * f + 1]], c2 = b.vertices[b.faces[3 * f + 2]];
        Vec3 face = normalized(cross(c1 - a, c2 - a));
        for (int k = 0; k < 3; ++k) {
            Vec3 nrm = b.normals[3 * f + uint32_t(k)];
            EXPECT_NEAR(length(nrm), 1.0f, 1e-3f);
            against += dot(nrm, face) < 0.0f;
        }
    }
    EXPECT_EQ(against, 0u);
}

TEST_P(CarBodies, ShellLiesExactlyOnTheBody)
{
    const int n = GetParam();
    BodyFile body = bodyMember(BODY_MEMBERS[n], true), shell = bodyMember(SHELL_MEMBERS[n], true);
    ASSERT_EQ(shell.problem, "");
    ASSERT_GT(shell.faceCount(), body.faceCount() / 2);
    // Same corners in the same order, bit for bit, so the equal depth test passes on the paint.
    auto key = [](const BodyFile& b, uint32_t f) {
        std::array<float, 9> k{};
        for (int c = 0; c < 3; ++c) {
            Vec3 p = b.vertices[b.faces[3 * f + uint32_t(c)]];
            k[size_t(3 * c)] = p.x; k[size_t(3 * c + 1)] = p.y; k[size_t(3 * c + 2)] = p.z;
        }
        return k;
    };
    std::set<std::array<float, 9>> bodyFaces;
    for (uint32_t f = 0; f < body.faceCount(); ++f) bodyFaces.insert(key(body, f));
    for (uint32_t f = 0; f < shell.faceCount(); ++f)
        ASSERT_TRUE(bodyFaces.count(key(shell, f))) << "shell face " << f << " is not a face of the body";
}

INSTANTIATE_TEST_SUITE_P(AllThree, CarBodies, ::testing::Values(0, 1, 2));

TEST(CarBodiesDiffer, ThreeDistinctShapes)
{
    std::set<std::pair<uint32_t, float>> shapes;
    for (const char* member : BODY_MEMBERS) {
        BodyFile b = bodyMember(member, true);
        float top = 0.0f;
        for (const Vec3& p : b.vertices) top = std::max(top, p.z);
        shapes.insert({b.faceCount(), top});
    }
    EXPECT_EQ(shapes.size(), 3u);
}

TEST(CarParts, WheelAndHelmetAreCentredOnTheirOrigin)
{
    MeshFile tyre = meshMember("meshes\\wheel_pass0.dat");
    ASSERT_GT(tyre.faceCount(), 100u);
    EXPECT_TRUE(tyre.normalsPresent);
    float radius = 0.0f, halfWidth = 0.0f;
    for (const Vec3& p : tyre.vertices) {
        radius = std::max(radius, std::hypot(p.y, p.z));
        halfWidth = std::max(halfWidth, std::fabs(p.x));
    }
    EXPECT_NEAR(radius, 71.0f, 2.0f);
    EXPECT_NEAR(halfWidth, 55.0f, 8.0f);
    // Standing on its wheels the car's tyres touch the road, in both layouts.
    for (const auto* layout : {&LAYOUT_A, &LAYOUT_B})
        for (const Vec3& w : *layout) {
            EXPECT_GT(w.z - radius, -1.5f);
            EXPECT_LT(w.z - radius, 4.0f);
        }
    // The rim: a disc on the wheel's outer face (towards -x), inside the tyre.
    MeshFile rim = meshMember("meshes\\wheel_pass1.dat");
    ASSERT_GT(rim.faceCount(), 8u);
    EXPECT_TRUE(rim.normalsPresent);
    ASSERT_GE(rim.uvSets.size(), 1u);
    for (const Vec3& p : rim.vertices) {
        EXPECT_LT(p.x, -halfWidth * 0.6f);
        EXPECT_LT(std::hypot(p.y, p.z), radius * 0.75f);
    }
    // The helmet: two coordinate sets (paint, and the gloss of the chrome pass), head-sized.
    MeshFile helm = meshMember("meshes\\helm.dat");
    ASSERT_GT(helm.faceCount(), 100u);
    EXPECT_EQ(helm.uvSetCount, 2u);
    EXPECT_TRUE(helm.normalsPresent);
    for (const Vec3& p : helm.vertices) EXPECT_LT(length(p), 40.0f);
}

TEST(CarTextures, AlphaWhereTheCarPassesBlend)
{
    // The shadow: black, dense under the car, clear along the edges of the quad.
    TgaImage shadow = tgaMember("textures\\sh.tga");
    ASSERT_EQ(shadow.pixelDepth, 32);
    auto alpha = [](const TgaImage& t, int x, int y) { return int(t.pixels[(size_t(y) * t.width + size_t(x)) * 4 + 3]); };
    EXPECT_GT(alpha(shadow, shadow.width / 2, shadow.height / 2), 120);
    for (int x = 0; x < shadow.width; ++x) {
        EXPECT_EQ(alpha(shadow, x, 0), 0);
        EXPECT_EQ(alpha(shadow, x, shadow.height - 1), 0);
    }
    // The rim: opaque spokes and lip, clear between the spokes and outside the lip.
    TgaImage rim = tgaMember("textures\\wheel.tga");
    ASSERT_EQ(rim.pixelDepth, 32);
    size_t clear = 0, solid = 0;
    for (size_t i = 3; i < rim.pixels.size(); i += 4) {
        clear += rim.pixels[i] == 0;
        solid += rim.pixels[i] == 255;
    }
    EXPECT_GT(clear, rim.pixels.size() / 4 / 5);
    EXPECT_GT(solid, rim.pixels.size() / 4 / 5);
    EXPECT_EQ(alpha(rim, 0, 0), 0);
    // The illumination pattern only dims a little.
    std::array<float, 3> illum = meanColour(jpegMember("textures\\illum.jpg"));
    EXPECT_GT(illum[0], 0.7f);
    EXPECT_LT(illum[0], 1.0f);
    for (const char* name : {"textures\\tr.jpg", "textures\\chrome.jpg", "textures\\spec_level.jpg"})
        EXPECT_GT(jpegMember(name).width, 0) << name;
}

// Cube faces as the reflection looks them up: the sky (world up) on "_top" is brighter than the
// ground on "_bottom"; all six square and the same size.
TEST(CarTextures, SkyboxFacesShowSkyAboveGround)
{
    int size = 0;
    for (const char* face : {"_right", "_left", "_bottom", "_top", "_front", "_back"}) {
        ImageBuffer image = jpegMember(std::string("textures\\skybox") + face + ".jpg");
        EXPECT_EQ(image.width, image.height) << face;
        if (size == 0) size = image.width;
        EXPECT_EQ(image.width, size) << face;
    }
    EXPECT_GT(meanColour(jpegMember("textures\\skybox_top.jpg"))[2],
              2.0f * meanColour(jpegMember("textures\\skybox_bottom.jpg"))[2]);
}

// The light map as the cars sample it: column from x, row from y with row 0 the picture's bottom.
class LightMap {
public:
    LightMap() : image_(jpegMember("textures\\lmap.jpg")) {}
    const ImageBuffer& image() const { return image_; }
    float at(float x, float y, bool flipRows = false) const
    {
        float u = (x - (36.631f - 467.673f / 2)) / 467.673f, v = (y - (0.895f - 306.049f / 2)) / 306.049f;
        int i = std::clamp(int(u * 1024), 0, 1023), j = std::clamp(int(v * 1024), 0, 1023);
        if (flipRows) j = 1023 - j;
        return image_.pixels[(size_t(j) * 1024 + size_t(i)) * 3] / 255.0f;
    }

private:
    ImageBuffer image_;
};

TEST(CarLightMap, ShadeBehindTheBuildingsAndLightOnTheRoad)
{
    LightMap map;
    ASSERT_EQ(map.image().width, 1024);
    ASSERT_EQ(map.image().height, 1024);
    ASSERT_EQ(map.image().components(), 3);
    // Open road: bright nearly everywhere along the lap.
    const Circuit& c = Circuit::standard();
    int open = 0, samples = 0;
    for (float d = 0.0f; d < c.length(); d += 2.0f, ++samples) {
        float b = map.at(c.at(d).position.x, c.at(d).position.y);
        open += b >= 0.8f && b <= 1.0f;
    }
    EXPECT_GT(open, samples * 95 / 100);
    // Where the light at (6000, 6000, 14000) throws the shadow of a grandstand's roof.
    const RarEntry* stand = dataSet().find("meshes\\stand1.dat");
    ASSERT_NE(stand, nullptr);
    uint32_t v = 0;
    std::memcpy(&v, stand->data.data() + 28, 4);
    Vec3 top(0, 0, -1e9f), foot(0, 0, 1e9f);
    for (uint32_t i = 0; i < v; ++i) {
        Vec3 p;
        std::memcpy(&p, stand->data.data() + 48 + size_t(i) * 12, 12);
        if (p.z > top.z) top = p;
        foot.z = std::min(foot.z, p.z);
    }
    float ground = foot.z + 1.2f;   // the walls reach 1.2 below the ground
    Vec3 toLight = normalized(Vec3(6000.0f, 6000.0f, 14000.0f) - top);
    float h = top.z - ground, sx = top.x - toLight.x / toLight.z * h, sy = top.y - toLight.y / toLight.z * h;
    // Just inside the roof's shadow (towards the stand) it is dark; rows counted from the top would miss it.
    Vec3 inward = normalized(Vec3(top.x - sx, top.y - sy, 0.0f));
    float px = sx + inward.x * 1.5f, py = sy + inward.y * 1.5f;
    EXPECT_LT(map.at(px, py), 0.7f);
    EXPECT_GT(map.at(px, py, true), 0.8f);
}

// Every member through the program's own loaders, from the generated archive.
class CarArtworkLoading : public SoftwareGLTest<64, 64> {
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(archivePath(), "data.rar", std::filesystem::copy_options::overwrite_existing);
    }
    // Vertices the list feeds back with the model shrunk into the view volume.
    static int fedBack(GLuint list, float scale)
    {
        std::vector<GLfloat> feedback(400000);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glScalef(scale, scale, scale);
        glFeedbackBuffer(GLsizei(feedback.size()), GL_3D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        glCallList(list);
        const GLint used = glRenderMode(GL_RENDER);
        glLoadIdentity();
        int vertices = 0;
        for (GLint i = 0; i < used;) {
            if (feedback[size_t(i)] == GL_POLYGON_TOKEN) {
                const int count = int(feedback[size_t(i) + 1]);
                vertices += count;
                i += 2 + 3 * count;
            } else {
                i += 1;
            }
        }
        return vertices;
    }
    static GLint level0(GLenum target, GLenum what)
    {
        GLint v = 0;
        glGetTexLevelParameteriv(target, 0, what, &v);
        return v;
    }

    ScratchFolder folder;
};

TEST_F(CarArtworkLoading, BodiesShellsAndShadowsCompileWhole)
{
    const char* bodies[3] = {"car.ase", "car2.ase", "car3.ase"};
    const char* shells[3] = {"rf.ase", "rf2.ase", "rf3.ase"};
    for (int n = 0; n < 3; ++n) {
        for (auto [name, member] : {std::pair{bodies[n], BODY_MEMBERS[n]}, std::pair{shells[n], SHELL_MEMBERS[n]}}) {
            SCOPED_TRACE(name);
            BodyMesh mesh;
            mesh.load(name, true);
            ASSERT_NE(mesh.displayList, 0u);
            EXPECT_EQ(fedBack(mesh.displayList, 1.0f / 800.0f), int(bodyMember(member, true).faceCount()) * 3);
        }
    }
    for (const char* file : LIVERY_FILES) {
        Livery l = parseLivery(file);
        BodyMesh shadow;
        shadow.load(l.shadow.c_str(), false);
        EXPECT_EQ(fedBack(shadow.displayList, 1.0f / 400.0f), int(bodyMember(shadowMember(l.shadow), false).faceCount()) * 3)
            << l.shadow;
    }
}

TEST_F(CarArtworkLoading, WheelsHelmetAndTexturesLoad)
{
    for (const char* name : {"wheel_pass0", "wheel_pass1", "helm"}) {
        Mesh mesh;
        mesh.load(name);
        EXPECT_EQ(fedBack(mesh.displayList, 1.0f / 100.0f), int(meshMember(std::string("meshes\\") + name + ".dat").faceCount()) * 3)
            << name;
    }
    std::vector<std::string> names = {"chrome.jpg", "spec_level.jpg", "illum.jpg", "sh.tga", "tr.jpg", "wheel.tga"};
    for (const char* file : LIVERY_FILES) {
        Livery l = parseLivery(file);
        names.push_back(l.paint);
        names.push_back(l.helmet);
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Texture t;
        t.load(name.c_str());
        ASSERT_NE(t.name(), 0u);
        t.bind();
        EXPECT_GT(level0(GL_TEXTURE_2D, GL_TEXTURE_WIDTH), 0);
        if (name.ends_with("tga")) {
            EXPECT_GT(level0(GL_TEXTURE_2D, GL_TEXTURE_ALPHA_SIZE), 0);
        }
    }
    CubeTexture cube;
    cube.load("skybox");
    cube.bind();
    for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face)
        EXPECT_GT(level0(face, GL_TEXTURE_WIDTH), 0) << face;
}

} // namespace
} // namespace qm::test
