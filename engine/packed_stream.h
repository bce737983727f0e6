// The packed image stream: the image format of every pack resource.
//
// A sequence of 16-bit little-endian words.  The top four bits of a word
// are the operation, the low twelve bits its count n (0..4095).  Drawing
// starts at column 0 of row 0.
//
//   0x0  skip n transparent pixels on the current row
//   0x1  n literal pixels follow as n words
//   0x2  one pixel word follows; it is repeated n times
//   0x4  end the current row and skip n - 1 further rows (row += n, column 0)
//   0x8  next row (row += 1, column 0)
//   0xF  end of image
//
// Other operation values carry no data and are passed over.  The stream
// proper follows the pack image record's 16-bit width and height; every
// function here takes the operations only.
//
// WalkPackedStream is the one reader of the format: it hands each operation
// to a visitor and never reads past the buffer it is given.  A stream whose
// buffer ends before its end operation (in the middle of a literal run, say)
// is truncated, and every user treats it as bad input.
#ifndef TESSERA_ENGINE_PACKED_STREAM_H
#define TESSERA_ENGINE_PACKED_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/pixel.h"
#include "engine/run_rows.h"
#include "platform/byte_order.h"

class SURFACE;

namespace tessera {

enum PackedStreamOp : unsigned {
  kPackSkip = 0x0,
  kPackLiteral = 0x1,
  kPackFill = 0x2,
  kPackRowSkip = 0x4,
  kPackNextRow = 0x8,
  kPackEnd = 0xF,
};

constexpr int kPackMaxCount = 4095;

inline uint16_t PackWord(unsigned op, unsigned n) {
  return static_cast<uint16_t>(op << 12 | (n & 0xFFF));
}

inline uint16_t LoadLittle16(const uint8_t* p) { return Le16(p); }

// Copies n little-endian words from possibly unaligned bytes into pixels.
inline void CopyLittleWords(PIXEL* dst, const uint8_t* src, size_t n) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  CopyRun(dst, src, static_cast<int>(n));
#else
  for (size_t i = 0; i < n; ++i) dst[i] = LoadLittle16(src + 2 * i);
#endif
}

// Walks the operations in data[0, size) and calls, in stream order,
//   v.Skip(int n), v.Literal(const uint8_t* words, int n),
//   v.Fill(uint16_t colour, int n), v.RowSkip(int n), v.NextRow().
// `words` points at n little-endian pixel words inside the buffer.  Returns
// true when the end operation was reached inside the buffer, false when the
// buffer ran out first (the visitor has then seen every whole operation
// before the cut).  An odd trailing byte is ignored.
template <class Visitor>
bool WalkPackedStream(const uint8_t* data, size_t size, Visitor& v) {
  if (!data) return false;
  size_t i = 0;
  while (size - i >= 2) {
    const uint16_t word = LoadLittle16(data + i);
    i += 2;
    const int n = word & 0xFFF;
    switch (word >> 12) {
      case kPackSkip:
        v.Skip(n);
        break;
      case kPackLiteral:
        if ((size - i) / 2 < static_cast<size_t>(n)) return false;
        v.Literal(data + i, n);
        i += 2 * static_cast<size_t>(n);
        break;
      case kPackFill:
        if (size - i < 2) return false;
        v.Fill(LoadLittle16(data + i), n);
        i += 2;
        break;
      case kPackRowSkip:
        v.RowSkip(n);
        break;
      case kPackNextRow:
        v.NextRow();
        break;
      case kPackEnd:
        return true;
      default:
        break;  // unknown operations are passed over
    }
  }
  return false;
}

// The length in bytes of a stream given without its size, up to and
// including its end operation.  The stream must have one: this is for the
// entry points that, like the engine always has, take a bare pointer.
size_t PackedStreamLength(const unsigned short* stream);

// Decodes a stream into a surface of the plain block layout (a DIBSURFACE,
// or the colour plane of an ALPHASURFACE): the surface's clip rectangle is
// first filled with COLOR_KEY, then literal and fill pixels are written at
// the cursor.  Pixels that fall outside the surface are dropped.  Returns
// false for a surface without a block or of another layout, or a truncated
// stream (the pixels before the cut are then already written).
bool DecodePackedStream(const uint8_t* data, size_t size, SURFACE* dst);

// Encodes a surface (read through GetPixel; COLOR_KEY is transparent) as a
// stream: per row, skips for transparent stretches, fills for runs of three
// or more equal pixels and literals for the rest, then next-row; empty rows
// become one row-skip; the image ends with end.  Counts above 4095 are
// split.  `tessera-pack add-image` writes its images with it (through
// engine/image_import.h), and the tests and fuzz corpora are made from it.
std::vector<uint16_t> EncodePackedStream(SURFACE* src);

// The stream as the little-endian bytes a pack stores.
std::vector<uint8_t> PackedStreamBytes(const std::vector<uint16_t>& words);

}  // namespace tessera

#endif
