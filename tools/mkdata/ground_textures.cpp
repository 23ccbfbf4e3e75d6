// The pictures of everything on the ground: grass, road surface, kerbs, start line, buildings, trees.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/ground_textures.h"
#include "tools/mkdata/image.h"
#include "tools/mkdata/noise.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Tileable: every noise below wraps over the picture's width and height.
Image paintGrass()
{
    const int n = 256;
    Image image(n, n, 3);
    const Colour dark{0.2f, 0.36f, 0.12f, 1.0f}, light{0.36f, 0.52f, 0.2f, 1.0f}, dry{0.45f, 0.5f, 0.24f, 1.0f};
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float fx = float(x) / 32.0f, fy = float(y) / 32.0f;
            float patches = fractalNoise(fx, fy, 4, 11, 8);
            float tufts = fractalNoise(fx * 4.0f, fy * 4.0f, 2, 12, 32);
            float blade = hashUnit(x, y, 13);
            Colour c = mix(dark, light, std::clamp(patches * 1.4f - 0.2f, 0.0f, 1.0f));
            c = mix(c, dry, smoothStep(0.6f, 0.8f, fractalNoise(fx, fy, 3, 14, 8)) * 0.5f);
            image.set(x, y, scaled(c, 0.82f + 0.18f * tufts + 0.12f * (blade - 0.5f)));
        }
    return image;
}

// Across the picture: verge (dirt and grass), white edge line, asphalt, white line, verge.
Image paintAsphalt()
{
    const int n = 256;
    Image image(n, n, 3);
    const Colour verge{0.27f, 0.36f, 0.16f, 1.0f}, line{0.9f, 0.9f, 0.88f, 1.0f};
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = (float(x) + 0.5f) / float(n);
            float edge = std::min(u, 1.0f - u);   // 0 at the verge's outer rim, 0.5 mid-road
            float grain = fractalNoise(float(x) / 8.0f, float(y) / 8.0f, 3, 21, 32);
            float speck = hashUnit(x, y, 22);
            float worn = fractalNoise(float(x) / 64.0f, float(y) / 64.0f, 2, 23, 4);
            // Rubber laid down along the two middle quarters of the road.
            float rubber = std::exp(-std::pow((std::fabs(u - 0.5f) - 0.14f) / 0.08f, 2.0f));
            float grey = 0.36f + 0.08f * (grain - 0.5f) + 0.1f * (speck - 0.5f) - 0.04f * worn - 0.05f * rubber;
            Colour c{grey, grey, grey * 1.04f, 1.0f};
            if (edge < ASPHALT_EDGE_U) {
                float mud = fractalNoise(float(x) / 8.0f, float(y) / 8.0f, 3, 24, 32);
                c = mix(scaled(verge, 0.8f + 0.4f * mud), c, smoothStep(ASPHALT_EDGE_U - 0.02f, ASPHALT_EDGE_U, edge));
            } else if (edge < ASPHALT_EDGE_U + 0.025f) {
                c = mix(line, c, 0.12f * speck);
            }
            image.set(x, y, c);
        }
    return image;
}

// Red and white blocks along the road (the picture's height is one red and one white block).
Image paintKerb()
{
    Image image(64, 64, 3);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool red = y < 32;
            float u = (float(x) + 0.5f) / 64.0f;
            float bevel = 0.8f + 0.2f * std::sin(u * 3.14159f);
            float wear = 0.92f + 0.08f * hashUnit(x, y, 31);
            Colour c = red ? Colour{0.78f, 0.1f, 0.08f, 1.0f} : Colour{0.92f, 0.92f, 0.9f, 1.0f};
            image.set(x, y, scaled(c, bevel * wear));
        }
    return image;
}

// Two rows of black and white squares across the road.
Image paintStartLine()
{
    Image image(128, 32, 3);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x) {
            bool white = ((x / 16) + (y / 16)) % 2 == 0;
            float g = white ? 0.92f : 0.08f;
            g += 0.05f * (hashUnit(x, y, 41) - 0.5f);
            image.set(x, y, {g, g, g, 1.0f});
        }
    return image;
}

void paintCrowdBand(Image& image, int top)
{
    const Colour shirts[6] = {{0.85f, 0.15f, 0.1f, 1.0f}, {0.95f, 0.85f, 0.2f, 1.0f}, {0.15f, 0.3f, 0.8f, 1.0f},
                              {0.95f, 0.95f, 0.95f, 1.0f}, {0.2f, 0.6f, 0.25f, 1.0f}, {0.9f, 0.5f, 0.1f, 1.0f}};
    image.fillRect(0, float(top), 256, float(top + 64), {0.42f, 0.42f, 0.44f, 1.0f});
    for (int row = 0; row < 4; ++row) {
        float y = float(top + row * 16);
        image.fillRect(0, y + 13, 256, y + 16, {0.6f, 0.6f, 0.62f, 1.0f});   // step edge
        for (int seat = 0; seat < 32; ++seat) {
            float x = float(seat * 8) + 4.0f + 2.0f * (hashUnit(seat, row, 51) - 0.5f);
            if (hashUnit(seat, row, 52) < 0.12f)
                continue;   // an empty seat
            Colour shirt = shirts[hashInts(seat, row, 53) % 6];
            image.fillRect(x - 2.5f, y + 6.0f, x + 2.5f, y + 13.0f, shirt);
            image.fillDisc(x, y + 4.0f, 2.0f, {0.85f, 0.68f, 0.55f, 1.0f});
        }
    }
}

void paintPitBand(Image& image, int top)
{
    image.fillRect(0, float(top), 256, float(top + 64), {0.85f, 0.86f, 0.88f, 1.0f});
    image.fillRect(0, float(top + 4), 256, float(top + 20), {0.2f, 0.3f, 0.42f, 1.0f});   // window strip
    for (int w = 0; w < 16; ++w)
        image.fillRect(float(w * 16), float(top + 4), float(w * 16 + 2), float(top + 20), {0.7f, 0.72f, 0.75f, 1.0f});
    for (int door = 0; door < 4; ++door) {
        float x = float(door * 64) + 8.0f;
        image.fillRect(x, float(top + 28), x + 48.0f, float(top + 64), {0.16f, 0.17f, 0.2f, 1.0f});
        for (int slat = 0; slat < 9; ++slat)
            image.fillRect(x, float(top + 30 + slat * 4), x + 48.0f, float(top + 31 + slat * 4),
                           {0.28f, 0.29f, 0.32f, 1.0f});
    }
}

void paintRoofBand(Image& image, int top)
{
    for (int y = top; y < top + 64; ++y)
        for (int x = 0; x < 256; ++x) {
            float ridge = 0.5f + 0.5f * std::sin(float(x) * 3.14159f / 4.0f);
            float g = 0.62f + 0.12f * ridge + 0.04f * (hashUnit(x, y, 61) - 0.5f);
            image.set(x, y, {g * 0.95f, g, g * 1.05f, 1.0f});
        }
}

void paintConcreteBand(Image& image, int top)
{
    for (int y = top; y < top + 64; ++y)
        for (int x = 0; x < 256; ++x) {
            float n = fractalNoise(float(x) / 16.0f, float(y) / 16.0f, 3, 71, 16);
            float g = 0.66f + 0.12f * (n - 0.5f) + 0.05f * (hashUnit(x, y, 72) - 0.5f);
            if ((x % 64) < 2 || ((y - top) % 32) < 1)
                g *= 0.8f;   // panel joints
            image.set(x, y, {g, g * 0.98f, g * 0.94f, 1.0f});
        }
}

// Four bands, each a quarter of the height: crowd, pit front, roof, concrete (top to bottom).
Image paintBuildingAtlas()
{
    Image image(256, 256, 3);
    paintCrowdBand(image, 0);
    paintPitBand(image, 64);
    paintRoofBand(image, 128);
    paintConcreteBand(image, 192);
    return image;
}

Colour foliageColour(float shade, float hue)
{
    Colour deep{0.08f, 0.2f, 0.07f, 1.0f}, bright{0.3f, 0.5f, 0.16f, 1.0f}, warm{0.38f, 0.48f, 0.14f, 1.0f};
    return mix(mix(deep, bright, shade), warm, hue * 0.4f);
}

// A fir in the left half of the picture: tiers of needles narrowing to the top.
void paintFir(Image& image)
{
    image.fillRect(60, 220, 68, 256, {0.28f, 0.2f, 0.12f, 1.0f});
    for (int clump = 0; clump < 900; ++clump) {
        float t = hashUnit(clump, 1, 81);             // 0 at the top, 1 at the bottom
        float y = 8.0f + t * 220.0f;
        float half = 4.0f + t * 54.0f * (0.75f + 0.25f * std::fabs(std::sin(t * 30.0f)));
        float x = 64.0f + (hashUnit(clump, 2, 81) * 2.0f - 1.0f) * half;
        float shade = 0.25f + 0.55f * hashUnit(clump, 3, 81) * (1.0f - 0.5f * t);
        image.fillDisc(x, y, 3.0f + 3.0f * t, foliageColour(shade * 0.8f, 0.0f));
    }
}

// A broad-leaved tree in the right half: a trunk and a round crown of leaf clumps.
void paintBroadleaf(Image& image)
{
    image.fillConvex({{186, 256}, {198, 256}, {196, 150}, {188, 150}}, {0.3f, 0.22f, 0.14f, 1.0f});
    for (int clump = 0; clump < 700; ++clump) {
        float angle = hashUnit(clump, 1, 91) * 6.2831853f;
        float radius = std::sqrt(hashUnit(clump, 2, 91));
        float x = 192.0f + std::cos(angle) * radius * 56.0f;
        float y = 96.0f + std::sin(angle) * radius * 80.0f;
        float lit = std::clamp(0.5f - 0.5f * std::sin(angle) * radius, 0.0f, 1.0f);   // top brighter
        float shade = 0.2f + 0.7f * lit * (0.6f + 0.4f * hashUnit(clump, 3, 91));
        image.fillDisc(x, y, 5.0f + 4.0f * hashUnit(clump, 4, 91), foliageColour(shade, 0.7f));
    }
}

// Transparent texels carry the foliage's colour, so filtering does not darken the edges.
Image paintTrees()
{
    Image image(256, 256, 4);
    image.fill({0.15f, 0.28f, 0.1f, 0.0f});
    paintFir(image);
    paintBroadleaf(image);
    return image;
}

} // namespace

void addGroundTextures(DataSet& set)
{
    addJpegTexture(set, "grass.jpg", paintGrass());
    addJpegTexture(set, "asphalt.jpg", paintAsphalt());
    addJpegTexture(set, "kerb.jpg", paintKerb());
    addJpegTexture(set, "startline.jpg", paintStartLine());
    addJpegTexture(set, "stand.jpg", paintBuildingAtlas());
    addTgaTexture(set, "tree.tga", paintTrees());
}

} // namespace qm
