#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/quit_signals.h"
#include "platform/window_internal.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <vector>

// The box is drawn with Xlib on a connection of its own, so it never depends on a helper process
// or on the saver's event queue: while it waits it keeps watching the quit signals, and it holds
// the keyboard and pointer so that any key or click, wherever it lands, dismisses it.
namespace qm::platform {
namespace {

bool toStderr = false;
bool dismissPostsQuit = false;
MessageBoxHook hook = nullptr;

constexpr int PADDING = 16;
constexpr int TEXT_WIDTH = 460;
constexpr int BUTTON_WIDTH = 80;
constexpr int BUTTON_HEIGHT = 26;
constexpr int POLL_MS = 40;

const char* const FONT_NAMES[] = {
    "-*-helvetica-medium-r-normal--*-120-*-*-*-*-iso8859-1",
    "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1",
    "fixed",
};

void writeToStderr(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

bool x11DisplayNamed()
{
    const char* x11 = std::getenv("DISPLAY");
    return x11 && *x11;
}

int errorIgnored(Display*, XErrorEvent*)
{
    return 0;
}

// Words wrapped to the text width; explicit line breaks kept.
std::vector<std::string> wrapText(XFontStruct* font, const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start), line;
        size_t p = 0;
        while (p < paragraph.size()) {
            size_t space = paragraph.find(' ', p);
            if (space == std::string::npos) space = paragraph.size();
            std::string word = paragraph.substr(p, space - p);
            std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && XTextWidth(font, candidate.c_str(), int(candidate.size())) > TEXT_WIDTH) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            p = space + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

struct Box {
    Display* display = nullptr;
    ::Window window = 0;
    XFontStruct* font = nullptr;
    GC gc = nullptr;
    std::string caption;
    std::vector<std::string> lines;
    int width = 0;
    int height = 0;
    int lineHeight = 0;

    ~Box()
    {
        if (!display) return;
        XUngrabKeyboard(display, CurrentTime);
        XUngrabPointer(display, CurrentTime);
        if (gc) XFreeGC(display, gc);
        if (font) XFreeFont(display, font);
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
};

XFontStruct* loadFont(Display* display)
{
    for (const char* name : FONT_NAMES)
        if (XFontStruct* f = XLoadQueryFont(display, name)) return f;
    return nullptr;
}

// The primary display's rectangle: SDL's when it is open, else the whole X screen.
void primaryArea(Display* display, int& x, int& y, int& w, int& h)
{
    int screen = DefaultScreen(display);
    x = 0;
    y = 0;
    w = DisplayWidth(display, screen);
    h = DisplayHeight(display, screen);
    SDL_Rect r{};
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDisplayBounds(0, &r) == 0 && r.w > 0 && r.h > 0) {
        x = r.x;
        y = r.y;
        w = r.w;
        h = r.h;
    }
}

bool openBox(Box& box, const char* text, const char* caption)
{
    box.display = XOpenDisplay(nullptr);
    if (!box.display) return false;
    box.font = loadFont(box.display);
    if (!box.font) return false;
    box.caption = caption;
    box.lines = wrapText(box.font, text);
    box.lineHeight = box.font->ascent + box.font->descent + 2;
    int widest = XTextWidth(box.font, caption, int(std::strlen(caption)));
    for (const std::string& l : box.lines)
        if (int w = XTextWidth(box.font, l.c_str(), int(l.size())); w > widest) widest = w;
    box.width = std::max(widest, BUTTON_WIDTH) + 2 * PADDING;
    box.height = PADDING + box.lineHeight * int(box.lines.size() + 3) + BUTTON_HEIGHT + PADDING;

    int ax, ay, aw, ah;
    primaryArea(box.display, ax, ay, aw, ah);
    int screen = DefaultScreen(box.display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;   // above the full-screen saver, with or without a manager
    attributes.background_pixel = WhitePixel(box.display, screen);
    attributes.border_pixel = BlackPixel(box.display, screen);
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask;
    box.window = XCreateWindow(box.display, RootWindow(box.display, screen), ax + (aw - box.width) / 2,
                               ay + (ah - box.height) / 2, unsigned(box.width), unsigned(box.height), 1,
                               CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    XStoreName(box.display, box.window, caption);
    XClassHint hint{const_cast<char*>("quillmark-message"), const_cast<char*>("Quillmark")};
    XSetClassHint(box.display, box.window, &hint);
    box.gc = XCreateGC(box.display, box.window, 0, nullptr);
    XSetFont(box.display, box.gc, box.font->fid);
    XSetForeground(box.display, box.gc, BlackPixel(box.display, screen));
    XMapRaised(box.display, box.window);
    return true;
}

void draw(const Box& box)
{
    Display* d = box.display;
    int y = PADDING + box.font->ascent;
    // The caption in a double stroke, as a title line.
    XDrawString(d, box.window, box.gc, PADDING, y, box.caption.c_str(), int(box.caption.size()));
    XDrawString(d, box.window, box.gc, PADDING + 1, y, box.caption.c_str(), int(box.caption.size()));
    y += box.lineHeight * 2;
    for (const std::string& l : box.lines) {
        XDrawString(d, box.window, box.gc, PADDING, y, l.c_str(), int(l.size()));
        y += box.lineHeight;
    }
    int bx = (box.width - BUTTON_WIDTH) / 2, by = box.height - PADDING - BUTTON_HEIGHT;
    XDrawRectangle(d, box.window, box.gc, bx, by, BUTTON_WIDTH, BUTTON_HEIGHT);
    int okWidth = XTextWidth(box.font, "OK", 2);
    XDrawString(d, box.window, box.gc, bx + (BUTTON_WIDTH - okWidth) / 2,
                by + (BUTTON_HEIGHT + box.font->ascent - box.font->descent) / 2, "OK", 2);
    XFlush(d);
}

void takeInput(const Box& box)
{
    XGrabKeyboard(box.display, box.window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    XGrabPointer(box.display, box.window, True, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                 None, CurrentTime);
    XSetInputFocus(box.display, box.window, RevertToParent, CurrentTime);
}

// Handles what arrived; true once a key or button dismissed the box.
bool handleEvents(const Box& box)
{
    while (XPending(box.display)) {
        XEvent e;
        XNextEvent(box.display, &e);
        switch (e.type) {
        case Expose:
            if (e.xexpose.count == 0) draw(box);
            break;
        case MapNotify:
            takeInput(box);
            draw(box);
            break;
        case KeyPress:
        case ButtonPress:
            return true;
        default:
            break;
        }
    }
    return false;
}

// Waits for a key, a click or a quit; true when the user dismissed it. The X connection
// breaking (the server went away) ends the wait like a quit.
bool runBox(const Box& box)
{
    pollfd fd{ConnectionNumber(box.display), POLLIN, 0};
    for (;;) {
        if (handleEvents(box)) return true;
        if (quitPending()) return false;
        fd.revents = 0;
        int ready = poll(&fd, 1, POLL_MS);
        if (ready < 0 && errno != EINTR) return false;
        if (ready > 0 && (fd.revents & (POLLERR | POLLHUP))) return false;
    }
}

// False when no box could be shown (no X display, no font).
bool showX11Box(const char* text, const char* caption)
{
    if (!x11DisplayNamed()) return false;
    XErrorHandler previous = XSetErrorHandler(errorIgnored);
    bool shown = false;
    {
        Box box;
        if (openBox(box, text, caption)) {
            shown = true;
            if (runBox(box) && dismissPostsQuit) postQuitMessage();
        }
    }
    XSetErrorHandler(previous);
    return shown;
}

} // namespace

void messageBox(const char* text, const char* caption)
{
    text = text ? text : "";
    caption = caption ? caption : "";
    if (hook) return hook(text, caption);
    // Once the run is asked to end, a box would only hold up the way out.
    if (toStderr || quitPending() || !showX11Box(text, caption)) writeToStderr(text, caption);
}

void setMessageBoxToStderr(bool on)
{
    toStderr = on;
}

void setMessageBoxDismissQuits(bool on)
{
    dismissPostsQuit = on;
}

void setMessageBoxHook(MessageBoxHook h)
{
    hook = h;
}

} // namespace qm::platform
