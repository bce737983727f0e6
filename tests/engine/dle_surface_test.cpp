#include "engine/dle_surface.h"

#include <gtest/gtest.h>

#include "engine/alpha_access.h"
#include "engine/alpha_surface.h"
#include "sprite_images.h"

namespace tessera::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

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

struct Picture {
  Words colours;
  Bytes weights;
  int w = 0, h = 0;
};

// Colours and weights in stretches of 32 (no segment), 0 (copied) and
// graded weights.
Picture RandomPicture(TestRandom& rnd, int w, int h) {
  Picture p{Words(static_cast<size_t>(w) * h), Bytes(static_cast<size_t>(w) * h), w, h};
  for (size_t i = 0; i < p.colours.size();) {
    const int mode = rnd.Range(0, 2), len = rnd.Range(1, 15);
    for (int k = 0; k < len && i < p.colours.size(); ++k, ++i) {
      p.colours[i] = static_cast<uint16_t>(rnd.Next());
      p.weights[i] = mode == 0 ? 32 : mode == 1 ? 0 : static_cast<uint8_t>(rnd.Range(1, 31));
    }
  }
  return p;
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
    for (int y = 0; y < p.h; ++y)
      for (int x = 0; x < p.w; ++x) {
        const size_t i = static_cast<size_t>(y) * p.w + x;
        if (p.weights[i] < 32) a.SetPixel(x, y, p.colours[i]);
        AlphaRow(a.GetBitmap(), y)[x] = p.weights[i];
        ASSERT_EQ(d->GetAlphaPixel(x, y), p.weights[i]);
      }
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
