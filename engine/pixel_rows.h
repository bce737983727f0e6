// Row kernels of the keyed and translucent blits: the inner loops of every
// frame.  Each works on one row of n pixels and gives exactly the per-pixel
// result of the plain rules below; on x86 the translucent mix processes
// thirty-two pixels per AVX-512BW step (its last step masked), else sixteen
// per AVX2 step or eight per SSE2 step and the remainder one by one, as
// the processor allows; elsewhere it is the plain rule.
//
// Keyed copy: a source pixel with bit 15 clear replaces the destination
// pixel; one with bit 15 set leaves it.
//
// Translucent mix with a = 32 - level (0..32), in 16-bit wrapping
// arithmetic with logical shifts, for each source pixel s with bit 15 clear
// over destination pixel d:
//   red   = (s + ((d >> 5) - (s >> 5)) * a) & 0xFC00
//   green = (((((d & 0x03E0) - (s & 0x03E0)) * a) >> 5) + (s & 0x03E0)) & 0x03E0
//   blue  = (((((d & 0x001F) - (s & 0x001F)) * a) >> 5) + (s & 0x001F)) & 0x001F
// a = 0 writes the source, a = 32 leaves the destination.
#ifndef TESSERA_ENGINE_PIXEL_ROWS_H
#define TESSERA_ENGINE_PIXEL_ROWS_H

#include <cstdint>

#include "engine/pixel.h"

namespace tessera {

void KeyedCopyRow(PIXEL* dst, const PIXEL* src, int n);
// Mixes every source pixel whose bit 15 is clear (keyed = true) or every
// source pixel (keyed = false, as the run-length blits do).
void TransMixRow(PIXEL* dst, const PIXEL* src, int n, int a, bool keyed = true);
// The translucent blit's rectangle: TransMixRow (keyed) over h rows of w
// pixels, source rows srows[j] + sx onto destination rows drows[j] + dx,
// with the path chosen once for all of them (sprite rows are short, and a
// choice per row costs as much as the row's mix).
void TransMixRect(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx, int w, int h, int a);
// Stores `colour` into n pixels (n <= 0 does nothing): whole 16-byte
// stores, like memset, for the fills and the mosaic.
void FillRow(PIXEL* dst, int n, uint16_t colour);

// The plain rules one pixel at a time: the references the fast paths are
// checked against.
void KeyedCopyRowReference(PIXEL* dst, const PIXEL* src, int n);
void TransMixRowReference(PIXEL* dst, const PIXEL* src, int n, int a, bool keyed = true);

// The translucent mix of one pixel pair (no key test).
inline uint16_t TransMixPixel(uint16_t s, uint16_t d, unsigned a) {
  uint16_t red =
      static_cast<uint16_t>((s + static_cast<uint16_t>((d >> 5) - (s >> 5)) * a) & 0xFC00);
  uint16_t g = static_cast<uint16_t>(((d & 0x03E0) - (s & 0x03E0)) * a);
  uint16_t green = static_cast<uint16_t>(((g >> 5) + (s & 0x03E0)) & 0x03E0);
  uint16_t b = static_cast<uint16_t>(((d & 0x001F) - (s & 0x001F)) * a);
  uint16_t blue = static_cast<uint16_t>(((b >> 5) + (s & 0x001F)) & 0x001F);
  return static_cast<uint16_t>(red | green | blue);
}

}  // namespace tessera

#endif
