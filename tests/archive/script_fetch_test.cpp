// A render script of a hostile data.rar: "collect nosuch 999" over a solid archive of large
// members. Each missing mesh costs a look-up in the member index; the archive is walked once and
// decoded at most once, so the load takes milliseconds instead of 999 decodes of everything.
#include "archive_test_support.h"

#include "assets/archive_index.h"
#include "assets/texture.h"
#include "render/render_script.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/software_gl.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace qm::test {
namespace {

class ScriptFetchTest : public SoftwareGLTest<16, 16> {
protected:
    void SetUp() override
    {
        resetTextureCache();
        ArchiveIndex::forgetShared();
        ArchiveIndex::sharedStatistics() = {};
    }
    void TearDown() override { ArchiveIndex::forgetShared(); }
    ScratchFolder folder_;
};

TEST_F(ScriptFetchTest, CollectOfMissingMeshesCostsLookUpsOnly)
{
    std::vector<RarEntry> entries;
    uint64_t total = 0;
    for (int i = 0; i < 4; ++i) {
        entries.push_back({"meshes\\big" + std::to_string(i) + ".dat", textData(1500000, uint32_t(i + 1))});
        total += entries.back().data.size();
    }
    const std::string script = "land\nrender\n{\ncollect nosuch 999\n}\nend\n";
    entries.push_back({"land.txt", Bytes(script.begin(), script.end())});
    RarWriterOptions solid;
    solid.solid = true;
    writeFile("data.rar", buildRarArchive(entries, solid));
    const timespec installed[2] = {{1600000000, 0}, {1600000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, "data.rar", installed, 0), 0);

    RenderScript land;
    land.load("land.txt");
    ASSERT_EQ(land.blocks.size(), 1u);
    EXPECT_EQ(land.blocks[0].meshes.size(), 999u);
    const ArchiveIndex::Statistics& s = ArchiveIndex::sharedStatistics();
    EXPECT_EQ(s.fetches, 1u + 999u);
    EXPECT_EQ(s.indexReads, 1u);
    EXPECT_EQ(s.solidPasses, 1u);  // for "land.txt", behind the large members
    EXPECT_EQ(s.bytesDecoded, total + script.size());
    std::printf("\"collect nosuch 999\" over %.1f MB solid: %.1f ms fetching\n", double(total) / 1e6, s.seconds * 1e3);
}

} // namespace
} // namespace qm::test
