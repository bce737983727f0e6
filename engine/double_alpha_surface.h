// DOUBLEALPHASURFACE: an alpha surface with a second, weaker opacity plane,
// so that the same image can also be drawn at a third of its opacity.
//
// Rows are 4 * width bytes: colour, the first weight plane (as the alpha
// surface's), the second plane t2 = 32 - a' / 3 with a' = 32 when a = 31,
// else a (integer division).  Initialize leaves the clip rectangle empty
// (0, 0, 0, 0): the surface is a source, nothing draws into it unless the
// owner sets a clip rectangle.
#ifndef TESSERA_ENGINE_DOUBLE_ALPHA_SURFACE_H
#define TESSERA_ENGINE_DOUBLE_ALPHA_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "engine/alpha_surface.h"

class DOUBLEALPHASURFACE : public ALPHASURFACE {
 public:
  DOUBLEALPHASURFACE(int width, int height);

  // Allocates rows of 4 * width bytes; returns 1, no memory ends the
  // process ("Can't create Alhpa Channel bitmap").
  int Initialize() override;
  // Writes both weight planes.
  void PutAlphaPixel(int x, int y, char a) override;
  // The second plane's stored weight; 32 outside the surface.
  char GetSecondAlphaPixel(int x, int y);
  // FX_SECONDALPHA: the alpha blit with the second plane; any other kind
  // draws nothing.
  void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) override;
  using ALPHASURFACE::Blit;
};

#pragma GCC visibility pop
#endif
