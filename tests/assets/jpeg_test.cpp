// loadJpeg on pictures written by ImageMagick and packed into a real archive: row order, RGB,
// greyscale and CMYK layouts, the missing-member message, and damaged data that must neither
// crash, hang nor read outside the member.
#include "assets/image_buffer.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace {
using namespace qm;
using namespace qm::test;

// Number of components in the first start-of-frame marker, or -1.
int jpegComponentsInFile(const std::vector<uint8_t>& file)
{
    for (size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC1 || file[i + 1] == 0xC2))
            return file[i + 9];
    return -1;
}

// Bytes placed right before an inaccessible page: a read past the end faults at once.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes)
    {
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        pages_ = (bytes.size() + page - 1) / page + 1;
        base_ = static_cast<uint8_t*>(
            mmap(nullptr, pages_ * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        uint8_t* guard = base_ + (pages_ - 1) * page;
        mprotect(guard, page, PROT_NONE);
        data_ = guard - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
        size_ = uint32_t(bytes.size());
        length_ = pages_ * page;
    }
    ~GuardedBytes() { munmap(base_, length_); }
    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }

private:
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t pages_ = 0;
    size_t length_ = 0;
    uint32_t size_ = 0;
};

class JpegTest : public ::testing::Test {
protected:
    ScratchFolder folder;
};

void expectPixelNear(const uint8_t* p, int r, int g, int b, int tolerance, const char* where)
{
    EXPECT_NEAR(p[0], r, tolerance) << where;
    EXPECT_NEAR(p[1], g, tolerance) << where;
    EXPECT_NEAR(p[2], b, tolerance) << where;
}

TEST_F(JpegTest, RedOverBlueArrivesBottomUpAsRgb)
{
    auto jpg = convertImage("-size 16x8 xc:red xc:blue -append -quality 100 -sampling-factor 1x1", "rb.jpg");
    ASSERT_EQ(jpegComponentsInFile(jpg), 3);
    packDataRar({{"textures\\rb.jpg", jpg}});
    ImageBuffer image;
    ASSERT_TRUE(loadJpeg("textures\\rb.jpg", image));
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 16);
    EXPECT_EQ(image.rowBytes, 48);
    ASSERT_EQ(image.pixels.size(), 48u * 16u);
    expectPixelNear(&image.pixels[0], 0, 0, 255, 8, "first row in memory is blue");
    expectPixelNear(&image.pixels[48 * 15 + 45], 255, 0, 0, 8, "last row in memory is red");
}

TEST_F(JpegTest, DecodesLikeImageMagickInEveryLayout)
{
    struct Case {
        const char* name;
        const char* arguments;
        int components;
        const char* magickFormat;
    };
    const Case cases[] = {
        {"rgb", "-size 24x16 -seed 5 plasma:fractal -quality 90", 3, "rgb"},
        {"grey", "-size 24x16 -seed 5 plasma:fractal -colorspace Gray -quality 90", 1, "gray"},
        {"odd size", "-size 13x7 -seed 9 plasma:fractal -quality 75", 3, "rgb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto jpg = convertImage(c.arguments, "in.jpg");
        ASSERT_EQ(jpegComponentsInFile(jpg), c.components);
        ImageBuffer image;
        ASSERT_TRUE(decodeJpeg(jpg.data(), uint32_t(jpg.size()), image));
        EXPECT_EQ(image.components(), c.components);
        EXPECT_EQ(image.rowBytes, image.width * c.components);
        auto expected = flipRows(imageMagickPixels("in.jpg", c.magickFormat), size_t(image.rowBytes));
        ASSERT_EQ(expected.size(), image.pixels.size());
        int worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(int(expected[i]) - int(image.pixels[i])));
        EXPECT_LE(worst, 2);
    }
}

TEST_F(JpegTest, CmykBecomesRgbOnConversion)
{
    auto jpg = convertImage("-size 8x8 xc:red xc:lime xc:white +append -colorspace CMYK -quality 100", "c.jpg");
    ASSERT_EQ(jpegComponentsInFile(jpg), 4);
    ImageBuffer image;
    ASSERT_TRUE(decodeJpeg(jpg.data(), uint32_t(jpg.size()), image));
    EXPECT_EQ(image.components(), 4);
    ASSERT_TRUE(convertToRgb(image));
    EXPECT_EQ(image.rowBytes, image.width * 3);
    ASSERT_EQ(image.width, 24);
    const uint8_t* row = &image.pixels[size_t(image.rowBytes) * 4];
    expectPixelNear(row + 3 * 2, 255, 0, 0, 12, "red");
    expectPixelNear(row + 3 * 10, 0, 255, 0, 12, "green");
    expectPixelNear(row + 3 * 20, 255, 255, 255, 12, "white");
}

TEST_F(JpegTest, GreyConvertsToEqualChannels)
{
    ImageBuffer image;
    image.width = 2;
    image.height = 1;
    image.rowBytes = 2;
    image.pixels = {7, 200};
    ASSERT_TRUE(convertToRgb(image));
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{7, 7, 7, 200, 200, 200}));
}

TEST_F(JpegTest, MissingMemberShowsItsMessage)
{
    packDataRar({{"textures\\other.jpg", {1, 2, 3}}});
    MessageRecorder messages;
    ImageBuffer image;
    EXPECT_FALSE(loadJpeg("textures\\nothere.jpg", image));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "ARCH:Can't load JPG file: textures\\nothere.jpg");
    EXPECT_EQ(messages.shown()[0].caption, "Error");
    EXPECT_TRUE(image.pixels.empty());
}

TEST_F(JpegTest, DamagedDataNeverCrashesOrReadsPastTheMember)
{
    auto good = convertImage("-size 64x48 -seed 3 plasma:fractal -quality 85", "good.jpg");
    auto progressive = convertImage("-size 64x48 -seed 3 plasma:fractal -interlace JPEG", "prog.jpg");
    ASSERT_GT(good.size(), 200u);
    ASSERT_GT(progressive.size(), 200u);

    auto cut = [](std::vector<uint8_t> bytes, size_t size) { bytes.resize(size); return bytes; };
    auto scrambled = good;
    for (size_t i = good.size() / 2; i + 2 < good.size(); i += 7) scrambled[i] ^= 0x5A;
    // SOF0 height and width fields set to 60000 x 60000.
    auto huge = good;
    for (size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int decodes;  // 1 yes, 0 no, -1 either (the point is that it returns)
    };
    const Case cases[] = {
        {"not a JPEG", bytesOf("plain text, no markers at all"), 0},
        {"start marker only", {0xFF, 0xD8}, 0},
        {"cut inside the header", cut(good, 40), 0},
        {"cut halfway through the data", cut(good, good.size() / 2), 1},
        {"progressive cut halfway", cut(progressive, progressive.size() / 2), 1},
        {"scrambled entropy data", scrambled, -1},
        {"header claims 60000 x 60000", huge, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedBytes guarded(c.bytes);
        ImageBuffer image;
        const bool decoded = decodeJpeg(guarded.data(), guarded.size(), image);
        if (c.decodes >= 0) {
            EXPECT_EQ(decoded, c.decodes == 1);
        }
        if (decoded) {
            EXPECT_EQ(image.width, 64);
            EXPECT_EQ(image.pixels.size(), size_t(64 * 48 * 3));
        } else {
            EXPECT_TRUE(image.pixels.empty());
        }
    }
}

} // namespace
