#include "world/sun_flare.h"
#include "render/gl.h"
#include "render/gl_matrix.h"
#include "render/render_state.h"

#include <algorithm>
#include <chrono>

namespace qm {

const FlareElement FLARE_ELEMENTS[FLARE_ELEMENT_COUNT] = {
    {-0.08f, 0.1f, 1},  {0.21f, 0.12f, 1}, {0.32f, 0.15f, 1}, {0.7f, 0.1f, 1},   {0.85f, 0.2f, 1},
    {0.89f, 0.12f, 1},  {1.21f, 0.05f, 1}, {1.39f, 0.2f, 1},  {1.44f, 0.14f, 1}, {1.8f, 0.3f, 1},
    {-0.3f, 0.15f, 1},  {0.6f, 0.2f, 1},   {0.4f, 0.24f, 1},  {0.75f, 0.1f, 1},  {0.8f, 0.2f, 1},
    {0.49f, 0.12f, 1},  {1.11f, 0.05f, 1}, {1.9f, 0.2f, 1},   {0.44f, 0.4f, 1},  {0.83f, 1.3f, 1},
    {-0.13f, 0.5f, 0},  {0.16f, 0.2f, 0},  {0.55f, 0.4f, 0},
};

const FlareHalo FLARE_HALOS[FLARE_HALO_COUNT] = {
    {-0.1f, 1.2f, {1.0f, 0.7f, 0.5f}, 0.2f, false},
    {0.5f, 0.8f, {1.0f, 0.3f, 0.3f}, 0.7f, false},
    {1.7f, 1.8f, {0.4f, 0.3f, 0.9f}, 0.15f, true},
};

namespace {

SunFlare theSun;

const Vec3 SCREEN_CENTRE{OVERLAY_WIDTH / 2, OVERLAY_HEIGHT / 2, 0.0f};
const Vec3 SCREEN_NORMAL{0.0f, 0.0f, 1.0f};
constexpr float HALO_HALF_SIZE = 200.0f;
constexpr float FLARE_FADE_START = 300.0f;   // overlay units from the centre
constexpr float FLARE_FADE_SPAN = 350.0f;
constexpr float ELEMENT_ALPHA = 0.29f;
constexpr float ELEMENT_SCALE = 1.5f;

using Clock = std::chrono::steady_clock;

// The sprites are added to the frame. They switch on what they need themselves instead of
// relying on what the last technique of the scene left: blending, 2D texturing on unit 0 only,
// no alpha test (a faint sprite would be cut off), no culling (the quads wind clockwise), no
// generated texture coordinates, identity texture matrix.
void prepareSpriteState()
{
    beginBlendedQuads();
    setLighting(false);
    setBlend(true);
    blendAdditive();
}

// One quad of half side h about the origin: texture (0, 0) at (-h, -h), (0, 1) at (-h, h),
// (1, 1) at (h, h), (1, 0) at (h, -h).
void spriteQuad(float h)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(-h, -h);
    glTexCoord2f(0, 1); glVertex2f(-h, h);
    glTexCoord2f(1, 1); glVertex2f(h, h);
    glTexCoord2f(1, 0); glVertex2f(h, -h);
    glEnd();
}

} // namespace

float flareStrength(float x, float y, float fade)
{
    if (x >= 0 && x <= OVERLAY_WIDTH && y >= 0 && y <= OVERLAY_HEIGHT) return fade;
    const float distance = length(Vec3(x, y, 0) - SCREEN_CENTRE);
    return std::max(0.0f, 1.0f - (distance - FLARE_FADE_START) / FLARE_FADE_SPAN);
}

float screenDiagonalCosine(float x, float y)
{
    return dot(normalized(Vec3(x, y, 0)), Vec3(0.8f, 0.6f, 0.0f));
}

Vec3 flareElementColour(int i)
{
    auto clamp01 = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return {clamp01(0.3f + float(i) / 30.0f), 0.2f, clamp01(1.0f - float(i) / 10.0f)};
}

SunFlare& sunFlare() { return theSun; }
void resetSunFlare() { theSun = SunFlare(); }

void SunFlare::loadSunTexture(const char* fileName) { sunTexture.load(fileName); }

void SunFlare::loadElementTexture(const char* fileName, int slot)
{
    if (slot >= 0 && slot < 3) elementTextures[slot].load(fileName);
}

void SunFlare::update(double dt)
{
    if (sunSeen) {
        if (fade < 1.0f) fade += float(dt * fadeInRate);
        if (fade > 1.0f) fade = 1.0f;
    } else {
        if (fade > 0.0f) fade -= float(dt * fadeOutRate);
        if (fade < 0.0f) fade = 0.0f;
    }
}

void SunFlare::draw(Vec3 eye, Vec3 viewDir)
{
    glMatrixMode(GL_MODELVIEW);
    pushMatrix();
    sunPosition = eye + sunOffset;
    GLdouble modelView[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint overlay[4] = {0, 0, GLint(OVERLAY_WIDTH), GLint(OVERLAY_HEIGHT)};
    GLdouble sx = 0, sy = 0, sz = 0;
    const bool projected = gluProject(sunPosition.x, sunPosition.y, sunPosition.z, modelView, projection,
                                      overlay, &sx, &sy, &sz) == GL_TRUE;
    const float x = float(sx), y = float(sy);
    const float facing = dot(normalized(sunOffset), viewDir);
    sunSeen = projected && testOcclusion(x, y, facing >= 0.0f ? 1.0 : 1000.0);
    // A sun in the eye's own plane has no projection (w = 0): nothing to place there.
    if (projected && fade > 0.0f) drawSprite(x, y);
    if (projected && drawElements && facing > 0.0f) drawFlare(x, y);
    setLighting(true);
    resetTextureMatrix();
    popMatrix();
}

// Seen when the depth at the sun's centre pixel is the far plane. A centre outside the window has
// no pixel to read and counts as covered, as does a sun behind the camera (no read needed: no
// depth reaches the reference of 1000).
bool SunFlare::testOcclusion(float x, float y, double referenceDepth)
{
    if (referenceDepth > 1.0) return false;
    if (!(x >= 0 && x < OVERLAY_WIDTH && y >= 0 && y < OVERLAY_HEIGHT)) return false;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int px = viewport[0] + int(x * float(viewport[2]) / OVERLAY_WIDTH);
    const int py = viewport[1] + int(y * float(viewport[3]) / OVERLAY_HEIGHT);
    if (px < 0 || py < 0) return false;
    if ((windowWidth > 0 && px >= windowWidth) || (windowHeight > 0 && py >= windowHeight)) return false;
    const Clock::time_point start = Clock::now();
    GLfloat depth = 0.0f;
    glReadPixels(px, py, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    depthReadSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    ++depthReads;
    return double(depth) >= referenceDepth;
}

void SunFlare::drawSprite(float x, float y) const
{
    begin2D();
    prepareSpriteState();
    setColor(Vec3(1, 1, 1), fade * intensity);
    translate(Vec3(x, y, 0));
    rotate(SCREEN_NORMAL, -90.0f * screenDiagonalCosine(x, y));
    sunTexture.bind();
    spriteQuad(sunHalfSize);
    end2D();
}

void SunFlare::drawFlare(float x, float y) const
{
    const Vec3 s(x, y, 0);
    const float a = flareStrength(x, y, fade);
    // Nothing of the flare would show: save the fill of its large quads.
    if (a <= 0.0f) return;
    const float kappa = screenDiagonalCosine(x, y);
    const Vec3 u = normalized(SCREEN_CENTRE - s);
    Vec3 w = normalized(s - SCREEN_CENTRE);
    begin2D();
    prepareSpriteState();

    const Vec3 e = HALO_HALF_SIZE * u, f = HALO_HALF_SIZE * cross(u, SCREEN_NORMAL);
    const Vec3 corners[4] = {-f - e, f - e, -f + e, f + e};
    const float texCoords[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const FlareHalo& halo : FLARE_HALOS) {
        glLoadIdentity();
        translate(s + halo.t * (SCREEN_CENTRE - s));
        scale(Vec3(halo.scale, halo.scale, 1.0f));
        elementTextures[2].bind();
        setColor(halo.colour, halo.alpha * a);
        const float sign = halo.turned ? -1.0f : 1.0f;
        glBegin(GL_TRIANGLE_STRIP);
        for (int k = 0; k < 4; ++k) {
            glTexCoord2f(texCoords[k][0], texCoords[k][1]);
            glVertex2f(sign * corners[k].x, sign * corners[k].y);
        }
        glEnd();
    }

    for (int i = 0; i < FLARE_ELEMENT_COUNT; ++i) {
        const FlareElement& element = FLARE_ELEMENTS[i];
        rotateAboutAxis(w, 90.0f * kappa * element.t, SCREEN_NORMAL);
        const Vec3 p = s + element.t * (SCREEN_CENTRE - s) + 2.0f * (2.0f - element.t) * w;
        glLoadIdentity();
        translate(p);
        scale(Vec3(ELEMENT_SCALE, ELEMENT_SCALE, 1.0f));
        rotate(SCREEN_NORMAL, 90.0f * kappa);
        elementTextures[element.slot].bind();
        setColor(flareElementColour(i), ELEMENT_ALPHA * a);
        spriteQuad(elementHalfSize * element.size);
    }
    end2D();
}

} // namespace qm
