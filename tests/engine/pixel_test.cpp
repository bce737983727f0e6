// PIXEL, the blend table, the block layout.
#include "engine/pixel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/alpha_surface.h"
#include "engine/blend_table.h"
#include "engine/dib_surface.h"
#include "engine/double_alpha_surface.h"
#include "engine/pixel_block.h"

namespace {

TEST(PixelTest, ChannelPackingAndReading) {
  EXPECT_EQ(PIXEL(255, 255, 255).GetColor(), 0x7FFF);
  EXPECT_EQ(PIXEL(8, 0, 0).GetColor(), 0x0400);
  EXPECT_EQ(PIXEL(7, 7, 7).GetColor(), 0);  // low three bits are dropped
  EXPECT_EQ(PIXEL(0, 8, 16).GetColor(), (1 << 5) | 2);
  PIXEL key(COLOR_KEY);
  EXPECT_EQ(key.GetRed(), 63);  // the transparency mark counts into red
  EXPECT_EQ(key.GetGreen(), 0);
  EXPECT_EQ(key.GetBlue(), 31);
  PIXEL p;
  p.SetColor(static_cast<unsigned char>(255), 0, 0);
  EXPECT_EQ(p.GetRed(), 31);
  p = static_cast<unsigned short>(0x8123);
  EXPECT_EQ(static_cast<unsigned short>(p), 0x8123);
}

TEST(BlendTableTest, FilledByTheFirstSurfaceAndRoundsToNearest) {
  DIBSURFACE s(1, 1);
  ASSERT_TRUE(g_bBlendTableReady);
  EXPECT_EQ(g_BlendTable[32][31], 1000);
  EXPECT_EQ(g_BlendTable[0][0], 8);
  EXPECT_EQ(BlendChannel(16, 31, 0), 16u);
  EXPECT_EQ(BlendChannel(32, 31, 0), 31u);
  EXPECT_EQ(BlendChannel(0, 31, 5), 5u);
  for (unsigned a = 0; a <= 32; ++a)
    for (unsigned p = 0; p < 32; ++p)
      for (unsigned q = 0; q < 32; q += 3)
        ASSERT_EQ(BlendChannel(a, p, q), (a * p + (32 - a) * q + 16) / 32);
}

TEST(PixelBlockTest, PlainPitchIsTheWidthRoundedUpToFourPixels) {
  const int cases[][3] = {{3, 2, 8}, {4, 2, 8}, {5, 1, 16}, {1, 1, 8}, {8, 3, 16}};
  for (const auto& c : cases) {
    DIBSURFACE s(c[0], c[1]);
    ASSERT_EQ(s.Initialize(), 1);
    const PixelBlockHeader* h = tessera::BlockHeader(s.GetBitmap());
    EXPECT_EQ((std::vector<int>{h->width, h->height, h->pitch, h->clip_left, h->clip_top,
                                h->clip_right, h->clip_bottom}),
              (std::vector<int>{c[0], c[1], c[2], 0, 0, c[0], c[1]}));
    PIXEL** rows = tessera::BlockRows(s.GetBitmap());
    for (int y = 1; y < c[1]; ++y)
      EXPECT_EQ(reinterpret_cast<char*>(rows[y]) - reinterpret_cast<char*>(rows[y - 1]), c[2]);
  }
}

TEST(PixelBlockTest, ImpossibleSizesAreRefused) {
  EXPECT_EQ(tessera::AllocatePixelBlock(-1, 1, 8), nullptr);
  EXPECT_EQ(tessera::AllocatePixelBlock(1 << 20, 1 << 20, 1 << 21), nullptr);
}

// A new surface of each kind reads the same whatever its memory held
// before: the block of a just-freed surface full of another colour is what
// malloc hands back first, so stale pixels would show here.  Drawn onto a
// picture, the new surface changes nothing.
TEST(SurfaceTest, NewSurfacesAreClearedToTheirEmptyPicture) {
  struct Kind {
    const char* name;
    std::unique_ptr<SURFACE> (*make)();
    uint16_t colour;  // every pixel, padding of plain rows included
    char weight;      // alpha kinds: the stored weight (32 = nothing drawn)
  };
  const Kind kinds[] = {
      {"dib", [] { return std::unique_ptr<SURFACE>(new DIBSURFACE(13, 7)); }, COLOR_KEY, 0},
      {"alpha", [] { return std::unique_ptr<SURFACE>(new ALPHASURFACE(13, 7)); }, 0, 32},
      {"double alpha", [] { return std::unique_ptr<SURFACE>(new DOUBLEALPHASURFACE(13, 7)); }, 0,
       32},
  };
  for (const Kind& k : kinds) {
    {
      auto old = k.make();
      old->Initialize();
      void* block = old->GetBitmap();
      const auto* h = tessera::BlockHeader(block);
      for (int y = 0; y < h->height; ++y)
        std::memset(static_cast<void*>(tessera::BlockRows(block)[y]), 0x35,
                    static_cast<size_t>(h->pitch));
    }
    auto s = k.make();
    s->Initialize();
    void* block = s->GetBitmap();
    const auto* h = tessera::BlockHeader(block);
    const int row_pixels = k.weight ? 13 : tessera::PlainStride(13);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < row_pixels; ++x)
        ASSERT_EQ(tessera::BlockRows(block)[y][x], k.colour) << k.name;
    if (k.weight) {
      auto* a = static_cast<ALPHASURFACE*>(s.get());
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(a->GetAlphaPixel(x, y), k.weight) << k.name;
      if (auto* d = dynamic_cast<DOUBLEALPHASURFACE*>(a)) {
        for (int y = 0; y < 7; ++y)
          for (int x = 0; x < 13; ++x) ASSERT_EQ(d->GetSecondAlphaPixel(x, y), 32);
      }
    }
    EXPECT_EQ(h->width, 13);
    DIBSURFACE dst(16, 8);
    dst.Initialize();
    DRAW_FX fill;
    fill.kind = FX_FILL;
    fill.colour = 0x1234;
    dst.Blit(&dst, 0, 0, fill);
    s->Blit(&dst, 1, 1);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(dst.GetPixel(x, y), 0x1234) << k.name << " " << x << "," << y;
  }
}

}  // namespace
