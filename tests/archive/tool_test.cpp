// quillmark-archive as a process: pack a folder, list it, extract members, and the failure lines.
#include "archive_test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace qm::test {
namespace {

struct ToolRun {
    int status;
    std::string err;
};

ToolRun runTool(const std::string& args, const TempFolder& dir)
{
    const char* bin = std::getenv("QM_BINARY_DIR");
    std::string tool = std::string(bin ? bin : ".") + "/bin/quillmark-archive";
    std::string cmd = "'" + tool + "' " + args + " 2>'" + dir.file("err.txt") + "'";
    int raw = std::system(cmd.c_str());
    Bytes err;
    readFile(dir.file("err.txt"), err);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(err.begin(), err.end())};
}

TEST(ArchiveTool, PackListExtract)
{
    TempFolder dir;
    Bytes sun = randomData(3000, 41), land = textData(5000, 42);
    writeFile(dir.file("art/textures/sun.jpg"), sun);
    writeFile(dir.file("art/land.txt"), land);
    for (const char* mode : {"", "--solid", "--store"}) {
        SCOPED_TRACE(mode);
        std::string rar = dir.file("out.rar");
        ASSERT_EQ(runTool(std::string("pack ") + mode + " '" + rar + "' '" + dir.file("art") + "'", dir).status, 0);
        Bytes got;
        ASSERT_TRUE(extract(rar, "textures\\sun.jpg", got));  // stored with "\" separators
        EXPECT_EQ(got, sun);
        ASSERT_EQ(runTool("extract '" + rar + "' LAND.TXT '" + dir.file("land.out") + "'", dir).status, 0);
        ASSERT_TRUE(readFile(dir.file("land.out"), got));
        EXPECT_EQ(got, land);
        ASSERT_EQ(runTool("list '" + rar + "' >'" + dir.file("list.txt") + "'", dir).status, 0);
        ASSERT_TRUE(readFile(dir.file("list.txt"), got));
        std::string listing(got.begin(), got.end());
        EXPECT_NE(listing.find("textures\\sun.jpg\tpacked"), std::string::npos) << listing;
        EXPECT_NE(listing.find("unpacked 5000"), std::string::npos) << listing;
    }
}

TEST(ArchiveTool, FailuresExitOneWithTheReason)
{
    TempFolder dir;
    writeFile(dir.file("a.txt"), {'a'});
    std::string rar = dir.file("a.rar");
    ASSERT_EQ(runTool("pack '" + rar + "' '" + dir.file("a.txt") + "'", dir).status, 0);
    const std::pair<std::string, std::string> cases[] = {
        {"extract '" + rar + "' b.txt", "member not found"},
        {"extract '" + dir.file("none.rar") + "' a.txt", "archive missing"},
        {"extract '" + fixture("rar15-comment.rar") + "' FILE1.TXT", "truncated member"},
        {"frobnicate", "usage"},
    };
    for (const auto& [args, reason] : cases) {
        ToolRun r = runTool(args, dir);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.err.find(reason), std::string::npos) << args << ": " << r.err;
    }
}

} // namespace
} // namespace qm::test
