// The copy blits -- keyed, part copy, run-length, a map sprite's opaque
// runs -- with the 512-bit loops (where the processor has them) and
// without, against the per-pixel rule, on images whose opaque runs take
// every length around the 32-pixel register and past the 255-pixel run
// limit, placed inside the frame and over each of its edges.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/rle_surface.h"
#include "gui/map/opaque_runs.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::test::MakeDib;
using tessera::test::Pixels;
using tessera::test::TestRandom;

constexpr int kFrameW = 120, kFrameH = 50;

// Row y: alternating marked gaps (the key colour or other marked pixels) and opaque runs whose
// lengths walk through 0..70 with the row, one row a single run of 300 pixels.
std::unique_ptr<DIBSURFACE> RunImage(int w, int h, TestRandom& rng) {
  auto s = MakeDib(w, h);
  for (int y = 0; y < h; ++y) {
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

// The frame after drawing `src` at (x, y) clipped to the frame: every
// pixel (kPlain), those without the mark (kMarked: the keyed blit), or
// those other than the key colour (kKeyColour: a run-length image, which
// keeps other marked pixels as opaque ones).
enum Rule { kPlain, kMarked, kKeyColour };
std::vector<uint16_t> Expected(const std::vector<uint16_t>& frame, SURFACE* src, int x, int y,
                               Rule rule) {
  std::vector<uint16_t> out = frame;
  for (int j = 0; j < src->GetHeight(); ++j)
    for (int i = 0; i < src->GetWidth(); ++i) {
      const int fx = x + i, fy = y + j;
      const uint16_t p = src->GetPixel(i, j).GetColor();
      const bool hidden =
          (rule == kMarked && (p & 0x8000)) || (rule == kKeyColour && p == COLOR_KEY);
      if (fx < 0 || fy < 0 || fx >= kFrameW || fy >= kFrameH || hidden) continue;
      out[static_cast<size_t>(fy) * kFrameW + fx] = p;
    }
  return out;
}

std::unique_ptr<DIBSURFACE> FrameOf(const std::vector<uint16_t>& px) {
  auto f = MakeDib(kFrameW, kFrameH);
  for (int j = 0; j < kFrameH; ++j)
    for (int i = 0; i < kFrameW; ++i) f->SetPixel(i, j, px[static_cast<size_t>(j) * kFrameW + i]);
  return f;
}

class WideCopyTest : public tessera::test::VectorPathsTest {};

TEST_P(WideCopyTest, EveryCopyBlitGivesThePerPixelResultAtEveryEdge) {
  TestRandom rng(11);
  const int sizes[][2] = {{1, 1},  {31, 5},   {32, 7},  {33, 4},           {64, 9},
                          {65, 6}, {100, 40}, {400, 8}, {kFrameW, kFrameH}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    auto image = RunImage(w, h, rng);
    RLESURFACE rle(w, h);
    ASSERT_EQ(rle.Initialize(image.get()), 1);
    tessera::OpaqueRuns runs;
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
      auto frame = MakeDib(kFrameW, kFrameH);
      for (int j = 0; j < kFrameH; ++j)
        for (int i = 0; i < kFrameW; ++i)
          frame->SetPixel(i, j, static_cast<uint16_t>(rng.Next() & 0x7FFF));
      const std::vector<uint16_t> before = Pixels(frame.get());
      const std::vector<uint16_t> keyed = Expected(before, image.get(), x, y, kMarked);
      const std::vector<uint16_t> plain = Expected(before, image.get(), x, y, kPlain);
      const std::vector<uint16_t> runs_keyed = Expected(before, image.get(), x, y, kKeyColour);
      SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << x << "," << y);

      image->Blit(frame.get(), x, y);
      EXPECT_EQ(Pixels(frame.get()), keyed) << "keyed";
      auto copy = FrameOf(before);
      image->Blit(copy.get(), 0, 0, x, y, w, h);
      EXPECT_EQ(Pixels(copy.get()), plain) << "part copy";
      auto rle_frame = FrameOf(before);
      rle.Blit(rle_frame.get(), x, y);
      EXPECT_EQ(Pixels(rle_frame.get()), runs_keyed) << "run-length";
      auto runs_frame = FrameOf(before);
      runs.Draw(runs_frame.get(), x, y);
      EXPECT_EQ(Pixels(runs_frame.get()), keyed) << "opaque runs";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(WideAndNarrow, WideCopyTest, ::testing::Bool());

}  // namespace
