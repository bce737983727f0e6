// One cross-fade frame on an 800 x 600 screen: the old picture put back
// from the snapshot, then the new one drawn over it half-translucently.
// Beside it SDL2 doing the same two steps on RGB555 surfaces: a plain blit
// of the old picture and a blit of the new one with SDL_SetSurfaceAlphaMod.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/fader.h"
#include "engine/pixel_block.h"
#include "support/test_support.h"

namespace {

constexpr int kW = 800, kH = 600;

std::vector<uint16_t> Image(uint64_t seed) {
  tessera::test::TestRandom rng(seed);
  std::vector<uint16_t> px(static_cast<size_t>(kW) * kH);
  for (uint16_t& p : px) p = static_cast<uint16_t>(rng.Next() & 0x7FFF);
  return px;
}

std::unique_ptr<DIBSURFACE> Dib(const std::vector<uint16_t>& px) {
  auto s = std::make_unique<DIBSURFACE>(kW, kH);
  s->Initialize();
  PIXEL** rows = tessera::BlockRows(s->GetBitmap());
  for (int y = 0; y < kH; ++y)
    std::memcpy(static_cast<void*>(rows[y]), &px[static_cast<size_t>(y) * kW], kW * 2);
  return s;
}

SDL_Surface* Sdl(const std::vector<uint16_t>& px) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB555);
  for (int y = 0; y < kH; ++y)
    std::memcpy(static_cast<char*>(s->pixels) + y * s->pitch, &px[static_cast<size_t>(y) * kW],
                kW * 2);
  return s;
}

void CrossFade_tessera(benchmark::State& state) {
  auto screen = Dib(Image(1));
  auto picture = Dib(Image(2));
  CFader fader;
  fader.Initialize(picture.get(), screen.get(), 0, 0, kW, kH, 1, 0);
  for (auto _ : state) {
    fader.m_nLevel = 16;  // mid-fade, so that the transition never ends
    benchmark::DoNotOptimize(fader.Draw());
    benchmark::ClobberMemory();
  }
}

void CrossFade_sdl2(benchmark::State& state) {
  SDL_Surface* screen = Sdl(Image(1));
  SDL_Surface* snapshot = Sdl(Image(1));
  SDL_Surface* picture = Sdl(Image(2));
  SDL_SetSurfaceBlendMode(snapshot, SDL_BLENDMODE_NONE);
  SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_BLEND);
  SDL_SetSurfaceAlphaMod(picture, 128);
  for (auto _ : state) {
    SDL_BlitSurface(snapshot, nullptr, screen, nullptr);
    SDL_BlitSurface(picture, nullptr, screen, nullptr);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(picture);
  SDL_FreeSurface(snapshot);
  SDL_FreeSurface(screen);
}

}  // namespace

BENCHMARK(CrossFade_tessera)->Name("CrossFade/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(CrossFade_sdl2)->Name("CrossFade/sdl2")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
