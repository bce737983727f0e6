#include "engine/rle_surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/blit_clip.h"
#include "engine/cpu_features.h"
#include "engine/packed_stream.h"
#include "engine/pixel_block.h"
#include "engine/rle_encoder.h"
#include "engine/rle_layout.h"
#include "engine/run_rows.h"
#include "engine/wide_rows.h"
#include "public/error_report.h"

using tessera::RleRowTable;
using tessera::RleWords;

namespace {

// One block: header, row table, `words` run words; its size in *bytes.
// Null when the size does not fit or malloc fails.
void* AllocateRleBlock(int width, int height, uint64_t words, size_t* bytes) {
  const uint64_t table = tessera::RleHeadBytes(height);
  if (words > (std::numeric_limits<size_t>::max() - table) / 2) return nullptr;
  *bytes = static_cast<size_t>(table + 2 * words);
  void* block = std::malloc(*bytes);
  if (!block) return nullptr;
  auto* h = static_cast<tessera::RleBlockHeader*>(block);
  h->width = width;
  h->height = height;
  return block;
}

// Turns stream operations into run lists, in one walk, into a working
// buffer that grows as needed (a pending run's pixels are written before a
// row skip may drop them again).  Positions are those the stored headers
// give: a gap keeps its low 8 bits.  Pixels at or beyond the width and rows
// at or beyond the height are dropped.
struct StreamRunBuilder {
  long long width, height;
  uint16_t* out = nullptr;  // the working buffer, cap words
  uint64_t cap = 0;
  bool failed = false;  // the buffer could not grow
  uint64_t words = 0;   // words produced so far
  long long row = 0;
  long long pos = 0;  // row position after the written headers
  unsigned gap = 0;   // pending gap, low 8 bits
  bool in_run = false;
  uint64_t header = 0;      // index of the open run's header word
  long long run_start = 0;  // position of the open run's first pixel
  int count = 0;            // pixels under the open header
  uint64_t run_mark = 0;    // words before the pending run (to drop it)

  StreamRunBuilder(long long w, long long h) : width(w), height(h) {}
  ~StreamRunBuilder() { std::free(out); }
  StreamRunBuilder(const StreamRunBuilder&) = delete;
  StreamRunBuilder& operator=(const StreamRunBuilder&) = delete;

  // Room for `more` further words; false (and failed set) when there is
  // no memory for it.
  bool Reserve(uint64_t more) {
    if (failed) return false;
    const uint64_t need = words + more;
    if (need <= cap) return true;
    const uint64_t grown = std::max<uint64_t>({need, cap * 2, 1024});
    void* p =
        grown < (uint64_t{1} << 40) ? std::realloc(out, static_cast<size_t>(grown) * 2) : nullptr;
    if (!p) {
      failed = true;
      return false;
    }
    out = static_cast<uint16_t*>(p);
    cap = grown;
    return true;
  }

  bool RowVisible() const { return row < height; }
  void CloseHeader() {
    if (count > 0) {
      out[header] = static_cast<uint16_t>(gap << 8 | count);
      pos = run_start + count;
    } else {
      words = header;  // an empty header slot is taken back
    }
  }
  void Flush() {
    if (!in_run) return;
    CloseHeader();
    in_run = false;
    gap = 0;
    count = 0;
  }
  // Opens a header slot for pixels that start at run_start.
  void OpenHeader() {
    header = words++;
    count = 0;
  }
  // Appends n pixels of the current run, in pieces that end at the width
  // or at a full run of 255; copy(dst, first, k) writes the op's pixels
  // [first, first + k).
  template <class Copy>
  void AddPixels(int n, Copy copy) {
    if (!RowVisible()) return;
    // The pieces and a header slot for every 255 pixels.
    if (!Reserve(static_cast<uint64_t>(n) + n / 255 + 2)) return;
    if (!in_run) {
      in_run = true;
      run_mark = words;
      run_start = pos + gap;
      OpenHeader();
    }
    for (int i = 0; i < n;) {
      const long long room = width - (run_start + count);
      if (room <= 0) break;  // the rest of the row is outside
      const int k = static_cast<int>(std::min<long long>(std::min(n - i, 255 - count), room));
      copy(out + words, i, k);
      words += static_cast<uint64_t>(k);
      count += k;
      i += k;
      if (count == 255) {
        CloseHeader();
        gap = 0;
        run_start += 255;
        OpenHeader();
      }
    }
  }
  // Ends n rows from the current one: terminators for those inside the
  // surface.
  void EndRows(long long n) {
    const long long visible = std::clamp<long long>(height - row, 0, n);
    if (!Reserve(static_cast<uint64_t>(visible))) return;
    for (long long i = 0; i < visible; ++i) out[words++] = 0;
    row += n;
    if (n > 0) pos = 0;
  }

  void Skip(int n) {
    Flush();
    gap = (gap + static_cast<unsigned>(n)) & 0xFF;
  }
  void Literal(const uint8_t* w, int n) {
    AddPixels(n, [w](uint16_t* dst, int first, int k) {
      tessera::CopyLittleWords(reinterpret_cast<PIXEL*>(dst), w + 2 * first,
                               static_cast<size_t>(k));
    });
  }
  void Fill(uint16_t colour, int n) {
    AddPixels(n, [colour](uint16_t* dst, int, int k) { std::fill_n(dst, k, colour); });
  }
  void RowSkip(int n) {
    // The stream gives a row skip only where no run is pending; one that is
    // is dropped with its pixels.
    if (in_run) words = run_mark;
    in_run = false;
    gap = 0;
    count = 0;
    EndRows(n);
  }
  void NextRow() {
    Flush();
    gap = 0;
    EndRows(1);
  }
  void Finish() {
    Flush();
    if (row < height) EndRows(height - row);
  }
};

}  // namespace

RLESURFACE::RLESURFACE(int width, int height) : SURFACE(width, height) { m_Style = SS_RLE; }

int RLESURFACE::Initialize() { return 1; }

int RLESURFACE::Initialize(SURFACE* src) {
  if (m_nBuilt) return 1;
  if (!src) return 0;
  const int h = std::max(m_nHeight, 0);
  std::vector<uint16_t> words;
  std::vector<size_t> starts;
  tessera::EncodeRunImage(src, m_nWidth, h, true, &words, &starts);
  size_t bytes = 0;
  void* block = AllocateRleBlock(m_nWidth, h, words.size(), &bytes);
  if (!block) return 0;
  uint16_t* first = RleWords(block, h);
  if (!words.empty()) std::memcpy(first, words.data(), words.size() * 2);
  for (int y = 0; y < h; ++y) RleRowTable(block)[y] = first + starts[y];
  return Adopt(block, bytes);
}

int RLESURFACE::Initialize(unsigned short* stream) {
  if (m_nBuilt) return 1;
  if (!stream) return 0;
  return Initialize(reinterpret_cast<const uint8_t*>(stream), tessera::PackedStreamLength(stream));
}

int RLESURFACE::Initialize(const uint8_t* data, size_t size) {
  if (m_nBuilt) return 1;
  const int h = std::max(m_nHeight, 0);
  StreamRunBuilder builder(std::max(m_nWidth, 0), h);
  if (!tessera::WalkPackedStream(data, size, builder)) return 0;
  builder.Finish();
  if (builder.failed) return 0;
  size_t bytes = 0;
  void* block = AllocateRleBlock(m_nWidth, h, builder.words, &bytes);
  if (!block) return 0;
  uint16_t* p = RleWords(block, h);
  if (builder.words) std::memcpy(p, builder.out, static_cast<size_t>(builder.words) * 2);
  // Every row ends with its terminator, so the rows are found by walking.
  for (int y = 0; y < h; ++y) {
    RleRowTable(block)[y] = p;
    while (*p != 0) p += 1 + tessera::RunCount(*p);
    ++p;
  }
  return Adopt(block, bytes);
}

RLESURFACE::~RLESURFACE() { ReleaseBlock(); }

void RLESURFACE::ReleaseBlock() {
  if (m_pShared)
    m_pShared.reset();
  else
    std::free(m_pData);
  m_pData = nullptr;
}

int RLESURFACE::Adopt(void* block, size_t bytes) {
  ReleaseBlock();
  m_pData = block;
  m_nBytes = bytes;
  m_nBuilt = 1;
  NoteRowShape();
  return 1;
}

void RLESURFACE::NoteRowShape() {
  m_bOneRunRows = true;
  uint16_t** rows = RleRowTable(m_pData);
  const int h = std::max(m_nHeight, 0);
  for (int y = 0; y < h && m_bOneRunRows; ++y) {
    const uint16_t* p = rows[y];
    if (*p != 0) p += 1 + tessera::RunCount(*p);
    m_bOneRunRows = *p == 0;
  }
  m_nRowStride = 0;
  if (m_bOneRunRows && h == 1) m_nRowStride = tessera::RunListWords(rows[0]);
  if (m_bOneRunRows && h > 1 && rows[1] > rows[0]) {
    m_nRowStride = static_cast<size_t>(rows[1] - rows[0]);
    for (int y = 2; y < h && m_nRowStride; ++y)
      if (rows[y] - rows[y - 1] != rows[1] - rows[0]) m_nRowStride = 0;
  }
}

void RLESURFACE::Prefetch() const {
  // A block placed together with others is read right after the one
  // before it, which the processor's own prefetching streams in; asking
  // for it as well only fills the queue of reads the draw itself waits on.
  if (m_pShared) return;
  // The first 4 KB: a button's or a figure's whole block.  Of a larger
  // picture, by the time its rows beyond are reached, the processor's own
  // prefetching follows the stream.
  const char* b = static_cast<const char*>(m_pData);
  const size_t n = std::min<size_t>(m_nBytes, 4096);
  for (size_t o = 0; o < n; o += 64) __builtin_prefetch(b + o);
}

// A header with a count of 0 (a long gap) is not a run.
int RLESURFACE::GetFirstLinePos() const {
  if (!m_pData) return m_nHeight;
  const int h = std::max(m_nHeight, 0);
  for (int y = 0; y < h; ++y)
    for (const uint16_t* p = RleRowTable(m_pData)[y]; *p != 0; p += 1 + tessera::RunCount(*p))
      if (tessera::RunCount(*p) > 0) return y;
  return h;
}

void RLESURFACE::SetPixel(int, int, PIXEL) {
  DebugOut("the function doesn't support.2", __FILE__, __LINE__);
}

void RLESURFACE::Blit(SURFACE*, int, int, int, int, int, int) {
  DebugOut("the function doesn't support.3", __FILE__, __LINE__);
}

PIXEL RLESURFACE::GetPixel(int x, int y) {
  if (!m_pData || x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return COLOR_KEY;
  long long pos = 0;
  for (const uint16_t* p = RleRowTable(m_pData)[y]; *p != 0;) {
    const int count = tessera::RunCount(*p);
    pos += tessera::RunGap(*p);
    if (x < pos) return COLOR_KEY;
    if (x < pos + count) return p[1 + (x - pos)];
    pos += count;
    p += 1 + count;
  }
  return COLOR_KEY;
}

// Walks the visible rows and hands each visible piece of a run to
// op(dst, src, n).  Runs never reach past the width (both builders see to
// it), so an unclipped row places every run as it is.
template <class RunOp>
void RLESURFACE::DrawRuns(SURFACE* dst, int x, int y, RunOp op) {
  void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
  if (!dblock || !m_pData) return;
  tessera::BlitRect r;
  if (!tessera::ClipWholeBlit(*tessera::BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r)) return;
  PIXEL** drows = tessera::BlockRows(dblock);
  uint16_t** rows = RleRowTable(m_pData);
  if (r.w == m_nWidth) {
    for (int j = 0; j < r.h; ++j) {
      uint16_t* d = reinterpret_cast<uint16_t*>(drows[r.y + j] + r.x);
      const uint16_t* p = rows[r.skip_y + j];
      for (uint16_t hd; (hd = *p) != 0;) {
        const int count = hd & 0xFF;
        d += hd >> 8;
        op(d, p + 1, count);
        d += count;
        p += 1 + count;
      }
    }
    return;
  }
  const int lo = r.skip_x, hi = r.skip_x + r.w;
  for (int j = 0; j < r.h; ++j) {
    uint16_t* d = reinterpret_cast<uint16_t*>(drows[r.y + j] + r.x);
    const uint16_t* p = rows[r.skip_y + j];
    int pos = 0;
    for (uint16_t hd; (hd = *p) != 0;) {
      const int count = hd & 0xFF;
      pos += hd >> 8;
      if (pos >= hi) break;
      const int a = std::max(pos, lo), b = std::min(pos + count, hi);
      if (a < b) op(d + (a - lo), p + 1 + (a - pos), b - a);
      pos += count;
      p += 1 + count;
    }
  }
}

void RLESURFACE::Blit(SURFACE* dst, int x, int y) {
#if TESSERA_AVX2
  // The same walk in one function with 512-bit run moves.
  if (tessera::UseAvx512()) {
    void* dblock = tessera::SupportedBlock(dst, __FILE__, __LINE__);
    if (!dblock || !m_pData) return;
    tessera::BlitRect r;
    if (!tessera::ClipWholeBlit(*tessera::BlockHeader(dblock), m_nWidth, m_nHeight, x, y, &r))
      return;
    PIXEL** drows = tessera::BlockRows(dblock) + r.y;
    uint16_t** rows = RleRowTable(m_pData) + r.skip_y;
    if (r.w == m_nWidth && m_nRowStride)
      tessera::DrawEvenOneRunRowsAvx512(drows, r.x, rows[0], m_nRowStride, r.h);
    else if (r.w == m_nWidth && m_bOneRunRows)
      tessera::DrawOneRunRowsAvx512(drows, r.x, rows, r.h);
    else if (r.w == m_nWidth)
      tessera::DrawRunRowsAvx512(drows, r.x, rows, r.h);
    else
      tessera::DrawRunRowsClippedAvx512(drows, r.x, rows, r.h, r.skip_x, r.skip_x + r.w);
    return;
  }
#endif
  DrawRuns(dst, x, y, tessera::CopyRun);
}

void RLESURFACE::TransBlit(SURFACE* dst, int x, int y, int level) {
  const int a = std::max(32 - level, 0);
  DrawRuns(dst, x, y, [a](uint16_t* d, const uint16_t* s, int n) { tessera::MixRun(d, s, n, a); });
}

void RLESURFACE::Blit(SURFACE* dst, int x, int y, DRAW_FX& fx) {
  if (fx.kind == FX_TRANS) TransBlit(dst, x, y, fx.level);
}
