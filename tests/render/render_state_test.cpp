// Every render-state operation and the one-time set-up, read back with glGet on a real Mesa context.
#include "render/extensions.h"
#include "render/gl.h"
#include "render/gl_matrix.h"
#include "render/render_state.h"
#include "tests/support/software_gl.h"
#include <gtest/gtest.h>
#include <array>
#include <cmath>

namespace {
using namespace qm;
using test::glInteger;

using Matrix = std::array<GLfloat, 16>;

Matrix readMatrix(GLenum which)
{
    Matrix m{};
    glGetFloatv(which, m.data());
    return m;
}

std::array<GLfloat, 4> readFloat4(GLenum which)
{
    std::array<GLfloat, 4> v{};
    glGetFloatv(which, v.data());
    return v;
}

void expectMatrixNear(const Matrix& expected, const Matrix& actual, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected[i], actual[i], tolerance) << "element " << i << " of\n" << ::testing::PrintToString(expected) << " vs\n" << ::testing::PrintToString(actual);
}

void expectFloat4(std::array<GLfloat, 4> expected, std::array<GLfloat, 4> actual)
{
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(expected[i], actual[i]) << "component " << i;
}

// The matrix that loading identity and applying `steps` gives in the given mode; the matrix
// mode and stacks are left as they were.
template <typename Steps>
Matrix built(GLenum mode, GLenum which, Steps steps)
{
    GLint previousMode = glInteger(GL_MATRIX_MODE);
    glMatrixMode(mode);
    glPushMatrix();
    glLoadIdentity();
    steps();
    Matrix m = readMatrix(which);
    glPopMatrix();
    glMatrixMode(GLenum(previousMode));
    return m;
}

class RenderState : public test::SoftwareGLTest<64, 64> {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, qglActiveTextureARB);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError()); }
};

TEST_F(RenderState, CapabilitySwitches)
{
    struct Case {
        void (*op)(bool);
        GLenum cap;
        const char* name;
    };
    const Case cases[] = {
        {setDepthTest, GL_DEPTH_TEST, "setDepthTest"},
        {setLighting, GL_LIGHTING, "setLighting"},
        {setCullFace, GL_CULL_FACE, "setCullFace"},
        {setBlend, GL_BLEND, "setBlend"},
    };
    for (const Case& k : cases) {
        k.op(true);
        EXPECT_TRUE(glIsEnabled(k.cap)) << k.name;
        k.op(false);
        EXPECT_FALSE(glIsEnabled(k.cap)) << k.name;
    }
    setDepthWrite(false);
    EXPECT_EQ(GL_FALSE, glInteger(GL_DEPTH_WRITEMASK));
    setDepthWrite(true);
    EXPECT_EQ(GL_TRUE, glInteger(GL_DEPTH_WRITEMASK));
}

TEST_F(RenderState, BlendFunctions)
{
    blendAdditive();
    EXPECT_EQ(GL_SRC_ALPHA, glInteger(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE, glInteger(GL_BLEND_DST));
    blendAlpha();
    EXPECT_EQ(GL_SRC_ALPHA, glInteger(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, glInteger(GL_BLEND_DST));
}

TEST_F(RenderState, ColoursAndMaterial)
{
    setColor(Vec3(0.25f, 0.5f, 0.75f), 0.125f);
    expectFloat4({0.25f, 0.5f, 0.75f, 0.125f}, readFloat4(GL_CURRENT_COLOR));
    setColor3(0.1f, 0.2f, 0.3f);
    expectFloat4({0.1f, 0.2f, 0.3f, 1.0f}, readFloat4(GL_CURRENT_COLOR));
    colorWhite();
    expectFloat4({1, 1, 1, 1}, readFloat4(GL_CURRENT_COLOR));

    setMaterialSpecular(Vec3(0.2f, 0.4f, 0.6f));
    std::array<GLfloat, 4> front{}, back{};
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, front.data());
    glGetMaterialfv(GL_BACK, GL_SPECULAR, back.data());
    expectFloat4({0.2f, 0.4f, 0.6f, 1.0f}, front);
    expectFloat4({0, 0, 0, 1}, back);  // front only
    setMaterialShininess(42.0f);
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(42.0f, shininess);
}

TEST_F(RenderState, MatrixOperations)
{
    pushMatrix();
    EXPECT_EQ(2, glInteger(GL_MODELVIEW_STACK_DEPTH));
    translate(Vec3(1, 2, 3));
    expectMatrixNear(built(GL_MODELVIEW, GL_MODELVIEW_MATRIX, [] { glTranslatef(1, 2, 3); }),
                     readMatrix(GL_MODELVIEW_MATRIX));
    scaleUniform(2.0f);
    scale(Vec3(1, 3, 5));
    rotate(Vec3(0, 0, 1), 30.0f);
    Matrix expected = built(GL_MODELVIEW, GL_MODELVIEW_MATRIX, [] {
        glTranslatef(1, 2, 3);
        glScalef(2, 2, 2);
        glScalef(1, 3, 5);
        glRotatef(30, 0, 0, 1);
    });
    expectMatrixNear(expected, readMatrix(GL_MODELVIEW_MATRIX));
    popMatrix();
    EXPECT_EQ(1, glInteger(GL_MODELVIEW_STACK_DEPTH));
    expectMatrixNear(built(GL_MODELVIEW, GL_MODELVIEW_MATRIX, [] {}), readMatrix(GL_MODELVIEW_MATRIX));
}

TEST_F(RenderState, SelectMatrixModeIgnoresUnknownValues)
{
    const std::pair<int, GLint> cases[] = {{0, GL_TEXTURE}, {2, GL_PROJECTION}, {1, GL_MODELVIEW}};
    for (auto [mode, expected] : cases) {
        selectMatrixMode(mode);
        EXPECT_EQ(expected, glInteger(GL_MATRIX_MODE)) << mode;
    }
    selectMatrixMode(2);
    for (int bad : {-1, 3, 42}) {
        selectMatrixMode(bad);
        EXPECT_EQ(GL_PROJECTION, glInteger(GL_MATRIX_MODE)) << bad;
    }
    selectMatrixMode(1);
}

TEST_F(RenderState, TextureMatrices)
{
    glMatrixMode(GL_TEXTURE);
    glRotatef(10, 1, 0, 0);
    glMatrixMode(GL_MODELVIEW);
    resetTextureMatrix();
    EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
    expectMatrixNear(built(GL_TEXTURE, GL_TEXTURE_MATRIX, [] {}), readMatrix(GL_TEXTURE_MATRIX));

    // A view with rotation and translation: the texture matrix is the transpose of view * Rx(-90).
    glTranslatef(5, -6, 7);
    glRotatef(33, 0.3f, 1, 0.2f);
    Matrix view = readMatrix(GL_MODELVIEW_MATRIX);
    glPushMatrix();
    glRotatef(-90, 1, 0, 0);
    Matrix rotated = readMatrix(GL_MODELVIEW_MATRIX);
    glPopMatrix();
    setReflectionTextureMatrix();
    Matrix transposed{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) transposed[4 * c + r] = rotated[4 * r + c];
    expectMatrixNear(transposed, readMatrix(GL_TEXTURE_MATRIX));
    EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
    expectMatrixNear(view, readMatrix(GL_MODELVIEW_MATRIX), 0.0f);
    EXPECT_EQ(1, glInteger(GL_MODELVIEW_STACK_DEPTH));
    resetTextureMatrix();
}

TEST_F(RenderState, TextureUnits)
{
    auto unitEnabled = [](int unit) {
        qglActiveTextureARB(GLenum(GL_TEXTURE0_ARB + unit));
        return glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
    };
    resetTextureUnits();
    enableTextureUnit(1);
    EXPECT_EQ(GL_TEXTURE1_ARB, glInteger(GL_ACTIVE_TEXTURE_ARB));
    EXPECT_TRUE(unitEnabled(1));

    resetTextureUnits();
    EXPECT_EQ(GL_TEXTURE0_ARB, glInteger(GL_ACTIVE_TEXTURE_ARB));
    EXPECT_FALSE(unitEnabled(1));
    EXPECT_TRUE(unitEnabled(0));

    glDisable(GL_TEXTURE_2D);
    qglActiveTextureARB(GL_TEXTURE1_ARB);
    enableTextureUnit(0);
    EXPECT_EQ(GL_TEXTURE0_ARB, glInteger(GL_ACTIVE_TEXTURE_ARB));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    enableTextureUnit(5);  // no such unit: nothing changes
    EXPECT_EQ(GL_TEXTURE0_ARB, glInteger(GL_ACTIVE_TEXTURE_ARB));
    resetTextureUnits();
}

TEST_F(RenderState, TextureCoordinateGeneration)
{
    auto mode = [](GLenum coord) {
        GLint m = 0;
        glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &m);
        return m;
    };
    setSphereMapTexGen(true);
    EXPECT_EQ(GL_SPHERE_MAP, mode(GL_S));
    EXPECT_EQ(GL_SPHERE_MAP, mode(GL_T));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_R));
    setSphereMapTexGen(false);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));

    setCubeReflectionTexGen(true);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP_ARB));
    for (GLenum coord : {GL_S, GL_T, GL_R}) EXPECT_EQ(GL_REFLECTION_MAP_ARB, mode(coord));
    for (GLenum gen : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R})
        EXPECT_TRUE(glIsEnabled(gen));
    setCubeReflectionTexGen(false);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP_ARB));
    for (GLenum gen : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R})
        EXPECT_FALSE(glIsEnabled(gen));
}

TEST_F(RenderState, Begin2DAndEnd2DRestoreBothMatricesAndDepthTest)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50, 1.5, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, -30);
    Matrix projection = readMatrix(GL_PROJECTION_MATRIX);
    Matrix modelview = readMatrix(GL_MODELVIEW_MATRIX);

    for (bool depthBefore : {true, false}) {
        setDepthTest(depthBefore);
        begin2D();
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
        expectMatrixNear(built(GL_MODELVIEW, GL_MODELVIEW_MATRIX, [] {}), readMatrix(GL_MODELVIEW_MATRIX));
        Matrix ortho = built(GL_PROJECTION, GL_PROJECTION_MATRIX, [] { glOrtho(0, 800, 0, 600, -1, 1); });
        expectMatrixNear(ortho, readMatrix(GL_PROJECTION_MATRIX));
        end2D();
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "depth test before: " << depthBefore;
        EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
        expectMatrixNear(projection, readMatrix(GL_PROJECTION_MATRIX), 0.0f);
        expectMatrixNear(modelview, readMatrix(GL_MODELVIEW_MATRIX), 0.0f);
        EXPECT_EQ(1, glInteger(GL_PROJECTION_STACK_DEPTH));
        EXPECT_EQ(1, glInteger(GL_MODELVIEW_STACK_DEPTH));
    }
}

TEST_F(RenderState, Overlay2DSpaceCoversTheViewport)
{
    // A quad at the overlay's top-right corner lands in the top-right pixel of the viewport.
    glViewport(0, 0, 64, 64);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    begin2D();
    setColor3(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(790, 590);
    glVertex2f(800, 590);
    glVertex2f(800, 600);
    glVertex2f(790, 600);
    glEnd();
    end2D();
    GLubyte corner[4] = {}, origin[4] = {};
    glReadPixels(63, 63, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, origin);
    EXPECT_EQ(255, corner[0]);
    EXPECT_EQ(0, origin[0]);
}

TEST_F(RenderState, MultMatrixByBasis)
{
    glTranslatef(1, 2, 3);
    Matrix before = readMatrix(GL_MODELVIEW_MATRIX);
    multMatrixByBasis(Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1));
    expectMatrixNear(before, readMatrix(GL_MODELVIEW_MATRIX), 0.0f);

    // right = (0, -1, 0), forward = (1, 0, 0), up = z: local x goes to world -y.
    glLoadIdentity();
    multMatrixByBasis(Vec3(0, -1, 0), Vec3(1, 0, 0), Vec3(0, 0, 1));
    Matrix m = readMatrix(GL_MODELVIEW_MATRIX);
    const Matrix expected = {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectMatrixNear(expected, m, 0.0f);
}

TEST_F(RenderState, RotateAboutAxisLeavesGLStateAlone)
{
    glTranslatef(4, 5, 6);
    glMatrixMode(GL_PROJECTION);
    Matrix modelview = readMatrix(GL_MODELVIEW_MATRIX);
    Vec3 v(1, 0, 0);
    rotateAboutAxis(v, 90, Vec3(0, 0, 1));
    EXPECT_NEAR(-1.0f, v.y, 1e-6f);
    EXPECT_EQ(GL_PROJECTION, glInteger(GL_MATRIX_MODE));
    expectMatrixNear(modelview, readMatrix(GL_MODELVIEW_MATRIX), 0.0f);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(RenderState, InitGLStateReadBack)
{
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    initGLState();

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "initGLState leaves blending as it found it";
    glDisable(GL_BLEND);
    EXPECT_EQ(GL_SRC_ALPHA, glInteger(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE, glInteger(GL_BLEND_DST));
    expectFloat4({0, 0, 0, 1}, readFloat4(GL_COLOR_CLEAR_VALUE));

    // Lights at the eye, looking down -z (stored in eye coordinates of an identity view).
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1}) {
        std::array<GLfloat, 4> position{}, direction{};
        glGetLightfv(light, GL_POSITION, position.data());
        glGetLightfv(light, GL_SPOT_DIRECTION, direction.data());
        expectFloat4({0, 0, 0, 1}, position);
        EXPECT_FLOAT_EQ(-1.0f, direction[2]);
        EXPECT_FLOAT_EQ(0.0f, direction[0]);
    }
    std::array<GLfloat, 4> diffuse{}, specular{}, ambient{};
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse.data());
    glGetLightfv(GL_LIGHT1, GL_SPECULAR, specular.data());
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient.data());
    expectFloat4({1, 1, 1, 1}, diffuse);
    expectFloat4({1, 1, 1, 1}, specular);
    expectFloat4({0, 0, 0, 1}, ambient);

    EXPECT_EQ(GL_SEPARATE_SPECULAR_COLOR, glInteger(GL_LIGHT_MODEL_COLOR_CONTROL));
    EXPECT_EQ(GL_FALSE, glInteger(GL_LIGHT_MODEL_LOCAL_VIEWER));
    EXPECT_EQ(GL_FALSE, glInteger(GL_LIGHT_MODEL_TWO_SIDE));
    expectFloat4({0, 0, 0, 1}, readFloat4(GL_LIGHT_MODEL_AMBIENT));
    EXPECT_EQ(GL_FRONT_AND_BACK, glInteger(GL_COLOR_MATERIAL_FACE));
    EXPECT_EQ(GL_AMBIENT_AND_DIFFUSE, glInteger(GL_COLOR_MATERIAL_PARAMETER));

    EXPECT_EQ(GL_MODELVIEW, glInteger(GL_MATRIX_MODE));
    expectMatrixNear(built(GL_PROJECTION, GL_PROJECTION_MATRIX,
                           [] { gluPerspective(60.0, 4.0 / 3.0, double(0.1f), 500.0); }),
                     readMatrix(GL_PROJECTION_MATRIX), 0.0f);
    // translate (0, 0, -340) then rotate 180 about y: x and z flip, the eye sits 340 back.
    const Matrix view = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -340, 1};
    expectMatrixNear(view, readMatrix(GL_MODELVIEW_MATRIX), 1e-5f);
}

} // namespace
