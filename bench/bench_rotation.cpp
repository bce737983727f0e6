// The rotated, bilinear-filtered blit: a 256 x 256 picture turned by 0.5 rad
// into an 800 x 600 frame.  SDL2 has no rotation; pixman's bilinear
// transformed composite is the peer, once on the engine's own 5-5-5 pixels
// and once on a8r8g8b8, the format its SIMD bilinear paths are written for
// (the source converted before timing, so pixman does only the rotation).
//
// Both sides sample the same points: pixman's transform is set up so that
// the centre of a destination pixel maps to the engine's source point plus
// half a pixel, which is where pixman's bilinear filter puts its sample.
// Before timing, every pixel the engine writes whose four neighbours lie
// inside the picture must match pixman's within two 5-bit steps per channel
// (pixman weighs with 7 fraction bits, the engine with 5, and both round
// twice).  The picture is
// made of steep ramps, so a wrong transform -- turned the other way, off by
// a pixel -- shows as large differences.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/pixel_block.h"

namespace {

constexpr int kW = 800, kH = 600, kRot = 256, kX = 272, kY = 172;
constexpr float kAngle = 0.5f;
constexpr uint16_t kUnwritten = 0x8000;  // never a result of the rotation

// Ramps of three steps a pixel, up to 30 and down again: smooth enough that
// the filters' rounding stays within a step, steep enough that a sample
// point one pixel off differs by three.
unsigned Ramp(int t) {
  const int phase = t % 20;
  return static_cast<unsigned>(phase <= 10 ? 3 * phase : 3 * (20 - phase));
}

uint16_t Gradient(int x, int y) {
  return static_cast<uint16_t>(Ramp(x) << 10 | Ramp(y) << 5 | Ramp(x + y + 5));
}

std::unique_ptr<DIBSURFACE> Dib(int w, int h, uint16_t (*paint)(int, int)) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  PIXEL** rows = tessera::BlockRows(s->GetBitmap());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows[y][x] = paint(x, y);
  return s;
}

uint16_t Unwritten(int, int) { return kUnwritten; }

DRAW_FX RotateFx() {
  DRAW_FX fx;
  fx.kind = FX_ROTATE;
  fx.angle = kAngle;
  return fx;
}

// The engine's mapping, for pixman: destination pixel (X, Y)'s top-left
// corner goes to source point (c(X - fx) - s(Y - fy), s(X - fx) + c(Y - fy)),
// where (fx, fy) is where the source's corner lands; pixman samples at its
// transform of (X + 0.5, Y + 0.5) less half a pixel.
struct Mapping {
  float c = std::cos(kAngle), s = std::sin(kAngle);
  float fx, fy;
  int left, top, right, bottom;  // the rotated picture's bounding box
  Mapping() {
    const float cx = kX + kRot / 2, cy = kY + kRot / 2;
    const float ax = kRot * c / 2, ay = -kRot * s / 2, bx = kRot * s / 2, by = kRot * c / 2;
    const float px[4] = {cx - ax - bx, cx + ax - bx, cx - ax + bx, cx + ax + bx};
    const float py[4] = {cy - ay - by, cy + ay - by, cy - ay + by, cy + ay + by};
    fx = px[0], fy = py[0];
    left = static_cast<int>(*std::min_element(px, px + 4));
    right = static_cast<int>(*std::max_element(px, px + 4));
    top = static_cast<int>(*std::min_element(py, py + 4));
    bottom = static_cast<int>(*std::max_element(py, py + 4));
  }
  pixman_transform_t Transform() const {
    pixman_transform_t t;
    const double tx = -c * (0.5 + fx) + s * (0.5 + fy) + 0.5,
                 ty = -s * (0.5 + fx) - c * (0.5 + fy) + 0.5;
    const double m[3][3] = {{c, -s, tx}, {s, c, ty}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) t.matrix[i][j] = pixman_double_to_fixed(m[i][j]);
    return t;
  }
  // Whether the source point of (X, Y) has whole neighbours on every side,
  // so that edge handling cannot differ.
  bool Interior(int x, int y) const {
    const float u = c * (x - fx) - s * (y - fy), v = s * (x - fx) + c * (y - fy);
    return u >= 1 && v >= 1 && u < kRot - 2 && v < kRot - 2;
  }
};

// pixman rotating the same picture in `format`; Get reads its result as 5-5-5.
struct PixmanRotation {
  pixman_format_code_t format;
  int bytes;
  std::vector<uint32_t> src, dst;
  pixman_image_t* src_image = nullptr;
  pixman_image_t* dst_image = nullptr;
  Mapping map;

  explicit PixmanRotation(pixman_format_code_t f) : format(f), bytes(PIXMAN_FORMAT_BPP(f) / 8) {
    src.assign(kRot * kRot * bytes / 4 + 1, 0);
    dst.assign(kW * kH * bytes / 4 + 1, 0);
    for (int y = 0; y < kRot; ++y)
      for (int x = 0; x < kRot; ++x) Put(src.data(), kRot, x, y, Gradient(x, y));
    src_image = pixman_image_create_bits(format, kRot, kRot, src.data(), kRot * bytes);
    dst_image = pixman_image_create_bits(format, kW, kH, dst.data(), kW * bytes);
    pixman_transform_t t = map.Transform();
    pixman_image_set_transform(src_image, &t);
    pixman_image_set_filter(src_image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  }
  ~PixmanRotation() {
    pixman_image_unref(src_image);
    pixman_image_unref(dst_image);
  }
  void Put(uint32_t* image, int w, int x, int y, uint16_t c) {
    if (bytes == 2) {
      reinterpret_cast<uint16_t*>(image)[y * w + x] = c;
    } else {
      auto wide = [](unsigned v) { return v << 3 | v >> 2; };
      image[y * w + x] =
          0xFF000000u | wide(c >> 10 & 31) << 16 | wide(c >> 5 & 31) << 8 | wide(c & 31);
    }
  }
  // The pixel as 5-5-5, or -1 where pixman left it partly covered.
  int Get(int x, int y) const {
    if (bytes == 2) return reinterpret_cast<const uint16_t*>(dst.data())[y * kW + x] & 0x7FFF;
    const uint32_t p = dst[y * kW + x];
    if (p >> 24 != 0xFF) return -1;
    return static_cast<int>((p >> 19 & 31) << 10 | (p >> 11 & 31) << 5 | (p >> 3 & 31));
  }
  void Run() {
    pixman_image_composite32(PIXMAN_OP_OVER, src_image, nullptr, dst_image, map.left, map.top, 0, 0,
                             map.left, map.top, map.right - map.left + 1, map.bottom - map.top + 1);
  }
};

// Counts the engine's interior pixels that differ from pixman's by more
// than two steps in a channel; -1 when too few pixels could be compared.
long Mismatches(PixmanRotation& peer) {
  auto src = Dib(kRot, kRot, Gradient);
  auto dst = Dib(kW, kH, Unwritten);
  DRAW_FX fx = RotateFx();
  src->Blit(dst.get(), kX, kY, fx);
  peer.Run();
  long bad = 0, compared = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint16_t ours = dst->GetPixel(x, y).GetColor();
      if (ours == kUnwritten || !peer.map.Interior(x, y)) continue;
      const int theirs = peer.Get(x, y);
      if (theirs < 0) continue;
      ++compared;
      for (int shift : {10, 5, 0})
        if (std::abs((ours >> shift & 31) - (theirs >> shift & 31)) > 2) {
          ++bad;
          break;
        }
    }
  return compared < kRot * kRot / 2 ? -1 : bad;
}

void Rotate_tessera(benchmark::State& state) {
  auto src = Dib(kRot, kRot, Gradient);
  auto dst = Dib(kW, kH, Unwritten);
  DRAW_FX fx = RotateFx();
  for (auto _ : state) {
    src->Blit(dst.get(), kX, kY, fx);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRot * kRot);
}

void Rotate_pixman(benchmark::State& state, pixman_format_code_t format) {
  PixmanRotation peer(format);
  const long bad = Mismatches(peer);
  if (bad != 0) {
    state.SkipWithError(
        bad < 0 ? "too few pixels to compare"
                : ("different picture from Tessera's: " + std::to_string(bad) + " pixels").c_str());
    return;
  }
  for (auto _ : state) {
    peer.Run();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRot * kRot);
}

void Rotate_memcpy(benchmark::State& state) {
  std::vector<uint16_t> a(kRot * kRot), b(kRot * kRot);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size() * 2);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRot * kRot);
}

BENCHMARK(Rotate_tessera)->Name("Rotate256/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Rotate_pixman, x1r5g5b5, PIXMAN_x1r5g5b5)
    ->Name("Rotate256/pixman-x1r5g5b5-bilinear-over")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Rotate_pixman, a8r8g8b8, PIXMAN_a8r8g8b8)
    ->Name("Rotate256/pixman-a8r8g8b8-bilinear-over")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Rotate_memcpy)->Name("Rotate256/memcpy")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
