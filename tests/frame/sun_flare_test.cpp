// The sun's fade, the flare's strength and colours, and the occlusion test and sprites drawn on a
// real Mesa frame: the sun in view, covered by a mesh, behind the camera and just off the screen.
#include "render/gl.h"
#include "render/render_state.h"
#include "tests/support/data_rar.h"
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "world/sun_flare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace qm {
namespace {

TEST(SunFade, TakesOneSixthOfASecondEachWay)
{
    SunFlare sun;
    sun.sunSeen = true;
    for (int i = 0; i < 5; ++i) sun.update(1.0 / 60.0);
    EXPECT_NEAR(sun.fade, 0.5f, 1e-5f) << "half way after 1/12 s";
    for (int i = 0; i < 5; ++i) sun.update(1.0 / 60.0);
    EXPECT_NEAR(sun.fade, 1.0f, 1e-5f);
    sun.update(0.5);
    EXPECT_EQ(sun.fade, 1.0f) << "never above 1";

    sun.sunSeen = false;
    sun.update(1.0 / 12.0);
    EXPECT_NEAR(sun.fade, 0.5f, 1e-5f);
    sun.update(1.0 / 12.0);
    EXPECT_NEAR(sun.fade, 0.0f, 1e-5f);
    sun.update(0.5);
    EXPECT_EQ(sun.fade, 0.0f) << "never below 0";
}

TEST(FlareStrength, FadeOnTheScreenDyingAwayOffIt)
{
    struct Case {
        float x, y, fade, strength;
    };
    const Case cases[] = {
        {400, 300, 0.25f, 0.25f},                 // on the screen: the sun's fade
        {0, 0, 0.0f, 0.0f},                       // corners still count as on the screen
        {800, 600, 0.6f, 0.6f},
        {400, -10, 0.0f, 1.0f - 10.0f / 350.0f},  // just below: about 0.97 even with no fade
        {400 + 700, 300, 1.0f, 0.0f},             // 700 units from the centre: nothing left
        {400, 300 - 700, 1.0f, 0.0f},
        {400 + 650, 300, 1.0f, 0.0f},
        {400 + 475, 300, 0.0f, 0.5f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(flareStrength(c.x, c.y, c.fade), c.strength, 1e-5f) << c.x << "," << c.y;
    EXPECT_NEAR(flareStrength(400, -10, 0.0f), 0.971f, 1e-3f);
}

TEST(FlareElements, ColoursAsDrawnAfterClamping)
{
    const Vec3 first = flareElementColour(0), tenth = flareElementColour(10), last = flareElementColour(22);
    EXPECT_FLOAT_EQ(first.x, 0.3f);
    EXPECT_FLOAT_EQ(first.y, 0.2f);
    EXPECT_FLOAT_EQ(first.z, 1.0f);
    EXPECT_NEAR(tenth.x, 0.3f + 10.0f / 30.0f, 1e-6f);
    EXPECT_FLOAT_EQ(tenth.z, 0.0f);
    EXPECT_FLOAT_EQ(last.x, 1.0f) << "0.3 + 22/30 clamps to 1";
    EXPECT_FLOAT_EQ(last.z, 0.0f) << "1 - 22/10 clamps to 0";
    EXPECT_EQ(FLARE_ELEMENTS[16].t, 1.11f);
    for (int i : {0, 10, 20}) EXPECT_LT(FLARE_ELEMENTS[i].t, 0.0f) << "beyond the sun, element " << i;
    EXPECT_NEAR(screenDiagonalCosine(800, 600), 1.0f, 1e-6f);
    EXPECT_NEAR(screenDiagonalCosine(0, 600), 0.6f, 1e-6f);
}

// An 800 x 600 frame cleared to black at the far plane, a 60-degree 4:3 camera at the origin.
class SunDrawTest : public test::SoftwareGLTest<800, 600> {
protected:
    void SetUp() override
    {
        folder_ = std::make_unique<test::ScratchFolder>();
        test::packDataRar({
            {"textures\\sun.jpg", test::convertImage("-size 32x32 xc:white", "sun.jpg")},
            {"textures\\tlens.jpg", test::convertImage("-size 32x32 xc:white", "tlens.jpg")},
            {"textures\\rlens.jpg", test::convertImage("-size 32x32 xc:white", "rlens.jpg")},
        });
        resetTextureCache();
        resetSunFlare();
        SunFlare& sun = sunFlare();
        sun.loadSunTexture("sun.jpg");
        sun.loadElementTexture("tlens.jpg", 0);
        sun.loadElementTexture("tlens.jpg", 1);
        sun.loadElementTexture("rlens.jpg", 2);
        sun.windowWidth = 800;
        sun.windowHeight = 600;
        glViewport(0, 0, 800, 600);
        clearFrame();
    }
    void TearDown() override
    {
        resetSunFlare();
        folder_.reset();
    }

    static void clearFrame()
    {
        glDepthMask(GL_TRUE);
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // Projection and view of a camera at the origin looking along viewDir (+Z up).
    static void lookAlong(Vec3 viewDir)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 4.0 / 3.0, 0.1, 500.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 0, viewDir.x, viewDir.y, viewDir.z, 0, 0, 1);
    }

    // A grey square 2 units in front of the camera along viewDir, writing depth.
    static void drawCover(Vec3 viewDir)
    {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        const Vec3 c = 2.0f * normalized(viewDir);
        const Vec3 side = normalized(cross(viewDir, Vec3(0, 0, 1))), up = normalized(cross(side, viewDir));
        glColor3f(0.25f, 0.25f, 0.25f);
        glBegin(GL_QUADS);
        for (auto [a, b] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
            const Vec3 p = c + 0.3f * float(a) * side + 0.3f * float(b) * up;
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
        glEnable(GL_TEXTURE_2D);
    }

    static std::vector<uint8_t> frame()
    {
        glFinish();
        std::vector<uint8_t> pixels(800 * 600 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    static int red(const std::vector<uint8_t>& pixels, int x, int y) { return pixels[(size_t(y) * 800 + size_t(x)) * 4]; }
    static int litPixels(const std::vector<uint8_t>& pixels)
    {
        int lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] > 3 || pixels[i + 1] > 3 || pixels[i + 2] > 3;
        return lit;
    }

    // Where the sun's place projects now, in overlay units (the viewport is 800 x 600).
    static Vec3 projectedSun()
    {
        GLdouble mv[16], pr[16], x, y, z;
        const GLint vp[4] = {0, 0, 800, 600};
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, pr);
        const Vec3 s = sunFlare().sunOffset;
        gluProject(s.x, s.y, s.z, mv, pr, vp, &x, &y, &z);
        return Vec3(float(x), float(y), float(z));
    }

private:
    std::unique_ptr<test::ScratchFolder> folder_;
};

TEST_F(SunDrawTest, UncoveredSunIsSeenAndItsSpriteLightsItsCentre)
{
    SunFlare& sun = sunFlare();
    const Vec3 toSun = normalized(sun.sunOffset);
    lookAlong(toSun);
    sun.fade = 1.0f;
    sun.draw(Vec3(0, 0, 0), toSun);
    EXPECT_TRUE(sun.sunSeen);
    EXPECT_EQ(sun.depthReads, 1);
    const auto pixels = frame();
    EXPECT_GT(red(pixels, 400, 300), 250) << "white sprite added at full fade";

    // Whatever the last technique left (blending and texturing off, an alpha test that drops a
    // half-faded sprite, culling of the sprite's clockwise quad), the sprite draws the same.
    clearFrame();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.9f);
    glEnable(GL_CULL_FACE);
    setSphereMapTexGen(true);
    sun.fade = 0.5f;
    sun.draw(Vec3(0, 0, 0), toSun);
    EXPECT_NEAR(red(frame(), 400, 300), 128, 3) << "half fade, half brightness";
}

TEST_F(SunDrawTest, MeshOverTheCentreHidesTheSunWhichFadesOutOverOneSixthSecond)
{
    SunFlare& sun = sunFlare();
    const Vec3 toSun = normalized(sun.sunOffset);
    lookAlong(toSun);
    sun.fade = 1.0f;
    drawCover(toSun);
    sun.draw(Vec3(0, 0, 0), toSun);
    EXPECT_FALSE(sun.sunSeen) << "the cover's depth is nearer than the far plane";
    EXPECT_GT(red(frame(), 400, 300), 250) << "the sprite still shows while it fades";

    for (int i = 0; i < 10; ++i) sun.update(1.0 / 60.0);
    EXPECT_NEAR(sun.fade, 0.0f, 1e-5f);
    clearFrame();
    drawCover(toSun);
    sun.draw(Vec3(0, 0, 0), toSun);
    EXPECT_NEAR(red(frame(), 400, 300), 64, 2) << "only the grey cover is left";

    // Uncovered again, it comes back over the same time.
    clearFrame();
    sun.draw(Vec3(0, 0, 0), toSun);
    EXPECT_TRUE(sun.sunSeen);
    for (int i = 0; i < 10; ++i) sun.update(1.0 / 60.0);
    EXPECT_NEAR(sun.fade, 1.0f, 1e-5f);
}

TEST_F(SunDrawTest, SunBehindTheCameraIsHiddenWithoutFlareAndItsSpriteFades)
{
    SunFlare& sun = sunFlare();
    sun.drawElements = true;
    const Vec3 away = -normalized(sun.sunOffset);
    lookAlong(away);
    sun.sunSeen = true;
    sun.draw(Vec3(0, 0, 0), away);
    EXPECT_FALSE(sun.sunSeen);
    EXPECT_EQ(sun.depthReads, 0) << "nothing to read for a sun behind the eye";
    EXPECT_EQ(litPixels(frame()), 0) << "no fade, no flare elements";

    sun.fade = 1.0f;
    sun.update(1.0 / 60.0);
    EXPECT_NEAR(sun.fade, 0.9f, 1e-5f) << "the sprite fades out";
}

TEST_F(SunDrawTest, SunJustBelowTheScreenCountsAsCoveredButItsFlareShows)
{
    SunFlare& sun = sunFlare();
    sun.drawElements = true;
    // Tilt the view up until the sun sits a few units below the bottom edge.
    const Vec3 toSun = normalized(sun.sunOffset);
    const Vec3 side = normalized(cross(toSun, Vec3(0, 0, 1))), up = cross(side, toSun);
    const float tilt = 31.0f * 3.14159265f / 180.0f;
    const Vec3 viewDir = normalized(std::cos(tilt) * toSun + std::sin(tilt) * up);
    lookAlong(viewDir);
    const Vec3 s = projectedSun();
    ASSERT_LT(s.y, 0.0f);
    ASSERT_GT(flareStrength(s.x, s.y, 0.0f), 0.9f);
    sun.sunSeen = true;
    sun.draw(Vec3(0, 0, 0), viewDir);
    EXPECT_FALSE(sun.sunSeen) << "no pixel of the window to read";
    EXPECT_EQ(sun.depthReads, 0);
    const auto pixels = frame();
    EXPECT_GT(litPixels(pixels), 1000) << "the flare streaks up towards the centre";
    EXPECT_GT(red(pixels, 400, 300), 0) << "halo 2 or the large element 19 near the centre";
}

TEST_F(SunDrawTest, CentrePastTheWindowEdgeIsNotRead)
{
    SunFlare& sun = sunFlare();
    const Vec3 toSun = normalized(sun.sunOffset);
    lookAlong(toSun);
    // A capture square larger than a small window: the sun's pixel lies outside the window.
    glViewport(20, 20, 1024, 1024);
    sun.windowWidth = 400;
    sun.windowHeight = 300;
    sun.sunSeen = true;
    sun.draw(Vec3(0, 0, 0), toSun);
    EXPECT_FALSE(sun.sunSeen);
    EXPECT_EQ(sun.depthReads, 0);
    glViewport(0, 0, 800, 600);
}

} // namespace
} // namespace qm
