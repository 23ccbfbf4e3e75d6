// Test helper: little-endian member contents built field by field.
#include "tests/support/byte_writer.h"

#include <cstring>

namespace qm::test {

ByteWriter& ByteWriter::u32(uint32_t v)
{
    for (int i = 0; i < 4; ++i) data.push_back(uint8_t(v >> (8 * i)));
    return *this;
}

ByteWriter& ByteWriter::f32(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
}

ByteWriter& ByteWriter::u32s(std::initializer_list<uint32_t> list)
{
    for (uint32_t v : list) u32(v);
    return *this;
}

ByteWriter& ByteWriter::floats(std::initializer_list<float> list)
{
    for (float f : list) f32(f);
    return *this;
}

} // namespace qm::test
