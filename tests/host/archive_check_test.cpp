// The start-up check of data.rar: which files pass, what the one message says, and that
// quillmark-render stops with the same message.
#include "host/archive_check.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_files.h"
#include "tools/rar_writer/rar_writer.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace qm {
namespace {

std::vector<uint8_t> smallArchive()
{
    RarWriterOptions store;
    store.store = true;
    return buildRarArchive({{"textures\\load.jpg", std::vector<uint8_t>(3000, 7)},
                            {"test.txt", test::bytesOf("end\n")}},
                           store);
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    test::writeText(path, test::textOf(bytes));
}

struct Case {
    const char* name;
    void (*make)(const std::string& archive);
    const char* says;   // part of the message; null: the archive passes
};

const Case CASES[] = {
    {"a good archive", [](const std::string& a) { writeBytes(a, smallArchive()); }, nullptr},
    {"no file", [](const std::string&) {}, "There is no data.rar in "},
    {"a folder", [](const std::string& a) { std::filesystem::create_directory(a); }, "cannot be read (Is a directory)"},
    {"an empty file", [](const std::string& a) { test::writeText(a, ""); }, "is not a RAR archive"},
    {"text", [](const std::string& a) { test::writeText(a, "Windows Registry Editor Version 5.00\n"); }, "is not a RAR archive"},
    {"a marker alone", [](const std::string& a) { writeBytes(a, {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00}); },
     "is damaged or incomplete"},
    {"an archive without members", [](const std::string& a) { writeBytes(a, buildRarArchive({}, {})); },
     "is damaged or incomplete"},
    {"an archive cut in its last member", [](const std::string& a) {
         std::vector<uint8_t> bytes = smallArchive();
         bytes.resize(bytes.size() - 100);
         writeBytes(a, bytes);
     }, "is damaged or incomplete"},
    {"an archive cut in a header", [](const std::string& a) {
         std::vector<uint8_t> bytes = smallArchive();
         bytes.resize(7 + 13 + 20);
         writeBytes(a, bytes);
     }, "is damaged or incomplete"},
};

TEST(DataArchiveCheck, OneMessageNamingTheFolder)
{
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        test::ScratchFolder folder;
        c.make(folder.file("data.rar"));
        std::string message;
        bool readable = dataArchiveReadable(message);
        EXPECT_EQ(readable, c.says == nullptr);
        if (!c.says) continue;
        std::string real = std::filesystem::canonical(folder.path()).string();
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_NE(message.find("data.rar in " + real), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << "one line";
    }
}

TEST(DataArchiveCheck, QuillmarkRenderStopsWithTheSameMessage)
{
    test::ScratchFolder folder;
    test::writeText(folder.file("data.rar"), "not an archive");
    std::string expected;
    ASSERT_FALSE(dataArchiveReadable(expected));
    const char* dir = std::getenv("QM_BINARY_DIR");
    std::string command = std::string(dir ? dir : ".") + "/bin/quillmark-render --out frames 2>&1";
    FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string printed;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, out)) printed += buffer;
    int status = pclose(out);
    EXPECT_EQ(printed, "quillmark-render: " + expected + "\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_FALSE(std::filesystem::exists("frames/loading.png")) << "nothing was drawn";
}

} // namespace
} // namespace qm
