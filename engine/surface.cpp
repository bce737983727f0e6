#include "engine/surface.h"

#include <cstdlib>

#include "engine/blend_table.h"
#include "engine/pixel_block.h"

SURFACE::SURFACE(int width, int height) : m_nWidth(width), m_nHeight(height) { InitBlendTable(); }

SURFACE::~SURFACE() { std::free(m_pData); }

void* SURFACE::GetBitmap() { return m_pData; }

void SURFACE::SetAttachedSurface(SURFACE* surface, SURFACE_FLAG flag) {
  m_pAttachedSurface = surface;
  m_Flag = flag;
}

void SURFACE::DrawTextA(int, int, PIXEL, char*) {}

void SURFACE::GetClipper(tagRECT& rect) {
  const PixelBlockHeader* h = tessera::BlockHeader(m_pData);
  rect.left = h->clip_left;
  rect.top = h->clip_top;
  rect.right = h->clip_right;
  rect.bottom = h->clip_bottom;
}

void SURFACE::SetClipper(const tagRECT& rect) {
  PixelBlockHeader* h = tessera::BlockHeader(m_pData);
  h->clip_left = rect.left;
  h->clip_top = rect.top;
  h->clip_right = rect.right;
  h->clip_bottom = rect.bottom;
}
