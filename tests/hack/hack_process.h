// Test helper: the quillmark executable started as a hack, the way a screensaver manager starts
// it, with its standard error and its run trace (QM_HACK_TRACE) in files of a work folder.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

namespace qm::test {

std::string binaryDir();
void pause(double seconds);

class HackProcess {
public:
    // XSCREENSAVER_WINDOW is set to screensaverWindow, or unset when it is null.
    HackProcess(const std::vector<std::string>& args, const std::string& workFolder,
                const char* screensaverWindow = nullptr);
    ~HackProcess();
    HackProcess(const HackProcess&) = delete;
    HackProcess& operator=(const HackProcess&) = delete;

    // Start-up is over and the frame loop begins: the trace's settings line is written just
    // before it. False when the process ended or timed out first.
    bool waitUntilRunning(double settleSeconds = 0.3);
    bool alive();
    // Waits for the end; the exit status, or -1 when it did not end normally in time.
    int exitStatus(double seconds = 10.0);
    // Sends SIGTERM; the milliseconds until the process was gone, its status in `status`.
    double terminate(int& status);
    // CPU seconds (user and system) the process has used so far.
    double cpuSeconds() const;
    pid_t pid() const { return pid_; }
    std::string errors() const;
    std::string trace() const;

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
    std::string errors_;
    std::string trace_;
};

}
