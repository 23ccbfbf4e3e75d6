#include "assets/archive_walk.h"

#include "assets/rar20_format.h"
#include "assets/unpacker.h"

#include <cstring>
#include <sys/stat.h>

namespace qm::archive_walk {

using namespace rar20;

ArchiveSource::ArchiveSource(FILE* file) : file_(file)
{
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
    struct stat info {};
    size_ = fstat(fileno(file_), &info) == 0 && S_ISREG(info.st_mode) ? uint64_t(info.st_size) : UINT64_MAX;
}

ArchiveSource::~ArchiveSource()
{
    if (file_) std::fclose(file_);
}

uint32_t ArchiveSource::read(uint8_t* destination, uint32_t count)
{
    if (file_) return uint32_t(std::fread(destination, 1, count, file_));
    size_t available = position_ < size_ ? size_ - position_ : 0;
    uint32_t n = count < available ? count : uint32_t(available);
    if (n) std::memcpy(destination, bytes_ + position_, n);
    position_ += n;
    return n;
}

bool ArchiveSource::seek(uint64_t offset)
{
    if (file_) return fseeko(file_, off_t(offset), SEEK_SET) == 0;
    position_ = offset;
    return true;
}

uint64_t ArchiveSource::tell() const { return file_ ? uint64_t(ftello(file_)) : position_; }

bool isMarker(const uint8_t* bytes)
{
    return std::memcmp(bytes, MARKER, 7) == 0 || std::memcmp(bytes, ALTERNATIVE_MARKER, 7) == 0;
}

// Steps 3 to 5 of an extraction: marker and main header.
ArchiveError BlockWalker::openArchive()
{
    uint8_t marker[7];
    if (source_.read(marker, 7) < 7) return ArchiveError::ARCHIVE_UNREADABLE;
    if (isMarker(marker)) {
        uint8_t main[MAIN_HEADER_SIZE];
        if (source_.read(main, MAIN_HEADER_SIZE) < MAIN_HEADER_SIZE) return ArchiveError::ARCHIVE_UNREADABLE;
        solid_ = (get16(main + 3) & MAIN_SOLID) != 0;
        uint32_t headerSize = get16(main + 5);
        // A main header claiming less than its fixed size is taken as the fixed size.
        if (headerSize > MAIN_HEADER_SIZE) source_.seek(source_.tell() + headerSize - MAIN_HEADER_SIZE);
    }
    return ArchiveError::NONE;
}

WalkResult BlockWalker::walk(FileHeader& header)
{
    uint8_t fixed[FILE_HEADER_SIZE];
    for (;;) {
        blockPosition_ = source_.tell();
        std::memset(fixed, 0, sizeof fixed);
        uint32_t got = source_.read(fixed, FILE_HEADER_SIZE);
        if (got == 0) return WalkResult::END;
        uint8_t type = fixed[2];
        uint16_t flags = uint16_t(get16(fixed + 3));
        uint32_t headerSize = get16(fixed + 5);
        uint32_t added = (flags & FLAG_LONG_BLOCK) ? get32(fixed + 7) : 0;
        if (headerSize < 7) return WalkResult::BROKEN;
        nextBlockPosition_ = blockPosition_ + headerSize + added;
        if (type == TYPE_SUB_BLOCK) {
            source_.seek(blockPosition_);
            return WalkResult::SUB_BLOCK;
        }
        if (type != TYPE_FILE) {
            source_.seek(nextBlockPosition_);
            continue;
        }
        header = FileHeader{};
        header.type = type;
        header.flags = flags;
        header.headerSize = headerSize;
        header.info.packedSize = get32(fixed + 7);
        header.info.unpackedSize = get32(fixed + 11);
        header.info.hostOs = fixed[15];
        header.info.fileCrc = get32(fixed + 16);
        header.info.version = fixed[24];
        header.info.method = fixed[25];
        header.info.flags = flags;
        uint32_t nameSize = get16(fixed + 26);
        uint32_t kept = nameSize < NAME_CAPACITY - 1 ? nameSize : NAME_CAPACITY - 1;
        uint32_t nameGot = source_.read(reinterpret_cast<uint8_t*>(header.name), kept);
        header.name[nameGot] = 0;
        header.info.name.assign(header.name, nameGot);
        return WalkResult::FILE_HEADER;
    }
}

void normalizeName(const char* in, char* out, size_t capacity)
{
    size_t i = 0;
    for (; in[i] && i + 1 < capacity; ++i) {
        char c = in[i];
        if (c == '\\' || c == '/') c = '_';
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        out[i] = c;
    }
    out[i] = 0;
}

bool namesMatch(const char* stored, const char* wanted)
{
    char a[512], b[512];
    normalizeName(stored, a, sizeof a);
    normalizeName(wanted, b, sizeof b);
    return std::strcmp(a, b) == 0;
}

void copyName(char* destination, const char* source)
{
    std::strncpy(destination, source ? source : "", NAME_CAPACITY - 1);
    destination[NAME_CAPACITY - 1] = 0;
}

uint64_t mostProducible(const ArchiveMemberInfo& info, uint64_t dataPosition, uint64_t archiveSize)
{
    const uint64_t there = dataPosition < archiveSize ? archiveSize - dataPosition : 0;
    const uint64_t packed = info.packedSize < there ? info.packedSize : there;
    if (info.method == METHOD_STORE) return packed;
    // The decoder stops once the packed bits are used up; one more byte covers a last symbol.
    return (packed + 1) * Unpacker::MAX_EXPANSION;
}

ArchiveError checkMember(const FileHeader& header, bool passwordGiven)
{
    const ArchiveMemberInfo& info = header.info;
    if (info.version < VERSION_MIN || info.version > VERSION_MAX) return ArchiveError::UNSUPPORTED_VERSION;
    if (passwordGiven && (header.flags & FILE_ENCRYPTED)) return ArchiveError::ENCRYPTED;
    if (info.unpackedSize > ArchiveReader::MAX_MEMBER_SIZE) return ArchiveError::OUT_OF_MEMORY;
    return ArchiveError::NONE;
}

} // namespace qm::archive_walk
