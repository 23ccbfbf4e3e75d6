// Entry point of quillmark-archive.
#include "tools/archive/archive_tool.h"

int main(int argc, char** argv)
{
    return qm::ArchiveTool::run(std::vector<std::string>(argv + 1, argv + argc));
}
