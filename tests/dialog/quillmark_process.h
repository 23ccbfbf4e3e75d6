// Test helper: the quillmark executable started as a child process, and X windows found by name.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

namespace qm::test {

class QuillmarkProcess {
public:
    // Starts build/bin/quillmark with the arguments; the settings live in configHome.
    QuillmarkProcess(const std::vector<std::string>& arguments, const std::string& configHome);
    ~QuillmarkProcess();
    QuillmarkProcess(const QuillmarkProcess&) = delete;
    QuillmarkProcess& operator=(const QuillmarkProcess&) = delete;

    // The exit status once the process ended within seconds; -1 when it did not end normally
    // (it is killed then), -2 while it is still running.
    int waitForExit(double seconds);

private:
    pid_t pid_ = -1;
    int status_ = -2;
};

// The first window whose name matches the pattern (xdotool's regular expressions), waiting up to
// seconds for one to appear; 0 when none did.
unsigned long waitForWindow(const std::string& namePattern, double seconds);

// What a shell command printed on standard output and its exit status.
std::string commandOutput(const std::string& command, int* status = nullptr);

} // namespace qm::test
