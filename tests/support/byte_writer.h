// Test helper: little-endian member contents (meshes and the like) built field by field.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qm::test {

struct ByteWriter {
    std::vector<uint8_t> data;

    ByteWriter& u32(uint32_t v);
    ByteWriter& f32(float f);
    ByteWriter& u32s(std::initializer_list<uint32_t> list);
    ByteWriter& floats(std::initializer_list<float> list);
};

} // namespace qm::test
