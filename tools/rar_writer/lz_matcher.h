// Finds earlier occurrences of the bytes at a position within the 1 MiB window (hash chains).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

class LzMatcher {
public:
    static constexpr uint32_t MAX_DISTANCE = 0xFFFFF;
    static constexpr uint32_t MIN_LENGTH = 3;

    struct Match {
        uint32_t length = 0;
        uint32_t distance = 0;
    };

    // data stays owned by the caller; effort 0 is the default search depth.
    LzMatcher(const uint8_t* data, size_t size, int effort);
    virtual ~LzMatcher() = default;

    // Enters every position below pos into the chains (positions are entered once, in order).
    void insertUpTo(size_t pos);
    // The longest match at pos (already entered up to pos) not running past end, preferring the nearest.
    Match longest(size_t pos, size_t end, uint32_t maxLength) const;
    // Distance of the last occurrence of the two bytes at pos within maxDistance, 0 if none.
    uint32_t pairDistance(size_t pos, uint32_t maxDistance) const;
    // Length of the match of pos against pos - distance, at most maxLength.
    uint32_t matchLength(size_t pos, uint32_t distance, uint32_t maxLength) const;

private:
    static constexpr uint32_t HASH_BITS = 17;
    static uint32_t hash3(const uint8_t* p) { return ((p[0] << 16 | p[1] << 8 | p[2]) * 2654435761u) >> (32 - HASH_BITS); }

    const uint8_t* data_;
    size_t size_;
    uint32_t chainDepth_;
    uint32_t goodLength_;
    size_t inserted_ = 0;
    std::vector<uint32_t> head_;   // last position + 1 for each hash
    std::vector<uint32_t> chain_;  // previous position + 1, by position in the window
    std::vector<uint32_t> pairs_;  // last position + 1 of each two-byte pair
};

} // namespace qm
