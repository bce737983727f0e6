// Animated sprites and GIF sprites.
//
// Sprites200: 200 QSprites of 64 x 96 run-length frames (4 frames, delay
// 0, so every Show steps) drawn onto an 800 x 600 frame, beside SDL2
// blitting the same 4 frames per sprite from RGB555 surfaces with the key
// colour and SDL_RLEACCEL, stepping the same frame counters.
//
// GifSteps: a 10-frame 160 x 120 GIF played once round: QGifSprite steps
// through its frames decoded at load time (20 Shows, each one blit: a
// frame's timer starts at the Show after the step into it), beside
// giflib decoding the same frames from the same bytes (DGifSlurp), turning
// each into 16-bit colour over the previous one and blitting it -- what a
// game does without a sprite that keeps its frames.
//
// Both pairs first draw one round each way and compare the frames; a
// mismatch fails the benchmark.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine/dib_surface.h"
#include "engine/pixel_block.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "gui/gif_sprite.h"
#include "gui/sprite.h"
#include "support/test_support.h"
#include "testing/manual_clock.h"

namespace {

using tessera::bench::MemoryReader;
using tessera::bench::ReadFromMemory;
using tessera::bench::WriteToString;

constexpr int kW = 800, kH = 600;
constexpr int kSpriteW = 64, kSpriteH = 96, kSprites = 200, kFrames = 4;

tessera::ManualClock* Clock() {
  static tessera::ManualClock* clock = tessera::InstallManualClock(1000);
  return clock;
}

// Frame f of a walking figure: an ellipse body on the key colour with two
// legs that swing with the frame, and a little texture.
std::vector<uint16_t> FigureFrame(int f) {
  std::vector<uint16_t> px(static_cast<size_t>(kSpriteW) * kSpriteH, COLOR_KEY);
  for (int y = 0; y < kSpriteH; ++y)
    for (int x = 0; x < kSpriteW; ++x) {
      const double dx = (x - 32) / 26.0, dy = (y - 40) / 38.0;
      const int swing = (f % 2 ? 1 : -1) * (f / 2 ? 6 : 2);
      const bool body = dx * dx + dy * dy <= 1.0;
      const bool leg = y >= 70 && (std::abs(x - 24 - swing * (y - 70) / 26) < 5 ||
                                   std::abs(x - 40 + swing * (y - 70) / 26) < 5);
      if (body || leg)
        px[static_cast<size_t>(y) * kSpriteW + x] =
            static_cast<uint16_t>((x * 37 + y * 11 + f * 5) & 0x7FFF);
    }
  return px;
}

std::unique_ptr<DIBSURFACE> Dib(const std::vector<uint16_t>& px, int w, int h) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  PIXEL** rows = tessera::BlockRows(s->GetBitmap());
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<void*>(rows[y]), &px[static_cast<size_t>(y) * w],
                static_cast<size_t>(w) * 2);
  return s;
}

std::vector<uint16_t> Background() {
  std::vector<uint16_t> px(static_cast<size_t>(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      px[static_cast<size_t>(y) * kW + x] =
          static_cast<uint16_t>(((x / 8) * 3 + (y / 8) * 5) & 0x3DEF);
  return px;
}

// Sprite places spread over the frame, some over its edges.
std::vector<std::pair<int, int>> Places() {
  tessera::test::TestRandom rng(7);
  std::vector<std::pair<int, int>> at;
  for (int i = 0; i < kSprites; ++i)
    at.emplace_back(rng.Range(-32, kW - 32), rng.Range(-48, kH - 48));
  return at;
}

std::vector<uint16_t> Rows(SURFACE* s) {
  std::vector<uint16_t> out;
  for (int y = 0; y < s->GetHeight(); ++y)
    for (int x = 0; x < s->GetWidth(); ++x) out.push_back(s->GetPixel(x, y).GetColor());
  return out;
}

std::vector<uint16_t> Rows(SDL_Surface* s) {
  std::vector<uint16_t> out;
  for (int y = 0; y < s->h; ++y) {
    const auto* row =
        reinterpret_cast<const uint16_t*>(static_cast<const char*>(s->pixels) + y * s->pitch);
    out.insert(out.end(), row, row + s->w);
  }
  return out;
}

SDL_Surface* SdlFrom(const std::vector<uint16_t>& px, int w, int h) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB555);
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<char*>(s->pixels) + y * s->pitch, &px[static_cast<size_t>(y) * w],
                static_cast<size_t>(w) * 2);
  return s;
}

// ---------------------------------------------------------------- 200 sprites

// The sprites share their four frames, as sprites loaded through the
// surface cache (load flag 32) do, and as the SDL sprites share theirs.
struct TesseraSprites {
  CVIEWMANAGE vm{8, 8, nullptr};  // the factory for the run-length frames
  std::vector<std::unique_ptr<SURFACE>> images;
  std::vector<std::unique_ptr<QSprite>> sprites;
  std::unique_ptr<DIBSURFACE> frame = Dib(Background(), kW, kH);

  TesseraSprites() {
    for (int f = 0; f < kFrames; ++f)
      images.emplace_back(
          tessera::EncodeRuns(&vm, Dib(FigureFrame(f), kSpriteW, kSpriteH).get(), SS_RLE));
    auto places = Places();
    for (int i = 0; i < kSprites; ++i) {
      auto s = std::make_unique<QSprite>(places[i].first, places[i].second,
                                         places[i].first + kSpriteW - 1,
                                         places[i].second + kSpriteH - 1, false, false);
      for (int f = 0; f < kFrames; ++f) {
        auto cell = std::make_unique<QAniCell>();
        cell->m_pImage = images[static_cast<size_t>(f)].get();
        s->m_Frames.push_back(std::move(cell));
      }
      DRAW_FX fx;
      fx.kind = FX_TRANS;
      fx.level = 32;
      s->SetDrawFX(fx);
      s->SetNowp(i % kFrames);
      sprites.push_back(std::move(s));
    }
  }
  ~TesseraSprites() {
    // The images are this object's, not the sprites'.
    for (auto& s : sprites)
      for (auto& cell : s->m_Frames) cell->m_pImage = nullptr;
  }
  void Round() {
    for (auto& s : sprites) s->Show(frame.get());
  }
};

struct SdlSprites {
  std::vector<SDL_Surface*> frames;
  std::vector<int> now;
  std::vector<std::pair<int, int>> places = Places();
  SDL_Surface* frame = SdlFrom(Background(), kW, kH);

  SdlSprites() {
    for (int f = 0; f < kFrames; ++f) {
      SDL_Surface* s = SdlFrom(FigureFrame(f), kSpriteW, kSpriteH);
      SDL_SetColorKey(s, SDL_TRUE, COLOR_KEY);
      SDL_SetSurfaceRLE(s, 1);
      frames.push_back(s);
    }
    for (int i = 0; i < kSprites; ++i) now.push_back(i % kFrames);
  }
  ~SdlSprites() {
    for (SDL_Surface* s : frames) SDL_FreeSurface(s);
    SDL_FreeSurface(frame);
  }
  void Round() {
    for (int i = 0; i < kSprites; ++i) {
      SDL_Rect r{places[i].first, places[i].second, 0, 0};
      SDL_BlitSurface(frames[static_cast<size_t>(now[i])], nullptr, frame, &r);
      now[i] = now[i] + 1 >= kFrames ? 0 : now[i] + 1;
    }
  }
};

bool SpritesMatch() {
  TesseraSprites t;
  SdlSprites s;
  for (int r = 0; r < kFrames + 1; ++r) {
    t.Round();
    s.Round();
    const auto a = Rows(t.frame.get()), b = Rows(s.frame);
    if (a != b) {
      size_t n = 0, first = 0;
      for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && n++ == 0) first = i;
      std::fprintf(stderr, "round %d: %zu differ, first at %zu: %04x vs %04x\n", r, n, first,
                   a[first], b[first]);
      return false;
    }
  }
  return true;
}

void Sprites_tessera(benchmark::State& state) {
  Clock();
  if (!SpritesMatch()) {
    state.SkipWithError("Tessera and SDL2 frames differ");
    return;
  }
  TesseraSprites t;
  for (auto _ : state) {
    t.Round();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}

void Sprites_sdl2(benchmark::State& state) {
  if (!SpritesMatch()) {
    state.SkipWithError("Tessera and SDL2 frames differ");
    return;
  }
  SdlSprites s;
  for (auto _ : state) {
    s.Round();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}

BENCHMARK(Sprites_tessera)->Name("Sprites200/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(Sprites_sdl2)->Name("Sprites200/sdl2")->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- GIF steps

constexpr int kGifW = 160, kGifH = 120, kGifFrames = 10;

// A spinning dot on a gradient: frame 0 whole, the later ones the changed
// part only with a transparent index, as animation tools write them.
const std::string& GifSample() {
  static const std::string bytes = [] {
    std::string out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, WriteToString, &err);
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; i++)
      colors[static_cast<size_t>(i)] = {static_cast<GifByteType>(i),
                                        static_cast<GifByteType>(200 - i / 2),
                                        static_cast<GifByteType>(i * 3)};
    colors[255] = {255, 0, 255};  // magenta: the key colour
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, kGifW, kGifH, 8, 0, map);
    GifFreeMapObject(map);
    std::vector<GifPixelType> row(kGifW);
    for (int f = 0; f < kGifFrames; f++) {
      GraphicsControlBlock gcb{};
      gcb.DelayTime = 5;
      gcb.TransparentColor = f == 0 ? NO_TRANSPARENT_COLOR : 0;
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
      const int x0 = f == 0 ? 0 : 40, y0 = f == 0 ? 0 : 30, w = f == 0 ? kGifW : 80,
                h = f == 0 ? kGifH : 60;
      EGifPutImageDesc(gif, x0, y0, w, h, false, nullptr);
      const double a = f * 2 * 3.14159265 / kGifFrames;
      const int cx = 80 + static_cast<int>(25 * std::cos(a)),
                cy = 60 + static_cast<int>(20 * std::sin(a));
      for (int y = y0; y < y0 + h; y++) {
        for (int x = x0; x < x0 + w; x++) {
          const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
          GifPixelType v = f == 0 ? static_cast<GifPixelType>(1 + (x + y) % 200) : 0;
          if (d2 < 64) v = static_cast<GifPixelType>(220 + f);
          if (f == 0 && x < 4) v = 255;
          row[static_cast<size_t>(x - x0)] = v;
        }
        EGifPutLine(gif, row.data(), w);
      }
    }
    EGifCloseFile(gif, &err);
    return out;
  }();
  return bytes;
}

// One round with giflib: decode, compose each frame in 16-bit colour over
// the previous one, keyed copy onto the target; `each` sees the target
// after every frame.
template <typename Each>
bool GiflibRound(DIBSURFACE* target, std::vector<uint16_t>& canvas, Each each) {
  const std::string& bytes = GifSample();
  MemoryReader reader{&bytes, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &err);
  if (!gif || DGifSlurp(gif) != GIF_OK) {
    DGifCloseFile(gif, &err);
    return false;
  }
  uint16_t palette[256];
  for (int i = 0; i < 256; ++i) {
    const GifColorType c = gif->SColorMap->Colors[i];
    palette[i] =
        c.Red == 255 && c.Green == 0 && c.Blue == 255
            ? COLOR_KEY
            : static_cast<uint16_t>((c.Red >> 3) << 10 | (c.Green >> 3) << 5 | (c.Blue >> 3));
  }
  PIXEL** rows = tessera::BlockRows(target->GetBitmap());
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& im = gif->SavedImages[i];
    GraphicsControlBlock gcb{};
    DGifSavedExtensionToGCB(gif, i, &gcb);
    const GifImageDesc& d = im.ImageDesc;
    for (int y = 0; y < d.Height; ++y) {
      const GifByteType* src = im.RasterBits + static_cast<size_t>(y) * d.Width;
      uint16_t* dst = &canvas[static_cast<size_t>(d.Top + y) * kGifW + d.Left];
      for (int x = 0; x < d.Width; ++x)
        if (src[x] != gcb.TransparentColor) dst[x] = palette[src[x]];
    }
    for (int y = 0; y < kGifH; ++y) {
      PIXEL* out = rows[y + 10] + 10;
      const uint16_t* in = &canvas[static_cast<size_t>(y) * kGifW];
      for (int x = 0; x < kGifW; ++x)
        if (in[x] != COLOR_KEY) out[x] = in[x];
    }
    each(i);
  }
  DGifCloseFile(gif, &err);
  return true;
}

bool GifMatches() {
  QGifSprite sprite;
  if (!sprite.LoadFromData(GifSample().data(), static_cast<long>(GifSample().size()))) return false;
  auto ours = Dib(Background(), kW, kH), theirs = Dib(Background(), kW, kH);
  std::vector<uint16_t> canvas(static_cast<size_t>(kGifW) * kGifH, COLOR_KEY);
  std::vector<std::vector<uint16_t>> want;
  if (!GiflibRound(theirs.get(), canvas, [&](int) { want.push_back(Rows(theirs.get())); }))
    return false;
  // A frame's timer starts at the Show after the step into it, so with
  // time passing between Shows every second Show steps: two Shows per
  // frame, each drawing the frame current after it.
  for (int k = 0; k < 2 * kGifFrames; ++k) {
    Clock()->Advance(100);
    sprite.Show(ours.get(), 10, 10, false);
    const int now = sprite.m_nNowp;
    if (now != (k + 1) / 2 % kGifFrames || Rows(ours.get()) != want[static_cast<size_t>(now)])
      return false;
  }
  return true;
}

void GifSteps_tessera(benchmark::State& state) {
  if (!GifMatches()) {
    state.SkipWithError("QGifSprite and giflib frames differ");
    return;
  }
  QGifSprite sprite;
  sprite.LoadFromData(GifSample().data(), static_cast<long>(GifSample().size()));
  auto target = Dib(Background(), kW, kH);
  for (auto _ : state) {
    for (int k = 0; k < 2 * kGifFrames; ++k) {
      Clock()->Advance(100);
      sprite.Show(target.get(), 10, 10, false);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kGifFrames);
}

void GifSteps_giflib(benchmark::State& state) {
  if (!GifMatches()) {
    state.SkipWithError("QGifSprite and giflib frames differ");
    return;
  }
  auto target = Dib(Background(), kW, kH);
  std::vector<uint16_t> canvas(static_cast<size_t>(kGifW) * kGifH, COLOR_KEY);
  for (auto _ : state) {
    if (!GiflibRound(target.get(), canvas, [](int) {})) state.SkipWithError("giflib failed");
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kGifFrames);
}

BENCHMARK(GifSteps_tessera)->Name("GifSteps/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(GifSteps_giflib)->Name("GifSteps/giflib")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
