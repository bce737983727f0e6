// Every vector path of the alpha and translucent row kernels (AVX2 where
// the processor has it, SSE2 with AVX2 turned off) against the plain
// per-pixel references: every source colour, every weight or level, and
// rows of every length around the 8- and 16-pixel steps so that the
// overlapping last step, the padded short step and the whole-group
// shortcuts are all reached.  A TESSERA_SCALAR build runs the same checks
// on the plain rules.
#include <gtest/gtest.h>

#include <vector>

#include "engine/alpha_rows.h"
#include "engine/pixel_rows.h"
#include "engine/run_rows.h"
#include "platform/test_hooks.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;
using Bytes = std::vector<uint8_t>;

class RowKernelPaths : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ForceNoAvx2ForTests(!GetParam()); }
  void TearDown() override { ForceNoAvx2ForTests(false); }
};

Words RandomWords(TestRandom& rnd, size_t n) {
  Words w(n);
  for (auto& p : w) p = static_cast<uint16_t>(rnd.Next());
  return w;
}

// Weights in stretches of sixteen: all 0, all 32, all graded, or mixed.
Bytes StretchWeights(TestRandom& rnd, int n) {
  Bytes t(static_cast<size_t>(n));
  int mode = 0;
  for (int i = 0; i < n; ++i) {
    if (i % 16 == 0) mode = rnd.Range(0, 3);
    const int pick = mode == 3 ? rnd.Range(0, 2) : mode;
    t[i] = pick == 0 ? 0 : pick == 1 ? 32 : static_cast<uint8_t>(rnd.Range(0, 40));
  }
  return t;
}

// The source as packed alpha rows hold it: at an odd address.
Bytes OddSource(const Words& s) {
  Bytes b(2 * s.size() + 1);
  for (size_t i = 0; i < s.size(); ++i) {
    b[1 + 2 * i] = static_cast<uint8_t>(s[i]);
    b[2 + 2 * i] = static_cast<uint8_t>(s[i] >> 8);
  }
  return b;
}

TEST_P(RowKernelPaths, AlphaBlendEveryColourAtEveryWeight) {
  TestRandom rnd(31);
  Words src(65536);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i);
  const Bytes bytes = OddSource(src);
  for (int t = 0; t <= 40; ++t) {
    const Words dst = RandomWords(rnd, src.size());
    const Bytes weights(src.size(), static_cast<uint8_t>(t));
    Words fast = dst, slow = dst;
    AlphaBlendRow(reinterpret_cast<PIXEL*>(fast.data()), bytes.data() + 1, weights.data(), 65536);
    AlphaBlendRowReference(reinterpret_cast<PIXEL*>(slow.data()), bytes.data() + 1, weights.data(),
                           65536);
    ASSERT_EQ(fast, slow) << "weight " << t;
  }
}

TEST_P(RowKernelPaths, AlphaBlendRowsOfEveryLength) {
  TestRandom rnd(32);
  for (int round = 0; round < 20; ++round)
    for (int n = 0; n < 80; ++n) {
      const Words src = RandomWords(rnd, static_cast<size_t>(n));
      const Bytes bytes = OddSource(src), weights = StretchWeights(rnd, n);
      const Words dst = RandomWords(rnd, static_cast<size_t>(n));
      Words fast = dst, slow = dst;
      AlphaBlendRow(reinterpret_cast<PIXEL*>(fast.data()), bytes.data() + 1, weights.data(), n);
      AlphaBlendRowReference(reinterpret_cast<PIXEL*>(slow.data()), bytes.data() + 1,
                             weights.data(), n);
      ASSERT_EQ(fast, slow) << "length " << n;
      // The kernel a blit picks once is the same path.
      Words picked = dst;
      PickAlphaRowKernels().blend(picked.data(), bytes.data() + 1, weights.data(), n);
      ASSERT_EQ(picked, slow) << "length " << n;
    }
}

TEST_P(RowKernelPaths, SolidColourThroughEveryWeight) {
  TestRandom rnd(33);
  Words colours = {0x0000, 0x7FFF, 0xFFFF, 0x8000, 0x7C00, 0x03E0, 0x001F};
  for (int i = 0; i < 40; ++i) colours.push_back(static_cast<uint16_t>(rnd.Next()));
  for (uint16_t c : colours) {
    for (int t = 0; t <= 40; ++t) {
      const Words dst = RandomWords(rnd, 4096);
      const Bytes weights(dst.size(), static_cast<uint8_t>(t));
      Words fast = dst, slow = dst;
      AlphaBlendSolidRow(reinterpret_cast<PIXEL*>(fast.data()), c, weights.data(), 4096);
      AlphaBlendSolidRowReference(reinterpret_cast<PIXEL*>(slow.data()), c, weights.data(), 4096);
      ASSERT_EQ(fast, slow) << std::hex << c << std::dec << " weight " << t;
    }
    for (int n = 0; n < 70; ++n) {
      const Bytes weights = StretchWeights(rnd, n);
      const Words dst = RandomWords(rnd, static_cast<size_t>(n));
      Words fast = dst, slow = dst, picked = dst;
      AlphaBlendSolidRow(reinterpret_cast<PIXEL*>(fast.data()), c, weights.data(), n);
      PickAlphaRowKernels().solid(picked.data(), c, weights.data(), n);
      // The solid row is the ordinary blend of a row of that colour.
      const Bytes same = OddSource(Words(static_cast<size_t>(n), c));
      AlphaBlendRowReference(reinterpret_cast<PIXEL*>(slow.data()), same.data() + 1, weights.data(),
                             n);
      ASSERT_EQ(fast, slow) << "length " << n;
      ASSERT_EQ(picked, slow) << "length " << n;
    }
  }
}

// Layers blended in registers one after another: the same as blending
// each layer's row in turn by the per-pixel rule.
TEST_P(RowKernelPaths, LayersInTurnEqualOneRowAfterAnother) {
  TestRandom rnd(35);
  for (int round = 0; round < 200; ++round) {
    const int layers = rnd.Range(0, 9), n = 16 * rnd.Range(1, 4);
    Words colours = RandomWords(rnd, static_cast<size_t>(layers) * n);
    Bytes weights;
    for (int l = 0; l < layers; ++l) {
      const Bytes row = StretchWeights(rnd, n);
      weights.insert(weights.end(), row.begin(), row.end());
    }
    const Words dst = RandomWords(rnd, static_cast<size_t>(n));
    Words fast = dst, slow = dst, picked = dst;
    AlphaBlendLayers(reinterpret_cast<PIXEL*>(fast.data()), colours.data(), weights.data(), layers,
                     n);
    PickAlphaRowKernels().layers(picked.data(), colours.data(), weights.data(), layers, n);
    for (int l = 0; l < layers; ++l) {
      const Bytes src = OddSource(Words(colours.begin() + l * n, colours.begin() + (l + 1) * n));
      AlphaBlendRowReference(reinterpret_cast<PIXEL*>(slow.data()), src.data() + 1,
                             &weights[static_cast<size_t>(l) * n], n);
    }
    ASSERT_EQ(fast, slow) << "round " << round;
    ASSERT_EQ(picked, slow) << "round " << round;
  }
}

TEST_P(RowKernelPaths, TranslucentRowsAtEveryLevel) {
  TestRandom rnd(34);
  for (int a = 0; a <= 32; ++a)
    for (bool keyed : {true, false})
      for (int n : {0, 1, 7, 8, 9, 15, 16, 17, 31, 32, 33, 47, 63, 64, 65, 100, 4096}) {
        const Words src = RandomWords(rnd, static_cast<size_t>(n)),
                    dst = RandomWords(rnd, static_cast<size_t>(n));
        Words fast = dst, slow = dst;
        TransMixRow(reinterpret_cast<PIXEL*>(fast.data()),
                    reinterpret_cast<const PIXEL*>(src.data()), n, a, keyed);
        TransMixRowReference(reinterpret_cast<PIXEL*>(slow.data()),
                             reinterpret_cast<const PIXEL*>(src.data()), n, a, keyed);
        ASSERT_EQ(fast, slow) << "level " << a << " length " << n << (keyed ? " keyed" : "");
        // The run-length blits' mix: no key test.
        Words run = dst, plain = dst;
        MixRun(run.data(), src.data(), n, a);
        for (int i = 0; i < n; ++i)
          plain[i] = TransMixPixel(src[i], plain[i], static_cast<unsigned>(a));
        ASSERT_EQ(run, plain) << "level " << a << " length " << n;
      }
}

INSTANTIATE_TEST_SUITE_P(Paths, RowKernelPaths, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Avx2" : "Sse2";
                         });

}  // namespace
}  // namespace tessera::test
