// Decoded JPEG pixels (rows bottom-up, the layout the texture upload expects) and the JPEG decoder.
#pragma once
#include "assets/image_size_limit.h"

#include <cstdint>
#include <vector>

namespace qm {

struct ImageBuffer {
    int32_t rowBytes = 0;   // width x components; rows are not padded
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // rowBytes x height bytes, bottom row first
    // A CMYK image from an Adobe-marked file stores its inks inverted (0 = full ink).
    bool inkInverted = false;

    int32_t components() const { return width > 0 ? rowBytes / width : 0; }
    void clear();
};

// Fetches the member (full archive path) and decodes it. A missing member shows
// "ARCH:Can't load JPG file: %s" (caption "Error"); corrupt data yields false without a message.
bool loadJpeg(const char* memberName, ImageBuffer& image);
// Decodes a JPEG held in memory; never reads outside [data, data + size).
bool decodeJpeg(const uint8_t* data, uint32_t size, ImageBuffer& image);
// Turns a greyscale or CMYK image into 3-byte RGB in place; false (image unchanged) for any
// other layout. An RGB image is left as it is.
bool convertToRgb(ImageBuffer& image);

} // namespace qm
