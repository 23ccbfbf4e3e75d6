// quillmark-mkdata OUT.rar: writes the built-in default artwork, generated from code alone.
#include "tools/mkdata/data_set.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: quillmark-mkdata OUT.rar\n"
                             "Writes the saver's default artwork (data.rar) to OUT.rar.\n");
        return 2;
    }
    std::string error;
    if (!qm::writeDataArchive(argv[1], &error)) {
        std::fprintf(stderr, "quillmark-mkdata: %s\n", error.empty() ? "cannot write the archive" : error.c_str());
        return 1;
    }
    return 0;
}
