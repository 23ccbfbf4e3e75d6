#include "platform/display_guardian.h"
#include "platform/crtc_gamma.h"
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The guardian is forked before the saver opens its GL context or loads its audio module, while
// the process has one thread, and talks to the saver over a socket pair: "ready" once it holds the
// originals, then it waits. A "dismiss" byte ends it quietly; the end of the socket without one
// (the saver died, whatever killed it) makes it put the originals back. It never touches the
// saver's own X connection and leaves with _exit, so nothing of the saver's state runs twice.
namespace qm::platform {
namespace {

constexpr char READY = 'R';
constexpr char DISMISS = 'D';
constexpr int READY_WAIT_MS = 3000;
constexpr int EXIT_WAIT_MS = 1000;

int guardianSocket = -1;
pid_t guardianPid = 0;

struct CrtcState {
    RRCrtc crtc = 0;
    RRMode mode = 0;
    int x = 0;
    int y = 0;
    Rotation rotation = RR_Rotate_0;
    std::vector<RROutput> outputs;
    CrtcRamp ramp;
};

struct ScreenState {
    int width = 0;
    int height = 0;
    int widthMm = 0;
    int heightMm = 0;
    std::vector<CrtcState> crtcs;
};

int errorIgnored(Display*, XErrorEvent*)
{
    return 0;
}

int connectionLost(Display*)
{
    _exit(0);
}

bool capture(Display* d, ::Window root, ScreenState& s)
{
    int screen = DefaultScreen(d);
    s.width = DisplayWidth(d, screen);
    s.height = DisplayHeight(d, screen);
    s.widthMm = DisplayWidthMM(d, screen);
    s.heightMm = DisplayHeightMM(d, screen);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, root);
    if (!res) return false;
    for (int i = 0; i < res->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, res->crtcs[i]);
        if (!info) continue;
        CrtcState c;
        c.crtc = res->crtcs[i];
        c.mode = info->mode;
        c.x = info->x;
        c.y = info->y;
        c.rotation = info->rotation;
        c.outputs.assign(info->outputs, info->outputs + info->noutput);
        XRRFreeCrtcInfo(info);
        readCrtcRamp(d, c.crtc, c.ramp);
        s.crtcs.push_back(std::move(c));
    }
    XRRFreeScreenResources(res);
    return true;
}

bool sameConfig(const XRRCrtcInfo* now, const CrtcState& c)
{
    if (now->mode != c.mode || now->x != c.x || now->y != c.y || now->rotation != c.rotation ||
        now->noutput != int(c.outputs.size()))
        return false;
    for (int i = 0; i < now->noutput; ++i)
        if (now->outputs[i] != c.outputs[i]) return false;
    return true;
}

void restoreCrtcs(Display* d, ::Window root, const ScreenState& s)
{
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, root);
    if (!res) return;
    for (const CrtcState& c : s.crtcs) {
        XRRCrtcInfo* now = XRRGetCrtcInfo(d, res, c.crtc);
        if (!now) continue;
        if (!sameConfig(now, c))
            XRRSetCrtcConfig(d, res, c.crtc, CurrentTime, c.x, c.y, c.mode, c.rotation,
                             const_cast<RROutput*>(c.outputs.data()), int(c.outputs.size()));
        XRRFreeCrtcInfo(now);
    }
    XRRFreeScreenResources(res);
}

void restoreModes(Display* d, ::Window root, const ScreenState& s)
{
    int screen = DefaultScreen(d);
    int width = DisplayWidth(d, screen), height = DisplayHeight(d, screen);
    bool resize = width != s.width || height != s.height;
    // A larger screen must exist before the CRTCs move onto it; a smaller one only after.
    bool grow = s.width >= width && s.height >= height;
    if (resize && grow) XRRSetScreenSize(d, root, s.width, s.height, s.widthMm, s.heightMm);
    restoreCrtcs(d, root, s);
    if (resize && !grow) XRRSetScreenSize(d, root, s.width, s.height, s.widthMm, s.heightMm);
}

void restoreGamma(Display* d, const ScreenState& s)
{
    for (const CrtcState& c : s.crtcs) writeCrtcRamp(d, c.crtc, c.ramp);
}

// Only the socket survives: the saver's X connection, pipes of whoever started it and its
// terminal stay with the saver.
void detachFromParent(int socket)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) std::signal(sig, SIG_IGN);
    for (int sig : {SIGALRM, SIGCHLD, SIGQUIT}) std::signal(sig, SIG_DFL);
    int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
    dup2(socket, 3);
    if (close_range(4, ~0u, 0) != 0)
        for (int fd = 4; fd < 1024; ++fd) close(fd);
}

// Waits for the saver: true when it dismissed the guardian, false when it went away.
bool waitForSaver(Display* d, int socket)
{
    pollfd fds[2] = {{socket, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents) {
            char byte = 0;
            ssize_t got = read(socket, &byte, 1);
            if (got < 0 && errno == EINTR) continue;
            return got == 1 && byte == DISMISS;
        }
        if (fds[1].revents) {
            // Nothing is selected; this drains errors and notices a lost server.
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
            }
        }
    }
}

[[noreturn]] void guardianMain(int socket, bool holdGamma)
{
    detachFromParent(socket);
    socket = 3;
    Display* d = XOpenDisplay(nullptr);
    if (!d) _exit(0);
    XSetErrorHandler(errorIgnored);
    XSetIOErrorHandler(connectionLost);
    int eventBase = 0, errorBase = 0;
    ScreenState original;
    ::Window root = DefaultRootWindow(d);
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !capture(d, root, original)) _exit(0);
    if (write(socket, &READY, 1) != 1) _exit(0);
    if (waitForSaver(d, socket)) _exit(0);
    restoreModes(d, root, original);
    if (holdGamma) restoreGamma(d, original);
    XSync(d, False);
    _exit(0);
}

void closeSocket()
{
    if (guardianSocket >= 0) close(guardianSocket);
    guardianSocket = -1;
}

// Reaps the guardian, killing it when it does not leave in time.
void reap()
{
    for (int waited = 0; waited < EXIT_WAIT_MS; waited += 5) {
        if (waitpid(guardianPid, nullptr, WNOHANG) != 0) {
            guardianPid = 0;
            return;
        }
        usleep(5000);
    }
    kill(guardianPid, SIGKILL);
    waitpid(guardianPid, nullptr, 0);
    guardianPid = 0;
}

bool readyReported()
{
    pollfd fd{guardianSocket, POLLIN, 0};
    for (int tries = 0; tries < 100; ++tries) {
        int ready = poll(&fd, 1, READY_WAIT_MS);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char byte = 0;
        return read(guardianSocket, &byte, 1) == 1 && byte == READY;
    }
    return false;
}

} // namespace

bool startDisplayGuardian(bool holdGamma)
{
    if (guardianPid) return true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (pid == 0) {
        close(ends[0]);
        guardianMain(ends[1], holdGamma);
    }
    close(ends[1]);
    guardianSocket = ends[0];
    guardianPid = pid;
    if (readyReported()) return true;
    closeSocket();
    reap();
    return false;
}

void dismissDisplayGuardian()
{
    if (!guardianPid) return;
    send(guardianSocket, &DISMISS, 1, MSG_NOSIGNAL);
    closeSocket();
    reap();
}

} // namespace qm::platform
