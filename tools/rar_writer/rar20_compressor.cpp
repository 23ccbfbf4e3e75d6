#include "tools/rar_writer/rar20_compressor.h"

#include "assets/rar20_format.h"
#include "tools/rar_writer/bit_writer.h"
#include "tools/rar_writer/huffman_builder.h"
#include "tools/rar_writer/lz_matcher.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace qm {

using namespace rar20;

namespace {

// --- Writer limits ---------------------------------------------------------------------------

constexpr uint32_t MAX_MATCH = 257;
constexpr uint32_t DEFAULT_BLOCK_BYTES = 64 << 10;
constexpr uint32_t MAX_GROUP_BYTES = 4 << 20;
constexpr uint16_t MEMBER_END = 0xFFFF;
// Zero bytes after a member's last code: other readers look ahead past it. Fewer than five, so
// that no reader takes them for a trailing table switch.
constexpr size_t TAIL_PADDING = 2;

uint32_t lengthSymbol(uint32_t value)
{
    uint32_t i = 27;
    while (LENGTH_BASE[i] > value) --i;
    return i;
}

uint32_t distanceSymbol(uint32_t value)
{
    uint32_t i = 47;
    while (DISTANCE.base[i] > value) --i;
    return i;
}

// --- Coded symbols and the decoder's state as the encoder follows it ----------------------------

// One coded symbol; the numbers of extra bits follow from the symbols.
struct Coded {
    uint16_t symbol = 0;     // main or audio symbol, or MEMBER_END
    uint16_t extra2 = 0;     // distance extra bits (long matches)
    uint8_t channel = 0;     // audio channel
    uint8_t second = 0xFF;   // distance symbol (long) or repeat-length symbol (old distance)
    uint8_t extra1 = 0;      // length or short-distance extra bits
};

struct LzState {
    uint32_t old[4] = {};
    uint32_t index = 0;
    uint32_t lastDistance = 0;
    uint32_t lastLength = 0;

    void record(uint32_t length, uint32_t distance)
    {
        old[index++ & 3] = distance;
        lastDistance = distance;
        lastLength = length;
    }
    uint32_t oldDistance(uint32_t k) const { return old[(index - k) & 3]; }
};

struct AudioState {
    AudioChannelState channels[MAX_CHANNELS];
    int32_t channelDelta = 0;
    uint32_t current = 0;

    // The delta that makes the decoder's prediction produce `byte`; advances like the decoder.
    uint32_t encode(uint8_t byte)
    {
        AudioChannelState& v = channels[current];
        int32_t prediction = audioPredict(v, channelDelta);
        uint32_t delta = uint32_t(prediction - byte) & 0xFF;
        audioUpdate(v, channelDelta, prediction, delta);
        return delta;
    }
};

// --- Blocks: the symbols of one table set and their counts ------------------------------------

struct Counts {
    std::array<uint32_t, MAIN_SYMBOLS> main{};
    std::array<uint32_t, DISTANCE_SYMBOLS> distance{};
    std::array<uint32_t, REPEAT_SYMBOLS> repeat{};
    std::array<std::array<uint32_t, AUDIO_SYMBOLS>, MAX_CHANNELS> audio{};
    uint64_t extraBits = 0;

    void add(const Counts& o)
    {
        for (uint32_t i = 0; i < MAIN_SYMBOLS; ++i) main[i] += o.main[i];
        for (uint32_t i = 0; i < DISTANCE_SYMBOLS; ++i) distance[i] += o.distance[i];
        for (uint32_t i = 0; i < REPEAT_SYMBOLS; ++i) repeat[i] += o.repeat[i];
        for (uint32_t c = 0; c < MAX_CHANNELS; ++c)
            for (uint32_t i = 0; i < AUDIO_SYMBOLS; ++i) audio[c][i] += o.audio[c][i];
        extraBits += o.extraBits;
    }
};

struct Block {
    bool audio = false;
    uint32_t channels = 1;
    uint32_t endChannel = 0;   // audio: the channel whose table codes the switch after the block
    uint64_t bytes = 0;
    std::vector<Coded> items;
    Counts counts;
    uint64_t cost = 0;

    uint32_t tableSize() const { return audio ? AUDIO_SYMBOLS * channels : LZ_TABLE_SIZE; }
    bool sameMode(const Block& o) const { return audio == o.audio && (!audio || channels == o.channels); }

    void addMatchCounts(const Coded& c)
    {
        counts.main[c.symbol]++;
        if (c.symbol >= SYMBOL_LONG) {
            counts.extraBits += LENGTH_BITS[c.symbol - SYMBOL_LONG] + DISTANCE.bits[c.second];
            counts.distance[c.second]++;
        } else if (c.symbol > SYMBOL_LAST && c.symbol < SYMBOL_SHORT) {
            counts.extraBits += LENGTH_BITS[c.second];
            counts.repeat[c.second]++;
        } else if (c.symbol >= SYMBOL_SHORT && c.symbol < SYMBOL_NEW_TABLES) {
            counts.extraBits += SHORT_BITS[c.symbol - SYMBOL_SHORT];
        }
    }
    void push(const Coded& c)
    {
        items.push_back(c);
        if (audio) counts.audio[c.channel][c.symbol]++;
        else addMatchCounts(c);
    }
};

// The code lengths of every alphabet of a block, in table-set order; a switch symbol is counted
// when another table set follows.
std::vector<uint8_t> blockLengths(const Block& b, bool withSwitch)
{
    std::vector<uint8_t> all;
    auto append = [&all](const uint32_t* counts, uint32_t n) {
        std::vector<uint8_t> l = HuffmanBuilder::lengths(counts, n);
        all.insert(all.end(), l.begin(), l.end());
    };
    if (b.audio) {
        for (uint32_t c = 0; c < b.channels; ++c) {
            std::array<uint32_t, AUDIO_SYMBOLS> counts = b.counts.audio[c];
            if (withSwitch && c == b.endChannel) counts[AUDIO_NEW_TABLES]++;
            append(counts.data(), AUDIO_SYMBOLS);
        }
    } else {
        std::array<uint32_t, MAIN_SYMBOLS> main = b.counts.main;
        if (withSwitch) main[SYMBOL_NEW_TABLES]++;
        append(main.data(), MAIN_SYMBOLS);
        append(b.counts.distance.data(), DISTANCE_SYMBOLS);
        append(b.counts.repeat.data(), REPEAT_SYMBOLS);
    }
    return all;
}

// --- Table sets --------------------------------------------------------------------------------

struct LengthCode {
    uint8_t symbol;
    uint8_t extra;
};

// Code lengths as bit-length symbols: values relative to base (0-15), repeats (16) and zero runs (17, 18).
std::vector<LengthCode> lengthCodes(const uint8_t* lengths, uint32_t n, const uint8_t* base)
{
    std::vector<LengthCode> out;
    uint32_t i = 0;
    while (i < n) {
        uint32_t run = 1;
        if (lengths[i] == 0) {
            while (i + run < n && lengths[i + run] == 0 && run < 138) ++run;
            if (run >= 11) {
                out.push_back({uint8_t(LENGTH_LONG_ZEROS), uint8_t(run - 11)});
                i += run;
                continue;
            }
            if (run >= 3) {
                out.push_back({uint8_t(LENGTH_ZEROS), uint8_t(run - 3)});
                i += run;
                continue;
            }
        } else if (i > 0 && lengths[i] == lengths[i - 1]) {
            while (i + run < n && lengths[i + run] == lengths[i - 1] && run < 6) ++run;
            if (run >= 3) {
                out.push_back({uint8_t(LENGTH_REPEAT), uint8_t(run - 3)});
                i += run;
                continue;
            }
        }
        out.push_back({uint8_t((lengths[i] - (base ? base[i] : 0)) & 15), 0});
        ++i;
    }
    return out;
}

uint32_t lengthCodeExtraBits(uint8_t symbol)
{
    return symbol == LENGTH_REPEAT ? 2 : symbol == LENGTH_ZEROS ? 3 : symbol == LENGTH_LONG_ZEROS ? 7 : 0;
}

// Bits of the lengths after the mode bits; written to out when given.
uint64_t encodeLengths(const uint8_t* lengths, uint32_t n, const uint8_t* base, BitWriter* out)
{
    std::vector<LengthCode> codes = lengthCodes(lengths, n, base);
    uint32_t counts[BIT_LENGTH_SYMBOLS] = {};
    for (const LengthCode& c : codes) counts[c.symbol]++;
    std::vector<uint8_t> bitLengths = HuffmanBuilder::lengths(counts, BIT_LENGTH_SYMBOLS);
    uint64_t bits = 4 * BIT_LENGTH_SYMBOLS + HuffmanBuilder::cost(counts, bitLengths);
    for (const LengthCode& c : codes) bits += lengthCodeExtraBits(c.symbol);
    if (!out) return bits;
    std::vector<uint16_t> huff = HuffmanBuilder::codes(bitLengths);
    for (uint8_t l : bitLengths) out->put(l, 4);
    for (const LengthCode& c : codes) {
        out->put(huff[c.symbol], bitLengths[c.symbol]);
        out->put(c.extra, lengthCodeExtraBits(c.symbol));
    }
    return bits;
}

uint64_t blockCost(const Block& b)
{
    std::vector<uint8_t> lengths = blockLengths(b, true);
    uint64_t bits = 4 + encodeLengths(lengths.data(), uint32_t(lengths.size()), nullptr, nullptr) + b.counts.extraBits;
    size_t at = 0;
    auto add = [&](const uint32_t* counts, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) bits += uint64_t(counts[i]) * lengths[at + i];
        at += n;
    };
    if (b.audio) {
        for (uint32_t c = 0; c < b.channels; ++c) add(b.counts.audio[c].data(), AUDIO_SYMBOLS);
    } else {
        add(b.counts.main.data(), MAIN_SYMBOLS);
        add(b.counts.distance.data(), DISTANCE_SYMBOLS);
        add(b.counts.repeat.data(), REPEAT_SYMBOLS);
    }
    return bits;
}

// --- Writing blocks into member streams ----------------------------------------------------------

class StreamWriter {
public:
    StreamWriter(const RarWriterOptions& options, std::vector<std::vector<uint8_t>>& members)
        : options_(options), members_(members)
    {
    }
    virtual ~StreamWriter() = default;

    // Table set, symbols and (when another block follows) the switch code of one closed block.
    void writeBlock(const Block& b, bool last);
    // The stream of the last open member ends.
    void endMember()
    {
        std::vector<uint8_t> bytes = writer_.finish();
        if (!bytes.empty()) bytes.resize(bytes.size() + TAIL_PADDING, 0);
        members_.push_back(std::move(bytes));
    }

private:
    void writeTableSet(const Block& b, const std::vector<uint8_t>& lengths);
    void writeItem(const Coded& c);

    const RarWriterOptions& options_;
    std::vector<std::vector<uint8_t>>& members_;
    BitWriter writer_;
    uint8_t old_[OLD_LENGTHS] = {};
    bool havePrevious_ = false;
    bool previousAudio_ = false;
    uint32_t previousSize_ = 0;
    uint32_t pendingEnds_ = 0;
    bool switchPending_ = false;
    uint32_t switchCode_ = 0;
    uint32_t switchLength_ = 0;
    std::vector<uint8_t> lengths_;
    std::vector<uint16_t> codes_;
};

void StreamWriter::writeTableSet(const Block& b, const std::vector<uint8_t>& lengths)
{
    uint32_t size = b.tableSize();
    bool deltaAllowed = options_.allowDeltaTables && havePrevious_ && previousAudio_ == b.audio &&
                        previousSize_ == size;
    bool delta = false;
    if (deltaAllowed) {
        uint64_t plain = encodeLengths(lengths.data(), size, nullptr, nullptr);
        uint64_t relative = encodeLengths(lengths.data(), size, old_, nullptr);
        delta = options_.forceDeltaTables || relative < plain;
    }
    writer_.put(b.audio ? 1 : 0, 1);
    writer_.put(delta ? 1 : 0, 1);
    if (b.audio) writer_.put(b.channels - 1, 2);
    encodeLengths(lengths.data(), size, delta ? old_ : nullptr, &writer_);
    if (!delta) std::memset(old_, 0, sizeof old_);
    std::memcpy(old_, lengths.data(), size);
    havePrevious_ = true;
    previousAudio_ = b.audio;
    previousSize_ = size;
}

void StreamWriter::writeItem(const Coded& c)
{
    uint32_t offset = c.channel * AUDIO_SYMBOLS;
    writer_.put(codes_[offset + c.symbol], lengths_[offset + c.symbol]);
    if (c.symbol < SYMBOL_LAST || c.symbol == SYMBOL_NEW_TABLES || offset) return;
    if (c.symbol >= SYMBOL_LONG) {
        writer_.put(c.extra1, LENGTH_BITS[c.symbol - SYMBOL_LONG]);
        uint32_t d = MAIN_SYMBOLS + c.second;
        writer_.put(codes_[d], lengths_[d]);
        writer_.put(c.extra2, DISTANCE.bits[c.second]);
    } else if (c.symbol > SYMBOL_LAST && c.symbol < SYMBOL_SHORT) {
        uint32_t r = MAIN_SYMBOLS + DISTANCE_SYMBOLS + c.second;
        writer_.put(codes_[r], lengths_[r]);
        writer_.put(c.extra1, LENGTH_BITS[c.second]);
    } else if (c.symbol >= SYMBOL_SHORT) {
        writer_.put(c.extra1, SHORT_BITS[c.symbol - SYMBOL_SHORT]);
    }
}

void StreamWriter::writeBlock(const Block& b, bool last)
{
    // A member that ended with the previous block ends before the switch code: the next member
    // opens with the switch and its table set, coded with the tables it inherits.
    for (; pendingEnds_; --pendingEnds_) endMember();
    if (switchPending_) writer_.put(switchCode_, switchLength_);
    lengths_ = blockLengths(b, !last);
    writeTableSet(b, lengths_);
    codes_.clear();
    std::vector<uint32_t> sizes;
    if (b.audio) sizes.assign(b.channels, AUDIO_SYMBOLS);
    else sizes = {MAIN_SYMBOLS, DISTANCE_SYMBOLS, REPEAT_SYMBOLS};
    uint32_t at = 0;
    for (uint32_t n : sizes) {
        std::vector<uint8_t> l(lengths_.begin() + at, lengths_.begin() + at + n);
        std::vector<uint16_t> k = HuffmanBuilder::codes(l);
        codes_.insert(codes_.end(), k.begin(), k.end());
        at += n;
    }
    size_t lastReal = b.items.size();
    while (lastReal > 0 && b.items[lastReal - 1].symbol == MEMBER_END) --lastReal;
    for (size_t i = 0; i < lastReal; ++i) {
        if (b.items[i].symbol == MEMBER_END) endMember();
        else writeItem(b.items[i]);
    }
    pendingEnds_ = uint32_t(b.items.size() - lastReal);
    switchPending_ = !last;
    uint32_t sw = b.audio ? b.endChannel * AUDIO_SYMBOLS + AUDIO_NEW_TABLES : SYMBOL_NEW_TABLES;
    switchCode_ = codes_[sw];
    switchLength_ = lengths_[sw];
    if (last)
        for (; pendingEnds_; --pendingEnds_) endMember();
}

// --- Coding matches --------------------------------------------------------------------------

// Codes a match in the requested form and records it in the history; false if the form cannot carry it.
bool codeMatch(uint32_t length, uint32_t distance, RarToken::Form form, uint32_t oldIndex,
               const RarWriterOptions& options, LzState& st, Coded& out)
{
    using Form = RarToken::Form;
    if (distance == 0 || distance > 0x100000 || length < 2) return false;
    if (form == Form::AUTO) {
        form = Form::LONG;
        if (options.allowRepeatSymbols && length == st.lastLength && distance == st.lastDistance) {
            form = Form::LAST;
        } else if (options.allowRepeatSymbols) {
            for (uint32_t k = 1; k <= 4 && form == Form::LONG; ++k)
                if (st.oldDistance(k) == distance && length >= 2 + repeatAdjust(distance) &&
                    length - 2 - repeatAdjust(distance) <= 255) {
                    form = Form::OLD;
                    oldIndex = k;
                }
        }
        if (form == Form::LONG && length == 2 && distance <= 256 && options.allowShortDistances) form = Form::SHORT;
    }
    out = Coded{};
    switch (form) {
    case Form::LAST:
        if (length != st.lastLength || distance != st.lastDistance) return false;
        out.symbol = SYMBOL_LAST;
        break;
    case Form::OLD: {
        if (oldIndex < 1 || oldIndex > 4 || st.oldDistance(oldIndex) != distance) return false;
        uint32_t adjust = repeatAdjust(distance);
        if (length < 2 + adjust || length - 2 - adjust > 255) return false;
        uint32_t v = length - 2 - adjust;
        out.symbol = uint16_t(SYMBOL_LAST + oldIndex);
        out.second = uint8_t(lengthSymbol(v));
        out.extra1 = uint8_t(v - LENGTH_BASE[out.second]);
        break;
    }
    case Form::SHORT: {
        if (length != 2 || distance > 256) return false;
        uint32_t i = 7;
        while (SHORT_BASE[i] > distance - 1) --i;
        out.symbol = uint16_t(SYMBOL_SHORT + i);
        out.extra1 = uint8_t(distance - 1 - SHORT_BASE[i]);
        break;
    }
    case Form::LONG: {
        uint32_t adjust = longAdjust(distance);
        if (length < 3 + adjust || length - 3 - adjust > 255) return false;
        uint32_t v = length - 3 - adjust;
        uint32_t i = lengthSymbol(v);
        uint32_t d = distanceSymbol(distance - 1);
        out.symbol = uint16_t(SYMBOL_LONG + i);
        out.extra1 = uint8_t(v - LENGTH_BASE[i]);
        out.second = uint8_t(d);
        out.extra2 = uint16_t(distance - 1 - DISTANCE.base[d]);
        break;
    }
    default:
        return false;
    }
    st.record(length, distance);
    return true;
}

// --- The compression session over one member, or a solid set of members -----------------------

struct Candidate {
    RarToken::Form form = RarToken::Form::LITERAL;
    uint32_t length = 1;
    uint32_t distance = 0;
    uint32_t oldIndex = 0;
    int32_t score = 0;   // bits saved against coding the bytes as literals (about 8 bits each)
};

class Session {
public:
    Session(const uint8_t* data, size_t size, const RarWriterOptions& options, StreamWriter& out)
        : data_(data), options_(options), out_(out), matcher_(data, size, options.matchEffort)
    {
    }
    virtual ~Session() = default;

    void compressMember(size_t begin, size_t end);
    void finish();

private:
    size_t parseLz(size_t pos, size_t chunkEnd, size_t memberEnd, LzState& st, Block& block);
    void codeAudio(size_t pos, size_t end, uint32_t channels, AudioState& st, Block& block) const;
    Candidate best(size_t pos, size_t memberEnd, const LzState& st) const;
    void addChunk(Block&& chunk);
    void closeGroup(bool last);

    const uint8_t* data_;
    const RarWriterOptions& options_;
    StreamWriter& out_;
    LzMatcher matcher_;
    LzState lz_;
    AudioState audio_;
    std::unique_ptr<Block> group_;
};

Candidate Session::best(size_t pos, size_t memberEnd, const LzState& st) const
{
    using Form = RarToken::Form;
    Candidate top;
    uint32_t maxLength = uint32_t(std::min<size_t>(MAX_MATCH, memberEnd - pos));
    if (maxLength < 2) return top;
    auto consider = [&top](Form f, uint32_t len, uint32_t dist, uint32_t k, int32_t cost) {
        int32_t score = int32_t(len) * 8 - cost;
        if (score > top.score) top = {f, len, dist, k, score};
    };
    if (options_.allowRepeatSymbols) {
        if (st.lastLength && st.lastLength <= maxLength && st.lastDistance <= pos &&
            matcher_.matchLength(pos, st.lastDistance, st.lastLength) == st.lastLength)
            consider(Form::LAST, st.lastLength, st.lastDistance, 0, 6);
        for (uint32_t k = 1; k <= 4; ++k) {
            uint32_t d = st.oldDistance(k);
            if (!d || d > pos) continue;
            uint32_t len = matcher_.matchLength(pos, d, maxLength);
            uint32_t adjust = repeatAdjust(d);
            if (len < 2 + adjust) continue;
            consider(Form::OLD, len, d, k, 9 + LENGTH_BITS[lengthSymbol(len - 2 - adjust)]);
        }
    }
    LzMatcher::Match m = matcher_.longest(pos, memberEnd, maxLength);
    if (m.length >= 3 + longAdjust(m.distance)) {
        uint32_t cost = 12 + LENGTH_BITS[lengthSymbol(m.length - 3 - longAdjust(m.distance))] +
                        DISTANCE.bits[distanceSymbol(m.distance - 1)];
        consider(Form::LONG, m.length, m.distance, 0, int32_t(cost));
    }
    if (options_.allowShortDistances && top.length < 3) {
        uint32_t d = matcher_.pairDistance(pos, 256);
        if (d) consider(Form::SHORT, 2, d, 0, d <= 8 ? 9 : 12);
    }
    return top;
}

size_t Session::parseLz(size_t pos, size_t chunkEnd, size_t memberEnd, LzState& st, Block& block)
{
    block.audio = false;
    while (pos < chunkEnd) {
        matcher_.insertUpTo(pos);
        Candidate c = best(pos, memberEnd, st);
        if (c.score > 0 && pos + 1 < memberEnd) {
            // One step of lazy evaluation: a literal first may uncover a better match.
            matcher_.insertUpTo(pos + 1);
            Candidate next = best(pos + 1, memberEnd, st);
            if (next.score > c.score + 4) c = Candidate{};
        }
        Coded coded;
        if (c.score <= 0 || !codeMatch(c.length, c.distance, c.form, c.oldIndex, options_, st, coded)) {
            coded = Coded{};
            coded.symbol = data_[pos];
            c.length = 1;
        }
        block.push(coded);
        pos += c.length;
    }
    return pos;
}

void Session::codeAudio(size_t pos, size_t end, uint32_t channels, AudioState& st, Block& block) const
{
    block.audio = true;
    block.channels = channels;
    if (st.current >= channels) st.current = 0;
    for (size_t p = pos; p < end; ++p) {
        Coded c;
        c.channel = uint8_t(st.current);
        c.symbol = uint16_t(st.encode(data_[p]));
        block.push(c);
        if (++st.current >= channels) st.current = 0;
    }
    block.endChannel = st.current;
}

void Session::compressMember(size_t begin, size_t end)
{
    size_t blockBytes = options_.blockBytes ? options_.blockBytes : DEFAULT_BLOCK_BYTES;
    size_t pos = begin;
    while (pos < end) {
        size_t chunkEnd = std::min(end, pos + blockBytes);
        bool forcedAudio = options_.forceAudioChannels >= 1 && options_.forceAudioChannels <= 4;
        LzState lzTrial = lz_;
        Block chosen;
        size_t stop = parseLz(pos, chunkEnd, end, lzTrial, chosen);
        chosen.cost = blockCost(chosen);
        AudioState audioChosen = audio_;
        bool audioWon = false;
        // Audio mode is tried where LZ leaves the data nearly as large as it was.
        bool tryAudio = forcedAudio || (options_.allowAudio && chosen.cost > 5 * (stop - pos));
        if (tryAudio) {
            uint32_t first = forcedAudio ? uint32_t(options_.forceAudioChannels) : 1;
            uint32_t lastChannels = forcedAudio ? first : MAX_CHANNELS;
            for (uint32_t ch = first; ch <= lastChannels; ++ch) {
                // Audio blocks end on the first channel, so that a table switch comes at channel 0.
                uint32_t start = audio_.current >= ch ? 0 : audio_.current;
                size_t audioStop = chunkEnd + (ch - (start + (chunkEnd - pos)) % ch) % ch;
                if (audioStop > end) audioStop = end;
                AudioState trial = audio_;
                Block b;
                codeAudio(pos, audioStop, ch, trial, b);
                b.cost = blockCost(b);
                // Costs compare per byte: the two trials may cover slightly different spans.
                // Audio decodes slower than literals: it has to save at least 3 percent.
                bool cheaper = 100 * b.cost * (stop - pos) < 97 * chosen.cost * (audioStop - pos);
                if (forcedAudio || cheaper) {
                    chosen = std::move(b);
                    audioChosen = trial;
                    audioWon = true;
                    stop = audioStop;
                }
            }
        }
        if (audioWon) audio_ = audioChosen;
        else lz_ = lzTrial;
        chosen.bytes = stop - pos;
        addChunk(std::move(chosen));
        pos = stop;
    }
    Coded end_;
    end_.symbol = MEMBER_END;
    if (group_) group_->items.push_back(end_);
    else out_.endMember();
}

// Joins a chunk to the open group when one table set for both costs less than two.
void Session::addChunk(Block&& chunk)
{
    if (group_ && group_->sameMode(chunk) && !options_.forceNewTables &&
        group_->bytes + chunk.bytes <= MAX_GROUP_BYTES) {
        Block merged;
        merged.audio = chunk.audio;
        merged.channels = chunk.channels;
        merged.endChannel = chunk.endChannel;
        merged.counts = group_->counts;
        merged.counts.add(chunk.counts);
        uint64_t together = blockCost(merged);
        if (together <= group_->cost + chunk.cost) {
            group_->counts = merged.counts;
            group_->endChannel = chunk.endChannel;
            group_->bytes += chunk.bytes;
            group_->cost = together;
            group_->items.insert(group_->items.end(), chunk.items.begin(), chunk.items.end());
            return;
        }
    }
    if (group_) closeGroup(false);
    group_ = std::make_unique<Block>(std::move(chunk));
}

void Session::closeGroup(bool last)
{
    out_.writeBlock(*group_, last);
    group_.reset();
}

void Session::finish()
{
    if (group_) closeGroup(true);
}

// --- Tokens to bytes, for the hand-built streams of tests -----------------------------------------

void applyToken(const RarToken& t, std::vector<uint8_t>& bytes)
{
    if (t.form == RarToken::Form::LITERAL) {
        bytes.push_back(t.literal);
        return;
    }
    for (uint32_t k = 0; k < t.length; ++k) bytes.push_back(bytes[bytes.size() - t.distance]);
}

} // namespace

std::vector<std::vector<uint8_t>> Rar20Compressor::compressMembers(const std::vector<RarEntry>& entries,
                                                                   const RarWriterOptions& options)
{
    std::vector<std::vector<uint8_t>> result(entries.size());
    if (!options.solid) {
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::vector<uint8_t>& d = entries[i].data;
            if (d.empty()) continue;
            std::vector<std::vector<uint8_t>> streams;
            StreamWriter out(options, streams);
            Session session(d.data(), d.size(), options, out);
            session.compressMember(0, d.size());
            session.finish();
            result[i] = std::move(streams.front());
        }
        return result;
    }
    // A solid set is one history: the members' bytes end to end. Every member gets a stream,
    // an empty member an empty one, so that the chain of solid members stays unbroken.
    std::vector<uint8_t> all;
    std::vector<size_t> ends;
    for (const RarEntry& e : entries) {
        all.insert(all.end(), e.data.begin(), e.data.end());
        ends.push_back(all.size());
    }
    std::vector<std::vector<uint8_t>> streams;
    StreamWriter out(options, streams);
    Session session(all.data(), all.size(), options, out);
    size_t begin = 0;
    for (size_t e : ends) {
        session.compressMember(begin, e);
        begin = e;
    }
    session.finish();
    for (size_t i = 0; i < entries.size() && i < streams.size(); ++i) result[i] = std::move(streams[i]);
    return result;
}

bool Rar20Compressor::packTokens(const std::vector<RarToken>& tokens, const RarWriterOptions& options,
                                 std::vector<uint8_t>* packed, std::vector<uint8_t>* unpacked)
{
    std::vector<std::vector<uint8_t>> streams;
    StreamWriter out(options, streams);
    std::vector<uint8_t> bytes;
    LzState st;
    std::vector<Block> blocks(1);
    for (const RarToken& t : tokens) {
        if (t.form == RarToken::Form::NEW_TABLES) {
            blocks.emplace_back();
            continue;
        }
        Coded c;
        if (t.form == RarToken::Form::LITERAL) {
            c.symbol = t.literal;
        } else if (t.distance > bytes.size() ||
                   !codeMatch(t.length, t.distance, t.form, t.oldIndex, options, st, c)) {
            return false;
        }
        blocks.back().push(c);
        applyToken(t, bytes);
    }
    Coded end;
    end.symbol = MEMBER_END;
    blocks.back().items.push_back(end);
    for (size_t i = 0; i < blocks.size(); ++i) out.writeBlock(blocks[i], i + 1 == blocks.size());
    if (packed) *packed = streams.empty() ? std::vector<uint8_t>() : streams.front();
    if (unpacked) *unpacked = std::move(bytes);
    return true;
}

} // namespace qm
