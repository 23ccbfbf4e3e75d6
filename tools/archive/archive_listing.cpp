#include "tools/archive/archive_listing.h"

#include "assets/archive_walk.h"
#include "assets/crc32.h"
#include "assets/rar20_format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

using namespace rar20;
using archive_walk::get16;
using archive_walk::get32;

namespace {

constexpr uint8_t OLD_MARKER[4] = {0x52, 0x45, 0x7E, 0x5E};
constexpr uint8_t TYPE_FIRST_KNOWN = 0x72;   // the marker block
constexpr uint8_t TYPE_END = 0x7B;           // end of archive

// Reads count bytes at offset; the number read (short at the end of the data).
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* destination, size_t count)>;

std::string hex(uint64_t v)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

// A header CRC covers the fixed part and the name; some writers also cover what follows.
bool headerCrcMatches(const std::vector<uint8_t>& header, size_t coreSize)
{
    const uint32_t stored = get16(header.data());
    auto crcOver = [&](size_t end) { return Crc32::of(header.data() + 2, end - 2) & 0xFFFF; };
    return crcOver(coreSize) == stored || crcOver(header.size()) == stored;
}

class Lister {
public:
    Lister(const ReadAt& read, uint64_t size) : read_(read), size_(size) {}

    ArchiveListing run()
    {
        if (!readMarkerAndMainHeader()) return listing_;
        while (position_ < size_ && readBlock()) {
        }
        return listing_;
    }

private:
    bool stop(ListingStatus status, const std::string& detail)
    {
        listing_.status = status;
        listing_.stopPosition = position_;
        listing_.detail = detail;
        return false;
    }

    // The header of count bytes at the position, or a TRUNCATED stop.
    bool readHeader(uint64_t count, std::vector<uint8_t>& header, const char* what)
    {
        if (position_ + count > size_)
            return stop(ListingStatus::TRUNCATED, std::string(what) + " cut off at " + hex(position_));
        header.resize(size_t(count));
        if (read_(position_, header.data(), header.size()) != header.size())
            return stop(ListingStatus::TRUNCATED, std::string(what) + " cut off at " + hex(position_));
        return true;
    }

    bool readMarkerAndMainHeader()
    {
        uint8_t marker[7] = {};
        const size_t got = read_(0, marker, 7);
        const bool standard = std::memcmp(marker, MARKER, got) == 0;
        const bool alternative = std::memcmp(marker, ALTERNATIVE_MARKER, got) == 0;
        if (got == 0 || (!standard && !alternative)) {
            const bool old = got >= 4 && std::memcmp(marker, OLD_MARKER, 4) == 0;
            return stop(ListingStatus::NOT_RAR, old ? "RAR 1.4 or older" : "no RAR marker");
        }
        if (got < 7) return stop(ListingStatus::TRUNCATED, "marker cut off");
        position_ = 7;
        std::vector<uint8_t> main;
        if (!readHeader(MAIN_HEADER_SIZE, main, "main header")) return false;
        const uint32_t headerSize = get16(&main[5]);
        if (main[2] != TYPE_MAIN) return stop(ListingStatus::UNREADABLE, "no main header after the marker");
        if (headerSize < MAIN_HEADER_SIZE)
            return stop(ListingStatus::UNREADABLE, "main header size " + std::to_string(headerSize));
        if (!readHeader(headerSize, main, "main header")) return false;
        if (!headerCrcMatches(main, MAIN_HEADER_SIZE)) return stop(ListingStatus::UNREADABLE, "main header CRC");
        listing_.solid = (get16(&main[3]) & MAIN_SOLID) != 0;
        position_ += headerSize;
        return true;
    }

    bool readBlock()
    {
        std::vector<uint8_t> base;
        if (!readHeader(7, base, "block header")) return false;
        const uint8_t type = base[2];
        const uint16_t flags = uint16_t(get16(&base[3]));
        const uint32_t headerSize = get16(&base[5]);
        const bool hasData = (flags & FLAG_LONG_BLOCK) != 0;
        if (type < TYPE_FIRST_KNOWN || type > TYPE_END)
            return stop(ListingStatus::UNREADABLE, "unknown block type " + hex(type) + " at " + hex(position_));
        if (headerSize < (type == TYPE_FILE ? FILE_HEADER_SIZE : hasData ? 11u : 7u))
            return stop(ListingStatus::UNREADABLE,
                        "block header size " + std::to_string(headerSize) + " at " + hex(position_));
        if (type == TYPE_SUB_BLOCK) return stop(ListingStatus::SUB_BLOCK, "");
        if (type == TYPE_FILE && !hasData)
            return stop(ListingStatus::UNREADABLE, "file header without data size at " + hex(position_));
        std::vector<uint8_t> header;
        if (!readHeader(headerSize, header, "block header")) return false;
        const uint64_t data = hasData ? get32(&header[7]) : 0;
        if (type == TYPE_FILE && !readFileHeader(header)) return false;
        if (position_ + headerSize + data > size_)
            return stop(ListingStatus::TRUNCATED, "data of the block at " + hex(position_) + " cut off");
        if (type == TYPE_END) {
            position_ = size_;
            return false;
        }
        position_ += headerSize + data;
        return true;
    }

    bool readFileHeader(const std::vector<uint8_t>& header)
    {
        const uint32_t nameSize = get16(&header[26]);
        if (FILE_HEADER_SIZE + nameSize > header.size())
            return stop(ListingStatus::UNREADABLE, "file name longer than its header at " + hex(position_));
        if (!headerCrcMatches(header, FILE_HEADER_SIZE + nameSize))
            return stop(ListingStatus::UNREADABLE, "file header CRC at " + hex(position_));
        ListedMember m;
        const uint16_t flags = uint16_t(get16(&header[3]));
        m.info.flags = flags;
        m.info.packedSize = get32(&header[7]);
        m.info.unpackedSize = get32(&header[11]);
        m.info.hostOs = header[15];
        m.info.fileCrc = get32(&header[16]);
        m.info.version = header[24];
        m.info.method = header[25];
        m.info.name.assign(reinterpret_cast<const char*>(&header[FILE_HEADER_SIZE]), nameSize);
        m.dataPosition = position_ + header.size();
        m.encrypted = (flags & FILE_ENCRYPTED) != 0;
        m.continuesSolid = (flags & FILE_SOLID) != 0;
        listing_.members.push_back(std::move(m));
        return true;
    }

    const ReadAt& read_;
    uint64_t size_;
    uint64_t position_ = 0;
    ArchiveListing listing_;
};

} // namespace

// The reader's own key (archive_walk's copyName and normalizeName) written again here, so that
// the listing builds without the reader's sources (the listing fuzzer).
std::string readerKey(const std::string& name)
{
    constexpr size_t kept = archive_walk::NAME_CAPACITY - 1;
    std::string key = name.substr(0, std::min<size_t>(name.find('\0'), kept));
    for (char& c : key) {
        if (c == '\\' || c == '/') c = '_';
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return key;
}

const ListedMember* ArchiveListing::find(const std::string& name) const
{
    const std::string key = readerKey(name);
    for (const ListedMember& m : members)
        if (readerKey(m.info.name) == key) return &m;
    return nullptr;
}

ArchiveListing listArchive(const uint8_t* bytes, size_t size)
{
    ReadAt read = [&](uint64_t offset, uint8_t* destination, size_t count) -> size_t {
        if (offset >= size) return 0;
        const size_t n = std::min<uint64_t>(count, size - offset);
        std::memcpy(destination, bytes + offset, n);
        return n;
    };
    return Lister(read, bytes ? size : 0).run();
}

bool listArchiveFile(const std::string& path, ArchiveListing& listing, std::string& error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        error = std::strerror(fd < 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : errno);
        if (fd >= 0) close(fd);
        return false;
    }
    int readError = 0;
    ReadAt read = [&](uint64_t offset, uint8_t* destination, size_t count) -> size_t {
        size_t done = 0;
        while (done < count) {
            const ssize_t n = pread(fd, destination + done, count - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) readError = errno;
            if (n <= 0) break;
            done += size_t(n);
        }
        return done;
    };
    listing = Lister(read, uint64_t(info.st_size)).run();
    close(fd);
    if (readError) {
        error = std::strerror(readError);
        return false;
    }
    return true;
}

} // namespace qm
