// libFuzzer target: the archiver's strict listing on arbitrary bytes. Whatever it lists must lie
// inside the input, and the member it finds by a listed name must be the first of that name.
#include "tools/archive/archive_listing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const qm::ArchiveListing listing = qm::listArchive(bytes, size);
    for (size_t i = 0; i < listing.members.size(); ++i) {
        const qm::ListedMember& m = listing.members[i];
        const bool last = i + 1 == listing.members.size();
        // Only the member a truncated listing stopped at may have its data beyond the end.
        if (m.dataPosition > size) __builtin_trap();
        if (m.dataPosition + m.info.packedSize > size && !(last && listing.status == qm::ListingStatus::TRUNCATED))
            __builtin_trap();
        const qm::ListedMember* found = listing.find(m.info.name);
        if (!found || found > &m) __builtin_trap();
    }
    return 0;
}
