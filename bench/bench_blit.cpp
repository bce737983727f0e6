// The plain surface's inner loops -- keyed blit, translucent blit, part
// copy, rotation -- on 800 x 600 frames, beside SDL2 doing the same work on
// RGB555 surfaces, pixman for the rotation, and memcpy of the same bytes.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/pixel_block.h"
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
  for (int y = 0; y < h; ++y) std::memcpy(static_cast<void*>(rows[y]), &px[static_cast<size_t>(y) * w], w * 2);
  return s;
}

SDL_Surface* SdlFrom(const std::vector<uint16_t>& px, int w, int h, bool keyed) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB555);
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<char*>(s->pixels) + y * s->pitch, &px[static_cast<size_t>(y) * w], w * 2);
  if (keyed) SDL_SetColorKey(s, SDL_TRUE, COLOR_KEY & 0x7FFF);
  return s;
}

// Sprite positions spread over the frame, some hanging over its edges.
std::vector<std::pair<int, int>> SpritePlaces() {
  tessera::test::TestRandom rng(99);
  std::vector<std::pair<int, int>> at;
  for (int i = 0; i < kSprites; ++i) at.emplace_back(rng.Range(-32, kW - 32), rng.Range(-48, kH - 48));
  return at;
}

int64_t FrameBytes(Pattern p) {
  return p == kSprite ? int64_t{kSprites} * kSpriteW * kSpriteH * 2 : int64_t{kW} * kH * 2;
}

// ---------------------------------------------------------------- keyed and translucent

void TesseraBlit(benchmark::State& state, Pattern p, bool trans) {
  const bool sprite = p == kSprite;
  const int w = sprite ? kSpriteW : kW, h = sprite ? kSpriteH : kH;
  auto src = DibFrom(MakeImage(w, h, p, 1), w, h);
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  const auto places = SpritePlaces();
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 16;
  for (auto _ : state) {
    if (sprite) {
      for (auto [x, y] : places) trans ? src->Blit(dst.get(), x, y, fx) : src->Blit(dst.get(), x, y);
    } else {
      trans ? src->Blit(dst.get(), 0, 0, fx) : src->Blit(dst.get(), 0, 0);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * FrameBytes(p));
}

void SdlBlit(benchmark::State& state, Pattern p, bool trans) {
  const bool sprite = p == kSprite;
  const int w = sprite ? kSpriteW : kW, h = sprite ? kSpriteH : kH;
  SDL_Surface* src = SdlFrom(MakeImage(w, h, p, 1), w, h, true);
  SDL_Surface* dst = SdlFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH, false);
  if (trans) SDL_SetSurfaceAlphaMod(src, 128);
  const auto places = SpritePlaces();
  for (auto _ : state) {
    if (sprite) {
      for (auto [x, y] : places) {
        SDL_Rect r{x, y, 0, 0};
        SDL_BlitSurface(src, nullptr, dst, &r);
      }
    } else {
      SDL_BlitSurface(src, nullptr, dst, nullptr);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * FrameBytes(p));
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
          std::memcpy(&b[(static_cast<size_t>(i % 6) * kSpriteH + y) * kW], &a[static_cast<size_t>(y) * kW], kSpriteW * 2);
    } else {
      std::memcpy(b.data(), a.data(), static_cast<size_t>(bytes));
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

#define BLIT_CASE(CASE, P, TRANS)                                                        \
  void CASE##_tessera(benchmark::State& s) { TesseraBlit(s, P, TRANS); }                 \
  void CASE##_sdl2(benchmark::State& s) { SdlBlit(s, P, TRANS); }                        \
  void CASE##_memcpy(benchmark::State& s) { MemcpyBlit(s, P); }                          \
  BENCHMARK(CASE##_tessera)->Name(#CASE "/tessera")->Unit(benchmark::kMicrosecond);     \
  BENCHMARK(CASE##_sdl2)->Name(#CASE "/sdl2")->Unit(benchmark::kMicrosecond);           \
  BENCHMARK(CASE##_memcpy)->Name(#CASE "/memcpy")->Unit(benchmark::kMicrosecond);

BLIT_CASE(KeyedOpaqueFrame, kOpaque, false)
BLIT_CASE(KeyedHalfKeyedFrame, kHalfKeyed, false)
BLIT_CASE(KeyedSprites200, kSprite, false)
BLIT_CASE(TransOpaqueFrame, kOpaque, true)
BLIT_CASE(TransHalfKeyedFrame, kHalfKeyed, true)
BLIT_CASE(TransSprites200, kSprite, true)

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
  SDL_Surface* src = SdlFrom(MakeImage(kW, kH, kOpaque, 1), kW, kH, false);
  SDL_Surface* dst = SdlFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH, false);
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

// ---------------------------------------------------------------- rotation

// A 256 x 256 image rotated by 0.5 rad about its centre into the frame,
// bilinear filtered.  SDL2 has no rotation; pixman's bilinear transformed
// composite on x1r5g5b5 images is the peer.
constexpr int kRot = 256;
constexpr float kAngle = 0.5f;

void Rotate_tessera(benchmark::State& state) {
  auto src = DibFrom(MakeImage(kRot, kRot, kOpaque, 1), kRot, kRot);
  auto dst = DibFrom(MakeImage(kW, kH, kOpaque, 2), kW, kH);
  DRAW_FX fx;
  fx.kind = FX_ROTATE;
  fx.angle = kAngle;
  for (auto _ : state) {
    src->Blit(dst.get(), 272, 172, fx);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRot * kRot);
}

void Rotate_pixman(benchmark::State& state) {
  auto spx = MakeImage(kRot, kRot, kOpaque, 1);
  auto dpx = MakeImage(kW, kH, kOpaque, 2);
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_x1r5g5b5, kRot, kRot,
                                                 reinterpret_cast<uint32_t*>(spx.data()), kRot * 2);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x1r5g5b5, kW, kH,
                                                 reinterpret_cast<uint32_t*>(dpx.data()), kW * 2);
  // Destination -> source: translate to the centre, rotate back, translate.
  pixman_transform_t t;
  pixman_transform_init_identity(&t);
  pixman_transform_translate(&t, nullptr, pixman_int_to_fixed(-kRot / 2), pixman_int_to_fixed(-kRot / 2));
  pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(std::cos(kAngle)),
                          pixman_double_to_fixed(std::sin(kAngle)));
  pixman_transform_translate(&t, nullptr, pixman_int_to_fixed(kRot / 2), pixman_int_to_fixed(kRot / 2));
  pixman_image_set_transform(src, &t);
  pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  const int box = static_cast<int>(kRot * (std::fabs(std::cos(kAngle)) + std::fabs(std::sin(kAngle))));
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, (kRot - box) / 2, (kRot - box) / 2, 0, 0,
                             400 - box / 2, 300 - box / 2, box, box);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRot * kRot);
  pixman_image_unref(src);
  pixman_image_unref(dst);
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
BENCHMARK(Rotate_pixman)->Name("Rotate256/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK(Rotate_memcpy)->Name("Rotate256/memcpy")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
