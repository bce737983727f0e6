// Kernels for the short runs of the run-length blits.  Sprite runs are a
// few to a few dozen pixels long, so a call per run must cost little: both
// kernels cover a run with 8-pixel SSE2 steps whose last step overlaps the
// previous one (copy), or is computed from the untouched destination first
// (mix), and handle runs shorter than 8 pixels without a scalar loop.
#ifndef TESSERA_ENGINE_RUN_ROWS_H
#define TESSERA_ENGINE_RUN_ROWS_H

#include <cstdint>

namespace tessera {

// Copies n pixels (n >= 0); source and destination do not overlap.
void CopyRun(uint16_t* dst, const uint16_t* src, int n);

// The translucent mix of every source pixel over the destination, no key
// test: the formula of TransMixPixel (engine/pixel_rows.h) with weight a.
void MixRun(uint16_t* dst, const uint16_t* src, int n, int a);

}  // namespace tessera

#endif
