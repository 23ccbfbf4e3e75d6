#include "tests/hack/hack_process.h"
#include "tests/support/test_files.h"
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qm::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double START_TIMEOUT_SECONDS = 30.0;

Clock::time_point after(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

bool fileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

} // namespace

std::string binaryDir()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return dir ? dir : ".";
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

HackProcess::HackProcess(const std::vector<std::string>& args, const std::string& workFolder,
                         const char* screensaverWindow)
    : errors_(workFolder + "/stderr.txt"), trace_(workFolder + "/trace.jsonl")
{
    unlink(trace_.c_str());
    const std::string program = binaryDir() + "/bin/quillmark";
    pid_ = fork();
    if (pid_ == 0) {
        const int fd = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 2);
        setenv("QM_HACK_TRACE", trace_.c_str(), 1);
        if (screensaverWindow) setenv("XSCREENSAVER_WINDOW", screensaverWindow, 1);
        else unsetenv("XSCREENSAVER_WINDOW");
        std::vector<char*> argv{const_cast<char*>("quillmark")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

HackProcess::~HackProcess()
{
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool HackProcess::waitUntilRunning(double settleSeconds)
{
    const Clock::time_point until = after(START_TIMEOUT_SECONDS);
    while (alive() && Clock::now() < until) {
        if (fileExists(trace_)) {
            pause(settleSeconds);
            return alive();
        }
        pause(0.005);
    }
    return false;
}

bool HackProcess::alive()
{
    if (exited_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    return !exited_;
}

int HackProcess::exitStatus(double seconds)
{
    const Clock::time_point until = after(seconds);
    while (alive() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!exited_ || !WIFEXITED(status_)) return -1;
    return WEXITSTATUS(status_);
}

double HackProcess::terminate(int& status)
{
    const Clock::time_point sent = Clock::now();
    kill(pid_, SIGTERM);
    status = exitStatus(2.0);
    return std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
}

double HackProcess::cpuSeconds() const
{
    const std::string stat = readText("/proc/" + std::to_string(pid_) + "/stat");
    // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0.0;
    unsigned long utime = 0, stime = 0;
    if (std::sscanf(stat.c_str() + close + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                    &stime) != 2)
        return 0.0;
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

std::string HackProcess::errors() const
{
    return readText(errors_);
}

std::string HackProcess::trace() const
{
    return readText(trace_);
}

} // namespace qm::test
