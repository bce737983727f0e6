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
#include <climits>
#include <cstring>

#include "engine/cpu_features.h"
#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "engine/pixel_block.h"
#include "engine/simd.h"
#include "engine/wide_lanes.h"

#if TESSERA_AVX2
#include <immintrin.h>
#endif

namespace {

bool InRange(unsigned char b, int low, int high) { return b >= low && b <= high; }

// One clipped row of a glyph: every value other than COLOR_KEY is stored,
// narrowed to its 16-bit colour.
void InkRow(PIXEL* dst, const uint32_t* src, long long n) {
  for (long long i = 0; i < n; ++i)
    if (src[i] != COLOR_KEY) dst[i] = static_cast<unsigned short>(src[i]);
}

#if TESSERA_AVX2
// The same sixteen values a step (a 16-pixel glyph's row is one step): the
// values that are not the key become a store mask, and the masked store
// narrows them to 16 bits, so the row has no per-pixel branch.  Lanes past
// the row are masked off, read and written nowhere.
TESSERA_AVX512_FN void InkRowAvx512(PIXEL* dst, const uint32_t* src, long long n) {
  const __m512i key = _mm512_set1_epi32(COLOR_KEY);
  auto* d = reinterpret_cast<uint16_t*>(dst);
  for (long long i = 0; i < n; i += 16) {
    const __mmask16 lanes = tessera::LowLanes16(n - i);
    const __m512i v = _mm512_maskz_loadu_epi32(lanes, src + i);
    _mm512_mask_cvtepi32_storeu_epi16(d + i, _mm512_mask_cmpneq_epi32_mask(lanes, v, key), v);
  }
}
#endif

}  // namespace

void DIBSURFACE::DrawTextA(int x, int y, PIXEL colour, char* text) {
  const int size = tessera::CurrentFontSize();
  if (size != 12 && size != 16 && size != 24) return;
  stGlyphFont& font = tessera::FindGlyphFont(size, colour);
  if (!text || !m_pData) return;
  const PixelBlockHeader* hd = tessera::BlockHeader(m_pData);
  PIXEL** rows = tessera::BlockRows(m_pData);
  const int half = size / 2;
  void (*ink_row)(PIXEL*, const uint32_t*, long long) = InkRow;
#if TESSERA_AVX2
  if (tessera::UseAvx512()) ink_row = InkRowAvx512;
#endif
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
    // (64-bit: positions far outside the surface must not overflow.)
    const long long lx = x, ly = y;
    const long long cx0 = std::max<long long>(0, hd->clip_left - lx);
    const long long cx1 = std::min<long long>(g->width, hd->clip_right - lx);
    const long long cy0 = std::max<long long>(0, hd->clip_top - ly);
    const long long cy1 = std::min<long long>(g->height, hd->clip_bottom - ly);
    for (long long cy = cy0; cy < cy1 && cx0 < cx1; ++cy)
      ink_row(rows[ly + cy] + (lx + cx0), g->pixels + cy * g->width + cx0, cx1 - cx0);
    if (x > INT_MAX - size) return;  // the rest lies beyond any surface
    x += two ? size : half;
    i += two ? 2 : 1;
  }
}
