#include "assets/archive_index.h"

#include "assets/archive_walk.h"
#include "assets/crc32.h"
#include "assets/rar20_format.h"
#include "assets/unpacker.h"

#include <chrono>
#include <ctime>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>

namespace qm {

using namespace rar20;
using namespace archive_walk;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool ADDRESS_SANITIZER = true;
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

// The key a request and a stored name are compared by.
std::string keyOf(const char* name)
{
    char key[512];
    normalizeName(name, key, sizeof key);
    return key;
}

ArchiveError endErrorOf(WalkResult w)
{
    if (w == WalkResult::BROKEN) return ArchiveError::BROKEN_HEADER;
    if (w == WalkResult::SUB_BLOCK) return ArchiveError::SUB_BLOCK;
    return ArchiveError::MEMBER_NOT_FOUND;
}

} // namespace

ArchiveIndex::ArchiveIndex(FILE* file) : source_(std::make_unique<ArchiveSource>(file)) { readIndex(); }

ArchiveIndex::ArchiveIndex(const uint8_t* bytes, size_t size, uint64_t keptBudget)
    : source_(std::make_unique<ArchiveSource>(bytes, bytes ? size : 0)), keptBudget_(keptBudget)
{
    readIndex();
}

ArchiveIndex::~ArchiveIndex() = default;

// The whole block walk once, as every extraction would walk it, up to its end, a broken header
// or a sub-block. Only the first member of each name can ever be fetched.
void ArchiveIndex::readIndex()
{
    statistics_.indexReads++;
    BlockWalker walker(*source_);
    openError_ = walker.openArchive();
    if (openError_ != ArchiveError::NONE) return;
    solid_ = walker.solid();
    FileHeader header;
    for (;;) {
        WalkResult w = walker.walk(header);
        if (w != WalkResult::FILE_HEADER) {
            endError_ = endErrorOf(w);
            break;
        }
        Entry e;
        e.dataPosition = walker.blockPosition() + header.headerSize;
        e.info = std::move(header.info);
        e.check = checkMember(header, false);
        const uint32_t index = uint32_t(entries_.size());
        if (solid_ && e.info.method != METHOD_STORE && e.check != ArchiveError::NONE && firstPassFailure_ == SIZE_MAX)
            firstPassFailure_ = index;
        firstByKey_.emplace(keyOf(header.name), index);
        entries_.push_back(std::move(e));
        source_->seek(walker.nextBlock());
    }
    kept_.resize(entries_.size());
}

int ArchiveIndex::fail(ArchiveError error)
{
    lastError_ = error;
    return 0;
}

int ArchiveIndex::deliver(SharedBytes* bytes, uint32_t* size, SharedBytes delivered, uint32_t count)
{
    lastError_ = ArchiveError::NONE;
    if (bytes) *bytes = std::move(delivered);
    if (size) *size = count;
    return 1;
}

int ArchiveIndex::getMember(uint8_t** data, uint32_t* size, const char* memberName)
{
    if (data) *data = nullptr;
    if (size) *size = 0;
    SharedBytes bytes;
    uint32_t count = 0;
    if (!getShared(&bytes, &count, memberName)) return 0;
    uint8_t* copy = new (std::nothrow) uint8_t[count];
    if (!copy) return fail(ArchiveError::OUT_OF_MEMORY);
    if (count) std::memcpy(copy, bytes.get(), count);
    if (data) *data = copy;
    else delete[] copy;
    if (size) *size = count;
    return 1;
}

int ArchiveIndex::getShared(SharedBytes* bytes, uint32_t* size, const char* memberName)
{
    if (bytes) bytes->reset();
    if (size) *size = 0;
    statistics_.fetches++;
    if (openError_ != ArchiveError::NONE) return fail(openError_);
    char wanted[NAME_CAPACITY];
    copyName(wanted, memberName);
    auto found = firstByKey_.find(keyOf(wanted));
    if (found == firstByKey_.end()) {
        // A solid walk past every member would have stopped at one it cannot decode.
        if (solid_ && firstPassFailure_ != SIZE_MAX) return fail(entries_[firstPassFailure_].check);
        return fail(endError_);
    }
    const size_t i = found->second;
    const Entry& e = entries_[i];
    // The same checks, in the same order, as an extraction walking up to this member.
    if (solid_ && firstPassFailure_ < i) return fail(entries_[firstPassFailure_].check);
    if (e.info.unpackedSize > ArchiveReader::MAX_MEMBER_SIZE) return fail(ArchiveError::OUT_OF_MEMORY);
    if (e.check != ArchiveError::NONE) return fail(e.check);
    if (e.info.unpackedSize > mostProducible(e.info, e.dataPosition, source_->size()))
        return fail(ArchiveError::TRUNCATED_MEMBER);
    const Kept& k = kept_[i];
    if (k.present) {
        if (k.verdict != ArchiveError::NONE) return fail(k.verdict);
        return deliver(bytes, size, k.bytes, e.info.unpackedSize);
    }
    if (e.info.method == METHOD_STORE) return storedMember(i, bytes, size);
    return solid_ ? solidMember(i, bytes, size) : separateMember(i, bytes, size);
}

ArchiveError ArchiveIndex::verdictOf(const Entry& entry, const uint8_t* bytes, uint32_t produced) const
{
    if (produced < entry.info.unpackedSize) return ArchiveError::TRUNCATED_MEMBER;
    if (Crc32::of(bytes, entry.info.unpackedSize) != entry.info.fileCrc) return ArchiveError::CRC_MISMATCH;
    return ArchiveError::NONE;
}

int ArchiveIndex::storedMember(size_t i, SharedBytes* delivered, uint32_t* size)
{
    const Entry& e = entries_[i];
    std::shared_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[e.info.unpackedSize]);
    if (!bytes) return fail(ArchiveError::OUT_OF_MEMORY);
    source_->seek(e.dataPosition);
    const uint32_t produced = e.info.unpackedSize ? source_->read(bytes.get(), e.info.unpackedSize) : 0;
    ArchiveError verdict = verdictOf(e, bytes.get(), produced);
    if (verdict != ArchiveError::NONE) return fail(verdict);
    keepIfRoom(i, bytes);
    return deliver(delivered, size, std::move(bytes), e.info.unpackedSize);
}

// Members fetched whole are kept too while the budget allows, so that fetching one again (an
// engine sample for every car) costs nothing.
void ArchiveIndex::keepIfRoom(size_t i, const std::shared_ptr<uint8_t[]>& bytes)
{
    const uint32_t size = entries_[i].info.unpackedSize;
    if (kept_[i].present || keptBytes_ + size > keptBudget_) return;
    kept_[i].present = true;
    kept_[i].verdict = ArchiveError::NONE;
    kept_[i].bytes = bytes;
    keptBytes_ += size;
}

uint32_t ArchiveIndex::readPacked(void* context, uint8_t* destination, uint32_t count)
{
    ArchiveIndex* self = static_cast<ArchiveIndex*>(context);
    uint32_t n = count < self->packedLeft_ ? count : self->packedLeft_;
    n = n ? self->source_->read(destination, n) : 0;
    self->packedLeft_ -= n;
    return n;
}

// One block for the members a solid pass keeps, as large as they are together (within the
// budget): one allocation instead of one per member, in huge pages where the system has them, so
// that filling it costs few page faults.
void ArchiveIndex::makeArena()
{
    uint64_t total = 0;
    for (const Entry& e : entries_)
        if (e.info.method != METHOD_STORE && e.check == ArchiveError::NONE) total += e.info.unpackedSize;
    arenaSize_ = total < keptBudget_ ? total : keptBudget_;
    arenaUsed_ = 0;
    // Under AddressSanitizer every member keeps a buffer of its own, whose bounds it checks.
    if (ADDRESS_SANITIZER || arenaSize_ == 0) {
        arenaSize_ = 0;
        return;
    }
    void* block = mmap(nullptr, size_t(arenaSize_), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        arenaSize_ = 0;
        return;
    }
    madvise(block, size_t(arenaSize_), MADV_HUGEPAGE);
    const size_t length = size_t(arenaSize_);
    arena_ = std::shared_ptr<uint8_t[]>(static_cast<uint8_t*>(block), [length](uint8_t* p) { munmap(p, length); });
}

// A buffer for a member's bytes: a slice of the arena while it has room (sharing its lifetime),
// otherwise its own allocation; null when memory runs out.
std::shared_ptr<uint8_t[]> ArchiveIndex::memberBuffer(uint32_t size)
{
    if (arena_ && arenaUsed_ + size <= arenaSize_) {
        std::shared_ptr<uint8_t[]> slice(arena_, arena_.get() + arenaUsed_);
        arenaUsed_ += (uint64_t(size) + 15) & ~uint64_t(15);
        return slice;
    }
    return std::shared_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]);
}

// A decoder as a fresh extraction has it (the window zeroed rather than left as allocated).
void ArchiveIndex::freshUnpacker()
{
    if (!window_) window_.reset(new uint8_t[Unpacker::WINDOW_SIZE]);
    std::memset(window_.get(), 0, Unpacker::WINDOW_SIZE);
    unpacker_ = std::make_unique<Unpacker>(window_.get());
}

// Decodes member i from the decoder's state; keep (when given) receives what a fetch of it gives.
// Collecting the output leaves the decoder's state as passing over the member would: an output
// can only overflow in the final flush, after the last symbol.
void ArchiveIndex::decode(size_t i, Kept* keep, bool continueState)
{
    const Entry& e = entries_[i];
    if (!unpacker_ || (!continueState && (e.info.flags & FILE_SOLID))) freshUnpacker();
    std::shared_ptr<uint8_t[]> bytes;
    if (keep) bytes = memberBuffer(e.info.unpackedSize);
    uint32_t produced = 0;
    Unpacker::Member m;
    m.flags = e.info.flags;
    m.unpackedSize = e.info.unpackedSize;
    m.wanted = bytes != nullptr;
    m.output = bytes.get();
    m.produced = &produced;
    m.read = &ArchiveIndex::readPacked;
    m.context = this;
    packedLeft_ = e.info.packedSize;
    source_->seek(e.dataPosition);
    unpacker_->unpack(m);
    statistics_.bytesDecoded += e.info.unpackedSize;
    // Without a buffer nothing is kept: a later fetch decodes the member again.
    if (!keep || !bytes) return;
    keep->present = true;
    keep->verdict = verdictOf(e, bytes.get(), produced);
    if (keep->verdict == ArchiveError::NONE) keep->bytes = std::move(bytes);
}

// A member of an archive without the solid flag: decoded alone, as an extraction would.
int ArchiveIndex::separateMember(size_t i, SharedBytes* delivered, uint32_t* size)
{
    Kept result;
    decode(i, &result, false);
    if (!result.present) return fail(ArchiveError::OUT_OF_MEMORY);
    if (result.verdict != ArchiveError::NONE) return fail(result.verdict);
    keepIfRoom(i, result.bytes);
    return deliver(delivered, size, std::move(result.bytes), entries_[i].info.unpackedSize);
}

// Decodes on from the last member passed up to member i, keeping what fits the budget.
void ArchiveIndex::passTo(size_t i)
{
    if (passed_ > i) {
        // Member i was passed without being kept: begin again at the first member.
        statistics_.solidPasses++;
        unpacker_.reset();
        passed_ = 0;
    } else if (passed_ == 0) {
        statistics_.solidPasses++;
        if (!arena_) makeArena();
    }
    for (size_t j = passed_; j <= i; ++j) {
        const Entry& e = entries_[j];
        passed_ = j + 1;
        if (e.info.method == METHOD_STORE) continue;
        Kept& k = kept_[j];
        const bool producible = e.info.unpackedSize <= mostProducible(e.info, e.dataPosition, source_->size());
        const bool keep = !k.present && producible && (j == i || keptBytes_ + e.info.unpackedSize <= keptBudget_);
        decode(j, keep ? &k : nullptr, true);
        if (keep && k.bytes) keptBytes_ += e.info.unpackedSize;
    }
    // Past the last member the decoder's state is needed only to begin again.
    if (passed_ == entries_.size()) {
        unpacker_.reset();
        window_.reset();
    }
}

// A kept member is handed out itself, shared with the cache: no copy, no new buffer.
int ArchiveIndex::solidMember(size_t i, SharedBytes* delivered, uint32_t* size)
{
    if (!kept_[i].present) passTo(i);
    Kept& k = kept_[i];
    if (!k.present) return fail(ArchiveError::OUT_OF_MEMORY);
    if (k.verdict != ArchiveError::NONE) return fail(k.verdict);
    const uint32_t count = entries_[i].info.unpackedSize;
    if (keptBytes_ <= keptBudget_) return deliver(delivered, size, k.bytes, count);
    // Beyond the budget the member is handed out and not kept.
    keptBytes_ -= count;
    k.present = false;
    return deliver(delivered, size, std::move(k.bytes), count);
}

bool ArchiveIndex::sameWalk(const ArchiveIndex& other) const
{
    if (openError_ != other.openError_ || endError_ != other.endError_ || solid_ != other.solid_ ||
        entries_.size() != other.entries_.size())
        return false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& a = entries_[i];
        const Entry& b = other.entries_[i];
        if (a.dataPosition != b.dataPosition || a.info.name != b.info.name || a.info.packedSize != b.info.packedSize ||
            a.info.unpackedSize != b.info.unpackedSize || a.info.fileCrc != b.info.fileCrc ||
            a.info.flags != b.info.flags || a.info.version != b.info.version || a.info.method != b.info.method)
            return false;
    }
    return true;
}

// --- The shared index -------------------------------------------------------------------------

namespace {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileIdentity& o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

FileIdentity identityOf(const struct stat& s)
{
    FileIdentity id;
    id.device = s.st_dev;
    id.inode = s.st_ino;
    id.size = s.st_size;
    id.modified = s.st_mtim;
    id.changed = s.st_ctim;
    return id;
}

// A file modified this close to the moment its index was read could be written again within
// the same file-system time tick, keeping size and times: such an index is checked on every use.
constexpr int64_t RACY_NANOSECONDS = 100'000'000;

int64_t nanosecondsOf(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

int64_t wallClockNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanosecondsOf(now);
}

struct SharedIndex {
    std::unique_ptr<ArchiveIndex> index;
    FileIdentity identity;
    int64_t verifiedAt = 0;  // wall-clock time the index was last known to match the file
    ArchiveIndex::Statistics statistics;

    bool racy() const
    {
        return verifiedAt - nanosecondsOf(identity.modified) < RACY_NANOSECONDS;
    }
};

SharedIndex& shared()
{
    static SharedIndex s;
    return s;
}

// The index of the file now at path, read again when the file is another one.
ArchiveIndex* currentIndex(const char* path)
{
    SharedIndex& s = shared();
    struct stat now;
    if (!path || stat(path, &now) != 0) {
        s.index.reset();
        return nullptr;
    }
    if (s.index && s.identity == identityOf(now) && !s.racy()) return s.index.get();
    const int64_t openedAt = wallClockNow();
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        s.index.reset();
        return nullptr;
    }
    struct stat opened;
    if (fstat(fileno(file), &opened) != 0) {
        std::fclose(file);
        s.index.reset();
        return nullptr;
    }
    auto fresh = std::make_unique<ArchiveIndex>(file);
    s.statistics.indexReads++;
    const bool same = s.index && s.identity == identityOf(opened) && s.index->sameWalk(*fresh);
    // The same file with an unchanged walk keeps its index and the members decoded so far.
    if (!same) s.index = std::move(fresh);
    s.identity = identityOf(opened);
    s.verifiedAt = openedAt;
    return s.index.get();
}

} // namespace

int ArchiveIndex::getSharedMember(SharedBytes* bytes, uint32_t* size, const char* memberName, const char* archivePath)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    timespec processorStart{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &processorStart);
    if (bytes) bytes->reset();
    if (size) *size = 0;
    SharedIndex& s = shared();
    ArchiveIndex* index = currentIndex(archivePath);
    int ok = 0;
    if (!index) {
        ArchiveReader::noteError(ArchiveError::ARCHIVE_MISSING);
    } else {
        const Statistics before = index->statistics_;
        ok = index->getShared(bytes, size, memberName);
        ArchiveReader::noteError(index->lastError());
        s.statistics.solidPasses += index->statistics_.solidPasses - before.solidPasses;
        s.statistics.bytesDecoded += index->statistics_.bytesDecoded - before.bytesDecoded;
    }
    s.statistics.fetches++;
    s.statistics.seconds += std::chrono::duration<double>(Clock::now() - start).count();
    timespec processorEnd{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &processorEnd);
    s.statistics.processorSeconds += double(nanosecondsOf(processorEnd) - nanosecondsOf(processorStart)) * 1e-9;
    return ok;
}

void ArchiveIndex::forgetShared() { shared().index.reset(); }

ArchiveIndex::Statistics& ArchiveIndex::sharedStatistics() { return shared().statistics; }

} // namespace qm
