// Collects a bit stream most significant bit first, as RAR 2.0 packed data is read.
#pragma once
#include <cstdint>
#include <vector>

namespace qm {

class BitWriter {
public:
    virtual ~BitWriter() = default;
    // Appends the low `bits` bits of value (at most 24), highest first.
    void put(uint32_t value, uint32_t bits);
    uint64_t bitCount() const { return uint64_t(bytes_.size()) * 8 + pending_; }
    // Pads the last byte with zero bits and hands the bytes over.
    std::vector<uint8_t> finish();

private:
    std::vector<uint8_t> bytes_;
    uint32_t accumulator_ = 0;
    uint32_t pending_ = 0;
};

} // namespace qm
