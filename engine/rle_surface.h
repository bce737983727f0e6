// RLESURFACE: a colour-keyed image stored as runs of opaque pixels per row.
//
// Most sprites are largely transparent; this kind keeps only the opaque
// pixels and draws them without testing a key.  It is read-only once built:
// created empty (Initialize() does nothing), then built once, from another
// surface or from a packed image stream.  The block layout is in
// engine/rle_layout.h: width, height, a row table of native pointers, then
// each row's run list (header word, its pixels, ..., terminator 0).
#ifndef TESSERA_ENGINE_RLE_SURFACE_H
#define TESSERA_ENGINE_RLE_SURFACE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/surface.h"

class RLESURFACE : public SURFACE {
 public:
  RLESURFACE(int width, int height);
  ~RLESURFACE() override;

  // Returns 1 and allocates nothing: the surface is built by one of the
  // two builders below.
  int Initialize() override;
  // Encodes src (read over this surface's size; COLOR_KEY is transparent).
  // Returns 1; a built surface stays as it is.  Returns 0 without a source
  // or when the block cannot be allocated.
  int Initialize(SURFACE* src);
  // Builds from a packed image stream (the operations after the pack
  // record's width and height), which must end with its end operation.
  // Returns 1, or 0 when the block cannot be allocated.
  int Initialize(unsigned short* stream);
  // The same from a stream of `size` bytes that may be damaged: a stream
  // that runs out before its end operation gives 0 and no block.  Pixels
  // beyond the surface's width or height are dropped; a gap of 256 or more
  // keeps only its low 8 bits, as the run header stores it; a run longer
  // than 255 pixels is split into runs of 255; a row skip drops a run still
  // open on its row, while the end operation keeps it.
  int Initialize(const uint8_t* data, size_t size);

  // Index of the first row that holds an opaque pixel; the height if none.
  int GetFirstLinePos() const;

  // Unsupported: ends the process ("the function doesn't support.2").
  void SetPixel(int x, int y, PIXEL colour) override;
  // The run pixel at (x, y), else COLOR_KEY (also outside the surface).
  PIXEL GetPixel(int x, int y) override;
  // FX_TRANS: translucent blit with fx.level; every other kind nothing.
  void Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) override;
  // Draws the runs, clipped to the destination's clip rectangle.
  void Blit(SURFACE* dst, int x, int y) override;
  // Unsupported: ends the process ("the function doesn't support.3").
  void Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) override;

  bool IsBuilt() const { return m_nBuilt != 0; }

  // Asks the caches for the block a Blit reads, without waiting for it.
  // Whoever draws many small pictures one after another (a chain of
  // buttons) calls it for the next one while drawing this one, so that the
  // draw does not wait for its pixels row by row.  Nothing is read.
  void Prefetch() const;

  // Copies the blocks of the built pictures among `pictures` into one new
  // allocation, one after another in the order given (a picture listed
  // twice keeps its first place; null and unbuilt ones are passed over).
  //
  // Pictures drawn one after another every frame -- a screen of buttons --
  // are read from wherever each was allocated, and their loading usually
  // interleaves them with pictures that are rarely drawn (a button's hover,
  // pressed and disabled looks) and with freed scraps; a frame then touches
  // four or more times the memory it draws.  Placed together in drawing
  // order, a frame reads one stretch front to back, which the processor's
  // prefetching streams in: such a frame takes about a sixth less time.
  //
  // Nothing visible changes: each picture draws and reads as before.  The
  // shared allocation is freed when the last picture in it is deleted or
  // placed elsewhere; until then a deleted picture's part stays
  // allocated.  Returns false, with every picture as it was, when
  // the allocation fails.
  static bool PlaceTogether(RLESURFACE* const* pictures, size_t count);

 protected:
  int m_nBuilt = 0;  // 1 once a builder succeeded

 private:
  // Takes a built block of `bytes` bytes and notes the shape of its rows.
  int Adopt(void* block, size_t bytes);
  // Sets m_bOneRunRows and m_nRowStride from the block's rows.
  void NoteRowShape();
  void TransBlit(SURFACE* dst, int x, int y, int level);
  template <class RunOp>
  void DrawRuns(SURFACE* dst, int x, int y, RunOp op);

  // Lets go of the block: frees it, or leaves it to the allocation it
  // shares with other pictures.
  void ReleaseBlock();

  size_t m_nBytes = 0;  // the block's size
  // Set while the block lies in an allocation placed together with other
  // pictures' blocks (PlaceTogether); that allocation is freed with the
  // last of them.  Null when the block is the picture's own.
  std::shared_ptr<void> m_pShared;
  // No row holds more than one header: a convex shape (a button with
  // rounded corners, a figure) always.  Such rows are drawn without
  // walking to each row's terminator.
  bool m_bOneRunRows = false;
  // For such a picture, when every row's list lies the same number of
  // words after the one before (a rectangle's do; PlaceTogether lays them
  // out so): that number, and drawing steps from row to row by it instead
  // of reading each row's place from the table.  0 otherwise.
  size_t m_nRowStride = 0;
};

#pragma GCC visibility pop
#endif
