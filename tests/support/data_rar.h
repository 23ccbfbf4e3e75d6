// Test helpers: members handed to the loaders, packed into data.rar by the real archive writer or
// adopted by a stream as if fetched.
#pragma once
#include "assets/asset_stream.h"
#include "tools/rar_writer/rar_writer.h"

#include <cstdint>
#include <vector>

namespace qm::test {

// Packs the entries (stored) into data.rar in the current directory; a failure fails the test.
void packDataRar(const std::vector<RarEntry>& entries);

// Gives the stream its own heap copy of the bytes, exactly as long as they are.
void adoptCopy(AssetStream& stream, const std::vector<uint8_t>& bytes);

} // namespace qm::test
