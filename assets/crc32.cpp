#include "assets/crc32.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#define QM_CRC_FOLDING 1
#endif

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

uint32_t updateByTables(uint32_t crc, const uint8_t* bytes, size_t count)
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

#if QM_CRC_FOLDING

// Carry-less multiplication folds 16-byte blocks of the data into one 128-bit remainder, four
// streams at a time; the table code then reduces those 16 bytes (its own step multiplies by x^32).
// In the reflected order the low half of a block holds the higher powers of x. Folding a block
// forward by F bits multiplies the low half by x^(F+64) and the high half by x^F; each constant is
// one power lower because a product of reflected values comes out one bit short.
constexpr uint64_t foldConstant(uint32_t exponent)
{
    uint32_t v = 0x80000000u;  // x^0, reflected
    for (uint32_t i = 0; i < exponent; ++i) v = (v >> 1) ^ ((v & 1) ? Crc32::POLYNOMIAL : 0);
    return uint64_t(v) << 32;
}

constexpr uint64_t FOLD_512_LOW = foldConstant(512 + 63), FOLD_512_HIGH = foldConstant(512 - 1);
constexpr uint64_t FOLD_128_LOW = foldConstant(128 + 63), FOLD_128_HIGH = foldConstant(128 - 1);
constexpr size_t FOLD_MINIMUM = 64;

[[gnu::target("pclmul,sse2")]] inline __m128i fold(__m128i x, __m128i constants)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(x, constants, 0x00), _mm_clmulepi64_si128(x, constants, 0x11));
}

[[gnu::target("pclmul,sse2")]] inline __m128i load128(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// At least FOLD_MINIMUM bytes: folds all whole 16-byte blocks, leaves the rest to the tables.
[[gnu::target("pclmul,sse2")]] uint32_t updateByFolding(uint32_t crc, const uint8_t* bytes, size_t count)
{
    const __m128i by512 = _mm_set_epi64x(int64_t(FOLD_512_HIGH), int64_t(FOLD_512_LOW));
    const __m128i by128 = _mm_set_epi64x(int64_t(FOLD_128_HIGH), int64_t(FOLD_128_LOW));
    __m128i x[4];
    for (int k = 0; k < 4; ++k) x[k] = load128(bytes + 16 * k);
    x[0] = _mm_xor_si128(x[0], _mm_cvtsi32_si128(int32_t(crc)));
    bytes += 64;
    count -= 64;
    for (; count >= 64; bytes += 64, count -= 64)
        for (int k = 0; k < 4; ++k) x[k] = _mm_xor_si128(fold(x[k], by512), load128(bytes + 16 * k));
    __m128i s = x[0];
    for (int k = 1; k < 4; ++k) s = _mm_xor_si128(fold(s, by128), x[k]);
    for (; count >= 16; bytes += 16, count -= 16) s = _mm_xor_si128(fold(s, by128), load128(bytes));
    uint8_t remainder[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(remainder), s);
    return updateByTables(updateByTables(0, remainder, 16), bytes, count);
}

bool foldingAvailable()
{
    static const bool available = (__builtin_cpu_init(), __builtin_cpu_supports("pclmul") != 0);
    return available;
}

#endif

} // namespace

uint32_t Crc32::update(uint32_t crc, const uint8_t* bytes, size_t count)
{
#if QM_CRC_FOLDING
    if (count >= FOLD_MINIMUM && foldingAvailable()) return updateByFolding(crc, bytes, count);
#endif
    return updateByTables(crc, bytes, count);
}

} // namespace qm
