// DIBSURFACE: the plain 16-bit surface, the engine's working surface.
//
// The render surface, off-screen buffers and images decoded into the plain
// style are DIBSURFACEs.  Rows are padded to a multiple of 4 pixels (pitch =
// 2 * stride bytes), and the block layout is that of engine/pixel_block.h.
// Every blit draws this surface onto a destination of the plain layout
// (plain or alpha surface), clipped to the destination's clip rectangle.
#ifndef TESSERA_ENGINE_DIB_SURFACE_H
#define TESSERA_ENGINE_DIB_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "engine/surface.h"

class DIBSURFACE : public SURFACE {
 public:
  DIBSURFACE(int width, int height);

  // Frees an earlier block and allocates a new one; the clip rectangle is
  // the whole surface and pixels are not cleared.  Returns 1; a block that
  // cannot be allocated ends the process ("Can't create bitmap").
  int Initialize() override;
  // Writes inside the clip rectangle only.
  void SetPixel(int x, int y, PIXEL colour) override;
  // The stored pixel inside the surface (clip rectangle ignored), else
  // COLOR_KEY.
  PIXEL GetPixel(int x, int y) override;
  // Draws GBK text with its first cell's top-left corner at (x, y) in the
  // current font size (engine/text_draw.cpp).
  void DrawTextA(int x, int y, PIXEL colour, char* text) override;
  void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) override;
  void Blit(SURFACE* dst, int x, int y) override;
  void Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) override;

 private:
  void WholeFill(PIXEL colour);
  void RectFill(int x, int y, int w, int h, PIXEL colour);
  void TransBlit(SURFACE* dst, int x, int y, int level);
  void MosaicBlit(SURFACE* dst, int x, int y, int n);
  void MirrorBlit(SURFACE* dst, int x, int y);
  void MaskBlit(SURFACE* dst, int x, int y);
};

#pragma GCC visibility pop
#endif
