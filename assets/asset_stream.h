// One archive member held in memory with a read position: the only way loaders reach data.
#pragma once
#include <cstdint>
#include <memory>

namespace qm {

class AssetStream {
public:
    // Every fetch reads this archive, relative to the current directory.
    static constexpr const char* ARCHIVE_NAME = "data.rar";

    AssetStream() = default;
    AssetStream(const AssetStream&) = delete;
    AssetStream& operator=(const AssetStream&) = delete;
    virtual ~AssetStream();

    // Extracts the named member of "data.rar" whole; true on success. The archive's index (and a
    // solid archive's decoded members) are kept between fetches: see ArchiveIndex.
    bool fetch(const char* memberName);
    // Frees the data; the stream is empty again.
    void release();

    // Copies count bytes from the position; the part past the end reads as zero bytes.
    // The position always advances by the full count.
    void read(void* destination, uint32_t count);
    void read(void* destination, uint32_t elementSize, uint32_t count);
    // True once a read went past the end (position > size).
    bool atEnd() const { return position_ > size_; }
    // origin 0: from the start, 1: from the position, 2: back from the end.
    void seek(int32_t offset, int origin);
    // One text line into buffer (capacity bytes, at least 1): leading spaces skipped, CR dropped,
    // LF consumed. A longer line is cut to capacity - 1 characters; the rest of it is consumed.
    // Returns false once the stream is at its end.
    bool readLine(char* buffer, uint32_t capacity);

    // Test and tool hook: adopt a buffer allocated with new[] as if it had been fetched.
    void adopt(uint8_t* data, uint32_t size);

    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }
    uint32_t position() const { return position_; }

private:
    // The member's bytes, which a solid archive's index may share with later fetches.
    std::shared_ptr<const uint8_t[]> bytes_;
    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t position_ = 0;
};

} // namespace qm
