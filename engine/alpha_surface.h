// ALPHASURFACE: a plain surface with a per-pixel opacity plane, blended onto
// any destination of the plain layout.
//
// The block has the plain layout (engine/pixel_block.h) with longer rows:
// the width's PIXELs, then one stored weight byte per pixel, then one pad
// byte when the width is odd (pitch 3 * width, + 1 if odd).  The stored
// weight t is the destination's share, 0..32: 0 draws the source pixel
// fully, 32 leaves the destination.  It is written from an opacity a of
// 0..31 as t = 32 - a, except that a = 31 (opaque) stores 0.
#ifndef TESSERA_ENGINE_ALPHA_SURFACE_H
#define TESSERA_ENGINE_ALPHA_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "engine/surface.h"

class ALPHASURFACE : public SURFACE {
 public:
  ALPHASURFACE(int width, int height);

  // Frees an earlier block and allocates one; the clip rectangle is the
  // whole surface, pixels and weights are not cleared.  Returns 1; no
  // memory ends the process ("Can't create Alhpa Channel bitmap").
  int Initialize() override;
  // The colour plane at (x, y).  No clip test; a point outside the surface
  // is ignored (SetPixel) or reads COLOR_KEY (GetPixel).
  void SetPixel(int x, int y, PIXEL colour) override;
  PIXEL GetPixel(int x, int y) override;
  // Stores the weight for opacity a (0..31) as described above.
  virtual void PutAlphaPixel(int x, int y, char a);
  // The stored weight (not the opacity); 32 outside the surface.
  char GetAlphaPixel(int x, int y);
  // Every colour 0 and every stored weight 32 (fully transparent).
  void ZeroFill();
  // Fills rows top .. bottom - 1, columns left .. left + the largest even
  // number not above right - left, with colour; weights unchanged.  All
  // four 0 means the whole surface.  A width below 2 fills nothing; the
  // rectangle is kept inside the surface.
  void FillRect(int left, int top, int right, int bottom, const PIXEL& colour);

  // Alpha blit of the whole surface, clipped to the destination.
  void Blit(SURFACE* dst, int x, int y) override;
  // Alpha blit of the part (sx, sy, w, h) at (dx, dy), clipped like the
  // plain surface's part copy.
  void Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) override;
  // FX_ROTATE and FX_ROTATECOPY: the rotated blit; every other kind the
  // alpha blit of the whole surface.
  void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) override;

 protected:
  // The alpha blit with weight plane `plane` (0 first, 1 second).
  void AlphaBlit(SURFACE* dst, int x, int y, int plane);
  bool Inside(int x, int y) const;
};

#pragma GCC visibility pop
#endif
