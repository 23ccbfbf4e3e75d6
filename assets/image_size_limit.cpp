#include "assets/image_size_limit.h"

namespace qm {
namespace {

int64_t largestTexturePixels = 0;

} // namespace

void setLargestTextureSide(int32_t side)
{
    largestTexturePixels = side > 0 ? int64_t(side) * side : 0;
}

int64_t imagePixelLimit()
{
    if (largestTexturePixels > 0 && largestTexturePixels < MAX_IMAGE_PIXELS) return largestTexturePixels;
    return MAX_IMAGE_PIXELS;
}

bool imageSizeAllowed(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0) return false;
    // Both sides are at most 65535 in either format, so the product cannot overflow.
    return width * height <= imagePixelLimit();
}

} // namespace qm
