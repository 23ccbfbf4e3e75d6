// The RAR 2.0 compressor: LZ77 over the 1 MiB window plus audio mode, Huffman-coded in table sets.
#pragma once
#include "tools/rar_writer/rar_writer.h"

#include <cstdint>
#include <vector>

namespace qm {

class Rar20Compressor {
public:
    // Packed data of every member, in order; in a solid set each member continues the one before.
    // An empty vector for a member means it could not be compressed and is stored instead.
    static std::vector<std::vector<uint8_t>> compressMembers(const std::vector<RarEntry>& entries,
                                                             const RarWriterOptions& options);
};

} // namespace qm
