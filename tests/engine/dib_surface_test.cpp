// The plain surface: pixel access, clipping, every blit and effect, and the
// fast row kernels against the per-pixel rules.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/cpu_features.h"
#include "engine/dib_surface.h"
#include "engine/pixel_rows.h"
#include "engine/rle_layout.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"

namespace {

using tessera::BlockHeader;
using tessera::BlockRows;
using tessera::test::FillRandom;
using tessera::test::MakeDib;
using tessera::test::Pixels;
using tessera::test::ReferenceTransMix;
using tessera::test::TestRandom;

// A source whose pixel (x, y) is x + 16 * y (all below 0x8000).
std::unique_ptr<DIBSURFACE> Numbered(int w, int h) {
  auto s = MakeDib(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) BlockRows(s->GetBitmap())[y][x] = static_cast<uint16_t>(x + 16 * y);
  return s;
}

TEST(DibPixelTest, GetPixelIgnoresTheClipButNotTheBounds) {
  auto s = MakeDib(6, 4, 0x1234);
  tagRECT clip{2, 1, 4, 3};
  s->SetClipper(clip);
  EXPECT_EQ(s->GetPixel(0, 0), 0x1234);  // outside the clip, inside the surface
  EXPECT_EQ(s->GetPixel(-1, 0), COLOR_KEY);
  EXPECT_EQ(s->GetPixel(6, 0), COLOR_KEY);
  EXPECT_EQ(s->GetPixel(0, -1), COLOR_KEY);
  EXPECT_EQ(s->GetPixel(0, 4), COLOR_KEY);
  s->SetPixel(1, 1, 0x0001);  // left of the clip
  s->SetPixel(4, 1, 0x0001);  // clip right is exclusive
  s->SetPixel(2, 3, 0x0001);  // clip bottom is exclusive
  s->SetPixel(2, 1, 0x0002);
  s->SetPixel(3, 2, 0x0003);
  EXPECT_EQ(s->GetPixel(1, 1), 0x1234);
  EXPECT_EQ(s->GetPixel(4, 1), 0x1234);
  EXPECT_EQ(s->GetPixel(2, 3), 0x1234);
  EXPECT_EQ(s->GetPixel(2, 1), 0x0002);
  EXPECT_EQ(s->GetPixel(3, 2), 0x0003);
}

TEST(DibKeyedBlitTest, BitFifteenDecidesAndOnlyTheSourceShows) {
  auto dst = MakeDib(8, 2, 0x0111);
  auto src = MakeDib(8, 1);
  const uint16_t row[8] = {0x8000, 0x7FFF, COLOR_KEY, 0x0000, 0xFFFF, 0x4321, 0x8001, 0x0001};
  for (int i = 0; i < 8; ++i) BlockRows(src->GetBitmap())[0][i] = row[i];
  src->Blit(dst.get(), 0, 1);
  const uint16_t want[8] = {0x0111, 0x7FFF, 0x0111, 0x0000, 0x0111, 0x4321, 0x0111, 0x0001};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(dst->GetPixel(i, 1), want[i]) << i;
    EXPECT_EQ(dst->GetPixel(i, 0), 0x0111) << i;
  }
}

TEST(DibKeyedBlitTest, ClipsAgainstTheDestinationAtEveryEdge) {
  auto src = Numbered(10, 10);
  // Top-left: columns 3-9 and rows 2-9 land at the origin.
  auto dst = MakeDib(20, 20, 0x7777);
  src->Blit(dst.get(), -3, -2);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      uint16_t want = (x < 7 && y < 8) ? static_cast<uint16_t>(x + 3 + 16 * (y + 2)) : 0x7777;
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }
  // Bottom-right against a smaller clip rectangle.
  dst = MakeDib(20, 20, 0x7777);
  tagRECT clip{5, 4, 12, 9};
  dst->SetClipper(clip);
  src->Blit(dst.get(), 8, 6);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      bool in = x >= 8 && x < 12 && y >= 6 && y < 9;
      uint16_t want = in ? static_cast<uint16_t>(x - 8 + 16 * (y - 6)) : 0x7777;
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }
  // Entirely outside on each side: nothing.
  dst = MakeDib(20, 20, 0x7777);
  for (auto [x, y] : {std::pair{-10, 0}, {20, 0}, {0, -10}, {0, 20}, {INT32_MIN, 0}, {INT32_MAX, INT32_MAX}})
    src->Blit(dst.get(), x, y);
  EXPECT_EQ(Pixels(dst.get()), std::vector<uint16_t>(400, 0x7777));
}

TEST(DibPartCopyTest, CopiesEveryPixelAndMovesANegativeOrigin) {
  auto src = Numbered(12, 6);
  BlockRows(src->GetBitmap())[1][1] = 0x8000;  // no key: copied as it is
  auto dst = MakeDib(40, 10, 0x7777);
  // sx = -5: the destination moves right by 5, and w counts from column 0.
  src->Blit(dst.get(), -5, 0, 10, 2, 20, 3);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) {
      bool in = x >= 15 && x < 27 && y >= 2 && y < 5;
      uint16_t want = in ? static_cast<uint16_t>(x - 15 + 16 * (y - 2)) : 0x7777;
      if (in && x == 16 && y == 3) want = 0x8000;
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }
}

TEST(DibPartCopyTest, ClipsToDestinationClipAndSourceSize) {
  auto src = Numbered(8, 8);
  auto dst = MakeDib(10, 10, 0x7777);
  tagRECT clip{2, 2, 6, 5};
  dst->SetClipper(clip);
  src->Blit(dst.get(), 1, 1, 0, 0, 8, 8);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      bool in = x >= 2 && x < 6 && y >= 2 && y < 5;
      uint16_t want = in ? static_cast<uint16_t>(x + 1 + 16 * (y + 1)) : 0x7777;
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }
  // Width or height of zero, or a part beyond the source: nothing.
  auto before = Pixels(dst.get());
  src->Blit(dst.get(), 0, 0, 3, 3, 0, 5);
  src->Blit(dst.get(), 8, 0, 3, 3, 4, 4);
  src->Blit(dst.get(), 0, 0, 3, 3, -4, 4);
  EXPECT_EQ(Pixels(dst.get()), before);
}

TEST(DibPartCopyTest, OverlappingCopyOntoItself) {
  auto s = Numbered(8, 1);
  s->Blit(s.get(), 0, 0, 2, 0, 6, 1);
  const uint16_t want[8] = {0, 1, 0, 1, 2, 3, 4, 5};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s->GetPixel(i, 0), want[i]);
}

TEST(DibFillTest, FxFillFillsTheSourceClipNotTheDestination) {
  auto s = MakeDib(6, 4, 0);
  auto other = MakeDib(6, 4, 0x1111);
  tagRECT clip{1, 1, 3, 3};
  s->SetClipper(clip);
  DRAW_FX fx;
  fx.kind = FX_FILL;
  fx.colour = 0x2222;
  s->Blit(other.get(), 0, 0, fx);
  EXPECT_EQ(Pixels(other.get()), std::vector<uint16_t>(24, 0x1111));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(s->GetPixel(x, y), (x >= 1 && x < 3 && y >= 1 && y < 3) ? 0x2222 : 0) << x << "," << y;
}

TEST(DibFillTest, RectFillResetsTheClipToTheWholeSurface) {
  auto s = MakeDib(10, 10, 0);
  tagRECT clip{2, 2, 8, 8};
  s->SetClipper(clip);
  DRAW_FX fx;
  fx.kind = FX_RECTFILL;
  fx.width = 5;
  fx.height = 5;
  fx.colour = 0x0F0F;
  s->Blit(nullptr, 0, 0, fx);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(s->GetPixel(x, y), (x < 5 && y < 5) ? 0x0F0F : 0);
  tagRECT after{};
  s->GetClipper(after);
  EXPECT_EQ(after.left, 0);
  EXPECT_EQ(after.top, 0);
  EXPECT_EQ(after.right, 10);
  EXPECT_EQ(after.bottom, 10);
  // A negative argument does nothing, not even the clip reset.
  s->SetClipper(clip);
  fx.width = -1;
  s->Blit(nullptr, 0, 0, fx);
  s->GetClipper(after);
  EXPECT_EQ(after.left, 2);
}

TEST(DibFillTest, ZeroHeightStillFillsOneRowAndNeverLeavesTheSurface) {
  auto s = MakeDib(6, 3, 0);
  DRAW_FX fx;
  fx.kind = FX_RECTFILL;
  fx.colour = 0x0001;
  fx.width = 2;
  fx.height = 0;
  s->Blit(nullptr, 1, 1, fx);
  EXPECT_EQ(s->GetPixel(1, 1), 1);
  EXPECT_EQ(s->GetPixel(2, 1), 1);
  EXPECT_EQ(s->GetPixel(3, 1), 0);
  EXPECT_EQ(s->GetPixel(1, 2), 0);
  // A rectangle reaching past the surface is cut at its edge (ASan would
  // catch a write beyond the block).
  fx.width = 100;
  fx.height = 100;
  s->Blit(nullptr, 4, 2, fx);
  EXPECT_EQ(s->GetPixel(5, 2), 1);
  fx.height = 0;
  s->Blit(nullptr, 0, 3, fx);  // the one row would be below the surface
}

TEST(DibTransBlitTest, LevelsAndExactBlend) {
  auto src = MakeDib(4, 1);
  const uint16_t sv[4] = {0x7C00, 0x03E0, 0x001F, 0x8000 | 0x7FFF};
  for (int i = 0; i < 4; ++i) BlockRows(src->GetBitmap())[0][i] = sv[i];
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  for (int level : {0, 1, 15, 16, 17, 31, 32, 33, 100}) {
    auto dst = MakeDib(4, 1, 0x294A);  // 10, 10, 10
    fx.level = level;
    src->Blit(dst.get(), 0, 0, fx);
    int a = std::max(32 - level, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dst->GetPixel(i, 0), ReferenceTransMix(sv[i], 0x294A, a)) << level;
    EXPECT_EQ(dst->GetPixel(3, 0), 0x294A);  // marked source pixel: untouched
  }
  // Level 32 equals the keyed blit, level 0 changes nothing.
  auto d32 = MakeDib(4, 1, 0x294A), keyed = MakeDib(4, 1, 0x294A);
  fx.level = 32;
  src->Blit(d32.get(), 0, 0, fx);
  src->Blit(keyed.get(), 0, 0);
  EXPECT_EQ(Pixels(d32.get()), Pixels(keyed.get()));
  auto d0 = MakeDib(4, 1, 0x294A);
  fx.level = 0;
  src->Blit(d0.get(), 0, 0, fx);
  EXPECT_EQ(Pixels(d0.get()), std::vector<uint16_t>(4, 0x294A));
  // Level 16 of full red over black lands next to half red.
  EXPECT_EQ(ReferenceTransMix(0x7C00, 0x0000, 16) >> 10, 15);
}

TEST(DibMosaicTest, WholeBlocksOnlyAndKeyedBlocksLeftAlone) {
  auto src = Numbered(10, 9);
  BlockRows(src->GetBitmap())[4][4] = COLOR_KEY;        // top-left of block (1,1)
  BlockRows(src->GetBitmap())[0][5] = 0x8000 | 0x0005;  // not the key: drawn
  auto dst = MakeDib(12, 12, 0x7777);
  DRAW_FX fx;
  fx.kind = FX_MOSAIC;
  fx.size = 4;
  src->Blit(dst.get(), 1, 1, fx);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      int vx = x - 1, vy = y - 1;
      uint16_t want = 0x7777;
      if (vx >= 0 && vx < 8 && vy >= 0 && vy < 8) {  // 2 x 2 whole blocks of 4
        int bx = vx / 4 * 4, by = vy / 4 * 4;
        if (!(bx == 4 && by == 4)) want = static_cast<uint16_t>(bx + 16 * by);
      }
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }
  // Size 0 and below draw nothing; size 1 copies every non-key pixel.
  auto before = Pixels(dst.get());
  for (int size : {0, -3}) {
    fx.size = size;
    src->Blit(dst.get(), 0, 0, fx);
    EXPECT_EQ(Pixels(dst.get()), before);
  }
  auto one = MakeDib(10, 9, 0x7777);
  fx.size = 1;
  src->Blit(one.get(), 0, 0, fx);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(one->GetPixel(x, y), src->GetPixel(x, y) == COLOR_KEY ? PIXEL(0x7777) : src->GetPixel(x, y));
}

TEST(DibMosaicTest, BlocksCountFromTheClippedOrigin) {
  auto src = Numbered(10, 4);
  auto dst = MakeDib(10, 4, 0x7777);
  DRAW_FX fx;
  fx.kind = FX_MOSAIC;
  fx.size = 2;
  src->Blit(dst.get(), -3, 0, fx);  // visible columns 3..9 of the source: 7 wide, 3 blocks
  for (int x = 0; x < 10; ++x) {
    uint16_t want = x < 6 ? static_cast<uint16_t>(3 + x / 2 * 2) : 0x7777;
    EXPECT_EQ(dst->GetPixel(x, 0), want) << x;
  }
}

TEST(DibMirrorTest, ReversesRowsSkipsTheKeyAndHonoursClipping) {
  auto src = Numbered(6, 2);
  BlockRows(src->GetBitmap())[0][0] = COLOR_KEY;
  BlockRows(src->GetBitmap())[0][1] = 0x8001;  // only the exact key is skipped
  auto dst = MakeDib(6, 2, 0x7777);
  DRAW_FX fx;
  fx.kind = FX_MIRROR;
  src->Blit(dst.get(), 0, 0, fx);
  const uint16_t row0[6] = {5, 4, 3, 2, 0x8001, 0x7777};
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(dst->GetPixel(x, 0), row0[x]) << x;
    EXPECT_EQ(dst->GetPixel(x, 1), 16 + 5 - x) << x;
  }
  // Clipped on the left by 2: the visible span is source columns 2..5,
  // reversed.
  dst = MakeDib(6, 1, 0x7777);
  src->Blit(dst.get(), -2, 0, fx);
  const uint16_t clipped[6] = {5, 4, 3, 2, 0x7777, 0x7777};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(dst->GetPixel(x, 0), clipped[x]) << x;
}

// A run-length mask built by hand in the mask block layout.
class HandMask : public SURFACE {
 public:
  HandMask(int w, int h, const std::vector<uint16_t>& headers) : SURFACE(w, h) {
    m_Style = SS_RLEMASK;
    m_pData = std::malloc(16 + headers.size() * 2);
    auto* hd = static_cast<tessera::RleBlockHeader*>(m_pData);
    hd->width = w;
    hd->height = h;
    uint16_t* stream = reinterpret_cast<uint16_t*>(static_cast<char*>(m_pData) + 16);
    std::copy(headers.begin(), headers.end(), stream);
    tessera::RleMaskStream(m_pData) = stream;
  }
  int Initialize() override { return 1; }
  void SetPixel(int, int, PIXEL) override {}
  PIXEL GetPixel(int, int) override { return COLOR_KEY; }
  void Blit(SURFACE*, int, int, DRAW_FX&) override {}
  void Blit(SURFACE*, int, int) override {}
  void Blit(SURFACE*, int, int, int, int, int, int) override {}
};

uint16_t RunHeader(int gap, int count) { return static_cast<uint16_t>(gap << 8 | count); }

TEST(DibMaskBlitTest, DrawsWhatTheMaskRunsCover) {
  auto src = Numbered(6, 3);
  HandMask mask(6, 3, {RunHeader(1, 2), RunHeader(1, 1), 0, 0, RunHeader(0, 6), 0});
  src->SetAttachedSurface(&mask, SF_MASK);
  auto dst = MakeDib(8, 4, 0x7777);
  DRAW_FX fx;
  fx.kind = FX_MASK;
  src->Blit(dst.get(), 1, 1, fx);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      int sx = x - 1, sy = y - 1;
      bool drawn = (sy == 0 && (sx == 1 || sx == 2 || sx == 4)) || (sy == 2 && sx >= 0 && sx < 6);
      ASSERT_EQ(dst->GetPixel(x, y), drawn ? src->GetPixel(sx, sy) : PIXEL(0x7777)) << x << "," << y;
    }
}

TEST(DibMaskBlitTest, ClippedTopWalksTheMaskFromItsFirstRowAndNeverLeavesTheClip) {
  auto src = Numbered(6, 3);
  HandMask mask(6, 3, {RunHeader(0, 6), 0, RunHeader(2, 1), 0, RunHeader(0, 6), 0});
  src->SetAttachedSurface(&mask, SF_MASK);
  auto dst = MakeDib(6, 4, 0x7777);
  tagRECT clip{0, 0, 4, 4};
  dst->SetClipper(clip);
  DRAW_FX fx;
  fx.kind = FX_MASK;
  src->Blit(dst.get(), 0, -1, fx);
  // Visible rows are source rows 1 and 2; they pair with mask rows 0 and 1.
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(dst->GetPixel(x, 0), x < 4 ? 16 + x : 0x7777) << x;  // clip right = 4
    EXPECT_EQ(dst->GetPixel(x, 1), x == 2 ? 32 + 2 : 0x7777) << x;
  }
  // No mask attached, or the wrong kind: nothing.
  src->SetAttachedSurface(nullptr, SF_NONE);
  auto before = Pixels(dst.get());
  src->Blit(dst.get(), 0, 0, fx);
  EXPECT_EQ(Pixels(dst.get()), before);
}

TEST(DibEffectTest, UnknownKindsAndSecondAlphaDrawNothing) {
  TestRandom rng(3);
  auto src = MakeDib(16, 16);
  FillRandom(src.get(), rng, 20);
  auto dst = MakeDib(16, 16, 0x1234);
  DRAW_FX fx;
  for (int kind : {static_cast<int>(FX_SECONDALPHA), 9, -1, 1000}) {
    fx.kind = kind;
    src->Blit(dst.get(), 0, 0, fx);
  }
  EXPECT_EQ(Pixels(dst.get()), std::vector<uint16_t>(256, 0x1234));
}

// The SSE2 row kernels against the per-pixel rules, on random rows of
// every length around the eight-pixel step, at odd offsets.
class DibKernelTest : public tessera::test::EngineTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    tessera::ForceNoAvx2ForTests(!GetParam());
  }
};

// Lengths around the 8- and 32-pixel steps, with whole opaque and whole
// marked blocks among the random ones, with and without the AVX2 loops.
TEST_P(DibKernelTest, RowKernelsMatchThePerPixelRules) {
  TestRandom rng(7);
  for (int n = 0; n <= 100; ++n) {
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<uint16_t> s(n + 3), d(n + 3);
      const int mode = trial % 4;  // mixed, all opaque, all marked, long runs
      for (size_t k = 0; k < s.size(); ++k) {
        uint16_t& v = s[k];
        v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
        const bool marked = mode == 0 ? rng.Range(0, 3) == 0 : mode == 2 ? true : mode == 3 ? (k / 37) % 2 == 1 : false;
        if (marked) v |= 0x8000;
      }
      for (auto& v : d) v = static_cast<uint16_t>(rng.Next());
      const int a = rng.Range(0, 40);
      std::vector<uint16_t> keyed = d, trans = d, all = d, fill = d;
      tessera::FillRow(reinterpret_cast<PIXEL*>(fill.data() + 1), n, s[0]);
      tessera::KeyedCopyRow(reinterpret_cast<PIXEL*>(keyed.data() + 1), reinterpret_cast<PIXEL*>(s.data() + 2), n);
      tessera::TransMixRow(reinterpret_cast<PIXEL*>(trans.data() + 1), reinterpret_cast<PIXEL*>(s.data() + 2), n, a);
      tessera::TransMixRow(reinterpret_cast<PIXEL*>(all.data() + 1), reinterpret_cast<PIXEL*>(s.data() + 2), n, a,
                           false);
      for (int i = 0; i < n + 3; ++i) {
        const bool in = i >= 1 && i <= n;
        const uint16_t sp = in ? s[i + 1] : 0, dp = d[i];
        ASSERT_EQ(keyed[i], in && !(sp & 0x8000) ? sp : dp) << n << " " << i;
        ASSERT_EQ(trans[i], in && !(sp & 0x8000) ? ReferenceTransMix(sp, dp, a) : dp) << n << " " << i;
        ASSERT_EQ(all[i], in ? ReferenceTransMix(sp, dp, a) : dp) << n << " " << i;
        ASSERT_EQ(fill[i], in ? s[0] : dp) << n << " " << i;
      }
    }
  }
}

TEST_P(DibKernelTest, WholeBlitsMatchThePerPixelRulesOnRandomImages) {
  TestRandom rng(11);
  for (int trial = 0; trial < 30; ++trial) {
    const int w = rng.Range(1, 70), h = rng.Range(1, 20);
    auto src = MakeDib(w, h);
    FillRandom(src.get(), rng, rng.Range(0, 100));
    auto dst = MakeDib(64, 24);
    FillRandom(dst.get(), rng, 0);
    tagRECT clip{rng.Range(0, 10), rng.Range(0, 5), rng.Range(30, 64), rng.Range(12, 24)};
    dst->SetClipper(clip);
    const int x = rng.Range(-20, 60), y = rng.Range(-10, 22), level = rng.Range(0, 32);
    auto expect = Pixels(dst.get()), expect_keyed = expect;
    for (int sy = 0; sy < h; ++sy)
      for (int sx = 0; sx < w; ++sx) {
        const int dx = x + sx, dy = y + sy;
        if (dx < clip.left || dx >= clip.right || dy < clip.top || dy >= clip.bottom) continue;
        const uint16_t sp = src->GetPixel(sx, sy);
        if (sp & 0x8000) continue;
        uint16_t& dp = expect[dy * 64 + dx];
        dp = ReferenceTransMix(sp, dp, 32 - level);
        expect_keyed[dy * 64 + dx] = sp;
      }
    auto keyed = MakeDib(64, 24);
    const auto start = Pixels(dst.get());
    for (int i = 0; i < 64 * 24; ++i) tessera::BlockRows(keyed->GetBitmap())[i / 64][i % 64] = start[i];
    keyed->SetClipper(clip);
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = level;
    src->Blit(dst.get(), x, y, fx);
    ASSERT_EQ(Pixels(dst.get()), expect) << "trial " << trial;
    src->Blit(keyed.get(), x, y);
    ASSERT_EQ(Pixels(keyed.get()), expect_keyed) << "trial " << trial;
  }
}

INSTANTIATE_TEST_SUITE_P(Avx2, DibKernelTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Avx2" : "Sse2"; });

using DibDeathTest = tessera::test::EngineTest;

TEST(DibDeathTest, ASurfaceThatCannotGetMemoryEndsTheProcess) {
  EXPECT_EXIT(
      {
        DIBSURFACE s(1 << 20, 1 << 20);
        s.Initialize();
      },
      testing::ExitedWithCode(0), "MSGBOX \\[Error\\] Can't create bitmap");
}

}  // namespace
