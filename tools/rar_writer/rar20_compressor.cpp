#include "tools/rar_writer/rar20_compressor.h"

namespace qm {

std::vector<std::vector<uint8_t>> Rar20Compressor::compressMembers(const std::vector<RarEntry>& entries,
                                                                   const RarWriterOptions&)
{
    return std::vector<std::vector<uint8_t>>(entries.size());
}

} // namespace qm
