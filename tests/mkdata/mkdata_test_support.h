// Shared by the artwork tests: the data set built once, the archive written once to a scratch
// folder, and small readers of the member formats written independently of the generator.
#pragma once
#include "assets/archive_reader.h"
#include "tools/mkdata/data_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace qm::test {

inline const DataSet& dataSet()
{
    static const DataSet set = buildDataSet();
    return set;
}

inline std::vector<uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A scratch folder, removed at exit of the test program.
class Scratch {
public:
    Scratch()
    {
        char pattern[] = "/tmp/qm-mkdata-XXXXXX";
        if (mkdtemp(pattern))
            path_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline const Scratch& scratch()
{
    static const Scratch s;
    return s;
}

// data.rar as the tool writes it, once per test program.
inline std::string archivePath()
{
    static const std::string path = [] {
        std::string p = (scratch().path() / "data.rar").string();
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
    std::istringstream in(text(bytes));
    for (std::string line; std::getline(in, line);) {
        line.erase(0, line.find_first_not_of(' ') == std::string::npos ? line.size() : line.find_first_not_of(' '));
        std::erase(line, '\r');
        out.push_back(line);
    }
    return out;
}

inline bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace qm::test
