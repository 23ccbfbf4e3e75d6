// The member index: every fetch in any order gives what the reader gives, a solid archive is
// decoded once, a missing name costs a look-up, short members fail, allocations stay bounded,
// and the shared index follows the file on disk.
#include "archive_test_support.h"

#include "assets/archive_index.h"
#include "assets/asset_stream.h"
#include "assets/crc32.h"
#include "tests/support/memory_peak.h"
#include "tests/support/scratch_folder.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace qm::test {
namespace {

struct Outcome {
    bool ok = false;
    ArchiveError error = ArchiveError::NONE;
    Bytes bytes;
    bool operator==(const Outcome& o) const { return ok == o.ok && error == o.error && bytes == o.bytes; }
};

Outcome byReader(const Bytes& archive, const std::string& name)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    Outcome o;
    o.ok = ArchiveReader::getMemberFromMemory(&data, &size, name.c_str(), archive.data(), archive.size(), "") != 0;
    o.error = ArchiveReader::lastError();
    if (o.ok) o.bytes.assign(data, data + size);
    delete[] data;
    return o;
}

Outcome byIndex(ArchiveIndex& index, const std::string& name)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    Outcome o;
    o.ok = index.getMember(&data, &size, name.c_str()) != 0;
    o.error = index.lastError();
    if (o.ok) o.bytes.assign(data, data + size);
    delete[] data;
    return o;
}

RarRawMember rawMember(const std::string& name, const Bytes& packed, const Bytes& content, uint8_t method)
{
    RarRawMember m;
    m.name = name;
    m.packed = packed;
    m.unpackedSize = uint32_t(content.size());
    m.fileCrc = Crc32::of(content.data(), content.size());
    m.method = method;
    return m;
}

// The members of an archive as raw blocks, so that tests can change their headers.
std::vector<RarRawMember> membersOf(const std::vector<RarEntry>& entries, const RarWriterOptions& options)
{
    Bytes archive = buildRarArchive(entries, options);
    std::vector<RarRawMember> out;
    size_t p = 20;
    while (p + 32 <= archive.size()) {
        const uint8_t* h = archive.data() + p;
        RarRawMember m;
        uint32_t headerSize = h[5] | h[6] << 8;
        uint32_t packed = h[7] | h[8] << 8 | h[9] << 16 | uint32_t(h[10]) << 24;
        m.unpackedSize = h[11] | h[12] << 8 | h[13] << 16 | uint32_t(h[14]) << 24;
        m.fileCrc = h[16] | h[17] << 8 | h[18] << 16 | uint32_t(h[19]) << 24;
        m.method = h[25];
        m.flags = uint16_t((h[3] | h[4] << 8) & ~0x8000);
        m.name.assign(reinterpret_cast<const char*>(h + 32), h[26] | h[27] << 8);
        m.packed.assign(h + headerSize, h + headerSize + packed);
        out.push_back(m);
        p += headerSize + packed;
    }
    return out;
}

Bytes assemble(const std::vector<RarRawMember>& members, uint16_t mainFlags)
{
    Bytes out;
    appendRarMarkerAndMainHeader(out, mainFlags);
    for (const RarRawMember& m : members) appendRarFileBlock(out, m);
    return out;
}

std::vector<RarEntry> mixedEntries()
{
    return {{"a.txt", textData(30000, 5)},      {"empty.txt", {}},
            {"b.txt", textData(20000, 6)},      {"c.raw", pcmData(40000, 2, 6)},
            {"noise.bin", randomData(5000, 9)}, {"big.txt", textData(1300000, 8)},
            {"d.txt", textData(100, 7)}};
}

struct ArchiveCase {
    std::string name;
    Bytes archive;
    std::vector<std::string> names;  // asked for, with misses and other spellings
};

std::vector<ArchiveCase> archiveCases()
{
    std::vector<RarEntry> e = mixedEntries();
    std::vector<std::string> names = {"a.txt", "EMPTY.TXT", "b.txt", "c.raw", "noise.bin", "big.txt", "d.txt",
                                      "stored.txt", "nosuch", "A.TXT"};
    std::vector<ArchiveCase> cases;
    RarWriterOptions solid;
    solid.solid = true;
    cases.push_back({"solid", buildRarArchive(e, solid), names});
    cases.push_back({"not solid", buildRarArchive(e, {}), names});
    cases.push_back({"stored", buildRarArchive(e, RarWriterOptions{false, true}), names});

    // A solid set (empty members first) with a stored member between, a member claiming more than
    // it holds, one claiming less (its output overflows while the next one continues its state),
    // one with a flipped byte and a duplicate name.
    std::vector<RarRawMember> m = membersOf(e, solid);
    std::vector<RarRawMember> odd = m;
    odd.insert(odd.begin() + 2, rawMember("stored.txt", {'s', 't'}, {'s', 't'}, 0x30));
    EXPECT_EQ(odd[4].name, "c.raw");
    odd[4].unpackedSize += 10;  // its decoder runs out of data
    EXPECT_EQ(odd[5].name, "noise.bin");
    odd[5].packed[odd[5].packed.size() / 2] ^= 0x20;
    EXPECT_EQ(odd[6].name, "big.txt");
    odd[6].unpackedSize -= 10;
    RarRawMember dup = rawMember("B.TXT", {'x'}, {'x'}, 0x30);
    odd.push_back(dup);
    cases.push_back({"solid, odd members", assemble(odd, 0x0008), names});
    std::vector<RarRawMember> versioned = m;
    versioned[3].version = 29;
    versioned[5].unpackedSize = 512u << 20;  // behind it: the version is what a fetch meets first
    cases.push_back({"solid, version 29 in the middle", assemble(versioned, 0x0008), names});
    Bytes sub = assemble(std::vector<RarRawMember>(m.begin(), m.begin() + 3), 0x0008);
    appendRarBlock(sub, 0x77, 0x8000, {0, 0, 0}, {1, 2});
    for (size_t i = 3; i < m.size(); ++i) appendRarFileBlock(sub, m[i]);
    cases.push_back({"solid, sub-block", sub, names});
    // Solid members in an archive without the solid flag; a truncated file; a broken header.
    cases.push_back({"solid members, no solid flag", assemble(m, 0), names});
    Bytes cut = buildRarArchive(e, solid);
    cut.resize(cut.size() * 2 / 3);
    cases.push_back({"solid, cut short", cut, names});
    Bytes broken = assemble(std::vector<RarRawMember>(m.begin(), m.begin() + 2), 0x0008);
    broken.insert(broken.end(), {0, 0, 0x74, 0, 0, 3, 0});
    cases.push_back({"broken header", broken, names});
    return cases;
}

TEST(ArchiveIndex, EveryOrderGivesWhatTheReaderGives)
{
    for (const ArchiveCase& c : archiveCases()) {
        SCOPED_TRACE(c.name);
        std::vector<Outcome> expected;
        for (const std::string& n : c.names) expected.push_back(byReader(c.archive, n));
        std::vector<size_t> order(c.names.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::vector<std::vector<size_t>> orders = {order, {order.rbegin(), order.rend()}};
        std::mt19937 r(3);
        for (int k = 0; k < 3; ++k) {
            std::shuffle(order.begin(), order.end(), r);
            orders.push_back(order);
        }
        for (size_t k = 0; k < orders.size(); ++k) {
            const std::vector<size_t>& o = orders[k];
            // The later orders keep few or no decoded members, so that passes begin again.
            const uint64_t budget = k < 3 ? ArchiveIndex::KEPT_BYTES_BUDGET : k == 3 ? 40000 : 0;
            ArchiveIndex index(c.archive.data(), c.archive.size(), budget);
            for (int round = 0; round < 2; ++round)
                for (size_t i : o) {
                    SCOPED_TRACE(c.names[i]);
                    Outcome got = byIndex(index, c.names[i]);
                    EXPECT_EQ(got.ok, expected[i].ok);
                    EXPECT_EQ(got.error, expected[i].error);
                    EXPECT_TRUE(got.bytes == expected[i].bytes);
                }
        }
    }
}

// Random damage anywhere in a solid archive: still what the reader gives, member by member.
TEST(ArchiveIndex, DamagedArchivesGiveWhatTheReaderGives)
{
    RarWriterOptions solid;
    solid.solid = true;
    std::vector<RarEntry> e = {{"a.txt", textData(3000, 1)}, {"b.raw", pcmData(3000, 1, 2)},
                               {"c.txt", textData(2000, 3)}, {"d.bin", randomData(500, 4)}};
    const Bytes clean = buildRarArchive(e, solid);
    std::mt19937 r(11);
    for (int trial = 0; trial < 150; ++trial) {
        Bytes damaged = clean;
        for (int k = 0; k < 1 + trial % 3; ++k) damaged[r() % damaged.size()] ^= uint8_t(1 + r() % 255);
        ArchiveIndex index(damaged.data(), damaged.size());
        for (const char* n : {"d.bin", "a.txt", "c.txt", "b.raw"}) {
            SCOPED_TRACE(std::to_string(trial) + " " + n);
            ASSERT_TRUE(byIndex(index, n) == byReader(damaged, n));
        }
    }
}

TEST(ArchiveIndex, SolidArchiveIsDecodedOnceInAnyOrder)
{
    RarWriterOptions solid;
    solid.solid = true;
    std::vector<RarEntry> e = mixedEntries();
    Bytes archive = buildRarArchive(e, solid);
    uint64_t total = 0;
    for (const RarEntry& m : e) total += m.data.size();
    ArchiveIndex index(archive.data(), archive.size());
    for (auto it = e.rbegin(); it != e.rend(); ++it) ASSERT_EQ(byIndex(index, it->name).bytes, it->data);
    for (const RarEntry& m : e) ASSERT_EQ(byIndex(index, m.name).bytes, m.data);
    EXPECT_EQ(index.statistics().solidPasses, 1u);
    EXPECT_EQ(index.statistics().bytesDecoded, total);

    // Without room to keep passed members, the reverse order begins a pass for every member.
    ArchiveIndex tight(archive.data(), archive.size(), 0);
    for (auto it = e.rbegin(); it != e.rend(); ++it) ASSERT_EQ(byIndex(tight, it->name).bytes, it->data);
    EXPECT_EQ(tight.statistics().solidPasses, e.size() - 1);  // the empty member needs no decoding
}

// Engine samples are fetched once per car: a member fetched again is not extracted again.
TEST(ArchiveIndex, MembersFetchedAgainAreNotDecodedAgain)
{
    std::vector<RarEntry> e = mixedEntries();
    Bytes archive = buildRarArchive(e, {});
    ArchiveIndex index(archive.data(), archive.size());
    for (int round = 0; round < 3; ++round)
        for (const RarEntry& m : e) ASSERT_EQ(byIndex(index, m.name).bytes, m.data);
    uint64_t compressed = 0;
    for (const RarRawMember& m : membersOf(e, {}))
        if (m.method != 0x30) compressed += m.unpackedSize;
    EXPECT_EQ(index.statistics().bytesDecoded, compressed);
}

TEST(ArchiveIndex, MissingNamesCostALookUpOnly)
{
    RarWriterOptions solid;
    solid.solid = true;
    Bytes archive = buildRarArchive(mixedEntries(), solid);
    ArchiveIndex index(archive.data(), archive.size());
    for (int i = 0; i < 999; ++i) {
        uint8_t* data = reinterpret_cast<uint8_t*>(1);
        uint32_t size = 1;
        ASSERT_EQ(index.getMember(&data, &size, ("nosuch" + std::to_string(i)).c_str()), 0);
        ASSERT_EQ(data, nullptr);
        ASSERT_EQ(size, 0u);
        ASSERT_EQ(index.lastError(), ArchiveError::MEMBER_NOT_FOUND);
    }
    EXPECT_EQ(index.statistics().solidPasses, 0u);
    EXPECT_EQ(index.statistics().bytesDecoded, 0u);
    EXPECT_EQ(index.statistics().indexReads, 1u);
}

// A member producing fewer bytes than its unpacked size fails, even when its CRC is that of the
// bytes it has followed by zeros (which a zero-filled buffer would pass).
TEST(ArchiveIndex, ShortMembersFail)
{
    Bytes content = textData(6000, 2);
    const uint32_t missing = 700;
    Bytes padded = content;
    padded.resize(content.size() + missing, 0);
    struct Case {
        const char* name;
        bool compressed;
        bool solid;
    };
    for (const Case& c : {Case{"stored", false, false}, Case{"compressed", true, false}, Case{"solid", true, true}}) {
        SCOPED_TRACE(c.name);
        RarWriterOptions o;
        o.store = !c.compressed;
        o.solid = c.solid;
        std::vector<RarRawMember> m = membersOf({{"first.txt", textData(900, 1)}, {"short.txt", content}}, o);
        m[1].unpackedSize += missing;
        m[1].fileCrc = Crc32::of(padded.data(), padded.size());
        Bytes archive = assemble(m, c.solid ? 0x0008 : 0);
        Outcome reader = byReader(archive, "short.txt");
        EXPECT_FALSE(reader.ok);
        EXPECT_EQ(reader.error, ArchiveError::TRUNCATED_MEMBER);
        ArchiveIndex index(archive.data(), archive.size());
        EXPECT_TRUE(byIndex(index, "short.txt") == reader);
        EXPECT_TRUE(byIndex(index, "first.txt").ok);
    }
}

// A header claiming far more than its packed data can produce is refused before any buffer of
// that size exists; a big claim the data can produce is allocated as usual.
TEST(ArchiveIndex, AllocationsStayInProportionToThePackedData)
{
    Bytes content = textData(1000, 3);
    struct Case {
        const char* name;
        uint8_t method;
        uint32_t claimed;
        bool packedSizeLies;  // the header claims far more packed data than the file holds
    };
    for (const Case& c : {Case{"stored", 0x30, 256u << 20, false}, Case{"compressed", 0x33, 256u << 20, false},
                          Case{"compressed, under the cap", 0x33, 200u << 20, false},
                          Case{"stored, packed size beyond the file", 0x30, 200u << 20, true},
                          Case{"compressed, packed size beyond the file", 0x33, 200u << 20, true}}) {
        SCOPED_TRACE(c.name);
        Bytes packed = c.method == 0x30 ? content : membersOf({{"x", content}}, {})[0].packed;
        RarRawMember m = rawMember("big.bin", packed, content, c.method);
        m.unpackedSize = c.claimed;
        Bytes archive = assemble({m}, 0);
        if (c.packedSizeLies) {
            const uint32_t claimedPacked = 0x7FFFFFFF;  // the packed-size field of the file header
            for (int k = 0; k < 4; ++k) archive[20 + 7 + k] = uint8_t(claimedPacked >> (8 * k));
        }
        MeasuredRun run = runMeasured([&] {
            ArchiveIndex index(archive.data(), archive.size());
            Outcome a = byIndex(index, "big.bin");
            Outcome b = byReader(archive, "big.bin");
            return (!a.ok && !b.ok && a.error == ArchiveError::TRUNCATED_MEMBER && b == a) ? 0 : 1;
        }, 64);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.status, 0);
        EXPECT_LT(run.peakGrowthKiB, 16 * 1024);
    }
}

// The bound is the format's own: the most compressible members our writer makes come close to it
// and still extract.
TEST(ArchiveIndex, MostCompressibleMembersStayWithinTheBound)
{
    Bytes zeros(2u << 20, 0);
    Bytes pattern(2u << 20);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t("quillmark"[i % 9]);
    for (bool solid : {false, true}) {
        RarWriterOptions o;
        o.solid = solid;
        std::vector<RarRawMember> members = membersOf({{"zeros", zeros}, {"pattern", pattern}}, o);
        for (const RarRawMember& m : members) EXPECT_GT(m.unpackedSize / m.packed.size(), 1900u) << m.name;
        Bytes archive = assemble(members, solid ? 0x0008 : 0);
        ArchiveIndex index(archive.data(), archive.size());
        EXPECT_TRUE(byIndex(index, "pattern").bytes == pattern);
        EXPECT_TRUE(byIndex(index, "zeros").bytes == zeros);
    }
}

// --- The shared index behind AssetStream -------------------------------------------------------

class SharedIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ArchiveIndex::forgetShared();
        ArchiveIndex::sharedStatistics() = {};
    }
    void TearDown() override { ArchiveIndex::forgetShared(); }

    static Bytes fetched(const char* name)
    {
        AssetStream s;
        if (!s.fetch(name)) return {0xEE};
        return Bytes(s.data(), s.data() + s.size());
    }

    ScratchFolder folder_;
};

TEST_F(SharedIndexTest, FollowsTheFileOnDisk)
{
    RarWriterOptions solid;
    solid.solid = true;
    writeFile("data.rar", buildRarArchive({{"m.txt", textData(5000, 1)}}, solid));
    EXPECT_EQ(fetched("m.txt"), textData(5000, 1));
    // Another archive under the same name, written at once (same second, same size).
    writeFile("data.rar", buildRarArchive({{"m.txt", textData(5000, 2)}}, solid));
    EXPECT_EQ(fetched("m.txt"), textData(5000, 2));
    // Rewritten in place with its old times put back: the walk still tells them apart.
    struct stat before;
    ASSERT_EQ(stat("data.rar", &before), 0);
    writeFile("data.rar", buildRarArchive({{"m.txt", textData(5000, 3)}}, solid));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, "data.rar", times, 0), 0);
    EXPECT_EQ(fetched("m.txt"), textData(5000, 3));
    std::remove("data.rar");
    EXPECT_EQ(fetched("m.txt"), Bytes{0xEE});
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::ARCHIVE_MISSING);
}

TEST_F(SharedIndexTest, AnOldArchiveIsWalkedOnceAndDecodedOnce)
{
    RarWriterOptions solid;
    solid.solid = true;
    std::vector<RarEntry> e = mixedEntries();
    writeFile("data.rar", buildRarArchive(e, solid));
    // Dated back, as an installed archive is: no fetch needs to look at its headers again.
    const timespec old[2] = {{1600000000, 0}, {1600000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, "data.rar", old, 0), 0);
    for (auto it = e.rbegin(); it != e.rend(); ++it) EXPECT_EQ(fetched(it->name.c_str()), it->data);
    for (int i = 0; i < 999; ++i) EXPECT_EQ(fetched("nosuch"), Bytes{0xEE});
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::MEMBER_NOT_FOUND);
    const ArchiveIndex::Statistics& s = ArchiveIndex::sharedStatistics();
    EXPECT_EQ(s.indexReads, 1u);
    EXPECT_EQ(s.solidPasses, 1u);
    EXPECT_EQ(s.fetches, e.size() + 999);
}

} // namespace
} // namespace qm::test
