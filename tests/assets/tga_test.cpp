// loadTga on every type and depth ImageMagick writes (cross-checked against ImageMagick's own
// reading), the byte-level cases of the format, and damaged or unsupported members.
#include "assets/asset_stream.h"
#include "assets/tga_image.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace {
using namespace qm;
using namespace qm::test;

// A varied 6 x 4 picture with three colours (so that the palette forms fit).
const char* const PICTURE =
    "-size 6x4 'xc:rgb(10,200,30)' -fill 'rgb(250,5,90)' -draw 'rectangle 0,0 2,1' "
    "-fill 'rgb(1,2,3)' -draw 'point 5,3'";

class TgaTest : public ::testing::Test {
protected:
    // Decodes bytes through a stream, as loadTga does after its fetch.
    static bool decode(const std::vector<uint8_t>& bytes, TgaImage& image)
    {
        AssetStream stream;
        adoptCopy(stream, bytes);
        return decodeTga(stream, image);
    }

    ScratchFolder folder;
};

std::vector<uint8_t> header(uint8_t type, uint16_t width, uint16_t height, uint8_t depth,
                            uint8_t mapType = 0, uint16_t mapLength = 0, uint8_t mapEntry = 0)
{
    return {0, mapType, type, 0, 0, uint8_t(mapLength), uint8_t(mapLength >> 8), mapEntry, 0, 0, 0, 0,
            uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), depth, 0};
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(TgaTest, EveryImageMagickFormMatchesImageMagicksReading)
{
    struct Case {
        const char* name;
        const char* arguments;
        uint8_t type;
        uint8_t storedDepth;
        uint8_t decodedDepth;
        int tolerance;  // 5-bit channels are widened differently (x 8 here, x 255/31 there)
    };
    const Case cases[] = {
        {"24-bit", "-type TrueColor", 2, 24, 24, 0},
        {"24-bit run-length", "-type TrueColor -compress RLE", 10, 24, 24, 0},
        {"32-bit", "-alpha set -channel A -evaluate set 16% +channel", 2, 32, 32, 0},
        {"32-bit run-length", "-alpha set -channel A -evaluate set 16% +channel -compress RLE", 10, 32, 32, 0},
        {"16-bit", "-type TrueColor -depth 5", 2, 16, 24, 8},
        {"16-bit run-length", "-type TrueColor -depth 5 -compress RLE", 10, 16, 24, 8},
        {"colour-mapped", "-type Palette", 1, 8, 24, 0},
        {"colour-mapped run-length", "-type Palette -compress RLE", 9, 8, 24, 0},
        {"grey", "-type Grayscale", 3, 8, 8, 0},
        {"grey run-length", "-type Grayscale -compress RLE", 11, 8, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = convertImage(std::string(PICTURE) + " " + c.arguments, "in.tga");
        ASSERT_GE(file.size(), 18u);
        ASSERT_EQ(file[2], c.type) << "ImageMagick wrote another type";
        ASSERT_EQ(file[16], c.storedDepth) << "ImageMagick wrote another depth";
        TgaImage image;
        ASSERT_TRUE(decode(file, image));
        EXPECT_EQ(image.width, 6);
        EXPECT_EQ(image.height, 4);
        EXPECT_EQ(image.pixelDepth, c.decodedDepth);
        const bool grey = c.type == 3 || c.type == 11;
        const std::vector<uint8_t> ours = grey ? image.pixels : image.rgbaPixels();
        // Both readers deliver the rows in the order the file stores them.
        const auto theirs = imageMagickPixels("in.tga", grey ? "gray" : "rgba");
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t i = 0; i < ours.size(); ++i)
            ASSERT_NEAR(ours[i], theirs[i], c.tolerance) << "byte " << i;
    }
}

TEST_F(TgaTest, ByteLevelCasesOfTheFormat)
{
    // Stored B, G, R, A = 10, 20, 30, 40.
    auto plain32 = convertImage("-size 1x1 'xc:rgba(30,20,10,0.156862745)'", "p32.tga");
    ASSERT_EQ(std::vector<uint8_t>(plain32.begin() + 18, plain32.begin() + 22), (std::vector<uint8_t>{10, 20, 30, 40}));
    auto run32 = convertImage("-size 3x1 'xc:rgba(30,20,10,0.156862745)' -compress RLE", "r32.tga");
    ASSERT_EQ(std::vector<uint8_t>(run32.begin() + 18, run32.begin() + 23),
              (std::vector<uint8_t>{0x82, 10, 20, 30, 40}));
    // 0x7FFF and 0x001F.
    auto pair16 = convertImage("xc:white xc:blue +append -type TrueColor -depth 5", "w16.tga");
    ASSERT_EQ(std::vector<uint8_t>(pair16.begin() + 18, pair16.end()), (std::vector<uint8_t>{0xFF, 0x7F, 0x1F, 0x00}));
    auto mapped = concat(header(1, 2, 1, 8, 1, 2, 24), {1, 2, 3, 4, 5, 6, 1, 0});
    auto overlong = concat(header(10, 2, 1, 24), {0x85, 7, 8, 9});

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        std::vector<uint8_t> pixels;
        uint8_t depth;
    };
    const Case cases[] = {
        {"32-bit swaps the first and third bytes", plain32, {30, 20, 10, 40}, 32},
        {"run packet 0x82 gives three pixels", run32, {30, 20, 10, 40, 30, 20, 10, 40, 30, 20, 10, 40}, 32},
        {"16-bit 0x7FFF and 0x001F", pair16, {248, 248, 248, 248, 0, 0}, 24},
        {"colour-mapped indices 1, 0", mapped, {4, 5, 6, 1, 2, 3}, 24},
        {"run packet longer than the image is cut", overlong, {7, 8, 9, 7, 8, 9}, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TgaImage image;
        ASSERT_TRUE(decode(c.file, image));
        EXPECT_EQ(image.pixels, c.pixels);
        EXPECT_EQ(image.pixelDepth, c.depth);
    }
}

TEST_F(TgaTest, IdentificationFieldIsSkipped)
{
    const std::string comment(200, 'x');
    auto without = convertImage(std::string(PICTURE) + " -type TrueColor", "a.tga");
    auto with = convertImage(std::string(PICTURE) + " -set comment " + comment + " -type TrueColor", "b.tga");
    ASSERT_EQ(with[0], 200);
    ASSERT_EQ(with.size(), without.size() + 200);
    TgaImage a, b;
    ASSERT_TRUE(decode(without, a));
    ASSERT_TRUE(decode(with, b));
    EXPECT_EQ(a.pixels, b.pixels);
}

TEST_F(TgaTest, ColourMapBesideTrueColourPixelsIsSkipped)
{
    auto file = concat(header(2, 1, 1, 24, 1, 2, 24), {9, 9, 9, 9, 9, 9, 1, 2, 3});
    TgaImage image;
    ASSERT_TRUE(decode(file, image));
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(TgaTest, FifteenBitDepthIsRefusedWithItsMessage)
{
    auto file = convertImage("xc:white xc:blue +append -type TrueColor -depth 5", "w15.tga");
    ASSERT_EQ(file[16], 16);
    file[16] = 15;
    packDataRar({{"textures\\w15.tga", file}});
    MessageRecorder messages;
    TgaImage image;
    EXPECT_FALSE(loadTga("textures\\w15.tga", image));
    EXPECT_TRUE(image.pixels.empty());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Unsupported image depth.");
    EXPECT_EQ(messages.shown()[0].caption, "TGA");
}

TEST_F(TgaTest, UnsupportedOrDamagedMembersFailSilently)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"empty member", {}},
        {"header cut short", {0, 0, 2, 0, 0}},
        {"unknown image type 5", concat(header(5, 1, 1, 24), {1, 2, 3})},
        {"colour-mapped without a map", concat(header(1, 1, 1, 8), {0})},
        {"colour-mapped with 16-bit entries", concat(header(1, 1, 1, 8, 1, 1, 16), {1, 2, 0})},
        {"index beyond the map", concat(header(1, 2, 1, 8, 1, 1, 24), {1, 2, 3, 0, 1})},
        {"grey type with 24-bit pixels", concat(header(3, 1, 1, 24), {1, 2, 3})},
        {"true colour with 8-bit pixels", concat(header(2, 1, 1, 8), {1})},
        {"zero width", header(2, 0, 1, 24)},
        {"pixels cut short", concat(header(2, 4, 4, 24), {1, 2, 3, 4, 5, 6})},
        {"run-length data cut short", concat(header(10, 4, 4, 24), {0x81, 1, 2, 3})},
        {"raw packet cut short", concat(header(10, 2, 1, 32), {0x01, 1, 2, 3, 4, 5})},
        {"colour map cut short", concat(header(1, 1, 1, 8, 1, 200, 24), {1, 2, 3})},
        {"65535 x 65535 claimed by a tiny member", concat(header(10, 65535, 65535, 32), {0xFF, 1, 2, 3, 4})},
    };
    MessageRecorder messages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TgaImage image;
        EXPECT_FALSE(decode(c.file, image));
        EXPECT_TRUE(image.pixels.empty());
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(TgaTest, MissingMemberFailsSilently)
{
    packDataRar({{"textures\\a.tga", concat(header(2, 1, 1, 24), {1, 2, 3})}});
    MessageRecorder messages;
    TgaImage image;
    EXPECT_TRUE(loadTga("textures\\A.TGA", image)) << "member names ignore case";
    EXPECT_FALSE(loadTga("textures\\b.tga", image));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(TgaTest, RgbaFormForTheUploadAddsOpaqueAlpha)
{
    TgaImage bgr;
    ASSERT_TRUE(decode(concat(header(2, 2, 1, 24), {1, 2, 3, 4, 5, 6}), bgr));
    EXPECT_EQ(bgr.rgbaPixels(), (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    TgaImage grey;
    ASSERT_TRUE(decode(concat(header(3, 2, 1, 8), {9, 200}), grey));
    EXPECT_EQ(grey.rgbaPixels(), (std::vector<uint8_t>{9, 9, 9, 255, 200, 200, 200, 255}));
}

} // namespace
