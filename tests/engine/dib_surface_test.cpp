// The plain surface: pixel access, clipping, every blit and effect; and
// surfaces used as the wrong kind: every entry point that draws into a
// destination or touches a clip rectangle takes the block through one
// accessor, so a run-length destination is an unsupported operation (the
// engine's fatal "doesn't support" report, nothing written) and a null or
// uninitialised one is refused quietly, the same way everywhere.
#include "engine/dib_surface.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include "engine/alpha_surface.h"
#include "engine/dle_surface.h"
#include "engine/double_alpha_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_mask_surface.h"
#include "engine/rle_surface.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

// A source whose pixel (x, y) is x + 16 * y (all below 0x8000).
std::unique_ptr<DIBSURFACE> Numbered(int w, int h) {
  auto s = MakeDib(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) BlockRows(s->GetBitmap())[y][x] = static_cast<uint16_t>(x + 16 * y);
  return s;
}

// Every pixel of `dst` against want(x, y); stops at the first miss.
void ExpectEach(SURFACE* dst, const std::function<uint16_t(int, int)>& want) {
  for (int y = 0; y < dst->GetHeight(); ++y)
    for (int x = 0; x < dst->GetWidth(); ++x)
      ASSERT_EQ(dst->GetPixel(x, y), want(x, y)) << x << "," << y;
}

DRAW_FX Fx(int kind) {
  DRAW_FX fx;
  fx.kind = kind;
  return fx;
}

TEST(DibPixelTest, GetPixelIgnoresTheClipButNotTheBounds) {
  auto s = MakeDib(6, 4, 0x1234);
  s->SetClipper(tagRECT{2, 1, 4, 3});
  for (auto [x, y] : {std::pair{-1, 0}, {6, 0}, {0, -1}, {0, 4}})
    EXPECT_EQ(s->GetPixel(x, y), COLOR_KEY);
  // SetPixel honours the clip: left of it, and its exclusive right and bottom.
  for (auto [x, y] : {std::pair{1, 1}, {4, 1}, {2, 3}, {2, 1}, {3, 2}})
    s->SetPixel(x, y, static_cast<uint16_t>(x));
  ExpectEach(s.get(), [](int x, int y) -> uint16_t {
    return (x == 2 && y == 1) || (x == 3 && y == 2) ? x : 0x1234;
  });
}

// The keyed and the part copy cut at every edge of the destination's clip
// rectangle and of the source: inside `in` the destination shows source
// pixel (x - ox, y - oy), elsewhere it keeps 0x7777.
TEST(DibBlitTest, KeyedAndPartCopiesClipToDestinationAndSource) {
  // Outside on every side, empty or beyond the source: nothing drawn.
  const std::vector<std::vector<int>> outside = {
      {0, -10},
      {0, 20},
      {INT32_MIN, 0},
      {INT32_MAX, INT32_MAX},
      {0, 0, 3, 3, 0, 5},
      {10, 0, 3, 3, 4, 4},
      {0, 0, 3, 3, -4, 4},
  };
  struct Case {
    int sw, sh;
    tagRECT clip, in;
    int ox, oy;
    std::vector<std::vector<int>> blits;  // (x, y): keyed; (sx, sy, x, y, w, h): part copy
  } const cases[] = {
      {10, 10, {5, 4, 12, 9}, {8, 6, 12, 9}, 8, 6, {{8, 6}}},
      // sx = -5: the destination moves right by 5, and w counts from column 0.
      {12, 6, {0, 0, 40, 10}, {15, 2, 27, 5}, 15, 2, {{-5, 0, 10, 2, 20, 3}}},
      {8, 8, {2, 2, 6, 5}, {2, 2, 6, 5}, -1, -1, {{1, 1, 0, 0, 8, 8}}},
      {10, 10, {0, 0, 20, 20}, {}, 0, 0, outside},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    auto src = Numbered(c.sw, c.sh);
    BlockRows(src->GetBitmap())[1][1] = 0x8000;  // keyed blits skip it, the part copy copies it
    auto dst = MakeDib(40, 20, 0x7777);
    dst->SetClipper(c.clip);
    for (const auto& b : c.blits)
      b.size() == 2 ? src->Blit(dst.get(), b[0], b[1])
                    : src->Blit(dst.get(), b[0], b[1], b[2], b[3], b[4], b[5]);
    const bool keyed = c.blits[0].size() == 2;
    ExpectEach(dst.get(), [&](int x, int y) -> uint16_t {
      const uint16_t s = src->GetPixel(x - c.ox, y - c.oy);
      const bool in = x >= c.in.left && x < c.in.right && y >= c.in.top && y < c.in.bottom;
      return in && !(keyed && s == 0x8000) ? s : 0x7777;
    });
  }
}

TEST(DibBlitTest, OverlappingPartCopyOntoItself) {
  auto s = Numbered(8, 1);
  s->Blit(s.get(), 0, 0, 2, 0, 6, 1);
  EXPECT_EQ(Pixels(s.get()), (std::vector<uint16_t>{0, 1, 0, 1, 2, 3, 4, 5}));
}

// FX_FILL fills the source's own clip rectangle, never the destination.
// FX_RECTFILL ignores the clip and resets it to the whole surface, does
// nothing at all for a negative size, fills one row for a zero height and
// stops at the surface's edges (ASan would see a write past the block).
TEST(DibFillTest, FillAndRectangleFill) {
  auto s = MakeDib(10, 6, 0);
  auto other = MakeDib(6, 4, 0x1111);
  s->SetClipper(tagRECT{1, 1, 3, 3});
  DRAW_FX fx = Fx(FX_FILL);
  fx.colour = 0x2222;
  s->Blit(other.get(), 0, 0, fx);
  EXPECT_EQ(Pixels(other.get()), std::vector<uint16_t>(24, 0x1111));
  fx = Fx(FX_RECTFILL);
  fx.colour = 1;
  fx.width = -1;
  fx.height = 5;
  s->Blit(nullptr, 0, 0, fx);
  tagRECT clip{};
  s->GetClipper(clip);
  EXPECT_EQ(clip.left, 1);
  fx.width = 5;
  fx.height = 0;
  s->Blit(nullptr, 4, 4, fx);
  fx.width = fx.height = 100;
  s->Blit(nullptr, 8, 5, fx);
  fx.height = 0;
  s->Blit(nullptr, 0, 6, fx);  // the one row would be below the surface
  s->GetClipper(clip);
  EXPECT_TRUE(clip.left == 0 && clip.top == 0 && clip.right == 10 && clip.bottom == 6);
  ExpectEach(s.get(), [](int x, int y) -> uint16_t {
    if ((y == 4 && x >= 4 && x < 9) || (y == 5 && x >= 8)) return 1;
    return x >= 1 && x < 3 && y >= 1 && y < 3 ? 0x2222 : 0;
  });
}

// Whole n x n blocks from their top-left pixel, counted from the clipped
// origin; a keyed corner leaves its block alone (only the exact key);
// sizes 0 and below draw nothing.
TEST(DibMosaicTest, WholeBlocksFromTheClippedOriginAndKeyedBlocksLeftAlone) {
  auto src = Numbered(10, 9);
  BlockRows(src->GetBitmap())[4][4] = COLOR_KEY;        // top-left of block (1,1)
  BlockRows(src->GetBitmap())[0][4] = 0x8000 | 0x0004;  // not the key: drawn
  auto dst = MakeDib(12, 12, 0x7777);
  DRAW_FX fx = Fx(FX_MOSAIC);
  fx.size = 4;
  src->Blit(dst.get(), 1, 1, fx);
  ExpectEach(dst.get(), [&](int x, int y) -> uint16_t {
    const int vx = x - 1, vy = y - 1, bx = vx / 4 * 4, by = vy / 4 * 4;
    if (vx < 0 || vx >= 8 || vy < 0 || vy >= 8 || (bx == 4 && by == 4))
      return 0x7777;  // 2 x 2 whole blocks
    return src->GetPixel(bx, by);
  });
  auto before = Pixels(dst.get());
  for (int size : {0, -3}) {
    fx.size = size;
    src->Blit(dst.get(), 0, 0, fx);
    EXPECT_EQ(Pixels(dst.get()), before);
  }
  // Clipped on the left by 3: visible columns 3..9 make 3 blocks of 2.
  auto clipped = MakeDib(10, 2, 0x7777);
  fx.size = 2;
  src->Blit(clipped.get(), -3, 0, fx);
  ExpectEach(clipped.get(), [&](int x, int) -> uint16_t {
    return x < 6 ? src->GetPixel(3 + x / 2 * 2, 0) : PIXEL(0x7777);
  });
}

TEST(DibMirrorTest, ReversesRowsSkipsTheKeyAndHonoursClipping) {
  auto src = Numbered(6, 2);
  BlockRows(src->GetBitmap())[0][0] = COLOR_KEY;
  BlockRows(src->GetBitmap())[0][1] = 0x8001;  // only the exact key is skipped
  auto dst = MakeDib(6, 2, 0x7777);
  DRAW_FX fx = Fx(FX_MIRROR);
  src->Blit(dst.get(), 0, 0, fx);
  const uint16_t row0[6] = {5, 4, 3, 2, 0x8001, 0x7777};
  ExpectEach(dst.get(), [&](int x, int y) -> uint16_t { return y == 0 ? row0[x] : 16 + 5 - x; });
  // Clipped on the left by 2: the visible span is source columns 2..5, reversed.
  dst = MakeDib(6, 1, 0x7777);
  src->Blit(dst.get(), -2, 0, fx);
  const uint16_t clipped[6] = {5, 4, 3, 2, 0x7777, 0x7777};
  ExpectEach(dst.get(), [&](int x, int) { return clipped[x]; });
}

// FX_MASK draws the source where the attached run-length mask has runs.
// With the top clipped the mask is still walked from its first row (the
// engine's behaviour), and the clip's right edge holds; no mask: nothing.
TEST(DibMaskBlitTest, DrawsWhatTheMaskRunsCover) {
  auto src = Numbered(6, 3);
  auto shape = MakeDib(6, 3, COLOR_KEY);
  for (auto [x, y] : {std::pair{1, 0}, {2, 0}, {4, 0}, {2, 1}}) shape->SetPixel(x, y, 0);
  for (int x = 0; x < 6; ++x) shape->SetPixel(x, 2, 0);
  RLEMASKSURFACE mask(6, 3);
  ASSERT_EQ(mask.Initialize(shape.get()), 1);
  src->SetAttachedSurface(&mask, SF_MASK);
  EXPECT_EQ(src->GetFlag(), SF_MASK);
  auto dst = MakeDib(8, 4, 0x7777);
  DRAW_FX fx = Fx(FX_MASK);
  src->Blit(dst.get(), 1, 1, fx);
  ExpectEach(dst.get(), [&](int x, int y) -> uint16_t {
    return shape->GetPixel(x - 1, y - 1) == 0 ? src->GetPixel(x - 1, y - 1) : PIXEL(0x7777);
  });
  dst = MakeDib(6, 4, 0x7777);
  dst->SetClipper(tagRECT{0, 0, 4, 4});
  src->Blit(dst.get(), 0, -1, fx);  // source rows 1 and 2 with mask rows 0 and 1
  ExpectEach(dst.get(), [](int x, int y) -> uint16_t {
    if (y == 0 && x >= 1 && x < 3) return 16 + x;
    return y == 1 && x == 2 ? 34 : 0x7777;
  });
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
  for (int kind : {static_cast<int>(FX_SECONDALPHA), 9, -1, 1000}) {
    DRAW_FX fx = Fx(kind);
    src->Blit(dst.get(), 0, 0, fx);
  }
  EXPECT_EQ(Pixels(dst.get()), std::vector<uint16_t>(256, 0x1234));
}

class SurfaceKindGuardTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    src_ = MakeDib(8, 8, 0x1234);
    rle_ = std::make_unique<RLESURFACE>(8, 8);
    ASSERT_EQ(rle_->Initialize(src_.get()), 1);
  }
  std::unique_ptr<DIBSURFACE> src_;
  std::unique_ptr<RLESURFACE> rle_;
};

const char kUnsupported[] = "MSGBOX \\[Error\\] the function doesn't support\\.";

// Each kind's unsupported operations end the process with the engine's
// report and their own number; drawing into a run-length surface or
// setting its clip (every entry point takes the block through one
// accessor) ends it before anything is written; a surface that cannot get
// its memory ends it too.
TEST_F(SurfaceKindGuardTest, UnsupportedOperationsAndMissingMemoryEndTheProcess) {
  RLEMASKSURFACE mask(8, 8);
  ASSERT_EQ(mask.Initialize(src_.get()), 1);
  RLESURFACE other(8, 8);
  ASSERT_EQ(other.Initialize(src_.get()), 1);
  ALPHASURFACE alpha(8, 8);
  ASSERT_NE(alpha.Initialize(), 0);
  const std::vector<uint8_t> dle_bytes =
      EncodeDleImage(2, 1, std::vector<uint16_t>(2, 1).data(), std::vector<uint8_t>(2, 0).data());
  std::unique_ptr<DLESURFACE> dle(LoadDleSurface(dle_bytes.data(), dle_bytes.size()));
  ASSERT_NE(dle, nullptr);
  SURFACE* dib = src_.get();
  SURFACE* rle = rle_.get();
  tagRECT r = {1, 1, 4, 4};
  DRAW_FX none, trans, mirror, rotate;
  trans.kind = FX_TRANS;
  trans.level = 16;
  mirror.kind = FX_MIRROR;
  rotate.kind = FX_ROTATE;
  rotate.angle = 0.5f;
  const std::string no_memory_dib = "MSGBOX \\[Error\\] Can't create bitmap";
  const std::string no_memory_alpha = "MSGBOX \\[Error\\] Can't create Alhpa Channel bitmap";
  const std::string unsupported = kUnsupported;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { dle->Blit(dib, 0, 0, none); }, unsupported + "1"},
      {[&] { rle->SetPixel(0, 0, 1); }, unsupported + "2"},
      {[&] { rle->Blit(dib, 0, 0, 0, 0, 1, 1); }, unsupported + "3"},
      {[&] { dle->Blit(dib, 0, 0, 0, 0, 1, 1); }, unsupported + "3"},
      {[&] { mask.Blit(dib, 0, 0); }, unsupported + "4"},
      {[&] { mask.SetPixel(0, 0, 0); }, unsupported + "5"},
      {[&] { mask.Blit(dib, 0, 0, 0, 0, 1, 1); }, unsupported + "6"},
      {[&] { mask.Blit(dib, 0, 0, none); }, unsupported + "7"},
      {[&] { rle->SetClipper(r); }, unsupported},
      {[&] { rle->GetClipper(r); }, unsupported},
      {[&] { mask.SetClipper(r); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, 0, 0, 4, 4); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, trans); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, mirror); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, rotate); }, unsupported},
      {[&] { other.Blit(rle, 0, 0); }, unsupported},
      {[&] { alpha.Blit(rle, 0, 0); }, unsupported},
      {[&] { dib->Blit(dle.get(), 0, 0); }, unsupported},
      {[] { DIBSURFACE(1 << 20, 1 << 20).Initialize(); }, no_memory_dib},
      {[] { ALPHASURFACE(100000, 100000).Initialize(); }, no_memory_alpha},
      {[] { DOUBLEALPHASURFACE(100000, 100000).Initialize(); }, no_memory_alpha},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EXIT(cases[i].first(), ::testing::ExitedWithCode(0), cases[i].second) << "case " << i;
  // The report comes before anything is written: the run table is intact.
  EXPECT_EQ(rle_->GetPixel(3, 3), 0x1234);
  // A packed stream is not decoded into one either (a plain refusal).
  const std::vector<uint8_t> stream = PackedStreamBytes(EncodePackedStream(src_.get()));
  EXPECT_FALSE(DecodePackedStream(stream.data(), stream.size(), rle_.get()));
}

TEST_F(SurfaceKindGuardTest, NullAndUninitialisedSurfacesAreRefusedQuietly) {
  DIBSURFACE blank(8, 8);  // never initialised: no block
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  src_->Blit(nullptr, 0, 0);
  src_->Blit(nullptr, 0, 0, 0, 0, 4, 4);
  src_->Blit(nullptr, 0, 0, fx);
  src_->Blit(&blank, 0, 0);
  src_->Blit(&blank, 0, 0, fx);
  blank.Blit(src_.get(), 0, 0);  // an uninitialised source draws nothing
  rle_->Blit(nullptr, 0, 0);
  rle_->Blit(&blank, 0, 0);
  tagRECT r = {1, 2, 3, 4};
  blank.SetClipper(r);
  blank.GetClipper(r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(src_->GetPixel(0, 0), 0x1234);
  EXPECT_EQ(PlainBlock(nullptr), nullptr);
  EXPECT_EQ(PlainBlock(&blank), nullptr);
  EXPECT_EQ(PlainBlock(rle_.get()), nullptr);
  EXPECT_EQ(PlainBlock(src_.get()), src_->GetBitmap());
  // A packed alpha surface keeps a clip rectangle, yet is no destination.
  DLESURFACE dle(8, 8);
  tagRECT set = {1, 2, 5, 6}, got = {};
  dle.SetClipper(set);
  dle.GetClipper(got);
  EXPECT_EQ(got.left, 1);
  EXPECT_EQ(got.bottom, 6);
  EXPECT_EQ(PlainBlock(&dle), nullptr);
  EXPECT_EQ(PlainBlock(&dle, BlockUse::kClip), dle.GetBitmap());
}

}  // namespace
}  // namespace tessera::test
