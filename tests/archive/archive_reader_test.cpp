// The archive reader and the asset stream: real RAR fixtures, name matching, failure cases.
#include "archive_test_support.h"

#include "assets/asset_stream.h"
#include "assets/crc32.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

namespace qm::test {
namespace {

std::string sha256(const Bytes& b, const TempFolder& dir)
{
    writeFile(dir.file("sha.bin"), b);
    std::string cmd = "sha256sum " + dir.file("sha.bin");
    FILE* p = popen(cmd.c_str(), "r");
    char line[128] = {};
    if (p) {
        if (!std::fgets(line, sizeof line, p)) line[0] = 0;
        pclose(p);
    }
    return std::string(line).substr(0, 64);
}

RarRawMember storedMember(const std::string& name, const Bytes& data)
{
    RarRawMember m;
    m.name = name;
    m.packed = data;
    m.unpackedSize = uint32_t(data.size());
    m.fileCrc = Crc32::of(data.data(), data.size());
    return m;
}

struct FixtureCase {
    const char* archive;
    const char* member;
    bool ok;
    size_t size;
    const char* sha;
    ArchiveError error = ArchiveError::NONE;
};

TEST(ArchiveReaderFixtures, RealArchivesGiveTheDocumentedResults)
{
    const FixtureCase cases[] = {
        {"rar2-unix-owner.rar", "file.txt", true, 4, "b5bb9d8014a0f9b1d61e21e796d78dccdf1352f23cd32812f4850b878ae4944c"},
        {"rar202-comment-nopsw.rar", "FILE1.TXT", true, 7, "2b69a7f7ba9698a49a49a33d4857610b4408109ff096e5d5ec2a1394cf33314a"},
        {"rar202-comment-nopsw.rar", "FILE2.TXT", true, 7, "24040d7b811b76bf0b32993100e66d4d2dadd90ca3e5d250c17a0f20491a3531"},
        // Encrypted and stored: read as plain bytes, which fail the CRC.
        {"rar202-comment-psw.rar", "FILE1.TXT", false, 0, "", ArchiveError::CRC_MISMATCH},
        // RAR 1.5 packing read as 2.0 data gives out before the member's size.
        {"rar15-comment.rar", "FILE1.TXT", false, 0, "", ArchiveError::TRUNCATED_MEMBER},
        {"rar15-comment.rar", "FILE2.TXT", true, 8, "42c3ccb0c4f1b28eb2fbc62d9fb14aa04befd076183284bc82c3819478da5f94"},
    };
    TempFolder dir;
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.member);
        Bytes b;
        ASSERT_EQ(extract(fixture(c.archive), c.member, b), c.ok);
        if (!c.ok) {
            EXPECT_TRUE(b.empty());
            EXPECT_EQ(ArchiveReader::lastError(), c.error);
            continue;
        }
        EXPECT_EQ(b.size(), c.size);
        EXPECT_EQ(sha256(b, dir), c.sha);
    }
}

class ArchiveReaderTest : public ::testing::Test {
protected:
    std::string build(const std::vector<RarEntry>& entries, const RarWriterOptions& options = {})
    {
        std::string path = dir_.file("t" + std::to_string(count_++) + ".rar");
        writeFile(path, buildRarArchive(entries, options));
        return path;
    }
    std::string buildRaw(const Bytes& bytes)
    {
        std::string path = dir_.file("r" + std::to_string(count_++) + ".rar");
        writeFile(path, bytes);
        return path;
    }
    TempFolder dir_;
    int count_ = 0;
};

TEST_F(ArchiveReaderTest, NamesMatchIgnoringCaseAndSeparatorKind)
{
    Bytes f = textData(500, 1);
    for (bool store : {true, false}) {
        RarWriterOptions o;
        o.store = store;
        std::string a = build({{"textures\\sun.jpg", {1, 2}}, {"vcl\\f.txt", f}}, o);
        for (const char* name : {"vcl\\f.txt", "VCL/F.TXT", "vcl_f.txt", "Vcl\\F.txt"}) {
            Bytes b;
            EXPECT_TRUE(extract(a, name, b)) << name;
            EXPECT_EQ(b, f) << name;
        }
        Bytes b;
        EXPECT_FALSE(extract(a, "vcl\\f.tx", b));
        EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::MEMBER_NOT_FOUND);
        EXPECT_FALSE(extract(a, "f.txt", b));
    }
}

TEST_F(ArchiveReaderTest, FirstOfTwoEqualNamesWins)
{
    for (bool solid : {false, true}) {
        RarWriterOptions o;
        o.solid = solid;
        std::string a = build({{"a\\x.txt", {'o', 'n', 'e'}}, {"A/X.TXT", {'t', 'w', 'o'}}}, o);
        Bytes b;
        ASSERT_TRUE(extract(a, "a\\x.txt", b));
        EXPECT_EQ(std::string(b.begin(), b.end()), "one");
    }
}

TEST_F(ArchiveReaderTest, StoredAndEmptyMembers)
{
    Bytes data = randomData(70000, 3);
    std::string a = build({{"empty.txt", {}}, {"blob.bin", data}}, RarWriterOptions{false, true});
    Bytes b;
    ASSERT_TRUE(extract(a, "blob.bin", b));
    EXPECT_EQ(b, data);
    ASSERT_TRUE(extract(a, "empty.txt", b));
    EXPECT_TRUE(b.empty());
}

TEST_F(ArchiveReaderTest, VersionOutsideThirteenToTwentyIsRefused)
{
    Bytes out;
    appendRarMarkerAndMainHeader(out, 0);
    RarRawMember m = storedMember("new.txt", {'h', 'i'});
    m.version = 29;
    appendRarFileBlock(out, m);
    RarRawMember old = storedMember("old.txt", {'o', 'k'});
    old.version = 13;
    appendRarFileBlock(out, old);
    std::string a = buildRaw(out);
    Bytes b;
    EXPECT_FALSE(extract(a, "new.txt", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::UNSUPPORTED_VERSION);
    EXPECT_TRUE(extract(a, "old.txt", b));
}

TEST_F(ArchiveReaderTest, OneFlippedPackedByteFailsTheCrc)
{
    Bytes data = textData(20000, 4);
    Bytes archive = buildRarArchive({{"t.txt", data}}, {});
    Bytes b;
    ASSERT_TRUE(extract(buildRaw(archive), "t.txt", b));
    // The packed data starts after the 20-byte marker and main header and the 37-byte file header.
    archive[20 + 37 + 300] ^= 0x10;
    EXPECT_FALSE(extract(buildRaw(archive), "t.txt", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::CRC_MISMATCH);
    EXPECT_TRUE(b.empty());
}

TEST_F(ArchiveReaderTest, SubBlockEndsTheSearch)
{
    Bytes out;
    appendRarMarkerAndMainHeader(out, 0);
    appendRarFileBlock(out, storedMember("before.txt", {'b'}));
    appendRarBlock(out, 0x77, 0x8000, {0, 0, 0}, {1, 2, 3, 4});
    appendRarFileBlock(out, storedMember("after.txt", {'a'}));
    std::string a = buildRaw(out);
    Bytes b;
    EXPECT_TRUE(extract(a, "before.txt", b));
    EXPECT_FALSE(extract(a, "after.txt", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::SUB_BLOCK);
}

TEST_F(ArchiveReaderTest, OtherBlocksAndHeaderTailsAreSkipped)
{
    Bytes out;
    appendRarMarkerAndMainHeader(out, 0);
    appendRarBlock(out, 0x75, 0, {9, 9, 9, 9}, {});      // a comment-like block without data
    RarRawMember m = storedMember("c.txt", {'c', 'c'});
    m.extraHeader = {0xAA, 0xBB, 0xCC};                  // fields between the name and the data
    appendRarFileBlock(out, m);
    Bytes b;
    ASSERT_TRUE(extract(buildRaw(out), "c.txt", b));
    EXPECT_EQ(b, (Bytes{'c', 'c'}));
}

TEST_F(ArchiveReaderTest, MissingOrBrokenArchivesFailCleanly)
{
    Bytes b;
    EXPECT_FALSE(extract(dir_.file("absent.rar"), "x", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::ARCHIVE_MISSING);
    EXPECT_FALSE(extract(buildRaw({0x52, 0x61, 0x72}), "x", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::ARCHIVE_UNREADABLE);
    Bytes shortMain = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00, 1, 2, 3};
    EXPECT_FALSE(extract(buildRaw(shortMain), "x", b));
    Bytes broken;
    appendRarMarkerAndMainHeader(broken, 0);
    broken.insert(broken.end(), {0, 0, 0x74, 0, 0, 3, 0});  // header size 3
    EXPECT_FALSE(extract(buildRaw(broken), "x", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::BROKEN_HEADER);
}

TEST_F(ArchiveReaderTest, HugeClaimedSizeIsRefusedWithoutAllocating)
{
    Bytes out;
    appendRarMarkerAndMainHeader(out, 0);
    RarRawMember m = storedMember("big", {1, 2, 3});
    m.unpackedSize = 0xFFFFFFF0u;
    appendRarFileBlock(out, m);
    Bytes b;
    EXPECT_FALSE(extract(buildRaw(out), "big", b));
    EXPECT_EQ(ArchiveReader::lastError(), ArchiveError::OUT_OF_MEMORY);
}

TEST_F(ArchiveReaderTest, SolidArchiveGivesEveryMember)
{
    std::vector<RarEntry> e = {{"a.txt", textData(30000, 5)}, {"b.txt", textData(20000, 5)},
                               {"c.raw", pcmData(40000, 2, 6)}, {"d.txt", textData(100, 7)}};
    RarWriterOptions o;
    o.solid = true;
    std::string a = build(e, o);
    for (const RarEntry& m : e) {
        Bytes b;
        ASSERT_TRUE(extract(a, m.name, b)) << m.name;
        EXPECT_EQ(b, m.data) << m.name;
    }
}

// --- The asset stream --------------------------------------------------------------------------

class AssetStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char buf[4096];
        previous_ = getcwd(buf, sizeof buf) ? buf : ".";
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    }
    void TearDown() override { EXPECT_EQ(chdir(previous_.c_str()), 0); }
    TempFolder dir_;
    std::string previous_;
};

struct LineCase {
    const char* name;
    std::string content;
    std::vector<std::pair<std::string, bool>> lines;
};

TEST_F(AssetStreamTest, LineReaderTable)
{
    const LineCase cases[] = {
        {"abc LF", "abc\n", {{"abc", true}, {"", false}}},
        {"abc no LF", "abc", {{"abc", false}}},
        {"spaces x CR LF", "  x\r\n", {{"x", true}, {"", false}}},
        {"TAB x", "\tx\n", {{"\tx", true}}},
        {"a CR b", "a\rb\n", {{"ab", true}}},
        {"spaces only", "   \nz", {{"", true}, {"z", false}}},
        {"empty member", "", {{"", false}}},
    };
    std::vector<RarEntry> entries;
    for (const LineCase& c : cases) entries.push_back({c.name, Bytes(c.content.begin(), c.content.end())});
    writeFile("data.rar", buildRarArchive(entries, {}));
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        AssetStream s;
        ASSERT_TRUE(s.fetch(c.name));
        for (const auto& [text, result] : c.lines) {
            char line[128];
            EXPECT_EQ(s.readLine(line, sizeof line), result);
            EXPECT_EQ(std::string(line), text);
        }
    }
}

TEST_F(AssetStreamTest, AtEndOnlyAfterReadingPastTheEnd)
{
    writeFile("data.rar", buildRarArchive({{"four", {1, 2, 3, 4}}}, {}));
    AssetStream s;
    ASSERT_TRUE(s.fetch("FOUR"));
    uint8_t b[4];
    s.read(b, 4);
    EXPECT_FALSE(s.atEnd());
    s.read(b, 1);
    EXPECT_TRUE(s.atEnd());
    EXPECT_EQ(b[0], 0);  // the part past the end reads as zero

    AssetStream missing;
    EXPECT_FALSE(missing.fetch("nothing.txt"));
    EXPECT_EQ(missing.size(), 0u);
    EXPECT_EQ(missing.data(), nullptr);
    missing.read(b, 1);
    EXPECT_TRUE(missing.atEnd());
}

} // namespace
} // namespace qm::test
