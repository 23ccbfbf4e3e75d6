// The one size limit both image decoders apply before they allocate pixels: never more than
// MAX_IMAGE_PIXELS, and never more than the largest texture the GL accepts once it is known.
#pragma once
#include <cstdint>

namespace qm {

constexpr int64_t MAX_IMAGE_PIXELS = int64_t(1) << 24;

// The GL's largest texture side (GL_MAX_TEXTURE_SIZE); 0 or less forgets it (no context).
void setLargestTextureSide(int32_t side);
// The most pixels a decoded picture may have now.
int64_t imagePixelLimit();
// True when a width x height picture may be decoded (both positive, within the limit).
bool imageSizeAllowed(int64_t width, int64_t height);

} // namespace qm
