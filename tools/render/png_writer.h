// Writes pictures read back from GL as 8-bit RGB PNG files.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

// pixels: width x height RGBA bytes, bottom row first (as glReadPixels returns them).
bool writePng(const std::string& path, int width, int height, const uint8_t* pixels, std::string* error);

} // namespace qm
