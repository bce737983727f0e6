// The plain surface's inner loops -- keyed blit, translucent blit, part
// copy, fill -- on 800 x 600 frames, beside SDL2 doing the same work on
// RGB555 surfaces and memcpy of the same bytes; the keyed opaque frame also
// beside a plain loop of vector copies, the store path's own floor.
// (Rotation has its own program, bench_rotation, with pixman as the peer.)
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine/cpu_features.h"
#include "engine/dib_surface.h"
#include "engine/pixel_block.h"
#include "engine/rle_surface.h"
#include "platform/test_hooks.h"
#include "support/test_support.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kSpriteW = 64, kSpriteH = 96, kSprites = 200;

enum Pattern { kOpaque, kHalfKeyed, kSprite };

// Pixels of a w x h image: all opaque, alternating opaque and keyed runs of
// 1..16 pixels (about half keyed), or an opaque ellipse on a keyed field.
std::vector<uint16_t> MakeImage(int w, int h, Pattern p, uint64_t seed) {
  tessera::test::TestRandom rng(seed);
  std::vector<uint16_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    bool keyed = false;
    int run = rng.Range(1, 16);
    for (int x = 0; x < w; ++x) {
      uint16_t v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
      if (p == kHalfKeyed) {
        if (--run == 0) {
          keyed = !keyed;
          run = rng.Range(1, 16);
        }
        if (keyed) v = COLOR_KEY;
      } else if (p == kSprite) {
        const double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
        if (dx * dx + dy * dy > 1.0) v = COLOR_KEY;
      }
      px[static_cast<size_t>(y) * w + x] = v;
    }
  }
  return px;
}

std::unique_ptr<DIBSURFACE> DibFrom(const std::vector<uint16_t>& px, int w, int h) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  PIXEL** rows = tessera::BlockRows(s->GetBitmap());
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<void*>(rows[y]), &px[static_cast<size_t>(y) * w], w * 2);
  return s;
}

enum SdlMode { kSdlPlain, kSdlKey, kSdlRle };

SDL_Surface* SdlFrom(const std::vector<uint16_t>& px, int w, int h, SdlMode mode) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB555);
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<char*>(s->pixels) + y * s->pitch, &px[static_cast<size_t>(y) * w],
                w * 2);
  if (mode != kSdlPlain) SDL_SetColorKey(s, SDL_TRUE, COLOR_KEY);
  if (mode == kSdlRle) SDL_SetSurfaceRLE(s, 1);
  return s;
}

std::vector<uint16_t> SdlPixels(SDL_Surface* s) {
  std::vector<uint16_t> px(static_cast<size_t>(s->w) * s->h);
  SDL_LockSurface(s);
  for (int y = 0; y < s->h; ++y)
    std::memcpy(&px[static_cast<size_t>(y) * s->w], static_cast<char*>(s->pixels) + y * s->pitch,
                s->w * 2);
  SDL_UnlockSurface(s);
  return px;
}

std::vector<uint16_t> DibPixels(SURFACE* s, int w, int h) {
  std::vector<uint16_t> px(static_cast<size_t>(w) * h);
  PIXEL** rows = tessera::BlockRows(s->GetBitmap());
  for (int y = 0; y < h; ++y)
    std::memcpy(&px[static_cast<size_t>(y) * w], static_cast<void*>(rows[y]), w * 2);
  return px;
}

// Pixels that differ: exactly (tolerance 0), or by more than `tolerance`
// in some 5-bit channel; bit 15 is not compared (SDL's 555 has no mark).
long Mismatches(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b, int tolerance) {
  long bad = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int x = a[i] & 0x7FFF, y = b[i] & 0x7FFF;
    for (int shift : {0, 5, 10})
      if (std::abs(((x >> shift) & 31) - ((y >> shift) & 31)) > tolerance) {
        ++bad;
        break;
      }
  }
  return bad;
}

// Sprite positions spread over the frame, some hanging over its edges.
std::vector<std::pair<int, int>> SpritePlaces() {
  tessera::test::TestRandom rng(99);
  std::vector<std::pair<int, int>> at;
  for (int i = 0; i < kSprites; ++i)
    at.emplace_back(rng.Range(-32, kW - 32), rng.Range(-48, kH - 48));
  return at;
}

int64_t FrameBytes(Pattern p) {
  return p == kSprite ? int64_t{kSprites} * kSpriteW * kSpriteH * 2 : int64_t{kW} * kH * 2;
}

// ---------------------------------------------------------------- keyed and translucent

// One frame's blits: the whole frame, or every sprite in place.
void TesseraFrame(DIBSURFACE* src, DIBSURFACE* dst, Pattern p, bool trans) {
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 16;
  if (p == kSprite) {
    for (auto [x, y] : SpritePlaces()) trans ? src->Blit(dst, x, y, fx) : src->Blit(dst, x, y);
  } else {
    trans ? src->Blit(dst, 0, 0, fx) : src->Blit(dst, 0, 0);
  }
}

void SdlFrame(SDL_Surface* src, SDL_Surface* dst, Pattern p) {
  if (p == kSprite) {
    for (auto [x, y] : SpritePlaces()) {
      SDL_Rect r{x, y, 0, 0};
      SDL_BlitSurface(src, nullptr, dst, &r);
    }
  } else {
    SDL_BlitSurface(src, nullptr, dst, nullptr);
  }
}

// The picture Tessera draws in one frame onto the standard destination.
std::vector<uint16_t> TesseraPicture(Pattern p, bool trans) {
  const int w = p == kSprite ? kSpriteW : kW, h = p == kSprite ? kSpriteH : kH;
  auto src = DibFrom(MakeImage(w, h, p, 1), w, h);
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  TesseraFrame(src.get(), dst.get(), p, trans);
  return DibPixels(dst.get(), kW, kH);
}

// The vector paths a run may use: all the processor has, AVX2 at most, or
// SSE2 only.
enum Paths { kAllPaths, kAvx2Only, kSse2Only };

void TesseraBlit(benchmark::State& state, Pattern p, bool trans, Paths paths = kAllPaths) {
  const bool sprite = p == kSprite;
  const int w = sprite ? kSpriteW : kW, h = sprite ? kSpriteH : kH;
  auto src = DibFrom(MakeImage(w, h, p, 1), w, h);
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  tessera::ForceNoAvx2ForTests(paths == kSse2Only);
  tessera::ForceNoAvx512ForTests(paths == kAvx2Only);
  for (auto _ : state) {
    TesseraFrame(src.get(), dst.get(), p, trans);
    benchmark::ClobberMemory();
  }
  tessera::ForceNoAvx2ForTests(false);
  tessera::ForceNoAvx512ForTests(false);
  state.SetBytesProcessed(state.iterations() * FrameBytes(p));
}

void SdlBlit(benchmark::State& state, Pattern p, bool trans, SdlMode mode) {
  const bool sprite = p == kSprite;
  const int w = sprite ? kSpriteW : kW, h = sprite ? kSpriteH : kH;
  SDL_Surface* src = SdlFrom(MakeImage(w, h, p, 1), w, h, mode);
  SDL_Surface* dst = SdlFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH, kSdlPlain);
  if (trans) {
    SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(src, 128);
  }
  SdlFrame(src, dst, p);
  const long bad = Mismatches(SdlPixels(dst), TesseraPicture(p, trans), trans ? 1 : 0);
  if (bad) {
    state.SkipWithError(
        ("different picture from Tessera's: " + std::to_string(bad) + " pixels").c_str());
  } else {
    for (auto _ : state) {
      SdlFrame(src, dst, p);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * FrameBytes(p));
  }
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

void MemcpyBlit(benchmark::State& state, Pattern p) {
  std::vector<uint16_t> a(static_cast<size_t>(kW) * kH, 1), b(a.size(), 2);
  const int64_t bytes = FrameBytes(p);
  for (auto _ : state) {
    if (p == kSprite) {
      for (int i = 0; i < kSprites; ++i)
        for (int y = 0; y < kSpriteH; ++y)
          std::memcpy(&b[(static_cast<size_t>(i % 6) * kSpriteH + y) * kW],
                      &a[static_cast<size_t>(y) * kW], kSpriteW * 2);
    } else {
      std::memcpy(b.data(), a.data(), static_cast<size_t>(bytes));
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

#if defined(__x86_64__)
BENCHMARK(tessera::bench::FrameVectorCopy)
    ->Name("KeyedOpaqueFrame/vector-copy-loop")
    ->Unit(benchmark::kMicrosecond);
#endif

// Each case: Tessera (AVX-512 or AVX2 where the processor has it, AVX2 at
// most, and the SSE2 loops alone), SDL keyed, SDL keyed with RLE
// acceleration, memcpy of the bytes.
#define BLIT_CASE(CASE, P, TRANS)                                                          \
  void CASE##_tessera(benchmark::State& s) { TesseraBlit(s, P, TRANS); }                   \
  void CASE##_avx2(benchmark::State& s) { TesseraBlit(s, P, TRANS, kAvx2Only); }           \
  void CASE##_sse2(benchmark::State& s) { TesseraBlit(s, P, TRANS, kSse2Only); }           \
  void CASE##_sdl2(benchmark::State& s) { SdlBlit(s, P, TRANS, kSdlKey); }                 \
  void CASE##_sdl2_rle(benchmark::State& s) { SdlBlit(s, P, TRANS, kSdlRle); }             \
  void CASE##_memcpy(benchmark::State& s) { MemcpyBlit(s, P); }                            \
  BENCHMARK(CASE##_tessera)->Name(#CASE "/tessera")->Unit(benchmark::kMicrosecond);        \
  BENCHMARK(CASE##_avx2)->Name(#CASE "/tessera-avx2-only")->Unit(benchmark::kMicrosecond); \
  BENCHMARK(CASE##_sse2)->Name(#CASE "/tessera-sse2-only")->Unit(benchmark::kMicrosecond); \
  BENCHMARK(CASE##_sdl2)->Name(#CASE "/sdl2-key-0xFC1F")->Unit(benchmark::kMicrosecond);   \
  BENCHMARK(CASE##_sdl2_rle)                                                               \
      ->Name(#CASE "/sdl2-key-0xFC1F-RLEACCEL")                                            \
      ->Unit(benchmark::kMicrosecond);                                                     \
  BENCHMARK(CASE##_memcpy)->Name(#CASE "/memcpy")->Unit(benchmark::kMicrosecond);

BLIT_CASE(KeyedOpaqueFrame, kOpaque, false)
BLIT_CASE(KeyedHalfKeyedFrame, kHalfKeyed, false)
BLIT_CASE(KeyedSprites200, kSprite, false)
BLIT_CASE(TransOpaqueFrame, kOpaque, true)
BLIT_CASE(TransHalfKeyedFrame, kHalfKeyed, true)
BLIT_CASE(TransSprites200, kSprite, true)

// ---------------------------------------------------------------- run-length sprites

// The 200 elliptic sprites again, Tessera drawing its run-length form of
// the picture (what a game loads sprites as), SDL its RLE-accelerated
// keyed surface: the same pixels checked, then each timed.
std::unique_ptr<RLESURFACE> RleSprite() {
  auto plain = DibFrom(MakeImage(kSpriteW, kSpriteH, kSprite, 1), kSpriteW, kSpriteH);
  auto rle = std::make_unique<RLESURFACE>(kSpriteW, kSpriteH);
  rle->Initialize(plain.get());
  return rle;
}

void RleSprites_tessera(benchmark::State& state) {
  auto src = RleSprite();
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  for (auto [x, y] : SpritePlaces()) src->Blit(dst.get(), x, y);
  if (const long bad =
          Mismatches(DibPixels(dst.get(), kW, kH), TesseraPicture(kSprite, false), 0)) {
    state.SkipWithError(
        ("run-length picture differs from the keyed one: " + std::to_string(bad) + " pixels")
            .c_str());
    return;
  }
  for (auto _ : state) {
    for (auto [x, y] : SpritePlaces()) src->Blit(dst.get(), x, y);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * FrameBytes(kSprite));
}
void RleSprites_sdl2_rle(benchmark::State& s) { SdlBlit(s, kSprite, false, kSdlRle); }
BENCHMARK(RleSprites_tessera)->Name("RleSprites200/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(RleSprites_sdl2_rle)
    ->Name("RleSprites200/sdl2-key-0xFC1F-RLEACCEL")
    ->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- part copy

void PartCopy_tessera(benchmark::State& state) {
  auto src = DibFrom(MakeImage(kW, kH, kOpaque, 1), kW, kH);
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  for (auto _ : state) {
    src->Blit(dst.get(), 0, 0, 0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * FrameBytes(kOpaque));
}
void PartCopy_sdl2(benchmark::State& state) {
  SDL_Surface* src = SdlFrom(MakeImage(kW, kH, kOpaque, 1), kW, kH, kSdlPlain);
  SDL_Surface* dst = SdlFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH, kSdlPlain);
  for (auto _ : state) {
    SDL_Rect r{0, 0, kW, kH};
    SDL_BlitSurface(src, &r, dst, nullptr);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * FrameBytes(kOpaque));
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}
void PartCopy_memcpy(benchmark::State& state) { MemcpyBlit(state, kOpaque); }
BENCHMARK(PartCopy_tessera)->Name("PartCopyFrame/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(PartCopy_sdl2)->Name("PartCopyFrame/sdl2")->Unit(benchmark::kMicrosecond);
BENCHMARK(PartCopy_memcpy)->Name("PartCopyFrame/memcpy")->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- fill

// FX_FILL of a whole frame against SDL_FillRect and memcpy of the bytes.
void Fill_tessera(benchmark::State& state) {
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  DRAW_FX fx;
  fx.kind = FX_FILL;
  fx.colour = 0x2A55;
  for (auto _ : state) {
    dst->Blit(dst.get(), 0, 0, fx);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * FrameBytes(kOpaque));
}
void Fill_sdl2(benchmark::State& state) {
  SDL_Surface* dst = SdlFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH, kSdlPlain);
  auto ours = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  DRAW_FX fx;
  fx.kind = FX_FILL;
  fx.colour = 0x2A55;
  ours->Blit(ours.get(), 0, 0, fx);
  SDL_FillRect(dst, nullptr, 0x2A55);
  if (const long bad = Mismatches(SdlPixels(dst), DibPixels(ours.get(), kW, kH), 0)) {
    state.SkipWithError(
        ("different picture from Tessera's: " + std::to_string(bad) + " pixels").c_str());
  } else {
    for (auto _ : state) {
      SDL_FillRect(dst, nullptr, 0x2A55);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * FrameBytes(kOpaque));
  }
  SDL_FreeSurface(dst);
}
void Fill_memcpy(benchmark::State& state) { MemcpyBlit(state, kOpaque); }
BENCHMARK(Fill_tessera)->Name("FillFrame/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(Fill_sdl2)->Name("FillFrame/sdl2-FillRect")->Unit(benchmark::kMicrosecond);
BENCHMARK(Fill_memcpy)->Name("FillFrame/memcpy")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
