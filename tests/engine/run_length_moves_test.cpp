// The run-length blit moves each run by its length class (256-bit moves
// with an overlapping last one, two overlapping 128-, 64- or 32-bit moves,
// one pixel).  Every run length 0..80 is drawn at every destination
// alignment and cut by the clip rectangle at every column on either side,
// with the 512-bit paths and without, against the per-pixel rule.  Two runs
// one key pixel apart show a move that writes past its run's end; the
// blits that end at the frame's last pixel let the sanitizers see one that
// reads or writes outside the buffers.
#include <gtest/gtest.h>

#include <vector>

#include "engine/rle_surface.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::test::MakeDib;
using tessera::test::Pixels;
using tessera::test::TestRandom;

constexpr int kFrameW = 200, kFrameH = 3;

// Three rows of key and runs of n: a run after a gap of 0, 1 and 5 pixels,
// the last row two runs of n one key pixel apart.
std::unique_ptr<DIBSURFACE> Runs(int n, TestRandom& rng) {
  const int w = 2 * n + 8;
  auto s = MakeDib(w, kFrameH, COLOR_KEY);
  const int starts[kFrameH][2] = {{0, -1}, {1, -1}, {5, 6 + n}};
  for (int y = 0; y < kFrameH; ++y)
    for (int start : starts[y])
      for (int i = 0; start >= 0 && i < n; ++i)
        s->SetPixel(start + i, y, static_cast<uint16_t>(rng.Next() & 0x7FFF));
  return s;
}

class RunLengthMovesTest : public tessera::test::VectorPathsTest {};

TEST_P(RunLengthMovesTest, EveryLengthAtEveryAlignmentAndClipGivesThePerPixelResult) {
  TestRandom rng(23);
  for (int n = 0; n <= 80; ++n) {
    auto image = Runs(n, rng);
    const int w = image->GetWidth();
    RLESURFACE rle(w, kFrameH);
    ASSERT_EQ(rle.Initialize(image.get()), 1);
    // Every alignment of the destination inside the frame, then every cut
    // by the left edge and by the right one (the last ending the run at
    // the frame's last pixel).
    std::vector<int> places;
    for (int x = 0; x < 16; ++x) places.push_back(x);
    for (int k = 1; k <= w; ++k) places.push_back(-k);
    for (int k = 1; k <= w; ++k) places.push_back(kFrameW - w + k);
    for (int x : places) {
      auto frame = MakeDib(kFrameW, kFrameH);
      for (int j = 0; j < kFrameH; ++j)
        for (int i = 0; i < kFrameW; ++i)
          frame->SetPixel(i, j, static_cast<uint16_t>(rng.Next() & 0x7FFF));
      std::vector<uint16_t> expected = Pixels(frame.get());
      for (int j = 0; j < kFrameH; ++j)
        for (int i = 0; i < w; ++i) {
          const uint16_t p = image->GetPixel(i, j).GetColor();
          if (x + i >= 0 && x + i < kFrameW && p != COLOR_KEY)
            expected[static_cast<size_t>(j) * kFrameW + x + i] = p;
        }
      rle.Blit(frame.get(), x, 0);
      ASSERT_EQ(Pixels(frame.get()), expected) << "runs of " << n << " at " << x;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(WideAndNarrow, RunLengthMovesTest, ::testing::Bool());

}  // namespace
