#include "tools/rar_writer/huffman_builder.h"

#include <algorithm>
#include <queue>

namespace qm {
namespace {

// Plain Huffman depths; returns the deepest.
uint32_t huffmanDepths(const std::vector<uint64_t>& weights, std::vector<uint8_t>& depths)
{
    struct Node { uint64_t weight; int left, right; };
    std::vector<Node> nodes;
    using Entry = std::pair<uint64_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap;
    std::vector<int> leafOf(weights.size(), -1);
    for (size_t s = 0; s < weights.size(); ++s) {
        if (!weights[s]) continue;
        leafOf[s] = int(nodes.size());
        nodes.push_back({weights[s], -1, -1});
        heap.push({weights[s], leafOf[s]});
    }
    while (heap.size() > 1) {
        Entry a = heap.top();
        heap.pop();
        Entry b = heap.top();
        heap.pop();
        nodes.push_back({a.first + b.first, a.second, b.second});
        heap.push({a.first + b.first, int(nodes.size()) - 1});
    }
    std::vector<uint8_t> nodeDepth(nodes.size(), 0);
    for (int i = int(nodes.size()) - 1; i >= 0; --i) {
        if (nodes[i].left < 0) continue;
        nodeDepth[nodes[i].left] = nodeDepth[nodes[i].right] = uint8_t(std::min(255, nodeDepth[i] + 1));
    }
    uint32_t deepest = 0;
    for (size_t s = 0; s < weights.size(); ++s) {
        depths[s] = leafOf[s] < 0 ? 0 : std::max<uint8_t>(1, nodeDepth[leafOf[s]]);
        deepest = std::max<uint32_t>(deepest, depths[s]);
    }
    return deepest;
}

} // namespace

std::vector<uint8_t> HuffmanBuilder::lengths(const uint32_t* counts, uint32_t symbolCount, uint32_t maxBits)
{
    std::vector<uint64_t> weights(counts, counts + symbolCount);
    std::vector<uint8_t> depths(symbolCount, 0);
    // Too deep: flatten the statistics and build again until the code fits.
    while (huffmanDepths(weights, depths) > maxBits)
        for (uint64_t& w : weights)
            if (w) w = (w >> 1) | 1;
    return depths;
}

std::vector<uint16_t> HuffmanBuilder::codes(const std::vector<uint8_t>& lengths)
{
    uint32_t count[MAX_BITS + 2] = {};
    for (uint8_t l : lengths) count[l]++;
    count[0] = 0;
    uint32_t next[MAX_BITS + 2] = {};
    uint32_t code = 0;
    for (uint32_t l = 1; l <= MAX_BITS; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    std::vector<uint16_t> out(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s]) out[s] = uint16_t(next[lengths[s]]++);
    return out;
}

uint64_t HuffmanBuilder::cost(const uint32_t* counts, const std::vector<uint8_t>& lengths)
{
    uint64_t bits = 0;
    for (size_t s = 0; s < lengths.size(); ++s) bits += uint64_t(counts[s]) * lengths[s];
    return bits;
}

} // namespace qm
