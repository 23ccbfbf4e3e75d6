// Test helpers: pictures written and read by ImageMagick.
#include "tests/support/image_magick.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <cstdlib>

namespace qm::test {

std::vector<uint8_t> convertImage(const std::string& arguments, const std::string& outFile)
{
    const std::string command = "convert " + arguments + " " + outFile + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return readFile(outFile);
}

std::vector<uint8_t> imageMagickPixels(const std::string& file, const std::string& format)
{
    const std::string out = file + "." + format;
    const std::string command = "convert " + file + " -depth 8 " + format + ":" + out + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return readFile(out);
}

std::vector<uint8_t> flipRows(const std::vector<uint8_t>& pixels, size_t rowBytes)
{
    std::vector<uint8_t> flipped(pixels.size());
    const size_t rows = rowBytes ? pixels.size() / rowBytes : 0;
    for (size_t r = 0; r < rows; ++r)
        std::copy_n(pixels.begin() + long(r * rowBytes), rowBytes,
                    flipped.begin() + long((rows - 1 - r) * rowBytes));
    return flipped;
}

} // namespace qm::test
