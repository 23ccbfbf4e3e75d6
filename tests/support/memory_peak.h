// Test helper: how much memory a piece of code needs at its peak, measured in a forked child so
// that nothing the test process did before counts.
#pragma once
#include <functional>

namespace qm::test {

struct MeasuredRun {
    bool exited = false;     // the child ended through exit (not a signal)
    int status = -1;         // its exit status: what body returned
    long peakGrowthKiB = 0;  // its peak resident size above its size when body began
};

// Runs body in a child process (no GL, no threads of the parent there) and measures it. With an
// allowance, the child's address space may grow by at most that many MiB, so that even an
// allocation never touched (which the resident size does not show) fails there.
MeasuredRun runMeasured(const std::function<int()>& body, long addressSpaceAllowanceMiB = 0);

} // namespace qm::test
