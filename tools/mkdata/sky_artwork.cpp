#include "tools/mkdata/sky_artwork.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/image.h"
#include "tools/mkdata/mesh_builder.h"
#include "tools/mkdata/noise.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float DEG = PI / 180.0f;
constexpr int SKY_PICTURE_SIZE = 1024;
constexpr int DOME_SEGMENTS = 48;
constexpr float DOME_RING_STEP = 5.0f;   // degrees of elevation between rings
constexpr float RADIAL_EDGE = 0.9f;      // glows and flare pieces are black from here outwards
// Additive pieces are kept nearly exact: ringing of coloured edges at the usual quality leaves
// faint colour in the black margin, which a sprite as large as the screen would show as a square.
constexpr int GLOW_JPEG_QUALITY = 98;

Vec3 direction(float azimuth, float elevation)
{
    return {std::cos(elevation) * std::cos(azimuth), std::cos(elevation) * std::sin(azimuth), std::sin(elevation)};
}

// Heights in degrees of the far mountains and of the nearer hills at an azimuth; the noise
// wraps once around the horizon.
float ridgeHeight(float azimuth, int seed, float base, float range, int period)
{
    float x = (azimuth / (2.0f * PI) + 1.0f) * float(period);
    return base + range * fractalNoise(x, 0.5f, 4, seed, period);
}

Colour skyGradient(Vec3 d, float elevationDeg)
{
    const Colour zenith{0.16f, 0.36f, 0.74f, 1.0f}, horizon{0.68f, 0.79f, 0.9f, 1.0f};
    float t = std::pow(1.0f - std::clamp(elevationDeg / 90.0f, 0.0f, 1.0f), 3.0f);
    Colour c = mix(zenith, horizon, t);
    float toSun = std::max(0.0f, dot(d, normalized(SUN_OFFSET)));
    // Only a haze around the sun: the sun itself is a sprite drawn over the finished frame.
    float glow = 0.3f * std::pow(toSun, 300.0f) + 0.16f * std::pow(toSun, 24.0f) + 0.08f * std::pow(toSun, 4.0f);
    return {c.r + glow, c.g + glow * 0.92f, c.b + glow * 0.75f, 1.0f};
}

// Cumulus on a flat layer overhead, thinning into haze towards the horizon.
Colour addClouds(Colour sky, Vec3 d, float elevationDeg)
{
    if (elevationDeg < 0.5f)
        return sky;
    float px = d.x / (d.z + 0.06f) * 1.6f, py = d.y / (d.z + 0.06f) * 1.6f;
    float n = fractalNoise(px + 11.3f, py - 4.7f, 6, 71);
    float cover = smoothStep(0.5f, 0.72f, n) * smoothStep(0.5f, 10.0f, elevationDeg);
    if (cover <= 0.0f)
        return sky;
    float shade = fractalNoise(px * 2.0f + 3.1f, py * 2.0f, 4, 72);
    float lit = 0.78f + 0.22f * smoothStep(0.35f, 0.7f, shade);
    float toSun = std::max(0.0f, dot(d, normalized(SUN_OFFSET)));
    Colour cloud{lit + 0.1f * toSun, lit + 0.08f * toSun, lit * 1.02f, 1.0f};
    return mix(sky, cloud, cover * 0.92f);
}

Colour skyColour(float azimuth, float elevationDeg)
{
    const Colour farRange{0.5f, 0.6f, 0.72f, 1.0f}, nearHills{0.33f, 0.42f, 0.36f, 1.0f};
    const Colour ground{0.32f, 0.4f, 0.22f, 1.0f};
    float nearTop = ridgeHeight(azimuth, 83, 0.3f, 1.6f, 24);
    if (elevationDeg < nearTop)
        return mix(ground, nearHills, smoothStep(-5.0f, nearTop, elevationDeg));
    float farTop = ridgeHeight(azimuth, 81, 0.8f, 4.5f, 12);
    Vec3 d = direction(azimuth, elevationDeg * DEG);
    Colour sky = skyGradient(d, elevationDeg);
    if (elevationDeg < farTop)
        return mix(farRange, sky, 0.35f * smoothStep(0.0f, farTop, elevationDeg));
    return addClouds(sky, d, elevationDeg);
}

Image paintSkyPicture()
{
    const int n = SKY_PICTURE_SIZE;
    Image image(n, n, 3);
    for (int py = 0; py < n; ++py)
        for (int px = 0; px < n; ++px) {
            float u = (float(px) + 0.5f) / float(n), v = 1.0f - (float(py) + 0.5f) / float(n);
            float dx = 2.0f * u - 1.0f, dy = 2.0f * v - 1.0f;
            float r = std::min(1.0f, std::sqrt(dx * dx + dy * dy));
            float elevation = 90.0f - r * (90.0f + SKY_SKIRT_DEGREES);
            image.set(px, py, skyColour(std::atan2(dy, dx), elevation));
        }
    return image;
}

// A closed sphere of rings 5 degrees apart, with one point at the zenith and one straight down,
// so no view direction misses it (an eye above the landscape's edge may look down past the
// ground). Below the skirt every vertex takes the rim of the picture, which is plain ground.
void addSkyDomeMesh(DataSet& set)
{
    MeshBuilder mesh;
    const Vec3 white{1.0f, 1.0f, 1.0f};
    int rings = int(180.0f / DOME_RING_STEP) - 1;   // -85 .. 85 degrees; the poles are points
    SkyTexel bottom = skyTexel(0.0f, -SKY_SKIRT_DEGREES);
    uint32_t nadir = mesh.addVertex({0.0f, 0.0f, -SKY_DOME_RADIUS}, {bottom.u, bottom.v}, white);
    std::vector<uint32_t> previous;
    for (int ring = 0; ring < rings; ++ring) {
        float elevation = -90.0f + float(ring + 1) * DOME_RING_STEP;
        std::vector<uint32_t> current;
        for (int s = 0; s < DOME_SEGMENTS; ++s) {
            float azimuth = float(s) * 360.0f / DOME_SEGMENTS;
            SkyTexel t = skyTexel(azimuth, std::max(elevation, -SKY_SKIRT_DEGREES));
            current.push_back(mesh.addVertex(direction(azimuth * DEG, elevation * DEG) * SKY_DOME_RADIUS,
                                             {t.u, t.v}, white));
        }
        if (previous.empty())
            for (int s = 0; s < DOME_SEGMENTS; ++s)
                mesh.addTriangle(nadir, current[size_t((s + 1) % DOME_SEGMENTS)], current[size_t(s)]);
        else
            for (int s = 0; s < DOME_SEGMENTS; ++s) {
                int n = (s + 1) % DOME_SEGMENTS;
                mesh.addQuad(previous[size_t(s)], previous[size_t(n)], current[size_t(n)], current[size_t(s)]);
            }
        previous = current;
    }
    SkyTexel top = skyTexel(0.0f, 90.0f);
    uint32_t zenith = mesh.addVertex({0.0f, 0.0f, SKY_DOME_RADIUS}, {top.u, top.v}, white);
    for (int s = 0; s < DOME_SEGMENTS; ++s)
        mesh.addTriangle(previous[size_t(s)], previous[size_t((s + 1) % DOME_SEGMENTS)], zenith);
    set.add(meshMember("skydome"), encodeMesh(mesh.build()));
}

// A radial picture: f(distance from the centre in 0..1, angle) gives the grey level; the tint
// colours it. These are added to the frame, so the picture fades to black well inside the
// inscribed circle: the JPEG blocks of the margin stay exactly black and the square edge of a
// large sprite never shows.
template <class Shape>
Image paintRadial(int size, Colour tint, Shape shape)
{
    Image image(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (float(x) + 0.5f) / float(size) * 2.0f - 1.0f;
            float dy = (float(y) + 0.5f) / float(size) * 2.0f - 1.0f;
            float d = std::sqrt(dx * dx + dy * dy);
            float k = d >= RADIAL_EDGE ? 0.0f : shape(d, std::atan2(dy, dx)) * smoothStep(RADIAL_EDGE, 0.75f, d);
            image.set(x, y, {tint.r * k, tint.g * k, tint.b * k, 1.0f});
        }
    return image;
}

Image paintSun()
{
    return paintRadial(128, {1.0f, 0.93f, 0.8f, 1.0f}, [](float d, float angle) {
        float core = smoothStep(0.05f, 0.03f, d);
        // The sprite spans 800 overlay units: a small bright core with a steep glow, so the sun
        // reads as a sun and not as a white-out of half the screen.
        float glow = 0.6f * std::exp(-d * 16.0f) + 0.12f * std::exp(-d * 5.0f);
        float rays = 0.18f * std::pow(std::fabs(std::cos(3.0f * angle)), 40.0f) * std::exp(-d * 5.0f);
        return std::min(1.0f, core + glow + rays);
    });
}

// A soft disc with a brighter rim: the repeated flare element.
Image paintLensElement()
{
    return paintRadial(128, {1.0f, 1.0f, 1.0f, 1.0f}, [](float d, float) {
        float disc = 0.1f * smoothStep(0.8f, 0.7f, d);
        float rim = 0.3f * std::exp(-std::pow((d - 0.74f) / 0.06f, 2.0f));
        return disc + rim;
    });
}

// A thin ring, red outside and blue inside: the large halos.
Image paintLensHalo()
{
    Image ring(128, 128, 3);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float dx = (float(x) + 0.5f) / 64.0f - 1.0f, dy = (float(y) + 0.5f) / 64.0f - 1.0f;
            float d = std::sqrt(dx * dx + dy * dy);
            auto band = [d](float centre) { return std::exp(-std::pow((d - centre) / 0.05f, 2.0f)); };
            float inner = 0.03f * smoothStep(0.76f, 0.2f, d);
            float edge = smoothStep(RADIAL_EDGE + 0.05f, 0.82f, d);
            ring.set(x, y, {edge * (0.45f * band(0.78f) + inner), edge * (0.45f * band(0.73f) + inner),
                            edge * (0.45f * band(0.68f) + inner), 1.0f});
        }
    return ring;
}

} // namespace

SkyTexel skyTexel(float azimuthDegrees, float elevationDegrees)
{
    float r = 0.5f * (90.0f - elevationDegrees) / (90.0f + SKY_SKIRT_DEGREES);
    return {0.5f + r * std::cos(azimuthDegrees * DEG), 0.5f + r * std::sin(azimuthDegrees * DEG)};
}

void addSkyArtwork(DataSet& set)
{
    addSkyDomeMesh(set);
    addJpegTexture(set, "skydome.jpg", paintSkyPicture());
    addJpegTexture(set, "sun.jpg", paintSun(), GLOW_JPEG_QUALITY);
    addJpegTexture(set, "tlens.jpg", paintLensElement(), GLOW_JPEG_QUALITY);
    addJpegTexture(set, "rlens.jpg", paintLensHalo(), GLOW_JPEG_QUALITY);
}

} // namespace qm
