// The sun: a glowing sprite drawn over the finished 3D scene where a fixed direction from the eye
// projects, fading as something covers its centre (one depth value read back per frame), and a
// lens flare of tinted sprites strung along the line from the sun through the screen centre.
#pragma once
#include "assets/texture.h"
#include "render/vec3.h"

namespace qm {

constexpr int FLARE_ELEMENT_COUNT = 23;
constexpr int FLARE_HALO_COUNT = 3;

// Place on the line from the sun (t = 0) to the screen centre (t = 1), size on elementHalfSize,
// texture slot.
struct FlareElement {
    float t;
    float size;
    int slot;
};
extern const FlareElement FLARE_ELEMENTS[FLARE_ELEMENT_COUNT];

// The three large rings, drawn with slot 2; the last one turned by 180 degrees.
struct FlareHalo {
    float t;
    float scale;
    Vec3 colour;
    float alpha;
    bool turned;
};
extern const FlareHalo FLARE_HALOS[FLARE_HALO_COUNT];

class SunFlare {
public:
    virtual ~SunFlare() = default;

    void loadSunTexture(const char* fileName);
    void loadElementTexture(const char* fileName, int slot);

    // The fade follows the occlusion result of the previous frame's draw; never draws.
    void update(double dt);
    // With the camera's view on the model view and its projection loaded: the occlusion test,
    // the sprite and the flare. eye and viewDir are the camera's world values of this frame.
    void draw(Vec3 eye, Vec3 viewDir);

    float fade = 0.0f;
    float sunHalfSize = 400.0f;
    float elementHalfSize = 200.0f;
    float fadeInRate = 6.0f;
    float fadeOutRate = 6.0f;
    float intensity = 1.0f;
    bool sunSeen = false;
    bool drawElements = false;
    Vec3 sunOffset{5.924f, 7.162f, 3.681f};
    Vec3 sunPosition{5.924f, 7.162f, 3.681f};
    Texture sunTexture;
    Texture elementTextures[3];

    // The drawable's size in pixels: the depth read never looks outside it (0: no limit beyond
    // the viewport). Set by the frame composition.
    int windowWidth = 0;
    int windowHeight = 0;
    // Time spent in the depth read-back, summed over every draw (figures for benchmarks).
    double depthReadSeconds = 0.0;
    int depthReads = 0;

private:
    bool testOcclusion(float x, float y, double referenceDepth);
    void drawSprite(float x, float y) const;
    void drawFlare(float x, float y) const;
};

SunFlare& sunFlare();
// A freshly constructed sun (tests); GL textures stay.
void resetSunFlare();

// Strength of the flare for the sun at overlay position (x, y): the fade while on the screen,
// otherwise dying away from 300 to 650 units from the centre.
float flareStrength(float x, float y, float fade);
// Cosine between the sun's overlay position seen from the bottom-left corner and the diagonal.
float screenDiagonalCosine(float x, float y);
// Colour of element i before GL clamps it; alpha 0.29 x strength.
Vec3 flareElementColour(int i);

} // namespace qm
