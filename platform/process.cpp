#include "platform/process.h"
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace qm::platform {

std::string executableFolder()
{
    char* resolved = realpath("/proc/self/exe", nullptr);
    if (!resolved) return {};
    std::string path(resolved);
    std::free(resolved);
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool setCurrentDirectory(const char* path)
{
    return path && *path && chdir(path) == 0;
}

std::string currentDirectory()
{
    char* path = getcwd(nullptr, 0);
    if (!path) return {};
    std::string folder(path);
    std::free(path);
    return folder;
}

} // namespace qm::platform
