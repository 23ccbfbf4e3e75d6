#include "platform/registry_store.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::platform {
namespace {

constexpr const char* HEADER = "Windows Registry Editor Version 5.00";
constexpr const char* OLD_HEADER = "REGEDIT4";
constexpr const char* ROOT = "HKEY_CURRENT_USER\\";
constexpr const char* SOFTWARE = "Software\\";
// Settings files are tiny; anything larger is not ours to load into memory (or to overwrite).
constexpr size_t MAX_FILE_BYTES = 1 << 20;

bool equalsIgnoreCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y) return false;
    }
    return true;
}

bool startsWithIgnoreCase(const std::string& s, size_t at, const char* prefix)
{
    size_t n = std::strlen(prefix);
    return s.size() >= at + n && equalsIgnoreCase(s.substr(at, n), prefix);
}

std::string trimmed(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// A "[name]" line, given trimmed.
bool isSectionHeader(const std::string& t)
{
    return !t.empty() && t.front() == '[' && t.back() == ']';
}

bool hasLineBreak(const char* s)
{
    return std::strchr(s, '\n') || std::strchr(s, '\r');
}

std::string configHome()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || home[0] != '/') return {};
    return std::string(home) + "/.config";
}

// "Maker\Program" -> "Maker/Program"; empty when a part is empty or could leave the folder.
std::string relativePathOf(const std::string& rest)
{
    std::string out;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos)
            return {};
        out += (out.empty() ? "" : "/") + part;
        start = end + 1;
    }
    return out;
}

// Reads a quoted text starting at s[at] == '"'; at ends behind the closing quote.
bool readQuoted(const std::string& s, size_t& at, std::string& out)
{
    if (at >= s.size() || s[at] != '"') return false;
    out.clear();
    for (++at; at < s.size(); ++at) {
        char c = s[at];
        if (c == '"') { ++at; return true; }
        if (c == '\\' && at + 1 < s.size()) c = s[++at];
        out += c;
    }
    return false;
}

std::string quoted(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

bool restIsBlank(const std::string& s, size_t at)
{
    return s.find_first_not_of(" \t", at) == std::string::npos;
}

// "dword:" then one to eight hexadecimal digits.
bool readDWord(const std::string& s, size_t at, uint32_t& value)
{
    std::string digits = trimmed(s.substr(at));
    if (digits.empty() || digits.size() > 8) return false;
    value = 0;
    for (char c : digits) {
        int d = (c >= '0' && c <= '9') ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        value = value * 16 + uint32_t(d);
    }
    return true;
}

enum class ReadOutcome { Read, Missing, Unreadable };

ReadOutcome readWholeFile(const std::string& path, std::string& contents)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Unreadable;
    char buffer[4096];
    bool ok = true;
    size_t n;
    while (ok && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        contents.append(buffer, n);
        ok = contents.size() <= MAX_FILE_BYTES;
    }
    ok = ok && !std::ferror(f);
    std::fclose(f);
    return ok ? ReadOutcome::Read : ReadOutcome::Unreadable;
}

bool makeFolders(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        std::string folder = path.substr(0, at);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

void syncFolderOf(const std::string& path)
{
    std::string folder = path.substr(0, path.rfind('/'));
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

// Writes data to a temporary file beside path, flushes it to disk and renames it over path.
bool replaceFileAtomically(const std::string& path, const std::string& data)
{
    if (!makeFolders(path)) return false;
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
    bool ok = writeAll(fd, data) && fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}

} // namespace

RegistryKey::~RegistryKey()
{
    if (open_) close();
}

std::string RegistryKey::filePath(const char* subkey)
{
    if (!subkey) return {};
    std::string key(subkey);
    if (!startsWithIgnoreCase(key, 0, SOFTWARE) || hasLineBreak(subkey)) return {};
    std::string relative = relativePathOf(key.substr(std::strlen(SOFTWARE)));
    std::string home = configHome();
    if (relative.empty() || home.empty()) return {};
    return home + "/" + relative + ".reg";
}

bool RegistryKey::open(const char* subkey)
{
    if (open_) close();
    path_ = filePath(subkey);
    if (path_.empty()) return false;
    section_ = std::string(ROOT) + subkey;
    entries_.clear();
    otherLines_.clear();
    dirty_ = false;
    std::string contents;
    ReadOutcome outcome = readWholeFile(path_, contents);
    readOnly_ = outcome == ReadOutcome::Unreadable;
    if (outcome == ReadOutcome::Read) parse(contents);
    open_ = true;
    return true;
}

void RegistryKey::parse(const std::string& contents)
{
    bool inKey = false;
    long continuing = -1;   // the carried-along value whose last line ended in a backslash
    size_t start = 0;
    for (int lineNo = 0; start < contents.size(); ++lineNo) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) end = contents.size();
        std::string line = contents.substr(start, end - start);
        start = end + 1;
        // Every carriage return at the end belongs to the line break: kept, a line written
        // back as it was would read differently (a "[key]\r" becomes a key's header).
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNo == 0 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        std::string t = trimmed(line);
        if (lineNo == 0 && (t == HEADER || t == OLD_HEADER)) continue;
        if (continuing >= 0) {
            // A blank line ends a continued value; it is not part of it.
            if (t.empty()) {
                continuing = -1;
                continue;
            }
            entries_[size_t(continuing)].text += "\n" + line;
            if (t.back() != '\\') continuing = -1;
            continue;
        }
        if (isSectionHeader(t))
            inKey = equalsIgnoreCase(t.substr(1, t.size() - 2), section_);
        if (!inKey) {
            otherLines_.push_back(line);
            continue;
        }
        if (t.empty() || t.front() == '[') continue;
        long stored = parseValueLine(t);
        if (stored >= 0 && entries_[size_t(stored)].type == RegistryType::None && t.back() == '\\')
            continuing = stored;
    }
}

// One line of the key: "Name"=dword:..., "Name"="text", or another kind that is carried along.
// Comments are carried along too; anything else is malformed and dropped.
long RegistryKey::parseValueLine(const std::string& line)
{
    Entry e;
    if (line.front() == ';') {
        e.text = line;
        entries_.push_back(e);
        return long(entries_.size() - 1);
    }
    size_t at = 0;
    if (!readQuoted(line, at, e.name) || e.name.empty() || at >= line.size() || line[at] != '=')
        return -1;
    ++at;
    if (startsWithIgnoreCase(line, at, "dword:")) {
        if (!readDWord(line, at + 6, e.number)) return -1;
        e.type = RegistryType::DWord;
    } else if (at < line.size() && line[at] == '"') {
        if (!readQuoted(line, at, e.text) || !restIsBlank(line, at)) return -1;
        e.type = RegistryType::String;
    } else if (startsWithIgnoreCase(line, at, "hex")) {
        e.text = line;
    } else {
        return -1;
    }
    return long(store(e));
}

RegistryKey::Entry* RegistryKey::find(const std::string& name)
{
    for (Entry& e : entries_)
        if (!e.name.empty() && equalsIgnoreCase(e.name, name)) return &e;
    return nullptr;
}

const RegistryKey::Entry* RegistryKey::find(const std::string& name) const
{
    return const_cast<RegistryKey*>(this)->find(name);
}

size_t RegistryKey::store(Entry entry)
{
    if (Entry* existing = find(entry.name)) {
        *existing = std::move(entry);
        return size_t(existing - entries_.data());
    }
    entries_.push_back(std::move(entry));
    return entries_.size() - 1;
}

RegistryResult RegistryKey::query(const char* name, void* data, uint32_t* size,
                                  RegistryType* type) const
{
    if (!open_ || !name || !size) return RegistryResult::Failed;
    const Entry* e = find(name);
    if (!e || e->type == RegistryType::None) return RegistryResult::NotFound;
    if (type) *type = e->type;
    uint32_t needed = e->type == RegistryType::DWord ? 4 : uint32_t(e->text.size() + 1);
    uint32_t capacity = *size;
    *size = needed;
    if (!data) return RegistryResult::Ok;
    if (capacity < needed) return RegistryResult::MoreData;
    if (e->type == RegistryType::DWord) std::memcpy(data, &e->number, 4);
    else std::memcpy(data, e->text.c_str(), needed);
    return RegistryResult::Ok;
}

bool RegistryKey::setDWord(const char* name, uint32_t value)
{
    if (!open_ || !name || !*name || hasLineBreak(name)) return false;
    Entry e;
    e.name = name;
    e.type = RegistryType::DWord;
    e.number = value;
    store(e);
    dirty_ = true;
    return true;
}

bool RegistryKey::setString(const char* name, const char* value)
{
    if (!open_ || !name || !*name || !value || hasLineBreak(name) || hasLineBreak(value))
        return false;
    Entry e;
    e.name = name;
    e.type = RegistryType::String;
    e.text = value;
    store(e);
    dirty_ = true;
    return true;
}

std::string RegistryKey::serialise() const
{
    // Lines that stood before any key stay before ours: written after our key's header they
    // would become values of it when the file is read again.
    size_t orphans = 0;
    while (orphans < otherLines_.size() && !isSectionHeader(trimmed(otherLines_[orphans]))) ++orphans;
    std::string out = std::string(HEADER) + "\n";
    for (size_t i = 0; i < orphans; ++i)
        if (!trimmed(otherLines_[i]).empty()) out += otherLines_[i] + "\n";
    out += "\n[" + section_ + "]\n";
    for (const Entry& e : entries_) {
        if (e.type == RegistryType::DWord) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08x", e.number);
            out += quoted(e.name) + "=dword:" + hex + "\n";
        } else if (e.type == RegistryType::String) {
            out += quoted(e.name) + "=" + quoted(e.text) + "\n";
        } else {
            out += e.text + "\n";
            // A value carried along whose last line still asks for more: a blank line ends it,
            // so that the next value is not read as a part of it.
            const std::string last = trimmed(e.text.substr(e.text.rfind('\n') + 1));
            if (!last.empty() && last.back() == '\\') out += "\n";
        }
    }
    size_t first = orphans, last = otherLines_.size();
    while (first < last && trimmed(otherLines_[first]).empty()) ++first;
    while (last > first && trimmed(otherLines_[last - 1]).empty()) --last;
    for (size_t i = first; i < last; ++i) out += (i == first ? "\n" : "") + otherLines_[i] + "\n";
    return out;
}

bool RegistryKey::save() const
{
    return !readOnly_ && replaceFileAtomically(path_, serialise());
}

bool RegistryKey::close()
{
    if (!open_) return false;
    bool ok = !dirty_ || save();
    open_ = false;
    dirty_ = false;
    entries_.clear();
    otherLines_.clear();
    return ok;
}

} // namespace qm::platform
