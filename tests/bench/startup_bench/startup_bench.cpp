// Start-up loading cost: 40 JPEG textures of 512² and 1024² and 50 meshes in one archive, loaded
// as the saver loads them (fetch, decode, mipmap upload; fetch, parse, list compilation), with
// the parts timed apart, and the cost of the header walk that every fetch repeats.
#include "assets/asset_stream.h"
#include "assets/image_buffer.h"
#include "assets/mesh.h"
#include "assets/texture.h"
#include "tests/support/byte_writer.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {
using namespace qm;
using namespace qm::test;
using Clock = std::chrono::steady_clock;

constexpr int TEXTURES = 40;
constexpr int MESHES = 50;
constexpr int GRID = 32;  // 32 x 32 quads: 2048 triangles per mesh
constexpr int HEADER_FETCHES = 200;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A landscape-like tile: a grid with normals and one coordinate set.
std::vector<uint8_t> gridMesh(int seed)
{
    ByteWriter b;
    const int side = GRID + 1;
    const uint32_t faces = uint32_t(GRID * GRID * 2);
    b.floats({0, 0, 0, 0, 0, 1, 0.5f});
    b.u32s({uint32_t(side * side), faces, 1, 1, 0});
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) b.floats({float(x), float(y), float((x * seed + y) % 7)});
    std::vector<uint32_t> corners;
    for (int y = 0; y < GRID; ++y)
        for (int x = 0; x < GRID; ++x) {
            const uint32_t a = uint32_t(y * side + x), c = a + uint32_t(side);
            for (uint32_t v : {a, a + 1, c + 1, a, c + 1, c}) corners.push_back(v);
        }
    for (uint32_t v : corners) b.u32(v);
    b.u32(uint32_t(side * side));
    for (int i = 0; i < side * side; ++i) b.floats({float(i % side) / GRID, float(i / side) / GRID});
    for (uint32_t v : corners) b.u32(v);
    for (size_t i = 0; i < corners.size(); ++i) b.floats({0, 0, 1});
    b.floats({0, 0, 0, float(GRID), float(GRID), 7});
    return b.data;
}

std::string textureName(int i) { return "tex" + std::to_string(i) + ".jpg"; }
int textureSide(int i) { return i % 2 ? 1024 : 512; }

void packBenchArchive()
{
    std::vector<RarEntry> entries;
    entries.push_back({"first.txt", {1}});
    for (int i = 0; i < TEXTURES; ++i) {
        const std::string side = std::to_string(textureSide(i));
        const std::string args = "-size 128x128 -seed " + std::to_string(i + 1) + " plasma:fractal -resize " +
                                 side + "x" + side + "! -quality 85";
        entries.push_back({"textures\\" + textureName(i), convertImage(args, "t.jpg")});
    }
    for (int i = 0; i < MESHES; ++i) entries.push_back({"meshes\\m" + std::to_string(i) + ".dat", gridMesh(i + 2)});
    entries.push_back({"last.txt", {1}});
    RarWriterOptions options;  // packed as data.rar is: the writer's default compression
    std::string error;
    ASSERT_TRUE(writeRarArchive("data.rar", entries, options, &error)) << error;
}

double fetchMs(const char* member, int times)
{
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < times; ++i) {
        AssetStream stream;
        stream.fetch(member);
    }
    return msSince(start) / times;
}

TEST(StartupBench, TexturesMeshesAndHeaderWalk)
{
    ScratchFolder folder;
    platform::OffscreenContext context;
    ASSERT_TRUE(createSoftwareContextWithExtensions(context, 64, 64));
    const Clock::time_point packing = Clock::now();
    packBenchArchive();
    std::printf("archive: %.1f MiB, packed in %.0f ms\n",
                double(std::filesystem::file_size("data.rar")) / (1 << 20), msSince(packing));

    // The parts of a texture load, timed apart on the same members.
    double fetch = 0, decode = 0, upload = 0;
    for (int i = 0; i < TEXTURES; ++i) {
        const std::string member = "textures\\" + textureName(i);
        Clock::time_point t = Clock::now();
        AssetStream stream;
        ASSERT_TRUE(stream.fetch(member.c_str()));
        fetch += msSince(t);
        t = Clock::now();
        ImageBuffer image;
        ASSERT_TRUE(decodeJpeg(stream.data(), stream.size(), image));
        decode += msSince(t);
        t = Clock::now();
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
        glFinish();
        upload += msSince(t);
    }
    resetTextureCache();
    Clock::time_point t = Clock::now();
    for (int i = 0; i < TEXTURES; ++i) {
        Texture texture;
        texture.load(textureName(i).c_str());
    }
    glFinish();
    const double textures = msSince(t);

    t = Clock::now();
    for (int i = 0; i < MESHES; ++i) {
        Mesh mesh;
        mesh.load(("m" + std::to_string(i)).c_str());
    }
    const double meshes = msSince(t);
    double meshFetch = 0;
    for (int i = 0; i < MESHES; ++i) meshFetch += fetchMs(("meshes\\m" + std::to_string(i) + ".dat").c_str(), 1);

    const double first = fetchMs("first.txt", HEADER_FETCHES);
    const double last = fetchMs("last.txt", HEADER_FETCHES);
    std::printf("texture (Texture::load, 512² and 1024² alternating): %.2f ms each\n", textures / TEXTURES);
    std::printf("  fetch %.2f ms, decode %.2f ms, mipmap upload %.2f ms\n", fetch / TEXTURES, decode / TEXTURES,
                upload / TEXTURES);
    std::printf("mesh (Mesh::load, 2048 triangles): %.2f ms each, of which fetch %.2f ms\n", meshes / MESHES,
                meshFetch / MESHES);
    std::printf("header walk: a 1-byte member first in the archive %.3f ms, last of %d members %.3f ms\n", first,
                TEXTURES + MESHES + 2, last);
    std::printf("  so each fetch spends about %.4f ms per member header it passes\n",
                (last - first) / (TEXTURES + MESHES + 1));
}

} // namespace
