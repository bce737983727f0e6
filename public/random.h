// The engine's random numbers.
#ifndef TESSERA_PUBLIC_RANDOM_H
#define TESSERA_PUBLIC_RANDOM_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "public/export.h"

// Seeds the engine generator with the current calendar time in seconds.
TESSERA_API void InitRand(void);

// low + (r mod (high - low + 1)), r being the generator's next value in
// 0..32767.  The caller gives high >= low.
TESSERA_API int Rand(int low, int high);

#pragma GCC visibility pop
#endif
