// The engine's pseudo-random generator.
//
// Every place where the engine draws a random number uses this one
// generator, a linear congruential one with the classic 15-bit output:
//   state = state * 214013 + 2531011;  result = (state >> 16) & 0x7FFF
// so a seeded run is reproducible on every platform.
#ifndef TESSERA_PLATFORM_RANDOM_H
#define TESSERA_PLATFORM_RANDOM_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

namespace tessera {

constexpr int kRandMax = 0x7FFF;

// Sets the state (the initial state, before any seeding, is 1).
void SeedRandom(uint32_t seed);
// The next value, 0 to 32767.
int NextRandom();

}  // namespace tessera

#pragma GCC visibility pop
#endif
