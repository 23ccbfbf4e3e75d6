// Extracts one named member of a RAR 2.0 archive file into a new buffer, checked by CRC-32.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Why the last getMember call failed (NONE after a success).
enum class ArchiveError {
    NONE,
    ARCHIVE_MISSING,      // the file cannot be opened
    ARCHIVE_UNREADABLE,   // shorter than a marker, or a marker without its main header
    BROKEN_HEADER,        // a block header with a size below 7 or a next block not beyond it
    MEMBER_NOT_FOUND,     // the walk reached the end of the archive
    SUB_BLOCK,            // a 0x77 sub-block came before the member
    UNSUPPORTED_VERSION,  // version needed to extract outside 13 to 20
    ENCRYPTED,            // encrypted member and a password was given (no decryption)
    OUT_OF_MEMORY,        // window or member buffer not allocated (or a size above MAX_MEMBER_SIZE)
    TRUNCATED_MEMBER,     // fewer bytes produced than the unpacked size (or more than the data can give)
    CRC_MISMATCH,         // the member's bytes do not match its CRC-32
};

// One member's header as the block walk sees it.
struct ArchiveMemberInfo {
    std::string name;
    uint32_t packedSize = 0;
    uint32_t unpackedSize = 0;
    uint32_t fileCrc = 0;
    uint16_t flags = 0;
    uint8_t version = 0;
    uint8_t method = 0;
    uint8_t hostOs = 0;
};

class ArchiveReader {
public:
    // Largest unpacked size a header may claim; larger ones fail like an allocation failure.
    static constexpr uint32_t MAX_MEMBER_SIZE = 256u << 20;

    // On success (nonzero) *data receives a new[]-allocated buffer of the member, *size its length;
    // on failure both are set to 0. Names match ignoring ASCII case, with "\", "/" and "_" alike.
    // password may be null (same as empty).
    static int getMember(uint8_t** data, uint32_t* size, const char* memberName,
                         const char* archiveName, const char* password);
    // The same extraction from archive bytes already in memory (fuzzing, tests).
    static int getMemberFromMemory(uint8_t** data, uint32_t* size, const char* memberName,
                                   const uint8_t* archive, size_t archiveSize, const char* password);

    // The reason of the last failure of getMember, getMemberFromMemory or a shared-index fetch
    // (ArchiveIndex, which notes its results here).
    static ArchiveError lastError();
    static void noteError(ArchiveError error);
    static const char* errorText(ArchiveError error);

    // The file headers in archive order, walked as getMember walks them (up to a sub-block or the end).
    // True when the walk reached the end of the archive cleanly.
    static bool listMembers(const char* archiveName, std::vector<ArchiveMemberInfo>* members,
                            bool* solidArchive);
};

} // namespace qm
