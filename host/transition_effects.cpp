#include "host/transition_effects.h"
#include "render/render_state.h"

#include <algorithm>
#include <vector>

namespace qm {
namespace {

GLuint texture = 0;

constexpr float QUAD_HALF_WIDTH = 12.0f;   // fills the view at distance 15 of the frustum below
constexpr float QUAD_HALF_HEIGHT = 9.0f;
constexpr float QUAD_DISTANCE = 15.0f;

// One quad with the whole picture: texture (0, 0) at the lower left, counter-clockwise.
void pictureQuad(float x0, float y0, float x1, float y1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(x0, y0);
    glTexCoord2f(1, 0); glVertex2f(x1, y0);
    glTexCoord2f(1, 1); glVertex2f(x1, y1);
    glTexCoord2f(0, 1); glVertex2f(x0, y1);
    glEnd();
}

// The perspective of the two 3D effects: 8 x 6 at near 5, so a 24 x 18 quad at 15 fills it.
void pushTransitionProjection()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glFrustum(-4, 4, -3, 3, 5, 500);
    glMatrixMode(GL_MODELVIEW);
}

void popTransitionProjection()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// The two 3D effects: the 24 x 18 quad at `distance`, turned `degrees` about `axis`, in the
// transition perspective. The colour is set by the caller.
void pictureInPerspective(float distance, const Vec3& axis, float degrees)
{
    pushTransitionProjection();
    glLoadIdentity();
    translate(Vec3(0, 0, -distance));
    rotate(axis, degrees);
    pictureQuad(-QUAD_HALF_WIDTH, -QUAD_HALF_HEIGHT, QUAD_HALF_WIDTH, QUAD_HALF_HEIGHT);
    popTransitionProjection();
}

// Blending, 2D texturing on unit 0 only, no alpha test (the cross-fade would be cut), no culling,
// no generated coordinates: switched on here, not inherited from the passes before.
void prepareTransitionState()
{
    beginBlendedQuads();
    setBlend(true);
}

} // namespace

GLuint& transitionTexture() { return texture; }

void createTransitionTexture()
{
    const std::vector<GLubyte> black(size_t(TRANSITION_TEXTURE_SIZE) * TRANSITION_TEXTURE_SIZE * 3, 0);
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, TRANSITION_TEXTURE_SIZE, TRANSITION_TEXTURE_SIZE, GL_RGB,
                      GL_UNSIGNED_BYTE, black.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void resetTransitionTexture() { texture = 0; }

CaptureArea captureArea(int windowWidth, int windowHeight)
{
    const int right = std::min(CAPTURE_X + TRANSITION_TEXTURE_SIZE, windowWidth);
    const int top = std::min(CAPTURE_Y + TRANSITION_TEXTURE_SIZE, windowHeight);
    return {CAPTURE_X, CAPTURE_Y, std::max(0, right - CAPTURE_X), std::max(0, top - CAPTURE_Y)};
}

bool advanceTransition(SceneTransition& transition, float dt, float& progress)
{
    if (!transition.active) return false;
    transition.elapsed += dt;
    if (transition.elapsed >= TRANSITION_SECONDS) {
        transition.active = false;
        transition.elapsed = 0.0f;
        return false;
    }
    progress = transition.elapsed * 0.5f;
    return true;
}

void drawTransition(float p)
{
    setDepthTest(false);
    blendAlpha();
    setLighting(false);
    prepareTransitionState();
    glBindTexture(GL_TEXTURE_2D, texture);
    switch (sceneTransition().effect) {
    case 0:
        setColor(Vec3(1, 1, 1), 1.0f - p);
        begin2D();
        pictureQuad(0, 0, OVERLAY_WIDTH, OVERLAY_HEIGHT);
        end2D();
        break;
    case 1:
        colorWhite();
        begin2D();
        translate(Vec3(p * OVERLAY_WIDTH, 0, 0));
        pictureQuad(0, 0, OVERLAY_WIDTH, OVERLAY_HEIGHT);
        end2D();
        break;
    case 2:
        colorWhite();
        pictureInPerspective(QUAD_DISTANCE, Vec3(1, 1, 0), p * 90.0f);
        break;
    case 3:
        setColor(Vec3(1, 1, 1), 1.0f - p);
        pictureInPerspective(QUAD_DISTANCE + p * 40.0f, Vec3(0, 0, 1), p * 180.0f);
        break;
    default:
        break;
    }
    setLighting(true);
    blendAdditive();
    setDepthTest(true);
}

} // namespace qm
