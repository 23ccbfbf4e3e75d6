// One RandR CRTC's gamma ramp as the display holds it, at the CRTC's own size: kept by the saver
// and by the display guardian to put back later (never included outside platform/).
#pragma once
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>
#include <vector>

namespace qm::platform {

struct CrtcRamp {
    std::vector<unsigned short> red, green, blue;
};

// False when the CRTC has no ramp.
inline bool readCrtcRamp(Display* display, RRCrtc crtc, CrtcRamp& ramp)
{
    XRRCrtcGamma* g = XRRGetCrtcGamma(display, crtc);
    if (!g) return false;
    const bool ok = g->size > 0;
    if (ok) {
        ramp.red.assign(g->red, g->red + g->size);
        ramp.green.assign(g->green, g->green + g->size);
        ramp.blue.assign(g->blue, g->blue + g->size);
    }
    XRRFreeGamma(g);
    return ok;
}

// False when the ramp is empty or the CRTC's ramp size is no longer the ramp's.
inline bool writeCrtcRamp(Display* display, RRCrtc crtc, const CrtcRamp& ramp)
{
    const int n = int(ramp.red.size());
    if (n == 0 || XRRGetCrtcGammaSize(display, crtc) != n) return false;
    XRRCrtcGamma* g = XRRAllocGamma(n);
    if (!g) return false;
    std::copy(ramp.red.begin(), ramp.red.end(), g->red);
    std::copy(ramp.green.begin(), ramp.green.end(), g->green);
    std::copy(ramp.blue.begin(), ramp.blue.end(), g->blue);
    XRRSetCrtcGamma(display, crtc, g);
    XRRFreeGamma(g);
    return true;
}

}
