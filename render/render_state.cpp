#include "render/render_state.h"
#include "render/extensions.h"
#include "render/gl.h"

namespace qm {
namespace {

// Light model, matrices and lights of the one-time set-up (see initGLState).
constexpr double INITIAL_FOV_DEGREES = 60.0;
constexpr double INITIAL_ASPECT = 4.0 / 3.0;
constexpr double INITIAL_NEAR = double(0.1f);
constexpr double INITIAL_FAR = 500.0;
constexpr float INITIAL_VIEW_DISTANCE = 340.0f;

void setCapability(GLenum cap, bool on)
{
    if (on) glEnable(cap);
    else glDisable(cap);
}

// Without multitexture only unit 0 exists; it is the one always selected then.
bool selectTextureUnit(int unit)
{
    if (!qglActiveTextureARB) return unit == 0;
    qglActiveTextureARB(GLenum(GL_TEXTURE0_ARB + unit));
    return true;
}

void initCapabilities()
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_NORMALIZE);
}

void initLightPlacement()
{
    const GLfloat position[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat direction[3] = {0.0f, 0.0f, -1.0f};
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1}) {
        glLightfv(light, GL_POSITION, position);
        glLightfv(light, GL_SPOT_DIRECTION, direction);
    }
}

void initLightModel()
{
    const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

void initMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(INITIAL_FOV_DEGREES, INITIAL_ASPECT, INITIAL_NEAR, INITIAL_FAR);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -INITIAL_VIEW_DISTANCE);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
}

void initLight1Colours()
{
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT1, GL_SPECULAR, white);
    glLightfv(GL_LIGHT1, GL_AMBIENT, black);
}

} // namespace

void initGLState()
{
    // 1. Capabilities and the alpha blend function.
    initCapabilities();
    // 2. Both lights at the eye, looking down -z, while the modelview matrix is the identity.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    initLightPlacement();
    // 3. Lighting stays off until a pass asks for it.
    glDisable(GL_LIGHTING);
    // 4. Light model.
    initLightModel();
    // 5-6. The projection and view the loading screen is drawn in.
    initMatrices();
    // 7. Colour tracking with the default front-and-back ambient-and-diffuse.
    glEnable(GL_COLOR_MATERIAL);
    // 8. Light 1 colours.
    initLight1Colours();
    // 9. Additive blend function (blending itself stays off), black clear colour, depth test.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
}

void setDepthTest(bool on) { setCapability(GL_DEPTH_TEST, on); }
void setLighting(bool on) { setCapability(GL_LIGHTING, on); }
void setCullFace(bool on) { setCapability(GL_CULL_FACE, on); }
void setBlend(bool on) { setCapability(GL_BLEND, on); }
void setDepthWrite(bool on) { glDepthMask(on ? GL_TRUE : GL_FALSE); }
void blendAdditive() { glBlendFunc(GL_SRC_ALPHA, GL_ONE); }
void blendAlpha() { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }
void colorWhite() { glColor4f(1.0f, 1.0f, 1.0f, 1.0f); }
void setColor(Vec3 colour, float alpha) { glColor4f(colour.x, colour.y, colour.z, alpha); }
void setColor3(float r, float g, float b) { glColor3f(r, g, b); }

void setMaterialSpecular(Vec3 specular)
{
    const GLfloat value[4] = {specular.x, specular.y, specular.z, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, value);
}

void setMaterialShininess(float shininess) { glMaterialf(GL_FRONT, GL_SHININESS, shininess); }
void pushMatrix() { glPushMatrix(); }
void popMatrix() { glPopMatrix(); }
void translate(Vec3 v) { glTranslatef(v.x, v.y, v.z); }
void scaleUniform(float s) { glScalef(s, s, s); }
void scale(Vec3 v) { glScalef(v.x, v.y, v.z); }
void rotate(Vec3 axis, float degrees) { glRotatef(degrees, axis.x, axis.y, axis.z); }

void selectMatrixMode(int mode)
{
    switch (mode) {
    case 0: glMatrixMode(GL_TEXTURE); break;
    case 1: glMatrixMode(GL_MODELVIEW); break;
    case 2: glMatrixMode(GL_PROJECTION); break;
    default: break;
    }
}

void resetTextureMatrix()
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void setReflectionTextureMatrix()
{
    GLfloat view[16];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    glPopMatrix();
    // The transpose of a view rotation is its inverse: eye-space reflection vectors back to world.
    GLfloat transposed[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) transposed[4 * c + r] = view[4 * r + c];
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(transposed);
    glMatrixMode(GL_MODELVIEW);
}

void enableTextureUnit(int unit)
{
    if (unit != 0 && unit != 1) return;
    if (selectTextureUnit(unit)) glEnable(GL_TEXTURE_2D);
}

void resetTextureUnits()
{
    selectTextureUnit(0);
    glDisable(GL_TEXTURE_2D);
    if (selectTextureUnit(1)) glDisable(GL_TEXTURE_2D);
    selectTextureUnit(0);
    glEnable(GL_TEXTURE_2D);
}

void beginBlendedQuads()
{
    resetTextureUnits();
    setSphereMapTexGen(false);
    setCubeReflectionTexGen(false);
    resetTextureMatrix();
    glDisable(GL_ALPHA_TEST);
    setCullFace(false);
}

void setSphereMapTexGen(bool on)
{
    if (on) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

void setCubeReflectionTexGen(bool on)
{
    if (on) {
        glEnable(GL_TEXTURE_CUBE_MAP_ARB);
        for (GLenum coord : {GL_S, GL_T, GL_R})
            glTexGeni(coord, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP_ARB);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_GEN_R);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
        glDisable(GL_TEXTURE_CUBE_MAP_ARB);
    }
}

void begin2D()
{
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, OVERLAY_WIDTH, 0.0, OVERLAY_HEIGHT, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void end2D()
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
}

} // namespace qm
