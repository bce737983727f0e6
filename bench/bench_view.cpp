// The display manager's hot paths: presenting an 800 x 600 frame full
// screen (a 5-5-5 copy and a 5-6-5 conversion into the locked back buffer)
// beside memcpy of the same bytes and SDL_ConvertPixels; drawing a warm
// 40-byte GBK line of text beside the literal per-pixel SetPixel copy.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "engine/packed_stream.h"
#include "engine/pixel_block.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "platform/headless/headless_presenter.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_support.h"
#include "testing/engine_reset.h"

namespace {

constexpr int kW = 800, kH = 600;

// A display whose flip costs nothing, so that only the copy into the back
// buffer is measured.
class BenchPresenter : public tessera::HeadlessPresenter {
 public:
  bool BlitBackToPrimary() override { return true; }
};

CVIEWMANAGE* FullScreen(uint32_t green_mask) {
  tessera::ResetEngineForTests();
  auto p = std::make_unique<BenchPresenter>();
  p->SetGreenMask(green_mask);
  tessera::SetPresenter(std::move(p));
  static HWND window = tessera::CreateWindowRecord(kW, kH);
  AfxCreateViewManager(kW, kH, window);
  CVIEWMANAGE* vm = AfxGetViewManager();
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  tessera::test::TestRandom rng(3);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      vm->GetRenderSurface()->SetPixel(x, y, static_cast<unsigned short>(rng.Next()));
  return vm;
}

void Present(benchmark::State& state, uint32_t green_mask) {
  CVIEWMANAGE* vm = FullScreen(green_mask);
  for (auto _ : state) benchmark::DoNotOptimize(vm->UpdateScreen());
  state.SetBytesProcessed(state.iterations() * kW * kH * 2);
  AfxFreeEngine();
}
void Present555_tessera(benchmark::State& state) { Present(state, 0x03E0); }
void Present565_tessera(benchmark::State& state) { Present(state, 0x07E0); }

void FrameSdl(benchmark::State& state, Uint32 to) {
  std::vector<uint16_t> src(kW * kH, 0x1234), dst(kW * kH);
  for (auto _ : state) {
    SDL_ConvertPixels(kW, kH, SDL_PIXELFORMAT_RGB555, src.data(), kW * 2, to, dst.data(), kW * 2);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 2);
}
void Present555_sdl2(benchmark::State& state) { FrameSdl(state, SDL_PIXELFORMAT_RGB555); }
void Present565_sdl2(benchmark::State& state) { FrameSdl(state, SDL_PIXELFORMAT_RGB565); }

// 20 Chinese characters, 40 bytes of GBK.
char kLine[] =
    "\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\xA1\xA3\xD5\xE2\xCA\xC7\xD2\xBB\xD0\xD0"
    "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4\xCE\xC4\xD7\xD6\xA3\xAC\xBF\xB4\xBF\xB4\xCB\xD9";  // 你好，世界。这是一行中文测试文字，看看速

void TextLine_tessera(benchmark::State& state) {
  tessera::ResetEngineForTests();
  tessera::SetCurrentFontSize(16);
  DIBSURFACE s(kW, 64);
  s.Initialize();
  s.DrawTextA(0, 0, 0x7FFF, kLine);  // warm the cache
  for (auto _ : state) {
    s.DrawTextA(4, 8, 0x7FFF, kLine);
    benchmark::ClobberMemory();
  }
}

// The same glyphs copied the literal way: a virtual SetPixel per ink pixel.
void TextLine_setpixel(benchmark::State& state) {
  tessera::ResetEngineForTests();
  tessera::SetCurrentFontSize(16);
  DIBSURFACE s(kW, 64);
  s.Initialize();
  s.DrawTextA(0, 0, 0x7FFF, kLine);
  stGlyphFont& font = tessera::FindGlyphFont(16, 0x7FFF);
  std::vector<const stGlyph*> glyphs;
  for (int i = 0; i < 40; i += 2)
    glyphs.push_back(&font.glyphs.at(static_cast<unsigned char>(kLine[i]) * 256 +
                                     static_cast<unsigned char>(kLine[i + 1])));
  SURFACE* surface = &s;
  for (auto _ : state) {
    int x = 4;
    for (const stGlyph* g : glyphs) {
      for (int cy = 0; cy < g->height; ++cy)
        for (int cx = 0; cx < g->width; ++cx) {
          const uint32_t v = g->pixels[cy * g->width + cx];
          if (v != COLOR_KEY) surface->SetPixel(x + cx, 8 + cy, static_cast<unsigned short>(v));
        }
      x += 16;
    }
    benchmark::ClobberMemory();
  }
}

// An 800 x 600 pack image record: a scene of horizontal bands (long fills),
// noisy stretches (literals) and transparent holes (skips).
std::vector<uint8_t> SceneRecord() {
  DIBSURFACE s(kW, kH);
  s.Initialize();
  tessera::test::TestRandom rng(9);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint16_t v = static_cast<uint16_t>((y / 8) * 0x0421 & 0x7FFF);
      if ((x / 50 + y / 40) % 3 == 0) v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
      if ((x / 80 + y / 60) % 5 == 0) v = COLOR_KEY;
      s.SetPixel(x, y, v);
    }
  std::vector<uint8_t> rec = {kW & 0xFF, kW >> 8, kH & 0xFF, kH >> 8};
  const std::vector<uint8_t> stream = tessera::PackedStreamBytes(tessera::EncodePackedStream(&s));
  rec.insert(rec.end(), stream.begin(), stream.end());
  return rec;
}

void PackImage_tessera(benchmark::State& state) {
  tessera::ResetEngineForTests();
  const std::vector<uint8_t> rec = SceneRecord();
  CVIEWMANAGE vm(8, 8, nullptr);
  for (auto _ : state) {
    SURFACE* s = tessera::DecodePackImageRecord(&vm, rec.data(), rec.size(), SS_DIB);
    benchmark::DoNotOptimize(s);
    delete s;
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 2);
}

// The same frame as raw pixels: allocating a surface and copying them in.
void PackImage_memcpy(benchmark::State& state) {
  std::vector<uint16_t> raw(kW * kH, 0x1234);
  for (auto _ : state) {
    auto* s = new DIBSURFACE(kW, kH);
    s->Initialize();
    PIXEL** rows = tessera::BlockRows(s->GetBitmap());
    for (int y = 0; y < kH; ++y)
      std::memcpy(static_cast<void*>(rows[y]), &raw[static_cast<size_t>(y) * kW], kW * 2);
    benchmark::DoNotOptimize(s);
    delete s;
  }
  state.SetBytesProcessed(state.iterations() * kW * kH * 2);
}

}  // namespace

BENCHMARK(PackImage_tessera)->Name("PackImage/tessera");
BENCHMARK(PackImage_memcpy)->Name("PackImage/memcpy");
BENCHMARK(Present555_tessera)->Name("Present555/tessera");
BENCHMARK(tessera::bench::FrameMemcpy)->Name("Present555/memcpy");
BENCHMARK(Present555_sdl2)->Name("Present555/sdl2");
BENCHMARK(Present565_tessera)->Name("Present565/tessera");
BENCHMARK(tessera::bench::FrameMemcpy)->Name("Present565/memcpy");
#if defined(__x86_64__)
BENCHMARK(tessera::bench::FrameVectorCopy)->Name("Present565/vector-copy-loop");
#endif
BENCHMARK(Present565_sdl2)->Name("Present565/sdl2");
BENCHMARK(TextLine_tessera)->Name("TextLine/tessera");
BENCHMARK(TextLine_setpixel)->Name("TextLine/setpixel");

BENCHMARK_MAIN();
