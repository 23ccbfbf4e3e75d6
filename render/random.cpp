#include "render/random.h"

namespace qm {
namespace {
// Seed 1 until srand is called, as the classic generator does.
uint32_t randState = 1;
}

uint32_t rand()
{
    randState = randState * 214013u + 2531011u;
    return (randState >> 16) & RAND_MAX_VALUE;
}

void srand(uint32_t seed)
{
    randState = seed;
}

double randUnit()
{
    return double(rand()) / double(RAND_MAX_VALUE);
}

} // namespace qm
