#include "platform/quit_signals.h"
#include <csignal>
#include <initializer_list>
#include <sys/time.h>
#include <unistd.h>

namespace qm::platform {
namespace {

volatile std::sig_atomic_t quitSignalled = 0;
volatile std::sig_atomic_t deadlineMs = 0;
volatile std::sig_atomic_t deadlineArmed = 0;

void onDeadline(int)
{
    _exit(0);
}

void armDeadline()
{
    if (deadlineMs <= 0 || deadlineArmed) return;
    deadlineArmed = 1;
    itimerval timer{};
    timer.it_value.tv_sec = deadlineMs / 1000;
    timer.it_value.tv_usec = (deadlineMs % 1000) * 1000;
    setitimer(ITIMER_REAL, &timer, nullptr);   // async-signal-safe
}

void onQuitSignal(int)
{
    // Only the first signal starts the clock; later ones must not push the deadline back.
    armDeadline();
    quitSignalled = 1;
}

} // namespace

void installQuitSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

bool takeQuitSignal()
{
    if (!quitSignalled) return false;
    quitSignalled = 0;
    return true;
}

bool quitSignalPending()
{
    return quitSignalled != 0;
}

void setQuitDeadline(unsigned milliseconds)
{
    struct sigaction action {};
    action.sa_handler = milliseconds ? onDeadline : SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    deadlineMs = std::sig_atomic_t(milliseconds > 60000 ? 60000 : milliseconds);
    deadlineArmed = 0;
    if (!milliseconds) {
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
    }
}

} // namespace qm::platform
