// The RAR 2.0 compressor: LZ77 over the 1 MiB window plus audio mode, Huffman-coded in table sets.
#pragma once
#include "tools/rar_writer/rar_writer.h"

#include <cstdint>
#include <vector>

namespace qm {

// One step of a hand-built LZ stream, for tests that need a particular symbol.
struct RarToken {
    enum class Form {
        LITERAL,     // the byte `literal`
        AUTO,        // a match coded the cheapest way the history allows
        LONG,        // symbols 270-297 with a distance code
        LAST,        // symbol 256: repeat the last length and distance
        OLD,         // symbols 257-260: old distance number `oldIndex` (1 = most recent)
        SHORT,       // symbols 261-268: length 2, distance up to 256
        NEW_TABLES,  // symbol 269 and a fresh table set
    };
    Form form = Form::LITERAL;
    uint8_t literal = 0;
    uint32_t length = 0;
    uint32_t distance = 0;
    uint32_t oldIndex = 1;
};

class Rar20Compressor {
public:
    // Packed data of every member, in order; in a solid set each member continues the one before.
    // Outside a solid set an empty member gets no stream and is stored; inside one every member
    // is compressed, an empty one to an empty stream.
    static std::vector<std::vector<uint8_t>> compressMembers(const std::vector<RarEntry>& entries,
                                                             const RarWriterOptions& options);
    // Packs one member from explicit tokens (options: the delta-table knobs). False when a token
    // cannot be coded in the form it asks for; *unpacked receives the bytes the stream decodes to.
    static bool packTokens(const std::vector<RarToken>& tokens, const RarWriterOptions& options,
                           std::vector<uint8_t>* packed, std::vector<uint8_t>* unpacked);
};

} // namespace qm
