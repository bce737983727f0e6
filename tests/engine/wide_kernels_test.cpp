// The pixel kernels on each path the processor offers -- 512-bit (where it
// has AVX-512BW), 256-bit with the 512-bit loops turned off, 128-bit with
// both off -- against the plain per-pixel rules: rows of every length
// 0..80 (every tail of a 8-, 16- and 32-pixel register, and two whole
// steps before it) starting at each of the first four words of a cache
// line, and the words around each row left untouched (a masked last step
// must neither read nor write past the row).  A TESSERA_SCALAR build runs
// the same checks on the plain rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/alpha_rows.h"
#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/pixel_block.h"
#include "engine/pixel_convert.h"
#include "engine/pixel_rows.h"
#include "engine/rle_surface.h"
#include "engine/run_rows.h"
#include "gui/map/opaque_runs.h"
#include "platform/glyph_source.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;
using Bytes = std::vector<uint8_t>;

enum class Path { kWide, kAvx2, kSse2 };

class WideKernels : public EngineTest, public ::testing::WithParamInterface<Path> {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ForceNoAvx2ForTests(GetParam() == Path::kSse2);
    ForceNoAvx512ForTests(GetParam() == Path::kAvx2);
  }
  void TearDown() override {
    ForceNoAvx2ForTests(false);
    ForceNoAvx512ForTests(false);
    EngineTest::TearDown();
  }
  // Runs `draw` on `target` with the 512-bit loops off, then back as the
  // parameter has them: the plain loop a wide path must equal.
  template <class Draw>
  void WithoutWideLoops(Draw draw) {
    ForceNoAvx512ForTests(true);
    draw();
    ForceNoAvx512ForTests(GetParam() == Path::kAvx2);
  }
};

constexpr int kGuard = 40;  // words kept around every row

Words RandomWords(TestRandom& rnd, size_t n) {
  Words w(n);
  for (auto& p : w) p = static_cast<uint16_t>(rnd.Next());
  return w;
}

// Source pixels in stretches of a random length, each all marked, all
// clear, mixed, or clear but for one marked pixel (which a test for an
// all-opaque register must not miss), so that whole registers of each
// kind and registers that straddle two kinds all occur.
Words StretchPixels(TestRandom& rnd, size_t n) {
  Words w = RandomWords(rnd, n);
  for (size_t i = 0; i < n;) {
    const int kind = rnd.Range(0, 3), len = rnd.Range(1, 40), mark = rnd.Range(0, len - 1);
    for (int k = 0; k < len && i < n; ++k, ++i)
      if (kind == 0 || (kind == 3 && k == mark))
        w[i] |= 0x8000;
      else if (kind != 2)
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

PIXEL* P(uint16_t* w) { return reinterpret_cast<PIXEL*>(w); }
const PIXEL* P(const uint16_t* w) { return reinterpret_cast<const PIXEL*>(w); }

// The copy, fill, translucent and 5-6-5 rows.  Levels past 32 wrap in the 16-bit
// multiply: the vector paths must wrap the same way.
TEST_P(WideKernels, CopyFillAndTranslucentRows) {
  TestRandom rnd(71);
  for (int a : {0, 1, 16, 31, 32, 33, 47, 1000, 70000})
    for (int n = 0; n <= 80; ++n)
      for (int off = 0; off < 4; ++off) {
        SCOPED_TRACE(::testing::Message() << "level " << a << " length " << n << " offset " << off);
        const size_t size = static_cast<size_t>(n) + off + kGuard;
        const Words src = StretchPixels(rnd, size), dst = RandomWords(rnd, size);
        const uint16_t* s = src.data() + off;
        for (bool keyed : {true, false}) {
          Words fast = dst, slow = dst;
          TransMixRow(P(fast.data() + off), P(s), n, a, keyed);
          TransMixRowReference(P(slow.data() + off), P(s), n, a, keyed);
          ASSERT_EQ(fast, slow) << (keyed ? "keyed" : "every pixel");
        }
        // The run-length blits' mix and copy: no key test.
        Words run = dst, plain = dst;
        MixRun(run.data() + off, s, n, a);
        TransMixRowReference(P(plain.data() + off), P(s), n, a, false);
        ASSERT_EQ(run, plain) << "mix run";
        if (a != 0) continue;  // the copies have no level
        Words copy = dst, keyed = dst, keyed_slow = dst, fill = dst, expect_copy = dst,
              expect_fill = dst;
        CopyRun(copy.data() + off, s, n);
        KeyedCopyRow(P(keyed.data() + off), P(s), n);
        KeyedCopyRowReference(P(keyed_slow.data() + off), P(s), n);
        FillRow(P(fill.data() + off), n, src[0]);
        std::copy(s, s + n, expect_copy.begin() + off);
        std::fill_n(expect_fill.begin() + off, n, src[0]);
        ASSERT_EQ(copy, expect_copy) << "copy run";
        ASSERT_EQ(keyed, keyed_slow) << "keyed copy";
        ASSERT_EQ(fill, expect_fill) << "fill";
        Words conv = dst, expect_conv = dst;
        ConvertRow555To565(conv.data() + off, s, static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) expect_conv[off + i] = Pixel555To565(s[i]);
        ASSERT_EQ(conv, expect_conv) << "5-6-5";
      }
}

// Every colour at every weight 0..40 (a source at an odd address, as packed
// alpha rows hold it): the arithmetic of each lane, not only the tails.
// (The one-colour rows meet every weight class in the next test.)
TEST_P(WideKernels, AlphaBlendOfEveryColourAtEveryWeight) {
  TestRandom rnd(31);
  Bytes bytes(2 * 65536 + 1);
  for (size_t i = 0; i < 65536; ++i) {
    bytes[1 + 2 * i] = static_cast<uint8_t>(i);
    bytes[2 + 2 * i] = static_cast<uint8_t>(i >> 8);
  }
  for (int t = 0; t <= 40; ++t) {
    const Words dst = RandomWords(rnd, 65536);
    const Bytes weights(dst.size(), static_cast<uint8_t>(t));
    Words fast = dst, slow = dst;
    AlphaBlendRow(P(fast.data()), bytes.data() + 1, weights.data(), 65536);
    AlphaBlendRowReference(P(slow.data()), bytes.data() + 1, weights.data(), 65536);
    ASSERT_EQ(fast, slow) << "weight " << t;
  }
}

TEST_P(WideKernels, AlphaRowsOfEveryLengthOffsetAndWeightClass) {
  TestRandom rnd(72);
  const AlphaRowKernels picked = PickAlphaRowKernels();
  for (int round = 0; round < 4; ++round)
    for (int n = 0; n <= 80; ++n)
      for (int off = 0; off < 4; ++off) {
        SCOPED_TRACE(::testing::Message() << "length " << n << " offset " << off);
        const size_t size = static_cast<size_t>(n) + off + kGuard;
        // Colours at every byte offset (packed alpha rows are byte streams).
        Bytes src_bytes(2 * size + 1);
        for (auto& v : src_bytes) v = static_cast<uint8_t>(rnd.Next());
        const uint8_t* src = src_bytes.data() + off;
        const Bytes weights = StretchWeights(rnd, size);
        const uint8_t* w = weights.data() + off;
        const Words dst = RandomWords(rnd, size);
        Words fast = dst, slow = dst, via = dst;
        AlphaBlendRow(P(fast.data() + off), src, w, n);
        picked.blend(via.data() + off, src, w, n);
        AlphaBlendRowReference(P(slow.data() + off), src, w, n);
        ASSERT_EQ(fast, slow);
        ASSERT_EQ(via, slow) << "picked";

        const uint16_t colour = static_cast<uint16_t>(rnd.Next());
        Words solid = dst, solid_via = dst, solid_slow = dst;
        AlphaBlendSolidRow(P(solid.data() + off), colour, w, n);
        picked.solid(solid_via.data() + off, colour, w, n);
        AlphaBlendSolidRowReference(P(solid_slow.data() + off), colour, w, n);
        ASSERT_EQ(solid, solid_slow) << "solid";
        ASSERT_EQ(solid_via, solid_slow) << "picked solid";
        // The one-colour reference is the general one over a row of that colour.
        const Words row(size, colour);
        Words general = dst;
        AlphaBlendRowReference(P(general.data() + off), row.data(), w, n);
        ASSERT_EQ(general, solid_slow) << "solid reference";
      }
}

// Layers blended in registers (rows padded to 16 pixels by their callers):
// every count of layers up to 8, rows of 16 to 112 pixels so that the
// paired, single and masked last steps all occur, the words after the
// row untouched; the same as blending each layer's row in turn.
TEST_P(WideKernels, LayersOfEveryCountAndLength) {
  TestRandom rnd(78);
  for (int layers = 0; layers <= 8; ++layers)
    for (int n = 16; n <= 112; n += 16) {
      SCOPED_TRACE(::testing::Message() << layers << " layers of " << n);
      const Words colours = RandomWords(rnd, static_cast<size_t>(layers) * n);
      const Bytes weights = StretchWeights(rnd, static_cast<size_t>(layers) * n);
      const Words dst = RandomWords(rnd, static_cast<size_t>(n) + kGuard);
      Words fast = dst, picked = dst, slow = dst, in_turn = dst;
      AlphaBlendLayers(P(fast.data()), colours.data(), weights.data(), layers, n);
      PickAlphaRowKernels().layers(picked.data(), colours.data(), weights.data(), layers, n);
      AlphaBlendLayersReference(P(slow.data()), colours.data(), weights.data(), layers, n);
      for (int l = 0; l < layers; ++l)
        AlphaBlendRowReference(P(in_turn.data()), colours.data() + l * n, weights.data() + l * n,
                               n);
      ASSERT_EQ(fast, slow);
      ASSERT_EQ(picked, slow);
      ASSERT_EQ(in_turn, slow) << "one layer after another";
    }
}

// Every colour through the 5-6-5 conversion.
TEST_P(WideKernels, FiveSixFiveConversionOfEveryColour) {
  Words src(65536), fast(65536);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i);
  ConvertRow555To565(fast.data(), src.data(), src.size());
  for (size_t i = 0; i < src.size(); ++i)
    ASSERT_EQ(fast[i], Pixel555To565(src[i])) << "pixel " << i;
}

// Row y of a copy test image: alternating marked gaps (the key colour or
// other marked pixels) and opaque runs whose lengths walk through 0..70
// with the row (every tail of a register), row 3 a single run of 300
// pixels (past the 255-pixel run limit).  With `one_run` the rows of a
// convex shape instead, which the run-length blit draws by a loop of its
// own: one run on the key colour at a random place, as long as the row's
// walk gives (0 leaves the row empty), row 3 the whole width (over 255
// pixels a second header, so the widest image takes the general loop).
std::unique_ptr<DIBSURFACE> RunImage(int w, int h, TestRandom& rng, bool one_run) {
  auto s = MakeDib(w, h);
  for (int y = 0; y < h; ++y) {
    if (one_run) {
      const int n = y == 3 ? w : y % 71, a = y == 3 ? 0 : rng.Range(0, w);
      for (int x = 0; x < w; ++x)
        s->SetPixel(x, y,
                    x >= a && x < a + n ? static_cast<uint16_t>(rng.Next() & 0x7FFF) : COLOR_KEY);
      continue;
    }
    int x = 0, run = y % 71, gap = rng.Range(0, 3);
    while (x < w) {
      for (int i = 0; i < gap && x < w; ++i, ++x)
        s->SetPixel(x, y, rng.Range(0, 1) ? COLOR_KEY : static_cast<uint16_t>(0x8000 | rng.Next()));
      for (int i = 0; i < run && x < w; ++i, ++x)
        s->SetPixel(x, y, static_cast<uint16_t>(rng.Next() & 0x7FFF));
      gap = rng.Range(1, 9);
      run = y == 3 ? 300 : (run * 7 + 5) % 71;
    }
  }
  return s;
}

// The copy blits -- keyed, part copy, run-length, a map sprite's opaque
// runs -- against the per-pixel rule, on images of widths around the
// 32-pixel register placed inside the frame and over each of its edges.
// The keyed blit leaves marked pixels, a run-length image only the key
// colour (it keeps other marked pixels as opaque ones), the part copy none.
TEST_P(WideKernels, EveryCopyBlitGivesThePerPixelResultAtEveryEdge) {
  constexpr int kFrameW = 120, kFrameH = 50;
  TestRandom rng(11);
  const int sizes[][2] = {{1, 1},  {31, 5},   {32, 7},  {33, 4},           {64, 9},
                          {65, 6}, {100, 40}, {400, 8}, {kFrameW, kFrameH}};
  for (const bool one_run : {false, true})
    for (const auto& size : sizes) {
      const int w = size[0], h = size[1];
      auto image = RunImage(w, h, rng, one_run);
      RLESURFACE rle(w, h);
      ASSERT_EQ(rle.Initialize(image.get()), 1);
      OpaqueRuns runs;
      ASSERT_TRUE(runs.Build(image.get()));
      // At the origin (a frame-sized image is then one block), inside, over
      // the left, right, top and bottom edges, over a corner, and wholly
      // outside.
      const int places[][2] = {{0, 0},      {3, 2},
                               {-w / 2, 1}, {kFrameW - w / 2, 4},
                               {5, -h / 2}, {2, kFrameH - h / 2},
                               {-7, -3},    {kFrameW - 1, kFrameH - 1},
                               {-w, 0},     {kFrameW, 0}};
      for (const auto& at : places) {
        const int x = at[0], y = at[1];
        SCOPED_TRACE(::testing::Message() << (one_run ? "one run a row, " : "") << w << "x" << h
                                          << " at " << x << "," << y);
        auto frame = MakeDib(kFrameW, kFrameH);
        FillRandom(frame.get(), rng, 0);
        const Words before = Pixels(frame.get());
        Words keyed = before, plain = before, key_colour = before;
        for (int j = 0; j < h; ++j)
          for (int i = 0; i < w; ++i) {
            const int fx = x + i, fy = y + j;
            if (fx < 0 || fy < 0 || fx >= kFrameW || fy >= kFrameH) continue;
            const size_t at_frame = static_cast<size_t>(fy) * kFrameW + fx;
            const uint16_t p = image->GetPixel(i, j).GetColor();
            plain[at_frame] = p;
            if (!(p & 0x8000)) keyed[at_frame] = p;
            if (p != COLOR_KEY) key_colour[at_frame] = p;
          }
        auto copy = CopyOf(frame.get()), rle_frame = CopyOf(frame.get()),
             runs_frame = CopyOf(frame.get());
        image->Blit(frame.get(), x, y);
        EXPECT_EQ(Pixels(frame.get()), keyed) << "keyed";
        image->Blit(copy.get(), 0, 0, x, y, w, h);
        EXPECT_EQ(Pixels(copy.get()), plain) << "part copy";
        rle.Blit(rle_frame.get(), x, y);
        EXPECT_EQ(Pixels(rle_frame.get()), key_colour) << "run-length";
        runs.Draw(runs_frame.get(), x, y);
        EXPECT_EQ(Pixels(runs_frame.get()), keyed) << "opaque runs";
      }
    }
}

// The translucent blit of a picture, and of its run-length image, over a
// clipped frame's edges at every level: each row as the plain rule mixes
// it; the picture never draws marked pixels, the run-length image only
// skips the key colour.
TEST_P(WideKernels, TranslucentBlitsEqualTheRowRule) {
  TestRandom rnd(77);
  for (int level = -2; level <= 34; ++level) {
    const int w = rnd.Range(1, 80), h = rnd.Range(1, 20);
    auto picture = MakeDib(w, h);
    FillRandom(picture.get(), rnd, 40);
    RLESURFACE rle(w, h);
    ASSERT_EQ(rle.Initialize(picture.get()), 1);
    auto frame = MakeDib(70, 30);
    FillRandom(frame.get(), rnd, 0);
    const tagRECT clip{rnd.Range(0, 10), rnd.Range(0, 5), rnd.Range(40, 70), rnd.Range(15, 30)};
    frame->SetClipper(clip);
    auto rle_frame = CopyOf(frame.get());
    const int x = rnd.Range(-w, 70), y = rnd.Range(-h, 30);
    Words expected = Pixels(frame.get()), rle_expected = expected;
    const Words src = Pixels(picture.get());
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        if (x + i < clip.left || x + i >= clip.right || y + j < clip.top || y + j >= clip.bottom)
          continue;
        const uint16_t p = src[static_cast<size_t>(j) * w + i];
        const size_t at = static_cast<size_t>(y + j) * 70 + x + i;
        const int a = level > 32 ? 0 : 32 - level;
        if (!(p & 0x8000)) expected[at] = ReferenceTransMix(p, expected[at], a);
        if (p != COLOR_KEY) rle_expected[at] = ReferenceTransMix(p, rle_expected[at], a);
      }
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = level;
    picture->Blit(frame.get(), x, y, fx);
    rle.Blit(rle_frame.get(), x, y, fx);
    SCOPED_TRACE(::testing::Message() << "level " << level << " at " << x << "," << y);
    ASSERT_EQ(Pixels(frame.get()), expected);
    ASSERT_EQ(Pixels(rle_frame.get()), rle_expected) << "run-length";
  }
}

uint16_t RotationMix(uint16_t p, uint16_t q, unsigned f) {
  if (p == q) return p;
  unsigned out = 0;
  for (int shift : {10, 5, 0}) {
    const unsigned a = (p >> shift) & 31, b = (q >> shift) & 31;
    out |= (((32 - f) * a + 8 + f * b + 8) >> 5) << shift;
  }
  return static_cast<uint16_t>(out);
}

// The rotation written out step by step over a plain copy of the pixels:
// bounding box of the corners, clip, per-row start in 16.16, stepping,
// bilinear mix with the top five fraction bits.
Words ReferenceRotate(SURFACE* src, Words dst, int dw, tagRECT clip, int x, int y, float angle) {
  const int w = src->GetWidth(), h = src->GetHeight();
  const float s = std::sin(angle), c = std::cos(angle);
  const int mid_x = x + w / 2, mid_y = y + h / 2;  // whole pixels
  const float cx = static_cast<float>(mid_x), cy = static_cast<float>(mid_y);
  const float ux = w * c / 2, uy = -w * s / 2, vx = h * s / 2, vy = h * c / 2;
  const float xs[4] = {cx - ux - vx, cx + ux - vx, cx - ux + vx, cx + ux + vx};
  const float ys[4] = {cy - uy - vy, cy + uy - vy, cy - uy + vy, cy + uy + vy};
  const int left = std::max<int>(static_cast<int>(*std::min_element(xs, xs + 4)), clip.left);
  const int right = std::min<int>(static_cast<int>(*std::max_element(xs, xs + 4)), clip.right - 1);
  const int top = std::max<int>(static_cast<int>(*std::min_element(ys, ys + 4)), clip.top);
  const int bottom =
      std::min<int>(static_cast<int>(*std::max_element(ys, ys + 4)), clip.bottom - 1);
  const int32_t cf = static_cast<int32_t>(c * 65536.0f), sf = static_cast<int32_t>(s * 65536.0f);
  for (int ry = top; ry <= bottom; ++ry) {
    const float dx = left - xs[0], dy = ry - ys[0];
    int64_t u = static_cast<int32_t>((dx * c - dy * s) * 65536.0f);
    int64_t v = static_cast<int32_t>((dx * s + dy * c) * 65536.0f);
    for (int rx = left; rx <= right; ++rx, u += cf, v += sf) {
      if (u < 0 || v < 0 || (u >> 16) >= w - 1 || (v >> 16) >= h - 1) continue;
      const int iu = static_cast<int>(u >> 16), iv = static_cast<int>(v >> 16);
      const unsigned fu = static_cast<unsigned>(u & 0xFFFF) >> 11,
                     fv = static_cast<unsigned>(v & 0xFFFF) >> 11;
      const uint16_t top_mix = RotationMix(src->GetPixel(iu, iv), src->GetPixel(iu + 1, iv), fu);
      const uint16_t bottom_mix =
          RotationMix(src->GetPixel(iu, iv + 1), src->GetPixel(iu + 1, iv + 1), fu);
      dst[ry * dw + rx] = RotationMix(top_mix, bottom_mix, fv);
    }
  }
  return dst;
}

// The rotated blit of a plain source on every path against the rule
// written out step by step: angle 0 (all but the last column and row
// copied), a quarter turn, then angles in every quarter; sizes around the
// 16-pixel step, over the clip rectangle's edges; a source one pixel wide
// (no 2 x 2 cell: nothing drawn) and a place far outside.  The source is
// made of small patches of a few colours, half of them marked, so that
// four equal neighbours (which keep bit 15) and all-but-equal ones (which
// do not) are common.
TEST_P(WideKernels, RotatedBlitEqualsTheStepByStepRule) {
  TestRandom rnd(75);
  const uint16_t palette[] = {0x8000, 0xFC1F, 0x7FFF, 0x0000, 0x801F, 0x03E0, 0x7C00, 0x9234};
  for (int round = 0; round < 26; ++round) {
    const int w = round == 24 ? 1 : rnd.Range(2, 70), h = rnd.Range(2, 50);
    auto src = MakeDib(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        src->SetPixel(x, y,
                      (x / 3 + y / 2 + round) % 3 == 0 ? static_cast<uint16_t>(rnd.Next())
                                                       : palette[(x / 4 * 7 + y / 3 * 3) % 8]);
    auto frame = MakeDib(90, 70);
    FillRandom(frame.get(), rnd, 10);
    const tagRECT clip{rnd.Range(0, 8), rnd.Range(0, 8), rnd.Range(60, 90), rnd.Range(45, 70)};
    frame->SetClipper(clip);
    DRAW_FX fx;
    fx.kind = round % 2 ? FX_ROTATE : FX_ROTATECOPY;
    fx.angle = round == 0   ? 0.0f
               : round == 1 ? static_cast<float>(M_PI / 2)
                            : static_cast<float>(rnd.Range(-700, 700)) / 100.0f;
    const int x = rnd.Range(-w, 90), y = round == 25 ? 1000 : rnd.Range(-h, 70);
    const Words expected =
        ReferenceRotate(src.get(), Pixels(frame.get()), 90, clip, x, y, fx.angle);
    src->Blit(frame.get(), x, y, fx);
    ASSERT_EQ(Pixels(frame.get()), expected)
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

// Text of every size at places that cut its glyphs at each edge of a
// clip rectangle: the same pixels as the per-pixel copy of the ink.
TEST_P(WideKernels, ClippedGlyphsEqualThePerPixelCopy) {
  SetGlyphSource(std::make_unique<ScatteredGlyphs>());
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
      WithoutWideLoops([&] { plain->DrawTextA(x, y, colour, text); });
      ASSERT_EQ(Pixels(surface.get()), Pixels(plain.get()))
          << "size " << size << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, WideKernels,
                         ::testing::Values(Path::kWide, Path::kAvx2, Path::kSse2),
                         [](const ::testing::TestParamInfo<Path>& i) {
                           return i.param == Path::kWide   ? "Avx512"
                                  : i.param == Path::kAvx2 ? "Avx2"
                                                           : "Sse2";
                         });

}  // namespace
}  // namespace tessera::test
