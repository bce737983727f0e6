// PIXEL, the blend table, the block layout and memory, the picture of a new
// surface.
#include "engine/pixel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
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
  EXPECT_EQ(PIXEL(7, 7, 7).GetColor(), 0);  // low three bits are dropped
  EXPECT_EQ(PIXEL(8, 8, 16).GetColor(), 0x0400 | (1 << 5) | 2);
  PIXEL key(COLOR_KEY);
  EXPECT_EQ(key.GetRed(), 63);  // the transparency mark counts into red
  EXPECT_EQ(key.GetGreen(), 0);
  EXPECT_EQ(key.GetBlue(), 31);
  PIXEL p;
  p.SetColor(static_cast<unsigned char>(255), 0, 0);
  EXPECT_EQ(p.GetRed(), 31);
}

// The table rounds each channel mix to the nearest; the first surface
// made fills it.
TEST(BlendTableTest, FilledByTheFirstSurfaceAndRoundsToNearest) {
  DIBSURFACE s(1, 1);
  ASSERT_TRUE(g_bBlendTableReady);
  for (unsigned a = 0; a <= 32; ++a)
    for (unsigned p = 0; p < 32; ++p)
      for (unsigned q = 0; q < 32; q += 3)
        ASSERT_EQ(BlendChannel(a, p, q), (a * p + (32 - a) * q + 16) / 32);
}

TEST(PixelBlockTest, PlainPitchIsTheWidthRoundedUpToFourPixels) {
  const int cases[][3] = {{3, 2, 8}, {4, 2, 8}, {5, 1, 16}};
  for (const auto& c : cases) {
    DIBSURFACE s(c[0], c[1]);
    ASSERT_EQ(s.Initialize(), 1);
    EXPECT_EQ(tessera::BlockHeader(s.GetBitmap())->pitch, c[2]) << c[0];
  }
  EXPECT_EQ(tessera::AllocatePixelBlock(-1, 1, 8), nullptr);
  EXPECT_EQ(tessera::AllocatePixelBlock(1 << 20, 1 << 20, 1 << 21), nullptr);
}

// A large block (a map background) starts on a 2 MiB boundary, so that
// huge pages can back it; every block is one piece of memory the surfaces
// release with std::free, its rows where the header says, all of them
// writable to the last byte.
TEST(PixelBlockTest, LargeBlocksStartOnHugePageBoundariesAndAllAreWhole) {
  const struct {
    int32_t w, h;
    bool aligned;  // expected on a 2 MiB boundary
  } cases[] = {{3200, 2400, true},
               {1024, 1024, true},
               {1024, 1000, false},
               {800, 600, false},
               {7, 3, false}};
  for (const auto& c : cases) {
    const int32_t pitch = 2 * tessera::PlainStride(c.w);
    void* block = tessera::AllocatePixelBlock(c.w, c.h, pitch, 16);
    ASSERT_NE(block, nullptr) << c.w << "x" << c.h;
    if (c.aligned) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (uintptr_t{2} << 20), 0u) << c.w << "x" << c.h;
    }
    PIXEL** rows = tessera::BlockRows(block);
    const char* first = static_cast<char*>(block) + tessera::RowsOffset(c.h);
    EXPECT_EQ(reinterpret_cast<char*>(rows[0]), first);
    EXPECT_EQ(reinterpret_cast<char*>(rows[c.h - 1]), first + static_cast<size_t>(c.h - 1) * pitch);
    // Every row and the extra bytes after them belong to the block.
    std::memset(static_cast<void*>(rows[0]), 0x5A, static_cast<size_t>(pitch) * c.h + 16);
    EXPECT_EQ(tessera::BlockHeader(block)->width, c.w);
    std::free(block);
  }
}

// A new surface of each kind reads the same whatever its memory held
// before: the block of a just-freed surface is what malloc hands back
// first, so stale bytes (colour 0x0505, weight 5, which would draw) show
// here.  Drawn onto a picture, the new surface changes nothing.
TEST(SurfaceTest, NewSurfacesAreClearedToTheirEmptyPicture) {
  struct Kind {
    const char* name;
    std::unique_ptr<SURFACE> (*make)();
    uint16_t colour;  // every pixel, padding of plain rows included
    bool alpha;
  };
  const Kind kinds[] = {
      {"dib", [] { return std::unique_ptr<SURFACE>(new DIBSURFACE(13, 7)); }, COLOR_KEY, false},
      {"alpha", [] { return std::unique_ptr<SURFACE>(new ALPHASURFACE(13, 7)); }, 0, true},
      {"double alpha", [] { return std::unique_ptr<SURFACE>(new DOUBLEALPHASURFACE(13, 7)); }, 0,
       true},
  };
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.name);
    {
      auto old = k.make();
      old->Initialize();
      void* block = old->GetBitmap();
      const auto* h = tessera::BlockHeader(block);
      for (int y = 0; y < h->height; ++y)
        std::memset(static_cast<void*>(tessera::BlockRows(block)[y]), 0x05,
                    static_cast<size_t>(h->pitch));
    }
    auto s = k.make();
    s->Initialize();
    const int row_pixels = k.alpha ? 13 : tessera::PlainStride(13);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < row_pixels; ++x)
        ASSERT_EQ(tessera::BlockRows(s->GetBitmap())[y][x], k.colour);
    DIBSURFACE dst(16, 8);
    dst.Initialize();
    DRAW_FX fx;
    fx.kind = FX_FILL;
    fx.colour = 0x1234;
    dst.Blit(&dst, 0, 0, fx);
    s->Blit(&dst, 1, 1);
    fx.kind = FX_SECONDALPHA;  // the second plane of the double alpha kind
    s->Blit(&dst, 1, 1, fx);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x) ASSERT_EQ(dst.GetPixel(x, y), 0x1234) << x << "," << y;
  }
}

}  // namespace
