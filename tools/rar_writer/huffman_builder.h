// Canonical Huffman codes of limited length from symbol counts, in the order RAR 2.0 assigns them.
#pragma once
#include "assets/rar20_format.h"

#include <cstdint>
#include <vector>

namespace qm {

class HuffmanBuilder {
public:
    static constexpr uint32_t MAX_BITS = rar20::MAX_CODE_BITS;

    // Code lengths (0 for unused symbols) of an optimal-or-near code no longer than maxBits.
    // A single used symbol gets length 1.
    static std::vector<uint8_t> lengths(const uint32_t* counts, uint32_t symbolCount,
                                        uint32_t maxBits = MAX_BITS);
    // Codes by increasing length, then increasing symbol value.
    static std::vector<uint16_t> codes(const std::vector<uint8_t>& lengths);
    // Bits the counted symbols take with these lengths.
    static uint64_t cost(const uint32_t* counts, const std::vector<uint8_t>& lengths);
};

} // namespace qm
