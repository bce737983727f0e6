// The layered-image writer against the engine's decoder.
#include "engine/psd_encode.h"

#include <gtest/gtest.h>

#include "engine/psd_decode.h"
#include "support/test_support.h"

namespace {

TEST(PsdEncode, OpaqueImagesRoundTripExactlyRawAndPacked) {
  tessera::test::TestRandom rng(4);
  for (bool packed : {false, true}) {
    const int w = 37, h = 5;
    std::vector<uint32_t> px(w * h);
    for (size_t i = 0; i < px.size(); ++i)
      px[i] = 0xFF000000u | (i % 7 < 4 ? 0x123456u : (rng.Next() & 0xFFFFFF));  // runs and noise
    auto bytes = tessera::EncodePsdImage(w, h, px.data(), packed);
    tessera::PsdImage img;
    ASSERT_TRUE(tessera::DecodePsd(bytes.data(), bytes.size(), &img)) << packed;
    EXPECT_EQ(img.channels, 3);
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    for (size_t i = 0; i < px.size(); ++i) {
      const uint8_t* p = &img.bgra[i * 4];
      ASSERT_EQ(p[2] << 16 | p[1] << 8 | p[0], static_cast<int>(px[i] & 0xFFFFFF)) << i;
    }
  }
}

TEST(PsdEncode, TranslucentColoursComeBackFromTheWhiteComposite) {
  std::vector<uint32_t> px;
  for (unsigned a : {0u, 1u, 17u, 128u, 254u, 255u})
    for (unsigned c : {0u, 10u, 128u, 255u})
      px.push_back(a << 24 | c << 16 | (255 - c) << 8 | c / 2);
  auto bytes = tessera::EncodePsdImage(static_cast<int>(px.size()), 1, px.data(), true);
  tessera::PsdImage img;
  ASSERT_TRUE(tessera::DecodePsd(bytes.data(), bytes.size(), &img));
  EXPECT_EQ(img.channels, 4);
  for (size_t i = 0; i < px.size(); ++i) {
    const unsigned a = px[i] >> 24;
    const uint8_t* p = &img.bgra[i * 4];
    EXPECT_EQ(p[3], a);
    for (int c = 0; c < 3; ++c) {
      const int want = (px[i] >> (16 - 8 * c)) & 0xFF, got = p[2 - c];
      if (a == 0 || a == 255)
        EXPECT_EQ(got, want) << i << " channel " << c;
      else
        EXPECT_NEAR(got, want, 255.0 / a + 1) << i << " channel " << c;
    }
  }
}

}  // namespace
