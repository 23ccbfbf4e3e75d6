// The default sky as the saver draws it: the dome's glow sits where the sun sprite is placed, the
// sky is brighter towards the sun than away from it, and the dome covers the view straight down.
#include "render/gl.h"
#include "render/render_state.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/data_set.h"
#include "world/sky_dome.h"
#include "world/sun_flare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qm {
namespace {

class SkyArtworkTest : public test::SoftwareGLTest<400, 300> {
protected:
    void SetUp() override
    {
        folder_ = std::make_unique<test::ScratchFolder>();
        DataSet set;
        addSkyArtwork(set);
        test::packDataRar(set.members());
        resetTextureCache();
        resetSky();
        loadSky();
        glViewport(0, 0, 400, 300);
        initGLState();
    }
    void TearDown() override
    {
        resetSky();
        folder_.reset();
    }

    // The dome drawn from eye towards eye + direction through the saver's 60-degree 4:3 lens, over
    // a magenta background; the picture as luminance, or -1 where magenta is left.
    static std::vector<int> domeFrom(Vec3 eye, Vec3 direction, Vec3 up = Vec3(0, 0, 1))
    {
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 4.0 / 3.0, 0.02, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const Vec3 at = eye + direction;
        gluLookAt(eye.x, eye.y, eye.z, at.x, at.y, at.z, up.x, up.y, up.z);
        colorWhite();
        drawSkyDome(eye);
        glFinish();
        std::vector<uint8_t> rgba(400 * 300 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 400, 300, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::vector<int> luminance(400 * 300);
        for (size_t i = 0; i < luminance.size(); ++i) {
            const uint8_t* p = &rgba[i * 4];
            const bool magenta = p[0] > 250 && p[1] < 5 && p[2] > 250;
            luminance[i] = magenta ? -1 : (p[0] * 3 + p[1] * 6 + p[2]) / 10;
        }
        return luminance;
    }

private:
    std::unique_ptr<test::ScratchFolder> folder_;
};

double boxAt(const std::vector<int>& sky, int x, int y)
{
    double sum = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) sum += sky[size_t(y + dy) * 400 + size_t(x + dx)];
    return sum / 25.0;
}

TEST_F(SkyArtworkTest, GlowOfTheDomeSitsWhereTheSunSpriteIsPlaced)
{
    // Looking straight at the sun's direction, where its sprite would be drawn at the centre: the
    // glow peaks there and falls off to both sides and downwards (a cloud lies above it).
    const Vec3 toSun = normalized(sunFlare().sunOffset);
    const auto sky = domeFrom(Vec3(10, -20, 1.5f), toSun);
    const double centre = boxAt(sky, 200, 150);
    for (auto [dx, dy] : {std::pair{-30, 0}, {30, 0}, {-60, 0}, {60, 0}, {0, -30}, {0, -60}, {-20, -20}, {20, -20}})
        EXPECT_GT(centre, boxAt(sky, 200 + dx, 150 + dy) + 8.0) << dx << "," << dy;
    EXPECT_GT(boxAt(sky, 230, 150), boxAt(sky, 260, 150)) << "still falling off";
    EXPECT_GT(boxAt(sky, 170, 150), boxAt(sky, 140, 150));
}

TEST_F(SkyArtworkTest, SkyIsBrighterTowardsTheSun)
{
    const Vec3 toSun = normalized(sunFlare().sunOffset);
    const Vec3 away = normalized(Vec3(-toSun.x, -toSun.y, toSun.z));
    auto mean = [](const std::vector<int>& sky) {
        double sum = 0;
        for (int v : sky) sum += v;
        return sum / double(sky.size());
    };
    EXPECT_GT(mean(domeFrom(Vec3(0, 0, 1.5f), toSun)), mean(domeFrom(Vec3(0, 0, 1.5f), away)) + 10.0);
}

TEST_F(SkyArtworkTest, DomeCoversEveryDirectionStraightDownIncluded)
{
    const Vec3 directions[] = {{0, 0, -1}, {0, 0, 1}, {1, 0, 0}, {0, -1, -0.2f}, {0.3f, 0.2f, -1}};
    for (Vec3 d : directions) {
        const Vec3 up = d.x == 0 && d.y == 0 ? Vec3(0, 1, 0) : Vec3(0, 0, 1);
        const auto sky = domeFrom(Vec3(0, 0, 120), normalized(d), up);
        int holes = 0;
        for (int v : sky) holes += v < 0;
        EXPECT_EQ(holes, 0) << d.x << "," << d.y << "," << d.z;
    }
}

} // namespace
} // namespace qm
