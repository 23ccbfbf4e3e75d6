// An archive read once for many fetches: its block walk kept as a member index (a missing name
// costs one look-up), the members fetched kept for later fetches, and for a solid archive the
// decoder state and the members decoded on the way kept too, so that fetches in any order decode
// the archive at most once. Every fetch gives exactly what ArchiveReader::getMember gives for the
// same archive bytes.
#pragma once
#include "assets/archive_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

namespace archive_walk {
class ArchiveSource;
}
class Unpacker;

class ArchiveIndex {
public:
    // Member bytes that may be shared with the index's cache: read them, never write them.
    using SharedBytes = std::shared_ptr<const uint8_t[]>;

    struct Statistics {
        uint32_t fetches = 0;        // getMember calls
        uint32_t indexReads = 0;     // block walks read (one per archive opened)
        uint32_t solidPasses = 0;    // solid decodes begun at the first member
        uint64_t bytesDecoded = 0;   // unpacked bytes of the compressed members decoded
        double seconds = 0;          // time spent fetching (the shared index only)
        double processorSeconds = 0; // processor time of this thread spent fetching (likewise)
    };

    // Members kept for later fetches, at most this many bytes in all; beyond it a fetch extracts
    // again (in a solid archive, decoding again from the first member).
    static constexpr uint64_t KEPT_BYTES_BUDGET = uint64_t(64) << 20;

    // Over an open archive file (owned, kept open) or archive bytes in memory (not copied);
    // keptBudget replaces KEPT_BYTES_BUDGET (tests).
    explicit ArchiveIndex(FILE* file);
    ArchiveIndex(const uint8_t* bytes, size_t size, uint64_t keptBudget = KEPT_BYTES_BUDGET);
    virtual ~ArchiveIndex();
    ArchiveIndex(const ArchiveIndex&) = delete;
    ArchiveIndex& operator=(const ArchiveIndex&) = delete;

    // As ArchiveReader::getMember with an empty password (the bytes are the caller's own copy).
    int getMember(uint8_t** data, uint32_t* size, const char* memberName);
    // The same, handing out a kept member of a solid archive itself instead of a copy.
    int getShared(SharedBytes* bytes, uint32_t* size, const char* memberName);
    ArchiveError lastError() const { return lastError_; }
    // True when both archives walk alike: the same members with the same headers at the same places.
    bool sameWalk(const ArchiveIndex& other) const;
    const Statistics& statistics() const { return statistics_; }

    // The process-wide index used by AssetStream::fetch: the archive at archivePath is indexed on
    // first use and again whenever the path names another file or the file's size, modification
    // or change time differ. While the file is so new that a rewrite could keep its times, every
    // fetch walks its headers again and compares. The last error goes to ArchiveReader::lastError.
    static int getSharedMember(SharedBytes* bytes, uint32_t* size, const char* memberName, const char* archivePath);
    // Drops the shared index and closes its file (tests; after rewriting the archive in place).
    static void forgetShared();
    // Counters over every shared fetch since the process began or the last reset.
    static Statistics& sharedStatistics();

private:
    struct Entry {
        uint64_t dataPosition = 0;
        ArchiveMemberInfo info;
        ArchiveError check = ArchiveError::NONE;  // the checks before extraction
    };
    // A member of a solid archive as its fetch would give it, kept once decoded.
    struct Kept {
        bool present = false;
        ArchiveError verdict = ArchiveError::NONE;
        std::shared_ptr<uint8_t[]> bytes;
    };

    void readIndex();
    int fail(ArchiveError error);
    int deliver(SharedBytes* bytes, uint32_t* size, SharedBytes delivered, uint32_t count);
    int storedMember(size_t i, SharedBytes* delivered, uint32_t* size);
    int separateMember(size_t i, SharedBytes* delivered, uint32_t* size);
    int solidMember(size_t i, SharedBytes* delivered, uint32_t* size);
    void passTo(size_t i);
    void decode(size_t i, Kept* keep, bool continueState);
    void freshUnpacker();
    void makeArena();
    void keepIfRoom(size_t i, const std::shared_ptr<uint8_t[]>& bytes);
    std::shared_ptr<uint8_t[]> memberBuffer(uint32_t size);
    ArchiveError verdictOf(const Entry& entry, const uint8_t* bytes, uint32_t produced) const;
    static uint32_t readPacked(void* context, uint8_t* destination, uint32_t count);

    std::unique_ptr<archive_walk::ArchiveSource> source_;
    ArchiveError openError_ = ArchiveError::NONE;
    ArchiveError endError_ = ArchiveError::MEMBER_NOT_FOUND;
    bool solid_ = false;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, uint32_t> firstByKey_;
    size_t firstPassFailure_ = SIZE_MAX;

    std::unique_ptr<uint8_t[]> window_;
    std::unique_ptr<Unpacker> unpacker_;
    uint32_t packedLeft_ = 0;
    size_t passed_ = 0;
    std::vector<Kept> kept_;
    uint64_t keptBytes_ = 0;
    uint64_t keptBudget_ = KEPT_BYTES_BUDGET;
    std::shared_ptr<uint8_t[]> arena_;  // the kept members of a solid archive, one after another
    uint64_t arenaSize_ = 0;
    uint64_t arenaUsed_ = 0;

    ArchiveError lastError_ = ArchiveError::NONE;
    Statistics statistics_;
};

} // namespace qm
