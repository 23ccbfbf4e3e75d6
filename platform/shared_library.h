// Loading a shared library at run time and looking up its entry points by name.
#pragma once

namespace qm::platform {

class SharedLibrary {
public:
    SharedLibrary() = default;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    ~SharedLibrary();

    // Loads the library file at path (a path, never a search by name); false when it cannot.
    bool load(const char* path);
    // The address of the exported symbol, or null when the library lacks it or is not loaded.
    void* symbol(const char* name) const;
    void unload();

private:
    void* handle_ = nullptr;
};

} // namespace qm::platform
