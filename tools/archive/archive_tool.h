// The commands of quillmark-archive: pack, extract and list, each returning the exit status.
#pragma once
#include <string>
#include <vector>

namespace qm {

class ArchiveTool {
public:
    virtual ~ArchiveTool() = default;
    // Runs one command line (without the program name): the usage with --help (status 0),
    // otherwise errors go to standard error as lines starting "quillmark-archive: " (status 1).
    static int run(const std::vector<std::string>& args);
};

} // namespace qm
