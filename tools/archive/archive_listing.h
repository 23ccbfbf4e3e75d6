// The archiver's strict reading of a RAR 2.0 archive's blocks: the marker, the main header and
// every block header checked against the file's length and their CRCs, so that quillmark-archive
// can say plainly what is wrong with a file. The saver's own reader keeps its lenient walk.
#pragma once
#include "assets/archive_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

struct ListedMember {
    ArchiveMemberInfo info;
    uint64_t dataPosition = 0;   // file offset of the packed data
    bool encrypted = false;
    bool continuesSolid = false; // flag 0x0010: continues the state of the member before
};

enum class ListingStatus {
    COMPLETE,     // every block read, up to the end of the file or an end-of-archive block
    SUB_BLOCK,    // stopped at a 0x77 sub-block, where the saver's reader stops too
    NOT_RAR,      // no RAR marker at the start
    TRUNCATED,    // a header or its data runs past the end of the file
    UNREADABLE,   // a header that cannot be right (size, type, CRC)
};

struct ArchiveListing {
    ListingStatus status = ListingStatus::COMPLETE;
    bool solid = false;
    std::vector<ListedMember> members;  // in archive order, up to where the listing stopped
    uint64_t stopPosition = 0;          // offset of the block the listing stopped at
    std::string detail;                 // what was wrong, for TRUNCATED and UNREADABLE

    // The first member the reader would take for name (its name matching), or null.
    const ListedMember* find(const std::string& name) const;
};

// The name as the reader compares it: up to its first NUL and at most 259 characters, "\" and "/"
// as "_", capitals.
std::string readerKey(const std::string& name);

// Reads the blocks of archive bytes held in memory.
ArchiveListing listArchive(const uint8_t* bytes, size_t size);
// Reads the blocks of an archive file; false with error set (the system's reason) when the file
// cannot be opened or read.
bool listArchiveFile(const std::string& path, ArchiveListing& listing, std::string& error);

} // namespace qm
