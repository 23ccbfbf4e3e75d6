// The composed frame on real Mesa contexts: the sky dome behind everything, the overlay digits
// only where their settings ask for them, the frame-rate count, the transition's cut-over, each
// effect at half way, and the capture of the picture, also from a window too small for it.
#include "host/compose_frame.h"
#include "host/fixed_view.h"
#include "host/frame_rate_counter.h"
#include "host/scene_loading.h"
#include "host/scene_transition.h"
#include "host/settings.h"
#include "host/transition_effects.h"
#include "overlay/digit_text.h"
#include "platform/message_box.h"
#include "render/extensions.h"
#include "render/gl.h"
#include "render/render_state.h"
#include "tests/support/byte_writer.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "world/sky_dome.h"
#include "world/sun_flare.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace qm {
namespace {

using Rgb = std::array<int, 3>;

// A cube of side 100 around the eye in one colour: a dome that covers every direction.
std::vector<uint8_t> cubeDome(float r, float g, float b)
{
    test::ByteWriter mesh;
    mesh.floats({0, 0, 0, 0, 0, 0, 0}).u32s({8, 12, 0, 0, 1});
    for (int i = 0; i < 8; ++i)
        mesh.floats({i & 1 ? 50.f : -50.f, i & 2 ? 50.f : -50.f, i & 4 ? 50.f : -50.f});
    mesh.u32s({0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
               2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3});
    mesh.u32(1).floats({r, g, b});
    for (int i = 0; i < 36; ++i) mesh.u32(0);
    mesh.floats({-50, -50, -50, 50, 50, 50});
    return mesh.data;
}

// A context of the given size with the sky, the digits and the transition texture loaded from a
// small archive: a blue dome, a grey glyph picture whose glyph 0 is red and glyph 3 green.
class Scene {
public:
    Scene(int width, int height, bool withDome = true) : width_(width), height_(height)
    {
        platform::setMessageBoxToStderr(true);
        EXPECT_TRUE(test::createSoftwareContextWithExtensions(context_, width, height));
        test::packDataRar({
            {withDome ? "meshes\\skydome.dat" : "meshes\\none.dat", cubeDome(0, 0, 1)},
            {"textures\\skydome.jpg", test::convertImage("-size 8x8 xc:white", "skydome.jpg")},
            {"textures\\c.jpg", test::convertImage("-size 64x64 xc:gray60 -fill red -draw 'rectangle 0,0 15,15' "
                                                   "-fill lime -draw 'rectangle 48,0 63,15' -type TrueColor -quality 100",
                                                   "c.jpg")},
        });
        resetSceneAssets();
        resetSettings();
        resetSceneTransition();
        initGLState();
        glViewport(0, 0, width, height);
        fixedView().lookAt = true;
        fixedView().eye = Vec3(0, 0, 0);
        fixedView().look = Vec3(0, 1, 0);
        loadExtensions();
        digitText().build();
        loadSky();
        createTransitionTexture();
    }
    ~Scene()
    {
        resetSceneAssets();
        resetSceneTransition();
        resetSettings();
        context_.destroy();
    }

    Rgb pixel(int x, int y) const
    {
        glFinish();
        uint8_t p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

private:
    test::ScratchFolder folder_;
    platform::OffscreenContext context_;
    int width_, height_;
};

// Fills the transition texture: red lower left, lime lower right, white upper left, yellow upper
// right (rows from the bottom, as GL counts them).
void fillTransitionTexture()
{
    std::vector<uint8_t> texels(512 * 512 * 3);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            uint8_t* t = &texels[(size_t(y) * 512 + size_t(x)) * 3];
            const bool right = x >= 256, top = y >= 256;
            t[0] = uint8_t(!right || top ? 255 : 0);
            t[1] = uint8_t(right || top ? 255 : 0);
            t[2] = uint8_t(!right && top ? 255 : 0);
        }
    glBindTexture(GL_TEXTURE_2D, transitionTexture());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 512, 512, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
}

const Rgb BLUE{0, 0, 255}, RED{255, 0, 0}, LIME{0, 255, 0}, WHITE{255, 255, 255}, YELLOW{255, 255, 0};

Rgb half(Rgb a, Rgb b) { return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2}; }

void expectNear(Rgb actual, Rgb expected, int tolerance, const char* what)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[size_t(c)], expected[size_t(c)], tolerance)
            << what << " channel " << c << " (" << actual[0] << "," << actual[1] << "," << actual[2] << ")";
}

TEST(TransitionTiming, CutOverAtTwoSecondsAndProgressAtHalfTheElapsedTime)
{
    struct Case {
        float elapsed, dt;
        bool drawn;
        float progress;
    };
    const Case cases[] = {
        {1.9f, 0.15f, false, 0.0f},   // reaches 2 s: cleared, not drawn
        {1.9f, 0.05f, true, 0.975f},  // 1.95 s
        {0.0f, 0.016f, true, 0.008f}, // the first frame already shows dt / 2
        {1.99f, 0.01f, false, 0.0f},  // exactly 2 s counts as reached
    };
    for (const Case& c : cases) {
        SceneTransition t{2, true, c.elapsed};
        float p = -1.0f;
        EXPECT_EQ(advanceTransition(t, c.dt, p), c.drawn) << c.elapsed << " + " << c.dt;
        EXPECT_EQ(t.active, c.drawn);
        if (c.drawn) {
            EXPECT_NEAR(p, c.progress, 1e-6f);
            EXPECT_NEAR(t.elapsed, c.elapsed + c.dt, 1e-6f);
        } else {
            EXPECT_EQ(t.elapsed, 0.0f) << "ready for the next transition";
        }
    }
    SceneTransition idle{1, false, 0.0f};
    float p = -1.0f;
    EXPECT_FALSE(advanceTransition(idle, 0.5f, p));
    EXPECT_EQ(idle.elapsed, 0.0f) << "an inactive transition does not count time";
}

TEST(CaptureArea, PartOfTheSquareInsideTheWindow)
{
    const CaptureArea full = captureArea(1024, 768);
    EXPECT_EQ(full.x, 20);
    EXPECT_EQ(full.y, 20);
    EXPECT_EQ(full.width, 512);
    EXPECT_EQ(full.height, 512);
    const CaptureArea vga = captureArea(640, 480);
    EXPECT_EQ(vga.width, 512);
    EXPECT_EQ(vga.height, 460);
    const CaptureArea tiny = captureArea(10, 300);
    EXPECT_EQ(tiny.width, 0);
    EXPECT_EQ(tiny.height, 280);
}

TEST(ComposeFrame, DomeFillsTheBackgroundAndOverlaysFollowTheirSettings)
{
    test::ScratchFolder outer;
    Scene scene(800, 600);
    struct Case {
        bool fps, clock;
    };
    for (Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        settings().showFPS = c.fps;
        settings().showClock = c.clock;
        resetFrameRateCounter();
        composeFrame(0.4f);
        composeFrame(0.4f);
        const Rgb fpsBefore = scene.pixel(20, 580);
        composeFrame(0.4f);
        EXPECT_EQ(frameRateCounter().shown(), 3) << "three frames of 0.4 s";
        const Rgb fps = scene.pixel(20, 580), clock = scene.pixel(540, 30), middle = scene.pixel(400, 300);
        expectNear(middle, BLUE, 1, "the dome behind everything");
        if (c.fps) {
            EXPECT_GT(fpsBefore[0], 100) << "\"0\" (red glyph) during the first second";
            EXPECT_GT(fps[1], 100) << "\"3\" (green glyph) once 1.2 s have passed";
            EXPECT_LT(fps[0], 20);
        } else {
            expectNear(fps, BLUE, 1, "no frame-rate digits");
        }
        if (c.clock) EXPECT_GT(clock[0] + clock[1], 100) << "clock digits at (520, 10)";
        else expectNear(clock, BLUE, 1, "no clock digits");
    }
}

// Only depth is cleared when the dome covers the picture; a broken archive without one gets the
// colour cleared too, so earlier pictures do not smear through.
TEST(ComposeFrame, WithoutADomeTheColourIsClearedInstead)
{
    test::ScratchFolder outer;
    Scene scene(320, 240, false);
    EXPECT_FALSE(skyDomeLoaded());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    composeFrame(0.02f);
    expectNear(scene.pixel(160, 120), Rgb{0, 0, 0}, 1, "cleared to black");
}

TEST(ComposeFrame, TransitionCutOverClearsOrDrawsNearTheEnd)
{
    test::ScratchFolder outer;
    Scene scene(800, 600);
    fillTransitionTexture();
    // Sliding to the right: at p = 0.975 only the last 20 units still show the picture.
    sceneTransition() = SceneTransition{1, true, 1.9f};
    composeFrame(0.05f);
    EXPECT_TRUE(sceneTransition().active);
    EXPECT_NEAR(sceneTransition().elapsed, 1.95f, 1e-6f);
    expectNear(scene.pixel(790, 100), RED, 2, "the picture's left edge at x 780..800");
    expectNear(scene.pixel(770, 100), BLUE, 1, "the live scene left of it");

    sceneTransition() = SceneTransition{1, true, 1.9f};
    composeFrame(0.15f);
    EXPECT_FALSE(sceneTransition().active);
    EXPECT_EQ(sceneTransition().elapsed, 0.0f);
    expectNear(scene.pixel(790, 100), BLUE, 1, "cleared and not drawn");
}

// What a last technique may leave behind: blending and 2D texturing off, an alpha test that
// drops anything fainter than 0.9, back faces culled as front, texture coordinates generated.
void leaveHostileState()
{
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.9f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    setSphereMapTexGen(true);
}

// The effects switch on what they need themselves, whatever the passes before them left.
TEST(DrawTransition, EachEffectAtHalfWayLeavesThePictureWhereItGoes)
{
    test::ScratchFolder outer;
    Scene scene(800, 600);
    fillTransitionTexture();
    struct Probe {
        int x, y;
        Rgb expected;
    };
    struct Case {
        int effect;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        // Cross-fade: the whole picture at alpha 0.5 over the live scene.
        {0, {{200, 150, half(RED, BLUE)}, {600, 450, half(YELLOW, BLUE)}, {200, 450, half(WHITE, BLUE)}}},
        // Slide: moved 400 units right; its left half fills the right of the screen.
        {1, {{200, 300, BLUE}, {600, 150, RED}, {600, 450, WHITE}, {780, 150, RED}}},
        // Tip about the diagonal by 45 degrees: opaque, its quarters where the rotation put them,
        // the lower right of the screen uncovered.
        {2, {{197, 134, RED}, {584, 450, YELLOW}, {171, 452, WHITE}, {510, 227, LIME}, {700, 60, BLUE}}},
        // Spin a quarter turn and recede to 35: half transparent, its lower left now lower right.
        {3, {{464, 214, half(RED, BLUE)}, {336, 386, half(YELLOW, BLUE)}, {336, 214, half(WHITE, BLUE)},
             {100, 300, BLUE}, {700, 550, BLUE}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        leaveHostileState();
        sceneTransition().effect = c.effect;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        drawTransition(0.5f);
        for (const Probe& probe : c.probes) {
            SCOPED_TRACE(testing::Message() << probe.x << "," << probe.y);
            expectNear(scene.pixel(probe.x, probe.y), probe.expected, 4, "pixel");
        }
    }
}

std::vector<uint8_t> transitionTexels()
{
    std::vector<uint8_t> texels(512 * 512 * 3);
    glBindTexture(GL_TEXTURE_2D, transitionTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

Rgb texel(const std::vector<uint8_t>& texels, int x, int y)
{
    const uint8_t* t = &texels[(size_t(y) * 512 + size_t(x)) * 3];
    return {t[0], t[1], t[2]};
}

TEST(CaptureTransitionFrame, CopiesTheSceneAndRestoresTheViewport)
{
    test::ScratchFolder outer;
    Scene scene(800, 600);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    captureTransitionFrame();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    const auto texels = transitionTexels();
    for (auto [x, y] : {std::pair{0, 0}, {511, 511}, {256, 100}})
        expectNear(texel(texels, x, y), BLUE, 1, "the dome, drawn into the square");
    expectNear(scene.pixel(10, 10), RED, 1, "outside the square the back buffer is untouched");
}

TEST(CaptureTransitionFrame, SmallWindowGivesThePartInsideAndBlackElsewhere)
{
    test::ScratchFolder outer;
    Scene scene(300, 200);
    captureTransitionFrame();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 300);
    EXPECT_EQ(viewport[3], 200);
    const auto texels = transitionTexels();
    expectNear(texel(texels, 0, 0), BLUE, 1, "inside");
    expectNear(texel(texels, 279, 179), BLUE, 1, "last texel inside the window");
    expectNear(texel(texels, 280, 10), Rgb{0, 0, 0}, 0, "right of the window");
    expectNear(texel(texels, 10, 180), Rgb{0, 0, 0}, 0, "above the window");
    expectNear(texel(texels, 511, 511), Rgb{0, 0, 0}, 0, "far corner");
}

} // namespace
} // namespace qm
