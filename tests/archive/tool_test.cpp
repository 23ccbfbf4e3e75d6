// quillmark-archive as a process, as a new user meets it: packing paths as given, -C, refused
// duplicates, the output never packed into itself, options anywhere, the listing of files that
// are not (whole) archives, the real reasons extraction fails, and where extracted bytes go;
// archives it packs are cross-checked with unar.
#include "archive_test_support.h"

#include "assets/crc32.h"
#include "tools/rar_writer/rar_writer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <functional>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

std::string toolPath()
{
    const char* bin = std::getenv("QM_BINARY_DIR");
    return std::string(bin ? bin : ".") + "/bin/quillmark-archive";
}

std::string text(const std::string& path)
{
    Bytes b;
    readFile(path, b);
    return std::string(b.begin(), b.end());
}

// Runs the tool in dir with the arguments (shell syntax), capturing both outputs.
ToolRun runTool(const std::string& args, const TempFolder& dir)
{
    std::string cmd = "cd '" + dir.path() + "' && '" + toolPath() + "' " + args + " >'" + dir.file(".out") +
                      "' 2>'" + dir.file(".err") + "'";
    int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text(dir.file(".out")), text(dir.file(".err"))};
}

// The member names of an archive, in order, from the tool's own listing.
std::vector<std::string> memberNames(const std::string& listing)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        if (!line.empty() && line[0] != '(') names.push_back(line.substr(0, line.find('\t')));
        start = end + 1;
    }
    return names;
}

// Files every case starts from.
void makeTree(const TempFolder& dir)
{
    writeFile(dir.file("textures/load.jpg"), randomData(3000, 1));
    writeFile(dir.file("textures/sun.jpg"), randomData(2000, 2));
    writeFile(dir.file("src/a.txt"), textData(4000, 3));
    writeFile(dir.file("src/sub/b.txt"), textData(500, 4));
    writeFile(dir.file("p/a_b.txt"), {'u'});
    writeFile(dir.file("q/a/b.txt"), {'s'});
    writeFile(dir.file("--odd"), {'o'});
    writeFile(dir.file("passwd"), Bytes{'r', 'o', 'o', 't', ':', 'x', '\n'});
    writeFile(dir.file("empty"), {});
    writeFile(dir.file("out.rar"), {'o', 'l', 'd'});
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
        const std::string art = " -C '" + dir.file("art") + "' .";
        ASSERT_EQ(runTool(std::string("pack ") + mode + " -f '" + rar + "'" + art, dir).status, 1);  // -f is extract's
        ASSERT_EQ(runTool(std::string("pack ") + mode + " '" + rar + "'" + art, dir).status, 0);
        Bytes got;
        ASSERT_TRUE(extract(rar, "textures\\sun.jpg", got));  // stored with "\" separators
        EXPECT_EQ(got, sun);
        std::remove(dir.file("land.out").c_str());
        ASSERT_EQ(runTool("extract '" + rar + "' LAND.TXT '" + dir.file("land.out") + "'", dir).status, 0);
        ASSERT_TRUE(readFile(dir.file("land.out"), got));
        EXPECT_EQ(got, land);
        ToolRun listing = runTool("list '" + rar + "'", dir);
        ASSERT_EQ(listing.status, 0);
        EXPECT_NE(listing.out.find("textures\\sun.jpg\tpacked"), std::string::npos) << listing.out;
        EXPECT_NE(listing.out.find("unpacked 5000"), std::string::npos) << listing.out;
    }
}

struct CommandCase {
    const char* name;
    std::string args;                  // run in the case's folder
    int status;
    std::string says;                  // in standard error (or standard output for status 0 without it)
    std::vector<std::string> members;  // of out.rar afterwards, when given
    bool unar = false;                 // unar must extract out.rar to the files packed
    std::function<void(const TempFolder&)> prepare = nullptr;
};

// Archives to list and extract from, made by the real writer and then damaged.
void makeDamagedArchives(const TempFolder& dir)
{
    std::vector<RarEntry> e = {{"a.txt", textData(6000, 5)}, {"b.txt", textData(6000, 6)}};
    Bytes good = buildRarArchive(e, {});
    writeFile(dir.file("good.rar"), good);
    writeFile(dir.file("cut.rar"), Bytes(good.begin(), good.end() - 100));
    Bytes flipped = good;
    flipped[flipped.size() - 200] ^= 0x10;
    writeFile(dir.file("flipped.rar"), flipped);
    Bytes shortMember;
    appendRarMarkerAndMainHeader(shortMember, 0);
    RarRawMember m;
    m.name = "short.txt";
    m.packed = {'a', 'b', 'c'};
    m.unpackedSize = 10;
    const Bytes padded = {'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0};
    m.fileCrc = Crc32::of(padded.data(), padded.size());
    appendRarFileBlock(shortMember, m);
    writeFile(dir.file("short.rar"), shortMember);
    writeFile(dir.file("rar.txt"), {'R', 'a', 'r', '!'});
}

TEST(ArchiveTool, CommandsBehaveLikeAnArchiver)
{
    const std::string psw = "'" + fixture("rar202-comment-psw.rar") + "'";
    const std::vector<CommandCase> cases = {
        {"paths as given", "pack out.rar textures src/sub/b.txt", 0, "",
         {"textures\\load.jpg", "textures\\sun.jpg", "src\\sub\\b.txt"}, true},
        {"-C, relative to the one before", "pack out.rar -C src . -C sub b.txt", 0, "",
         {"a.txt", "sub\\b.txt", "b.txt"}, true},
        {"normalised", "pack out.rar ./textures/../src/a.txt ./src/sub/", 0, "", {"src\\a.txt", "src\\sub\\b.txt"}},
        {"leading .. dropped", "pack out.rar -C src ../textures/sun.jpg", 0, "removing leading '..'",
         {"textures\\sun.jpg"}},
        {"duplicates refused", "pack out.rar textures ./textures/load.jpg", 1,
         "duplicate member name textures\\load.jpg",
         {}},
        {"duplicates as the reader matches names", "pack out.rar -C p a_b.txt -C ../q a/b.txt", 1,
         "duplicate member name a\\b.txt", {}},
        {"self-inclusion skipped", "pack out.rar .", 0, "skipping the output archive", {}},
        {"options after operands", "pack out.rar src/a.txt --solid", 0, "", {"src\\a.txt"}},
        {"-- ends the options", "pack out.rar -- --odd", 0, "", {"--odd"}},
        {"--solid --store refused", "pack --solid out.rar src --store", 1, "cannot be combined", {}},
        {"--help", "list --help", 0, "usage: quillmark-archive pack", {}},
        {"unknown option", "pack out.rar src --fast", 1, "unknown option --fast", {}},
        {"option of another command", "list -f out.rar", 1, "-f is an option of extract", {}},
        {"not a RAR archive", "list passwd", 1, "not a RAR archive: passwd", {}},
        {"empty file", "list empty", 1, "not a RAR archive: empty", {}},
        {"marker cut short", "list rar.txt", 1, "truncated archive: rar.txt", {}},
        {"folder", "list src", 1, "unreadable archive: src (Is a directory)", {}},
        {"truncated", "list cut.rar", 1, "truncated archive: cut.rar", {}},
        {"encrypted shown", "list " + psw, 0,
         "FILE1.TXT\tpacked 32\tunpacked 7\tversion 20\tmethod 0x33\tcrc 7A197DBA\tencrypted", {}},
        {"sub-block said", "list '" + fixture("rar2-unix-owner.rar") + "'", 0, "the listing stops here", {}},
        {"encrypted named", "extract " + psw + " FILE1.TXT o.bin", 1, "encrypted member", {}},
        {"older compression named", "extract '" + fixture("rar15-comment.rar") + "' FILE1.TXT o.bin", 1,
         "unsupported version 15", {}},
        {"CRC named", "extract flipped.rar b.txt o.bin", 1, "CRC mismatch: b.txt", {}},
        {"short member named", "extract short.rar short.txt o.bin", 1, "truncated member", {}},
        {"truncated archive named", "extract cut.rar b.txt o.bin", 1, "truncated archive: cut.rar", {}},
        {"missing member", "extract good.rar c.txt o.bin", 1, "member not found: c.txt", {}},
        {"missing archive", "extract none.rar a.txt o.bin", 1, "archive missing: none.rar", {}},
        {"existing OUTFILE kept", "extract good.rar a.txt passwd", 1, "passwd exists (-f replaces it)", {}},
        {"-f replaces it", "extract good.rar a.txt passwd -f", 0, "", {}},
        {"standard output when redirected", "extract good.rar a.txt | wc -c", 0, "6000", {}},
        {"standard output refused on a terminal", "", 1, "standard output is a terminal",  {},  false,
         [](const TempFolder& dir) {
             std::system(("cd '" + dir.path() + "' && script -qec \"'" + toolPath() +
                          "' extract good.rar a.txt\" /dev/null >terminal.txt 2>&1").c_str());
         }},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        makeTree(dir);
        makeDamagedArchives(dir);
        if (c.prepare) {
            c.prepare(dir);
            EXPECT_NE(text(dir.file("terminal.txt")).find(c.says), std::string::npos) << text(dir.file("terminal.txt"));
            continue;
        }
        ToolRun r = runTool(c.args, dir);
        EXPECT_EQ(r.status, c.status) << r.err;
        const std::string& said = (c.status == 0 && r.err.empty()) ? r.out : r.err;
        EXPECT_NE(said.find(c.says), std::string::npos) << "out: " << r.out << "err: " << r.err;
        if (c.args.rfind("pack", 0) != 0) continue;
        if (c.status != 0) {
            EXPECT_EQ(text(dir.file("out.rar")), "old") << "a failed pack replaced the archive";
            continue;
        }
        ToolRun listing = runTool("list out.rar", dir);
        ASSERT_EQ(listing.status, 0) << listing.err;
        std::vector<std::string> names = memberNames(listing.out);
        if (!c.members.empty()) {
            EXPECT_EQ(names, c.members) << listing.out;
        }
        EXPECT_EQ(std::count(names.begin(), names.end(), "out.rar"), 0) << listing.out;
        EXPECT_EQ(text(dir.file("out.rar")).rfind("Rar!", 0), 0u);
        if (c.unar && std::system("command -v unar >/dev/null 2>&1") == 0) {
            ASSERT_EQ(std::system(("cd '" + dir.path() + "' && unar -q -o unar out.rar >/dev/null").c_str()), 0);
            for (const std::string& name : names) {
                std::string path = name;
                std::replace(path.begin(), path.end(), '\\', '/');
                Bytes got, want;
                ASSERT_TRUE(readFile(dir.file("unar/out/" + path), got)) << path;
                const std::string source = std::string(c.name).rfind("-C", 0) == 0
                                               ? (path == "b.txt" ? "src/sub/b.txt" : "src/" + path)
                                               : path;
                ASSERT_TRUE(readFile(dir.file(source), want)) << source;
                EXPECT_EQ(got, want) << path;
            }
        }
    }
}

} // namespace
} // namespace qm::test
