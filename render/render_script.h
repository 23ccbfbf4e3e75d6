// Render scripts ("land.txt", "test.txt"): render blocks pairing a technique with the meshes drawn
// with it, each mesh culled against the view frustum before its display list is called.
#pragma once
#include "assets/mesh.h"
#include "render/technique.h"

#include <cstdint>
#include <vector>

namespace qm {

class AssetStream;

class RenderBlock {
public:
    virtual ~RenderBlock() = default;

    Technique technique;
    int32_t meshCount = 0;
    std::vector<Mesh> meshes;
};

class RenderScript {
public:
    // Longest line a script may hold; longer lines are cut.
    static constexpr uint32_t LINE_CAPACITY = 128;
    // Most meshes one "collect" line loads; a larger count is cut to this.
    static constexpr int32_t MAX_COLLECT_COUNT = 999;

    virtual ~RenderScript() = default;

    // Reads the member and loads every technique, texture and mesh it names. Parsing ends at the
    // "end" line or at the end of the member; what was read so far stays in use.
    void load(const char* memberName);
    void load(AssetStream& stream);
    // For each block: apply its technique, then call each mesh list that viewFrustum accepts.
    void draw() const;
    void clear() { blocks.clear(); }

    std::vector<RenderBlock> blocks;
};

// The two process-wide scripts; resetRenderScripts empties both (GL objects stay).
RenderScript& landScript();
RenderScript& testScript();
void resetRenderScripts();

// "collect" naming: base01 .. base09, then base10, base11 and so on.
std::string collectMeshName(const std::string& base, int32_t k);

} // namespace qm
