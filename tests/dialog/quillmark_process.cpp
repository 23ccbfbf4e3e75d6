#include "tests/dialog/quillmark_process.h"
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qm::test {
namespace {

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string quillmarkPath()
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/bin/quillmark";
}

} // namespace

QuillmarkProcess::QuillmarkProcess(const std::vector<std::string>& arguments, const std::string& configHome)
{
    std::string program = quillmarkPath();
    pid_ = fork();
    if (pid_ == 0) {
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("quillmark"));
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

QuillmarkProcess::~QuillmarkProcess()
{
    if (pid_ > 0 && status_ == -2) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

int QuillmarkProcess::waitForExit(double seconds)
{
    if (status_ != -2 || pid_ <= 0) return status_;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return status_;
        }
        pause(0.02);
    } while (std::chrono::steady_clock::now() < deadline);
    return -2;
}

std::string commandOutput(const std::string& command, int* status)
{
    std::string text;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
    int rc = pclose(out);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return text;
}

unsigned long waitForWindow(const std::string& namePattern, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        std::string ids = commandOutput("xdotool search --name '" + namePattern + "' 2>/dev/null");
        if (!ids.empty()) return std::strtoul(ids.c_str(), nullptr, 10);
        pause(0.05);
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}

} // namespace qm::test
