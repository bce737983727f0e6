// The copy loops of every frame with 512-bit registers (AVX-512BW), for
// processors that have them; chosen at run time through UseAvx512()
// (engine/cpu_features.h), so callers write
//
//   #if TESSERA_AVX2
//     if (tessera::UseAvx512()) { ...Avx512(...); return; }
//   #endif
//
// and keep their plain loop as the path everywhere else.  Every function
// gives exactly the pixels of the plain rule it replaces.
//
// Why these are faster: a row of 16-bit pixels is 32 pixels a register, and
// the transparency mark (bit 15) of 32 pixels becomes a store mask in one
// instruction, so a keyed row is load, mask, masked store -- the pixels
// behind are never read.  Masked loads and stores never touch the
// masked-off memory, so nothing is read or written outside the row.  The
// run-length rows are the exception: their runs are short and start
// anywhere, and there plain 256-bit and narrower moves chosen by the run's
// length (overlapping at the end) beat masks and whole 512-bit registers.
#ifndef TESSERA_ENGINE_WIDE_ROWS_H
#define TESSERA_ENGINE_WIDE_ROWS_H

#include <cstddef>
#include <cstdint>

#include "engine/pixel.h"
#include "engine/simd.h"

namespace tessera {

#if TESSERA_AVX2

// Keyed copy of h rows of w pixels: source rows srows[j] + sx onto
// destination rows drows[j] + dx (the rule of KeyedCopyRow).
void KeyedCopyRectAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx, int w, int h);

// Plain copy of h rows of w pixels between different blocks.
void CopyRectAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows, int sx, int w, int h);

// Draws h rows of run lists (engine/rle_layout.h, with the pixels after
// each header): row j's runs from runs[j], its first column at
// drows[j] + dx.  Every run is drawn whole.
void DrawRunRowsAvx512(PIXEL* const* drows, int dx, uint16_t* const* runs, int h);

// The same for rows that hold at most one header each (an empty row holds
// the terminator alone, whose count of 0 moves nothing).
void DrawOneRunRowsAvx512(PIXEL* const* drows, int dx, uint16_t* const* runs, int h);

// The same for rows of at most one header whose lists lie `stride` words
// apart, the first at `first`: no row's place is read from a table.
void DrawEvenOneRunRowsAvx512(PIXEL* const* drows, int dx, const uint16_t* first, size_t stride,
                              int h);

// The same, only the columns [lo, hi) of each row, column lo placed at
// drows[j] + dx.
void DrawRunRowsClippedAvx512(PIXEL* const* drows, int dx, uint16_t* const* runs, int h, int lo,
                              int hi);

// Copies spans of h source rows: row j's spans are k = first[j] ..
// first[j + 1] - 1, each starts[k] columns in and lengths[k] long, sorted by
// column.  Only the columns [lo, hi) are drawn, column lo of srows[j] going
// to drows[j] + dx.
void CopySpansAvx512(PIXEL* const* drows, int dx, PIXEL* const* srows, const uint32_t* first,
                     const uint16_t* starts, const uint16_t* lengths, int h, int lo, int hi);

#endif

}  // namespace tessera

#endif
