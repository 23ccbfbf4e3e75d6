#include "host/compose_frame.h"
#include "camera/camera_director.h"
#include "cars/car_passes.h"
#include "host/fixed_view.h"
#include "host/frame_rate_counter.h"
#include "host/scene_transition.h"
#include "host/settings.h"
#include "host/transition_effects.h"
#include "overlay/digit_text.h"
#include "platform/gl_surface.h"
#include "render/frustum.h"
#include "render/gl.h"
#include "render/render_script.h"
#include "render/render_state.h"
#include "world/sky_dome.h"
#include "world/sun_flare.h"

namespace qm {
namespace {

// Overlay places in the 800 x 600 space: frame rate top left, clock bottom right.
constexpr int FPS_X = 0;
constexpr int FPS_Y = 560;
constexpr int CLOCK_X = 520;
constexpr int CLOCK_Y = 10;
constexpr float OVERLAY_ALPHA = 0.5f;

// Where the camera stands and looks this frame, in world values: the sky is centred on the eye
// and the sun is placed from it.
struct SceneView {
    Vec3 eye;
    Vec3 viewDir;
};

// Loads the projection and the camera's view; the model view holds the identity on entry.
SceneView applySceneView()
{
    // The camera director films, unless the headless renderer was given a fixed eye and target.
    if (fixedView().lookAt) {
        applyFixedView();
        return {fixedView().eye, normalized(fixedView().look - fixedView().eye)};
    }
    CameraDirector& director = cameraDirector();
    director.applyView();
    return {director.eye, director.viewDir};
}

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

// The window's size in pixels: the settings' mode, or the viewport when they name none (tests).
struct WindowSize {
    int width, height;
};

WindowSize windowSize()
{
    if (settings().width && settings().height) return {int(settings().width), int(settings().height)};
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    return {viewport[0] + viewport[2], viewport[1] + viewport[3]};
}

// The scene in its fixed order, shared by the frame and the transition capture. Only depth is
// cleared: the sky dome covers every pixel. Without a dome (a broken archive) the colour buffer
// is cleared too, so old frames do not smear through.
void drawScenePasses()
{
    setDepthWrite(true);
    glClear(skyDomeLoaded() ? GL_DEPTH_BUFFER_BIT : GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT);
    blendAlpha();
    setMaterialDefaults();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const SceneView view = applySceneView();
    drawSkyDome(view.eye);
    viewFrustum.extract();
    landScript().draw();
    resetTextureMatrix();
    resetTextureUnits();
    drawCarPasses();
    testScript().draw();
    const WindowSize window = windowSize();
    sunFlare().windowWidth = window.width;
    sunFlare().windowHeight = window.height;
    sunFlare().draw(view.eye, view.viewDir);
}

// The digits are drawn additively at half alpha; blending and 2D texturing are switched on here
// rather than inherited from whatever the last pass left.
void drawOverlay(int32_t framesPerSecond)
{
    DigitText& text = digitText();
    text.setNumber(framesPerSecond);
    blendAdditive();
    setBlend(true);
    glDisable(GL_ALPHA_TEST);
    setLighting(false);
    setColor(Vec3(1, 1, 1), OVERLAY_ALPHA);
    begin2D();
    resetTextureUnits();
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
    float progress = 0.0f;
    if (advanceTransition(sceneTransition(), dt, progress)) drawTransition(progress);
    colorWhite();
    const int32_t shown = frameRateCounter().count(dt);
    drawOverlay(shown);
    blendAlpha();
    setLighting(true);
    glFlush();
    platform::swapCurrentBuffers();
}

// The scene drawn into a 512 x 512 square of the back buffer (the 4:3 projection stretched) and
// copied into the transition texture; nothing is presented. A window too small for the square
// gives only the part inside it.
void captureTransitionFrame()
{
    GLint restore[4];
    glGetIntegerv(GL_VIEWPORT, restore);
    const WindowSize window = windowSize();
    glViewport(CAPTURE_X, CAPTURE_Y, TRANSITION_TEXTURE_SIZE, TRANSITION_TEXTURE_SIZE);
    drawScenePasses();
    colorWhite();
    glFlush();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, transitionTexture());
    const CaptureArea area = captureArea(window.width, window.height);
    if (transitionTexture() && area.width > 0 && area.height > 0)
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, area.x - CAPTURE_X, area.y - CAPTURE_Y, area.x, area.y, area.width,
                            area.height);
    if (settings().width && settings().height) glViewport(0, 0, GLsizei(settings().width), GLsizei(settings().height));
    else glViewport(restore[0], restore[1], restore[2], restore[3]);
}

} // namespace qm
