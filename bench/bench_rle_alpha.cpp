// The sprite-heavy frame: run-length sprites (keyed, clipped, translucent),
// full-screen alpha blits, the packed alpha blit, run encoding and packed
// stream decoding, on 800 x 600 frames.  Peers in the same run: SDL2's
// RLE-accelerated colour-key blit on RGB555 surfaces, SDL2's per-pixel
// alpha blit from ARGB8888 into a 555 surface, pixman where it has the
// operation (1-bit alpha OVER for the keyed sprites, a8r8g8b8 OVER for the
// alpha blits), and memcpy of the bytes the blit writes.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/alpha_access.h"
#include "engine/alpha_surface.h"
#include "engine/dib_surface.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/pixel_block.h"
#include "engine/rle_surface.h"
#include "support/test_support.h"

namespace {

constexpr int kW = 800, kH = 600;
constexpr int kSpriteW = 64, kSpriteH = 96, kSprites = 200, kKinds = 8;
constexpr uint16_t kSdlKey = COLOR_KEY & 0x7FFF;

using Image = std::vector<uint16_t>;

// A sprite: an ellipse with slanted transparent stripes through it, about
// 40 % of the box opaque, colours changing every few pixels.
Image MakeSprite(int kind) {
  tessera::test::TestRandom rng(static_cast<uint64_t>(kind) + 1);
  Image px(static_cast<size_t>(kSpriteW) * kSpriteH, COLOR_KEY);
  uint16_t c = 0;
  for (int y = 0; y < kSpriteH; ++y)
    for (int x = 0; x < kSpriteW; ++x) {
      const double dx = (x - 32.0 + kind % 3) / 27.0, dy = (y - 48.0) / 42.0;
      const bool stripe = ((x + (2 * y) / 3 + kind) / 5) % 4 == 0;
      if (rng.Range(0, 3) == 0) c = static_cast<uint16_t>(rng.Next() & 0x7FFF);
      if (dx * dx + dy * dy <= 1.0 && !stripe) px[static_cast<size_t>(y) * kSpriteW + x] = c;
    }
  return px;
}

std::unique_ptr<DIBSURFACE> DibFrom(const Image& px, int w, int h) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<void*>(tessera::BlockRows(s->GetBitmap())[y]),
                &px[static_cast<size_t>(y) * w], w * 2);
  return s;
}

Image Background() {
  tessera::test::TestRandom rng(77);
  Image px(static_cast<size_t>(kW) * kH);
  for (auto& p : px) p = static_cast<uint16_t>(rng.Next() & 0x7FFF);
  return px;
}

// Positions inside the frame, or (clipped) each sprite hanging over one of
// the four edges.
std::vector<std::pair<int, int>> Places(bool clipped) {
  tessera::test::TestRandom rng(clipped ? 5 : 4);
  std::vector<std::pair<int, int>> at;
  for (int i = 0; i < kSprites; ++i) {
    int x = rng.Range(0, kW - kSpriteW), y = rng.Range(0, kH - kSpriteH);
    if (clipped) {
      switch (i % 4) {
        case 0:
          x = rng.Range(-kSpriteW + 8, -8);
          break;
        case 1:
          x = rng.Range(kW - kSpriteW + 8, kW - 8);
          break;
        case 2:
          y = rng.Range(-kSpriteH + 8, -8);
          break;
        default:
          y = rng.Range(kH - kSpriteH + 8, kH - 8);
          break;
      }
    }
    at.emplace_back(x, y);
  }
  return at;
}

int64_t OpaqueBytes() {
  int64_t n = 0;
  for (int k = 0; k < kKinds; ++k)
    for (uint16_t p : MakeSprite(k)) n += p != COLOR_KEY;
  return n * 2 * kSprites / kKinds;
}

// ---------------------------------------------------------------- run-length sprites

void RleTessera(benchmark::State& state, bool clipped, int level) {
  std::vector<std::unique_ptr<RLESURFACE>> sprites;
  for (int k = 0; k < kKinds; ++k) {
    auto dib = DibFrom(MakeSprite(k), kSpriteW, kSpriteH);
    sprites.push_back(std::make_unique<RLESURFACE>(kSpriteW, kSpriteH));
    sprites.back()->Initialize(dib.get());
  }
  auto dst = DibFrom(Background(), kW, kH);
  const auto at = Places(clipped);
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = level;
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      if (level < 32)
        sprites[i % kKinds]->Blit(dst.get(), at[i].first, at[i].second, fx);
      else
        sprites[i % kKinds]->Blit(dst.get(), at[i].first, at[i].second);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * OpaqueBytes());
  state.counters["opaque_share"] =
      static_cast<double>(OpaqueBytes()) / (2.0 * kSprites * kSpriteW * kSpriteH);
}

SDL_Surface* Sdl555(const Image& px, int w, int h) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB555);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(static_cast<char*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < w; ++x) row[x] = px[static_cast<size_t>(y) * w + x] & 0x7FFF;
  }
  return s;
}

void RleSdl(benchmark::State& state, bool clipped, int level) {
  std::vector<SDL_Surface*> sprites;
  for (int k = 0; k < kKinds; ++k) {
    SDL_Surface* s = Sdl555(MakeSprite(k), kSpriteW, kSpriteH);
    SDL_SetColorKey(s, SDL_TRUE, kSdlKey);
    SDL_SetSurfaceRLE(s, 1);
    if (level < 32) SDL_SetSurfaceAlphaMod(s, static_cast<Uint8>(level * 255 / 32));
    sprites.push_back(s);
  }
  SDL_Surface* dst = Sdl555(Background(), kW, kH);
  const auto at = Places(clipped);
  for (int k = 0; k < kKinds; ++k) SDL_BlitSurface(sprites[k], nullptr, dst, nullptr);  // encodes
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      SDL_Rect r{at[i].first, at[i].second, 0, 0};
      SDL_BlitSurface(sprites[i % kKinds], nullptr, dst, &r);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * OpaqueBytes());
  state.counters["rle"] = (sprites[0]->flags & SDL_RLEACCEL) ? 1 : 0;
  for (auto* s : sprites) SDL_FreeSurface(s);
  SDL_FreeSurface(dst);
}

// pixman: the sprites as a1r5g5b5 (the alpha bit set on opaque pixels),
// OVER the x1r5g5b5 frame, with a solid mask for translucency.
void RlePixman(benchmark::State& state, bool clipped, int level) {
  std::vector<Image> bits;
  std::vector<pixman_image_t*> sprites;
  for (int k = 0; k < kKinds; ++k) {
    Image px = MakeSprite(k);
    for (auto& p : px) p = p == COLOR_KEY ? 0 : static_cast<uint16_t>(p | 0x8000);
    bits.push_back(std::move(px));
  }
  for (auto& b : bits)
    sprites.push_back(pixman_image_create_bits(
        PIXMAN_a1r5g5b5, kSpriteW, kSpriteH, reinterpret_cast<uint32_t*>(b.data()), kSpriteW * 2));
  Image frame = Background();
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x1r5g5b5, kW, kH,
                                                 reinterpret_cast<uint32_t*>(frame.data()), kW * 2);
  pixman_color_t c = {0, 0, 0, static_cast<uint16_t>(level * 65535 / 32)};
  pixman_image_t* mask = level < 32 ? pixman_image_create_solid_fill(&c) : nullptr;
  const auto at = Places(clipped);
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i)
      pixman_image_composite32(PIXMAN_OP_OVER, sprites[i % kKinds], mask, dst, 0, 0, 0, 0,
                               at[i].first, at[i].second, kSpriteW, kSpriteH);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * OpaqueBytes());
  for (auto* s : sprites) pixman_image_unref(s);
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(dst);
}

void MemcpyBytes(benchmark::State& state, int64_t bytes) {
  std::vector<char> a(static_cast<size_t>(bytes)), b(static_cast<size_t>(bytes), 1);
  for (auto _ : state) {
    std::memcpy(a.data(), b.data(), a.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

BENCHMARK_CAPTURE(RleTessera, RleSprites_tessera, false, 32)->Name("RleSprites/tessera");
BENCHMARK_CAPTURE(RleSdl, RleSprites_sdl2, false, 32)->Name("RleSprites/sdl2");
BENCHMARK_CAPTURE(RlePixman, RleSprites_pixman, false, 32)->Name("RleSprites/pixman");
BENCHMARK_CAPTURE(MemcpyBytes, RleSprites_memcpy, OpaqueBytes())->Name("RleSprites/memcpy");
BENCHMARK_CAPTURE(RleTessera, RleSpritesClipped_tessera, true, 32)
    ->Name("RleSpritesClipped/tessera");
BENCHMARK_CAPTURE(RleSdl, RleSpritesClipped_sdl2, true, 32)->Name("RleSpritesClipped/sdl2");
BENCHMARK_CAPTURE(RlePixman, RleSpritesClipped_pixman, true, 32)->Name("RleSpritesClipped/pixman");
BENCHMARK_CAPTURE(RleTessera, RleTrans_tessera, false, 16)->Name("RleTrans/tessera");
BENCHMARK_CAPTURE(RleSdl, RleTrans_sdl2, false, 16)->Name("RleTrans/sdl2");
BENCHMARK_CAPTURE(RlePixman, RleTrans_pixman, false, 16)->Name("RleTrans/pixman");

// ---------------------------------------------------------------- full-screen alpha

enum Weights { kMixed, kAllZero, kAll32 };

// Weights in stretches: opaque, clear and graded regions, as a layered
// image with soft edges has them.
std::vector<uint8_t> MakeWeights(Weights kind) {
  std::vector<uint8_t> t(static_cast<size_t>(kW) * kH, kind == kAll32 ? 32 : 0);
  if (kind != kMixed) return t;
  tessera::test::TestRandom rng(8);
  for (size_t i = 0; i < t.size();) {
    const int mode = rng.Range(0, 2), len = rng.Range(4, 60);
    for (int k = 0; k < len && i < t.size(); ++k, ++i)
      t[i] = mode == 0 ? 0 : mode == 1 ? 32 : static_cast<uint8_t>(rng.Range(1, 31));
  }
  return t;
}

void AlphaTessera(benchmark::State& state, Weights kind) {
  ALPHASURFACE src(kW, kH);
  src.Initialize();
  const Image colours = Background();
  const auto weights = MakeWeights(kind);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      src.SetPixel(x, y, colours[static_cast<size_t>(y) * kW + x] ^ 0x1234);
      tessera::AlphaRow(src.GetBitmap(), y)[x] = weights[static_cast<size_t>(y) * kW + x];
    }
  auto dst = DibFrom(Background(), kW, kH);
  for (auto _ : state) {
    src.Blit(dst.get(), 0, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 2);
}

// The same image as ARGB8888 with alpha (32 - t) * 255 / 32.
std::vector<uint32_t> Argb(Weights kind) {
  const Image colours = Background();
  const auto weights = MakeWeights(kind);
  std::vector<uint32_t> px(colours.size());
  for (size_t i = 0; i < px.size(); ++i) {
    const uint16_t c = colours[i] ^ 0x1234;
    const uint32_t a = (32u - weights[i]) * 255 / 32;
    px[i] = a << 24 | ((c >> 10) & 31u) << 19 | ((c >> 5) & 31u) << 11 | (c & 31u) << 3;
  }
  return px;
}

void AlphaSdl(benchmark::State& state, Weights kind) {
  auto px = Argb(kind);
  SDL_Surface* src =
      SDL_CreateRGBSurfaceWithFormatFrom(px.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_BLEND);
  SDL_Surface* dst = Sdl555(Background(), kW, kH);
  for (auto _ : state) {
    SDL_BlitSurface(src, nullptr, dst, nullptr);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 2);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

void AlphaPixman(benchmark::State& state, Weights kind) {
  auto px = Argb(kind);
  // pixman wants premultiplied colour.
  for (auto& p : px) {
    const uint32_t a = p >> 24;
    auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
    p = a << 24 | pm((p >> 16) & 255) << 16 | pm((p >> 8) & 255) << 8 | pm(p & 255);
  }
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, px.data(), kW * 4);
  Image frame = Background();
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x1r5g5b5, kW, kH,
                                                 reinterpret_cast<uint32_t*>(frame.data()), kW * 2);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 2);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

BENCHMARK_CAPTURE(AlphaTessera, AlphaMixed_tessera, kMixed)->Name("AlphaMixed/tessera");
BENCHMARK_CAPTURE(AlphaSdl, AlphaMixed_sdl2, kMixed)->Name("AlphaMixed/sdl2");
BENCHMARK_CAPTURE(AlphaPixman, AlphaMixed_pixman, kMixed)->Name("AlphaMixed/pixman");
BENCHMARK_CAPTURE(MemcpyBytes, AlphaMixed_memcpy, int64_t{kW} * kH * 2)->Name("AlphaMixed/memcpy");
BENCHMARK_CAPTURE(AlphaTessera, AlphaAllZero_tessera, kAllZero)->Name("AlphaAllZero/tessera");
BENCHMARK_CAPTURE(AlphaSdl, AlphaAllZero_sdl2, kAllZero)->Name("AlphaAllZero/sdl2");
BENCHMARK_CAPTURE(AlphaPixman, AlphaAllZero_pixman, kAllZero)->Name("AlphaAllZero/pixman");
BENCHMARK_CAPTURE(MemcpyBytes, AlphaAllZero_memcpy, int64_t{kW} * kH * 2)
    ->Name("AlphaAllZero/memcpy");
BENCHMARK_CAPTURE(AlphaTessera, AlphaAll32_tessera, kAll32)->Name("AlphaAll32/tessera");
BENCHMARK_CAPTURE(AlphaSdl, AlphaAll32_sdl2, kAll32)->Name("AlphaAll32/sdl2");
BENCHMARK_CAPTURE(AlphaPixman, AlphaAll32_pixman, kAll32)->Name("AlphaAll32/pixman");

// ---------------------------------------------------------------- packed alpha

void DleTessera(benchmark::State& state) {
  Image colours = Background();
  for (auto& c : colours) c ^= 0x1234;
  const auto weights = MakeWeights(kMixed);
  const auto bytes = tessera::EncodeDleImage(kW, kH, colours.data(), weights.data());
  std::unique_ptr<DLESURFACE> src(tessera::LoadDleSurface(bytes.data(), bytes.size()));
  auto dst = DibFrom(Background(), kW, kH);
  for (auto _ : state) {
    src->Blit(dst.get(), 0, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 2);
}

BENCHMARK(DleTessera)->Name("DleBlit/tessera");
BENCHMARK_CAPTURE(AlphaSdl, DleBlit_sdl2, kMixed)->Name("DleBlit/sdl2");
BENCHMARK_CAPTURE(AlphaPixman, DleBlit_pixman, kMixed)->Name("DleBlit/pixman");

// ---------------------------------------------------------------- encoding and decoding

void EncodeTessera(benchmark::State& state) {
  std::vector<std::unique_ptr<DIBSURFACE>> src;
  for (int k = 0; k < kKinds; ++k) src.push_back(DibFrom(MakeSprite(k), kSpriteW, kSpriteH));
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      RLESURFACE rle(kSpriteW, kSpriteH);
      rle.Initialize(src[i % kKinds].get());
      benchmark::DoNotOptimize(rle.GetBitmap());
    }
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSprites} * kSpriteW * kSpriteH * 2);
}

// SDL encodes a surface's runs when it first maps it for a blit; a 1 x 1
// destination keeps the blit itself negligible.
void EncodeSdl(benchmark::State& state) {
  std::vector<Image> px;
  for (int k = 0; k < kKinds; ++k) {
    px.push_back(MakeSprite(k));
    for (auto& p : px.back()) p &= 0x7FFF;
  }
  SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 16, SDL_PIXELFORMAT_RGB555);
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px[i % kKinds].data(), kSpriteW, kSpriteH,
                                                          16, kSpriteW * 2, SDL_PIXELFORMAT_RGB555);
      SDL_SetColorKey(s, SDL_TRUE, kSdlKey);
      SDL_SetSurfaceRLE(s, 1);
      SDL_BlitSurface(s, nullptr, dst, nullptr);
      SDL_FreeSurface(s);
    }
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSprites} * kSpriteW * kSpriteH * 2);
  SDL_FreeSurface(dst);
}

BENCHMARK(EncodeTessera)->Name("RleEncode/tessera");
BENCHMARK(EncodeSdl)->Name("RleEncode/sdl2");
BENCHMARK_CAPTURE(MemcpyBytes, RleEncode_memcpy, int64_t{kSprites} * kSpriteW * kSpriteH * 2)
    ->Name("RleEncode/memcpy");

std::vector<std::vector<uint8_t>> SpriteStreams() {
  std::vector<std::vector<uint8_t>> out;
  for (int k = 0; k < kKinds; ++k) {
    auto dib = DibFrom(MakeSprite(k), kSpriteW, kSpriteH);
    out.push_back(tessera::PackedStreamBytes(tessera::EncodePackedStream(dib.get())));
  }
  return out;
}

void StreamToRle(benchmark::State& state) {
  const auto streams = SpriteStreams();
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i) {
      RLESURFACE rle(kSpriteW, kSpriteH);
      rle.Initialize(streams[i % kKinds].data(), streams[i % kKinds].size());
      benchmark::DoNotOptimize(rle.GetBitmap());
    }
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSprites} * kSpriteW * kSpriteH * 2);
}

void StreamToDib(benchmark::State& state) {
  const auto streams = SpriteStreams();
  auto dst = DibFrom(Image(static_cast<size_t>(kSpriteW) * kSpriteH), kSpriteW, kSpriteH);
  for (auto _ : state) {
    for (int i = 0; i < kSprites; ++i)
      tessera::DecodePackedStream(streams[i % kKinds].data(), streams[i % kKinds].size(),
                                  dst.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kSprites} * kSpriteW * kSpriteH * 2);
}

BENCHMARK(StreamToRle)->Name("StreamToRle/tessera");
BENCHMARK_CAPTURE(MemcpyBytes, StreamToRle_memcpy, int64_t{kSprites} * kSpriteW * kSpriteH * 2)
    ->Name("StreamToRle/memcpy");
BENCHMARK(StreamToDib)->Name("StreamToDib/tessera");
BENCHMARK_CAPTURE(MemcpyBytes, StreamToDib_memcpy, int64_t{kSprites} * kSpriteW * kSpriteH * 2)
    ->Name("StreamToDib/memcpy");

}  // namespace

BENCHMARK_MAIN();
