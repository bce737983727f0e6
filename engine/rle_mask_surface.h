// RLEMASKSURFACE: the run structure of a colour-keyed image without its
// pixels.  A plain surface blits through it (FX_MASK), and GUI code uses it
// as a hit-test shape.  Built once from another surface; it cannot be drawn
// itself.  Block layout (engine/rle_layout.h): width, height, a pointer to
// the first header word, then the headers and terminators of all rows.
#ifndef TESSERA_ENGINE_RLE_MASK_SURFACE_H
#define TESSERA_ENGINE_RLE_MASK_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "engine/surface.h"

class RLEMASKSURFACE : public SURFACE {
 public:
  RLEMASKSURFACE(int width, int height);

  // Returns 1 and allocates nothing.
  int Initialize() override;
  // Encodes the run headers of src over this surface's size.  Returns 1 (a
  // built surface stays as it is); 0 without a source or memory.  The
  // header count is not limited.
  int Initialize(SURFACE* src);

  // Index of the first row that holds an opaque pixel; the height if none.
  int GetFirstLinePos() const;

  // 0x7FFF where (x, y) lies in a run, else 0xFC1F (also outside).
  PIXEL GetPixel(int x, int y) override;
  // Unsupported, each ends the process: SetPixel ("...support.5"), the
  // keyed blit ("...support.4"), the part blit ("...support.6") and the
  // effect blit ("...support.7").
  void SetPixel(int x, int y, PIXEL colour) override;
  void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) override;
  void Blit(SURFACE* dst, int x, int y) override;
  void Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) override;

  bool IsBuilt() const { return m_nBuilt != 0; }

 protected:
  int m_nBuilt = 0;

 private:
  const unsigned short* RowHeaders(int y) const;
};

#pragma GCC visibility pop
#endif
