// Start-up cost. First the saver's own start-up to the first frame on the default artwork, packed
// solid (as quillmark-mkdata packs it) and not solid, with the time spent fetching members; then
// 40 JPEG textures of 512² and 1024² and 50 meshes in one archive, loaded as the saver loads them
// (fetch, decode, mipmap upload; fetch, parse, list compilation), with the parts timed apart, and
// the cost of finding a member.
#include "assets/archive_index.h"
#include "assets/asset_stream.h"
#include "assets/image_buffer.h"
#include "assets/mesh.h"
#include "assets/texture.h"
#include "tests/support/byte_writer.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdata/data_set.h"
#include "tools/rar_writer/rar_writer.h"
#include "tools/render/headless_renderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

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

// --- The default artwork to the first frame -------------------------------------------------

struct FirstFrame {
    double startUpMs = 0;      // quillmark-render's start-up: context, loading screen, every load
    double frameMs = 0;        // the first frame
    double cpuMs = 0;          // processor time of both (the machine may be busy with other work)
    double fetchMs = 0;        // of the start-up, inside AssetStream::fetch
    ArchiveIndex::Statistics fetching;
    bool ok = false;
};

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The saver's start-up and one frame through quillmark-render's code, in a child process so that
// every run starts from fresh process-wide state (and no GL context of this process is shared).
FirstFrame firstFrameIn(const std::string& folder)
{
    int ends[2];
    if (pipe(ends) != 0) return {};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        FirstFrame f;
        if (chdir(folder.c_str()) == 0) {
            RenderOptions options;
            options.frames = 1;
            HeadlessRenderer renderer;
            const double cpu = cpuMs();
            f.ok = renderer.run(options) == 0;
            f.cpuMs = cpuMs() - cpu;
            f.startUpMs = renderer.timings().startUpMs;
            f.frameMs = renderer.timings().frameMs.empty() ? 0 : renderer.timings().frameMs[0];
            f.fetching = ArchiveIndex::sharedStatistics();
            f.fetchMs = f.fetching.seconds * 1e3;
        }
        std::fflush(nullptr);
        const bool sent = write(ends[1], &f, sizeof f) == ssize_t(sizeof f);
        _exit(sent ? 0 : 1);
    }
    close(ends[1]);
    FirstFrame f;
    if (child < 0 || read(ends[0], &f, sizeof f) != ssize_t(sizeof f)) f.ok = false;
    close(ends[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    return f;
}

// One fetch of every member in archive order: through the index, and through the reader alone
// (which walks the headers again each time and, in a solid archive, decodes every member before).
void printMemberByMember(const std::string& archive, const std::vector<RarEntry>& members)
{
    const Clock::time_point t = Clock::now();
    ArchiveIndex index(std::fopen(archive.c_str(), "rb"));
    for (const RarEntry& m : members) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        index.getMember(&data, &size, m.name.c_str());
        delete[] data;
    }
    const double indexed = msSince(t);
    const Clock::time_point r = Clock::now();
    for (const RarEntry& m : members) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        ArchiveReader::getMember(&data, &size, m.name.c_str(), archive.c_str(), "");
        delete[] data;
    }
    std::printf("  every member once in archive order: %.1f ms through the index, %.1f ms with the reader alone\n",
                indexed, msSince(r));
}

TEST(StartupBench, DefaultArtworkToTheFirstFrame)
{
    TempFolder solidFolder("qm-bench-solid"), plainFolder("qm-bench-plain");
    const std::vector<RarEntry> members = buildDataSet().members();
    RarWriterOptions solid;
    solid.solid = true;
    std::string error;
    ASSERT_TRUE(writeRarArchive(solidFolder.file("data.rar"), members, solid, &error)) << error;
    ASSERT_TRUE(writeRarArchive(plainFolder.file("data.rar"), members, RarWriterOptions{}, &error)) << error;
    uint64_t bytes = 0;
    for (const RarEntry& m : members) bytes += m.data.size();
    std::printf("default artwork: %zu members, %.2f MB\n", members.size(), double(bytes) / 1e6);
    for (const auto& [name, folder] : {std::pair{"solid", &solidFolder}, std::pair{"not solid", &plainFolder}}) {
        const std::string archive = folder->file("data.rar");
        std::printf("%s (%.2f MB): ", name, double(std::filesystem::file_size(archive)) / 1e6);
        std::fflush(stdout);
        FirstFrame best;
        for (int run = 0; run < 3; ++run) {
            FirstFrame f = firstFrameIn(folder->path());
            ASSERT_TRUE(f.ok);
            if (run == 0 || f.startUpMs + f.frameMs < best.startUpMs + best.frameMs) best = f;
        }
        std::printf("  best of 3: start-up to the first frame %.1f ms (start-up %.1f, frame %.1f; processor %.1f ms)\n",
                    best.startUpMs + best.frameMs, best.startUpMs, best.frameMs, best.cpuMs);
        std::printf("  fetching %.1f ms (processor %.1f ms): %u fetches, %u index read(s), %u solid pass(es), "
                    "%.2f MB decoded\n",
                    best.fetchMs, best.fetching.processorSeconds * 1e3, best.fetching.fetches,
                    best.fetching.indexReads, best.fetching.solidPasses,
                    double(best.fetching.bytesDecoded) / 1e6);
        printMemberByMember(archive, members);
    }
}

// --- Textures and meshes ---------------------------------------------------------------------

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

TEST(StartupBench, TexturesMeshesAndFinding)
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
    std::printf("finding a member: a 1-byte member first in the archive %.4f ms, last of %d members %.4f ms\n",
                first, TEXTURES + MESHES + 2, last);
    std::printf("  a missing member (\"collect nosuch 999\"): %.4f ms each\n", fetchMs("nosuch01", 999));
}

} // namespace
