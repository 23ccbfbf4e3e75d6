// Run-time loading of the GL extension entry points the program uses (multitexture).
#pragma once
#include "render/gl.h"
#include <string>

namespace qm {

struct GLVersionFlags {
    bool v1_2 = false;
    bool v1_3 = false;
    bool v1_4 = false;
};

// Entry points fetched by loadExtensions; null until then or when the driver lacks them.
extern PFNGLACTIVETEXTUREARBPROC qglActiveTextureARB;
extern PFNGLMULTITEXCOORD2FARBPROC qglMultiTexCoord2fARB;
extern PFNGLMULTITEXCOORD2FVARBPROC qglMultiTexCoord2fvARB;

// Reads the version and extension strings of the current context and fetches the entry points.
// Returns true when some flagged entry point could not be fetched (the failure flag).
bool loadExtensions();
bool hasExtension(const char* name);           // flag set by the last loadExtensions
const GLVersionFlags& glVersionFlags();

// Exact token search: name must be a whole blank-separated token of extensionString.
bool extensionTokenPresent(const char* extensionString, const char* name);
// Version flags from a GL version string ("1.5.0" sets all three).
GLVersionFlags parseGLVersion(const char* version);

} // namespace qm
