#include "render/extensions.h"
#include "platform/gl_proc.h"
#include <cstdlib>
#include <cstring>

namespace qm {

PFNGLACTIVETEXTUREARBPROC qglActiveTextureARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC qglMultiTexCoord2fARB = nullptr;
PFNGLMULTITEXCOORD2FVARBPROC qglMultiTexCoord2fvARB = nullptr;

namespace {

GLVersionFlags versionFlags;
std::string extensionString;

const char* glString(GLenum name)
{
    return reinterpret_cast<const char*>(glGetString(name));
}

bool isBlank(char c) { return c == ' '; }

// Fetches one entry point; a missing one sets the failure flag.
template <typename Proc>
void fetch(Proc& proc, const char* name, bool& failed)
{
    proc = reinterpret_cast<Proc>(platform::getGLProcAddress(name));
    if (!proc) failed = true;
}

void fetchMultitexture(bool& failed)
{
    fetch(qglActiveTextureARB, "glActiveTextureARB", failed);
    fetch(qglMultiTexCoord2fARB, "glMultiTexCoord2fARB", failed);
    fetch(qglMultiTexCoord2fvARB, "glMultiTexCoord2fvARB", failed);
}

} // namespace

bool extensionTokenPresent(const char* extensionString, const char* name)
{
    if (!extensionString || !name || !*name || std::strchr(name, ' ')) return false;
    size_t len = std::strlen(name);
    for (const char* at = std::strstr(extensionString, name); at; at = std::strstr(at + len, name)) {
        bool startsToken = at == extensionString || isBlank(at[-1]);
        bool endsToken = at[len] == '\0' || isBlank(at[len]);
        if (startsToken && endsToken) return true;
    }
    return false;
}

// The string starts with "major.minor"; vendor text after it (driver versions such as
// "Mesa 21.1.3") must not be taken for the GL version.
GLVersionFlags parseGLVersion(const char* version)
{
    GLVersionFlags flags;
    if (!version) return flags;
    char* end = nullptr;
    long major = std::strtol(version, &end, 10);
    if (end == version || *end != '.') return flags;
    const char* minorText = end + 1;
    long minor = std::strtol(minorText, &end, 10);
    if (end == minorText) return flags;
    auto atLeast = [&](long wantMinor) { return major > 1 || (major == 1 && minor >= wantMinor); };
    flags.v1_2 = atLeast(2);
    flags.v1_3 = atLeast(3);
    flags.v1_4 = atLeast(4);
    return flags;
}

bool loadExtensions()
{
    bool failed = false;
    versionFlags = parseGLVersion(glString(GL_VERSION));
    const char* extensions = glString(GL_EXTENSIONS);
    extensionString = extensions ? extensions : "";
    qglActiveTextureARB = nullptr;
    qglMultiTexCoord2fARB = nullptr;
    qglMultiTexCoord2fvARB = nullptr;
    // Only the entry points the program calls are fetched.
    if (hasExtension("GL_ARB_multitexture")) fetchMultitexture(failed);
    return failed;
}

bool hasExtension(const char* name)
{
    return extensionTokenPresent(extensionString.c_str(), name);
}

const GLVersionFlags& glVersionFlags() { return versionFlags; }

} // namespace qm
