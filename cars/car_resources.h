// What all 18 cars share: the light map, the reflection cube, wheel, helmet and body meshes, the
// pass textures, and the two wheel layouts.
#pragma once
#include "assets/cube_texture.h"
#include "assets/texture.h"
#include "render/gl.h"
#include "render/vec3.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qm {

constexpr int LIGHT_MAP_SIZE = 1024;
constexpr int BODY_COUNT = 3;

struct CarResources {
    // RGB rows of 1024 pixels, bottom row of the picture first; always 1024 x 1024 x 3 once loaded.
    std::vector<uint8_t> lightMap;
    Texture shadowTexture;
    Texture illuminationTexture;
    GLuint wheelPass0List = 0;
    GLuint wheelPass1List = 0;
    GLuint helmetList = 0;
    Texture tyreTexture;
    Texture wheelTexture;
    Texture chromeTexture;
    Texture specularLevelTexture;
    CubeTexture skyboxCube;

    virtual ~CarResources() = default;
};

CarResources& carResources();
// Display lists of the three bodies and their reflection shells, by body number.
std::array<GLuint, BODY_COUNT>& bodyMeshes();
std::array<GLuint, BODY_COUNT>& reflectionMeshes();

// Wheel centres in model units: right front, left front, right rear, left rear.
using WheelLayout = std::array<Vec3, 4>;
extern const WheelLayout WHEEL_LAYOUT_A;
extern const WheelLayout WHEEL_LAYOUT_B;
const WheelLayout& wheelLayoutFor(int bodyNumber);
Vec3 helmetOffsetFor(int bodyNumber);

// Loads everything above in its fixed order; needs a current GL context.
void loadCarResources();
// Keeps a decoded light map as 1024 x 1024 RGB: other sizes are resampled, other layouts
// converted; an unusable picture gives a black map.
void setLightMap(const uint8_t* rgbRows, int width, int height, int components);
void resetCarResources();

} // namespace qm
