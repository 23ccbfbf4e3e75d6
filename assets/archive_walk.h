// The block walk of a RAR 2.0 archive as the saver's reader does it, shared by the reader and its
// member index: the archive bytes (a buffered file or memory), the marker and main header, the
// file headers in archive order, and the name matching.
#pragma once
#include "assets/archive_reader.h"
#include "assets/rar20_format.h"

#include <cstdint>
#include <cstdio>

namespace qm::archive_walk {

using rar20::FILE_HEADER_SIZE;
using rar20::MAIN_HEADER_SIZE;
constexpr uint32_t NAME_CAPACITY = 260;
constexpr uint8_t VERSION_MIN = 13;
constexpr uint8_t VERSION_MAX = 20;

inline uint32_t get16(const uint8_t* p) { return p[0] | p[1] << 8; }
inline uint32_t get32(const uint8_t* p) { return get16(p) | get16(p + 2) << 16; }

// The archive bytes: a buffered file (owned, closed with the source) or a block of memory.
class ArchiveSource {
public:
    explicit ArchiveSource(FILE* file);
    ArchiveSource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    virtual ~ArchiveSource();
    ArchiveSource(const ArchiveSource&) = delete;
    ArchiveSource& operator=(const ArchiveSource&) = delete;

    uint32_t read(uint8_t* destination, uint32_t count);
    bool seek(uint64_t offset);
    uint64_t tell() const;
    // Bytes in the archive (UINT64_MAX when the file's length cannot be known).
    uint64_t size() const { return size_; }

private:
    FILE* file_ = nullptr;
    const uint8_t* bytes_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

struct FileHeader {
    uint8_t type = 0;
    uint16_t flags = 0;
    uint32_t headerSize = 0;
    ArchiveMemberInfo info;
    char name[NAME_CAPACITY] = {};
};

enum class WalkResult { FILE_HEADER, SUB_BLOCK, END, BROKEN };

// The marker test, the main header and the walk from file header to file header.
class BlockWalker {
public:
    explicit BlockWalker(ArchiveSource& source) : source_(source) {}
    virtual ~BlockWalker() = default;

    // Marker and main header; any other 7 bytes start the walk right after them (not solid).
    ArchiveError openArchive();
    // The next file header (or the sub-block that ends the search); the source stands after the
    // name. The caller seeks to nextBlock() to go on.
    WalkResult walk(FileHeader& header);
    bool solid() const { return solid_; }
    uint64_t blockPosition() const { return blockPosition_; }
    uint64_t nextBlock() const { return nextBlockPosition_; }

private:
    ArchiveSource& source_;
    bool solid_ = false;
    uint64_t blockPosition_ = 0;
    uint64_t nextBlockPosition_ = 0;
};

// True when the 7 bytes are the standard marker or our alternative one.
bool isMarker(const uint8_t* bytes);

// Names compare with "\" and "/" read as "_" and ASCII letters in upper case; the key is the
// name so compared.
void normalizeName(const char* in, char* out, size_t capacity);
bool namesMatch(const char* stored, const char* wanted);
// A requested name as the reader holds it (at most 259 characters).
void copyName(char* destination, const char* source);

// The most bytes a member whose data starts at dataPosition can produce: the packed bytes really
// there (its packed size, cut at the end of the archive) when stored, those times the format's
// largest expansion when compressed.
uint64_t mostProducible(const ArchiveMemberInfo& info, uint64_t dataPosition, uint64_t archiveSize);
// The checks before a member is extracted, in the reader's order: version, encryption (only
// with a password), size cap. NONE when it may be extracted.
ArchiveError checkMember(const FileHeader& header, bool passwordGiven);

} // namespace qm::archive_walk
