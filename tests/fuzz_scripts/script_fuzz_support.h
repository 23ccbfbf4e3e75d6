// The ties of the technique and render-script parsers to the rest of the program, cut for
// fuzzing: no archive (every fetch fails, as with a member that is missing), no message boxes, no
// GL extensions. GL calls go to the library without a current context and do nothing.
#pragma once
#include "assets/archive_index.h"
#include "render/extensions.h"

#include <cstdint>
#include <cstring>

int qm::ArchiveIndex::getSharedMember(SharedBytes* bytes, uint32_t* size, const char*, const char*)
{
    bytes->reset();
    *size = 0;
    return 0;
}
namespace qm::platform {
void messageBox(const char*, const char*) {}
}
PFNGLACTIVETEXTUREARBPROC qm::qglActiveTextureARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC qm::qglMultiTexCoord2fARB = nullptr;
PFNGLMULTITEXCOORD2FVARBPROC qm::qglMultiTexCoord2fvARB = nullptr;

// An exact-size heap copy of the input, so that any read past its end is an out-of-bounds read.
inline uint8_t* exactCopy(const uint8_t* data, size_t size)
{
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);
    return copy;
}
