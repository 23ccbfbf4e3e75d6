// quillmark-render run as a program on small test archives: the loading picture's exact place on
// a 1024 x 768 frame, identical frames from identical runs, and its option parsing.
#include "tests/support/byte_writer.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_files.h"
#include "tools/render/render_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
using namespace qm;
using namespace qm::test;

std::string rendererPath()
{
    const char* binary = std::getenv("QM_BINARY_DIR");
    return std::string(binary ? binary : ".") + "/bin/quillmark-render";
}

int runRenderer(const std::string& arguments)
{
    const std::string command = rendererPath() + " " + arguments + " >/dev/null 2>render.err";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A scene of one red square in front of the initial view, and a white loading picture.
void packTestScene()
{
    ByteWriter mesh;
    mesh.floats({0, 0, 0, 0, 0, 0, 0}).u32s({4, 2, 0, 0, 1});
    mesh.floats({-50.f, -50.f, 0.f, 50.f, -50.f, 0.f, 50.f, 50.f, 0.f, -50.f, 50.f, 0.f});
    mesh.u32s({0, 1, 2, 0, 2, 3}).u32(1).floats({1, 0, 0});
    mesh.u32s({0, 0, 0, 0, 0, 0}).floats({-50.f, -50.f, 0.f, 50.f, 50.f, 0.f});
    packDataRar({
        {"textures\\load.jpg", convertImage("-size 64x16 xc:white -quality 100", "load.jpg")},
        {"textures\\c.jpg", convertImage("-size 16x16 xc:white", "c.jpg")},
        {"test.txt", bytesOf("test\nend\n")},
        {"land.txt", bytesOf("land\nrender\n{\ntechnique flat\nmesh square 0\n}\nend\n")},
        {"technique\\flat", bytesOf("2sided\nend\n")},
        {"meshes\\square.dat", mesh.data},
    });
}

TEST(RenderToolTest, LoadingPictureCoversItsExactPixels)
{
    ScratchFolder folder;
    packTestScene();
    ASSERT_EQ(runRenderer("--out shots --frames 0"), 0);
    const auto rgb = imageMagickPixels("shots/loading.png", "rgb");
    ASSERT_EQ(rgb.size(), 1024u * 768u * 3u);
    // PNG rows run top-down; y counts from the bottom left as GL does.
    auto at = [&](int x, int y) { return rgb[(size_t(767 - y) * 1024 + size_t(x)) * 3]; };
    for (int y : {352, 384, 415})
        for (int x : {384, 512, 639}) EXPECT_GT(at(x, y), 250) << x << "," << y;
    for (auto [x, y] : std::initializer_list<std::pair<int, int>>{
             {383, 384}, {640, 384}, {512, 351}, {512, 416}, {0, 0}, {1023, 767}})
        EXPECT_LT(at(x, y), 5) << x << "," << y;
    int lit = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) lit += rgb[i] > 128;
    EXPECT_EQ(lit, 256 * 64);
}

TEST(RenderToolTest, SameSeedAndFrameTimeDrawTheSameFrames)
{
    ScratchFolder folder;
    packTestScene();
    ASSERT_EQ(runRenderer("--out a --frames 4 --every 2 --size 160x120 --seed 7 --dt 0.05"), 0);
    ASSERT_EQ(runRenderer("--out b --frames 4 --every 2 --size 160x120 --seed 7 --dt 0.05"), 0);
    for (const char* name : {"frame-0002.png", "frame-0004.png"}) {
        SCOPED_TRACE(name);
        const auto a = imageMagickPixels(std::string("a/") + name, "rgb");
        ASSERT_EQ(a.size(), 160u * 120u * 3u);
        EXPECT_EQ(a, imageMagickPixels(std::string("b/") + name, "rgb"));
    }
    EXPECT_FALSE(std::filesystem::exists("a/frame-0001.png"));
    EXPECT_FALSE(std::filesystem::exists("a/frame-0003.png"));
}

TEST(RenderToolTest, EyeAndLookChooseTheView)
{
    ScratchFolder folder;
    packTestScene();
    // Straight down onto the red square, then looking away from it.
    ASSERT_EQ(runRenderer("--out on --size 64x48 --eye 0,0,100 --look 0,0,0"), 0);
    ASSERT_EQ(runRenderer("--out off --size 64x48 --eye 0,0,100 --look 0,500,100"), 0);
    const auto on = imageMagickPixels("on/frame-0001.png", "rgb");
    const auto off = imageMagickPixels("off/frame-0001.png", "rgb");
    ASSERT_EQ(on.size(), 64u * 48u * 3u);
    ASSERT_EQ(off.size(), on.size());
    const size_t centre = (24 * 64 + 32) * 3;
    EXPECT_GT(on[centre], 200);
    EXPECT_LT(on[centre + 1], 50);
    EXPECT_LT(off[centre], 50);
}

TEST(RenderToolTest, MissingArchiveStopsWithOneMessageNamingTheFolder)
{
    ScratchFolder folder;
    EXPECT_EQ(runRenderer("--out shots --frames 1 --size 32x24"), 1);
    EXPECT_FALSE(std::filesystem::exists("shots/frame-0001.png"));
    const auto err = readFile("render.err");
    const std::string text(err.begin(), err.end());
    const std::string real = std::filesystem::canonical(folder.path()).string();
    EXPECT_EQ(text.find("quillmark-render: There is no data.rar in " + real + "."), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST(RenderToolTest, OptionParsing)
{
    auto parse = [](std::vector<const char*> args, RenderOptions& o, std::string& error) {
        args.insert(args.begin(), "quillmark-render");
        return parseRenderOptions(int(args.size()), args.data(), o, &error);
    };
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_EQ(o.width, 1024);
    EXPECT_EQ(o.height, 768);
    EXPECT_EQ(o.frames, 1);
    EXPECT_EQ(o.every, 1);
    EXPECT_TRUE(o.outDir.empty());
    EXPECT_FALSE(o.hasView);

    ASSERT_TRUE(parse({"--seed", "42", "--dt", "0.02", "--out", "x", "--every", "3", "--frames", "9",
                       "--size", "320x200", "--eye", "1,2,3", "--look", "-4,5.5,6"}, o, error)) << error;
    EXPECT_EQ(o.seed, 42u);
    EXPECT_FLOAT_EQ(o.dt, 0.02f);
    EXPECT_EQ(o.outDir, "x");
    EXPECT_EQ(o.every, 3);
    EXPECT_EQ(o.frames, 9);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 200);
    EXPECT_TRUE(o.hasView);
    EXPECT_FLOAT_EQ(o.look.y, 5.5f);

    const std::vector<std::vector<const char*>> refused = {
        {"--bogus", "1"}, {"--seed"}, {"--seed", "x"}, {"--every", "0"}, {"--frames", "-1"},
        {"--size", "100"}, {"--size", "0x10"}, {"--size", "10x99999"}, {"--eye", "1,2"},
        {"--eye", "1,2,3"}, {"--look", "1,2,3,4"}, {"--dt", "nan"}, {"--dt", "-1"},
    };
    for (const auto& args : refused) {
        EXPECT_FALSE(parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
    ScratchFolder folder;
    EXPECT_EQ(runRenderer("--frames"), 2);
}

} // namespace
