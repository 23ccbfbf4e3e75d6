// The cars' pictures: six paint atlases and six helmets in team colours, the tyre and rim, the soft
// shadow, the illumination pattern, the helmet's chrome and its gloss map, and the six faces of
// the environment cube the paint reflects.
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/car_artwork.h"
#include "tools/mkdata/glyph_painter.h"
#include "tools/mkdata/light_map.h"
#include "tools/mkdata/noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qm {

namespace {

constexpr float PI = 3.14159265358979f;
const Colour CARBON{0.09f, 0.09f, 0.10f, 1.0f};
const Colour WHITE{0.96f, 0.96f, 0.94f, 1.0f};
const Colour INK{0.05f, 0.05f, 0.06f, 1.0f};

// Width of a lettering() line of the given height, in the same units.
float textWidthFor(const char* text, float height)
{
    size_t n = std::strlen(text);
    return (float(n) * 5.0f + float(n - 1) * 1.2f) * height / 7.0f;
}

// Picture position (pixels, y down) of a model point in one view of the paint atlas.
Point2 atlasPixel(PaintView view, Vec3 p)
{
    PaintRegion r = paintRegion(view);
    float a = 0.0f, b = 0.0f;
    paintShare(view, p, &a, &b);
    return {(r.u0 + a * (r.u1 - r.u0)) * PAINT_WIDTH, (1.0f - (r.v0 + b * (r.v1 - r.v0))) * PAINT_HEIGHT};
}

// The directions lettering runs along and stands up in, as seen in a view: read from above with
// the car pointing away, from behind on the rear wing, from the side the right way round.
void letteringAxes(PaintView view, Vec3* along, Vec3* up)
{
    switch (view) {
    case PaintView::TOP: case PaintView::BOTTOM: *along = {1, 0, 0}; *up = {0, 1, 0}; break;
    case PaintView::RIGHT: *along = {0, 1, 0}; *up = {0, 0, 1}; break;
    case PaintView::LEFT: *along = {0, -1, 0}; *up = {0, 0, 1}; break;
    case PaintView::END: *along = {1, 0, 0}; *up = {0, 0, 1}; break;
    }
}

// Block capitals and digits centred on a model point, `height` model units tall but no wider
// than maxWidth, painted into the view's region.
void lettering(Image& image, PaintView view, const std::string& text, Vec3 centre, float height, float maxWidth,
               Colour c, bool turned = false)
{
    Vec3 along(0, 0, 0), up(0, 0, 0);
    letteringAxes(view, &along, &up);
    if (turned) {   // half a turn: the nose's number reads from in front of the car
        along = -along;
        up = -up;
    }
    height = std::min(height, maxWidth / textWidthFor(text.c_str(), 1.0f));
    float block = height / 7.0f, gap = 1.2f;
    Vec3 origin = centre - along * (0.5f * textWidthFor(text.c_str(), height)) + up * (0.5f * height);
    float pen = 0.0f;
    for (char ch : text) {
        if (const BlockLetter* l = findBlockLetter(ch))
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (l->rows[row][col] == '#') {
                        // A touch larger than the grid, so neighbouring blocks join.
                        Vec3 corner = origin + along * (pen + float(col) * block - 0.04f * block) -
                                      up * (float(row) * block - 0.04f * block);
                        float size = block * 1.08f;
                        image.fillConvex({atlasPixel(view, corner), atlasPixel(view, corner + along * size),
                                          atlasPixel(view, corner + along * size - up * size),
                                          atlasPixel(view, corner - up * size)},
                                         c);
                    }
        pen += (5.0f + gap) * block;
    }
}

bool inEllipse(float x, float y, float cx, float cy, float rx, float ry)
{
    float dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0f;
}

// The livery's paint at a model point seen in a view (the lettering comes afterwards).
Colour paintAt(const CarLivery& l, PaintView view, Vec3 p)
{
    switch (view) {
    case PaintView::BOTTOM:
        return CARBON;
    case PaintView::TOP: {
        float ax = std::fabs(p.x);
        if (inEllipse(p.x, p.y, 0.0f, 262.0f, 44.0f, 44.0f))  // the number's roundel on the nose
            return WHITE;
        if (inEllipse(p.x, p.y, 0.0f, 48.0f, 56.0f, 96.0f))   // the cockpit opening
            return inEllipse(p.x, p.y, 0.0f, 48.0f, 48.0f, 86.0f) ? INK : CARBON;
        if (p.y > 405.0f && ax > 60.0f)   // front wing
            return ax > 200.0f ? l.stripe : l.base;
        if (p.y < -400.0f)                // rear wing and its endplates
            return ax > 120.0f ? l.base : l.accent;
        if (ax > 188.0f)                  // the floor's edge beyond the sidepods
            return CARBON;
        // A centre stripe from nose to tail, widening over the engine cover.
        float stripe = p.y > 150.0f ? 12.0f : 12.0f + 0.05f * (150.0f - p.y);
        if (ax < stripe)
            return l.stripe;
        if (ax < stripe + 5.0f)
            return l.accent;
        // Sidepod tops carry a band of the stripe colour along their outer edge.
        if (ax > 150.0f && ax < 168.0f && p.y < 160.0f && p.y > -120.0f)
            return l.stripe;
        return l.base;
    }
    case PaintView::RIGHT: case PaintView::LEFT: {
        if (p.z < 16.0f)
            return CARBON;
        if (p.y < -402.0f)   // rear endplate: a panel for the number
            return p.z > 100.0f && p.z < 236.0f && p.y > -536.0f && p.y < -412.0f ? l.stripe : l.base;
        if (p.y > 405.0f && p.z < 100.0f && p.z > 76.0f)
            return l.stripe;
        // The sponsor panel on the sidepod.
        if (p.y > -150.0f && p.y < 150.0f && p.z > 36.0f && p.z < 78.0f)
            return l.accent;
        // A sweep of the stripe colour rising from the nose to the cockpit and on along the top.
        float line = 96.0f + 0.06f * (p.y - 150.0f);
        if (p.y > 150.0f && std::fabs(p.z - line) < 7.0f)
            return l.stripe;
        if (inEllipse(p.y, p.z, -140.0f, 126.0f, 34.0f, 26.0f))   // number roundel on the engine cover
            return WHITE;
        return l.base;
    }
    case PaintView::END: {
        float ax = std::fabs(p.x);
        if (p.z < 14.0f)
            return CARBON;
        if (inEllipse(ax, p.z, 138.0f, 54.0f, 44.0f, 34.0f))   // sidepod intakes
            return INK;
        if (inEllipse(p.x, p.z, 0.0f, 168.0f, 26.0f, 18.0f))   // airbox intake
            return INK;
        if (ax < 8.0f && p.z > 44.0f && p.z < 60.0f)           // rain light
            return {0.9f, 0.1f, 0.08f, 1.0f};
        return ax < 10.0f ? l.stripe : l.base;
    }
    }
    return l.base;
}

Image paintTexture(const CarLivery& l)
{
    Image image(PAINT_WIDTH, PAINT_HEIGHT, 3);
    for (int py = 0; py < PAINT_HEIGHT; ++py)
        for (int px = 0; px < PAINT_WIDTH; ++px) {
            float u = (float(px) + 0.5f) / PAINT_WIDTH, v = 1.0f - (float(py) + 0.5f) / PAINT_HEIGHT;
            for (PaintView view : {PaintView::TOP, PaintView::BOTTOM, PaintView::RIGHT, PaintView::LEFT, PaintView::END}) {
                PaintRegion r = paintRegion(view);
                if (u < r.u0 || u >= r.u1 || v < r.v0 || v >= r.v1)
                    continue;
                Vec3 p = paintPoint(view, (u - r.u0) / (r.u1 - r.u0), (v - r.v0) / (r.v1 - r.v0));
                // A faint sheen of noise keeps large panels from looking flat.
                float grain = 0.96f + 0.04f * valueNoise(float(px) * 0.3f, float(py) * 0.3f, 61);
                image.set(px, py, scaled(paintAt(l, view, p), grain));
            }
        }
    // Sides: the team on the sidepod panel, the number in its roundel and on the rear endplate.
    const std::string number = std::to_string(l.number);
    for (PaintView side : {PaintView::RIGHT, PaintView::LEFT}) {
        lettering(image, side, l.team, {0.0f, 0.0f, 57.0f}, 30.0f, 270.0f, l.base);
        lettering(image, side, number, {0.0f, -140.0f, 126.0f}, 34.0f, 48.0f, INK);
        lettering(image, side, number, {0.0f, -474.0f, 168.0f}, 90.0f, 100.0f, l.base);
    }
    // Top: the number on the nose, the team across the rear wing.
    lettering(image, PaintView::TOP, number, {0.0f, 262.0f, 0.0f}, 56.0f, 62.0f, INK, true);
    lettering(image, PaintView::TOP, l.team, {0.0f, -482.0f, 0.0f}, 60.0f, 230.0f, l.base);
    return image;
}

// Helmet pictures wrap round the shell: u once round (0.5 straight ahead), v from the rim up to
// the crown. The visor sits ahead at eye level.
bool inVisor(float u, float v)
{
    return std::fabs(u - 0.5f) < 0.15f && v > 0.30f && v < 0.46f;
}

Image helmetTexture(const CarLivery& l)
{
    Image image(256, 128, 3);
    for (int py = 0; py < 128; ++py)
        for (int px = 0; px < 256; ++px) {
            float u = (float(px) + 0.5f) / 256.0f, v = 1.0f - (float(py) + 0.5f) / 128.0f;
            float ahead = std::fabs(u - 0.5f);   // 0 ahead, 0.5 behind
            Colour c = l.helmetBase;
            // Stripes over the crown from front to back, and a band round the rim.
            float crown = std::min(ahead, 0.5f - ahead);
            if (v > 0.5f && crown < 0.035f)
                c = l.helmetStripe;
            else if (v > 0.5f && crown < 0.05f)
                c = WHITE;
            if (v > 0.12f && v < 0.2f)
                c = l.helmetStripe;
            if (v < 0.06f)
                c = CARBON;
            if (inVisor(u, v))
                c = {0.08f, 0.09f, 0.14f, 1.0f};
            else if (std::fabs(u - 0.5f) < 0.16f && v > 0.29f && v < 0.47f)
                c = CARBON;   // the visor's frame
            image.set(px, py, c);
        }
    return image;
}

// Gloss of the helmet in the same layout: the visor shines most, the painted shell less.
Image helmetGloss()
{
    Image image(256, 128, 3);
    for (int py = 0; py < 128; ++py)
        for (int px = 0; px < 256; ++px) {
            float u = (float(px) + 0.5f) / 256.0f, v = 1.0f - (float(py) + 0.5f) / 128.0f;
            float g = inVisor(u, v) ? 0.85f : (v < 0.06f ? 0.1f : 0.42f);
            image.set(px, py, {g, g, g, 1.0f});
        }
    return image;
}

// A chrome world seen in a sphere map: bright sky over a dark horizon line and grey ground.
Image chromePicture()
{
    Image image(256, 256, 3);
    for (int py = 0; py < 256; ++py)
        for (int px = 0; px < 256; ++px) {
            float x = (float(px) + 0.5f) / 128.0f - 1.0f, y = 1.0f - (float(py) + 0.5f) / 128.0f;
            float r = std::sqrt(x * x + y * y);
            Colour c;
            if (y > 0.0f)
                c = mix({0.78f, 0.84f, 0.92f, 1.0f}, {0.36f, 0.46f, 0.66f, 1.0f}, std::clamp(y, 0.0f, 1.0f));
            else
                c = mix({0.30f, 0.28f, 0.24f, 1.0f}, {0.10f, 0.10f, 0.10f, 1.0f}, std::clamp(-y * 1.5f, 0.0f, 1.0f));
            float horizon = std::exp(-y * y * 900.0f);
            c = mix(c, {0.95f, 0.95f, 0.92f, 1.0f}, 0.6f * horizon);
            float spot = std::exp(-((x + 0.35f) * (x + 0.35f) + (y - 0.45f) * (y - 0.45f)) * 40.0f);
            c = mix(c, WHITE, spot);
            if (r > 1.0f)
                c = scaled(c, 0.5f);
            image.set(px, py, c);
        }
    return image;
}

// Tyre picture: the lower part is the sidewall (v from the rim at 0 to the shoulder at 0.45) with
// broken coloured rings that show the wheel turning, then the slick tread, and a dark strip at
// the top for the rim wells.
Image tyrePicture()
{
    Image image(256, 256, 3);
    for (int py = 0; py < 256; ++py)
        for (int px = 0; px < 256; ++px) {
            float u = (float(px) + 0.5f) / 256.0f, v = 1.0f - (float(py) + 0.5f) / 256.0f;
            float n = valueNoise(float(px) * 0.5f, float(py) * 0.5f, 91, 128);
            float g = v >= 0.45f ? 0.15f + 0.04f * n : 0.11f + 0.03f * n;
            if (v > 0.96f)
                g = 0.05f;
            Colour c{g, g, g * 1.05f, 1.0f};
            float third = std::fmod(u * 3.0f, 1.0f);
            if (v > 0.28f && v < 0.38f && third < 0.72f)
                c = {0.88f, 0.76f, 0.12f, 1.0f};   // the compound's ring, in three arcs
            if (v > 0.1f && v < 0.22f && third > 0.8f && third < 0.92f)
                c = {0.86f, 0.86f, 0.84f, 1.0f};   // the maker's marks between them
            image.set(px, py, c);
        }
    return image;
}

// The rim seen face on: a polished lip, six spokes and a centre nut, open between the spokes.
Image rimPicture()
{
    constexpr int SIZE = 128;
    Image image(SIZE, SIZE, 4);
    constexpr int SUB = 3;
    for (int py = 0; py < SIZE; ++py)
        for (int px = 0; px < SIZE; ++px) {
            Colour sum{0, 0, 0, 0};
            for (int sy = 0; sy < SUB; ++sy)
                for (int sx = 0; sx < SUB; ++sx) {
                    float x = (float(px) + (float(sx) + 0.5f) / SUB) / (SIZE / 2) - 1.0f;
                    float y = (float(py) + (float(sy) + 0.5f) / SUB) / (SIZE / 2) - 1.0f;
                    float r = std::sqrt(x * x + y * y), a = std::atan2(y, x);
                    Colour c{0, 0, 0, 0};
                    float spokeAngle = std::fabs(std::remainder(a, 2.0f * PI / 6.0f));
                    float spokeHalf = 0.09f / std::max(r, 0.15f) + 0.04f;
                    if (r < 0.97f && r > 0.84f)
                        c = {0.78f, 0.79f, 0.82f, 1.0f};
                    else if (r <= 0.84f && r > 0.22f && spokeAngle < spokeHalf)
                        c = mix({0.70f, 0.71f, 0.74f, 1.0f}, {0.55f, 0.56f, 0.6f, 1.0f}, r);
                    else if (r <= 0.22f)
                        c = r < 0.09f ? Colour{0.85f, 0.75f, 0.2f, 1.0f} : Colour{0.6f, 0.61f, 0.64f, 1.0f};
                    sum = {sum.r + c.r * c.a, sum.g + c.g * c.a, sum.b + c.b * c.a, sum.a + c.a};
                }
            float n = float(SUB * SUB);
            Colour c = sum.a > 0.0f ? Colour{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / n}
                                    : Colour{0.2f, 0.2f, 0.2f, 0.0f};
            image.set(px, py, c);
        }
    return image;
}

// The soft shadow seen from above, car pointing up the picture, black with alpha: wheels, body
// and wings, blurred. The shadow quad spans the picture with a margin round the car.
Image shadowPicture()
{
    constexpr int W = 128, H = 256;
    Image shape(W, H, 3);
    // The shadow quad covers model x -276..276 and y -590..618 of body 0; close enough for all.
    auto px = [](float x) { return (x + 276.0f) / 552.0f * W; };
    auto py = [](float y) { return (1.0f - (y + 590.0f) / 1208.0f) * H; };
    const Colour on{1, 1, 1, 1};
    // A lighter pool over the whole footprint grounds the car; the solid parts are darker.
    shape.fillRect(px(-228), py(430), px(228), py(-440), {0.55f, 0.55f, 0.55f, 1.0f});
    shape.fillRect(px(-70), py(560), px(70), py(-470), on);        // nose to gearbox
    shape.fillRect(px(-196), py(210), px(196), py(-250), on);      // sidepods and floor
    shape.fillRect(px(-236), py(560), px(236), py(430), on);       // front wing
    shape.fillRect(px(-140), py(-420), px(140), py(-545), on);     // rear wing
    for (float x : {-166.0f, 164.0f})
        for (float y : {331.0f, -346.0f})
            shape.fillRect(px(x - 55), py(y + 71), px(x + 55), py(y - 71), on);
    // Box blur, three passes each way: a soft edge about 40 model units wide.
    std::vector<float> a(size_t(W) * H), b(a.size());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) a[size_t(y) * W + size_t(x)] = shape.get(x, y).r;
    for (int pass = 0; pass < 6; ++pass) {
        bool horizontal = pass % 2 == 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                float sum = 0;
                for (int k = -3; k <= 3; ++k) {
                    int sx = horizontal ? std::clamp(x + k, 0, W - 1) : x, sy = horizontal ? y : std::clamp(y + k, 0, H - 1);
                    sum += a[size_t(sy) * W + size_t(sx)];
                }
                b[size_t(y) * W + size_t(x)] = sum / 7.0f;
            }
        std::swap(a, b);
    }
    Image image(W, H, 4);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            // Clear along the border, so the quad's edges never show.
            float edge = std::min({x, y, W - 1 - x, H - 1 - y}) < 2 ? 0.0f : 1.0f;
            image.set(x, y, {0.0f, 0.0f, 0.0f, 0.7f * a[size_t(y) * W + size_t(x)] * edge});
        }
    return image;
}

// Soft drifting light over the paint: tiles seamlessly, bright with gentle darker bands.
Image illuminationPicture()
{
    Image image(256, 256, 3);
    for (int py = 0; py < 256; ++py)
        for (int px = 0; px < 256; ++px) {
            float n = fractalNoise(float(px) / 64.0f, float(py) / 64.0f, 3, 77, 4);
            float band = 0.5f + 0.5f * std::sin(2.0f * PI * (float(px) + float(py)) / 256.0f * 2.0f);
            float g = std::clamp(0.74f + 0.2f * n + 0.08f * band, 0.0f, 1.0f);
            image.set(px, py, {g, g, g * 0.98f, 1.0f});
        }
    return image;
}

// What the paint reflects, by world direction: a dim sky with bright clouds and the sun, a light
// horizon, dark ground. Kept dim, since the reflection adds onto the paint.
Colour environment(Vec3 d)
{
    Vec3 sun = normalized(LIGHT_MAP_LIGHT);   // the light the cars are lit by
    if (d.z < 0.0f) {
        float t = std::clamp(-d.z * 3.0f, 0.0f, 1.0f);
        return mix({0.30f, 0.31f, 0.30f, 1.0f}, {0.07f, 0.08f, 0.06f, 1.0f}, t);
    }
    Colour sky = mix({0.55f, 0.60f, 0.66f, 1.0f}, {0.18f, 0.26f, 0.42f, 1.0f}, std::pow(d.z, 0.6f));
    float cloud = smoothStep(0.55f, 0.75f, fractalNoise(d.x / (d.z + 0.2f) * 2.0f + 5.0f, d.y / (d.z + 0.2f) * 2.0f, 4, 83));
    sky = mix(sky, {0.62f, 0.63f, 0.65f, 1.0f}, 0.7f * cloud);
    float toSun = std::max(0.0f, dot(d, sun));
    float glow = 0.7f * std::pow(toSun, 200.0f) + 0.15f * std::pow(toSun, 12.0f);
    return {sky.r + glow, sky.g + glow, sky.b + glow * 0.9f, 1.0f};
}

// One cube face as the cube map addresses it; the reflection's texture matrix looks the world's
// direction (x, y, z) up at cube direction (x, -z, y).
Image skyboxFace(int face)
{
    constexpr int SIZE = 128;
    Image image(SIZE, SIZE, 3);
    for (int py = 0; py < SIZE; ++py)
        for (int px = 0; px < SIZE; ++px) {
            // The decoder puts the picture's bottom row first, so t runs up the picture.
            float sc = 2.0f * (float(px) + 0.5f) / SIZE - 1.0f;
            float tc = 2.0f * (float(SIZE - 1 - py) + 0.5f) / SIZE - 1.0f;
            Vec3 c(0, 0, 0);
            switch (face) {
            case 0: c = {1.0f, -tc, -sc}; break;    // +X
            case 1: c = {-1.0f, -tc, sc}; break;    // -X
            case 2: c = {sc, 1.0f, tc}; break;      // +Y
            case 3: c = {sc, -1.0f, -tc}; break;    // -Y
            case 4: c = {sc, -tc, 1.0f}; break;     // +Z
            case 5: c = {-sc, -tc, -1.0f}; break;   // -Z
            }
            Vec3 world = normalized(Vec3(c.x, c.z, -c.y));
            image.set(px, py, environment(world));
        }
    return image;
}

} // namespace

void addCarTextures(DataSet& set)
{
    for (const CarLivery& l : carLiveries()) {
        addJpegTexture(set, l.paint, paintTexture(l));
        addJpegTexture(set, l.helmet, helmetTexture(l));
    }
    addJpegTexture(set, "tr.jpg", tyrePicture());
    addTgaTexture(set, "wheel.tga", rimPicture());
    addTgaTexture(set, "sh.tga", shadowPicture());
    addJpegTexture(set, "illum.jpg", illuminationPicture());
    addJpegTexture(set, "chrome.jpg", chromePicture());
    addJpegTexture(set, "spec_level.jpg", helmetGloss());
    // Upload order of the faces: +X, -X, +Y, -Y, +Z, -Z.
    const char* suffixes[6] = {"_right.jpg", "_left.jpg", "_bottom.jpg", "_top.jpg", "_front.jpg", "_back.jpg"};
    for (int face = 0; face < 6; ++face)
        addJpegTexture(set, std::string("skybox") + suffixes[face], skyboxFace(face));
}

} // namespace qm
