#include "engine/packed_stream.h"

#include <algorithm>

#include "engine/pixel_block.h"
#include "engine/surface.h"

namespace tessera {

size_t PackedStreamLength(const unsigned short* stream) {
  if (!stream) return 0;
  size_t i = 0;
  for (;;) {
    const unsigned short word = stream[i++];
    const unsigned op = word >> 12;
    if (op == kPackEnd) return i * 2;
    if (op == kPackLiteral)
      i += word & 0xFFF;
    else if (op == kPackFill)
      i += 1;
  }
}

namespace {

// Writes the stream into plain rows.  The cursor is kept in 64 bits: a
// hostile stream can move it by 4095 per word for as long as it likes.
struct PlainDecoder {
  PIXEL** rows;
  long long width, height;
  long long row = 0, col = 0;

  PIXEL* Span(int n, long long* count) const {
    if (row >= height || col >= width) return nullptr;
    *count = std::min<long long>(n, width - col);
    return rows[row] + col;
  }
  void Skip(int n) { col += n; }
  void Literal(const uint8_t* words, int n) {
    long long count;
    if (PIXEL* d = Span(n, &count)) CopyLittleWords(d, words, static_cast<size_t>(count));
    col += n;
  }
  void Fill(uint16_t colour, int n) {
    long long count;
    if (PIXEL* d = Span(n, &count)) std::fill(d, d + count, PIXEL(colour));
    col += n;
  }
  void RowSkip(int n) {
    row += n;
    col = 0;
  }
  void NextRow() {
    row += 1;
    col = 0;
  }
};

}  // namespace

bool DecodePackedStream(const uint8_t* data, size_t size, SURFACE* dst) {
  // Only a block of the plain layout takes the pixels; other kinds refuse.
  void* block = PlainBlock(dst);
  if (!block) return false;
  const PixelBlockHeader* h = BlockHeader(block);
  PIXEL** rows = BlockRows(block);
  // The key fill of the clip rectangle, kept inside the surface.
  const int left = std::max(h->clip_left, 0), right = std::min(h->clip_right, h->width);
  const int top = std::max(h->clip_top, 0), bottom = std::min(h->clip_bottom, h->height);
  for (int y = top; y < bottom && left < right; ++y)
    std::fill(rows[y] + left, rows[y] + right, PIXEL(COLOR_KEY));
  PlainDecoder decoder{rows, std::max(h->width, 0), std::max(h->height, 0)};
  return WalkPackedStream(data, size, decoder);
}

namespace {

void EmitCounted(std::vector<uint16_t>& out, unsigned op, long long n) {
  while (n > 0) {
    const int step = static_cast<int>(std::min<long long>(n, kPackMaxCount));
    out.push_back(PackWord(op, step));
    n -= step;
  }
}

}  // namespace

std::vector<uint16_t> EncodePackedStream(SURFACE* src) {
  std::vector<uint16_t> out;
  const int w = std::max(src->GetWidth(), 0), h = std::max(src->GetHeight(), 0);
  std::vector<uint16_t> row(static_cast<size_t>(w));
  long long empty_rows = 0;  // empty rows since the last row with pixels
  for (int y = 0; y < h; ++y) {
    bool empty = true;
    for (int x = 0; x < w; ++x) {
      row[x] = src->GetPixel(x, y);
      if (row[x] != COLOR_KEY) empty = false;
    }
    if (empty) {
      ++empty_rows;
      continue;
    }
    // Rows before the first drawn one are skipped from row 0; later empty
    // rows follow a next-row, so the cursor already stands on the first.
    if (empty_rows > 0) EmitCounted(out, kPackRowSkip, empty_rows);
    empty_rows = 0;
    int x = 0;
    while (x < w) {
      int end = x;
      if (row[x] == COLOR_KEY) {
        while (end < w && row[end] == COLOR_KEY) ++end;
        if (end == w) break;  // trailing transparency is not stored
        EmitCounted(out, kPackSkip, end - x);
        x = end;
        continue;
      }
      // An opaque stretch: runs of three or more equal pixels become fills,
      // the rest literals.
      while (end < w && row[end] != COLOR_KEY) ++end;
      int lit = x;
      for (int i = x; i < end;) {
        int j = i + 1;
        while (j < end && row[j] == row[i]) ++j;
        if (j - i >= 3) {
          for (int k = lit; k < i; k += kPackMaxCount) {
            const int n = std::min(kPackMaxCount, i - k);
            out.push_back(PackWord(kPackLiteral, n));
            out.insert(out.end(), row.begin() + k, row.begin() + k + n);
          }
          for (int k = i; k < j; k += kPackMaxCount) {
            out.push_back(PackWord(kPackFill, std::min(kPackMaxCount, j - k)));
            out.push_back(row[i]);
          }
          lit = j;
        }
        i = j;
      }
      for (int k = lit; k < end; k += kPackMaxCount) {
        const int n = std::min(kPackMaxCount, end - k);
        out.push_back(PackWord(kPackLiteral, n));
        out.insert(out.end(), row.begin() + k, row.begin() + k + n);
      }
      x = end;
    }
    out.push_back(PackWord(kPackNextRow, 0));
  }
  out.push_back(PackWord(kPackEnd, 0));
  return out;
}

std::vector<uint8_t> PackedStreamBytes(const std::vector<uint16_t>& words) {
  std::vector<uint8_t> bytes(words.size() * 2);
  for (size_t i = 0; i < words.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(words[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  return bytes;
}

}  // namespace tessera
