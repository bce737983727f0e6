#include "gui/map/opaque_runs.h"

#include <algorithm>
#include <cstring>

#include "engine/blit_clip.h"
#include "engine/cpu_features.h"
#include "engine/pixel_block.h"
#include "engine/simd.h"
#include "engine/surface.h"
#include "engine/wide_rows.h"

#if TESSERA_SSE2
#include <emmintrin.h>
#endif

namespace tessera {

namespace {

// Copies n >= 1 pixels.  Runs are short (a figure's row is tens of
// pixels), so a call into memcpy costs more than the copy: eight pixels at
// a time, the last eight overlapping the ones before (source and
// destination are different pictures, so the overlap writes the same
// values twice).
inline void CopyRun(PIXEL* dst, const PIXEL* src, int n) {
#if TESSERA_SSE2
  if (n >= 8) {
    int i = 0;
    for (; i + 8 <= n; i += 8)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
    if (i < n)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 8),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + n - 8)));
    return;
  }
  for (int i = 0; i < n; ++i) dst[i] = src[i];
#else
  std::memcpy(dst, src, static_cast<size_t>(n) * sizeof(PIXEL));
#endif
}

}  // namespace

bool OpaqueRuns::Describes(SURFACE* s) const {
  return s && s == surface_ && s->GetBitmap() == block_ && s->GetWidth() == width_ &&
         s->GetHeight() == height_;
}

bool OpaqueRuns::Build(SURFACE* s) {
  surface_ = nullptr;
  if (!s || s->GetStyle() != SS_DIB || !s->GetBitmap() || s->GetWidth() > 65535) return false;
  surface_ = s;
  block_ = s->GetBitmap();
  width_ = s->GetWidth();
  height_ = s->GetHeight();
  first_.assign(static_cast<size_t>(height_) + 1, 0);
  starts_.clear();
  lengths_.clear();
  PIXEL** rows = BlockRows(block_);
  for (int y = 0; y < height_; ++y) {
    first_[static_cast<size_t>(y)] = static_cast<uint32_t>(starts_.size());
    const uint16_t* row = reinterpret_cast<const uint16_t*>(rows[y]);
    for (int x = 0; x < width_;) {
      while (x < width_ && (row[x] & 0x8000)) ++x;
      const int start = x;
      while (x < width_ && !(row[x] & 0x8000)) ++x;
      if (x > start) {
        starts_.push_back(static_cast<uint16_t>(start));
        lengths_.push_back(static_cast<uint16_t>(x - start));
      }
    }
  }
  first_[static_cast<size_t>(height_)] = static_cast<uint32_t>(starts_.size());
  return true;
}

void OpaqueRuns::Draw(SURFACE* dst, int x, int y) const {
  void* dblock = dst ? dst->GetBitmap() : nullptr;
  if (!dblock || !surface_) return;
  BlitRect r;
  if (!ClipWholeBlit(*BlockHeader(dblock), width_, height_, x, y, &r)) return;
  PIXEL** srows = BlockRows(block_);
  PIXEL** drows = BlockRows(dblock);
  const int left = r.skip_x, right = r.skip_x + r.w;  // visible source columns
#if TESSERA_AVX2
  if (UseAvx512()) {
    CopySpansAvx512(drows + r.y, r.x, srows + r.skip_y, first_.data() + r.skip_y, starts_.data(),
                    lengths_.data(), r.h, left, right);
    return;
  }
#endif
  const bool whole = r.w == width_;  // no run needs cutting
  for (int j = 0; j < r.h; ++j) {
    const int sy = r.skip_y + j;
    const PIXEL* src = srows[sy];
    PIXEL* out = drows[r.y + j] + r.x;  // where source column `left` lands
    const uint32_t end = first_[static_cast<size_t>(sy) + 1];
    if (whole) {
      for (uint32_t k = first_[static_cast<size_t>(sy)]; k < end; ++k)
        CopyRun(out + starts_[k], src + starts_[k], lengths_[k]);
      continue;
    }
    for (uint32_t k = first_[static_cast<size_t>(sy)]; k < end; ++k) {
      if (starts_[k] >= right) break;
      const int a = std::max<int>(starts_[k], left);
      const int b = std::min<int>(starts_[k] + lengths_[k], right);
      if (a < b) CopyRun(out + (a - left), src + a, b - a);
    }
  }
}

}  // namespace tessera
