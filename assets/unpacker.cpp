#include "assets/unpacker.h"

#include <cstring>

namespace qm {

using namespace rar20;

namespace {

// The main loop refills beyond this input position, table reading beyond the next two.
constexpr uint32_t LOOP_REFILL = 8162;
constexpr uint32_t TABLE_START_REFILL = 8167;
constexpr uint32_t TABLE_LOOP_REFILL = 8187;
// Room the in-loop flush keeps ahead of the write position (more than the longest match).
constexpr uint32_t FLUSH_MARGIN = 270;

} // namespace

Unpacker::Unpacker(uint8_t* window) : window_(window) {}

// --- Member start and end -------------------------------------------------------------------

void Unpacker::resetState()
{
    channelDelta_ = 0;
    currentChannel_ = 0;
    for (AudioChannelState& c : channels_) c = AudioChannelState{};
    std::memset(oldDistances_, 0, sizeof oldDistances_);
    oldDistanceIndex_ = 0;
    lastDistance_ = 0;
    lastLength_ = 0;
    std::memset(window_, 0, WINDOW_SIZE);
    std::memset(oldLengths_, 0, sizeof oldLengths_);
    writePosition_ = 0;
    flushedPosition_ = 0;
    audioMode_ = false;
    channelCount_ = 1;
}

void Unpacker::startMember(const Member& member)
{
    member_ = &member;
    inputPosition_ = 0;
    bitOffset_ = 0;
    inputTop_ = 0;
    sourceSpent_ = false;
    bool solid = (member.flags & FLAG_SOLID) != 0;
    if (!solid) resetState();
    refill(true);
    if (!solid) readTables();
    bytesLeft_ = int32_t(member.unpackedSize) - 1;
}

void Unpacker::unpack(const Member& member)
{
    startMember(member);
    decodeLoop();
    finishMember();
    member_ = nullptr;
}

// A member may end with the switch code and the table set of the member that continues it.
void Unpacker::finishMember()
{
    if (inputTop_ >= inputPosition_ + 5) {
        if (audioMode_) {
            if (decode(audioTables_[currentChannel_]) == AUDIO_NEW_TABLES) readTables();
        } else if (decode(mainTable_) == SYMBOL_NEW_TABLES) {
            readTables();
        }
    }
    flush();
    flushedPosition_ = writePosition_;
}

void Unpacker::decodeLoop()
{
    while (bytesLeft_ >= 0) {
        writePosition_ &= WINDOW_MASK;
        if (inputPosition_ > LOOP_REFILL) refill(false);
        // Truncated or corrupt data: stop once every packed bit is used; the CRC check fails.
        if (inputSpent()) break;
        if (((flushedPosition_ - writePosition_) & WINDOW_MASK) < FLUSH_MARGIN &&
            flushedPosition_ != writePosition_) {
            flush();
            flushedPosition_ = writePosition_;
            if (bytesLeft_ < 0) break;
        }
        if (audioMode_) {
            uint32_t n = decode(audioTables_[currentChannel_]);
            if (n == AUDIO_NEW_TABLES) {
                readTables();
                continue;
            }
            window_[writePosition_++] = predictAudio(n);
            if (++currentChannel_ >= channelCount_) currentChannel_ = 0;
            --bytesLeft_;
        } else {
            decodeLzSymbol(decode(mainTable_));
        }
    }
}

// --- Bit reader -----------------------------------------------------------------------------

// Keeps the unread bytes, tops the buffer up from the source and zero-pads past the end,
// so that peeks beyond the packed data read zero bits and stay inside the buffer.
void Unpacker::refill(bool first)
{
    uint32_t kept = 0;
    if (!first && inputPosition_ < inputTop_) {
        kept = inputTop_ - inputPosition_;
        std::memmove(input_, input_ + inputPosition_, kept);
    }
    inputPosition_ = 0;
    uint32_t got = 0;
    if (!sourceSpent_ && member_->read) {
        while (kept + got < INPUT_SIZE) {
            uint32_t n = member_->read(member_->context, input_ + kept + got, INPUT_SIZE - kept - got);
            if (n == 0) {
                sourceSpent_ = true;
                break;
            }
            got += n;
        }
    } else {
        sourceSpent_ = true;
    }
    inputTop_ = kept + got;
    std::memset(input_ + inputTop_, 0, sizeof input_ - inputTop_);
}

uint32_t Unpacker::peek() const
{
    // Four bytes from the position (the padding keeps them inside the buffer), highest first.
    uint32_t bits;
    std::memcpy(&bits, input_ + inputPosition_, 4);
    bits = __builtin_bswap32(bits);
    return (bits >> (16 - bitOffset_)) & 0xFFFF;
}

void Unpacker::skip(uint32_t bits)
{
    bits += bitOffset_;
    inputPosition_ += bits >> 3;
    bitOffset_ = bits & 7;
    // Corrupt data may run past the buffer; park at its end, where only zero bits remain.
    if (inputPosition_ > INPUT_SIZE) inputPosition_ = INPUT_SIZE;
}

uint32_t Unpacker::takeBits(uint32_t bits)
{
    uint32_t v = peek() >> (16 - bits);
    skip(bits);
    return v;
}

bool Unpacker::inputSpent() const { return sourceSpent_ && inputPosition_ >= inputTop_; }

// --- Tables ---------------------------------------------------------------------------------

void Unpacker::buildTable(DecodeTable& table, const uint8_t* lengths, uint32_t symbolCount)
{
    uint32_t count[16] = {};
    for (uint32_t i = 0; i < symbolCount; ++i) count[lengths[i] & 15]++;
    count[0] = 0;
    table.limits[0] = 0;
    table.positions[0] = 0;
    uint32_t n = 0;
    for (uint32_t i = 1; i < 16; ++i) {
        n = 2 * (n + count[i]);
        uint32_t limit = n << (15 - i);
        table.limits[i] = limit > 0xFFFF ? 0xFFFF : limit;
        table.positions[i] = table.positions[i - 1] + count[i - 1];
    }
    uint32_t next[16];
    std::memcpy(next, table.positions, sizeof next);
    std::memset(table.symbols, 0, sizeof table.symbols);
    for (uint32_t s = 0; s < symbolCount; ++s)
        if (uint32_t len = lengths[s] & 15) table.symbols[next[len]++] = uint16_t(s);
    table.symbolCount = symbolCount;
    // The quick table gives the same answer as the limit search for every code it holds.
    for (uint32_t prefix = 0; prefix < (1u << QUICK_BITS); ++prefix) {
        uint32_t c = prefix << (16 - QUICK_BITS);
        uint32_t len = 1;
        while (len < 15 && c >= table.limits[len]) ++len;
        if (len > QUICK_BITS) {
            table.quick[prefix] = 0;
            continue;
        }
        uint32_t k = table.positions[len] + ((c - table.limits[len - 1]) >> (16 - len));
        if (k >= symbolCount) k = 0;
        table.quick[prefix] = len << 16 | table.symbols[k];
    }
}

uint32_t Unpacker::decode(const DecodeTable& table)
{
    uint32_t c = peek() & 0xFFFE;
    if (uint32_t q = table.quick[c >> (16 - QUICK_BITS)]) {
        skip(q >> 16);
        return q & 0xFFFF;
    }
    uint32_t len = QUICK_BITS + 1;
    while (len < 15 && c >= table.limits[len]) ++len;
    skip(len);
    uint32_t k = table.positions[len] + ((c - table.limits[len - 1]) >> (16 - len));
    if (k >= table.symbolCount) k = 0;
    return table.symbols[k];
}

// Reads a table set: mode bits, the bit-length code, then the code lengths of every alphabet.
bool Unpacker::readTables()
{
    if (inputPosition_ > TABLE_START_REFILL) refill(false);
    uint32_t bits = peek();
    audioMode_ = (bits & TABLES_AUDIO) != 0;
    if (!(bits & TABLES_KEEP_OLD)) std::memset(oldLengths_, 0, sizeof oldLengths_);
    skip(2);
    uint32_t tableSize = LZ_TABLE_SIZE;
    if (audioMode_) {
        channelCount_ = ((bits >> 12) & 3) + 1;
        if (currentChannel_ >= channelCount_) currentChannel_ = 0;
        skip(2);
        tableSize = AUDIO_SYMBOLS * channelCount_;
    }
    uint8_t bitLengths[BIT_LENGTH_SYMBOLS];
    for (uint8_t& len : bitLengths) len = uint8_t(takeBits(4));
    buildTable(bitLengthTable_, bitLengths, BIT_LENGTH_SYMBOLS);

    uint8_t lengths[OLD_LENGTHS];
    std::memcpy(lengths, oldLengths_, sizeof lengths);
    readBitLengths(lengths, tableSize);
    if (audioMode_) {
        for (uint32_t c = 0; c < channelCount_; ++c)
            buildTable(audioTables_[c], lengths + AUDIO_SYMBOLS * c, AUDIO_SYMBOLS);
    } else {
        buildTable(mainTable_, lengths, MAIN_SYMBOLS);
        buildTable(distanceTable_, lengths + MAIN_SYMBOLS, DISTANCE_SYMBOLS);
        buildTable(repeatTable_, lengths + MAIN_SYMBOLS + DISTANCE_SYMBOLS, REPEAT_SYMBOLS);
    }
    std::memcpy(oldLengths_, lengths, tableSize);
    return true;
}

// The code lengths: deltas to the old lengths (0-15), repeats of the previous length (16), zeros (17, 18).
void Unpacker::readBitLengths(uint8_t* lengths, uint32_t tableSize)
{
    uint32_t i = 0;
    while (i < tableSize) {
        if (inputPosition_ > TABLE_LOOP_REFILL) refill(false);
        uint32_t n = decode(bitLengthTable_);
        if (n < LENGTH_REPEAT) {
            lengths[i] = uint8_t((n + oldLengths_[i]) & 15);
            ++i;
        } else if (n == LENGTH_REPEAT) {
            uint32_t count = takeBits(2) + 3;
            uint8_t previous = i > 0 ? lengths[i - 1] : 0;
            for (; count > 0 && i < tableSize; --count) lengths[i++] = previous;
        } else {
            uint32_t count = n == LENGTH_ZEROS ? takeBits(3) + 3 : takeBits(7) + 11;
            for (; count > 0 && i < tableSize; --count) lengths[i++] = 0;
        }
    }
}

// --- Output ---------------------------------------------------------------------------------

void Unpacker::decodeLzSymbol(uint32_t n)
{
    if (n < SYMBOL_LAST) {
        window_[writePosition_++] = uint8_t(n);
        --bytesLeft_;
    } else if (n >= SYMBOL_LONG) {
        uint32_t i = n - SYMBOL_LONG;
        uint32_t length = LENGTH_BASE[i] + 3u;
        if (LENGTH_BITS[i]) length += takeBits(LENGTH_BITS[i]);
        uint32_t d = decode(distanceTable_);
        if (d >= DISTANCE_SYMBOLS) d = 0;
        uint32_t distance = DISTANCE.base[d] + 1;
        if (DISTANCE.bits[d]) distance += takeBits(DISTANCE.bits[d]);
        copyMatch(length + longAdjust(distance), distance);
    } else if (n == SYMBOL_NEW_TABLES) {
        readTables();
    } else if (n == SYMBOL_LAST) {
        copyMatch(lastLength_, lastDistance_);
    } else if (n < SYMBOL_SHORT) {
        uint32_t distance = oldDistances_[(oldDistanceIndex_ - (n - SYMBOL_LAST)) & 3];
        uint32_t r = decode(repeatTable_);
        if (r >= REPEAT_SYMBOLS) r = 0;
        uint32_t length = LENGTH_BASE[r] + 2u;
        if (LENGTH_BITS[r]) length += takeBits(LENGTH_BITS[r]);
        copyMatch(length + repeatAdjust(distance), distance);
    } else {
        uint32_t i = n - SYMBOL_SHORT;
        uint32_t distance = SHORT_BASE[i] + 1u + takeBits(SHORT_BITS[i]);
        copyMatch(2, distance);
    }
}

void Unpacker::copyMatch(uint32_t length, uint32_t distance)
{
    oldDistances_[oldDistanceIndex_++ & 3] = distance;
    lastDistance_ = distance;
    lastLength_ = length;
    bytesLeft_ -= int32_t(length);
    uint32_t source = (writePosition_ - distance) & WINDOW_MASK;
    uint32_t w = writePosition_;
    // Both runs inside the window and apart from each other: a block copy gives the same bytes.
    bool apart = source < w ? source + length <= w : w + length <= source;
    if (apart && source + length <= WINDOW_SIZE && w + length <= WINDOW_SIZE) {
        std::memcpy(window_ + w, window_ + source, length);
        writePosition_ = (w + length) & WINDOW_MASK;
        return;
    }
    for (uint32_t k = 0; k < length; ++k) {
        window_[w] = window_[(w - distance) & WINDOW_MASK];
        w = (w + 1) & WINDOW_MASK;
    }
    writePosition_ = w;
}

uint8_t Unpacker::predictAudio(uint32_t delta)
{
    AudioChannelState& v = channels_[currentChannel_];
    int32_t prediction = audioPredict(v, channelDelta_);
    return audioUpdate(v, channelDelta_, prediction, delta);
}

void Unpacker::flush()
{
    if (!member_->wanted || !member_->output || !member_->produced) return;
    uint32_t first = flushedPosition_, last = writePosition_ & WINDOW_MASK;
    uint32_t count = (last - first) & WINDOW_MASK;
    uint32_t& produced = *member_->produced;
    if (uint64_t(produced) + count > member_->unpackedSize) {
        bytesLeft_ = -1;
        return;
    }
    uint32_t head = first + count <= WINDOW_SIZE ? count : WINDOW_SIZE - first;
    std::memcpy(member_->output + produced, window_ + first, head);
    std::memcpy(member_->output + produced + head, window_, count - head);
    produced += count;
}

} // namespace qm
