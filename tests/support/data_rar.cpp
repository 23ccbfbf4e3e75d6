// Test helpers: members packed into data.rar by the real archive writer, or adopted by a stream.
#include "tests/support/data_rar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qm::test {

void packDataRar(const std::vector<RarEntry>& entries)
{
    RarWriterOptions options;
    options.store = true;
    std::string error;
    ASSERT_TRUE(writeRarArchive("data.rar", entries, options, &error)) << error;
}

void adoptCopy(AssetStream& stream, const std::vector<uint8_t>& bytes)
{
    uint8_t* copy = new uint8_t[bytes.empty() ? 1 : bytes.size()];
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    stream.adopt(copy, uint32_t(bytes.size()));
}

} // namespace qm::test
