#include "engine/dib_surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/blit_clip.h"
#include "engine/cpu_features.h"
#include "engine/pixel_block.h"
#include "engine/pixel_rows.h"
#include "engine/rle_layout.h"
#include "engine/run_rows.h"
#include "engine/wide_rows.h"
#include "public/error_report.h"

using tessera::BlitRect;
using tessera::BlockHeader;
using tessera::BlockRows;

DIBSURFACE::DIBSURFACE(int width, int height) : SURFACE(width, height) { m_Style = SS_DIB; }

int DIBSURFACE::Initialize() {
  std::free(m_pData);
  m_pData = nullptr;
  // A negative size has no pixels to hold; it still gets a valid, empty
  // block so that every operation on it is a harmless no-op.
  int32_t w = std::max(m_nWidth, 0), h = std::max(m_nHeight, 0);
  m_pData = tessera::AllocatePixelBlock(w, h, 2 * tessera::PlainStride(w));
  if (!m_pData) DebugOut("Can't create bitmap", __FILE__, __LINE__);
  // A new surface is all key colour, padding included: drawn before
  // anything is put on it, it shows nothing and never stale memory, so
  // every result is deterministic.
  if (!m_pData) return 1;
  PIXEL** rows = BlockRows(m_pData);
  for (int32_t y = 0; y < h; ++y) tessera::FillRow(rows[y], tessera::PlainStride(w), COLOR_KEY);
  return 1;
}

void DIBSURFACE::SetPixel(int x, int y, PIXEL colour) {
  PixelBlockHeader* hd = BlockHeader(m_pData);
  if (x >= hd->clip_left && x < hd->clip_right && y >= hd->clip_top && y < hd->clip_bottom)
    BlockRows(m_pData)[y][x] = colour;
}

PIXEL DIBSURFACE::GetPixel(int x, int y) {
  PixelBlockHeader* hd = BlockHeader(m_pData);
  if (x < 0 || y < 0 || x >= hd->width || y >= hd->height) return COLOR_KEY;
  return BlockRows(m_pData)[y][x];
}

void DIBSURFACE::Blit(SURFACE* dst, int x, int y) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  BlitRect r;
  if (!tessera::ClipWholeBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r)) return;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
#if TESSERA_AVX2
  if (tessera::UseAvx512()) {
    tessera::KeyedCopyRectAvx512(drows + r.y, r.x, srows + r.skip_y, r.skip_x, r.w, r.h);
    return;
  }
#endif
  for (int j = 0; j < r.h; ++j)
    tessera::KeyedCopyRow(drows[r.y + j] + r.x, srows[r.skip_y + j] + r.skip_x, r.w);
}

void DIBSURFACE::Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  BlitRect r;
  if (!tessera::ClipPartBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, sx, sy, dx, dy, w, h, &r))
    return;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  // memmove when a surface copies a part of itself onto itself.  Between
  // two surfaces the rows cannot overlap, and the inline run copy saves a
  // library call per row: tile parts are rows of a few dozen pixels, where
  // the call costs more than the copy.
  if (dblock == m_pData) {
    for (int j = 0; j < r.h; ++j)
      std::memmove(drows[r.y + j] + r.x, srows[r.skip_y + j] + r.skip_x,
                   static_cast<size_t>(r.w) * 2);
    return;
  }
#if TESSERA_AVX2
  if (tessera::UseAvx512()) {
    tessera::CopyRectAvx512(drows + r.y, r.x, srows + r.skip_y, r.skip_x, r.w, r.h);
    return;
  }
#endif
  for (int j = 0; j < r.h; ++j)
    tessera::CopyRun(drows[r.y + j] + r.x, srows[r.skip_y + j] + r.skip_x, r.w);
}

void DIBSURFACE::Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) {
  switch (fx.kind) {
    case FX_FILL:
      WholeFill(fx.colour);
      break;
    case FX_TRANS:
      TransBlit(dst, x, y, fx.level);
      break;
    case FX_MOSAIC:
      if (fx.size >= 1) MosaicBlit(dst, x, y, fx.size);
      break;
    case FX_MIRROR:
      MirrorBlit(dst, x, y);
      break;
    case FX_MASK:
      MaskBlit(dst, x, y);
      break;
    case FX_ROTATE:
    case FX_ROTATECOPY:
      tessera::RotateBlit(this, dst, x, y, fx.angle, fx.kind);
      break;
    case FX_RECTFILL:
      RectFill(x, y, fx.width, fx.height, fx.colour);
      break;
    default:
      break;
  }
}

// Fills this surface's clip rectangle.  A clip rectangle of no height still
// gets one row, as the engine always has; that row is only written where it
// lies inside the surface.
void DIBSURFACE::WholeFill(PIXEL colour) {
  PixelBlockHeader* hd = BlockHeader(m_pData);
  int left = std::max(hd->clip_left, 0), right = std::min(hd->clip_right, hd->width);
  int top = hd->clip_top;
  int bottom = std::max(hd->clip_bottom, top + 1);
  top = std::max(top, 0);
  bottom = std::min(bottom, hd->height);
  if (left >= right) return;
  PIXEL** rows = BlockRows(m_pData);
  for (int y = top; y < bottom; ++y) tessera::FillRow(rows[y] + left, right - left, colour);
}

// Fills (x, y, w, h) by making it the clip rectangle for one WholeFill; the
// clip rectangle is the whole surface afterwards, whatever it was before.
// WholeFill keeps the fill inside the surface.
void DIBSURFACE::RectFill(int x, int y, int w, int h, PIXEL colour) {
  if (x < 0 || y < 0 || w < 0 || h < 0) return;
  PixelBlockHeader* hd = BlockHeader(m_pData);
  hd->clip_left = x;
  hd->clip_top = y;
  hd->clip_right =
      static_cast<int32_t>(std::min<long long>(static_cast<long long>(x) + w, hd->width));
  hd->clip_bottom =
      static_cast<int32_t>(std::min<long long>(static_cast<long long>(y) + h, hd->height));
  WholeFill(colour);
  hd->clip_left = 0;
  hd->clip_top = 0;
  hd->clip_right = hd->width;
  hd->clip_bottom = hd->height;
}

void DIBSURFACE::TransBlit(SURFACE* dst, int x, int y, int level) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  BlitRect r;
  if (!tessera::ClipWholeBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r)) return;
  // Only the lower limit is applied: a level above 32 acts as 32, while a
  // negative level gives a weight above 32, which the 16-bit mix wraps as
  // it always has.
  const int a = std::max(32 - level, 0);
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  tessera::TransMixRect(drows + r.y, r.x, srows + r.skip_y, r.skip_x, r.w, r.h, a);
}

void DIBSURFACE::MosaicBlit(SURFACE* dst, int x, int y, int n) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  BlitRect r;
  if (!tessera::ClipWholeBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r)) return;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  const int across = r.w / n, down = r.h / n;
  for (int by = 0; by < down; ++by) {
    for (int bx = 0; bx < across; ++bx) {
      const PIXEL p = srows[r.skip_y + by * n][r.skip_x + bx * n];
      if (p == COLOR_KEY) continue;
      for (int j = 0; j < n; ++j) {
        PIXEL* row = drows[r.y + by * n + j] + r.x + bx * n;
        tessera::FillRow(row, n, p);
      }
    }
  }
}

void DIBSURFACE::MirrorBlit(SURFACE* dst, int x, int y) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  BlitRect r;
  if (!tessera::ClipWholeBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r)) return;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  for (int j = 0; j < r.h; ++j) {
    const PIXEL* s = srows[r.skip_y + j] + r.skip_x;
    PIXEL* d = drows[r.y + j] + r.x;
    for (int i = 0; i < r.w; ++i) {
      const PIXEL p = s[r.w - 1 - i];
      if (p != COLOR_KEY) d[i] = p;
    }
  }
}

// Draws the pixels the attached run-length mask marks as opaque.  Visible
// row j of the blit pairs with the mask's row j (the mask is walked from its
// first row even when the top is clipped) and with source row skip_y + j;
// positions along a row are counted from the clipped origin.  Every write is
// kept inside the destination's clip rectangle and every read inside this
// surface, so a badly placed mask can lose pixels but never touch memory
// outside the blocks.
void DIBSURFACE::MaskBlit(SURFACE* dst, int x, int y) {
  SURFACE* mask = m_pAttachedSurface;
  if (!mask || !mask->GetBitmap()) return;
  const bool with_pixels = mask->GetStyle() == SS_RLE;
  if (!with_pixels && mask->GetStyle() != SS_RLEMASK) return;
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  const PixelBlockHeader* dh = BlockHeader(dblock);
  BlitRect r;
  if (!tessera::ClipWholeBlit(*dh, m_nWidth, m_nHeight, x, y, &r)) return;
  void* mblock = mask->GetBitmap();
  const int mask_rows = static_cast<tessera::RleBlockHeader*>(mblock)->height;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  const uint16_t* run = with_pixels ? nullptr : tessera::RleMaskStream(mblock);
  const int rows = std::min(r.h, mask_rows);
  for (int j = 0; j < rows; ++j) {
    if (with_pixels) run = tessera::RleRowTable(mblock)[j];
    const PIXEL* s = srows[r.skip_y + j];
    PIXEL* d = drows[r.y + j];
    long long pos = 0;
    for (uint16_t header; (header = *run++) != 0;) {
      pos += tessera::RunGap(header);
      const int count = tessera::RunCount(header);
      for (int i = 0; i < count; ++i) {
        const long long sxp = r.skip_x + pos + i, dxp = r.x + pos + i;
        if (sxp < m_nWidth && dxp >= dh->clip_left && dxp < dh->clip_right) d[dxp] = s[sxp];
      }
      pos += count;
      if (with_pixels) run += count;
    }
  }
}
