// libFuzzer target: ArchiveReader on arbitrary archive bytes, asking for a member by a fixed name
// and by the name of the first header, so that extraction paths are reached too; and the member
// index over the same bytes, which must give exactly what the reader gives, fetched in the other
// order and twice.
#include "assets/archive_index.h"
#include "assets/archive_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Outcome {
    int ok = 0;
    qm::ArchiveError error = qm::ArchiveError::NONE;
    std::vector<uint8_t> bytes;
};

void check(int ok, uint8_t* data, uint32_t count, qm::ArchiveError error, Outcome& out)
{
    out.ok = ok;
    out.error = error;
    if (ok) {
        out.bytes.assign(data, data + count);
        if (count) data[count - 1] ^= 1;  // the buffer must be writable up to its size
        delete[] data;
    } else if (data || count) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const char* names[] = {"m", "data.txt", "nosuch"};
    Outcome byReader[3];
    for (int i = 0; i < 3; ++i) {
        uint8_t* data = nullptr;
        uint32_t count = 0;
        int ok = qm::ArchiveReader::getMemberFromMemory(&data, &count, names[i], bytes, size, "");
        check(ok, data, count, qm::ArchiveReader::lastError(), byReader[i]);
    }
    qm::ArchiveIndex index(bytes, size);
    for (int round = 0; round < 2; ++round)
        for (int i = 2; i >= 0; --i) {
            uint8_t* data = nullptr;
            uint32_t count = 0;
            Outcome got;
            check(index.getMember(&data, &count, names[i]), data, count, index.lastError(), got);
            if (got.ok != byReader[i].ok || got.error != byReader[i].error || got.bytes != byReader[i].bytes)
                __builtin_trap();
        }
    return 0;
}
