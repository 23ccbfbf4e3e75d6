// Extracts one named member of a RAR 2.0 archive file into a new buffer, checked by CRC-32.
#pragma once
#include <cstdint>

namespace qm {

class ArchiveReader {
public:
    // Largest unpacked size a header may claim; larger ones fail like an allocation failure.
    static constexpr uint32_t MAX_MEMBER_SIZE = 256u << 20;

    // On success (nonzero) *data receives a new[]-allocated buffer of the member, *size its length;
    // on failure both are set to 0. Names match ignoring ASCII case, with "\", "/" and "_" alike.
    // password may be null (same as empty).
    static int getMember(uint8_t** data, uint32_t* size, const char* memberName,
                         const char* archiveName, const char* password);
};

} // namespace qm
