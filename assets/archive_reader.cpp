#include "assets/archive_reader.h"

#include "assets/archive_walk.h"
#include "assets/crc32.h"
#include "assets/rar20_format.h"
#include "assets/unpacker.h"

#include <cstdio>
#include <memory>
#include <new>

namespace qm {

using namespace rar20;
using namespace archive_walk;

namespace {

ArchiveError lastFailure = ArchiveError::NONE;

// The state of one extraction, from opening the archive to the verified member.
class Extraction {
public:
    explicit Extraction(ArchiveSource& source) : source_(source), walker_(source) {}
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

private:
    ArchiveError extract(const FileHeader& header, bool wanted, bool passwordGiven);
    ArchiveError unpackMember(const FileHeader& header, bool wanted);
    static uint32_t readPacked(void* context, uint8_t* destination, uint32_t count);

    ArchiveSource& source_;
    BlockWalker walker_;
    std::unique_ptr<uint8_t[]> window_;
    std::unique_ptr<Unpacker> unpacker_;
    uint8_t* output_ = nullptr;
    uint32_t produced_ = 0;
    uint32_t packedLeft_ = 0;
};

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
    ArchiveError e = checkMember(header, passwordGiven);
    if (e != ArchiveError::NONE) return e;
    // The packed data starts after the whole header, whatever it carries after the name.
    const uint64_t dataPosition = walker_.blockPosition() + header.headerSize;
    if (wanted) {
        // A member that cannot produce its unpacked size fails without a buffer for that size.
        if (info.unpackedSize > mostProducible(info, dataPosition, source_.size()))
            return ArchiveError::TRUNCATED_MEMBER;
        output_ = new (std::nothrow) uint8_t[info.unpackedSize];
        produced_ = 0;
        if (!output_) return ArchiveError::OUT_OF_MEMORY;
    }
    packedLeft_ = info.packedSize;
    source_.seek(dataPosition);
    if (info.method == METHOD_STORE) {
        if (wanted) {
            uint32_t count = info.unpackedSize < info.packedSize ? info.unpackedSize : info.packedSize;
            produced_ = source_.read(output_, count);
        }
    } else {
        e = unpackMember(header, wanted);
        if (e != ArchiveError::NONE) return e;
    }
    if (!wanted) return ArchiveError::NONE;
    if (produced_ < info.unpackedSize) return ArchiveError::TRUNCATED_MEMBER;
    if (Crc32::of(output_, info.unpackedSize) != info.fileCrc) return ArchiveError::CRC_MISMATCH;
    return ArchiveError::NONE;
}

// Steps 6 to 9: walk the blocks until the wanted member is extracted.
ArchiveError Extraction::run(const char* wantedName, bool passwordGiven)
{
    ArchiveError e = walker_.openArchive();
    if (e != ArchiveError::NONE) return e;
    FileHeader header;
    for (;;) {
        WalkResult w = walker_.walk(header);
        if (w == WalkResult::END) return ArchiveError::MEMBER_NOT_FOUND;
        if (w == WalkResult::BROKEN) return ArchiveError::BROKEN_HEADER;
        if (w == WalkResult::SUB_BLOCK) return ArchiveError::SUB_BLOCK;
        bool found = namesMatch(header.name, wantedName);
        // The member buffer is asked for before the version is looked at.
        if (found && header.info.unpackedSize > ArchiveReader::MAX_MEMBER_SIZE) return ArchiveError::OUT_OF_MEMORY;
        if (found || (walker_.solid() && header.info.method != METHOD_STORE)) {
            e = extract(header, found, passwordGiven);
            if (e != ArchiveError::NONE) return e;
        }
        if (found) return ArchiveError::NONE;
        source_.seek(walker_.nextBlock());
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

void ArchiveReader::noteError(ArchiveError error) { lastFailure = error; }

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
    case ArchiveError::TRUNCATED_MEMBER: return "truncated member (fewer bytes than its unpacked size)";
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
    BlockWalker walker(source);
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
