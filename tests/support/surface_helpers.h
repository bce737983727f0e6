// Helpers for surface tests: filling surfaces with known or random pixels,
// reading them back, and the plain per-pixel reference rules that every
// fast path must match bit for bit.
#ifndef TESSERA_TESTS_SUPPORT_SURFACE_HELPERS_H
#define TESSERA_TESTS_SUPPORT_SURFACE_HELPERS_H

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/pixel_block.h"
#include "support/test_support.h"

namespace tessera::test {

// A new initialised plain surface filled with `fill`.
std::unique_ptr<DIBSURFACE> MakeDib(int w, int h, uint16_t fill = 0);

// Every pixel of the surface's rows (width x height), row by row.
std::vector<uint16_t> Pixels(SURFACE* s);

// Random pixels; `key_share` of them (0..100 percent) get bit 15 set, half
// of those being exactly COLOR_KEY.
void FillRandom(SURFACE* s, TestRandom& rng, int key_share);

// A destination of random size (up to max_w x max_h) and pixels, with a
// random clip rectangle inside it (possibly empty).
std::unique_ptr<DIBSURFACE> RandomTarget(TestRandom& rnd, int max_w, int max_h);

// A plain surface with the same pixels and clip rectangle.
std::unique_ptr<DIBSURFACE> CopyOf(SURFACE* s);

// The per-pixel translucent rule, written out one step at a time.
uint16_t ReferenceTransMix(uint16_t s, uint16_t d, int a);

}  // namespace tessera::test

#endif
