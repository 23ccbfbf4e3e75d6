// Test helper: peak memory of a piece of code, measured in a forked child.
#include "tests/support/memory_peak.h"

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm::test {
namespace {

long residentKiB()
{
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

MeasuredRun runMeasured(const std::function<int()>& body)
{
    MeasuredRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return run;
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        long start = residentKiB();
        ssize_t written = write(pipeEnds[1], &start, sizeof start);
        close(pipeEnds[1]);
        int status = written == sizeof start ? body() : 99;
        std::fflush(nullptr);
        _exit(status);
    }
    close(pipeEnds[1]);
    long start = 0;
    if (child < 0 || read(pipeEnds[0], &start, sizeof start) != sizeof start) start = -1;
    close(pipeEnds[0]);
    if (child < 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return run;
    run.exited = WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : -1;
    run.peakGrowthKiB = start >= 0 ? usage.ru_maxrss - start : usage.ru_maxrss;
    return run;
}

} // namespace qm::test
