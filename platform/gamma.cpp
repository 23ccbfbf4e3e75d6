#include "platform/gamma.h"
#include "platform/crtc_gamma.h"
#include "platform/window_internal.h"
#include <SDL_syswm.h>
#include <algorithm>
#include <vector>

// On X11 the ramp goes to the RandR CRTCs that show the main window's display: the server-wide
// ramp that stays in force for every client, like the device ramp of other systems. Elsewhere
// SDL's own window ramp is used.
namespace qm::platform {
namespace {

constexpr int RAMP_SIZE = 256;

// A ramp as the display holds it: one CRTC's entries at that CRTC's own size (every CRTC ramp is
// a single entry with crtc 0 when the ramp belongs to SDL's window instead).
struct KeptRamp {
    unsigned long crtc = 0;
    CrtcRamp ramp;
};
std::vector<KeptRamp> keptRamps;

struct X11Target {
    Display* display = nullptr;
    ::Window root = 0;
    SDL_Rect bounds{};
};

bool x11TargetFor(SDL_Window* window, X11Target& target)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    int rrEvent = 0, rrError = 0;
    target.display = info.info.x11.display;
    if (!XRRQueryExtension(target.display, &rrEvent, &rrError)) return false;
    target.root = DefaultRootWindow(target.display);
    int displayIndex = SDL_GetWindowDisplayIndex(window);
    return SDL_GetDisplayBounds(displayIndex < 0 ? 0 : displayIndex, &target.bounds) == 0;
}

// Every CRTC placed exactly on the display's bounds (mirrored outputs included).
std::vector<RRCrtc> crtcsOf(const X11Target& t)
{
    std::vector<RRCrtc> found;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(t.display, t.root);
    if (!res) return found;
    for (int i = 0; i < res->ncrtc; ++i) {
        XRRCrtcInfo* c = XRRGetCrtcInfo(t.display, res, res->crtcs[i]);
        if (!c) continue;
        if (c->mode != None && c->x == t.bounds.x && c->y == t.bounds.y &&
            int(c->width) == t.bounds.w && int(c->height) == t.bounds.h)
            found.push_back(res->crtcs[i]);
        XRRFreeCrtcInfo(c);
    }
    XRRFreeScreenResources(res);
    return found;
}

// Entry i of an n-entry channel from the 256-entry channel, by linear interpolation.
unsigned short resampled(const uint16_t* channel, int i, int n)
{
    if (n == RAMP_SIZE || n < 2) return channel[std::min(i, RAMP_SIZE - 1)];
    double at = double(i) * (RAMP_SIZE - 1) / (n - 1);
    int k = int(at);
    if (k >= RAMP_SIZE - 1) return channel[RAMP_SIZE - 1];
    double f = at - k;
    return (unsigned short)(channel[k] + (double(channel[k + 1]) - channel[k]) * f + 0.5);
}

bool setCrtcRamp(const X11Target& t, RRCrtc crtc, const uint16_t ramp[768])
{
    int n = XRRGetCrtcGammaSize(t.display, crtc);
    if (n <= 0) return false;
    XRRCrtcGamma* g = XRRAllocGamma(n);
    if (!g) return false;
    for (int i = 0; i < n; ++i) {
        g->red[i] = resampled(ramp, i, n);
        g->green[i] = resampled(ramp + RAMP_SIZE, i, n);
        g->blue[i] = resampled(ramp + 2 * RAMP_SIZE, i, n);
    }
    XRRSetCrtcGamma(t.display, crtc, g);
    XRRFreeGamma(g);
    return true;
}

bool getCrtcRamp(const X11Target& t, RRCrtc crtc, uint16_t ramp[768])
{
    XRRCrtcGamma* g = XRRGetCrtcGamma(t.display, crtc);
    if (!g) return false;
    bool ok = g->size > 0;
    for (int k = 0; ok && k < RAMP_SIZE; ++k) {
        int i = g->size == 1 ? 0 : int(double(k) * (g->size - 1) / (RAMP_SIZE - 1) + 0.5);
        ramp[k] = g->red[i];
        ramp[RAMP_SIZE + k] = g->green[i];
        ramp[2 * RAMP_SIZE + k] = g->blue[i];
    }
    XRRFreeGamma(g);
    return ok;
}

bool setX11Ramp(const X11Target& t, const uint16_t ramp[768])
{
    std::vector<RRCrtc> crtcs = crtcsOf(t);
    bool ok = !crtcs.empty();
    for (RRCrtc c : crtcs) ok = setCrtcRamp(t, c, ramp) && ok;
    XSync(t.display, False);
    return ok;
}

bool keepCrtcRamp(const X11Target& t, RRCrtc crtc)
{
    KeptRamp kept;
    kept.crtc = crtc;
    if (!readCrtcRamp(t.display, crtc, kept.ramp)) return false;
    keptRamps.push_back(std::move(kept));
    return true;
}

} // namespace

bool keepDeviceGammaRamp()
{
    keptRamps.clear();
    SDL_Window* window = mainSdlWindow();
    if (!window) return false;
    X11Target target;
    if (x11TargetFor(window, target)) {
        std::vector<RRCrtc> crtcs = crtcsOf(target);
        bool ok = !crtcs.empty();
        for (RRCrtc c : crtcs) ok = keepCrtcRamp(target, c) && ok;
        if (!ok) keptRamps.clear();
        return ok;
    }
    KeptRamp kept;
    CrtcRamp& r = kept.ramp;
    r.red.resize(RAMP_SIZE);
    r.green.resize(RAMP_SIZE);
    r.blue.resize(RAMP_SIZE);
    if (SDL_GetWindowGammaRamp(window, r.red.data(), r.green.data(), r.blue.data()) != 0)
        return false;
    keptRamps.push_back(std::move(kept));
    return true;
}

bool restoreKeptGammaRamp()
{
    SDL_Window* window = mainSdlWindow();
    if (!window || keptRamps.empty()) return false;
    X11Target target;
    bool ok = true;
    if (x11TargetFor(window, target)) {
        for (const KeptRamp& kept : keptRamps) ok = writeCrtcRamp(target.display, kept.crtc, kept.ramp) && ok;
        XSync(target.display, False);
    } else {
        const CrtcRamp& r = keptRamps.front().ramp;
        ok = SDL_SetWindowGammaRamp(window, r.red.data(), r.green.data(), r.blue.data()) == 0;
    }
    return ok;
}

void forgetKeptGammaRamp()
{
    keptRamps.clear();
}

bool setDeviceGammaRamp(const uint16_t ramp[768])
{
    SDL_Window* window = mainSdlWindow();
    if (!window || !ramp) return false;
    X11Target target;
    if (x11TargetFor(window, target)) return setX11Ramp(target, ramp);
    return SDL_SetWindowGammaRamp(window, ramp, ramp + RAMP_SIZE, ramp + 2 * RAMP_SIZE) == 0;
}

bool getDeviceGammaRamp(uint16_t ramp[768])
{
    SDL_Window* window = mainSdlWindow();
    if (!window || !ramp) return false;
    X11Target target;
    if (x11TargetFor(window, target)) {
        std::vector<RRCrtc> crtcs = crtcsOf(target);
        return !crtcs.empty() && getCrtcRamp(target, crtcs.front(), ramp);
    }
    return SDL_GetWindowGammaRamp(window, ramp, ramp + RAMP_SIZE, ramp + 2 * RAMP_SIZE) == 0;
}

} // namespace qm::platform
