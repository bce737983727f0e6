// The pixel-data block of the plain and alpha surface kinds.
//
// One malloc'ed block holds, in order: a 28-byte header of seven 32-bit
// fields (width, height, pitch in bytes, clip left, top, right, bottom --
// right and bottom exclusive), a table of `height` row pointers, and the
// rows themselves, `pitch` bytes apart.  The row table starts at offset 32
// so that the pointers are aligned; the rows start on a 16-byte boundary.
// Every other surface kind's block also begins with width and height.
#ifndef TESSERA_ENGINE_PIXEL_BLOCK_H
#define TESSERA_ENGINE_PIXEL_BLOCK_H

#include <cstddef>
#include <cstdint>

#include "engine/pixel.h"

struct PixelBlockHeader {
  int32_t width;
  int32_t height;
  int32_t pitch;
  int32_t clip_left;
  int32_t clip_top;
  int32_t clip_right;
  int32_t clip_bottom;
};
static_assert(sizeof(PixelBlockHeader) == 28, "seven 32-bit fields");

namespace tessera {

constexpr size_t kRowTableOffset = 32;

inline PixelBlockHeader* BlockHeader(void* block) { return static_cast<PixelBlockHeader*>(block); }
inline PIXEL** BlockRows(void* block) {
  return reinterpret_cast<PIXEL**>(static_cast<char*>(block) + kRowTableOffset);
}
inline size_t AlignUp(size_t n, size_t a) { return (n + a - 1) / a * a; }

// Bytes the header and row table take before the first row.
inline size_t RowsOffset(int32_t height) {
  // The row table is an array of row pointers, hence the pointer's size.
  // NOLINTNEXTLINE(bugprone-sizeof-expression)
  return AlignUp(kRowTableOffset + sizeof(PIXEL*) * static_cast<size_t>(height), 16);
}

// Row length in pixels of a plain surface: the width rounded up to a
// multiple of 4, so that four-pixel groups never leave the block.
inline int32_t PlainStride(int32_t width) { return (width + 3) & ~3; }

// Allocates and fills a plain block of `height` rows of `pitch` bytes,
// followed by `extra` bytes (an alpha plane, say).  Returns null when the
// size is negative or too large, or malloc fails.  Pixels are not cleared.
void* AllocatePixelBlock(int32_t width, int32_t height, int32_t pitch, size_t extra = 0);

}  // namespace tessera

#endif
