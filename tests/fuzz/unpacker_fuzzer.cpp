// libFuzzer target: the Unpacker on arbitrary packed data. The first four bytes choose the claimed
// size and flags; a second, solid member continues the state of the first.
#include "assets/unpacker.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

struct Input {
    const uint8_t* bytes;
    size_t left;
};

uint32_t readInput(void* context, uint8_t* destination, uint32_t count)
{
    Input* in = static_cast<Input*>(context);
    uint32_t n = count < in->left ? count : uint32_t(in->left);
    std::memcpy(destination, in->bytes, n);
    in->bytes += n;
    in->left -= n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 4) return 0;
    uint32_t claimed = (bytes[0] | bytes[1] << 8 | (bytes[2] & 0x0F) << 16) + 1;  // up to 1 MiB
    bool wanted = bytes[3] & 1;
    static std::unique_ptr<uint8_t[]> window(new uint8_t[qm::Unpacker::WINDOW_SIZE]);
    auto unpacker = std::make_unique<qm::Unpacker>(window.get());
    std::unique_ptr<uint8_t[]> output(new uint8_t[claimed]);
    Input in{bytes + 4, size - 4};
    size_t half = in.left / 2;
    Input first{in.bytes, half}, second{in.bytes + half, in.left - half};
    for (int member = 0; member < 2; ++member) {
        uint32_t produced = 0;
        qm::Unpacker::Member m;
        m.flags = member ? qm::Unpacker::FLAG_SOLID : 0;
        m.unpackedSize = claimed;
        m.wanted = wanted || member == 1;
        m.output = output.get();
        m.produced = &produced;
        m.read = &readInput;
        m.context = member ? &second : &first;
        unpacker->unpack(m);
        if (produced > claimed) __builtin_trap();
    }
    return 0;
}
