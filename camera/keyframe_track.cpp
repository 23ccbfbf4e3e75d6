#include "camera/keyframe_track.h"
#include "assets/asset_stream.h"
#include "render/hermite.h"
#include "render/script_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

// Scene lines hold at most 127 characters.
constexpr uint32_t LINE_CAPACITY = 128;
constexpr int MAX_NUMBERS = 4;

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal real: optional sign, digits with an optional fraction, optional exponent. Words such
// as "nan" or "inf", hexadecimal forms and values too large for a float are not numbers here.
bool readNumber(const char*& p, float& value)
{
    const char* q = p;
    if (*q == '+' || *q == '-') ++q;
    int digits = 0;
    while (isDigit(*q)) { ++q; ++digits; }
    if (*q == '.') {
        ++q;
        while (isDigit(*q)) { ++q; ++digits; }
    }
    if (digits == 0) return false;
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-') ++e;
        if (isDigit(*e)) {
            while (isDigit(*e)) ++e;
            q = e;
        }
    }
    char text[LINE_CAPACITY];
    const size_t n = size_t(q - p);
    std::memcpy(text, p, n);
    text[n] = 0;
    const float parsed = std::strtof(text, nullptr);
    if (!std::isfinite(parsed)) return false;
    value = parsed;
    p = q;
    return true;
}

// Matches a line against a pattern of literal characters, blanks (any run of white space, also
// none) and "%f" (white space, then a number), as scanf reads it; text after the pattern is
// ignored. Only a complete match stores its numbers.
bool matchPattern(const char* line, const char* pattern, float* out, int count)
{
    float values[MAX_NUMBERS];
    int found = 0;
    const char* p = line;
    for (const char* f = pattern; *f; ++f) {
        if (*f == ' ') {
            while (isBlank(*p)) ++p;
        } else if (f[0] == '%' && f[1] == 'f') {
            ++f;
            while (isBlank(*p)) ++p;
            if (found == MAX_NUMBERS || !readNumber(p, values[found])) return false;
            ++found;
        } else if (*p == *f) {
            ++p;
        } else {
            return false;
        }
    }
    if (found != count) return false;
    for (int i = 0; i < count; ++i) out[i] = values[i];
    return true;
}

// Every line of a block, its "end" line included, is compared with the five field keywords.
void readField(const char* line, Keyframe& key)
{
    float v[MAX_NUMBERS];
    if (startsWith(line, "time")) {
        if (matchPattern(line, "time %f", v, 1)) key.time = v[0];
    } else if (startsWith(line, "position")) {
        if (matchPattern(line, "position V(%f %f %f)", v, 3)) key.position = Vec3(v[0], v[1], v[2]);
    } else if (startsWith(line, "gradient")) {
        if (matchPattern(line, "gradient V(%f %f %f)", v, 3)) key.gradient = Vec3(v[0], v[1], v[2]);
    } else if (startsWith(line, "quaternion")) {
        if (matchPattern(line, "quaternion Q(%f %f %f %f)", v, 4))
            key.orientation = Quat(v[0], v[1], v[2], v[3]);
    } else if (startsWith(line, "freeze")) {
        key.frozen = true;
    }
}

std::array<KeyframeTrack, SCENE_COUNT> theSceneTracks;

} // namespace

void KeyframeTrack::load(AssetStream& stream)
{
    char line[LINE_CAPACITY];
    for (;;) {
        bool more;
        do {
            more = stream.readLine(line, LINE_CAPACITY);
            if (startsWith(line, "ENDKEYS")) return;
        } while (!startsWith(line, "keyframe") && more);
        if (!more) return;   // a "keyframe" line at the very end opens nothing

        Keyframe key;
        do {
            more = stream.readLine(line, LINE_CAPACITY);
            readField(line, key);
            if (startsWith(line, "end")) break;
        } while (more);
        if (!startsWith(line, "end")) return;   // cut off by the end of the stream: dropped
        keys_.push_back(key);
        if (!more) return;
    }
}

void KeyframeTrack::prepare()
{
    if (!usable()) return;
    const float t3 = 1.0f / 3.0f;
    const size_t n = keys_.size();

    Keyframe& first = keys_[0];
    first.outControl = slerp(first.orientation, keys_[1].orientation, t3);
    first.gradient = keys_[1].position - first.position;

    for (size_t i = 1; i + 1 < n; ++i) {
        const Keyframe& p = keys_[i - 1];
        const Keyframe& nx = keys_[i + 1];
        Keyframe& c = keys_[i];
        c.gradient = centralTangent(p.position, c.position, nx.position);
        const Quat q1 = slerp(c.orientation, p.orientation, -t3);
        const Quat q2 = slerp(c.orientation, nx.orientation, t3);
        const Quat qm = slerp(q1, q2, 0.5f);
        c.inControl = slerp(c.orientation, qm, -1.0f);
        c.outControl = slerp(c.orientation, qm, 1.0f);
    }

    Keyframe& last = keys_[n - 1];
    last.inControl = slerp(last.orientation, keys_[n - 2].orientation, t3);
    last.gradient = last.position - keys_[n - 2].position;
}

KeyframeSample KeyframeTrack::sample(float time) const
{
    if (!usable()) {
        if (keys_.empty()) return {Vec3(0, 0, 0), Quat(0, 0, 0, 1), true};
        return {keys_.back().position, keys_.back().orientation, true};
    }
    for (size_t i = 0; i + 1 < keys_.size(); ++i) {
        const Keyframe& k0 = keys_[i];
        const Keyframe& k1 = keys_[i + 1];
        if (!(k0.time <= time && time < k1.time)) continue;
        const float u = (time - k0.time) / (k1.time - k0.time);
        return {hermite(k0.position, k1.position, k0.gradient, k1.gradient, u),
                quatSpline(k0.orientation, k1.orientation, k0.outControl, k1.inControl, u), false};
    }
    return {keys_.back().position, keys_.back().orientation, true};
}

std::array<KeyframeTrack, SCENE_COUNT>& sceneTracks()
{
    return theSceneTracks;
}

void loadSceneTracks()
{
    for (int i = 0; i < SCENE_COUNT; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "scene%d.txt", i);
        AssetStream stream;
        stream.fetch(name);
        theSceneTracks[size_t(i)].load(stream);
        stream.release();
        theSceneTracks[size_t(i)].prepare();
    }
}

void resetSceneTracks()
{
    for (KeyframeTrack& track : theSceneTracks) track.clear();
}

} // namespace qm
