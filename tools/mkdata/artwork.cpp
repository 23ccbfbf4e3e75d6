#include "tools/mkdata/artwork.h"
#include "tools/mkdata/image_codec.h"

namespace qm {

std::string seriesName(const std::string& base, int k)
{
    return base + (k < 10 ? "0" : "") + std::to_string(k);
}

void addJpegTexture(DataSet& set, const std::string& file, const Image& image, int quality)
{
    std::vector<uint8_t> bytes;
    if (encodeJpeg(image, quality, &bytes))
        set.add(textureMember(file), std::move(bytes));
}

void addTgaTexture(DataSet& set, const std::string& file, const Image& image)
{
    set.add(textureMember(file), encodeTga(image));
}

} // namespace qm
