// libFuzzer target: the JPEG and TGA decoders and the layout conversions on arbitrary bytes.
#include "assets/asset_stream.h"
#include "assets/image_buffer.h"
#include "assets/tga_image.h"

#include <cstring>

// The decoders' only ties to the rest of the program, cut here: no archive, no message boxes.
#include "assets/archive_index.h"
int qm::ArchiveIndex::getSharedMember(SharedBytes* bytes, uint32_t* size, const char*, const char*)
{
    bytes->reset();
    *size = 0;
    return 0;
}
namespace qm::platform {
void messageBox(const char*, const char*) {}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that any read past the end is an out-of-bounds read.
    uint8_t* copy = new uint8_t[size ? size : 1];
    if (size) std::memcpy(copy, data, size);

    qm::ImageBuffer image;
    if (qm::decodeJpeg(copy, uint32_t(size), image)) qm::convertToRgb(image);

    qm::AssetStream stream;
    stream.adopt(copy, uint32_t(size));
    qm::TgaImage tga;
    if (qm::decodeTga(stream, tga)) (void)tga.rgbaPixels();
    return 0;
}
