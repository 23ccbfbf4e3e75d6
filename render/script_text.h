// Small readers for the keyword lines of technique files and render scripts.
#pragma once
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qm {

// True when line begins with keyword (case-sensitive).
inline bool startsWith(const char* line, const char* keyword)
{
    return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

// The next run of non-blank characters; false when there is none.
inline bool readWord(const char*& p, std::string& word)
{
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* start = p;
    while (*p && !std::isspace(static_cast<unsigned char>(*p))) ++p;
    word.assign(start, p);
    return !word.empty();
}

// A decimal integer (optional blanks and sign first), clamped to the 32-bit range.
inline bool readInt(const char*& p, int32_t& value)
{
    char* end = nullptr;
    const long long parsed = std::strtoll(p, &end, 10);
    if (end == p) return false;
    value = parsed < INT_MIN ? INT_MIN : parsed > INT_MAX ? INT_MAX : int32_t(parsed);
    p = end;
    return true;
}

} // namespace qm
