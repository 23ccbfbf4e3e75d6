// CRC-32 (reflected, polynomial 0xEDB88320) as RAR archives use it for members and headers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qm {

class Crc32 {
public:
    static constexpr uint32_t POLYNOMIAL = 0xEDB88320u;
    static constexpr uint32_t INITIAL = 0xFFFFFFFFu;

    // Continues a running (not yet complemented) CRC over count bytes.
    static uint32_t update(uint32_t crc, const uint8_t* bytes, size_t count);
    // The finished CRC-32 of a whole buffer.
    static uint32_t of(const uint8_t* bytes, size_t count) { return ~update(INITIAL, bytes, count); }
};

} // namespace qm
