#include "public/random.h"

#include <ctime>

#include "platform/random.h"

void InitRand(void) { tessera::SeedRandom(static_cast<uint32_t>(std::time(nullptr))); }

int Rand(int low, int high) {
  // Computed in unsigned arithmetic so that the full int range (high - low
  // + 1 overflowing int) still gives a defined result.
  unsigned span = static_cast<unsigned>(high) - static_cast<unsigned>(low) + 1u;
  unsigned r = static_cast<unsigned>(tessera::NextRandom());
  return static_cast<int>(static_cast<unsigned>(low) + (span ? r % span : r));
}
