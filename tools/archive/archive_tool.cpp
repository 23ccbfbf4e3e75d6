#include "tools/archive/archive_tool.h"

#include "assets/archive_reader.h"
#include "assets/archive_walk.h"
#include "tools/archive/archive_listing.h"
#include "tools/rar_writer/rar_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

constexpr const char* USAGE =
    "usage: quillmark-archive pack [--solid | --store] OUT.rar [-C DIR] FILE|DIR ...\n"
    "       quillmark-archive extract [-f] ARCHIVE MEMBER [OUTFILE]\n"
    "       quillmark-archive list ARCHIVE\n"
    "\n"
    "pack     stores each FILE, and every file under each DIR, by its path as given, relative and\n"
    "         with \\ separators (textures/load.jpg becomes textures\\load.jpg); -C DIR takes the\n"
    "         paths after it from DIR. --solid packs one solid stream, --store does not compress.\n"
    "extract  writes MEMBER to OUTFILE (-f replaces an existing one), or to standard output when\n"
    "         no OUTFILE is given and standard output is not a terminal. Names match as the\n"
    "         saver matches them: ignoring case, with \\, / and _ alike.\n"
    "list     prints name, packed and unpacked size, version, method, CRC and flags of each member.\n"
    "Options may stand anywhere before \"--\"; -h or --help prints this text.\n";

// The reader keeps member names up to this many bytes.
constexpr size_t NAME_LIMIT = archive_walk::NAME_CAPACITY - 1;

int fail(const std::string& message)
{
    std::fprintf(stderr, "quillmark-archive: %s\n", message.c_str());
    return 1;
}

void note(const std::string& message) { std::fprintf(stderr, "quillmark-archive: %s\n", message.c_str()); }

struct Operand {
    std::string text;
    std::string folder;  // the -C folder in force for it; empty: the current folder
};

struct CommandLine {
    std::string command;
    std::vector<Operand> operands;
    bool solid = false, store = false, force = false, help = false, changedFolder = false;
    std::string error;
};

CommandLine parse(const std::vector<std::string>& args)
{
    CommandLine c;
    bool options = true;
    std::string folder;
    for (size_t i = 0; i < args.size() && c.error.empty(); ++i) {
        const std::string& a = args[i];
        const bool option = options && a.size() > 1 && a[0] == '-';
        if (!option) {
            if (c.command.empty()) c.command = a;
            else c.operands.push_back({a, folder});
        } else if (a == "--") {
            options = false;
        } else if (a == "-h" || a == "--help") {
            c.help = true;
        } else if (a == "--solid") {
            c.solid = true;
        } else if (a == "--store") {
            c.store = true;
        } else if (a == "-f" || a == "--force") {
            c.force = true;
        } else if (a == "-C" || (a.rfind("-C", 0) == 0 && a.size() > 2)) {
            std::string dir = a.size() > 2 ? a.substr(2) : (i + 1 < args.size() ? args[++i] : "");
            if (dir.empty()) c.error = "-C needs a folder";
            // A relative -C is taken from the one before, as tar does.
            folder = folder.empty() ? dir : (fs::path(folder) / dir).string();
            c.changedFolder = true;
        } else {
            c.error = "unknown option " + a;
        }
    }
    return c;
}

// --- pack -----------------------------------------------------------------------------------

// A path as given on the command line made a member name: normalised, relative (a leading "/"
// and leading ".." are dropped, as tar does, with a note), with "\" separators.
std::string memberPath(const std::string& given, bool& droppedRoot, bool& droppedUp)
{
    const fs::path p = fs::path(given).lexically_normal();
    if (p.has_root_directory()) droppedRoot = true;
    std::vector<std::string> parts;
    for (const fs::path& part : p.relative_path()) {
        const std::string s = part.string();
        if (s.empty() || s == ".") continue;
        if (s == "..") {
            if (parts.empty()) droppedUp = true;
            else parts.pop_back();
            continue;
        }
        parts.push_back(s);
    }
    std::string name;
    for (const std::string& s : parts) name += (name.empty() ? "" : "\\") + s;
    return name;
}

std::string joinMember(const std::string& prefix, const std::string& rest)
{
    return prefix.empty() ? rest : rest.empty() ? prefix : prefix + "\\" + rest;
}

bool readFile(const fs::path& path, std::vector<uint8_t>& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes a file through a temporary file beside it, renamed over it once complete, so that a
// failure leaves no half-written file.
bool writeAtomically(const std::string& path, const uint8_t* bytes, size_t size, std::string& error)
{
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0;
    for (size_t done = 0; ok && done < size;) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += size_t(n);
    }
    const int writeError = errno;
    ok = (close(fd) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = "cannot write " + path + ": " + std::strerror(ok ? errno : writeError);
    std::remove(temporary.c_str());
    return false;
}

class Packer {
public:
    explicit Packer(const std::string& output) : output_(output)
    {
        std::error_code ec;
        outputPath_ = fs::weakly_canonical(fs::absolute(output, ec), ec);
    }

    bool add(const Operand& operand)
    {
        const fs::path disk = operand.folder.empty() ? fs::path(operand.text) : fs::path(operand.folder) / operand.text;
        const std::string name = memberPath(operand.text, droppedRoot_, droppedUp_);
        std::error_code ec;
        if (fs::is_directory(disk, ec)) return addFolder(disk, name);
        if (!fs::is_regular_file(disk, ec))
            return failWith("cannot read " + disk.string() + ": " + std::strerror(ENOENT));
        if (name.empty()) return failWith("no member name in " + operand.text);
        return addFile(disk, name);
    }

    int finish(const RarWriterOptions& options)
    {
        if (droppedRoot_) note("removing leading '/' from member names");
        if (droppedUp_) note("removing leading '..' from member names");
        std::string error;
        const std::vector<uint8_t> bytes = buildRarArchive(entries_, options);
        if (!writeAtomically(output_, bytes.data(), bytes.size(), error)) return fail(error);
        return 0;
    }

    const std::string& error() const { return error_; }

private:
    bool failWith(const std::string& message)
    {
        error_ = message;
        return false;
    }

    bool isOutput(const fs::path& file) const
    {
        std::error_code ec;
        if (fs::weakly_canonical(fs::absolute(file, ec), ec) == outputPath_) return true;
        return fs::exists(output_, ec) && fs::equivalent(file, output_, ec);
    }

    bool addFolder(const fs::path& folder, const std::string& prefix)
    {
        std::error_code ec;
        std::vector<fs::path> files;
        for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_regular_file(ec)) files.push_back(it->path());
        if (ec) return failWith("cannot read folder " + folder.string() + ": " + ec.message());
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            bool root = false, up = false;
            if (!addFile(f, joinMember(prefix, memberPath(f.lexically_relative(folder).string(), root, up))))
                return false;
        }
        return true;
    }

    bool addFile(const fs::path& file, const std::string& name)
    {
        if (isOutput(file)) {
            note("skipping the output archive " + file.string());
            return true;
        }
        if (name.size() > NAME_LIMIT) return failWith("member name longer than 259 bytes: " + name);
        auto [at, fresh] = sources_.emplace(readerKey(name), file.string());
        if (!fresh)
            return failWith("duplicate member name " + name + " (" + at->second + " and " + file.string() + ")");
        RarEntry e{name, {}};
        if (!readFile(file, e.data)) return failWith("cannot read " + file.string() + ": " + std::strerror(errno));
        if (e.data.size() > ArchiveReader::MAX_MEMBER_SIZE) return failWith("member too large: " + file.string());
        entries_.push_back(std::move(e));
        return true;
    }

    std::string output_;
    fs::path outputPath_;
    std::vector<RarEntry> entries_;
    std::map<std::string, std::string> sources_;  // reader key to the file it came from
    bool droppedRoot_ = false, droppedUp_ = false;
    std::string error_;
};

int pack(const CommandLine& c)
{
    if (c.solid && c.store)
        return fail("--solid and --store cannot be combined: stored members share no compression state");
    if (c.operands.size() < 2) return fail("pack needs an output archive and at least one file or folder");
    Packer packer(c.operands[0].text);
    for (size_t k = 1; k < c.operands.size(); ++k)
        if (!packer.add(c.operands[k])) return fail(packer.error());
    RarWriterOptions options;
    options.solid = c.solid;
    options.store = c.store;
    return packer.finish(options);
}

// --- extract and list -------------------------------------------------------------------------

// The listing of an archive file, or the failure line's text.
bool listFile(const std::string& archive, ArchiveListing& listing, std::string& error)
{
    std::error_code ec;
    if (!fs::exists(archive, ec)) {
        error = "archive missing: " + archive;
        return false;
    }
    std::string reason;
    if (!listArchiveFile(archive, listing, reason)) {
        error = "unreadable archive: " + archive + " (" + reason + ")";
        return false;
    }
    if (listing.status == ListingStatus::NOT_RAR) {
        const bool plain = listing.detail == "no RAR marker";
        error = "not a RAR archive: " + archive + (plain ? "" : " (" + listing.detail + ")");
        return false;
    }
    return true;
}

std::string damageText(const ArchiveListing& listing, const std::string& archive)
{
    const char* what = listing.status == ListingStatus::TRUNCATED ? "truncated archive: " : "unreadable archive: ";
    return what + archive + " (" + listing.detail + ")";
}

// Why the member cannot be extracted before trying, or empty.
std::string memberProblem(const ArchiveListing& listing, const ListedMember* m, const std::string& archive,
                          const std::string& member)
{
    if (!m) {
        if (listing.status == ListingStatus::COMPLETE) return "member not found: " + member;
        if (listing.status == ListingStatus::SUB_BLOCK)
            return "member not found before the sub-block where reading stops: " + member;
        return damageText(listing, archive);
    }
    const std::string& name = m->info.name;
    if (m->encrypted) return "encrypted member (decryption is not supported): " + name;
    const unsigned version = m->info.version;
    const bool stored = m->info.method == rar20::METHOD_STORE;
    if (version < archive_walk::VERSION_MIN || version > archive_walk::VERSION_MAX || (!stored && version != 20))
        return "unsupported version " + std::to_string(version) +
               (!stored && version < 20 ? " (compression older than RAR 2.0)" : "") + ": " + name;
    if (listing.status == ListingStatus::TRUNCATED && m == &listing.members.back()) return damageText(listing, archive);
    return "";
}

std::string extractionFailure(ArchiveError e, const std::string& member)
{
    switch (e) {
    case ArchiveError::TRUNCATED_MEMBER: return "truncated member (fewer bytes than its size): " + member;
    case ArchiveError::CRC_MISMATCH: return "CRC mismatch: " + member;
    case ArchiveError::UNSUPPORTED_VERSION:
        return "unsupported version of a member before it in the solid archive: " + member;
    case ArchiveError::OUT_OF_MEMORY: return "member too large: " + member;
    default: return std::string(ArchiveReader::errorText(e)) + ": " + member;
    }
}

int extract(const CommandLine& c)
{
    if (c.operands.size() < 2 || c.operands.size() > 3) return fail("extract needs ARCHIVE MEMBER [OUTFILE]");
    const std::string& archive = c.operands[0].text;
    const std::string& member = c.operands[1].text;
    const std::string out = c.operands.size() == 3 && c.operands[2].text != "-" ? c.operands[2].text : "";
    if (out.empty() && isatty(STDOUT_FILENO))
        return fail("standard output is a terminal: give OUTFILE or redirect the output");
    std::error_code ec;
    if (!out.empty() && fs::exists(out, ec) && !c.force) return fail(out + " exists (-f replaces it)");
    ArchiveListing listing;
    std::string error;
    if (!listFile(archive, listing, error)) return fail(error);
    const std::string problem = memberProblem(listing, listing.find(member), archive, member);
    if (!problem.empty()) return fail(problem);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!ArchiveReader::getMember(&data, &size, member.c_str(), archive.c_str(), ""))
        return fail(extractionFailure(ArchiveReader::lastError(), member));
    bool ok = true;
    if (out.empty()) ok = std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
    else ok = writeAtomically(out, data, size, error);
    delete[] data;
    if (!ok) return fail(out.empty() ? "cannot write standard output" : error);
    return 0;
}

std::string flagsOf(const ArchiveListing& listing, const ListedMember& m)
{
    std::string flags = m.continuesSolid ? "solid" : listing.solid ? "solid-start" : "";
    if (m.encrypted) flags += flags.empty() ? "encrypted" : ",encrypted";
    return flags.empty() ? "-" : flags;
}

int list(const CommandLine& c)
{
    if (c.operands.size() != 1) return fail("list needs ARCHIVE");
    const std::string& archive = c.operands[0].text;
    ArchiveListing listing;
    std::string error;
    if (!listFile(archive, listing, error)) return fail(error);
    for (const ListedMember& m : listing.members)
        std::printf("%s\tpacked %u\tunpacked %u\tversion %u\tmethod 0x%02X\tcrc %08X\t%s\n", m.info.name.c_str(),
                    m.info.packedSize, m.info.unpackedSize, m.info.version, m.info.method, m.info.fileCrc,
                    flagsOf(listing, m).c_str());
    if (listing.status == ListingStatus::SUB_BLOCK) {
        std::printf("(sub-block at offset %llu: the listing stops here, as the saver's reader does)\n",
                    static_cast<unsigned long long>(listing.stopPosition));
        return 0;
    }
    if (listing.status != ListingStatus::COMPLETE) return fail(damageText(listing, archive));
    return 0;
}

} // namespace

int ArchiveTool::run(const std::vector<std::string>& args)
{
    const CommandLine c = parse(args);
    if (c.help) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (!c.error.empty()) return fail(c.error + " (--help shows the usage)");
    if (c.command != "pack" && c.command != "extract" && c.command != "list") {
        if (!c.command.empty()) note("unknown command " + c.command);
        std::fputs(USAGE, stderr);
        return 1;
    }
    if (c.command != "pack" && (c.solid || c.store || c.changedFolder))
        return fail("--solid, --store and -C are options of pack");
    if (c.command != "extract" && c.force) return fail("-f is an option of extract");
    if (c.command == "pack") return pack(c);
    if (c.command == "extract") return extract(c);
    return list(c);
}

} // namespace qm
