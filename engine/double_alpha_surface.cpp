#include "engine/double_alpha_surface.h"

#include <algorithm>
#include <cstdlib>

#include "engine/alpha_access.h"
#include "engine/pixel_block.h"
#include "public/error_report.h"

DOUBLEALPHASURFACE::DOUBLEALPHASURFACE(int width, int height) : ALPHASURFACE(width, height) {
  m_Style = SS_DOUBLEALPHA;
}

int DOUBLEALPHASURFACE::Initialize() {
  std::free(m_pData);
  m_pData = nullptr;
  const int32_t w = std::max(m_nWidth, 0), h = std::max(m_nHeight, 0);
  if (4LL * w <= INT32_MAX) m_pData = tessera::AllocatePixelBlock(w, h, 4 * w);
  if (!m_pData) DebugOut("Can't create Alhpa Channel bitmap", __FILE__, __LINE__);
  // A new surface is colour 0 at weight 32 (fully transparent) everywhere:
  // drawn before anything is put on it, it shows nothing and never stale
  // memory.
  if (m_pData) tessera::ZeroFillAlphaBlock(m_pData, tessera::AlphaPlanes(this));
  PixelBlockHeader* hd = tessera::BlockHeader(m_pData);
  hd->clip_left = hd->clip_top = hd->clip_right = hd->clip_bottom = 0;
  return 1;
}

void DOUBLEALPHASURFACE::PutAlphaPixel(int x, int y, char a) {
  if (!Inside(x, y)) return;
  uint8_t* weights = tessera::AlphaRow(m_pData, y);
  const int a2 = a == 31 ? 32 : a;
  weights[x] = static_cast<uint8_t>(a == 31 ? 0 : 32 - a);
  weights[tessera::BlockHeader(m_pData)->width + x] = static_cast<uint8_t>(32 - a2 / 3);
}

char DOUBLEALPHASURFACE::GetSecondAlphaPixel(int x, int y) {
  if (!Inside(x, y)) return 32;
  return static_cast<char>(tessera::AlphaRow(m_pData, y)[tessera::BlockHeader(m_pData)->width + x]);
}

void DOUBLEALPHASURFACE::Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) {
  if (fx.kind == FX_SECONDALPHA) AlphaBlit(dst, x, y, 1);
}
