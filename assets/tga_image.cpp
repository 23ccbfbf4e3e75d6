#include "assets/tga_image.h"
#include "assets/asset_stream.h"
#include "assets/image_size_limit.h"
#include "platform/message_box.h"

#include <cstring>

namespace qm {
namespace {

// A run-length packet header byte covers at most this many pixels.
constexpr uint64_t MAX_PIXELS_PER_PACKET = 128;

enum class PixelKind { Mapped, Grey, Rgb16, Rgb24, Rgba32 };

// Turns stored pixel values into the decoded layout; remembers an index outside the map.
struct PixelDecoder {
    PixelKind kind = PixelKind::Grey;
    uint32_t storedBytes = 1;
    uint32_t outBytes = 1;
    std::vector<uint8_t> colorMap;  // B, G, R entries
    bool badIndex = false;

    void decode(const uint8_t* in, uint8_t* out)
    {
        switch (kind) {
        case PixelKind::Mapped: decodeMapped(in[0], out); break;
        case PixelKind::Grey: out[0] = in[0]; break;
        case PixelKind::Rgb16: decode16(uint32_t(in[0]) | uint32_t(in[1]) << 8, out); break;
        case PixelKind::Rgb24: std::memcpy(out, in, 3); break;
        case PixelKind::Rgba32:
            out[0] = in[2]; out[1] = in[1]; out[2] = in[0]; out[3] = in[3];
            break;
        }
    }

    void decodeMapped(uint8_t index, uint8_t* out)
    {
        if (size_t(index) * 3 + 3 > colorMap.size()) {
            badIndex = true;
            out[0] = out[1] = out[2] = 0;
            return;
        }
        std::memcpy(out, &colorMap[size_t(index) * 3], 3);
    }

    static void decode16(uint32_t v, uint8_t* out)
    {
        out[0] = uint8_t((v & 31) * 8);
        out[1] = uint8_t(((v >> 5) & 31) * 8);
        out[2] = uint8_t(((v >> 10) & 31) * 8);
    }
};

template <typename T> T readField(AssetStream& stream)
{
    T value = 0;
    uint8_t bytes[sizeof(T)] = {};
    stream.read(bytes, sizeof(T));
    for (size_t i = 0; i < sizeof(T); ++i) value = T(value | T(bytes[i]) << (8 * i));
    return value;
}

// Step 2: the header fields one by one, then past the identification field.
void readHeader(AssetStream& stream, TgaImage& image)
{
    image.idLength = readField<uint8_t>(stream);
    image.colorMapType = readField<uint8_t>(stream);
    image.imageType = readField<uint8_t>(stream);
    image.colorMapFirst = readField<uint16_t>(stream);
    image.colorMapLength = readField<uint16_t>(stream);
    image.colorMapEntrySize = readField<uint8_t>(stream);
    image.xOrigin = readField<uint16_t>(stream);
    image.yOrigin = readField<uint16_t>(stream);
    image.width = readField<uint16_t>(stream);
    image.height = readField<uint16_t>(stream);
    image.pixelDepth = readField<uint8_t>(stream);
    image.descriptor = readField<uint8_t>(stream);
    stream.seek(image.idLength, 1);
}

bool isMappedType(uint8_t type) { return type == 1 || type == 9; }
bool isGreyType(uint8_t type) { return type == 3 || type == 11; }
bool isTrueColourType(uint8_t type) { return type == 2 || type == 10; }
bool isRunLengthType(uint8_t type) { return type >= 9; }

// Step 3: the 24-bit map of a mapped image; a map beside true-colour or grey pixels is skipped
// so that the pixels are read from where they are.
bool readColorMap(AssetStream& stream, const TgaImage& image, PixelDecoder& decoder)
{
    if (isMappedType(image.imageType)) {
        if (image.colorMapType != 1 || image.colorMapEntrySize != 24) return false;
        decoder.colorMap.resize(size_t(image.colorMapLength) * 3);
        stream.read(decoder.colorMap.data(), uint32_t(decoder.colorMap.size()));
        return !stream.atEnd();
    }
    if (!isGreyType(image.imageType) && !isTrueColourType(image.imageType)) return false;
    if (image.colorMapType == 1)
        stream.seek(int32_t(image.colorMapLength * ((image.colorMapEntrySize + 7u) / 8u)), 1);
    return true;
}

// Step 4's table: which stored depth goes with which type, and what each pixel becomes.
bool choosePixelKind(const TgaImage& image, PixelDecoder& decoder)
{
    const uint8_t type = image.imageType;
    const uint8_t depth = image.pixelDepth;
    if (depth == 8 && isMappedType(type)) decoder.kind = PixelKind::Mapped;
    else if (depth == 8 && isGreyType(type)) decoder.kind = PixelKind::Grey;
    else if (depth == 16 && isTrueColourType(type)) decoder.kind = PixelKind::Rgb16;
    else if (depth == 24 && isTrueColourType(type)) decoder.kind = PixelKind::Rgb24;
    else if (depth == 32 && isTrueColourType(type)) decoder.kind = PixelKind::Rgba32;
    else return false;
    decoder.storedBytes = depth / 8u;
    decoder.outBytes = decoder.kind == PixelKind::Grey ? 1 : decoder.kind == PixelKind::Rgba32 ? 4 : 3;
    return true;
}

uint32_t bytesLeft(const AssetStream& stream)
{
    return stream.position() < stream.size() ? stream.size() - stream.position() : 0;
}

bool decodeUncompressed(AssetStream& stream, PixelDecoder& decoder, uint64_t count, uint8_t* out)
{
    if (count * decoder.storedBytes > bytesLeft(stream)) return false;
    const uint8_t* in = stream.data() + stream.position();
    for (uint64_t i = 0; i < count; ++i, in += decoder.storedBytes, out += decoder.outBytes)
        decoder.decode(in, out);
    stream.seek(int32_t(count * decoder.storedBytes), 1);
    return true;
}

// Run-length packets until every pixel is produced; a packet is cut at the image's end.
bool decodeRunLength(AssetStream& stream, PixelDecoder& decoder, uint64_t count, uint8_t* out)
{
    uint8_t value[4];
    uint8_t decoded[4];
    uint64_t produced = 0;
    while (produced < count) {
        const uint8_t header = readField<uint8_t>(stream);
        uint64_t run = (header & 0x7Fu) + 1u;
        if (run > count - produced) run = count - produced;
        const bool repeat = (header & 0x80u) != 0;
        if (repeat) {
            stream.read(value, decoder.storedBytes);
            decoder.decode(value, decoded);
        }
        for (uint64_t i = 0; i < run; ++i, out += decoder.outBytes) {
            if (!repeat) {
                stream.read(value, decoder.storedBytes);
                decoder.decode(value, decoded);
            }
            std::memcpy(out, decoded, decoder.outBytes);
        }
        if (stream.atEnd()) return false;
        produced += run;
    }
    return true;
}

bool decodePixels(AssetStream& stream, TgaImage& image, PixelDecoder& decoder)
{
    if (!imageSizeAllowed(image.width, image.height)) return false;
    const uint64_t count = uint64_t(image.width) * image.height;
    // A member that cannot hold this many pixels is refused before anything is allocated: every
    // run-length packet takes a header byte and at least one value for at most 128 pixels.
    const bool runLength = isRunLengthType(image.imageType);
    const uint64_t left = bytesLeft(stream);
    const uint64_t most = runLength ? left / (1u + decoder.storedBytes) * MAX_PIXELS_PER_PACKET
                                    : left / decoder.storedBytes;
    if (count > most) return false;
    image.pixels.assign(count * decoder.outBytes, 0);
    bool ok = runLength ? decodeRunLength(stream, decoder, count, image.pixels.data())
                        : decodeUncompressed(stream, decoder, count, image.pixels.data());
    return ok && !decoder.badIndex;
}

bool depthSupported(uint8_t depth)
{
    return depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

} // namespace

std::vector<uint8_t> TgaImage::rgbaPixels() const
{
    const int bpp = bytesPerPixel();
    if (bpp == 4) return pixels;
    const size_t count = size_t(width) * height;
    std::vector<uint8_t> rgba(count * 4, 255);
    if ((bpp != 1 && bpp != 3) || pixels.size() < count * size_t(bpp)) return {};
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* in = &pixels[i * size_t(bpp)];
        uint8_t* out = &rgba[i * 4];
        if (bpp == 1) {
            out[0] = out[1] = out[2] = in[0];
        } else {
            out[0] = in[2]; out[1] = in[1]; out[2] = in[0];
        }
    }
    return rgba;
}

bool decodeTga(AssetStream& stream, TgaImage& image)
{
    image = TgaImage();
    readHeader(stream, image);
    if (stream.atEnd()) return false;  // a member shorter than its header holds no image
    PixelDecoder decoder;
    if (!readColorMap(stream, image, decoder)) return false;
    if (!depthSupported(image.pixelDepth)) {
        platform::messageBox("Unsupported image depth.", "TGA");
        return false;
    }
    if (!choosePixelKind(image, decoder)) return false;
    if (!decodePixels(stream, image, decoder)) {
        image.pixels.clear();
        return false;
    }
    if (decoder.outBytes == 3) image.pixelDepth = 24;
    return true;
}

bool loadTga(const char* memberName, TgaImage& image)
{
    AssetStream stream;
    if (!stream.fetch(memberName)) {
        image = TgaImage();
        return false;
    }
    return decodeTga(stream, image);
}

} // namespace qm
