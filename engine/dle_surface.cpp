#include "engine/dle_surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/alpha_rows.h"
#include "engine/blit_clip.h"
#include "engine/packed_stream.h"
#include "engine/pixel_block.h"
#include "public/error_report.h"

using tessera::BlockHeader;
using tessera::LoadLittle16;

namespace {

constexpr uint16_t kRowEnd = 0xFEFE;
constexpr uint16_t kEmptyRow = 0xFFFF;

uint8_t** RowTable(void* block) { return reinterpret_cast<uint8_t**>(tessera::BlockRows(block)); }

// True when the segments of data[0, size) end with the end mark inside it.
bool RowIsWellFormed(const uint8_t* data, size_t size) {
  size_t i = 0;
  for (;;) {
    if (size - i < 2) return false;
    if (LoadLittle16(data + i) == kRowEnd) return true;
    if (size - i < 4) return false;
    const size_t n = LoadLittle16(data + i + 2);
    if ((size - i - 4) / 3 < n) return false;
    i += 4 + 3 * n;
  }
}

void StoreLittle16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

uint64_t g_next_version = 0;

}  // namespace

DLESURFACE::DLESURFACE(int width, int height) : SURFACE(width, height) {
  m_Style = SS_DLE;
  const int h = std::max(height, 0);
  m_pData = std::calloc(1, tessera::RowsOffset(h));
  if (m_pData) {
    BlockHeader(m_pData)->width = width;
    BlockHeader(m_pData)->height = h;
  }
  Touch();
}

DLESURFACE::~DLESURFACE() { FreeRows(); }

void DLESURFACE::Touch() { m_nVersion = ++g_next_version; }

const uint8_t* DLESURFACE::GetRowData(int y) const {
  if (!m_pData || y < 0 || y >= BlockHeader(m_pData)->height) return nullptr;
  return RowTable(m_pData)[y];
}

void DLESURFACE::FreeRows() {
  if (!m_pData) return;
  for (int y = 0; y < BlockHeader(m_pData)->height; ++y) RowTable(m_pData)[y] = nullptr;
  std::free(m_pRowData);
  m_pRowData = nullptr;
  m_bFillPending = false;
}

int DLESURFACE::Initialize() { return 0; }

int DLESURFACE::Initialize(unsigned char* rows) {
  if (!rows || !m_pData) return 0;
  // Measure the rows by their counts, then read them as a sized buffer.
  size_t size = 0;
  for (int y = 0; y < BlockHeader(m_pData)->height; ++y) {
    const uint16_t count = LoadLittle16(rows + size);
    size += 2 + (count == kEmptyRow ? 0 : count);
  }
  return Initialize(static_cast<const uint8_t*>(rows), size);
}

int DLESURFACE::Initialize(const uint8_t* rows, size_t size) {
  if (!m_pData) return 0;
  FreeRows();
  Touch();
  // First every row is checked and the data measured, then copied into one
  // allocation in row order.
  const int height = BlockHeader(m_pData)->height;
  size_t i = 0, total = 0;
  for (int y = 0; y < height; ++y) {
    if (!rows || size - i < 2) return 0;
    const uint16_t count = LoadLittle16(rows + i);
    i += 2;
    if (count == kEmptyRow || count == 0) continue;
    if (size - i < count || !RowIsWellFormed(rows + i, count)) return 0;
    total += count;
    i += count;
  }
  if (total > 0) {
    m_pRowData = static_cast<uint8_t*>(std::malloc(total));
    if (!m_pRowData) return 0;
  }
  uint8_t* out = m_pRowData;
  i = 0;
  for (int y = 0; y < height; ++y) {
    const uint16_t count = LoadLittle16(rows + i);
    i += 2;
    if (count == kEmptyRow || count == 0) continue;
    std::memcpy(out, rows + i, count);
    RowTable(m_pData)[y] = out;
    out += count;
    i += count;
  }
  m_nBuilt = 1;
  return 1;
}

uint8_t* DLESURFACE::FindSegment(int x, int y, int* index) {
  if (!m_pData || x < 0 || y < 0 || x >= m_nWidth || y >= BlockHeader(m_pData)->height)
    return nullptr;
  uint8_t* p = RowTable(m_pData)[y];
  if (!p) return nullptr;
  for (uint16_t start; (start = LoadLittle16(p)) != kRowEnd;) {
    const int n = LoadLittle16(p + 2);
    if (x < start) return nullptr;
    if (x < start + n) {
      *index = x - start;
      return p;
    }
    p += 4 + 3 * static_cast<size_t>(n);
  }
  return nullptr;
}

PIXEL DLESURFACE::GetPixel(int x, int y) {
  int i;
  const uint8_t* seg = FindSegment(x, y, &i);
  if (!seg) return PIXEL(0);
  return m_bFillPending ? PIXEL(m_FillColour) : PIXEL(LoadLittle16(seg + 4 + 2 * i));
}

void DLESURFACE::SetPixel(int x, int y, PIXEL colour) {
  int i;
  uint8_t* seg = FindSegment(x, y, &i);
  if (!seg) return;
  ApplyFill();
  StoreLittle16(seg + 4 + 2 * i, colour);
  Touch();
}

void* DLESURFACE::GetBitmap() {
  ApplyFill();
  Touch();
  return m_pData;
}

unsigned char DLESURFACE::GetAlphaPixel(int x, int y) {
  int i;
  const uint8_t* seg = FindSegment(x, y, &i);
  return seg ? seg[4 + 2 * LoadLittle16(seg + 2) + i] : 32;
}

void DLESURFACE::PutAlphaPixel(int x, int y, unsigned char weight) {
  int i;
  if (uint8_t* seg = FindSegment(x, y, &i)) {
    seg[4 + 2 * LoadLittle16(seg + 2) + i] = weight;
    Touch();
  }
}

void DLESURFACE::FillRect(const PIXEL& colour) {
  if (!m_pData) return;
  m_bFillPending = true;
  m_FillColour = colour;
}

void DLESURFACE::ApplyFill() {
  if (!m_bFillPending || !m_pData) return;
  m_bFillPending = false;
  const uint16_t colour = m_FillColour;
  for (int y = 0; y < BlockHeader(m_pData)->height; ++y) {
    uint8_t* p = RowTable(m_pData)[y];
    if (!p) continue;
    while (LoadLittle16(p) != kRowEnd) {
      const int n = LoadLittle16(p + 2);
      for (int i = 0; i < n; ++i) StoreLittle16(p + 4 + 2 * i, colour);
      p += 4 + 3 * static_cast<size_t>(n);
    }
  }
}

// Each segment is cut to the visible columns [skip_x, skip_x + w) on its
// own, so segments out of order (damaged data) are drawn where they say.
void DLESURFACE::Blit(SURFACE* dst, int x, int y) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  tessera::BlitRect r;
  if (!tessera::ClipWholeBlit(*BlockHeader(dblock), m_nWidth, BlockHeader(m_pData)->height, x, y,
                              &r))
    return;
  PIXEL** drows = tessera::BlockRows(dblock);
  const int lo = r.skip_x, hi = r.skip_x + r.w;
  // The kernel is chosen once for the whole picture: equipment layers are
  // a few dozen pixels wide, so a blit is many short calls.
  const tessera::AlphaRowKernels kernels = tessera::PickAlphaRowKernels();
  const bool solid = m_bFillPending;
  const uint16_t colour = m_FillColour;
  for (int j = 0; j < r.h; ++j) {
    const uint8_t* p = RowTable(m_pData)[r.skip_y + j];
    if (!p) continue;
    uint16_t* d = reinterpret_cast<uint16_t*>(drows[r.y + j] + r.x);
    for (int start; (start = LoadLittle16(p)) != kRowEnd;) {
      const int n = LoadLittle16(p + 2);
      const int a = std::max(start, lo), b = std::min(start + n, hi);
      if (a < b) {
        const uint8_t* weights = p + 4 + 2 * n + (a - start);
        if (solid)
          kernels.solid(d + (a - lo), colour, weights, b - a);
        else
          kernels.blend(d + (a - lo), p + 4 + 2 * (a - start), weights, b - a);
      }
      p += 4 + 3 * static_cast<size_t>(n);
    }
  }
}

void DLESURFACE::Blit(SURFACE*, int, int, DRAW_FX&) {
  DebugOut("the function doesn't support.1", __FILE__, __LINE__);
}

void DLESURFACE::Blit(SURFACE*, int, int, int, int, int, int) {
  DebugOut("the function doesn't support.3", __FILE__, __LINE__);
}

namespace tessera {

DLESURFACE* LoadDleSurface(const uint8_t* data, size_t size) {
  if (!data || size < 4) return nullptr;
  auto* s = new (std::nothrow) DLESURFACE(LoadLittle16(data), LoadLittle16(data + 2));
  if (!s) return nullptr;
  if (!s->Initialize(data + 4, size - 4)) {
    delete s;
    return nullptr;
  }
  tagRECT all;
  all.left = all.top = 0;
  all.right = s->GetWidth();
  all.bottom = s->GetHeight();
  s->SetClipper(all);
  return s;
}

std::vector<uint8_t> EncodeDleImage(int w, int h, const uint16_t* colours, const uint8_t* weights) {
  std::vector<uint8_t> out;
  auto put16 = [&out](unsigned v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  put16(static_cast<unsigned>(w));
  put16(static_cast<unsigned>(h));
  for (int y = 0; y < h; ++y) {
    std::vector<uint8_t> row;
    const size_t base = static_cast<size_t>(y) * w;
    for (int x = 0; x < w;) {
      if (weights[base + x] >= 32) {
        ++x;
        continue;
      }
      int end = x;
      while (end < w && weights[base + end] < 32) ++end;
      row.push_back(static_cast<uint8_t>(x));
      row.push_back(static_cast<uint8_t>(x >> 8));
      row.push_back(static_cast<uint8_t>(end - x));
      row.push_back(static_cast<uint8_t>((end - x) >> 8));
      for (int i = x; i < end; ++i) {
        row.push_back(static_cast<uint8_t>(colours[base + i]));
        row.push_back(static_cast<uint8_t>(colours[base + i] >> 8));
      }
      for (int i = x; i < end; ++i) row.push_back(weights[base + i]);
      x = end;
    }
    if (row.empty()) {
      put16(kEmptyRow);
      continue;
    }
    row.push_back(0xFE);
    row.push_back(0xFE);
    put16(static_cast<unsigned>(row.size()));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace tessera
