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

inline void copyChunk(uint8_t* to, const uint8_t* from)
{
    uint64_t chunk;
    std::memcpy(&chunk, from, 8);
    std::memcpy(to, &chunk, 8);
}

// Copies whole eight-byte chunks from the start; returns where it stopped.
inline uint32_t copyChunks(uint8_t* to, const uint8_t* from, uint32_t length)
{
    uint32_t k = 0;
    for (; k + 8 <= length; k += 8) copyChunk(to + k, from + k);
    return k;
}

} // namespace

Unpacker::Unpacker(uint8_t* window) : window_(window) { bits_.input = input_; }

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
    // Writes since the last reset filled the window from its start: only they need clearing.
    std::memset(window_, 0, windowWritten_ < WINDOW_SIZE ? size_t(windowWritten_) : size_t(WINDOW_SIZE));
    windowWritten_ = 0;
    std::memset(oldLengths_, 0, sizeof oldLengths_);
    writePosition_ = 0;
    flushedPosition_ = 0;
    audioMode_ = false;
    channelCount_ = 1;
}

void Unpacker::startMember(const Member& member)
{
    member_ = &member;
    bits_.position = 0;
    bits_.offset = 0;
    inputTop_ = 0;
    sourceSpent_ = false;
    bool solid = (member.flags & FLAG_SOLID) != 0;
    if (!solid) resetState();
    refill(true);
    if (!solid) readTables();
    bytesLeft_ = int32_t(member.unpackedSize) - 1;
    outputStopped_ = false;
}

void Unpacker::unpack(const Member& member)
{
    startMember(member);
    decodeLoop();
    // Every byte and match written lowered bytesLeft_ by its length, overshoot included.
    windowWritten_ += uint64_t(int64_t(member.unpackedSize) - 1 - bytesLeft_);
    finishMember();
    member_ = nullptr;
}

// A member may end with the switch code and the table set of the member that continues it.
void Unpacker::finishMember()
{
    if (inputTop_ >= bits_.position + 5) {
        if (audioMode_) {
            if (decode(audioTables_[currentChannel_], bits_) == AUDIO_NEW_TABLES) readTables();
        } else if (decode(mainTable_, bits_) == SYMBOL_NEW_TABLES) {
            readTables();
        }
    }
    flush();
    flushedPosition_ = writePosition_;
}

// Checks input, member end and flush room, then decodes a run of symbols that cannot need them.
void Unpacker::decodeLoop()
{
    while (bytesLeft_ >= 0) {
        writePosition_ &= WINDOW_MASK;
        if (bits_.position > LOOP_REFILL) refill(false);
        // Truncated or corrupt data: stop once every packed bit is used; the CRC check fails.
        if (inputSpent()) break;
        if (((flushedPosition_ - writePosition_) & WINDOW_MASK) < FLUSH_MARGIN &&
            flushedPosition_ != writePosition_) {
            flush();
            flushedPosition_ = writePosition_;
            if (outputStopped_) break;
        }
        if (audioMode_) decodeAudioRun(runLimits());
        else decodeLzRun(runLimits());
    }
}

// A symbol writes at most the longest match and reads at most 51 bits: a run goes on while the
// checks at the top of the loop would pass. The bit window stands up to eight bytes ahead of the
// read position, so runs end a little early; the loop then checks after every symbol.
Unpacker::RunLimits Unpacker::runLimits() const
{
    uint32_t room = (flushedPosition_ - writePosition_) & WINDOW_MASK;
    if (room == 0) room = WINDOW_SIZE;
    RunLimits limits;
    limits.stopAt = bytesLeft_ - int32_t(room - FLUSH_MARGIN);
    if (limits.stopAt < 0) limits.stopAt = 0;
    uint32_t inputEnd = LOOP_REFILL;
    if (sourceSpent_ && inputTop_ - 1 < inputEnd) inputEnd = inputTop_ - 1;
    limits.inputEnd = input_ + inputEnd;
    return limits;
}

// --- Bit reader -----------------------------------------------------------------------------

// Keeps the unread bytes, tops the buffer up from the source and zero-pads past the end,
// so that peeks beyond the packed data read zero bits and stay inside the buffer.
void Unpacker::refill(bool first)
{
    uint32_t kept = 0;
    if (!first && bits_.position < inputTop_) {
        kept = inputTop_ - bits_.position;
        std::memmove(input_, input_ + bits_.position, kept);
    }
    bits_.position = 0;
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

uint32_t Unpacker::BitCursor::peek() const
{
    // Four bytes from the position (the padding keeps them inside the buffer), highest first.
    uint32_t bits;
    std::memcpy(&bits, input + position, 4);
    bits = __builtin_bswap32(bits);
    return (bits >> (16 - offset)) & 0xFFFF;
}

void Unpacker::BitCursor::skip(uint32_t bits)
{
    bits += offset;
    position += bits >> 3;
    offset = bits & 7;
}

uint32_t Unpacker::BitCursor::take(uint32_t bits)
{
    uint32_t v = peek() >> (16 - bits);
    skip(bits);
    return v;
}

// The bytes loaded beyond the whole ones counted come back with the same bits on the next refill.
inline void Unpacker::BitWindow::refill()
{
    uint64_t more;
    std::memcpy(&more, next, 8);
    bits |= __builtin_bswap64(more) >> count;
    next += (63 - count) >> 3;
    count |= 56;
}

inline void Unpacker::BitWindow::skip(uint32_t n)
{
    bits <<= n;
    count -= n;
}

inline uint32_t Unpacker::BitWindow::take(uint32_t n)
{
    uint32_t v = uint32_t(bits >> (64 - n));
    skip(n);
    return v;
}

Unpacker::BitWindow Unpacker::openWindow() const
{
    BitWindow w;
    w.next = input_ + bits_.position;
    w.refill();
    w.skip(bits_.offset);
    return w;
}

void Unpacker::closeWindow(const BitWindow& w)
{
    uint32_t consumed = uint32_t(w.next - input_) * 8 - w.count;
    bits_.position = consumed >> 3;
    bits_.offset = consumed & 7;
}

bool Unpacker::inputSpent() const { return sourceSpent_ && bits_.position >= inputTop_; }

// --- Tables ---------------------------------------------------------------------------------

void Unpacker::buildTable(DecodeTable& table, const uint8_t* lengths, uint32_t symbolCount)
{
    uint32_t count[16] = {};
    for (uint32_t i = 0; i < symbolCount; ++i) count[lengths[i] & 15]++;
    count[0] = 0;
    table.limits[0] = 0;
    table.positions[0] = 0;
    // Limits as the code would have them; a damaged (over-full) code is cut at 0xFFFF.
    uint32_t fullLimits[16] = {};
    uint32_t n = 0;
    for (uint32_t i = 1; i < 16; ++i) {
        n = 2 * (n + count[i]);
        fullLimits[i] = n << (15 - i);
        table.limits[i] = fullLimits[i] > 0xFFFF ? 0xFFFF : fullLimits[i];
        table.positions[i] = table.positions[i - 1] + count[i - 1];
    }
    uint32_t next[16];
    std::memcpy(next, table.positions, sizeof next);
    std::memset(table.symbols, 0, sizeof table.symbols);
    for (uint32_t s = 0; s < symbolCount; ++s)
        if (uint32_t len = lengths[s] & 15) table.symbols[next[len]++] = uint16_t(s);
    table.symbolCount = symbolCount;
    if (fullLimits[QUICK_BITS] <= 0x10000) fillQuickByCodes(table, count);
    else fillQuickByPrefixes(table);
}

// A sound code: each code of at most QUICK_BITS bits fills the run of prefixes that start with it;
// codes are assigned in order of length and value, so the runs follow each other without gaps.
void Unpacker::fillQuickByCodes(DecodeTable& table, const uint32_t* count)
{
    uint32_t prefix = 0;
    for (uint32_t len = 1; len <= QUICK_BITS; ++len) {
        uint32_t span = 1u << (QUICK_BITS - len);
        for (uint32_t j = 0; j < count[len]; ++j) {
            uint16_t entry = uint16_t(len << QUICK_LENGTH_SHIFT | table.symbols[table.positions[len] + j]);
            for (uint32_t k = 0; k < span; ++k) table.quick[prefix++] = entry;
        }
    }
    std::memset(table.quick + prefix, 0, ((1u << QUICK_BITS) - prefix) * sizeof table.quick[0]);
}

// Any code: the quick table gives the same answer as the limit search for every prefix it holds;
// the length found only grows with the prefix.
void Unpacker::fillQuickByPrefixes(DecodeTable& table)
{
    uint32_t len = 1;
    for (uint32_t prefix = 0; prefix < (1u << QUICK_BITS); ++prefix) {
        uint32_t c = prefix << (16 - QUICK_BITS);
        while (len < 15 && c >= table.limits[len]) ++len;
        if (len > QUICK_BITS) {
            std::memset(table.quick + prefix, 0, ((1u << QUICK_BITS) - prefix) * sizeof table.quick[0]);
            return;
        }
        uint32_t k = table.positions[len] + ((c - table.limits[len - 1]) >> (16 - len));
        if (k >= table.symbolCount) k = 0;
        table.quick[prefix] = uint16_t(len << QUICK_LENGTH_SHIFT | table.symbols[k]);
    }
}

template <typename Reader>
inline uint32_t Unpacker::decode(const DecodeTable& table, Reader& bits)
{
    uint32_t c = bits.peek() & 0xFFFE;
    if (uint32_t q = table.quick[c >> (16 - QUICK_BITS)]) {
        bits.skip(q >> QUICK_LENGTH_SHIFT);
        return q & QUICK_SYMBOL_MASK;
    }
    uint32_t len = QUICK_BITS + 1;
    while (len < 15 && c >= table.limits[len]) ++len;
    bits.skip(len);
    uint32_t k = table.positions[len] + ((c - table.limits[len - 1]) >> (16 - len));
    if (k >= table.symbolCount) k = 0;
    return table.symbols[k];
}

// Reads a table set: mode bits, the bit-length code, then the code lengths of every alphabet.
bool Unpacker::readTables()
{
    if (bits_.position > TABLE_START_REFILL) refill(false);
    uint32_t bits = bits_.peek();
    audioMode_ = (bits & TABLES_AUDIO) != 0;
    if (!(bits & TABLES_KEEP_OLD)) std::memset(oldLengths_, 0, sizeof oldLengths_);
    bits_.skip(2);
    uint32_t tableSize = LZ_TABLE_SIZE;
    if (audioMode_) {
        channelCount_ = ((bits >> 12) & 3) + 1;
        if (currentChannel_ >= channelCount_) currentChannel_ = 0;
        bits_.skip(2);
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
        if (bits_.position > TABLE_LOOP_REFILL) refill(false);
        uint32_t n = decode(bitLengthTable_, bits_);
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

// Symbols 256 to 297 but 269: the length and distance of a match, recorded in the history.
// Inlined, so that the cursor stays a register variable of the run.
[[gnu::always_inline]] inline Unpacker::Match Unpacker::decodeMatch(uint32_t n, BitWindow& bits)
{
    uint32_t length, distance;
    if (n >= SYMBOL_LONG) {
        uint32_t i = n - SYMBOL_LONG;
        length = LENGTH_BASE[i] + 3u;
        if (LENGTH_BITS[i]) length += bits.take(LENGTH_BITS[i]);
        uint32_t d = decode(distanceTable_, bits);
        if (d >= DISTANCE_SYMBOLS) d = 0;
        distance = DISTANCE.base[d] + 1;
        if (DISTANCE.bits[d]) distance += bits.take(DISTANCE.bits[d]);
        length += longAdjust(distance);
    } else if (n == SYMBOL_LAST) {
        length = lastLength_;
        distance = lastDistance_;
    } else if (n < SYMBOL_SHORT) {
        distance = oldDistances_[(oldDistanceIndex_ - (n - SYMBOL_LAST)) & 3];
        uint32_t r = decode(repeatTable_, bits);
        if (r >= REPEAT_SYMBOLS) r = 0;
        length = LENGTH_BASE[r] + 2u;
        if (LENGTH_BITS[r]) length += bits.take(LENGTH_BITS[r]);
        length += repeatAdjust(distance);
    } else {
        uint32_t i = n - SYMBOL_SHORT;
        distance = SHORT_BASE[i] + 1u + bits.take(SHORT_BITS[i]);
        length = 2;
    }
    oldDistances_[oldDistanceIndex_++ & 3] = distance;
    lastDistance_ = distance;
    lastLength_ = length;
    return {length, distance};
}

// The state a run changes is held in locals and stored back when the run ends.
void Unpacker::decodeLzRun(RunLimits limits)
{
    BitWindow bits = openWindow();
    uint8_t* const window = window_;
    uint32_t w = writePosition_;
    int32_t left = bytesLeft_;
    bool newTables = false;
    do {
        bits.refill();
        uint32_t n = decode(mainTable_, bits);
        if (n < SYMBOL_LAST) {
            window[w] = uint8_t(n);
            w = (w + 1) & WINDOW_MASK;
            --left;
        } else if (n == SYMBOL_NEW_TABLES) {
            newTables = true;
            break;
        } else {
            Match m = decodeMatch(n, bits);
            left -= int32_t(m.length);
            w = copyMatch(w, m.length, m.distance);
        }
    } while (left >= limits.stopAt && bits.next <= limits.inputEnd);
    endRun(bits, w, left, newTables);
}

// Stores back what a run changed; a table switch that ended it is read now.
void Unpacker::endRun(const BitWindow& bits, uint32_t w, int32_t left, bool newTables)
{
    closeWindow(bits);
    writePosition_ = w;
    bytesLeft_ = left;
    if (newTables) readTables();
}

// Copies forward, as the format defines it: a match may overlap the bytes it writes. Returns the
// write position after it.
uint32_t Unpacker::copyMatch(uint32_t w, uint32_t length, uint32_t distance)
{
    uint32_t source = (w - distance) & WINDOW_MASK;
    if (source + length <= WINDOW_SIZE && w + length <= WINDOW_SIZE) {
        uint8_t* to = window_ + w;
        const uint8_t* from = window_ + source;
        // Eight bytes at a time read only bytes already final when the source lies eight or more
        // behind, or ahead of the write position (a distance that wraps round the window). Behind,
        // a last chunk may also end the match, rewriting bytes with the values they have.
        bool behind = source < w;
        uint32_t k = !behind || distance >= 8 ? copyChunks(to, from, length) : 0;
        if (behind && distance >= 8 && length >= 8 && k < length) {
            copyChunk(to + length - 8, from + length - 8);
            k = length;
        }
        for (; k < length; ++k) to[k] = from[k];
        return (w + length) & WINDOW_MASK;
    }
    for (uint32_t k = 0; k < length; ++k) {
        window_[w] = window_[(w - distance) & WINDOW_MASK];
        w = (w + 1) & WINDOW_MASK;
    }
    return w;
}

void Unpacker::decodeAudioRun(RunLimits limits)
{
    BitWindow bits = openWindow();
    uint8_t* const window = window_;
    uint32_t w = writePosition_;
    int32_t left = bytesLeft_;
    int32_t channelDelta = channelDelta_;
    AudioChannelState channels[MAX_CHANNELS];
    std::memcpy(channels, channels_, sizeof channels);
    // The channel as a pair of pointers, to its state and to its table.
    AudioChannelState* const last = channels + channelCount_ - 1;
    AudioChannelState* v = channels + currentChannel_;
    const DecodeTable* table = audioTables_ + currentChannel_;
    bool newTables = false;
    do {
        bits.refill();
        uint32_t n = decode(*table, bits);
        if (n == AUDIO_NEW_TABLES) {
            newTables = true;
            break;
        }
        window[w] = audioUpdate(*v, channelDelta, audioPredict(*v, channelDelta), n);
        w = (w + 1) & WINDOW_MASK;
        --left;
        if (v == last) {
            v = channels;
            table = audioTables_;
        } else {
            ++v;
            ++table;
        }
    } while (left >= limits.stopAt && bits.next <= limits.inputEnd);
    currentChannel_ = uint32_t(v - channels);
    channelDelta_ = channelDelta;
    std::memcpy(channels_, channels, sizeof channels);
    endRun(bits, w, left, newTables);
}

void Unpacker::flush()
{
    if (!member_->wanted || !member_->output || !member_->produced) return;
    uint32_t first = flushedPosition_, last = writePosition_ & WINDOW_MASK;
    uint32_t count = (last - first) & WINDOW_MASK;
    uint32_t& produced = *member_->produced;
    if (uint64_t(produced) + count > member_->unpackedSize) {
        outputStopped_ = true;
        return;
    }
    uint32_t head = first + count <= WINDOW_SIZE ? count : WINDOW_SIZE - first;
    std::memcpy(member_->output + produced, window_ + first, head);
    std::memcpy(member_->output + produced + head, window_, count - head);
    produced += count;
}

} // namespace qm
