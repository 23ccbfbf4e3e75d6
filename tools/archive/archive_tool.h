// The commands of quillmark-archive: pack, extract and list, each returning the exit status.
#pragma once
#include <string>
#include <vector>

namespace qm {

class ArchiveTool {
public:
    virtual ~ArchiveTool() = default;
    // Runs one command line (without the program name); errors go to standard error as one line.
    static int run(const std::vector<std::string>& args);

private:
    static int pack(const std::vector<std::string>& args);
    static int extract(const std::vector<std::string>& args);
    static int list(const std::vector<std::string>& args);
};

} // namespace qm
