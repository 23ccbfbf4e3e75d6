// The unpacker through hand-built symbol streams, the compressor's own streams, and damaged data.
#include "archive_test_support.h"

#include "assets/crc32.h"
#include "assets/unpacker.h"
#include "tools/rar_writer/rar20_compressor.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

namespace qm::test {
namespace {

using Form = RarToken::Form;

RarToken lit(uint8_t b) { return {Form::LITERAL, b, 0, 0, 1}; }
RarToken match(Form f, uint32_t length, uint32_t distance, uint32_t oldIndex = 1)
{
    return {f, 0, length, distance, oldIndex};
}
RarToken newTables() { return {Form::NEW_TABLES, 0, 0, 0, 1}; }

Bytes archiveOf(const Bytes& packed, const Bytes& unpacked)
{
    Bytes out;
    appendRarMarkerAndMainHeader(out, 0);
    RarRawMember m;
    m.name = "m";
    m.packed = packed;
    m.unpackedSize = uint32_t(unpacked.size());
    m.fileCrc = Crc32::of(unpacked.data(), unpacked.size());
    m.method = 0x33;
    appendRarFileBlock(out, m);
    return out;
}

bool extractMemory(const Bytes& archive, Bytes& out)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    int ok = ArchiveReader::getMemberFromMemory(&data, &size, "m", archive.data(), archive.size(), nullptr);
    out.assign(data, data + size);
    delete[] data;
    return ok != 0;
}

// Packs the tokens, checks the stream decodes to what the tokens mean, and returns that.
Bytes roundTrip(const std::vector<RarToken>& tokens, const RarWriterOptions& options = {})
{
    Bytes packed, expected, got;
    EXPECT_TRUE(Rar20Compressor::packTokens(tokens, options, &packed, &expected));
    EXPECT_TRUE(extractMemory(archiveOf(packed, expected), got));
    EXPECT_EQ(got, expected);
    return got;
}

std::vector<RarToken> literals(const Bytes& b)
{
    std::vector<RarToken> t;
    for (uint8_t c : b) t.push_back(lit(c));
    return t;
}

TEST(UnpackerSymbols, LiteralsAndLongMatches)
{
    EXPECT_EQ(roundTrip({lit('q')}), Bytes{'q'});
    Bytes ten = roundTrip({lit('z'), match(Form::LONG, 10, 1)});
    EXPECT_EQ(ten, Bytes(11, 'z'));
    Bytes abc = roundTrip({lit('a'), lit('b'), lit('c'), match(Form::LONG, 7, 3)});
    EXPECT_EQ(std::string(abc.begin(), abc.end()), "abcabcabca");
}

TEST(UnpackerSymbols, LastMatchRepeatsLengthAndDistance)
{
    Bytes b = roundTrip({lit('a'), lit('b'), lit('c'), lit('d'), match(Form::LONG, 3, 4), lit('x'),
                         match(Form::LAST, 3, 4)});
    EXPECT_EQ(std::string(b.begin(), b.end()), "abcdabcxabc");
    Bytes packed;
    EXPECT_FALSE(Rar20Compressor::packTokens({lit('a'), match(Form::LONG, 3, 1), match(Form::LAST, 4, 1)}, {},
                                             &packed, nullptr));
}

// Old distances at each length raise: below 0x101, from 0x101, from 0x2000 and from 0x40000.
TEST(UnpackerSymbols, OldDistancesWithTheirLengthRaises)
{
    std::vector<RarToken> t = literals(randomData(0x40010, 11));
    const uint32_t distances[4] = {0x40001, 0x2345, 0x180, 0x20};
    for (uint32_t k = 1; k <= 4; ++k) {
        for (uint32_t d : distances) t.push_back(match(Form::LONG, 6, d));
        // Old distance k (1 = most recent) is distances[4 - k]; 2 + k is its shortest length.
        t.push_back(match(Form::OLD, 2 + k - 1, distances[4 - k], k));
        t.push_back(match(Form::OLD, 40, distances[4 - k], 1));
    }
    roundTrip(t);
    Bytes packed;
    EXPECT_FALSE(Rar20Compressor::packTokens({lit('a'), lit('b'), match(Form::OLD, 2, 1, 1)}, {}, &packed, nullptr));
}

TEST(UnpackerSymbols, LongDistancesGainLength)
{
    std::vector<RarToken> t = literals(randomData(0x40100, 12));
    t.push_back(match(Form::LONG, 4, 0x2000));    // shortest length from 0x2000
    t.push_back(match(Form::LONG, 5, 0x40000));   // shortest length from 0x40000
    t.push_back(match(Form::LONG, 258, 0x1FFF));  // longest without a raise
    t.push_back(match(Form::LONG, 260, 0x40050)); // longest with both
    roundTrip(t);
    std::vector<RarToken> tooShort = literals(randomData(0x3000, 1));
    tooShort.push_back(match(Form::LONG, 3, 0x2000));
    Bytes packed;
    EXPECT_FALSE(Rar20Compressor::packTokens(tooShort, {}, &packed, nullptr));
}

// A match from nearly a whole window back reads slots just ahead of the ones it writes.
TEST(UnpackerSymbols, MatchFromAlmostAWindowBack)
{
    std::vector<RarToken> t = literals(randomData(0x100008, 16));
    t.push_back(match(Form::LONG, 40, 0x100000 - 4));
    t.push_back(match(Form::LONG, 30, 0x100000));
    roundTrip(t);
}

// Matches are copied in eight-byte chunks where that gives the bytes a byte-wise copy would:
// overlaps of every kind around the chunk size, and matches that run over the window's end.
TEST(UnpackerSymbols, OverlappingMatchesAroundTheChunkSize)
{
    std::vector<RarToken> t = literals(randomData(400, 17));
    for (uint32_t d : {1u, 2u, 3u, 7u, 8u, 9u, 15u, 16u, 17u, 100u})
        for (uint32_t length : {3u, 7u, 8u, 9u, 15u, 16u, 17u, 100u, 258u}) {
            t.push_back(match(Form::AUTO, length, d));
            t.push_back(lit(uint8_t(d + length)));
        }
    roundTrip(t);
    std::vector<RarToken> wrap = literals(randomData(0xFFFF0, 18));
    wrap.push_back(match(Form::AUTO, 60, 1000));
    wrap.push_back(match(Form::AUTO, 40, 5));
    roundTrip(wrap);
}

TEST(UnpackerSymbols, ShortDistancesCoverOneTo256)
{
    std::vector<RarToken> t = literals(randomData(300, 13));
    for (uint32_t d : {1u, 4u, 5u, 8u, 9u, 16u, 17u, 32u, 33u, 64u, 65u, 128u, 129u, 192u, 193u, 256u})
        t.push_back(match(Form::SHORT, 2, d));
    roundTrip(t);
}

TEST(UnpackerSymbols, TableSetsWithAndWithoutDelta)
{
    std::vector<RarToken> t = literals(textData(3000, 14));
    t.push_back(newTables());
    for (RarToken x : literals(randomData(2000, 15))) t.push_back(x);
    t.push_back(newTables());
    t.push_back(match(Form::AUTO, 50, 1234));
    for (bool forceDelta : {false, true}) {
        RarWriterOptions o;
        o.forceDeltaTables = forceDelta;
        o.allowDeltaTables = forceDelta;
        roundTrip(t, o);
    }
}

// --- Streams from the compressor ------------------------------------------------------------

bool memberRoundTrip(const Bytes& data, const RarWriterOptions& options)
{
    Bytes archive = buildRarArchive({{"m", data}}, options);
    Bytes got;
    return extractMemory(archive, got) && got == data;
}

TEST(UnpackerStreams, AudioModeWithEachChannelCount)
{
    for (int channels = 1; channels <= 4; ++channels) {
        RarWriterOptions o;
        o.forceAudioChannels = channels;
        o.blockBytes = 5001;  // table switches away from a whole number of frames
        o.forceNewTables = true;
        EXPECT_TRUE(memberRoundTrip(pcmData(30000, 2, 21), o)) << channels;
    }
}

TEST(UnpackerStreams, MemberLargerThanTheWindow)
{
    Bytes data = textData(0x180000, 22);
    Bytes noise = randomData(0x60000, 23);
    std::copy(noise.begin(), noise.end(), data.begin() + 0x80000);
    EXPECT_TRUE(memberRoundTrip(data, {}));
}

// --- Damaged data ------------------------------------------------------------------------------

TEST(UnpackerDamage, TruncatedAndCorruptStreamsFailWithinBounds)
{
    Bytes data = textData(50000, 24);
    Bytes packed = Rar20Compressor::compressMembers({{"m", data}}, {})[0];
    for (size_t keep : {size_t(0), size_t(1), size_t(5), packed.size() / 2, packed.size() - 3}) {
        Bytes cut(packed.begin(), packed.begin() + keep), got;
        EXPECT_FALSE(extractMemory(archiveOf(cut, data), got)) << keep;
    }
    std::mt19937 r(25);
    for (int i = 0; i < 40; ++i) {
        Bytes bad = randomData(1 + r() % 3000, r()), got;
        Bytes claimed = randomData(1 + r() % 100000, r());
        EXPECT_FALSE(extractMemory(archiveOf(bad, claimed), got));
    }
}

// A solid member after the first hands out only its own bytes (the flushed position follows the
// final flush), even when the first member is not the one asked for.
TEST(UnpackerSolid, SecondMemberStartsAtItsOwnFirstByte)
{
    std::vector<RarEntry> e = {{"one", textData(5000, 26)}, {"two", textData(7000, 27)}};
    RarWriterOptions o;
    o.solid = true;
    Bytes archive = buildRarArchive(e, o);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(ArchiveReader::getMemberFromMemory(&data, &size, "two", archive.data(), archive.size(), ""));
    EXPECT_EQ(Bytes(data, data + size), e[1].data);
    delete[] data;
}

} // namespace
} // namespace qm::test
