#include "tools/archive/archive_tool.h"

#include "assets/archive_reader.h"
#include "tools/rar_writer/rar_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr const char* USAGE =
    "usage: quillmark-archive pack [--solid] [--store] OUT.rar FILE|DIR ...\n"
    "       quillmark-archive extract ARCHIVE MEMBER [OUTFILE]\n"
    "       quillmark-archive list ARCHIVE\n";

int fail(const std::string& message)
{
    std::fprintf(stderr, "quillmark-archive: %s\n", message.c_str());
    return 1;
}

bool readFile(const fs::path& path, std::vector<uint8_t>& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The member name of a file: its path below the folder given, with "\" separators.
std::string memberName(const fs::path& relative)
{
    std::string name;
    for (const fs::path& part : relative) {
        if (!name.empty()) name += '\\';
        name += part.string();
    }
    return name;
}

bool collect(const fs::path& given, std::vector<RarEntry>& entries, std::string& error)
{
    std::error_code ec;
    if (fs::is_directory(given, ec)) {
        std::vector<fs::path> files;
        for (auto it = fs::recursive_directory_iterator(given, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_regular_file(ec)) files.push_back(it->path());
        if (ec) {
            error = "cannot read folder " + given.string();
            return false;
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            RarEntry e{memberName(fs::relative(f, given)), {}};
            if (!readFile(f, e.data)) {
                error = "cannot read " + f.string();
                return false;
            }
            entries.push_back(std::move(e));
        }
        return true;
    }
    RarEntry e{given.filename().string(), {}};
    if (!fs::is_regular_file(given, ec) || !readFile(given, e.data)) {
        error = "cannot read " + given.string();
        return false;
    }
    entries.push_back(std::move(e));
    return true;
}

} // namespace

int ArchiveTool::run(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "pack") return pack(args);
    if (!args.empty() && args[0] == "extract") return extract(args);
    if (!args.empty() && args[0] == "list") return list(args);
    std::fputs(USAGE, stderr);
    return 1;
}

int ArchiveTool::pack(const std::vector<std::string>& args)
{
    RarWriterOptions options;
    size_t i = 1;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        if (args[i] == "--solid") options.solid = true;
        else if (args[i] == "--store") options.store = true;
        else return fail("unknown option " + args[i]);
    }
    if (args.size() < i + 2) return fail("pack needs an output archive and at least one file or folder");
    std::string out = args[i];
    std::vector<RarEntry> entries;
    std::string error;
    for (size_t k = i + 1; k < args.size(); ++k)
        if (!collect(args[k], entries, error)) return fail(error);
    for (const RarEntry& e : entries)
        if (e.data.size() > ArchiveReader::MAX_MEMBER_SIZE) return fail("member too large: " + e.name);
    if (!writeRarArchive(out, entries, options, &error)) return fail(error);
    return 0;
}

int ArchiveTool::extract(const std::vector<std::string>& args)
{
    if (args.size() < 3 || args.size() > 4) return fail("extract needs ARCHIVE MEMBER [OUTFILE]");
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!ArchiveReader::getMember(&data, &size, args[2].c_str(), args[1].c_str(), "")) {
        ArchiveError e = ArchiveReader::lastError();
        return fail(std::string(ArchiveReader::errorText(e)) + ": " +
                    (e == ArchiveError::ARCHIVE_MISSING ? args[1] : args[2]));
    }
    FILE* out = args.size() == 4 ? std::fopen(args[3].c_str(), "wb") : stdout;
    bool ok = out && std::fwrite(data, 1, size, out) == size;
    if (out && out != stdout) ok = (std::fclose(out) == 0) && ok;
    else if (out) ok = (std::fflush(out) == 0) && ok;
    delete[] data;
    return ok ? 0 : fail("cannot write " + (args.size() == 4 ? args[3] : std::string("standard output")));
}

int ArchiveTool::list(const std::vector<std::string>& args)
{
    if (args.size() != 2) return fail("list needs ARCHIVE");
    std::vector<ArchiveMemberInfo> members;
    bool solid = false;
    std::error_code ec;
    if (!fs::exists(args[1], ec)) return fail(std::string(ArchiveReader::errorText(ArchiveError::ARCHIVE_MISSING)) + ": " + args[1]);
    bool clean = ArchiveReader::listMembers(args[1].c_str(), &members, &solid);
    for (const ArchiveMemberInfo& m : members)
        std::printf("%s\tpacked %u\tunpacked %u\tversion %u\tmethod 0x%02X\tcrc %08X\t%s\n", m.name.c_str(),
                    m.packedSize, m.unpackedSize, m.version, m.method, m.fileCrc,
                    (m.flags & 0x0010) ? "solid" : (solid ? "solid-start" : "-"));
    if (!clean) return fail(std::string(ArchiveReader::errorText(ArchiveError::BROKEN_HEADER)) + ": " + args[1]);
    return 0;
}

} // namespace qm
