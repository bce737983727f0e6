#include "engine/rle_mask_surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/rle_encoder.h"
#include "engine/rle_layout.h"
#include "public/error_report.h"

RLEMASKSURFACE::RLEMASKSURFACE(int width, int height) : SURFACE(width, height) {
  m_Style = SS_RLEMASK;
}

int RLEMASKSURFACE::Initialize() { return 1; }

int RLEMASKSURFACE::Initialize(SURFACE* src) {
  if (m_nBuilt) return 1;
  if (!src) return 0;
  std::vector<uint16_t> words;
  std::vector<size_t> starts;
  tessera::EncodeRunImage(src, m_nWidth, m_nHeight, false, &words, &starts);
  const size_t head = tessera::kRleTableOffset + sizeof(uint16_t*);
  void* block = std::malloc(head + 2 * words.size());
  if (!block) return 0;
  auto* h = static_cast<tessera::RleBlockHeader*>(block);
  h->width = m_nWidth;
  h->height = std::max(m_nHeight, 0);
  uint16_t* first = reinterpret_cast<uint16_t*>(static_cast<char*>(block) + head);
  if (!words.empty()) std::memcpy(first, words.data(), 2 * words.size());
  tessera::RleMaskStream(block) = first;
  std::free(m_pData);
  m_pData = block;
  m_nBuilt = 1;
  return 1;
}

// Rows follow one another without a table: row y starts after y
// terminators.
const unsigned short* RLEMASKSURFACE::RowHeaders(int y) const {
  const uint16_t* p = tessera::RleMaskStream(m_pData);
  for (int row = 0; row < y; ++p)
    if (*p == 0) ++row;
  return p;
}

int RLEMASKSURFACE::GetFirstLinePos() const {
  if (!m_pData) return m_nHeight;
  const uint16_t* p = tessera::RleMaskStream(m_pData);
  const int h = std::max(m_nHeight, 0);
  for (int y = 0; y < h; ++y, ++p)
    for (; *p != 0; ++p)
      if (tessera::RunCount(*p) > 0) return y;
  return h;
}

PIXEL RLEMASKSURFACE::GetPixel(int x, int y) {
  if (!m_pData || x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return COLOR_KEY;
  long long pos = 0;
  for (const uint16_t* p = RowHeaders(y); *p != 0; ++p) {
    pos += tessera::RunGap(*p);
    if (x < pos) break;
    pos += tessera::RunCount(*p);
    if (x < pos) return 0x7FFF;
  }
  return COLOR_KEY;
}

void RLEMASKSURFACE::Blit(SURFACE*, int, int) {
  DebugOut("the function doesn't support.4", __FILE__, __LINE__);
}

void RLEMASKSURFACE::SetPixel(int, int, PIXEL) {
  DebugOut("the function doesn't support.5", __FILE__, __LINE__);
}

void RLEMASKSURFACE::Blit(SURFACE*, int, int, int, int, int, int) {
  DebugOut("the function doesn't support.6", __FILE__, __LINE__);
}

void RLEMASKSURFACE::Blit(SURFACE*, int, int, DRAW_FX&) {
  DebugOut("the function doesn't support.7", __FILE__, __LINE__);
}
