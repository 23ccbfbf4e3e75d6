#include "platform/dialog.h"
#include <sys/wait.h>
#include <unistd.h>

namespace qm::platform {

// The opener runs in a grandchild, so that nothing is left to reap and the dialog never waits.
void openWebPage(const char* address)
{
    if (!address || !*address) return;
    pid_t child = fork();
    if (child == 0) {
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", address, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    if (child > 0) waitpid(child, nullptr, 0);
}

}
