// Truevision TGA images: the header as stored and the decoded pixels, and the decoder itself.
#pragma once
#include <cstdint>
#include <vector>

namespace qm {

class AssetStream;

class TgaImage {
public:
    virtual ~TgaImage() = default;

    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 0;
    uint16_t colorMapFirst = 0;
    uint16_t colorMapLength = 0;
    uint8_t colorMapEntrySize = 0;
    uint16_t xOrigin = 0;
    uint16_t yOrigin = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 0;   // rewritten to 24 when 8-bit mapped or 16-bit pixels become 3 bytes
    uint8_t descriptor = 0;
    // Rows in stored order; 1 byte (grey), 3 bytes (B, G, R) or 4 bytes (R, G, B, A) per pixel.
    std::vector<uint8_t> pixels;

    int bytesPerPixel() const { return pixelDepth / 8; }
    // The pixels as R, G, B, A (alpha 255 where the image has none), for the 4-component upload.
    std::vector<uint8_t> rgbaPixels() const;
};

// Fetches and decodes the member; false (silently) when it is missing, not a supported TGA, or
// above the image size limit (image_size_limit.h).
// A depth other than 8, 16, 24 or 32 shows "Unsupported image depth." (caption "TGA").
bool loadTga(const char* memberName, TgaImage& image);
// Decodes from a stream already holding the member; bounded by the stream's bytes.
bool decodeTga(AssetStream& stream, TgaImage& image);

} // namespace qm
