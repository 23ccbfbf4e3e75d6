#include "tools/rar_writer/rar_writer.h"
#include "tools/little_endian.h"

#include "assets/crc32.h"
#include "assets/rar20_format.h"
#include "tools/rar_writer/rar20_compressor.h"

#include <cstdio>

namespace qm {

using namespace rar20;

namespace {

constexpr uint32_t DOS_TIME = (44u << 25) | (1u << 21) | (1u << 16); // 2024-01-01 00:00:00
constexpr uint32_t ATTRIBUTE_ARCHIVE = 0x20;

// Header CRC: the low 16 bits of the CRC-32 of the header from offset 2 on.
void sealHeader(std::vector<uint8_t>& out, size_t start)
{
    uint32_t crc = Crc32::of(out.data() + start + 2, out.size() - start - 2) & 0xFFFF;
    out[start] = uint8_t(crc);
    out[start + 1] = uint8_t(crc >> 8);
}

// A solid set lists its empty members first: other readers lose the solid chain at an empty
// member in its middle, and before the first byte an empty member needs no state at all.
std::vector<RarEntry> solidOrder(const std::vector<RarEntry>& entries)
{
    std::vector<RarEntry> ordered;
    for (const RarEntry& e : entries)
        if (e.data.empty()) ordered.push_back(e);
    for (const RarEntry& e : entries)
        if (!e.data.empty()) ordered.push_back(e);
    return ordered;
}

} // namespace

void appendRarMarkerAndMainHeader(std::vector<uint8_t>& out, uint16_t mainFlags)
{
    out.insert(out.end(), MARKER, MARKER + 7);
    size_t start = out.size();
    put16(out, 0);
    out.push_back(TYPE_MAIN);
    put16(out, mainFlags);
    put16(out, 13);
    put16(out, 0);
    put32(out, 0);
    sealHeader(out, start);
}

void appendRarBlock(std::vector<uint8_t>& out, uint8_t type, uint16_t flags,
                    const std::vector<uint8_t>& headerTail, const std::vector<uint8_t>& data)
{
    size_t start = out.size();
    bool hasData = (flags & FLAG_LONG_BLOCK) != 0;
    put16(out, 0);
    out.push_back(type);
    put16(out, flags);
    put16(out, uint32_t(7 + (hasData ? 4 : 0) + headerTail.size()));
    if (hasData) put32(out, uint32_t(data.size()));
    out.insert(out.end(), headerTail.begin(), headerTail.end());
    sealHeader(out, start);
    if (hasData) out.insert(out.end(), data.begin(), data.end());
}

void appendRarFileBlock(std::vector<uint8_t>& out, const RarRawMember& m)
{
    size_t start = out.size();
    put16(out, 0);
    out.push_back(TYPE_FILE);
    put16(out, m.flags | FLAG_LONG_BLOCK);
    put16(out, uint32_t(32 + m.name.size() + m.extraHeader.size()));
    put32(out, uint32_t(m.packed.size()));
    put32(out, m.unpackedSize);
    out.push_back(m.hostOs);
    put32(out, m.fileCrc);
    put32(out, DOS_TIME);
    out.push_back(m.version);
    out.push_back(m.method);
    put16(out, uint32_t(m.name.size()));
    put32(out, ATTRIBUTE_ARCHIVE);
    out.insert(out.end(), m.name.begin(), m.name.end());
    out.insert(out.end(), m.extraHeader.begin(), m.extraHeader.end());
    sealHeader(out, start);
    out.insert(out.end(), m.packed.begin(), m.packed.end());
}

std::vector<uint8_t> buildRarArchive(const std::vector<RarEntry>& input, const RarWriterOptions& options)
{
    bool reorder = options.solid && !options.store;
    std::vector<RarEntry> reordered = reorder ? solidOrder(input) : std::vector<RarEntry>();
    const std::vector<RarEntry>& entries = reorder ? reordered : input;
    std::vector<uint8_t> out;
    std::vector<std::vector<uint8_t>> packed(entries.size());
    if (!options.store) packed = Rar20Compressor::compressMembers(entries, options);
    bool solid = options.solid && !options.store;
    appendRarMarkerAndMainHeader(out, solid ? MAIN_SOLID : 0);
    bool streamStarted = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const RarEntry& e = entries[i];
        RarRawMember m;
        m.name = e.name;
        m.unpackedSize = uint32_t(e.data.size());
        m.fileCrc = Crc32::of(e.data.data(), e.data.size());
        m.flags = FILE_DICTIONARY_1M;
        // Outside a solid set, members that do not shrink are stored.
        bool keep = options.store || (!solid && packed[i].size() >= e.data.size());
        if (keep) {
            m.method = METHOD_STORE;
            m.packed = e.data;
        } else {
            // In a solid set every member continues the stream once it has begun; members
            // before the first byte start afresh.
            m.method = METHOD_NORMAL;
            m.packed = std::move(packed[i]);
            if (solid && streamStarted) m.flags |= FILE_SOLID;
            streamStarted = streamStarted || !e.data.empty();
        }
        appendRarFileBlock(out, m);
    }
    return out;
}

bool writeRarArchive(const std::string& path, const std::vector<RarEntry>& entries,
                     const RarWriterOptions& options, std::string* error)
{
    std::vector<uint8_t> bytes = buildRarArchive(entries, options);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error) *error = "cannot create " + path;
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok && error) *error = "cannot write " + path;
    return ok;
}

} // namespace qm
