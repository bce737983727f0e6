// The alpha blend row kernel shared by the alpha, double-alpha and packed
// alpha surfaces.
//
// For each pixel with source colour s, destination colour d and stored
// weight t (the destination's share, 0..32), per channel (red bits 10-14,
// green 5-9, blue 0-4):
//   out = (s * (32 - t)) / 32 + (d * t) / 32     (each product truncated)
// and bit 15 of the result is 0.  A weight of 32 leaves the destination
// pixel exactly as it was (bit 15 included), as does a weight above 32
// (only damaged data holds one).  Groups of pixels whose weights are all 0
// are copied (bit 15 cleared), groups whose weights are all 32 skipped; the
// result is the per-pixel rule's.
//
// On x86 the kernels take thirty-two pixels a step with AVX-512BW, sixteen
// with AVX2 or eight with SSE2, as the processor allows; the plain rule is
// the reference and the whole kernel elsewhere or in a TESSERA_SCALAR
// build.
#ifndef TESSERA_ENGINE_ALPHA_ROWS_H
#define TESSERA_ENGINE_ALPHA_ROWS_H

#include <cstdint>

#include "engine/pixel.h"

namespace tessera {

inline uint16_t AlphaBlendPixel(uint16_t s, uint16_t d, unsigned t) {
  if (t >= 32) return d;
  const unsigned w = 32 - t;
  const unsigned r = (((s >> 10) & 31) * w >> 5) + (((d >> 10) & 31) * t >> 5);
  const unsigned g = (((s >> 5) & 31) * w >> 5) + (((d >> 5) & 31) * t >> 5);
  const unsigned b = ((s & 31) * w >> 5) + ((d & 31) * t >> 5);
  return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

// Blends n source pixels over dst with the weights.  `src` may be
// unaligned (packed alpha rows store colours at any byte offset).
void AlphaBlendRow(PIXEL* dst, const void* src, const uint8_t* weights, int n);
// The same, one pixel at a time by AlphaBlendPixel: the reference the fast
// paths are checked against.
void AlphaBlendRowReference(PIXEL* dst, const void* src, const uint8_t* weights, int n);

// Blends one colour through n weights: AlphaBlendRow of a source whose
// every pixel is `colour` (a tint laid through a picture's opacity), and
// its per-pixel reference.
void AlphaBlendSolidRow(PIXEL* dst, uint16_t colour, const uint8_t* weights, int n);
void AlphaBlendSolidRowReference(PIXEL* dst, uint16_t colour, const uint8_t* weights, int n);

// Blends `layers` rows of n colours and weights over dst one after
// another (layer l at colours + l * n, weights + l * n): AlphaBlendRow
// once per layer, with the pixels kept in registers between layers.  n
// must be a multiple of 16 (callers pad with weight 32).
void AlphaBlendLayers(PIXEL* dst, const uint16_t* colours, const uint8_t* weights, int layers,
                      int n);
void AlphaBlendLayersReference(PIXEL* dst, const uint16_t* colours, const uint8_t* weights,
                               int layers, int n);

// The kernels of the path chosen now (AVX2, SSE2 or the plain rule), for
// blits that make many short calls: picked once per blit instead of once
// per row.
struct AlphaRowKernels {
  void (*blend)(uint16_t* dst, const uint8_t* src, const uint8_t* weights, int n);
  void (*solid)(uint16_t* dst, uint16_t colour, const uint8_t* weights, int n);
  void (*layers)(uint16_t* dst, const uint16_t* colours, const uint8_t* weights, int layers, int n);
};
AlphaRowKernels PickAlphaRowKernels();

}  // namespace tessera

#endif
