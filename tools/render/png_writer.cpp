#include "tools/render/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace qm {
namespace {

// Rows top first, alpha dropped.
std::vector<uint8_t> topDownRgb(int width, int height, const uint8_t* pixels)
{
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = pixels + size_t(height - 1 - y) * size_t(width) * 4;
        uint8_t* out = &rgb[size_t(y) * size_t(width) * 3];
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    return rgb;
}

// The only frame that calls setjmp; libpng's errors jump back here.
bool encode(std::FILE* file, int width, int height, std::vector<png_bytep>* rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows->data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePng(const std::string& path, int width, int height, const uint8_t* pixels, std::string* error)
{
    std::vector<uint8_t> rgb = topDownRgb(width, height, pixels);
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[size_t(y)] = &rgb[size_t(y) * size_t(width) * 3];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (error) *error = "cannot create " + path;
        return false;
    }
    const bool encoded = encode(file, width, height, &rows);
    const bool closed = std::fclose(file) == 0;
    if ((!encoded || !closed) && error) *error = "cannot write " + path;
    return encoded && closed;
}

} // namespace qm
