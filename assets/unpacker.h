// Decompresses RAR 2.0 packed data (LZ77 with Huffman tables, and audio mode) through a 1 MiB window.
#pragma once
#include "assets/rar20_format.h"

#include <cstdint>

namespace qm {

class Unpacker {
public:
    static constexpr uint32_t WINDOW_SIZE = 0x100000;
    static constexpr uint32_t WINDOW_MASK = WINDOW_SIZE - 1;
    static constexpr uint32_t INPUT_SIZE = 8192;
    static constexpr uint16_t FLAG_SOLID = rar20::FILE_SOLID;

    // Supplies packed bytes: copies up to count bytes and returns how many (0 once they are spent).
    using ReadPacked = uint32_t (*)(void* context, uint8_t* destination, uint32_t count);

    struct Member {
        uint16_t flags = 0;          // FLAG_SOLID: continue the state of the member before
        uint32_t unpackedSize = 0;
        bool wanted = false;         // only the wanted member's bytes reach the output
        uint8_t* output = nullptr;   // unpackedSize bytes
        uint32_t* produced = nullptr; // grows by the bytes handed to output
        ReadPacked read = nullptr;
        void* context = nullptr;
    };

    // Bytes one packed byte can turn into at most: eight symbols of one bit, each a match of the
    // longest length (the reader bounds its buffers by this).
    static constexpr uint32_t MAX_EXPANSION = 8 * 260;

    // window: WINDOW_SIZE bytes owned by the caller, kept for the life of the unpacker.
    explicit Unpacker(uint8_t* window);
    virtual ~Unpacker() = default;
    Unpacker(const Unpacker&) = delete;
    Unpacker& operator=(const Unpacker&) = delete;

    // Decodes one member. A solid member continues window, tables and history of the previous one.
    void unpack(const Member& member);

private:
    static constexpr uint32_t QUICK_BITS = 12;
    static constexpr uint32_t QUICK_LENGTH_SHIFT = 12;
    static constexpr uint32_t QUICK_SYMBOL_MASK = (1u << QUICK_LENGTH_SHIFT) - 1;
    static constexpr uint32_t INPUT_PADDING = 16;

    struct DecodeTable {
        uint32_t symbolCount = 0;
        uint32_t limits[16] = {};
        uint32_t positions[16] = {};
        uint16_t symbols[rar20::MAIN_SYMBOLS] = {}; // the largest alphabet; audio tables use 257
        // Codes of at most QUICK_BITS bits, looked up directly: length in the top four bits,
        // symbol below; 0 for a longer code.
        uint16_t quick[1u << QUICK_BITS] = {};
    };

    // A read position in the input buffer. Every reader refills before the position passes its
    // threshold and reads at most a few bytes beyond it, inside the zero padding.
    struct BitCursor {
        const uint8_t* input = nullptr;
        uint32_t position = 0;
        uint32_t offset = 0;

        uint32_t peek() const;           // the next 16 bits, highest first
        void skip(uint32_t bits);
        uint32_t take(uint32_t bits);    // 1 to 16 bits
    };

    // The decoding runs read through 64 bits at a time, topped up before every symbol to at least
    // 56 (a whole match takes at most 51). Kept in locals, which stores into the window cannot
    // alias, so that it stays in registers.
    struct BitWindow {
        uint64_t bits = 0;              // the next bits, highest first, zero below the valid ones
        uint32_t count = 0;             // valid bits, at most 63
        const uint8_t* next = nullptr;  // the first byte not yet in bits

        void refill();
        uint32_t peek() const { return uint32_t(bits >> 48); }
        void skip(uint32_t n);
        uint32_t take(uint32_t n);      // 1 to 16 bits
    };

    // How far a run of symbols may go before the main loop has to check again: the lowest count
    // of bytes left (flush margin, member end) and the last input byte (refill, input end).
    struct RunLimits {
        int32_t stopAt = 0;
        const uint8_t* inputEnd = nullptr;
    };

    // Member start and end.
    void resetState();
    void startMember(const Member& member);
    void decodeLoop();
    RunLimits runLimits() const;
    void finishMember();

    // Input.
    void refill(bool first);
    uint32_t takeBits(uint32_t bits) { return bits_.take(bits); }
    bool inputSpent() const;

    // Tables.
    static void buildTable(DecodeTable& table, const uint8_t* lengths, uint32_t symbolCount);
    static void fillQuickByCodes(DecodeTable& table, const uint32_t* count);
    static void fillQuickByPrefixes(DecodeTable& table);
    template <typename Reader>
    static uint32_t decode(const DecodeTable& table, Reader& bits);
    bool readTables();
    void readBitLengths(uint8_t* lengths, uint32_t tableSize);

    // Output.
    struct Match {
        uint32_t length;
        uint32_t distance;
    };
    void decodeLzRun(RunLimits limits);
    void decodeAudioRun(RunLimits limits);
    void endRun(const BitWindow& bits, uint32_t w, int32_t left, bool newTables);
    Match decodeMatch(uint32_t n, BitWindow& bits);
    BitWindow openWindow() const;
    void closeWindow(const BitWindow& bits);
    uint32_t copyMatch(uint32_t w, uint32_t length, uint32_t distance);
    void flush();

    uint8_t* window_;
    uint32_t writePosition_ = 0;
    uint32_t flushedPosition_ = 0;
    int32_t bytesLeft_ = 0;
    bool outputStopped_ = false;       // the output would have passed the member's size
    // Bytes written since the window was last cleared; a new window counts as written through.
    uint64_t windowWritten_ = WINDOW_SIZE;

    uint8_t input_[INPUT_SIZE + INPUT_PADDING] = {};
    BitCursor bits_;
    uint32_t inputTop_ = 0;
    bool sourceSpent_ = false;

    DecodeTable mainTable_, distanceTable_, repeatTable_, bitLengthTable_;
    DecodeTable audioTables_[rar20::MAX_CHANNELS];
    uint8_t oldLengths_[rar20::OLD_LENGTHS] = {};

    bool audioMode_ = false;
    uint32_t channelCount_ = 1;
    uint32_t currentChannel_ = 0;
    rar20::AudioChannelState channels_[rar20::MAX_CHANNELS];
    int32_t channelDelta_ = 0;

    uint32_t oldDistances_[4] = {};
    uint32_t oldDistanceIndex_ = 0;
    uint32_t lastDistance_ = 0;
    uint32_t lastLength_ = 0;

    const Member* member_ = nullptr;
};

} // namespace qm
