// libFuzzer target: ArchiveReader on arbitrary archive bytes, asking for a member by a fixed name
// and by the name of the first header, so that extraction paths are reached too.
#include "assets/archive_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    for (const char* name : {"m", "data.txt"}) {
        uint8_t* data = nullptr;
        uint32_t count = 0;
        if (qm::ArchiveReader::getMemberFromMemory(&data, &count, name, bytes, size, "")) {
            if (count) data[count - 1] ^= 1;  // the buffer must be writable up to its size
            delete[] data;
        } else if (data || count) {
            __builtin_trap();
        }
    }
    return 0;
}
