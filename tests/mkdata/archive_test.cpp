// The archive quillmark-mkdata writes: the same bytes every run, every member the saver loads
// present and intact through the program's own archive reader, and readable by unar as well.
#include "mkdata_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace qm::test {
namespace {

// Members the saver fetches by name in code, before any script names anything.
const char* const FIXED_MEMBERS[] = {
    "textures\\load.jpg", "textures\\c.jpg",   "test.txt",          "land.txt",          "meshes\\skydome.dat",
    "textures\\skydome.jpg", "textures\\sun.jpg", "textures\\tlens.jpg", "textures\\rlens.jpg",
    "low.ogg", "med.ogg", "max.ogg", "music.ogg",
};

std::string seriesMember(const std::string& base, int k)
{
    char name[160];
    std::snprintf(name, sizeof name, k < 10 ? "meshes\\%s0%d.dat" : "meshes\\%s%d.dat", base.c_str(), k);
    return name;
}

// What one render script makes the saver load: techniques, their textures, and meshes.
void addScriptReferences(const std::vector<uint8_t>& script, std::set<std::string>& out)
{
    std::vector<std::string> ls = lines(script);
    bool inBlock = false;
    for (size_t i = 1; i < ls.size(); ++i) {
        const std::string& l = ls[i];
        char name[128];
        int count = 0;
        if (!inBlock) {
            if (startsWith(l, "end"))
                return;
            inBlock = startsWith(l, "render");
        } else if (startsWith(l, "}")) {
            inBlock = false;
        } else if (std::sscanf(l.c_str(), "technique %127s", name) == 1) {
            std::string member = std::string("technique\\") + name;
            out.insert(member);
            for (const std::string& t : lines(dataSet().find(member) ? dataSet().find(member)->data
                                                                     : std::vector<uint8_t>{})) {
                int unit = 0;
                if (std::sscanf(t.c_str(), "texture %d %127s", &unit, name) == 2)
                    out.insert(std::string("textures\\") + name);
            }
        } else if (std::sscanf(l.c_str(), "mesh %127s", name) == 1) {
            out.insert(std::string("meshes\\") + name + ".dat");
        } else if (std::sscanf(l.c_str(), "collect %127s %d", name, &count) == 2) {
            for (int k = 1; k <= count; ++k)
                out.insert(seriesMember(name, k));
        }
    }
    ADD_FAILURE() << "script without its end line";
}

// What the cars load: shared resources by name, then what each livery file names.
void addCarReferences(std::set<std::string>& out)
{
    for (const char* name : {"textures\\lmap.jpg", "textures\\chrome.jpg", "textures\\spec_level.jpg",
                             "textures\\illum.jpg", "textures\\sh.tga", "textures\\tr.jpg", "textures\\wheel.tga",
                             "meshes\\wheel_pass0.dat", "meshes\\wheel_pass1.dat", "meshes\\helm.dat",
                             "meshes\\car.dat", "meshes\\rf.dat", "meshes\\car2.dat", "meshes\\rf2.dat",
                             "meshes\\car3.dat", "meshes\\rf3.dat"})
        out.insert(name);
    for (const char* face : {"right", "left", "bottom", "top", "front", "back"})
        out.insert(std::string("textures\\skybox_") + face + ".jpg");
    for (const char* livery : {"vcl\\f.txt", "vcl\\b.txt", "vcl\\green.txt", "vcl\\blue.txt", "vcl\\orange.txt",
                               "vcl\\yellow.txt"}) {
        out.insert(livery);
        const RarEntry* e = dataSet().find(livery);
        for (const std::string& l : lines(e ? e->data : std::vector<uint8_t>{})) {
            char name[256];
            if (std::sscanf(l.c_str(), "texture %255s", name) == 1 || std::sscanf(l.c_str(), "helmet %255s", name) == 1)
                out.insert(std::string("textures\\") + name);
            else if (std::sscanf(l.c_str(), "shadow %255s", name) == 1 && std::string(name).size() > 3)
                out.insert("meshes\\" + std::string(name).substr(0, std::string(name).size() - 3) + "dat");
        }
    }
}

// What start-up loads by fixed names beside the scripts and cars: corridors, camera scenes, sounds.
void addRaceReferences(std::set<std::string>& out)
{
    for (const char* name : {"corr.ase", "corr2.ase", "corr3.ase", "corr4.ase", "low.ogg", "med.ogg", "max.ogg",
                             "music.ogg"})
        out.insert(name);
    for (int i = 0; i < 17; ++i) out.insert("scene" + std::to_string(i) + ".txt");
}

std::set<std::string> loadedMembers()
{
    std::set<std::string> names(std::begin(FIXED_MEMBERS), std::end(FIXED_MEMBERS));
    addRaceReferences(names);
    for (const char* script : {"land.txt", "test.txt"})
        if (const RarEntry* e = dataSet().find(script))
            addScriptReferences(e->data, names);
    addCarReferences(names);
    return names;
}

TEST(MkdataArchive, SameBytesEveryRun)
{
    DataSet again = buildDataSet();
    ASSERT_EQ(again.members().size(), dataSet().members().size());
    for (size_t i = 0; i < again.members().size(); ++i) {
        EXPECT_EQ(again.members()[i].name, dataSet().members()[i].name);
        EXPECT_TRUE(again.members()[i].data == dataSet().members()[i].data) << again.members()[i].name;
    }
    std::string second = scratch().file("again.rar");
    ASSERT_TRUE(writeDataArchive(second, nullptr));
    std::vector<uint8_t> a = readFile(archivePath()), b = readFile(second);
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == b);
}

// Every member the saver loads so far, found through the scripts and techniques as the saver
// finds them, reads back intact; and nothing in the archive is left unused.
TEST(MkdataArchive, EveryLoadedMemberReadsBackIntact)
{
    std::set<std::string> wanted = loadedMembers();
    for (const std::string& name : wanted) {
        const RarEntry* entry = dataSet().find(name);
        ASSERT_NE(entry, nullptr) << name << " is loaded but not generated";
        bool ok = false;
        std::vector<uint8_t> bytes = extract(name, &ok);
        EXPECT_TRUE(ok) << name << ": " << ArchiveReader::errorText(ArchiveReader::lastError());
        EXPECT_TRUE(bytes == entry->data) << name;
    }
    for (const RarEntry& m : dataSet().members())
        EXPECT_TRUE(wanted.count(m.name)) << m.name << " is generated but nothing loads it";
}

// A compressed, solid archive of exactly the generated members, in order, small enough to ship.
TEST(MkdataArchive, HoldsEachMemberOnceCompressed)
{
    std::vector<ArchiveMemberInfo> infos;
    bool solid = false;
    ASSERT_TRUE(ArchiveReader::listMembers(archivePath().c_str(), &infos, &solid));
    EXPECT_TRUE(solid);
    ASSERT_EQ(infos.size(), dataSet().members().size());
    uint64_t packed = 0, unpacked = 0;
    for (size_t i = 0; i < infos.size(); ++i) {
        EXPECT_EQ(infos[i].name, dataSet().members()[i].name);
        EXPECT_EQ(infos[i].unpackedSize, dataSet().members()[i].data.size());
        packed += infos[i].packedSize;
        unpacked += infos[i].unpackedSize;
    }
    EXPECT_LT(packed, unpacked * 3 / 4);
    EXPECT_LT(readFile(archivePath()).size(), 4u << 20);
}

TEST(MkdataArchive, UnarExtractsTheSameBytes)
{
    if (std::system("command -v unar > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "unar is not installed";
    std::filesystem::path out = scratch().file("unar");
    std::string command = "unar -q -f -D -o '" + out.string() + "' '" + archivePath() + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const RarEntry& m : dataSet().members()) {
        std::string relative = m.name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        EXPECT_TRUE(readFile(out / relative) == m.data) << relative;
    }
}

} // namespace
} // namespace qm::test
