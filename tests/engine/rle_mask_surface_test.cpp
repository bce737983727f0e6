#include "engine/rle_mask_surface.h"

#include <gtest/gtest.h>

#include "engine/rle_layout.h"
#include "engine/rle_surface.h"
#include "sprite_images.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;
constexpr uint16_t K = COLOR_KEY;

Words StreamWords(RLEMASKSURFACE& m) {
  Words out;
  const uint16_t* p = RleMaskStream(m.GetBitmap());
  for (int rows = 0; rows < m.GetHeight(); ++p) {
    out.push_back(*p);
    if (*p == 0) ++rows;
  }
  return out;
}

TEST(RleMaskSurface, StoresTheHeadersOfEveryRowWithoutPixels) {
  auto src = MakeDib(600, 3, K);
  for (int x = 2; x < 5; ++x) src->SetPixel(x, 0, 0x1234);
  src->SetPixel(599, 2, 0);
  RLEMASKSURFACE mask(600, 3);
  EXPECT_EQ(mask.GetStyle(), SS_RLEMASK);
  EXPECT_EQ(mask.Initialize(), 1);
  EXPECT_EQ(mask.GetBitmap(), nullptr);
  EXPECT_EQ(mask.GetFirstLinePos(), 3);
  ASSERT_EQ(mask.Initialize(src.get()), 1);
  EXPECT_EQ(RleMaskStream(mask.GetBitmap()),
            reinterpret_cast<uint16_t*>(static_cast<char*>(mask.GetBitmap()) + kRleTableOffset +
                                        sizeof(void*)));
  // row 0: gap 2 run 3, then 595 transparent reach 255 twice; row 1 the
  // same twice more and 90 left; row 2: 255, 255, then (89, 1).
  EXPECT_EQ(StreamWords(mask),
            (Words{0x0203, 0xFF00, 0xFF00, 0, 0xFF00, 0xFF00, 0, 0xFF00, 0xFF00, 0x5901, 0}));
  EXPECT_EQ(mask.GetFirstLinePos(), 0);
  // (599, 2) is found after walking rows 0 and 1; outside is the key.
  EXPECT_EQ(mask.GetPixel(599, 2), 0x7FFF);
  EXPECT_EQ(mask.GetPixel(600, 2), K);
  EXPECT_EQ(mask.GetPixel(0, -1), K);
  // A second build changes nothing.
  auto other = MakeDib(600, 3, 0);
  EXPECT_EQ(mask.Initialize(other.get()), 1);
  EXPECT_EQ(mask.GetPixel(0, 1), K);
}

TEST(RleMaskSurface, HeadersEqualTheRunSurfacesAndAnswerEveryPixel) {
  TestRandom rnd(5);
  for (int round = 0; round < 20; ++round) {
    const int w = rnd.Range(1, 600), h = rnd.Range(1, 12);
    auto src = MakeSprite(w, h, rnd.Range(0, 100), rnd);
    RLEMASKSURFACE mask(w, h);
    RLESURFACE rle(w, h);
    ASSERT_EQ(mask.Initialize(src.get()), 1);
    ASSERT_EQ(rle.Initialize(src.get()), 1);
    EXPECT_EQ(mask.GetFirstLinePos(), rle.GetFirstLinePos());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(mask.GetPixel(x, y), src->GetPixel(x, y) == K ? K : 0x7FFF) << x << "," << y;
  }
}

}  // namespace
}  // namespace tessera::test
