#include "platform/quit_signals.h"
#include <csignal>
#include <initializer_list>

namespace qm::platform {
namespace {

volatile std::sig_atomic_t quitSignalled = 0;

void onQuitSignal(int)
{
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

} // namespace qm::platform
