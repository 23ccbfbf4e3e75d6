// Shared by the artwork tests: the data set built once, the archive written once to a scratch
// folder, and small readers of the member formats written independently of the generator.
#pragma once
#include "assets/archive_reader.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_files.h"
#include "tools/mkdata/data_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace qm::test {

inline const DataSet& dataSet()
{
    static const DataSet set = buildDataSet();
    return set;
}

// A scratch folder, removed at exit of the test program.
inline const TempFolder& scratch()
{
    static const TempFolder folder("qm-mkdata");
    return folder;
}

// data.rar as the tool writes it, once per test program.
inline std::string archivePath()
{
    static const std::string path = [] {
        std::string p = scratch().file("data.rar");
        std::string error;
        if (!writeDataArchive(p, &error))
            ADD_FAILURE() << "writeDataArchive: " << error;
        return p;
    }();
    return path;
}

// Extracts through the program's own reader; empty with ok false on failure.
inline std::vector<uint8_t> extract(const std::string& member, bool* ok)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    *ok = ArchiveReader::getMember(&data, &size, member.c_str(), archivePath().c_str(), "") != 0;
    std::vector<uint8_t> bytes(data, data + size);
    delete[] data;
    return bytes;
}

// Lines of a text member as the saver's line reader sees them: leading spaces skipped, CR dropped.
inline std::vector<std::string> lines(const std::vector<uint8_t>& bytes)
{
    std::vector<std::string> out;
    std::istringstream in(textOf(bytes));
    for (std::string line; std::getline(in, line);) {
        line.erase(0, line.find_first_not_of(' ') == std::string::npos ? line.size() : line.find_first_not_of(' '));
        std::erase(line, '\r');
        out.push_back(line);
    }
    return out;
}

inline bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace qm::test
