#include "tools/rar_writer/lz_matcher.h"

namespace qm {
namespace {
constexpr uint32_t WINDOW_MASK = 0xFFFFF;
}

LzMatcher::LzMatcher(const uint8_t* data, size_t size, int effort)
    : data_(data), size_(size), chainDepth_(effort > 0 ? 48u << effort : 48),
      goodLength_(effort > 0 ? 257 : 96), head_(1u << HASH_BITS, 0), chain_(WINDOW_MASK + 1, 0),
      pairs_(1u << 16, 0)
{
}

void LzMatcher::insertUpTo(size_t pos)
{
    for (; inserted_ < pos && inserted_ < size_; ++inserted_) {
        size_t p = inserted_;
        if (p + 1 < size_) pairs_[data_[p] << 8 | data_[p + 1]] = uint32_t(p + 1);
        if (p + 2 >= size_) continue;
        uint32_t h = hash3(data_ + p);
        chain_[p & WINDOW_MASK] = head_[h];
        head_[h] = uint32_t(p + 1);
    }
}

uint32_t LzMatcher::matchLength(size_t pos, uint32_t distance, uint32_t maxLength) const
{
    const uint8_t* a = data_ + pos;
    const uint8_t* b = a - distance;
    uint32_t n = 0;
    while (n < maxLength && a[n] == b[n]) ++n;
    return n;
}

LzMatcher::Match LzMatcher::longest(size_t pos, size_t end, uint32_t maxLength) const
{
    Match best;
    if (end > size_) end = size_;
    if (pos + MIN_LENGTH > end) return best;
    if (end - pos < maxLength) maxLength = uint32_t(end - pos);
    uint32_t candidate = head_[hash3(data_ + pos)];
    for (uint32_t depth = 0; candidate && depth < chainDepth_; ++depth) {
        size_t c = candidate - 1;
        if (c >= pos || pos - c > MAX_DISTANCE) break;
        // Cheap reject: the byte that would lengthen the best match must agree.
        if (data_[c + best.length] == data_[pos + best.length]) {
            uint32_t n = matchLength(pos, uint32_t(pos - c), maxLength);
            if (n > best.length) {
                best = {n, uint32_t(pos - c)};
                if (n >= goodLength_ || n == maxLength) break;
            }
        }
        uint32_t next = chain_[c & WINDOW_MASK];
        if (next >= candidate) break;  // an entry from a position the window has left
        candidate = next;
    }
    if (best.length < MIN_LENGTH) best = {};
    return best;
}

uint32_t LzMatcher::pairDistance(size_t pos, uint32_t maxDistance) const
{
    if (pos + 1 >= size_) return 0;
    uint32_t last = pairs_[data_[pos] << 8 | data_[pos + 1]];
    if (!last || last - 1 >= pos) return 0;
    size_t distance = pos - (last - 1);
    return distance <= maxDistance ? uint32_t(distance) : 0;
}

} // namespace qm
