#include "tools/rar_writer/bit_writer.h"

namespace qm {

void BitWriter::put(uint32_t value, uint32_t bits)
{
    if (bits == 0) return;
    accumulator_ = (accumulator_ << bits) | (value & ((1u << bits) - 1));
    pending_ += bits;
    while (pending_ >= 8) {
        pending_ -= 8;
        bytes_.push_back(uint8_t(accumulator_ >> pending_));
    }
    accumulator_ &= (1u << pending_) - 1;
}

std::vector<uint8_t> BitWriter::finish()
{
    if (pending_) put(0, 8 - pending_);
    accumulator_ = 0;
    std::vector<uint8_t> out;
    out.swap(bytes_);
    return out;
}

} // namespace qm
