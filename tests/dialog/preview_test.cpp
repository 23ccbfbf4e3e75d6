// The preview inside a host window that the test makes: the picture's own pixels from the top
// left, cut by a small host, black beyond it in a larger one; the process ends with its host.
#include "host/preview.h"
#include "host/screensaver_app.h"
#include "platform/preview_window.h"
#include "resources/pictures.h"
#include "tests/dialog/quillmark_process.h"
#include "tests/support/config_home.h"
#include "tests/support/image_magick.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_folder.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace qm {
namespace {

constexpr double SHOW_SECONDS = 10.0;
constexpr double EXIT_SECONDS = 3.0;

// What the host window shows now, RGB rows top first.
std::vector<uint8_t> grab(uint32_t window, const test::TempFolder& folder)
{
    std::string file = folder.file("grab.png");
    std::string command = "import -window " + std::to_string(window) + " " + file + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return test::imageMagickPixels(file, "rgb");
}

// The preview picture as a host of width x height should show it: black beyond the picture.
std::vector<uint8_t> expectedView(int width, int height)
{
    const platform::Picture* picture = pictureResource(BITMAP_PREVIEW_PICTURE);
    std::vector<uint8_t> view(size_t(width) * size_t(height) * 3, 0);
    for (int y = 0; y < std::min(height, picture->height); ++y)
        for (int x = 0; x < std::min(width, picture->width); ++x)
            for (int c = 0; c < 3; ++c)
                view[(size_t(y) * width + x) * 3 + c] = picture->rgb[(size_t(y) * picture->width + x) * 3 + c];
    return view;
}

// Waits until the host shows the expected view; returns what it showed last.
std::vector<uint8_t> waitForView(uint32_t host, const std::vector<uint8_t>& expected, const test::TempFolder& folder)
{
    std::vector<uint8_t> shown;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(SHOW_SECONDS);
    do {
        shown = grab(host, folder);
        if (shown == expected) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    return shown;
}

size_t firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return i;
}

TEST(Preview, PictureResourceHasItsSize)
{
    const platform::Picture* picture = pictureResource(BITMAP_PREVIEW_PICTURE);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 155);
    EXPECT_EQ(picture->height, 115);
}

TEST(Preview, ShowsThePictureFromTheTopLeftAndEndsWithItsHost)
{
    struct Case {
        int width, height;
        const char* screenshot;
    };
    for (const Case& c : {Case{152, 112, nullptr}, Case{200, 150, "preview.png"}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        test::ConfigHome home;
        test::TempFolder folder;
        uint32_t host = platform::createPreviewHost(c.width, c.height);
        ASSERT_NE(host, 0u);
        test::QuillmarkProcess quillmark({"/p", std::to_string(host)}, home.path());
        std::vector<uint8_t> expected = expectedView(c.width, c.height);
        std::vector<uint8_t> shown = waitForView(host, expected, folder);
        ASSERT_EQ(shown.size(), expected.size());
        size_t at = firstDifference(shown, expected);
        EXPECT_EQ(at, expected.size()) << "first difference at pixel " << at / 3 % size_t(c.width) << ", "
                                       << at / 3 / size_t(c.width);
        const char* dir = std::getenv("QM_SCREENSHOT_DIR");
        if (c.screenshot && dir && *dir)
            std::system(("import -window " + std::to_string(host) + " '" + dir + "/" + c.screenshot + "'").c_str());
        EXPECT_EQ(quillmark.waitForExit(0.2), -2) << "the preview waits while its host lives";
        platform::destroyPreviewHost(host);
        EXPECT_EQ(quillmark.waitForExit(EXIT_SECONDS), 0) << "the preview ends when its host goes";
    }
}

TEST(Preview, WithoutAUsableHostShowsTheMessage)
{
    for (uint32_t host : {0u, 0x3ffffffu}) {
        SCOPED_TRACE(host);
        test::MessageRecorder messages;
        ScreensaverApp app;
        app.hostWindow = host;
        EXPECT_EQ(runPreview(app), 0);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "Cannot creat window!");
        EXPECT_EQ(messages.shown()[0].caption, "ERROR");
    }
}

} // namespace
} // namespace qm
