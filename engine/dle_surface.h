// DLESURFACE: an image with per-pixel opacity in packed form.  Each row
// keeps only its non-transparent segments, each with its colours and stored
// weights (the alpha surface's meaning: 0 draws the source, 32 keeps the
// destination), and is blended like an alpha surface.
//
// Packed alpha format (little-endian): 16-bit width, 16-bit height, then
// per row a 16-bit byte count and that many bytes of row data (a count of
// 0xFFFF is an empty row with no data).  Row data is a sequence of segments
// -- 16-bit start column, 16-bit count n, n 16-bit colours, n weight bytes
// -- ended by the 16-bit value 0xFEFE in place of a segment start.
//
// The block has the plain header (width, height; pitch 0) and a row table;
// each row points at its copy of the row data, or is null when empty.  The
// copies lie one after the other in a single allocation the surface owns,
// so a blit walks the picture's rows through memory in order.
#ifndef TESSERA_ENGINE_DLE_SURFACE_H
#define TESSERA_ENGINE_DLE_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/surface.h"

class DLESURFACE : public SURFACE {
 public:
  // Allocates the header and an empty row table at once; the clip
  // rectangle is empty until the owner sets it.
  DLESURFACE(int width, int height);
  ~DLESURFACE() override;

  // Returns 0: a packed alpha surface is not created empty.
  int Initialize() override;
  // Reads the rows part of the format (what follows width and height).
  // Returns 1.  The rows must be well formed: this entry takes a bare
  // pointer, so only the row counts bound the reading.
  int Initialize(unsigned char* rows);
  // The same from `size` bytes that may be damaged: a row that runs past
  // the buffer, or whose segments run past its byte count or lack the end
  // mark, gives 0 and leaves every row empty.  A count of 0 is an empty row.
  int Initialize(const uint8_t* rows, size_t size);

  // The colour of the segment pixel at (x, y); 0 where no segment covers
  // the point and outside the surface.
  PIXEL GetPixel(int x, int y) override;
  // Changes the colour of a segment pixel; nothing elsewhere.
  void SetPixel(int x, int y, PIXEL colour) override;
  // The stored weight of a segment pixel; 32 elsewhere and outside.
  unsigned char GetAlphaPixel(int x, int y);
  // Changes the stored weight of a segment pixel; nothing elsewhere.
  void PutAlphaPixel(int x, int y, unsigned char weight);
  // Every segment pixel of every row takes the colour; weights unchanged.
  // A tint picture is filled with a new colour before each draw, so the
  // fill is only noted here and carried out when the colours are next read
  // or changed one by one (GetBitmap, SetPixel); until then GetPixel
  // answers the colour and the blit blends the one colour through the
  // weights -- the same pixels, without rewriting the rows each time.
  void FillRect(const PIXEL& colour);
  // The block, with any pending fill written into the rows first.
  void* GetBitmap() override;

  // Packed alpha blit, clipped to the destination's clip rectangle.
  void Blit(SURFACE* dst, int x, int y) override;
  // Unsupported, each ends the process: the effect blit ("...support.1")
  // and the part blit ("...support.3").
  void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) override;
  void Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) override;

  bool IsBuilt() const { return m_nBuilt != 0; }

  // For code that draws from the picture's segments without copying them
  // (the walking characters' composed layers): row y's data (null when
  // empty or outside), and whether a fill is pending and its colour.
  const uint8_t* GetRowData(int y) const;
  bool GetPendingFill(uint16_t* colour) const {
    *colour = m_FillColour;
    return m_bFillPending;
  }
  // A number that changes whenever the segments, colours or weights may
  // have changed (every Initialize, SetPixel, PutAlphaPixel and GetBitmap,
  // which hands the rows out) and is never given to another surface: what
  // the picture draws is a function of it and the pending fill.
  uint64_t GetVersion() const { return m_nVersion; }

 protected:
  int m_nBuilt = 0;

 private:
  void FreeRows();
  // Writes a pending FillRect colour into every segment pixel.
  void ApplyFill();

  void Touch();

  uint8_t* m_pRowData = nullptr;  // every row's data, one allocation
  uint64_t m_nVersion = 0;
  bool m_bFillPending = false;
  uint16_t m_FillColour = 0;
  // The segment of row y that covers column x: its byte address and the
  // pixel's index in it; null when none does.
  uint8_t* FindSegment(int x, int y, int* index);
};

namespace tessera {

// Builds a packed alpha surface from a whole packed alpha image of `size`
// bytes (width and height included) and sets its clip rectangle to the
// whole surface.  Null for a damaged image.  The caller deletes it.
DLESURFACE* LoadDleSurface(const uint8_t* data, size_t size);

// Writes a packed alpha image of w x h from colours and stored weights
// (row-major); pixels with weight 32 or more are left out of the segments.
// The tests and the fuzz corpus are made with it.
std::vector<uint8_t> EncodeDleImage(int w, int h, const uint16_t* colours, const uint8_t* weights);

}  // namespace tessera

#pragma GCC visibility pop
#endif
