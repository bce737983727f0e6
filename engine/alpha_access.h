// Reaching the opacity plane of an alpha-kind surface from code that works
// on any surface (the rotation, the effect dispatch of other kinds).
//
// An alpha surface has the plain block layout with longer rows: each row
// holds the width's PIXELs, then one stored weight byte per pixel (the
// destination's weight, 0 = source fully drawn, 32 = destination kept).  A
// double-alpha row has a second weight plane after the first.
#ifndef TESSERA_ENGINE_ALPHA_ACCESS_H
#define TESSERA_ENGINE_ALPHA_ACCESS_H

#include <cstdint>

#include "engine/pixel_block.h"
#include "engine/surface.h"
#include "engine/surface_kinds.h"

namespace tessera {

inline bool HasAlphaPlane(SURFACE* surface) {
  return IsAlphaKind(surface->GetStyle()) && surface->GetBitmap() != nullptr;
}

// The first weight plane of row y (the caller keeps y inside the surface).
inline uint8_t* AlphaRow(void* block, int y) {
  return reinterpret_cast<uint8_t*>(BlockRows(block)[y]) +
         2 * static_cast<size_t>(BlockHeader(block)->width);
}

// Number of weight planes of an alpha-kind surface: 2 for a double-alpha
// surface, else 1.
inline int AlphaPlanes(SURFACE* surface) { return surface->GetStyle() == SS_DOUBLEALPHA ? 2 : 1; }

// Colour 0 and weight 32 (fully transparent) everywhere, in `planes`
// weight planes.
inline void ZeroFillAlphaBlock(void* block, int planes = 1) {
  const PixelBlockHeader* h = BlockHeader(block);
  for (int y = 0; y < h->height; ++y) {
    PIXEL* row = BlockRows(block)[y];
    uint8_t* weights = AlphaRow(block, y);
    for (int x = 0; x < h->width; ++x) row[x] = 0;
    for (int x = 0; x < h->width * planes; ++x) weights[x] = 32;
  }
}

}  // namespace tessera

#endif
