// A technique: how a render block's meshes are drawn (blending, one or two textures, lighting,
// culling, alpha and depth tests, tiling), read from "technique\" + name and applied per frame.
#pragma once
#include "assets/texture.h"

#include <cstdint>

namespace qm {

class AssetStream;

class Technique {
public:
    // Blend functions by blendMode.
    static constexpr int32_t BLEND_ALPHA = 0;
    static constexpr int32_t BLEND_ADDITIVE = 1;
    static constexpr int32_t BLEND_MULTIPLY = 2;
    // Longest line a technique file may hold; longer lines are cut.
    static constexpr uint32_t LINE_CAPACITY = 128;

    virtual ~Technique() = default;

    // Parses "technique\" + name over this technique: only what its lines set changes. Parsing
    // ends at the "end" line or at the end of the member. Textures load through the cache.
    void load(const char* name);
    void load(AssetStream& stream);
    // Interprets one line of the keyword table (unknown lines change nothing).
    void applyLine(const char* line);
    // Sets every piece of GL state this technique controls.
    void apply() const;

    bool blended = false;
    bool textured = false;
    bool firstPass = false;
    bool lighted = false;
    bool twoSided = false;
    bool dualTexture = false;
    bool alphaTest = false;
    bool depthWrite = true;
    bool tiled = false;
    bool depthTest = true;
    Texture textures[2];
    int32_t blendMode = BLEND_ALPHA;
    int32_t tileCount = 1;
};

} // namespace qm
