// Encodes painted pictures as the archive's image members: baseline colour JPEG and 32-bit TGA.
#pragma once
#include "tools/mkdata/image.h"

#include <cstdint>
#include <vector>

namespace qm {

constexpr int JPEG_QUALITY = 88;

// Always three colour components, so the texture upload's RGB layout fits; alpha is dropped.
// Returns false (and leaves out empty) if the encoder fails.
bool encodeJpeg(const Image& image, int quality, std::vector<uint8_t>* out);

// Uncompressed true-colour TGA, 32 bits (B, G, R, A), bottom row first, 8 alpha bits.
std::vector<uint8_t> encodeTga(const Image& image);

} // namespace qm
