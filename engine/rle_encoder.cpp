#include "engine/rle_encoder.h"

#include <algorithm>

#include "engine/pixel_block.h"
#include "engine/surface.h"

namespace tessera {

namespace {

struct RunWriter {
  const uint16_t* row;
  bool with_pixels;
  std::vector<uint16_t>* out;

  // Writes the header (g, c) and, with pixels, the c pixels that end just
  // before column `end`.
  void Put(int g, int c, int end) {
    out->push_back(static_cast<uint16_t>(g << 8 | c));
    if (with_pixels) out->insert(out->end(), row + end - c, row + end);
  }
};

}  // namespace

void EncodeRunRow(const uint16_t* row, int width, bool with_pixels, std::vector<uint16_t>* out) {
  RunWriter wr{row, with_pixels, out};
  int g = 0, c = 0;
  bool in_run = false;
  for (int x = 0; x < width; ++x) {
    if (row[x] != COLOR_KEY) {
      in_run = true;
      if (++c == 255) {
        wr.Put(g, 255, x + 1);
        g = c = 0;
      }
    } else if (!in_run) {
      if (++g == 255) {
        wr.Put(255, 0, x + 1);
        g = 0;
      }
    } else {
      if (g != 0 || c != 0) wr.Put(g, c, x);
      g = 1;
      c = 0;
      in_run = false;
    }
  }
  if (in_run && c > 0) wr.Put(g, c, width);
  out->push_back(0);
}

void EncodeRunImage(SURFACE* src, int width, int height, bool with_pixels,
                    std::vector<uint16_t>* out, std::vector<size_t>* row_starts) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  std::vector<uint16_t> line(static_cast<size_t>(width));
  void* block = src->GetBitmap();
  const SURFACE_STYLE style = src->GetStyle();
  const bool plain = block && (style == SS_DIB || style == SS_ALPHA || style == SS_DOUBLEALPHA);
  const int src_w = plain ? BlockHeader(block)->width : 0;
  const int src_h = plain ? BlockHeader(block)->height : 0;
  for (int y = 0; y < height; ++y) {
    if (plain) {
      const int n = y < src_h ? std::min(width, src_w) : 0;
      if (n > 0)
        std::copy_n(reinterpret_cast<const uint16_t*>(BlockRows(block)[y]), n, line.begin());
      std::fill(line.begin() + n, line.end(), COLOR_KEY);
    } else {
      for (int x = 0; x < width; ++x) line[x] = src->GetPixel(x, y);
    }
    row_starts->push_back(out->size());
    EncodeRunRow(line.data(), width, with_pixels, out);
  }
}

}  // namespace tessera
