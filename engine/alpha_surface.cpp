#include "engine/alpha_surface.h"

#include <algorithm>
#include <cstdlib>

#include "engine/alpha_access.h"
#include "engine/alpha_rows.h"
#include "engine/blit_clip.h"
#include "engine/pixel_block.h"
#include "public/error_report.h"

using tessera::AlphaRow;
using tessera::BlockHeader;
using tessera::BlockRows;

ALPHASURFACE::ALPHASURFACE(int width, int height) : SURFACE(width, height) { m_Style = SS_ALPHA; }

int ALPHASURFACE::Initialize() {
  std::free(m_pData);
  m_pData = nullptr;
  const int32_t w = std::max(m_nWidth, 0), h = std::max(m_nHeight, 0);
  const long long pitch = 3LL * w + (w & 1);
  if (pitch <= INT32_MAX) m_pData = tessera::AllocatePixelBlock(w, h, static_cast<int32_t>(pitch));
  if (!m_pData) DebugOut("Can't create Alhpa Channel bitmap", __FILE__, __LINE__);
  // A new surface is colour 0 at weight 32 (fully transparent) everywhere:
  // drawn before anything is put on it, it shows nothing and never stale
  // memory.
  if (m_pData) tessera::ZeroFillAlphaBlock(m_pData, tessera::AlphaPlanes(this));
  return 1;
}

bool ALPHASURFACE::Inside(int x, int y) const {
  return m_pData && x >= 0 && y >= 0 && x < BlockHeader(m_pData)->width &&
         y < BlockHeader(m_pData)->height;
}

void ALPHASURFACE::SetPixel(int x, int y, PIXEL colour) {
  if (Inside(x, y)) BlockRows(m_pData)[y][x] = colour;
}

PIXEL ALPHASURFACE::GetPixel(int x, int y) {
  return Inside(x, y) ? BlockRows(m_pData)[y][x] : PIXEL(COLOR_KEY);
}

void ALPHASURFACE::PutAlphaPixel(int x, int y, char a) {
  if (Inside(x, y)) AlphaRow(m_pData, y)[x] = static_cast<uint8_t>(a == 31 ? 0 : 32 - a);
}

char ALPHASURFACE::GetAlphaPixel(int x, int y) {
  return static_cast<char>(Inside(x, y) ? AlphaRow(m_pData, y)[x] : 32);
}

void ALPHASURFACE::ZeroFill() {
  if (m_pData) tessera::ZeroFillAlphaBlock(m_pData, tessera::AlphaPlanes(this));
}

void ALPHASURFACE::FillRect(int left, int top, int right, int bottom, const PIXEL& colour) {
  if (!m_pData) return;
  const PixelBlockHeader* h = BlockHeader(m_pData);
  if (left == 0 && top == 0 && right == 0 && bottom == 0) {
    right = h->width;
    bottom = h->height;
  }
  const long long span = static_cast<long long>(right) - left;
  if (span < 2) return;
  const long long x0 = std::max(left, 0), x1 = std::min<long long>(left + (span & ~1LL), h->width);
  const int y0 = std::max(top, 0), y1 = std::min(bottom, h->height);
  for (int y = y0; y < y1 && x0 < x1; ++y)
    std::fill(BlockRows(m_pData)[y] + x0, BlockRows(m_pData)[y] + x1, colour);
}

void ALPHASURFACE::AlphaBlit(SURFACE* dst, int x, int y, int plane) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  tessera::BlitRect r;
  if (!tessera::ClipWholeBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r)) return;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  const size_t plane_offset = static_cast<size_t>(plane) * BlockHeader(m_pData)->width;
  // The kernel is picked once for all rows: short rows are common.
  const auto blend = tessera::PickAlphaRowKernels().blend;
  for (int j = 0; j < r.h; ++j)
    blend(reinterpret_cast<uint16_t*>(drows[r.y + j] + r.x),
          reinterpret_cast<const uint8_t*>(srows[r.skip_y + j] + r.skip_x),
          AlphaRow(m_pData, r.skip_y + j) + plane_offset + r.skip_x, r.w);
}

void ALPHASURFACE::Blit(SURFACE* dst, int x, int y) { AlphaBlit(dst, x, y, 0); }

void ALPHASURFACE::Blit(SURFACE* dst, int sx, int sy, int dx, int dy, int w, int h) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  tessera::BlitRect r;
  if (!tessera::ClipPartBlit(*BlockHeader(dblock), m_nWidth, m_nHeight, sx, sy, dx, dy, w, h, &r))
    return;
  PIXEL** srows = BlockRows(m_pData);
  PIXEL** drows = BlockRows(dblock);
  const auto blend = tessera::PickAlphaRowKernels().blend;
  for (int j = 0; j < r.h; ++j)
    blend(reinterpret_cast<uint16_t*>(drows[r.y + j] + r.x),
          reinterpret_cast<const uint8_t*>(srows[r.skip_y + j] + r.skip_x),
          AlphaRow(m_pData, r.skip_y + j) + r.skip_x, r.w);
}

void ALPHASURFACE::Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) {
  if (fx.kind == FX_ROTATE || fx.kind == FX_ROTATECOPY)
    tessera::RotateBlit(this, dst, x, y, fx.angle, fx.kind);
  else
    AlphaBlit(dst, x, y, 0);
}
