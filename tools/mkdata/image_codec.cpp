#include "tools/mkdata/image_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace qm {

namespace {

struct EncoderErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void onEncoderError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<EncoderErrors*>(info->err)->escape, 1);
}

void ignoreMessage(j_common_ptr) {}

// The libjpeg part, kept free of C++ objects with destructors because of the long jump.
bool compressRows(const uint8_t* rgb, int width, int height, int quality,
                  unsigned char** buffer, unsigned long* size)
{
    jpeg_compress_struct info;
    EncoderErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onEncoderError;
    errors.manager.output_message = ignoreMessage;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_ISLOW;   // exact integer transform: the same bytes on every machine
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(info.next_scanline) * size_t(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

void putLe16(std::vector<uint8_t>& out, int v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}

} // namespace

bool encodeJpeg(const Image& image, int quality, std::vector<uint8_t>* out)
{
    out->clear();
    std::vector<uint8_t> pixels = image.bytes();
    std::vector<uint8_t> rgb;
    if (image.channels() == 3) {
        rgb.swap(pixels);
    } else {
        rgb.reserve(pixels.size() / 4 * 3);
        for (size_t i = 0; i + 3 < pixels.size(); i += 4)
            rgb.insert(rgb.end(), pixels.begin() + long(i), pixels.begin() + long(i) + 3);
    }
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool ok = compressRows(rgb.data(), image.width(), image.height(), quality, &buffer, &size);
    if (ok && buffer)
        out->assign(buffer, buffer + size);
    std::free(buffer);
    return ok && !out->empty();
}

std::vector<uint8_t> encodeTga(const Image& image)
{
    std::vector<uint8_t> out;
    out.reserve(18 + size_t(image.width()) * size_t(image.height()) * 4);
    out.push_back(0);   // no identification field
    out.push_back(0);   // no colour map
    out.push_back(2);   // uncompressed true colour
    for (int i = 0; i < 5; ++i)
        out.push_back(0);   // colour-map specification
    putLe16(out, 0);
    putLe16(out, 0);
    putLe16(out, image.width());
    putLe16(out, image.height());
    out.push_back(32);
    out.push_back(0x08);   // 8 alpha bits, origin at the bottom left
    std::vector<uint8_t> pixels = image.bytes();
    int stride = image.width() * image.channels();
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t* p = pixels.data() + size_t(y) * size_t(stride) + size_t(x) * size_t(image.channels());
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(image.channels() == 4 ? p[3] : 255);
        }
    return out;
}

} // namespace qm
