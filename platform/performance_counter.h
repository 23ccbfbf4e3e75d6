// The high-resolution monotonic counter that frame times are measured with.
#pragma once
#include <cstdint>

namespace qm::platform {

int64_t performanceCounter();
// Counts per second.
int64_t performanceFrequency();

}
