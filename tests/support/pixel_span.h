// Reading a few pixels back in one comparison: the colours of a block of a
// surface, row by row, so a test states a strip of expected pixels as one
// vector instead of one assertion per pixel.
#ifndef TESSERA_TESTS_SUPPORT_PIXEL_SPAN_H
#define TESSERA_TESTS_SUPPORT_PIXEL_SPAN_H

#include <cstdint>
#include <vector>

#include "engine/surface.h"

namespace tessera::test {

// The colours of the w x h block of `s` at (x, y), row by row (GetPixel's
// answer, so outside the surface reads the key colour).
inline std::vector<uint16_t> PixelSpan(SURFACE* s, int x, int y, int w, int h = 1) {
  std::vector<uint16_t> out;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) out.push_back(s->GetPixel(i, j).GetColor());
  return out;
}

}  // namespace tessera::test

#endif
