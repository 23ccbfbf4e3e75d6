// Writes RAR 2.0 archives: the archive the program reads its artwork from, and every test archive.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

struct RarEntry {
    std::string name;            // member path with "\" separators
    std::vector<uint8_t> data;
};

struct RarWriterOptions {
    bool solid = false;          // solid archive (main header flag 0x0008, members flag 0x0010 after the first)
    bool store = false;          // method 0x30 for every member
    // Knobs for tests and experiments; the defaults give the best compression.
    bool allowAudio = true;      // try audio mode on members that look like 8-bit PCM
    int forceAudioChannels = 0;  // 1 to 4: every block in audio mode with that many channels
    bool allowRepeatSymbols = true;  // symbols 256 to 260 (last match, old distances)
    bool allowShortDistances = true; // symbols 261 to 268
    bool allowDeltaTables = true;    // table sets relative to the previous one (bit 14)
    bool forceDeltaTables = false;   // every table set after the first in delta form, even when larger
    uint32_t blockBytes = 0;     // bytes per statistics block (0: automatic)
    bool forceNewTables = false; // a new table set at every block boundary, even when it does not pay
    int matchEffort = 0;         // 0: default, higher searches longer hash chains
};

std::vector<uint8_t> buildRarArchive(const std::vector<RarEntry>& entries, const RarWriterOptions& options);
bool writeRarArchive(const std::string& path, const std::vector<RarEntry>& entries,
                     const RarWriterOptions& options, std::string* error = nullptr);

// Low-level pieces for tests that need archives no well-behaved writer makes.
struct RarRawMember {
    std::string name;
    std::vector<uint8_t> packed;   // the bytes after the header
    uint32_t unpackedSize = 0;
    uint32_t fileCrc = 0;
    uint8_t version = 20;
    uint8_t method = 0x30;
    uint8_t hostOs = 2;
    uint16_t flags = 0;            // 0x8000 is always added
    std::vector<uint8_t> extraHeader; // bytes between the name and the data (counted in header size)
};

// The 7-byte marker and a 13-byte main header with the given flags.
void appendRarMarkerAndMainHeader(std::vector<uint8_t>& out, uint16_t mainFlags);
// A file header block (type 0x74) followed by its packed data.
void appendRarFileBlock(std::vector<uint8_t>& out, const RarRawMember& member);
// A generic block: 7-byte base header of the given type, extra header bytes, and (flag 0x8000) data.
void appendRarBlock(std::vector<uint8_t>& out, uint8_t type, uint16_t flags,
                    const std::vector<uint8_t>& headerTail, const std::vector<uint8_t>& data);

} // namespace qm
