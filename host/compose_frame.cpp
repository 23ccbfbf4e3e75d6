#include "host/compose_frame.h"
#include "cars/car_passes.h"
#include "host/fixed_view.h"
#include "host/frame_rate_counter.h"
#include "host/settings.h"
#include "overlay/digit_text.h"
#include "platform/gl_surface.h"
#include "render/frustum.h"
#include "render/gl.h"
#include "render/render_script.h"
#include "render/render_state.h"

namespace qm {
namespace {

// Overlay places in the 800 x 600 space: frame rate top left, clock bottom right.
constexpr int FPS_X = 0;
constexpr int FPS_Y = 560;
constexpr int CLOCK_X = 520;
constexpr int CLOCK_Y = 10;
constexpr float OVERLAY_ALPHA = 0.5f;

void setMaterialDefaults()
{
    const GLfloat diffuse[4] = {1, 1, 1, 1};
    const GLfloat ambient[4] = {0, 0, 0, 0};
    const GLfloat specular[4] = {0.009f, 0.009f, 0.001f, 1};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 56.5f);
}

// The scene in its fixed order. The sky dome, the cars and the sun are not part of it yet, so
// the colour buffer is cleared with the depth buffer (the dome will cover every pixel instead).
void drawScenePasses()
{
    setDepthWrite(true);
    glClear(GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT);
    blendAlpha();
    setMaterialDefaults();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyFixedView();
    viewFrustum.extract();
    landScript().draw();
    resetTextureMatrix();
    resetTextureUnits();
    drawCarPasses();
    testScript().draw();
}

// The digits are drawn additively at half alpha; blending and 2D texturing are switched on here
// rather than inherited from whatever the last pass left.
void drawOverlay(int32_t framesPerSecond)
{
    DigitText& text = digitText();
    text.setNumber(framesPerSecond);
    blendAdditive();
    setBlend(true);
    setLighting(false);
    setColor(Vec3(1, 1, 1), OVERLAY_ALPHA);
    begin2D();
    glEnable(GL_TEXTURE_2D);
    text.texture.bind();
    if (settings().showFPS) text.draw(FPS_X, FPS_Y);
    text.formatClock(settings().timeFormat);
    if (settings().showClock) text.draw(CLOCK_X, CLOCK_Y);
    end2D();
}

} // namespace

void composeFrame(float dt)
{
    drawScenePasses();
    colorWhite();
    const int32_t shown = frameRateCounter().count(dt);
    drawOverlay(shown);
    blendAlpha();
    setLighting(true);
    glFlush();
    platform::swapCurrentBuffers();
}

// The transition picture comes with the scene-change effects.
void captureTransitionFrame() {}

} // namespace qm
