#include "platform/shared_library.h"

#include <dlfcn.h>

namespace qm::platform {

SharedLibrary::~SharedLibrary()
{
    unload();
}

bool SharedLibrary::load(const char* path)
{
    unload();
    if (!path || !*path) return false;
    // RTLD_LOCAL keeps the library's own dependencies out of the program's symbol space.
    handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void* SharedLibrary::symbol(const char* name) const
{
    if (!handle_ || !name) return nullptr;
    return dlsym(handle_, name);
}

void SharedLibrary::unload()
{
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

} // namespace qm::platform
