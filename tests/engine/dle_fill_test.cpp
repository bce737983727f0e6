// The packed alpha surface's noted fill: what GetPixel, SetPixel, the blit
// and the block handed out by GetBitmap see after FillRect, against a
// surface whose rows hold the colour; and the version number that tells
// the composed equipment pictures when a picture changed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/dle_surface.h"
#include "engine/pixel_block.h"
#include "support/surface_helpers.h"

namespace tessera::test {
namespace {

struct Picture {
  std::vector<uint16_t> colours;
  std::vector<uint8_t> weights;
  int w = 0, h = 0;
};

Picture RandomPicture(TestRandom& rnd, int w, int h) {
  Picture p{std::vector<uint16_t>(static_cast<size_t>(w) * h),
            std::vector<uint8_t>(static_cast<size_t>(w) * h), w, h};
  for (size_t i = 0; i < p.colours.size(); ++i) {
    p.colours[i] = static_cast<uint16_t>(rnd.Next());
    const int mode = rnd.Range(0, 2);
    p.weights[i] = mode == 0 ? 0 : mode == 1 ? 32 : static_cast<uint8_t>(rnd.Range(1, 31));
  }
  return p;
}

std::unique_ptr<DLESURFACE> Load(const Picture& p) {
  const auto bytes = EncodeDleImage(p.w, p.h, p.colours.data(), p.weights.data());
  return std::unique_ptr<DLESURFACE>(LoadDleSurface(bytes.data(), bytes.size()));
}

TEST(DleFill, DrawsAndReadsAsARealFill) {
  TestRandom rnd(51);
  for (int round = 0; round < 60; ++round) {
    Picture p = RandomPicture(rnd, rnd.Range(1, 50), rnd.Range(1, 8));
    const uint16_t colour = static_cast<uint16_t>(rnd.Next());
    auto noted = Load(p);
    Picture filled = p;
    for (auto& c : filled.colours) c = colour;
    auto real = Load(filled);
    noted->FillRect(PIXEL(colour));
    for (int y = 0; y < p.h; ++y)
      for (int x = 0; x < p.w; ++x) ASSERT_EQ(noted->GetPixel(x, y), real->GetPixel(x, y));
    auto a = MakeDib(60, 10, 0);
    FillRandom(a.get(), rnd, 30);
    auto b = CopyOf(a.get());
    const int x = rnd.Range(-10, 30), y = rnd.Range(-3, 5);
    noted->Blit(a.get(), x, y);
    real->Blit(b.get(), x, y);
    ASSERT_EQ(Pixels(a.get()), Pixels(b.get())) << "round " << round;
  }
}

TEST(DleFill, SetPixelAndTheBlockKeepTheFill) {
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

TEST(DleFill, VersionChangesWithTheContentAndIsNeverShared) {
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

}  // namespace
}  // namespace tessera::test
