// CRC-32 against a plain bit-at-a-time reference: every length and alignment around the block
// sizes of the fast paths, running values carried across calls, and the standard check value.
#include "archive_test_support.h"

#include "assets/crc32.h"

#include <gtest/gtest.h>

namespace qm::test {
namespace {

uint32_t referenceUpdate(uint32_t crc, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ Crc32::POLYNOMIAL : crc >> 1;
    }
    return crc;
}

TEST(Crc32, CheckValue)
{
    const char* text = "123456789";
    EXPECT_EQ(Crc32::of(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32::of(nullptr, 0), 0u);
}

TEST(Crc32, EveryLengthAndAlignmentMatchesTheReference)
{
    Bytes data = randomData(4096 + 64, 40);
    std::mt19937 r(41);
    for (size_t offset = 0; offset < 16; ++offset)
        for (size_t length = 0; length <= 600; ++length) {
            uint32_t start = r();
            ASSERT_EQ(Crc32::update(start, data.data() + offset, length),
                      referenceUpdate(start, data.data() + offset, length))
                << "offset " << offset << " length " << length;
        }
    for (size_t length : {size_t(4096), size_t(4096 + 63), size_t(4096 + 64)})
        EXPECT_EQ(Crc32::of(data.data(), length), ~referenceUpdate(Crc32::INITIAL, data.data(), length));
}

TEST(Crc32, RunningValueAcrossPiecesEqualsOneCall)
{
    Bytes data = randomData(300000, 42);
    uint32_t whole = Crc32::of(data.data(), data.size());
    std::mt19937 r(43);
    uint32_t crc = Crc32::INITIAL;
    for (size_t at = 0; at < data.size();) {
        size_t n = std::min<size_t>(data.size() - at, r() % 5000);
        crc = Crc32::update(crc, data.data() + at, n);
        at += n;
    }
    EXPECT_EQ(~crc, whole);
}

} // namespace
} // namespace qm::test
