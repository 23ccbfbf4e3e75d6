#include "assets/archive_reader.h"

#include "assets/crc32.h"
#include "assets/rar20_format.h"
#include "assets/unpacker.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace qm {

using namespace rar20;

namespace {

// Our own alternative marker ("Quil" and the same tail), read exactly like the standard one.
constexpr uint8_t ALTERNATIVE_MARKER[7] = {0x51, 0x75, 0x69, 0x6C, 0x1A, 0x07, 0x00};
constexpr uint32_t MAIN_HEADER_SIZE = 13;
constexpr uint32_t FILE_HEADER_SIZE = 32;
constexpr uint32_t NAME_CAPACITY = 260;
constexpr uint8_t VERSION_MIN = 13;
constexpr uint8_t VERSION_MAX = 20;

ArchiveError lastFailure = ArchiveError::NONE;

uint32_t get16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t get32(const uint8_t* p) { return get16(p) | get16(p + 2) << 16; }

// The archive bytes: a buffered file or a block of memory, with sequential reads and seeks.
class ArchiveSource {
public:
    explicit ArchiveSource(FILE* file) : file_(file) { std::setvbuf(file_, nullptr, _IOFBF, 1 << 16); }
    ArchiveSource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    virtual ~ArchiveSource()
    {
        if (file_) std::fclose(file_);
    }

    uint32_t read(uint8_t* destination, uint32_t count)
    {
        if (file_) return uint32_t(std::fread(destination, 1, count, file_));
        size_t available = position_ < size_ ? size_ - position_ : 0;
        uint32_t n = count < available ? count : uint32_t(available);
        std::memcpy(destination, bytes_ + position_, n);
        position_ += n;
        return n;
    }
    bool seek(uint64_t offset)
    {
        if (file_) return fseeko(file_, off_t(offset), SEEK_SET) == 0;
        position_ = offset;
        return true;
    }
    uint64_t tell() const { return file_ ? uint64_t(ftello(file_)) : position_; }

private:
    FILE* file_ = nullptr;
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
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

// Names compare with "\" and "/" read as "_" and ASCII letters in upper case.
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

// The state of one extraction, from opening the archive to the verified member.
class Extraction {
public:
    explicit Extraction(ArchiveSource& source) : source_(source) {}
    virtual ~Extraction() { delete[] output_; }

    ArchiveError run(const char* wantedName, bool passwordGiven);
    // Hands the member buffer to the caller.
    uint8_t* release(uint32_t* size)
    {
        *size = produced_;
        uint8_t* data = output_;
        output_ = nullptr;
        return data;
    }
    ArchiveError openArchive();
    WalkResult walk(FileHeader& header);
    bool solid() const { return solid_; }
    uint64_t nextBlock() const { return nextBlockPosition_; }

private:
    ArchiveError extract(const FileHeader& header, bool wanted, bool passwordGiven);
    ArchiveError unpackMember(const FileHeader& header, bool wanted);
    static uint32_t readPacked(void* context, uint8_t* destination, uint32_t count);

    ArchiveSource& source_;
    bool solid_ = false;
    uint64_t blockPosition_ = 0;
    uint64_t nextBlockPosition_ = 0;
    std::unique_ptr<uint8_t[]> window_;
    std::unique_ptr<Unpacker> unpacker_;
    uint8_t* output_ = nullptr;
    uint32_t produced_ = 0;
    uint32_t packedLeft_ = 0;
};

// Steps 3 to 5: marker, main header, window.
ArchiveError Extraction::openArchive()
{
    uint8_t marker[7];
    if (source_.read(marker, 7) < 7) return ArchiveError::ARCHIVE_UNREADABLE;
    if (std::memcmp(marker, MARKER, 7) == 0 || std::memcmp(marker, ALTERNATIVE_MARKER, 7) == 0) {
        uint8_t main[MAIN_HEADER_SIZE];
        if (source_.read(main, MAIN_HEADER_SIZE) < MAIN_HEADER_SIZE) return ArchiveError::ARCHIVE_UNREADABLE;
        solid_ = (get16(main + 3) & MAIN_SOLID) != 0;
        uint32_t headerSize = get16(main + 5);
        // A main header claiming less than its fixed size is taken as the fixed size.
        if (headerSize > MAIN_HEADER_SIZE) source_.seek(source_.tell() + headerSize - MAIN_HEADER_SIZE);
    }
    return ArchiveError::NONE;
}

// Finds the next file header (or the sub-block that ends the search).
WalkResult Extraction::walk(FileHeader& header)
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

uint32_t Extraction::readPacked(void* context, uint8_t* destination, uint32_t count)
{
    Extraction* self = static_cast<Extraction*>(context);
    uint32_t n = count < self->packedLeft_ ? count : self->packedLeft_;
    n = n ? self->source_.read(destination, n) : 0;
    self->packedLeft_ -= n;
    return n;
}

ArchiveError Extraction::unpackMember(const FileHeader& header, bool wanted)
{
    if (!window_) {
        window_.reset(new (std::nothrow) uint8_t[Unpacker::WINDOW_SIZE]);
        if (window_) unpacker_.reset(new (std::nothrow) Unpacker(window_.get()));
        if (!window_ || !unpacker_) return ArchiveError::OUT_OF_MEMORY;
    }
    Unpacker::Member m;
    m.flags = header.flags;
    m.unpackedSize = header.info.unpackedSize;
    m.wanted = wanted;
    m.output = wanted ? output_ : nullptr;
    m.produced = &produced_;
    m.read = &Extraction::readPacked;
    m.context = this;
    unpacker_->unpack(m);
    return ArchiveError::NONE;
}

// Step 8: one member, the wanted one or (solid archives) one the wanted member builds on.
ArchiveError Extraction::extract(const FileHeader& header, bool wanted, bool passwordGiven)
{
    const ArchiveMemberInfo& info = header.info;
    if (info.version < VERSION_MIN || info.version > VERSION_MAX) return ArchiveError::UNSUPPORTED_VERSION;
    if (passwordGiven && (header.flags & FILE_ENCRYPTED)) return ArchiveError::ENCRYPTED;
    if (info.unpackedSize > ArchiveReader::MAX_MEMBER_SIZE) return ArchiveError::OUT_OF_MEMORY;
    packedLeft_ = info.packedSize;
    // The packed data starts after the whole header, whatever it carries after the name.
    source_.seek(blockPosition_ + header.headerSize);
    if (info.method == METHOD_STORE) {
        if (wanted) {
            uint32_t count = info.unpackedSize < info.packedSize ? info.unpackedSize : info.packedSize;
            produced_ = source_.read(output_, count);
        }
    } else {
        ArchiveError e = unpackMember(header, wanted);
        if (e != ArchiveError::NONE) return e;
    }
    if (!wanted) return ArchiveError::NONE;
    // Short data leaves the rest of the buffer, which the CRC still covers, as zeros.
    std::memset(output_ + produced_, 0, info.unpackedSize - produced_);
    if (Crc32::of(output_, info.unpackedSize) != info.fileCrc) return ArchiveError::CRC_MISMATCH;
    return ArchiveError::NONE;
}

// Steps 6 to 9: walk the blocks until the wanted member is extracted.
ArchiveError Extraction::run(const char* wantedName, bool passwordGiven)
{
    ArchiveError e = openArchive();
    if (e != ArchiveError::NONE) return e;
    FileHeader header;
    for (;;) {
        WalkResult w = walk(header);
        if (w == WalkResult::END) return ArchiveError::MEMBER_NOT_FOUND;
        if (w == WalkResult::BROKEN) return ArchiveError::BROKEN_HEADER;
        if (w == WalkResult::SUB_BLOCK) return ArchiveError::SUB_BLOCK;
        bool found = namesMatch(header.name, wantedName);
        if (found) {
            if (header.info.unpackedSize > ArchiveReader::MAX_MEMBER_SIZE) return ArchiveError::OUT_OF_MEMORY;
            output_ = new (std::nothrow) uint8_t[header.info.unpackedSize];
            produced_ = 0;
            if (!output_) return ArchiveError::OUT_OF_MEMORY;
        }
        if (found || (solid_ && header.info.method != METHOD_STORE)) {
            e = extract(header, found, passwordGiven);
            if (e != ArchiveError::NONE) return e;
        }
        if (found) return ArchiveError::NONE;
        source_.seek(nextBlockPosition_);
    }
}

int finish(Extraction& extraction, ArchiveError e, uint8_t** data, uint32_t* size)
{
    lastFailure = e;
    if (e != ArchiveError::NONE) return 0;
    uint32_t n = 0;
    uint8_t* bytes = extraction.release(&n);
    if (data) *data = bytes;
    else delete[] bytes;
    if (size) *size = n;
    return 1;
}

void clearResult(uint8_t** data, uint32_t* size)
{
    if (data) *data = nullptr;
    if (size) *size = 0;
}

int extractFrom(ArchiveSource& source, uint8_t** data, uint32_t* size, const char* memberName,
                const char* password)
{
    char wanted[NAME_CAPACITY];
    copyName(wanted, memberName);
    Extraction extraction(source);
    ArchiveError e = extraction.run(wanted, password && password[0]);
    return finish(extraction, e, data, size);
}

} // namespace

int ArchiveReader::getMember(uint8_t** data, uint32_t* size, const char* memberName,
                             const char* archiveName, const char* password)
{
    clearResult(data, size);
    FILE* file = archiveName ? std::fopen(archiveName, "rb") : nullptr;
    if (!file) {
        lastFailure = ArchiveError::ARCHIVE_MISSING;
        return 0;
    }
    ArchiveSource source(file);
    return extractFrom(source, data, size, memberName, password);
}

int ArchiveReader::getMemberFromMemory(uint8_t** data, uint32_t* size, const char* memberName,
                                       const uint8_t* archive, size_t archiveSize, const char* password)
{
    clearResult(data, size);
    ArchiveSource source(archive, archive ? archiveSize : 0);
    return extractFrom(source, data, size, memberName, password);
}

ArchiveError ArchiveReader::lastError() { return lastFailure; }

const char* ArchiveReader::errorText(ArchiveError error)
{
    switch (error) {
    case ArchiveError::NONE: return "no error";
    case ArchiveError::ARCHIVE_MISSING: return "archive missing or cannot be opened";
    case ArchiveError::ARCHIVE_UNREADABLE: return "archive unreadable (too short for its marker and main header)";
    case ArchiveError::BROKEN_HEADER: return "broken block header";
    case ArchiveError::MEMBER_NOT_FOUND: return "member not found";
    case ArchiveError::SUB_BLOCK: return "sub-block reached before the member";
    case ArchiveError::UNSUPPORTED_VERSION: return "unsupported version";
    case ArchiveError::ENCRYPTED: return "encrypted member";
    case ArchiveError::OUT_OF_MEMORY: return "out of memory or member too large";
    case ArchiveError::CRC_MISMATCH: return "CRC mismatch";
    }
    return "unknown error";
}

bool ArchiveReader::listMembers(const char* archiveName, std::vector<ArchiveMemberInfo>* members,
                                bool* solidArchive)
{
    FILE* file = archiveName ? std::fopen(archiveName, "rb") : nullptr;
    if (!file) return false;
    ArchiveSource source(file);
    Extraction walker(source);
    if (walker.openArchive() != ArchiveError::NONE) return false;
    if (solidArchive) *solidArchive = walker.solid();
    FileHeader header;
    for (;;) {
        WalkResult w = walker.walk(header);
        if (w == WalkResult::END) return true;
        if (w == WalkResult::BROKEN) return false;
        if (w == WalkResult::FILE_HEADER && members) members->push_back(header.info);
        source.seek(walker.nextBlock());
    }
}

} // namespace qm
