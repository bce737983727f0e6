// DIBSURFACE::DrawTextA: GBK text in one colour, from the glyph cache.
//
// Each character is looked up in the cache entry of the current font size
// and the colour and rendered once when missing; drawing copies the glyph's
// ink pixels into the surface, clipped to its clip rectangle, exactly as
// SetPixel would.  A double-byte character advances the font size, a single
// byte half of it, though both occupy a full cell (so wide single-byte
// glyphs overlap their neighbour).  With a current font size other than 12,
// 16 or 24 nothing is drawn.
#include <algorithm>
#include <cstring>

#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "engine/pixel_block.h"

namespace {

bool InRange(unsigned char b, int low, int high) { return b >= low && b <= high; }

}  // namespace

void DIBSURFACE::DrawTextA(int x, int y, PIXEL colour, char* text) {
  const int size = tessera::CurrentFontSize();
  if (size != 12 && size != 16 && size != 24) return;
  stGlyphFont& font = tessera::FindGlyphFont(size, colour);
  if (!text || !m_pData) return;
  const PixelBlockHeader* hd = tessera::BlockHeader(m_pData);
  PIXEL** rows = tessera::BlockRows(m_pData);
  const int half = size / 2;
  const size_t length = std::strlen(text);
  for (size_t i = 0; i < length;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char n = static_cast<unsigned char>(text[i + 1]);  // the terminator at worst
    const bool two = (i + 1 < length && InRange(c, 161, 254) && InRange(n, 161, 254)) ||
                     (InRange(c, 129, 254) && InRange(n, 64, 254));
    const int code = two ? c * 256 + n : static_cast<signed char>(c);
    const stGlyph* g = tessera::FindGlyph(font, code, std::string_view(text + i, two ? 2 : 1));
    if (!g) return;
    // Only the rows and columns of the cell inside the clip rectangle.
    const int cx0 = std::max(0, hd->clip_left - x), cx1 = std::min(g->width, hd->clip_right - x);
    const int cy0 = std::max(0, hd->clip_top - y), cy1 = std::min(g->height, hd->clip_bottom - y);
    for (int cy = cy0; cy < cy1; ++cy) {
      const uint32_t* src = g->pixels + cy * g->width;
      PIXEL* dst = rows[y + cy] + x;
      for (int cx = cx0; cx < cx1; ++cx)
        if (src[cx] != COLOR_KEY) dst[cx] = static_cast<unsigned short>(src[cx]);
    }
    x += two ? size : half;
    i += two ? 2 : 1;
  }
}
