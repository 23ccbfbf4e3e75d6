#include "assets/crc32.h"

#include <array>

namespace qm {
namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

// Table 0 is the classic byte table; tables 1 to 7 let update() take eight bytes per step.
constexpr CrcTables buildTables()
{
    CrcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ Crc32::POLYNOMIAL : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr CrcTables TABLES = buildTables();

uint32_t load32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

} // namespace

uint32_t Crc32::update(uint32_t crc, const uint8_t* bytes, size_t count)
{
    while (count >= 8) {
        uint32_t lo = crc ^ load32(bytes);
        uint32_t hi = load32(bytes + 4);
        crc = TABLES[7][lo & 0xFF] ^ TABLES[6][(lo >> 8) & 0xFF] ^ TABLES[5][(lo >> 16) & 0xFF] ^
              TABLES[4][lo >> 24] ^ TABLES[3][hi & 0xFF] ^ TABLES[2][(hi >> 8) & 0xFF] ^
              TABLES[1][(hi >> 16) & 0xFF] ^ TABLES[0][hi >> 24];
        bytes += 8;
        count -= 8;
    }
    while (count--) crc = (crc >> 8) ^ TABLES[0][(crc ^ *bytes++) & 0xFF];
    return crc;
}

} // namespace qm
