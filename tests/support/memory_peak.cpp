// Test helper: peak memory of a piece of code, measured in a forked child.
#include "tests/support/memory_peak.h"

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qm::test {
namespace {

// The process's size and resident size in KiB.
void sizesKiB(long& total, long& resident)
{
    long pages = 0, residentPages = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f && std::fscanf(f, "%ld %ld", &pages, &residentPages) != 2) pages = residentPages = 0;
    if (f) std::fclose(f);
    total = pages * (sysconf(_SC_PAGESIZE) / 1024);
    resident = residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

MeasuredRun runMeasured(const std::function<int()>& body, long addressSpaceAllowanceMiB)
{
    MeasuredRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return run;
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        long total = 0, start = 0;
        sizesKiB(total, start);
        if (addressSpaceAllowanceMiB > 0) {
            const rlimit limit{rlim_t(total + addressSpaceAllowanceMiB * 1024) * 1024,
                               rlim_t(total + addressSpaceAllowanceMiB * 1024) * 1024};
            setrlimit(RLIMIT_AS, &limit);
        }
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
