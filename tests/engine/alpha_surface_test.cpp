// The alpha surfaces: the plain one (colour plane and weights), the one
// with a second weight plane, and the packed one read from segments, each
// against the per-pixel blend rule or the plain alpha surface.
#include "engine/alpha_surface.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/alpha_access.h"
#include "engine/blend_table.h"
#include "engine/dle_surface.h"
#include "engine/double_alpha_surface.h"
#include "engine/packed_stream.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

template <class Kind = ALPHASURFACE>
std::unique_ptr<Kind> MakeAlpha(int w, int h, uint16_t colour, char opacity) {
  auto a = std::make_unique<Kind>(w, h);
  EXPECT_EQ(a->Initialize(), 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      a->SetPixel(x, y, colour);
      a->PutAlphaPixel(x, y, opacity);
    }
  return a;
}

struct Picture {
  Words colours;
  Bytes weights;
  int w = 0, h = 0;
};

// Colours and weights in stretches of 32 (nothing drawn), 0 (copied) and
// graded weights; with `damaged`, now and then a weight above 32.
Picture RandomPicture(TestRandom& rnd, int w, int h, bool damaged = false) {
  Picture p{Words(static_cast<size_t>(w) * h), Bytes(static_cast<size_t>(w) * h), w, h};
  for (size_t i = 0; i < p.colours.size();) {
    const int mode = rnd.Range(0, 2), len = rnd.Range(1, 15);
    for (int k = 0; k < len && i < p.colours.size(); ++k, ++i) {
      p.colours[i] = static_cast<uint16_t>(rnd.Next());
      p.weights[i] = mode == 0 ? 32 : mode == 1 ? 0 : static_cast<uint8_t>(rnd.Range(1, 31));
      if (damaged && rnd.Range(0, 50) == 0) p.weights[i] = static_cast<uint8_t>(rnd.Range(33, 255));
    }
  }
  return p;
}

// The picture's weights, and its colours where a weight is below 32.
void Fill(ALPHASURFACE* a, const Picture& p) {
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) {
      const size_t i = static_cast<size_t>(y) * p.w + x;
      if (p.weights[i] < 32) a->SetPixel(x, y, p.colours[i]);
      AlphaRow(a->GetBitmap(), y)[x] = p.weights[i];
    }
}

// The blend of one pixel, written out per channel: products truncated,
// bit 15 of the source playing no part, weight 32 and above keeping the
// destination (its bit 15 too).
uint16_t ScalarBlend(uint16_t s, uint16_t d, unsigned t) {
  if (t >= 32) return d;
  unsigned out = 0;
  for (int shift : {10, 5, 0}) {
    const unsigned sc = (s >> shift) & 31, dc = (d >> shift) & 31;
    out |= ((sc * (32 - t)) / 32 + (dc * t) / 32) << shift;
  }
  return static_cast<uint16_t>(out);
}

TEST(AlphaSurface, BlockLayoutAndStoredWeights) {
  ALPHASURFACE five(5, 2), four(4, 2);
  five.Initialize();
  four.Initialize();
  EXPECT_EQ(BlockHeader(five.GetBitmap())->pitch, 16);
  EXPECT_EQ(BlockHeader(four.GetBitmap())->pitch, 12);
  five.PutAlphaPixel(1, 1, 31);
  five.PutAlphaPixel(2, 1, 0);
  five.PutAlphaPixel(3, 1, 16);
  EXPECT_EQ(five.GetAlphaPixel(1, 1), 0);
  EXPECT_EQ(five.GetAlphaPixel(2, 1), 32);
  EXPECT_EQ(five.GetAlphaPixel(3, 1), 16);
  // The weights sit right after the row's colours.
  EXPECT_EQ(reinterpret_cast<uint8_t*>(BlockRows(five.GetBitmap())[1])[10 + 3], 16);
  // SetPixel ignores the clip rectangle; outside reads the key and 32.
  five.SetClipper(tagRECT{1, 1, 2, 2});
  five.SetPixel(4, 1, 0x1234);
  EXPECT_EQ(five.GetPixel(4, 1), 0x1234);
  EXPECT_EQ(five.GetPixel(5, 1), COLOR_KEY);
  EXPECT_EQ(five.GetAlphaPixel(-1, 0), 32);
  // ZeroFill: the empty picture of a new surface again (colour 0, weight
  // 32, which draws nothing; the new-surface test checks that picture).
  five.ZeroFill();
  EXPECT_EQ(five.GetPixel(4, 1), 0);
  EXPECT_EQ(five.GetAlphaPixel(3, 1), 32);
}

TEST(AlphaSurface, FillRectKeepsAnEvenWidthAndTheWeights) {
  auto a = MakeAlpha(7, 3, 0, 9);
  a->FillRect(1, 0, 6, 2, PIXEL(0x0011));                 // width 5 fills 4 columns
  const Words expect = {0, 0x11, 0x11, 0x11, 0x11, 0, 0,  //
                        0, 0x11, 0x11, 0x11, 0x11, 0, 0,  //
                        0, 0,    0,    0,    0,    0, 0};
  EXPECT_EQ(Pixels(a.get()), expect);
  EXPECT_EQ(a->GetAlphaPixel(1, 0), 23);
  a->FillRect(0, 0, 0, 0, PIXEL(0x0022));  // the whole surface: 6 of 7 columns
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(a->GetPixel(x, y), 0x22);
    EXPECT_EQ(a->GetPixel(6, y), 0);
  }
  a->FillRect(2, 0, 3, 3, PIXEL(0x0033));        // width 1: nothing
  a->FillRect(4, 0, 2, 3, PIXEL(0x0033));        // negative: nothing
  a->FillRect(-4, -1, 100, 100, PIXEL(0x0044));  // kept inside
  EXPECT_EQ(a->GetPixel(0, 0), 0x44);
  EXPECT_EQ(a->GetPixel(6, 2), 0x44);
}

TEST(AlphaSurface, BlitsMatchTheScalarReference) {
  TestRandom rnd(9);
  for (int round = 0; round < 400; ++round) {
    const int w = rnd.Range(1, 70), h = rnd.Range(1, 12);
    ALPHASURFACE src(w, h);
    src.Initialize();
    Fill(&src, RandomPicture(rnd, w, h, true));
    auto dst = RandomTarget(rnd, 90, 16);
    const int dw = dst->GetWidth(), dh = dst->GetHeight();
    tagRECT clip;
    dst->GetClipper(clip);
    const int cl = clip.left, ct = clip.top, cr = clip.right, cb = clip.bottom;
    Words expect = Pixels(dst.get());
    const bool part = round % 2 == 1;
    int sx = 0, sy = 0, pw = w, ph = h;
    const int x = rnd.Range(-w, dw), y = rnd.Range(-h, dh);
    if (part) {
      sx = rnd.Range(-5, w);
      sy = rnd.Range(-5, h);
      pw = rnd.Range(0, w + 5);
      ph = rnd.Range(0, h + 5);
      src.Blit(dst.get(), sx, sy, x, y, pw, ph);
    } else if (round % 4 == 0) {
      src.Blit(dst.get(), x, y);
    } else {
      DRAW_FX fx;
      fx.kind = rnd.Range(0, 9);  // every kind but the rotations is the alpha blit
      if (fx.kind == FX_ROTATE || fx.kind == FX_ROTATECOPY) fx.kind = FX_MIRROR;
      src.Blit(dst.get(), x, y, fx);
    }
    // Reference: the part rectangle moved as the plain part copy moves it.
    int ox = x, oy = y;
    if (part && sx < 0) ox -= sx, sx = 0;
    if (part && sy < 0) oy -= sy, sy = 0;
    for (int j = 0; j < ph; ++j)
      for (int i = 0; i < pw; ++i) {
        const int px = sx + i, py = sy + j, dx = ox + i, dy = oy + j;
        if (px >= w || py >= h || dx < cl || dx >= cr || dy < ct || dy >= cb) continue;
        uint16_t& d = expect[static_cast<size_t>(dy) * dw + dx];
        d = ScalarBlend(src.GetPixel(px, py), d, static_cast<uint8_t>(src.GetAlphaPixel(px, py)));
      }
    ASSERT_EQ(Pixels(dst.get()), expect) << "round " << round;
  }
}

TEST(AlphaSurface, RotationOfAnAlphaSource) {
  TestRandom rnd(4);
  ALPHASURFACE src(8, 6);
  src.Initialize();
  Fill(&src, RandomPicture(rnd, 8, 6, true));
  // Angle 0 over a plain destination: blended with the blend table's
  // rounding, all but the last column and row, weights above 32 as 32.
  auto dst = MakeDib(20, 20, 0);
  FillRandom(dst.get(), rnd, 30);
  const Words before = Pixels(dst.get());
  DRAW_FX fx;
  fx.kind = FX_ROTATE;
  fx.angle = 0.0f;
  src.Blit(dst.get(), 3, 4, fx);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      uint16_t want = before[y * 20 + x];
      const int u = x - 3, v = y - 4;
      if (u >= 0 && v >= 0 && u < 7 && v < 5) {
        const uint16_t s = src.GetPixel(u, v);
        const unsigned a =
            32 - std::min<unsigned>(static_cast<uint8_t>(src.GetAlphaPixel(u, v)), 32);
        want = static_cast<uint16_t>(BlendChannel(a, (s >> 10) & 31, (want >> 10) & 31) << 10 |
                                     BlendChannel(a, (s >> 5) & 31, (want >> 5) & 31) << 5 |
                                     BlendChannel(a, s & 31, want & 31));
      }
      ASSERT_EQ(dst->GetPixel(x, y), want) << x << "," << y;
    }

  // Rotate-copy onto an alpha destination: cleared first, then colour and
  // weight copied (angle 0 gives the source pixel's channels).
  auto adst = MakeAlpha(12, 12, 0x5555, 31);
  fx.kind = FX_ROTATECOPY;
  src.Blit(adst.get(), 2, 2, fx);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const int u = x - 2, v = y - 2;
      if (u >= 0 && v >= 0 && u < 7 && v < 5) {
        ASSERT_EQ(adst->GetPixel(x, y), src.GetPixel(u, v) & 0x7FFF) << x << "," << y;
        ASSERT_EQ(adst->GetAlphaPixel(x, y),
                  std::min<int>(static_cast<uint8_t>(src.GetAlphaPixel(u, v)), 32));
      } else {
        ASSERT_EQ(adst->GetPixel(x, y), 0);
        ASSERT_EQ(adst->GetAlphaPixel(x, y), 32);
      }
    }

  // Kind 5 over an alpha destination blends colours and leaves its plane.
  auto over = MakeAlpha(12, 12, 0x0000, 9);
  fx.kind = FX_ROTATE;
  src.Blit(over.get(), 2, 2, fx);
  EXPECT_EQ(over->GetAlphaPixel(5, 5), 23);
  EXPECT_NE(Pixels(over.get()), Words(144, 0));
  fx.kind = FX_ROTATECOPY;

  // A plain source rotate-copied onto an alpha destination writes colours
  // only: the cleared plane stays transparent.
  auto plain = MakeDib(4, 4, 0x0123);
  plain->Blit(adst.get(), 0, 0, fx);
  EXPECT_EQ(adst->GetPixel(1, 1), 0x0123);
  EXPECT_EQ(adst->GetAlphaPixel(1, 1), 32);
  EXPECT_EQ(adst->GetPixel(3, 3), 0);

  // An angle that is no number and a place at the ends of the int range
  // stay inside both surfaces (the sanitizer build sees a stray access).
  fx.angle = NAN;
  src.Blit(adst.get(), 0, 0, fx);
  fx.angle = 1.0f;
  src.Blit(adst.get(), 2147483000, -2147483000, fx);
}

TEST(AlphaSurface, DecodesAPackedStreamIntoItsColourPlane) {
  auto a = MakeAlpha(3, 1, 0, 31);
  const std::vector<uint8_t> bytes = PackedStreamBytes({0x0001, 0x1001, 0x0123, 0xF000});
  ASSERT_TRUE(DecodePackedStream(bytes.data(), bytes.size(), a.get()));
  EXPECT_EQ(a->GetPixel(0, 0), COLOR_KEY);
  EXPECT_EQ(a->GetPixel(1, 0), 0x0123);
  EXPECT_EQ(a->GetAlphaPixel(1, 0), 0);  // the weights are left alone
}

TEST(DoubleAlphaSurface, LayoutAndBothPlanes) {
  DOUBLEALPHASURFACE d(5, 3);
  ASSERT_EQ(d.Initialize(), 1);
  const PixelBlockHeader* h = BlockHeader(d.GetBitmap());
  EXPECT_EQ(h->pitch, 20);
  EXPECT_EQ(h->clip_right, 0);  // a source only: nothing draws into it
  // Opacity, then the stored weights of the first and the second plane.
  const int cases[][3] = {{31, 0, 22}, {0, 32, 32}, {9, 23, 29}};
  for (const auto& c : cases) {
    d.PutAlphaPixel(1, 1, static_cast<char>(c[0]));
    EXPECT_EQ(d.GetAlphaPixel(1, 1), c[1]) << c[0];
    EXPECT_EQ(d.GetSecondAlphaPixel(1, 1), c[2]) << c[0];
  }
  EXPECT_EQ(AlphaRow(d.GetBitmap(), 1)[5 + 1], 29);  // the second plane follows the first
  d.ZeroFill();
  EXPECT_EQ(d.GetAlphaPixel(1, 1), 32);
  EXPECT_EQ(d.GetSecondAlphaPixel(1, 1), 32);
  auto dib = MakeDib(2, 2, 0x0101);
  dib->Blit(&d, 0, 0);
  EXPECT_EQ(d.GetPixel(0, 0), 0);
}

TEST(DoubleAlphaSurface, SecondPlaneBlitAndTheOtherKinds) {
  auto d = MakeAlpha<DOUBLEALPHASURFACE>(9, 2, 0x7FFF, 31);
  auto first = MakeDib(9, 2, 0);
  d->Blit(first.get(), 0, 0);  // the first plane: opaque
  EXPECT_EQ(Pixels(first.get()), Words(18, 0x7FFF));
  auto second = MakeDib(9, 2, 0);
  DRAW_FX fx;
  fx.kind = FX_SECONDALPHA;
  d->Blit(second.get(), 0, 0, fx);
  // weight 22: each channel 31 * 10 / 32 = 9
  EXPECT_EQ(Pixels(second.get()), Words(18, 9 << 10 | 9 << 5 | 9));
  for (int kind : {0, 1, 2, 3, 4, 5, 7, 8, 9}) {
    auto none = MakeDib(9, 2, 0x0001);
    fx.kind = kind;
    d->Blit(none.get(), 0, 0, fx);
    EXPECT_EQ(Pixels(none.get()), Words(18, 0x0001)) << kind;
  }
  // The part blit is the alpha surface's, with the first plane.
  auto part = MakeDib(9, 2, 0);
  d->Blit(part.get(), 1, 0, 0, 0, 3, 1);
  EXPECT_EQ(part->GetPixel(2, 0), 0x7FFF);
  EXPECT_EQ(part->GetPixel(3, 0), 0);
}

// Little-endian 16-bit words.
void Put16(Bytes& b, std::initializer_list<unsigned> words) {
  for (unsigned v : words)
    b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
}

// 8 x 3: row 0 empty (0xFFFF); row 1 segments (3, 2) of weights 5 and 6
// and (6, 1) of weight 0; row 2 one segment (0, 8) of weight 0.
Bytes SampleImage() {
  Bytes row1, row2;
  Put16(row1, {3, 2, 0x0111, 0x0222});
  row1.insert(row1.end(), {5, 6});
  Put16(row1, {6, 1, 0x0333});
  row1.push_back(0);
  Put16(row1, {0xFEFE});
  Put16(row2, {0, 8});
  for (unsigned i = 0; i < 8; ++i) Put16(row2, {0x8000 | (0x1000 + i)});
  row2.insert(row2.end(), 8, 0);
  Put16(row2, {0xFEFE});
  Bytes b;
  Put16(b, {8, 3, 0xFFFF, static_cast<unsigned>(row1.size())});
  b.insert(b.end(), row1.begin(), row1.end());
  Put16(b, {static_cast<unsigned>(row2.size())});
  b.insert(b.end(), row2.begin(), row2.end());
  return b;
}

// Pixels and weights where segments are; colour 0 and weight 32 where
// none is (an empty row, between segments, outside); SetPixel and
// PutAlphaPixel change segment pixels only.
TEST(DleSurface, ReadsSegmentsAndAnswersPixelsAndWeights) {
  DLESURFACE d(8, 3);
  EXPECT_EQ(d.Initialize(), 0);
  ASSERT_NE(d.GetBitmap(), nullptr);
  EXPECT_EQ(BlockHeader(d.GetBitmap())->width, 8);
  EXPECT_EQ(BlockHeader(d.GetBitmap())->height, 3);
  Bytes img = SampleImage();
  EXPECT_EQ(d.Initialize(img.data() + 4), 1);
  EXPECT_TRUE(d.IsBuilt());
  EXPECT_EQ(BlockRows(d.GetBitmap())[0], nullptr);
  const struct {
    int x, y;
    uint16_t colour;
    int weight;
  } cases[] = {{3, 0, 0, 32}, {2, 1, 0, 32},     {3, 1, 0x0111, 5}, {4, 1, 0x0222, 6},
               {5, 1, 0, 32}, {6, 1, 0x0333, 0}, {7, 1, 0, 32},     {7, 2, 0x9007, 0},
               {8, 2, 0, 32}, {0, 3, 0, 32}};
  for (const auto& c : cases) {
    EXPECT_EQ(d.GetPixel(c.x, c.y), c.colour) << c.x << "," << c.y;
    EXPECT_EQ(d.GetAlphaPixel(c.x, c.y), c.weight) << c.x << "," << c.y;
  }
  d.SetPixel(4, 1, 0x0444);
  d.SetPixel(5, 1, 0x0555);
  d.PutAlphaPixel(3, 1, 17);
  d.PutAlphaPixel(2, 1, 17);
  EXPECT_EQ(d.GetPixel(4, 1), 0x0444);
  EXPECT_EQ(d.GetPixel(5, 1), 0);
  EXPECT_EQ(d.GetAlphaPixel(3, 1), 17);
  EXPECT_EQ(d.GetAlphaPixel(2, 1), 32);
}

std::unique_ptr<DLESURFACE> Load(const Picture& p) {
  const Bytes bytes = EncodeDleImage(p.w, p.h, p.colours.data(), p.weights.data());
  return std::unique_ptr<DLESURFACE>(LoadDleSurface(bytes.data(), bytes.size()));
}

// Every pixel read, and a blit at a random place, the same from both.
void ExpectSameDrawing(SURFACE* got, SURFACE* want, TestRandom& rnd) {
  for (int y = 0; y < want->GetHeight(); ++y)
    for (int x = 0; x < want->GetWidth(); ++x)
      ASSERT_EQ(got->GetPixel(x, y), want->GetPixel(x, y)) << x << "," << y;
  auto d1 = RandomTarget(rnd, 80, 14);
  auto d2 = CopyOf(d1.get());
  const int x = rnd.Range(-got->GetWidth(), d1->GetWidth());
  const int y = rnd.Range(-got->GetHeight(), d1->GetHeight());
  got->Blit(d1.get(), x, y);
  want->Blit(d2.get(), x, y);
  ASSERT_EQ(Pixels(d1.get()), Pixels(d2.get())) << "at " << x << "," << y;
}

// The packed image reads and draws as the alpha surface of the same
// colours and weights (colour 0 where no segment is).  A fill is only
// noted, yet reads and draws as a picture whose segments hold the colour.
TEST(DleSurface, DrawsAsTheAlphaSurfaceOfTheSameImageAndANotedFillAsARealOne) {
  TestRandom rnd(17);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    const Picture p = RandomPicture(rnd, rnd.Range(1, 60), rnd.Range(1, 10));
    auto d = Load(p);
    ASSERT_NE(d, nullptr);
    tagRECT clip;
    d->GetClipper(clip);
    ASSERT_EQ(clip.right, p.w);
    ASSERT_EQ(clip.bottom, p.h);
    ALPHASURFACE a(p.w, p.h);
    a.Initialize();
    Fill(&a, p);
    for (int y = 0; y < p.h; ++y)
      for (int x = 0; x < p.w; ++x) ASSERT_EQ(d->GetAlphaPixel(x, y), a.GetAlphaPixel(x, y));
    ExpectSameDrawing(d.get(), &a, rnd);

    const uint16_t colour = static_cast<uint16_t>(rnd.Next());
    Picture filled = p;
    for (auto& c : filled.colours) c = colour;
    d->FillRect(PIXEL(colour));
    ExpectSameDrawing(d.get(), Load(filled).get(), rnd);
  }
}

TEST(DleSurface, SetPixelAndTheBlockKeepANotedFill) {
  Picture p{{0x0111, 0x0222, 0x0333, 0x0444}, {0, 5, 32, 7}, 4, 1};
  auto d = Load(p);
  d->FillRect(PIXEL(0x0ABC));
  d->SetPixel(1, 0, PIXEL(0x0DEF));
  EXPECT_EQ(d->GetPixel(0, 0), 0x0ABC);
  EXPECT_EQ(d->GetPixel(1, 0), 0x0DEF);
  EXPECT_EQ(d->GetPixel(3, 0), 0x0ABC);
  d->FillRect(PIXEL(0x0123));
  // The rows handed out hold the colour: segment (0, 2) then (3, 1).
  const uint8_t* row = reinterpret_cast<uint8_t*>(BlockRows(d->GetBitmap())[0]);
  EXPECT_EQ(row[4] | row[5] << 8, 0x0123);
  EXPECT_EQ(row[6] | row[7] << 8, 0x0123);
  // A new picture read in drops a fill noted on the old one.
  d->FillRect(PIXEL(0x0777));
  const auto bytes = EncodeDleImage(p.w, p.h, p.colours.data(), p.weights.data());
  ASSERT_EQ(d->Initialize(bytes.data() + 4, bytes.size() - 4), 1);
  EXPECT_EQ(d->GetPixel(0, 0), 0x0111);
}

// The version number tells the composed equipment pictures when a picture
// changed: never shared, moved by every change of content.
TEST(DleSurface, VersionChangesWithTheContentAndIsNeverShared) {
  Picture p{{0x0111, 0x0222}, {0, 5}, 2, 1};
  auto a = Load(p), b = Load(p);
  EXPECT_NE(a->GetVersion(), b->GetVersion());
  uint64_t v = a->GetVersion();
  a->FillRect(PIXEL(0x0100));  // a fill is told apart by GetPendingFill, not the version
  EXPECT_EQ(a->GetVersion(), v);
  uint16_t colour = 0;
  EXPECT_TRUE(a->GetPendingFill(&colour));
  EXPECT_EQ(colour, 0x0100);
  a->PutAlphaPixel(1, 0, 9);
  EXPECT_NE(a->GetVersion(), v);
  v = a->GetVersion();
  a->SetPixel(0, 0, PIXEL(0x0300));
  EXPECT_NE(a->GetVersion(), v);
  v = a->GetVersion();
  a->GetBitmap();
  EXPECT_NE(a->GetVersion(), v);
  EXPECT_FALSE(a->GetPendingFill(&colour));
  v = a->GetVersion();
  a->PutAlphaPixel(5, 0, 9);  // no segment there: nothing changed
  EXPECT_EQ(a->GetVersion(), v);
}

TEST(DleSurface, DamagedImagesGiveNothing) {
  const Bytes good = SampleImage();
  for (size_t cut = 0; cut < good.size(); ++cut) {
    Bytes part(good.begin(), good.begin() + static_cast<long>(cut));  // exact size for ASan
    EXPECT_EQ(LoadDleSurface(part.data(), part.size()), nullptr) << cut;
  }
  // A segment count running past the row's byte count.
  Bytes bad = good;
  bad[6 + 2 + 2] = 9;  // row 1's first segment count
  EXPECT_EQ(LoadDleSurface(bad.data(), bad.size()), nullptr);
  // A row without the end mark.
  Bytes no_end;
  Put16(no_end, {2, 1, 4, 0, 0});
  EXPECT_EQ(LoadDleSurface(no_end.data(), no_end.size()), nullptr);
  DLESURFACE d(2, 1);
  EXPECT_EQ(d.Initialize(no_end.data() + 4, no_end.size() - 4), 0);
  EXPECT_FALSE(d.IsBuilt());
  EXPECT_EQ(d.GetAlphaPixel(0, 0), 32);
  // Zero size with zero rows is a (blank) image.
  Bytes empty = {0, 0, 0, 0};
  std::unique_ptr<DLESURFACE> e(LoadDleSurface(empty.data(), empty.size()));
  EXPECT_NE(e, nullptr);
}

}  // namespace
}  // namespace tessera::test
