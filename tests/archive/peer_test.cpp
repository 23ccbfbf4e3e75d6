// Our writer against software nobody here wrote: `unar` must extract our archives to the same bytes,
// and our reader must give the same bytes back.
#include "archive_test_support.h"

#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qm::test {
namespace {

struct PeerCase {
    const char* name;
    RarWriterOptions options;
};

std::vector<RarEntry> peerMembers()
{
    return {
        {"text\\notes.txt", textData(120000, 31)},
        {"binary.bin", randomData(20000, 32)},
        {"sound\\mono.raw", pcmData(60000, 1, 33)},
        {"sound\\stereo.raw", pcmData(60000, 2, 34)},
        {"sound\\three.raw", pcmData(60001, 3, 35)},
        {"sound\\quad.raw", pcmData(60000, 4, 36)},
        {"big\\over1mib.txt", textData(0x140000, 37)},
        {"empty.txt", {}},
        {"tiny.txt", {'x'}},
    };
}

TEST(ArchivePeer, UnarAndOurReaderAgreeWithTheOriginals)
{
    if (std::system("command -v unar >/dev/null 2>&1") != 0) GTEST_SKIP() << "unar not installed";
    RarWriterOptions solid;
    solid.solid = true;
    RarWriterOptions store;
    store.store = true;
    RarWriterOptions churn;  // many table sets, delta form wherever allowed, no repeat symbols
    churn.blockBytes = 7000;
    churn.forceNewTables = true;
    churn.forceDeltaTables = true;
    churn.allowRepeatSymbols = false;
    RarWriterOptions solidChurn = churn;
    solidChurn.solid = true;
    const PeerCase cases[] = {{"plain", {}}, {"solid", solid}, {"store", store}, {"churn", churn},
                              {"solidchurn", solidChurn}};
    std::vector<RarEntry> members = peerMembers();
    TempFolder dir;
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string archive = dir.file(std::string(c.name) + ".rar");
        ASSERT_TRUE(writeRarArchive(archive, members, c.options));
        std::string out = dir.file(std::string("out-") + c.name);
        std::string cmd = "unar -q -o '" + out + "' -D -f '" + archive + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        for (const RarEntry& m : members) {
            std::string path = m.name;
            for (char& ch : path)
                if (ch == '\\') ch = '/';
            Bytes peer, ours;
            EXPECT_TRUE(readFile(out + "/" + path, peer)) << m.name;
            EXPECT_TRUE(peer == m.data) << "unar: " << m.name;
            EXPECT_TRUE(extract(archive, m.name, ours)) << m.name;
            EXPECT_TRUE(ours == m.data) << "reader: " << m.name;
        }
    }
}

// Audio mode on data that keeps the predictor's errors near their largest: a full-scale square
// wave (every delta 0x80 at first), then noise. Our writer and reader share the predictor, so only
// an independent reader checks it at its extremes.
TEST(ArchivePeer, UnarAgreesOnAudioAtFullScale)
{
    if (std::system("command -v unar >/dev/null 2>&1") != 0) GTEST_SKIP() << "unar not installed";
    Bytes harsh(40000);
    for (size_t i = 0; i < harsh.size(); ++i) harsh[i] = i % 2 ? 0x80 : 0x00;
    Bytes noise = randomData(20000, 38);
    std::copy(noise.begin(), noise.end(), harsh.begin() + 20000);
    TempFolder dir;
    for (int channels = 1; channels <= 4; ++channels) {
        SCOPED_TRACE(channels);
        RarWriterOptions o;
        o.forceAudioChannels = channels;
        std::string archive = dir.file("audio" + std::to_string(channels) + ".rar");
        ASSERT_TRUE(writeRarArchive(archive, {{"harsh.raw", harsh}}, o));
        std::string out = dir.file("out" + std::to_string(channels));
        std::string cmd = "unar -q -o '" + out + "' -D -f '" + archive + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        Bytes peer, ours;
        EXPECT_TRUE(readFile(out + "/harsh.raw", peer));
        EXPECT_TRUE(peer == harsh);
        EXPECT_TRUE(extract(archive, "harsh.raw", ours));
        EXPECT_TRUE(ours == harsh);
    }
}

} // namespace
} // namespace qm::test
