// The one image size limit of both decoders: at most 2^24 pixels and no more than the largest GL
// texture; pictures beyond it, and headers claiming far more than their member can hold, are
// refused with the decoder's usual failure before anything of their size is allocated.
#include "assets/asset_stream.h"
#include "assets/image_buffer.h"
#include "assets/image_size_limit.h"
#include "assets/texture.h"
#include "assets/tga_image.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/memory_peak.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"

#include <gtest/gtest.h>

namespace {
using namespace qm;
using namespace qm::test;

// A run-length TGA of one colour: each packet header covers 128 pixels with one stored value.
std::vector<uint8_t> runLengthTga(uint16_t width, uint16_t height, uint8_t depth)
{
    const uint8_t type = depth == 8 ? 11 : 10;
    std::vector<uint8_t> t = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
                              uint8_t(height), uint8_t(height >> 8), depth, 0};
    uint64_t left = uint64_t(width) * height;
    while (left > 0) {
        const uint64_t run = left < 128 ? left : 128;
        t.push_back(uint8_t(0x80 | (run - 1)));
        for (int b = 0; b < depth / 8; ++b) t.push_back(uint8_t(40 + b));
        left -= run;
    }
    return t;
}

bool decodesTga(const std::vector<uint8_t>& bytes)
{
    AssetStream stream;
    adoptCopy(stream, bytes);
    TgaImage image;
    return decodeTga(stream, image);
}

bool decodesJpeg(const std::vector<uint8_t>& bytes)
{
    ImageBuffer image;
    return decodeJpeg(bytes.data(), uint32_t(bytes.size()), image);
}

std::vector<uint8_t> greyJpeg(int width, int height)
{
    return convertImage("-size " + std::to_string(width) + "x" + std::to_string(height) +
                            " gradient:black-white -type Grayscale -quality 90",
                        "g.jpg");
}

// A small grey JPEG whose frame header claims width x height, with a comment of padding bytes
// after the start marker (so that the member is as long as a real picture of that size could be).
std::vector<uint8_t> jpegClaiming(uint16_t width, uint16_t height, size_t padding)
{
    std::vector<uint8_t> jpeg = greyJpeg(8, 8);
    for (size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
        }
    std::vector<uint8_t> comments;
    while (padding > 0) {
        const size_t n = padding < 60000 ? padding : 60000;
        comments.insert(comments.end(), {0xFF, 0xFE, uint8_t((n + 2) >> 8), uint8_t(n + 2)});
        comments.insert(comments.end(), n, ' ');
        padding -= n;
    }
    jpeg.insert(jpeg.begin() + 2, comments.begin(), comments.end());
    return jpeg;
}

class ImageLimitTest : public ::testing::Test {
protected:
    void TearDown() override { setLargestTextureSide(0); }
    ScratchFolder folder_;
};

TEST_F(ImageLimitTest, BothDecodersShareOneLimit)
{
    struct Case {
        int32_t textureSide;  // 0: no GL context known
        uint16_t width, height;
        bool accepted;
    };
    const Case cases[] = {
        {0, 4096, 4096, true},   // 2^24 pixels exactly
        {0, 4097, 4096, false},
        {0, 65535, 257, false},
        {64, 64, 64, true},
        {64, 128, 32, true},     // as many pixels as the largest texture, in another shape
        {64, 65, 64, false},
        {16384, 4097, 4096, false},  // a large GL texture does not lift the 2^24 cap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.textureSide) + ": " + std::to_string(c.width) + "x" + std::to_string(c.height));
        setLargestTextureSide(c.textureSide);
        EXPECT_EQ(imageSizeAllowed(c.width, c.height), c.accepted);
        EXPECT_EQ(decodesTga(runLengthTga(c.width, c.height, 8)), c.accepted);
        const bool small = uint64_t(c.width) * c.height <= 64 * 64;
        std::vector<uint8_t> jpeg = small ? greyJpeg(c.width, c.height) : jpegClaiming(c.width, c.height, 64 << 10);
        ASSERT_FALSE(jpeg.empty());
        EXPECT_EQ(decodesJpeg(jpeg), c.accepted);
    }
}

TEST_F(ImageLimitTest, TheContextsLargestTextureSetsTheLimit)
{
    platform::OffscreenContext context;
    ASSERT_TRUE(createSoftwareContext(context, 16, 16));
    packDataRar({{"textures\\small.tga", runLengthTga(8, 8, 32)}});
    resetTextureCache();
    Texture texture;
    texture.load("small.tga");
    EXPECT_NE(texture.name(), 0u);
    const int64_t side = glInteger(GL_MAX_TEXTURE_SIZE);
    EXPECT_EQ(imagePixelLimit(), std::min<int64_t>(side * side, MAX_IMAGE_PIXELS));
    resetTextureCache();
    context.destroy();
}

// The 16384 x 16384 run-length TGA of a hostile data.rar: refused silently, and the memory peak
// stays that of the member itself instead of the gigabytes its pixels would take.
TEST_F(ImageLimitTest, HugeTgaIsRefusedWithAFlatMemoryPeak)
{
    const std::vector<uint8_t> huge = runLengthTga(16384, 16384, 32);
    packDataRar({{"textures\\huge.tga", huge}});
    const long memberKiB = long(huge.size() / 1024);
    MeasuredRun run = runMeasured([] {
        TgaImage image;
        return loadTga("textures\\huge.tga", image) ? 1 : 0;
    }, 64);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.status, 0) << "the TGA was decoded";
    EXPECT_LT(run.peakGrowthKiB, 2 * memberKiB + 8 * 1024) << "member " << memberKiB << " KiB";
}

// A JPEG whose header claims a large picture over a few hundred bytes of data: within the size
// limit, but far more than any baseline coding of the member could give.
TEST_F(ImageLimitTest, JpegClaimingFarMoreThanItsMemberIsRefused)
{
    ASSERT_TRUE(decodesJpeg(jpegClaiming(4000, 4000, 64 << 10)));
    const std::vector<uint8_t> jpeg = jpegClaiming(4000, 4000, 0);
    MeasuredRun run = runMeasured([&] { return decodesJpeg(jpeg) ? 1 : 0; }, 32);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.status, 0) << "the JPEG was decoded";
    EXPECT_LT(run.peakGrowthKiB, 4 * 1024);
}

} // namespace
