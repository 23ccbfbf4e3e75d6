#include "assets/archive_probe.h"
#include "assets/archive_reader.h"
#include "assets/archive_walk.h"
#include "assets/rar20_format.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace qm {
namespace {

constexpr uint64_t MARKER_AND_MAIN_HEADER = 7 + rar20::MAIN_HEADER_SIZE;

ArchiveProbe failOpen(int error, int* osError)
{
    if (osError) *osError = error;
    return error == ENOENT || error == ENOTDIR ? ArchiveProbe::MISSING : ArchiveProbe::CANNOT_OPEN;
}

// The least the members' headers and data take; a shorter file was cut off.
uint64_t leastArchiveSize(const std::vector<ArchiveMemberInfo>& members)
{
    uint64_t size = MARKER_AND_MAIN_HEADER;
    for (const ArchiveMemberInfo& m : members) size += rar20::FILE_HEADER_SIZE + m.name.size() + m.packedSize;
    return size;
}

} // namespace

ArchiveProbe probeArchive(const char* path, int* osError)
{
    if (osError) *osError = 0;
    struct stat info {};
    if (!path || stat(path, &info) != 0) return failOpen(path ? errno : ENOENT, osError);
    if (S_ISDIR(info.st_mode)) return failOpen(EISDIR, osError);
    FILE* file = std::fopen(path, "rb");
    if (!file) return failOpen(errno, osError);
    uint8_t marker[7] = {};
    size_t got = std::fread(marker, 1, sizeof marker, file);
    int readError = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (readError) return failOpen(readError, osError);
    if (got < sizeof marker || !archive_walk::isMarker(marker)) return ArchiveProbe::NOT_AN_ARCHIVE;
    std::vector<ArchiveMemberInfo> members;
    if (!ArchiveReader::listMembers(path, &members, nullptr) || members.empty()) return ArchiveProbe::DAMAGED;
    if (leastArchiveSize(members) > uint64_t(info.st_size)) return ArchiveProbe::DAMAGED;
    return ArchiveProbe::READABLE;
}

} // namespace qm
