// The pixel kernels on each path the processor offers -- 512-bit (where it
// has AVX-512BW), 256-bit with the 512-bit loops turned off, 128-bit with
// both off -- against the plain per-pixel rules: rows of every length
// 0..80 starting at every offset of a cache line's first words, every
// level and weight class, and the words around each row left untouched
// (a masked last step must neither read nor write past the row).  A
// TESSERA_SCALAR build runs the same checks on the plain rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/alpha_rows.h"
#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/pixel_block.h"
#include "engine/pixel_convert.h"
#include "engine/pixel_rows.h"
#include "engine/run_rows.h"
#include "platform/glyph_source.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;
using Bytes = std::vector<uint8_t>;

enum class Path { kWide, kAvx2, kSse2 };

class WideKernels : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    ForceNoAvx2ForTests(GetParam() == Path::kSse2);
    ForceNoAvx512ForTests(GetParam() == Path::kAvx2);
  }
  void TearDown() override {
    ForceNoAvx2ForTests(false);
    ForceNoAvx512ForTests(false);
  }
};

constexpr int kGuard = 40;  // words kept around every row

Words RandomWords(TestRandom& rnd, size_t n) {
  Words w(n);
  for (auto& p : w) p = static_cast<uint16_t>(rnd.Next());
  return w;
}

// Source pixels in stretches of a random length, each all marked, all
// clear or mixed, so that whole registers of each kind and registers that
// straddle two kinds both occur.
Words StretchPixels(TestRandom& rnd, size_t n) {
  Words w = RandomWords(rnd, n);
  for (size_t i = 0; i < n;) {
    const int kind = rnd.Range(0, 2), len = rnd.Range(1, 40);
    for (int k = 0; k < len && i < n; ++k, ++i)
      if (kind == 0)
        w[i] |= 0x8000;
      else if (kind == 1)
        w[i] &= 0x7FFF;
  }
  return w;
}

// Weights in stretches: all 0, all 32, all above 32 (damaged data, counted
// as 32), graded 1..31, or any of those mixed.
Bytes StretchWeights(TestRandom& rnd, size_t n) {
  Bytes t(n);
  for (size_t i = 0; i < n;) {
    const int kind = rnd.Range(0, 4), len = rnd.Range(1, 40);
    for (int k = 0; k < len && i < n; ++k, ++i) {
      const int pick = kind == 4 ? rnd.Range(0, 3) : kind;
      t[i] = static_cast<uint8_t>(pick == 0   ? 0
                                  : pick == 1 ? 32
                                  : pick == 2 ? rnd.Range(33, 255)
                                              : rnd.Range(1, 31));
    }
  }
  return t;
}

TEST_P(WideKernels, TranslucentRowsOfEveryLengthOffsetAndLevel) {
  TestRandom rnd(71);
  // Levels past 32 wrap in the 16-bit multiply: the vector paths must
  // wrap the same way.
  std::vector<int> levels;
  for (int a = 0; a <= 32; ++a) levels.push_back(a);
  levels.insert(levels.end(), {33, 47, 1000, 70000});
  for (int a : levels)
    for (int n = 0; n <= 80; ++n)
      for (int off = 0; off < 4; ++off) {
        const size_t size = static_cast<size_t>(n + off + kGuard);
        const Words src = StretchPixels(rnd, size), dst = RandomWords(rnd, size);
        for (bool keyed : {true, false}) {
          Words fast = dst, slow = dst;
          TransMixRow(reinterpret_cast<PIXEL*>(fast.data() + off),
                      reinterpret_cast<const PIXEL*>(src.data() + off), n, a, keyed);
          TransMixRowReference(reinterpret_cast<PIXEL*>(slow.data() + off),
                               reinterpret_cast<const PIXEL*>(src.data() + off), n, a, keyed);
          ASSERT_EQ(fast, slow) << "level " << a << " length " << n << " offset " << off
                                << (keyed ? " keyed" : "");
        }
        Words run = dst, plain = dst;
        MixRun(run.data() + off, src.data() + off, n, a);
        TransMixRowReference(reinterpret_cast<PIXEL*>(plain.data() + off),
                             reinterpret_cast<const PIXEL*>(src.data() + off), n, a, false);
        ASSERT_EQ(run, plain) << "run, level " << a << " length " << n << " offset " << off;
      }
}

TEST_P(WideKernels, AlphaRowsOfEveryLengthOffsetAndWeightClass) {
  TestRandom rnd(72);
  const AlphaRowKernels picked = PickAlphaRowKernels();
  for (int round = 0; round < 12; ++round)
    for (int n = 0; n <= 80; ++n)
      for (int off = 0; off < 4; ++off) {
        const size_t size = static_cast<size_t>(n + off + kGuard);
        // Colours at every byte offset (packed alpha rows are byte
        // streams).
        const Bytes src_bytes = [&] {
          Bytes b(2 * size + 1);
          for (auto& v : b) v = static_cast<uint8_t>(rnd.Next());
          return b;
        }();
        const uint8_t* src = src_bytes.data() + off;
        const Bytes weights = StretchWeights(rnd, size);
        const Words dst = RandomWords(rnd, size);
        Words fast = dst, slow = dst, via = dst;
        AlphaBlendRow(reinterpret_cast<PIXEL*>(fast.data() + off), src, weights.data() + off, n);
        picked.blend(via.data() + off, src, weights.data() + off, n);
        AlphaBlendRowReference(reinterpret_cast<PIXEL*>(slow.data() + off), src,
                               weights.data() + off, n);
        ASSERT_EQ(fast, slow) << "length " << n << " offset " << off;
        ASSERT_EQ(via, slow) << "length " << n << " offset " << off;

        const uint16_t colour = static_cast<uint16_t>(rnd.Next());
        Words solid = dst, solid_slow = dst;
        AlphaBlendSolidRow(reinterpret_cast<PIXEL*>(solid.data() + off), colour,
                           weights.data() + off, n);
        AlphaBlendSolidRowReference(reinterpret_cast<PIXEL*>(solid_slow.data() + off), colour,
                                    weights.data() + off, n);
        ASSERT_EQ(solid, solid_slow) << "solid, length " << n << " offset " << off;
      }
}

// Layers blended in registers (rows padded to 16 pixels by their callers):
// every count of layers up to 8, rows of 16 to 112 pixels so that the
// paired, single and masked last steps all occur, the words after the
// row untouched.
TEST_P(WideKernels, LayersOfEveryCountAndLength) {
  TestRandom rnd(78);
  for (int layers = 0; layers <= 8; ++layers)
    for (int n = 16; n <= 112; n += 16) {
      const Words colours = RandomWords(rnd, static_cast<size_t>(layers) * n);
      const Bytes weights = StretchWeights(rnd, static_cast<size_t>(layers) * n);
      const Words dst = RandomWords(rnd, static_cast<size_t>(n + kGuard));
      Words fast = dst, slow = dst;
      PickAlphaRowKernels().layers(fast.data(), colours.data(), weights.data(), layers, n);
      AlphaBlendLayersReference(reinterpret_cast<PIXEL*>(slow.data()), colours.data(),
                                weights.data(), layers, n);
      ASSERT_EQ(fast, slow) << layers << " layers of " << n;
    }
}

TEST_P(WideKernels, FiveSixFiveConversionOfEveryLengthAndOffset) {
  TestRandom rnd(73);
  for (int n = 0; n <= 80; ++n)
    for (int off = 0; off < 4; ++off) {
      const size_t size = static_cast<size_t>(n + off + kGuard);
      const Words src = RandomWords(rnd, size), dst = RandomWords(rnd, size);
      Words fast = dst, slow = dst;
      ConvertRow555To565(fast.data() + off, src.data() + off, static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) slow[off + i] = Pixel555To565(src[off + i]);
      ASSERT_EQ(fast, slow) << "length " << n << " offset " << off;
    }
  // A whole frame, every colour and mark included.
  Words src(800 * 600);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i * 40503u);
  Words fast(src.size());
  ConvertRow555To565(fast.data(), src.data(), src.size());
  for (size_t i = 0; i < src.size(); ++i)
    ASSERT_EQ(fast[i], Pixel555To565(src[i])) << "pixel " << i;
}

// A frame-sized opaque picture onto a frame (one block of memory), with
// one marked pixel at a time at places around the opaque stretches'
// edges, and the picture one pixel narrower than the frame (rows apart):
// the keyed blit must still leave exactly the marked pixels.
TEST_P(WideKernels, KeyedBlitOfOpaquePicturesWithSingleMarks) {
  TestRandom rnd(74);
  for (int w : {800, 799}) {
    const int h = 60;
    auto picture = MakeDib(w, h);
    auto frame = MakeDib(800, h);
    FillRandom(picture.get(), rnd, 0);
    FillRandom(frame.get(), rnd, 0);
    const Words before = Pixels(frame.get());
    for (int at : {-1, 0, 1, 127, 128, 2047, 2048, 4095, 4096, 20000, w * h - 1}) {
      if (at >= 0) picture->SetPixel(at % w, at / w, static_cast<uint16_t>(0x8000 | at));
      auto target = CopyOf(frame.get());
      picture->Blit(target.get(), 0, 0);
      Words expected = before;
      const Words src = Pixels(picture.get());
      for (int y = 0; y < h; ++y)
        KeyedCopyRowReference(reinterpret_cast<PIXEL*>(&expected[static_cast<size_t>(y) * 800]),
                              reinterpret_cast<const PIXEL*>(&src[static_cast<size_t>(y) * w]), w);
      ASSERT_EQ(Pixels(target.get()), expected) << "width " << w << " mark at " << at;
      if (at >= 0) picture->SetPixel(at % w, at / w, static_cast<uint16_t>(at & 0x7FFF));
    }
  }
}

// Keyed blits of every width up to 80 at every start column modulo 32 and
// through the right edge: each row's tail (1 to 32 pixels past the last
// whole register) must leave key pixels and the frame past the row alone.
TEST_P(WideKernels, KeyedBlitOfEveryWidthEqualsTheRowRule) {
  TestRandom rnd(75);
  auto frame = MakeDib(160, 4);
  FillRandom(frame.get(), rnd, 0);
  const Words before = Pixels(frame.get());
  for (int w = 1; w <= 80; ++w) {
    auto picture = MakeDib(w, 2);
    FillRandom(picture.get(), rnd, 30);
    const Words src = Pixels(picture.get());
    for (int x : {0, 1, 7, 31, 160 - w / 2}) {
      auto target = CopyOf(frame.get());
      picture->Blit(target.get(), x, 1);
      Words expected = before;
      const int n = std::min(w, 160 - x);
      for (int y = 0; y < 2; ++y)
        KeyedCopyRowReference(
            reinterpret_cast<PIXEL*>(&expected[static_cast<size_t>(y + 1) * 160 + x]),
            reinterpret_cast<const PIXEL*>(&src[static_cast<size_t>(y) * w]), n);
      ASSERT_EQ(Pixels(target.get()), expected) << "width " << w << " at " << x;
    }
  }
}

// The translucent blit of a picture over the frame's edges at every level:
// each row as the plain rule mixes it.
TEST_P(WideKernels, TranslucentBlitEqualsTheRowRule) {
  TestRandom rnd(77);
  for (int level = -2; level <= 34; ++level) {
    const int w = rnd.Range(1, 80), h = rnd.Range(1, 20);
    auto picture = MakeDib(w, h);
    FillRandom(picture.get(), rnd, 40);
    auto frame = MakeDib(70, 30);
    FillRandom(frame.get(), rnd, 0);
    const int x = rnd.Range(-w, 70), y = rnd.Range(-h, 30);
    Words expected = Pixels(frame.get());
    const Words src = Pixels(picture.get());
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        if (x + i < 0 || x + i >= 70 || y + j < 0 || y + j >= 30) continue;
        const uint16_t p = src[static_cast<size_t>(j) * w + i];
        uint16_t& d = expected[static_cast<size_t>(y + j) * 70 + x + i];
        if (!(p & 0x8000)) d = ReferenceTransMix(p, d, level > 32 ? 0 : 32 - level);
      }
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = level;
    picture->Blit(frame.get(), x, y, fx);
    ASSERT_EQ(Pixels(frame.get()), expected) << "level " << level << " at " << x << "," << y;
  }
}

// The rotated blit of a plain source: every path gives the pixels of the
// plain per-pixel loop (the 512-bit rows turned off), at angles in every
// quarter, sizes around the 16-pixel step, over the frame's edges.  The
// source is made of small patches of a few colours, half of them marked,
// so that four equal neighbours (which keep bit 15) and all-but-equal ones
// (which do not) are common.
TEST_P(WideKernels, RotatedBlitEqualsThePlainLoop) {
  TestRandom rnd(75);
  const uint16_t palette[] = {0x8000, 0xFC1F, 0x7FFF, 0x0000, 0x801F, 0x03E0, 0x7C00, 0x9234};
  for (int round = 0; round < 24; ++round) {
    const int w = rnd.Range(2, 70), h = rnd.Range(2, 50);
    auto src = MakeDib(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        src->SetPixel(x, y,
                      (x / 3 + y / 2 + round) % 3 == 0 ? static_cast<uint16_t>(rnd.Next())
                                                       : palette[(x / 4 * 7 + y / 3 * 3) % 8]);
    auto frame = MakeDib(90, 70);
    FillRandom(frame.get(), rnd, 10);
    DRAW_FX fx;
    fx.kind = round % 2 ? FX_ROTATE : FX_ROTATECOPY;
    fx.angle = static_cast<float>(rnd.Range(-700, 700)) / 100.0f;
    const int x = rnd.Range(-w, 90), y = rnd.Range(-h, 70);
    auto ours = CopyOf(frame.get());
    src->Blit(ours.get(), x, y, fx);
    ForceNoAvx512ForTests(true);
    auto plain = CopyOf(frame.get());
    src->Blit(plain.get(), x, y, fx);
    ForceNoAvx512ForTests(GetParam() == Path::kAvx2);
    ASSERT_EQ(Pixels(ours.get()), Pixels(plain.get()))
        << w << "x" << h << " at " << x << "," << y << " angle " << fx.angle;
  }
}

// Glyphs whose ink is scattered by a hash of the character and the place,
// so every row has ink and gaps in different columns.
class ScatteredGlyphs : public GlyphSource {
 public:
  bool Render(std::string_view gbk, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 0);
    uint32_t hash = 2166136261u;
    for (char c : gbk) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    for (auto& v : ink) {
      hash = hash * 1103515245u + 12345u;
      v = (hash >> 16) % 3 == 0;
    }
    return true;
  }
};

class WideTextInk : public EngineTest, public ::testing::WithParamInterface<Path> {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetGlyphSource(std::make_unique<ScatteredGlyphs>());
    ForceNoAvx2ForTests(GetParam() == Path::kSse2);
    ForceNoAvx512ForTests(GetParam() == Path::kAvx2);
  }
  void TearDown() override {
    ForceNoAvx2ForTests(false);
    ForceNoAvx512ForTests(false);
    EngineTest::TearDown();
  }
};

// Text of every size at places that cut its glyphs at each edge of a
// clip rectangle: the same pixels as the per-pixel copy of the ink.
TEST_P(WideTextInk, ClippedGlyphsEqualThePerPixelCopy) {
  TestRandom rnd(76);
  char text[] =
      "\xC4\xE3\xBA\xC3"
      "Ag"
      "\xA3\xAC";  // 你好Ag，
  for (int size : {12, 16, 24})
    for (int round = 0; round < 30; ++round) {
      SetCurrentFontSize(size);
      auto surface = MakeDib(100, 60);
      FillRandom(surface.get(), rnd, 0);
      tagRECT clip{rnd.Range(0, 20), rnd.Range(0, 15), rnd.Range(50, 100), rnd.Range(30, 60)};
      surface->SetClipper(clip);
      const int x = rnd.Range(-60, 100), y = rnd.Range(-40, 60);
      const uint16_t colour = static_cast<uint16_t>(rnd.Next() & 0x7FFF);
      auto plain = CopyOf(surface.get());
      surface->DrawTextA(x, y, colour, text);
      ForceNoAvx512ForTests(true);
      plain->DrawTextA(x, y, colour, text);
      ForceNoAvx512ForTests(GetParam() == Path::kAvx2);
      ASSERT_EQ(Pixels(surface.get()), Pixels(plain.get()))
          << "size " << size << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, WideTextInk,
                         ::testing::Values(Path::kWide, Path::kAvx2, Path::kSse2),
                         [](const ::testing::TestParamInfo<Path>& i) {
                           return i.param == Path::kWide   ? "Avx512"
                                  : i.param == Path::kAvx2 ? "Avx2"
                                                           : "Sse2";
                         });

INSTANTIATE_TEST_SUITE_P(Paths, WideKernels,
                         ::testing::Values(Path::kWide, Path::kAvx2, Path::kSse2),
                         [](const ::testing::TestParamInfo<Path>& i) {
                           return i.param == Path::kWide   ? "Avx512"
                                  : i.param == Path::kAvx2 ? "Avx2"
                                                           : "Sse2";
                         });

}  // namespace
}  // namespace tessera::test
