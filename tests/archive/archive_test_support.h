// Helpers shared by the archive tests: files, test data, and extraction through the reader.
#pragma once
#include "assets/archive_reader.h"
#include "tests/support/temp_folder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace qm::test {

using Bytes = std::vector<uint8_t>;

inline void writeFile(const std::string& path, const Bytes& bytes)
{
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline bool readFile(const std::string& path, Bytes& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Extracts a member through getMember; false (and bytes empty) on failure.
inline bool extract(const std::string& archive, const std::string& member, Bytes& bytes)
{
    uint8_t* data = reinterpret_cast<uint8_t*>(1);
    uint32_t size = 7;
    int ok = ArchiveReader::getMember(&data, &size, member.c_str(), archive.c_str(), "");
    bytes.assign(data, data + (ok ? size : 0));
    if (!ok && (data != nullptr || size != 0)) bytes.assign(1, 0xEE);  // failure must clear both
    delete[] (ok ? data : nullptr);
    return ok != 0;
}

inline Bytes textData(size_t n, uint32_t seed)
{
    static const char* words[] = {"texture ", "mesh ", "corridor ", "livery ", "scene ", "camera ",
                                  "technique ", "sun\n", "flare ", "0.25 ", "17 ", "-3.5\n"};
    std::mt19937 r(seed);
    Bytes v;
    while (v.size() < n) {
        const char* w = words[r() % 12];
        v.insert(v.end(), w, w + std::char_traits<char>::length(w));
    }
    v.resize(n);
    return v;
}

inline Bytes randomData(size_t n, uint32_t seed)
{
    std::mt19937 r(seed);
    Bytes v(n);
    for (uint8_t& b : v) b = uint8_t(r());
    return v;
}

// 8-bit unsigned PCM: one slow sine per channel with a little noise, channels interleaved.
inline Bytes pcmData(size_t n, int channels, uint32_t seed)
{
    std::mt19937 r(seed);
    Bytes v(n);
    for (size_t i = 0; i < n; ++i) {
        int c = int(i % channels);
        double t = double(i / channels);
        v[i] = uint8_t(128 + 90 * std::sin(t * 0.013 * (c + 1)) + int(r() % 7) - 3);
    }
    return v;
}

inline std::string fixture(const std::string& name)
{
    const char* root = std::getenv("QM_FIXTURES");
    return std::string(root ? root : "/work/shared/fixtures") + "/rar/" + name;
}

} // namespace qm::test
