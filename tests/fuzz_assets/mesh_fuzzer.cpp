// libFuzzer target: the mesh member parser on arbitrary bytes (counts and indices are checked).
#include "assets/asset_stream.h"
#include "assets/mesh.h"
#include "render/extensions.h"

#include <cstring>

#include "assets/archive_index.h"
int qm::ArchiveIndex::getSharedMember(SharedBytes* bytes, uint32_t* size, const char*, const char*)
{
    bytes->reset();
    *size = 0;
    return 0;
}
PFNGLMULTITEXCOORD2FVARBPROC qm::qglMultiTexCoord2fvARB = nullptr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    qm::AssetStream stream;
    stream.adopt(copy, uint32_t(size));
    qm::MeshFile file;
    if (!qm::parseMeshFile(stream, file)) return 0;
    // Every index the list compilation would follow must address its array.
    const size_t corners = file.faces.size();
    for (size_t c = 0; c < corners; ++c) {
        if (file.faces[c] >= file.vertices.size()) __builtin_trap();
        for (const auto& set : file.uvSets)
            if (!set.uv.empty() && 2 * size_t(set.indices[c]) + 1 >= set.uv.size()) __builtin_trap();
        if (!file.colours.empty() && file.colourIndices[c] >= file.colours.size()) __builtin_trap();
        if (file.normalsPresent && c >= file.normals.size()) __builtin_trap();
    }
    return 0;
}
