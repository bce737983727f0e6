#include "engine/surface.h"

#include <cstdlib>

#include "engine/blend_table.h"
#include "engine/pixel_block.h"
#include "engine/surface_kinds.h"
#include "public/error_report.h"

SURFACE::SURFACE(int width, int height) : m_nWidth(width), m_nHeight(height) { InitBlendTable(); }

SURFACE::~SURFACE() { std::free(m_pData); }

void* SURFACE::GetBitmap() { return m_pData; }

void SURFACE::SetAttachedSurface(SURFACE* surface, SURFACE_FLAG flag) {
  m_pAttachedSurface = surface;
  m_Flag = flag;
}

void SURFACE::DrawTextA(int, int, PIXEL, char*) {}

void SURFACE::GetClipper(tagRECT& rect) {
  rect.left = rect.top = rect.right = rect.bottom = 0;
  const void* block = tessera::SupportedBlock(this, __FILE__, __LINE__, tessera::BlockUse::kClip);
  if (!block) return;
  const PixelBlockHeader* h = static_cast<const PixelBlockHeader*>(block);
  rect.left = h->clip_left;
  rect.top = h->clip_top;
  rect.right = h->clip_right;
  rect.bottom = h->clip_bottom;
}

void SURFACE::SetClipper(const tagRECT& rect) {
  void* block = tessera::SupportedBlock(this, __FILE__, __LINE__, tessera::BlockUse::kClip);
  if (!block) return;
  PixelBlockHeader* h = tessera::BlockHeader(block);
  h->clip_left = rect.left;
  h->clip_top = rect.top;
  h->clip_right = rect.right;
  h->clip_bottom = rect.bottom;
}

namespace tessera {

namespace {
// A run-length kind has no rows to hand out; the packed alpha kind keeps a
// clip rectangle in the block header but no plain rows.
bool HasLayout(SURFACE* s, BlockUse use) {
  return HasPlainRows(s->GetStyle()) || (s->GetStyle() == SS_DLE && use == BlockUse::kClip);
}
}  // namespace

void* PlainBlock(SURFACE* s, BlockUse use) {
  if (!s || !s->GetBitmap() || !HasLayout(s, use)) return nullptr;
  return s->GetBitmap();
}

void* SupportedBlock(SURFACE* s, const char* file, int line, BlockUse use) {
  if (!s || !s->GetBitmap()) return nullptr;
  if (!HasLayout(s, use)) DebugOut("the function doesn't support.", file, line);
  return PlainBlock(s, use);
}

}  // namespace tessera
