#include "platform/gl_proc.h"
#include <EGL/egl.h>
#include <SDL.h>

namespace qm::platform {

// An EGL context (the offscreen one) answers through EGL; a window context made by SDL answers
// through SDL, which knows whether it loaded GLX or EGL. Under glvnd both give the same
// dispatching entry points, but a non-glvnd driver needs the lookup of its own backend.
void* getGLProcAddress(const char* name)
{
    if (!name) return nullptr;
    if (eglGetCurrentContext() == EGL_NO_CONTEXT && SDL_GL_GetCurrentContext())
        return SDL_GL_GetProcAddress(name);
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

} // namespace qm::platform
