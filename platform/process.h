// The running program's place in the file system: its own folder and the current directory.
#pragma once
#include <string>

namespace qm::platform {

// The resolved real path of the folder that holds the executable; empty when it cannot be found.
std::string executableFolder();
bool setCurrentDirectory(const char* path);
// The absolute path of the current directory; empty when it cannot be told.
std::string currentDirectory();

}
