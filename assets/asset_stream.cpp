#include "assets/asset_stream.h"
#include "assets/archive_index.h"

#include <cstring>

namespace qm {

AssetStream::~AssetStream() { release(); }

bool AssetStream::fetch(const char* memberName)
{
    ArchiveIndex::SharedBytes bytes;
    uint32_t count = 0;
    if (!ArchiveIndex::getSharedMember(&bytes, &count, memberName, ARCHIVE_NAME)) {
        release();
        return false;
    }
    bytes_ = std::move(bytes);
    data_ = bytes_.get();
    size_ = count;
    position_ = 0;
    return true;
}

void AssetStream::release()
{
    bytes_.reset();
    data_ = nullptr;
    size_ = 0;
    position_ = 0;
}

void AssetStream::adopt(uint8_t* data, uint32_t size)
{
    release();
    bytes_.reset(data);
    data_ = data;
    size_ = data ? size : 0;
}

void AssetStream::read(void* destination, uint32_t count)
{
    if (count == 0) return;
    uint8_t* out = static_cast<uint8_t*>(destination);
    uint32_t available = position_ < size_ ? size_ - position_ : 0;
    uint32_t copied = count < available ? count : available;
    if (copied) std::memcpy(out, data_ + position_, copied);
    if (copied < count) std::memset(out + copied, 0, count - copied);
    // The position may pass the size but must not wrap around.
    position_ = (UINT32_MAX - position_ < count) ? UINT32_MAX : position_ + count;
}

void AssetStream::read(void* destination, uint32_t elementSize, uint32_t count)
{
    uint64_t total = uint64_t(elementSize) * count;
    read(destination, total > UINT32_MAX ? UINT32_MAX : uint32_t(total));
}

void AssetStream::seek(int32_t offset, int origin)
{
    int64_t base = origin == 0 ? 0 : origin == 1 ? int64_t(position_) : int64_t(size_);
    int64_t target = origin == 2 ? base - offset : base + offset;
    if (target < 0) target = 0;
    if (target > int64_t(UINT32_MAX)) target = UINT32_MAX;
    position_ = uint32_t(target);
}

bool AssetStream::readLine(char* buffer, uint32_t capacity)
{
    uint32_t length = 0;
    buffer[0] = 0;
    uint8_t c = 0;
    read(&c, 1);
    while (c == ' ' && !atEnd()) read(&c, 1);
    while (c != '\n' && !atEnd()) {
        if (c != '\r' && length + 1 < capacity) buffer[length++] = char(c);
        read(&c, 1);
    }
    buffer[length] = 0;
    return !atEnd();
}

} // namespace qm
