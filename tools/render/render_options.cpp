#include "tools/render/render_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

constexpr int MAX_SIDE = 8192;
constexpr long MAX_FRAMES = 10000000;

bool parseLong(const char* text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end || errno || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool parseFloat(const char* text, float& value)
{
    char* end = nullptr;
    const float parsed = std::strtof(text, &end);
    if (end == text || *end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool parseSize(const char* text, int& width, int& height)
{
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    long w = 0, h = 0;
    const std::string first(text, x);
    if (!parseLong(first.c_str(), 1, MAX_SIDE, w) || !parseLong(x + 1, 1, MAX_SIDE, h)) return false;
    width = int(w);
    height = int(h);
    return true;
}

bool parseVector(const char* text, Vec3& v)
{
    float parts[3];
    const char* start = text;
    for (int i = 0; i < 3; ++i) {
        const char* comma = i < 2 ? std::strchr(start, ',') : start + std::strlen(start);
        if (!comma) return false;
        if (!parseFloat(std::string(start, comma).c_str(), parts[i])) return false;
        start = comma + 1;
    }
    v = Vec3(parts[0], parts[1], parts[2]);
    return true;
}

bool fail(std::string* error, const std::string& why)
{
    if (error) *error = why;
    return false;
}

// One option with its value; false when the value does not parse.
bool applyOption(const std::string& name, const char* value, RenderOptions& o, bool& eye, bool& look)
{
    long number = 0;
    if (name == "--seed") {
        if (!parseLong(value, 0, 0xFFFFFFFFL, number)) return false;
        o.seed = uint32_t(number);
    } else if (name == "--dt") {
        return parseFloat(value, o.dt) && o.dt >= 0;
    } else if (name == "--out") {
        o.outDir = value;
        return !o.outDir.empty();
    } else if (name == "--every") {
        if (!parseLong(value, 1, MAX_FRAMES, number)) return false;
        o.every = int(number);
    } else if (name == "--frames") {
        if (!parseLong(value, 0, MAX_FRAMES, number)) return false;
        o.frames = int(number);
    } else if (name == "--size") {
        return parseSize(value, o.width, o.height);
    } else if (name == "--trace") {
        o.tracePath = value;
        return !o.tracePath.empty();
    } else if (name == "--audio") {
        o.audioPath = value;
        return !o.audioPath.empty();
    } else if (name == "--eye") {
        eye = true;
        return parseVector(value, o.eye);
    } else if (name == "--look") {
        look = true;
        return parseVector(value, o.look);
    } else {
        return false;
    }
    return true;
}

const char* const KNOWN[] = {"--seed", "--dt", "--out", "--every", "--frames", "--size", "--eye", "--look", "--trace", "--audio"};

bool known(const std::string& name)
{
    for (const char* k : KNOWN)
        if (name == k) return true;
    return false;
}

} // namespace

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string* error)
{
    options = RenderOptions();
    bool eye = false, look = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (!known(name)) return fail(error, "unknown option " + name);
        if (i + 1 >= argc) return fail(error, name + " needs a value");
        const char* value = argv[++i];
        if (!applyOption(name, value, options, eye, look))
            return fail(error, "bad value for " + name + ": " + value);
    }
    if (eye != look) return fail(error, "--eye and --look go together");
    options.hasView = eye;
    return true;
}

const char* renderUsage()
{
    return "usage: quillmark-render [--seed S] [--dt SECONDS] [--out DIR] [--every K] [--frames N]\n"
           "                        [--size WxH] [--eye X,Y,Z --look X,Y,Z] [--trace FILE]\n"
           "                        [--audio FILE.wav]\n"
           "Reads data.rar from the current folder and draws N frames headless.\n";
}

} // namespace qm
