// The program's one random generator: a 15-bit linear congruential generator, seeded once per run.
#pragma once
#include <cstdint>

namespace qm {

constexpr uint32_t RAND_MAX_VALUE = 0x7FFF;

// Next value in 0..32767: state = state * 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF.
uint32_t rand();
void srand(uint32_t seed);
// rand() / 32767.0: a draw in [0, 1] with both ends possible.
double randUnit();

} // namespace qm
