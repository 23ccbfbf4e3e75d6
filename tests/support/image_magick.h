// Test helpers: pictures written and read by ImageMagick, the independent peer the decoders are
// checked against.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// Runs convert with the arguments (shell syntax) and returns the file it wrote; empty on failure.
std::vector<uint8_t> convertImage(const std::string& arguments, const std::string& outFile);

// The raw 8-bit samples ImageMagick reads from a file, top row first ("rgb", "rgba" or "gray").
std::vector<uint8_t> imageMagickPixels(const std::string& file, const std::string& format);

// Rows of a picture in the opposite order (top-down against bottom-up).
std::vector<uint8_t> flipRows(const std::vector<uint8_t>& pixels, size_t rowBytes);

} // namespace qm::test
