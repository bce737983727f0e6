// Test images for the run-length, alpha and packed-alpha suites: random
// sprites with a chosen share of opaque pixels.
#ifndef TESSERA_TESTS_ENGINE_SPRITE_IMAGES_H
#define TESSERA_TESTS_ENGINE_SPRITE_IMAGES_H

#include <memory>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/pixel_block.h"
#include "support/surface_helpers.h"

namespace tessera::test {

// A sprite whose opaque pixels come in stretches (as drawn images do), about
// `opaque_percent` of them opaque.  Opaque values avoid COLOR_KEY but may
// carry bit 15; equal neighbours are common so that fills appear.
inline std::unique_ptr<DIBSURFACE> MakeSprite(int w, int h, int opaque_percent, TestRandom& rnd) {
  auto s = MakeDib(w, h, COLOR_KEY);
  for (int y = 0; y < h; ++y) {
    int x = 0;
    while (x < w) {
      const bool opaque = rnd.Range(0, 99) < opaque_percent;
      const int len = rnd.Range(1, 40);
      uint16_t colour = static_cast<uint16_t>(rnd.Next());
      for (int i = 0; i < len && x < w; ++i, ++x) {
        if (!opaque) continue;
        if (rnd.Range(0, 3) == 0) colour = static_cast<uint16_t>(rnd.Next());
        if (colour == COLOR_KEY) colour = 0x1234;
        s->SetPixel(x, y, colour);
      }
    }
  }
  return s;
}

}  // namespace tessera::test

#endif
