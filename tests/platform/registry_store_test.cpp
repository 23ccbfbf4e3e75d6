#include "platform/registry_store.h"
#include "tests/support/config_home.h"
#include "tests/support/test_files.h"
#include <gtest/gtest.h>
#include <cstring>
#include <filesystem>

namespace qm::platform {
namespace {

constexpr const char* KEY = "Software\\Brimholt\\Quillmark";
constexpr const char* HEADER = "Windows Registry Editor Version 5.00\n";

uint32_t queryDWord(const RegistryKey& key, const char* name, RegistryResult expected = RegistryResult::Ok)
{
    uint32_t value = 0xDEADBEEF, size = 4;
    RegistryType type = RegistryType::None;
    EXPECT_EQ(key.query(name, &value, &size, &type), expected) << name;
    if (expected == RegistryResult::Ok) {
        EXPECT_EQ(type, RegistryType::DWord) << name;
        EXPECT_EQ(size, 4u) << name;
    }
    return value;
}

std::string queryString(const RegistryKey& key, const char* name)
{
    char buffer[256] = {};
    uint32_t size = sizeof buffer;
    RegistryType type = RegistryType::None;
    EXPECT_EQ(key.query(name, buffer, &size, &type), RegistryResult::Ok) << name;
    EXPECT_EQ(type, RegistryType::String);
    EXPECT_EQ(size, std::strlen(buffer) + 1);
    return buffer;
}

TEST(RegistryStore, FileLivesUnderTheConfigHomeAndFallsBackToDotConfig)
{
    test::ConfigHome home;
    EXPECT_EQ(RegistryKey::filePath(KEY), home.path() + "/Brimholt/Quillmark.reg");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(RegistryKey::filePath(KEY), "/home/someone/.config/Brimholt/Quillmark.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryKey::filePath(KEY), "/home/someone/.config/Brimholt/Quillmark.reg");
    for (const char* bad : {"Software\\..\\x", "Software\\", "Software\\A\\\\B", "System\\X",
                            "Software\\a/b", "Software\\.", ""})
        EXPECT_EQ(RegistryKey::filePath(bad), "") << bad;
}

TEST(RegistryStore, OpeningAMissingKeyGivesAnEmptyKeyAndWritesNothing)
{
    test::ConfigHome home;
    RegistryKey key;
    ASSERT_TRUE(key.open(KEY));
    queryDWord(key, "ShowClock", RegistryResult::NotFound);
    EXPECT_TRUE(key.close());
    EXPECT_FALSE(std::filesystem::exists(home.path() + "/Brimholt"));
}

TEST(RegistryStore, ValuesRoundTripWithTypeAndSize)
{
    test::ConfigHome home;
    {
        RegistryKey key;
        ASSERT_TRUE(key.open(KEY));
        EXPECT_TRUE(key.setDWord("ShowClock", 1));
        EXPECT_TRUE(key.setDWord("Width", 0xFFFFFFFF));
        EXPECT_TRUE(key.setString("Path", "C:\\Program Files\\\"Q\""));
        EXPECT_FALSE(key.setString("Bad", "two\nlines"));
        EXPECT_FALSE(key.setDWord("", 1));
        EXPECT_TRUE(key.close());
    }
    std::string text = test::readText(home.settingsFile());
    EXPECT_EQ(text, std::string(HEADER) + "\n[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n"
                    "\"ShowClock\"=dword:00000001\n\"Width\"=dword:ffffffff\n"
                    "\"Path\"=\"C:\\\\Program Files\\\\\\\"Q\\\"\"\n");
    RegistryKey key;
    ASSERT_TRUE(key.open(KEY));
    EXPECT_EQ(queryDWord(key, "showclock"), 1u);   // names are not case-sensitive
    EXPECT_EQ(queryDWord(key, "Width"), 0xFFFFFFFFu);
    EXPECT_EQ(queryString(key, "Path"), "C:\\Program Files\\\"Q\"");
}

TEST(RegistryStore, SmallBufferReportsTheSizeAndCopiesNothing)
{
    test::ConfigHome home;
    RegistryKey key;
    ASSERT_TRUE(key.open(KEY));
    key.setString("Path", "/opt/quillmark");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    uint32_t size = sizeof buffer;
    RegistryType type = RegistryType::None;
    EXPECT_EQ(key.query("Path", buffer, &size, &type), RegistryResult::MoreData);
    EXPECT_EQ(size, 15u);
    EXPECT_EQ(buffer[0], 'x');
    size = 0;
    EXPECT_EQ(key.query("Path", nullptr, &size, &type), RegistryResult::Ok);
    EXPECT_EQ(size, 15u);
    EXPECT_EQ(key.query("Path", buffer, nullptr, &type), RegistryResult::Failed);
}

TEST(RegistryStore, HandWrittenFileIsReadLeniently)
{
    test::ConfigHome home;
    test::writeText(home.settingsFile(),
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"ShowClock\"=dword:00000009\r\n\r\n"
        "[hkey_current_user\\software\\brimholt\\quillmark]\r\n"
        "; a comment\r\n"
        "\"ShowClock\"=dword:1\r\n"
        "\"Gamma\"=DWORD:0000004B\r\n"
        "\"TooWide\"=dword:123456789\r\n"
        "\"NotHex\"=dword:zz\r\n"
        "\"Unclosed=dword:00000001\r\n"
        "\"Trailing\"=\"text\" junk\r\n"
        "garbage line\r\n"
        "\"Deleted\"=-\r\n"
        "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n"
        "\"Mine\"=\"kept\"\r\n"
        "\"Gamma\"=dword:00000050\r\n");
    RegistryKey key;
    ASSERT_TRUE(key.open(KEY));
    EXPECT_EQ(queryDWord(key, "ShowClock"), 1u);   // the other key's value does not leak in
    EXPECT_EQ(queryDWord(key, "Gamma"), 0x50u);    // the later line wins
    for (const char* skipped : {"TooWide", "NotHex", "Unclosed", "Trailing", "Deleted", "Blob"})
        queryDWord(key, skipped, RegistryResult::NotFound);
    EXPECT_EQ(queryString(key, "Mine"), "kept");
}

TEST(RegistryStore, SavingKeepsForeignValuesAndOtherKeysAndDropsMalformedLines)
{
    test::ConfigHome home;
    test::writeText(home.settingsFile(),
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n"
        "\"Mine\"=\"kept\"\n\"Blob\"=hex:01,02,\\\n  03,04\n\"Broken\n\"ShowClock\"=dword:00000000\n\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\n\"X\"=dword:00000002\n");
    {
        RegistryKey key;
        ASSERT_TRUE(key.open(KEY));
        key.setDWord("ShowClock", 1);
        key.setDWord("Volume", 100);
        ASSERT_TRUE(key.close());
    }
    EXPECT_EQ(test::readText(home.settingsFile()),
              std::string(HEADER) + "\n[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n"
              "\"Mine\"=\"kept\"\n\"Blob\"=hex:01,02,\\\n  03,04\n\"ShowClock\"=dword:00000001\n"
              "\"Volume\"=dword:00000064\n\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n\"X\"=dword:00000002\n");
    auto entries = std::distance(std::filesystem::directory_iterator(home.path() + "/Brimholt"),
                                 std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

// Files whose lines could be read differently once written back: after a save, a fresh read must
// find exactly the values the first read found, and the value set in between.
TEST(RegistryStore, ASavedFileReadsBackTheSameValues)
{
    const char* const section = "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]";
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"a key header ending in two carriage returns is not a header",
         std::string("x\r\n") + section + "\r\r\n\"Path\"=\"C\"\r"},
        {"a continued value at the end of the file",
         std::string(HEADER) + section + "\n\"Width\"=dword:00000280\n\"Blob\"=hex:01,\\"},
        {"a continued value that replaced an earlier one of its name",
         std::string(HEADER) + section + "\n\"Blob\"=hex:01\n\"Width\"=dword:2\n\"blob\"=hex:02,\\\n"
         "  03,\\\n"},
        {"a comment continued into a blank line",
         std::string(HEADER) + section + "\n;note \\\n\n\"Height\"=dword:1e0\n"},
    };
    for (const auto& c : cases) {
        test::ConfigHome home;
        test::writeText(home.settingsFile(), c.file);
        uint32_t before[3] = {};
        RegistryResult found[3];
        const char* const names[] = {"Width", "Height", "Path"};
        {
            RegistryKey key;
            ASSERT_TRUE(key.open(KEY)) << c.what;
            for (int i = 0; i < 3; ++i) {
                uint32_t size = sizeof before[i];
                found[i] = key.query(names[i], &before[i], &size, nullptr);
            }
            key.setDWord("Volume", 42);
            ASSERT_TRUE(key.close()) << c.what;
        }
        RegistryKey again;
        ASSERT_TRUE(again.open(KEY));
        EXPECT_EQ(queryDWord(again, "Volume"), 42u) << c.what;
        for (int i = 0; i < 3; ++i) {
            uint32_t value = 0, size = sizeof value;
            EXPECT_EQ(again.query(names[i], &value, &size, nullptr), found[i]) << c.what << ": " << names[i];
            if (found[i] == RegistryResult::Ok) {
                EXPECT_EQ(value, before[i]) << c.what << ": " << names[i];
            }
        }
    }
}

TEST(RegistryStore, AFileTooLargeToLoadIsNeverOverwritten)
{
    test::ConfigHome home;
    std::string huge(2 << 20, ';');
    test::writeText(home.settingsFile(), huge);
    RegistryKey key;
    ASSERT_TRUE(key.open(KEY));
    queryDWord(key, "ShowClock", RegistryResult::NotFound);
    key.setDWord("ShowClock", 1);
    EXPECT_FALSE(key.close());
    EXPECT_EQ(test::readText(home.settingsFile()).size(), huge.size());
}

TEST(RegistryStore, AFolderInPlaceOfTheFileFailsTheSave)
{
    test::ConfigHome home;
    std::filesystem::create_directories(home.settingsFile());
    RegistryKey key;
    ASSERT_TRUE(key.open(KEY));
    key.setDWord("ShowClock", 1);
    EXPECT_FALSE(key.close());
    EXPECT_TRUE(std::filesystem::is_directory(home.settingsFile()));
}

} // namespace
} // namespace qm::platform
