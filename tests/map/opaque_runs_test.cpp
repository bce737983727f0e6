// Drawing a picture by its opaque runs against the plain keyed blit it
// replaces: the same pixels everywhere, clipping included.
#include "gui/map/opaque_runs.h"

#include <vector>

#include "engine/alpha_surface.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::MakeDib;
using tessera::test::Pixels;
using tessera::test::TestRandom;

TEST(OpaqueRunsTest, DrawMatchesTheKeyedBlitAtEveryPlaceAndClip) {
  TestRandom rng(16);
  for (int round = 0; round < 300; ++round) {
    const int w = rng.Range(1, 70), h = rng.Range(1, 40);
    auto frame = MakeDib(w, h);
    // Runs of transparent and opaque pixels of every length, some marked
    // pixels other than the key colour (bit 15 alone makes them transparent).
    for (int y = 0; y < h; ++y) {
      bool keyed = rng.Range(0, 1) == 1;
      for (int x = 0; x < w; ++x) {
        if (rng.Range(0, 5) == 0) keyed = !keyed;
        const uint16_t v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
        frame->SetPixel(
            x, y, keyed ? (rng.Range(0, 1) ? COLOR_KEY : static_cast<uint16_t>(v | 0x8000)) : v);
      }
    }
    tessera::OpaqueRuns runs;
    ASSERT_TRUE(runs.Build(frame.get()));
    ASSERT_TRUE(runs.Describes(frame.get()));
    auto a = MakeDib(64, 48, 0x1111), b = MakeDib(64, 48, 0x1111);
    if (rng.Range(0, 2) == 0) {
      const tagRECT clip = {rng.Range(0, 20), rng.Range(0, 15), rng.Range(30, 64),
                            rng.Range(20, 48)};
      a->SetClipper(clip);
      b->SetClipper(clip);
    }
    const int x = rng.Range(-w - 2, 66), y = rng.Range(-h - 2, 50);
    frame->Blit(a.get(), x, y);
    runs.Draw(b.get(), x, y);
    ASSERT_EQ(Pixels(a.get()), Pixels(b.get())) << "round " << round << " at " << x << "," << y;
  }
}

TEST(OpaqueRunsTest, OnlyPlainPicturesAndOnlyAsTheyWere) {
  auto frame = MakeDib(8, 8, 0x1234);
  tessera::OpaqueRuns runs;
  ASSERT_TRUE(runs.Build(frame.get()));
  // Another pixel block behind the same surface: the runs no longer
  // describe it.
  auto other = MakeDib(8, 8, 0x4321);
  void* old = frame->GetBitmap();
  frame->SetData(other->GetBitmap());
  EXPECT_FALSE(runs.Describes(frame.get()));
  frame->SetData(old);
  EXPECT_TRUE(runs.Describes(frame.get()));
  EXPECT_FALSE(runs.Describes(other.get()));
  ALPHASURFACE alpha(8, 8);
  alpha.Initialize();
  EXPECT_FALSE(runs.Build(&alpha));
  EXPECT_FALSE(runs.Describes(&alpha));
}

}  // namespace
