// Liveries and the car passes on a real Mesa context: what loads into each car, and the state
// and pixels the passes leave.
#include "cars/car.h"
#include "cars/car_passes.h"
#include "cars/car_resources.h"
#include "assets/texture.h"
#include "render/frustum.h"
#include "render/random.h"
#include "render/render_state.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <cmath>
#include <set>

namespace qm {
namespace {

// A 2 x 2 uncompressed 32-bit TGA of one colour.
std::vector<uint8_t> tga(uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 8};
    for (int i = 0; i < 4; ++i) bytes.insert(bytes.end(), {b, g, r, 255});
    return bytes;
}

class CarDrawing : public test::SoftwareGLTest<64, 64> {
protected:
    void SetUp() override
    {
        resetCars();
        resetCarResources();
        resetTextureCache();
    }
    void TearDown() override
    {
        resetCars();
        resetCarResources();
        resetTextureCache();
    }
};

TEST_F(CarDrawing, LiveriesGoByCarIndexAndBadFilesLeaveDrawableCars)
{
    test::ScratchFolder scratch;
    test::packDataRar({
        {"vcl\\f.txt", test::bytesOf("bodymesh 0\ntexture   red.tga\nhelmet white.tga\nshadow sh0.ase\n")},
        {"vcl\\b.txt", test::bytesOf("bodymesh 1\r\ntexture red.tga\r\nhelmet white.tga\r\nshadow sh1.ase\r\n")},
        {"vcl\\green.txt", test::bytesOf("bodymesh 2\ntexture green.tga\nhelmet white.tga\nshadow sh2.ase\n")},
        {"vcl\\blue.txt", test::bytesOf("bodymesh 7\ntexture green.tga\nhelmet white.tga\nshadow sh3.ase\n")},
        {"vcl\\orange.txt", test::bytesOf("body 1\ncolour red.tga\n")},
        // "vcl\\yellow.txt" is missing
        {"textures\\red.tga", tga(255, 0, 0)},
        {"textures\\green.tga", tga(0, 255, 0)},
        {"textures\\white.tga", tga(255, 255, 255)},
    });
    bodyMeshes() = {101, 102, 103};
    reflectionMeshes() = {201, 202, 203};
    loadLiveries();

    const auto& c = cars();
    for (int i : {0, 6, 12}) EXPECT_STREQ(liveryMemberFor(i), "vcl\\f.txt");
    for (int i : {5, 11, 17}) EXPECT_STREQ(liveryMemberFor(i), "vcl\\yellow.txt");
    for (int base : {0, 6, 12}) {
        EXPECT_EQ(c[base].bodyList, 101u);
        EXPECT_EQ(c[base + 1].bodyList, 102u);
        EXPECT_EQ(c[base + 1].reflectionList, 202u);
        EXPECT_EQ(c[base + 2].bodyList, 103u);
        EXPECT_EQ(c[base + 3].bodyList, 101u);   // body 7 falls back to body 0
        EXPECT_EQ(c[base + 4].bodyNumber, 0);
        EXPECT_EQ(c[base + 5].bodyNumber, 0);
    }
    // Body 1: layout B and the higher helmet; body 2 shares layout A with body 0.
    EXPECT_FLOAT_EQ(c[1].wheelPositions[0].x, 158.922f);
    EXPECT_FLOAT_EQ(c[1].helmetOffset.z, 133.1917f);
    EXPECT_FLOAT_EQ(c[2].wheelPositions[1].x, -168.752f);
    EXPECT_FLOAT_EQ(c[2].helmetOffset.y, 21.9106f);
    for (const Car& car : c) EXPECT_EQ(car.wheelPositions.size(), 4u);
    // One paint texture named by two liveries is one GL texture; the cache knows three names.
    EXPECT_NE(c[0].bodyTexture.name(), 0u);
    EXPECT_EQ(c[0].bodyTexture.name(), c[1].bodyTexture.name());
    EXPECT_NE(c[0].bodyTexture.name(), c[2].bodyTexture.name());
    EXPECT_EQ(c[0].helmetTexture.name(), c[17 - 15].helmetTexture.name());
    // Unmatched lines and a missing file load nothing: untextured paint, no stale names.
    EXPECT_EQ(c[4].bodyTexture.name(), 0u);
    EXPECT_EQ(c[5].bodyTexture.name(), 0u);
    EXPECT_EQ(c[5].shadowList, 0u);
}

GLuint squareList(float half, Vec3 colour)
{
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor3f(colour.x, colour.y, colour.z);
    glBegin(GL_QUADS);
    glVertex3f(-half, -half, 0);
    glVertex3f(half, -half, 0);
    glVertex3f(half, half, 0);
    glVertex3f(-half, half, 0);
    glEnd();
    glEndList();
    return list;
}

// Camera straight above the origin looking down, the car's frame level at the origin.
void lookDownAtOrigin()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void placeCarAtOrigin(Car& car)
{
    car.frame.position = Vec3(0, 0, 0);
    car.frame.right = Vec3(1, 0, 0);
    car.frame.forward = Vec3(0, 1, 0);
    car.frame.up = Vec3(0, 0, 1);
    car.frame.steer = 0;
    car.wheelPositions.assign(WHEEL_LAYOUT_A.begin(), WHEEL_LAYOUT_A.end());
}

TEST_F(CarDrawing, InvisibleCarStillCastsItsShadowButDrawsNoBody)
{
    initGLState();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    lookDownAtOrigin();
    // A frustum that faces away from the car: every car is invisible to it.
    const float projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, -1, 0, 0, -2, 0};
    const float awayView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 50, 1};
    viewFrustum.extractFrom(projection, awayView);

    for (Car& car : cars()) {
        placeCarAtOrigin(car);
        car.shadowList = squareList(100.0f, Vec3(0.2f, 0.9f, 0.3f));   // 0.3 world units
        car.bodyList = squareList(500.0f, Vec3(1, 0, 0));
    }
    drawCarPasses();
    for (const Car& car : cars()) EXPECT_FALSE(car.visible);
    uint8_t centre[4], corner[4];
    glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_GT(centre[1], 100) << "shadow drawn";
    EXPECT_LT(centre[0], 100) << "no body over it";
    EXPECT_EQ(corner[1], 0);
}

TEST_F(CarDrawing, WheelSpecularFollowsTheLightMapSamples)
{
    initGLState();
    lookDownAtOrigin();
    Car& car = cars()[0];
    placeCarAtOrigin(car);
    car.visible = true;
    struct Case {
        float light, tyre, rim;
    } cases[] = {{0.0f, -0.5f, -0.9f}, {1.0f, 0.5f, 0.1f}};
    for (const Case& c : cases) {
        for (float& l : car.wheelLight) l = c.light;
        beginTyrePass();
        car.drawTyres();
        GLfloat specular[4], colour[4];
        glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        EXPECT_NEAR(specular[0], c.tyre, 1e-6f);
        GLfloat shininess;
        glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
        EXPECT_EQ(shininess, 10.0f);
        beginRimPass();
        car.drawRims();
        glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        EXPECT_NEAR(specular[1], c.rim, 1e-6f);
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_NEAR(colour[2], c.light, 1e-6f);
        EXPECT_EQ(test::glInteger(GL_DEPTH_FUNC), GL_LEQUAL);
        EXPECT_EQ(test::glInteger(GL_DEPTH_WRITEMASK), GL_FALSE);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CarDrawing, HelmetShakesOnlyInHardBends)
{
    srand(5);
    std::set<float> hard, soft;
    for (int i = 0; i < 50; ++i) {
        const float lean = helmetLean(-4.0f);   // 6 before the shake, above the threshold of 5
        EXPECT_GE(lean, 3.0f);
        EXPECT_LE(lean, 9.0f);
        hard.insert(lean);
        soft.insert(helmetLean(3.0f));
    }
    EXPECT_GT(hard.size(), 10u);
    ASSERT_EQ(soft.size(), 1u);
    EXPECT_FLOAT_EQ(*soft.begin(), -4.5f);
    EXPECT_EQ(helmetLean(0.0f), 0.0f);
}

} // namespace
} // namespace qm
