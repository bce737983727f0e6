#include "engine/packed_stream.h"

#include <gtest/gtest.h>

#include "sprite_images.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;

bool Decode(const Words& words, SURFACE* dst) {
  const std::vector<uint8_t> bytes = PackedStreamBytes(words);
  return DecodePackedStream(bytes.data(), bytes.size(), dst);
}

TEST(PackedStream, DecodesEveryOperationAtTheCursor) {
  auto dib = MakeDib(6, 5, 0x1111);
  // row 0: skip 1, literal 2, fill 4 with 0x0042 (one pixel falls off the
  // right edge); next row; row 1: fill 2; row skip 2 lands on row 3;
  // an unknown operation 0x3 is passed over; literal 1; end.
  const Words w = {0x0001, 0x1002, 0x0101, 0x0202, 0x2004, 0x0042, 0x8000,
                   0x2002, 0x7FFF, 0x4002, 0x3005, 0x1001, 0x0333, 0xF000};
  ASSERT_TRUE(Decode(w, dib.get()));
  const uint16_t K = COLOR_KEY;
  const Words expect = {K,      0x0101, 0x0202, 0x0042, 0x0042, 0x0042,  //
                        0x7FFF, 0x7FFF, K,      K,      K,      K,       //
                        K,      K,      K,      K,      K,      K,       //
                        0x0333, K,      K,      K,      K,      K,       //
                        K,      K,      K,      K,      K,      K};
  EXPECT_EQ(Pixels(dib.get()), expect);
}

TEST(PackedStream, TruncatedStreamsFailWithoutReadingPastTheBuffer) {
  auto dib = MakeDib(4, 2, 0);
  // Literal of 3 with only 2 words present, as an exactly sized heap copy
  // so that the sanitizers see any over-read.
  const Words cut_literal = {0x1003, 0x0001, 0x0002};
  EXPECT_FALSE(Decode(cut_literal, dib.get()));
  EXPECT_EQ(dib->GetPixel(0, 0), COLOR_KEY);          // nothing of the cut run is written
  EXPECT_FALSE(Decode({0x2005}, dib.get()));          // fill without its pixel
  EXPECT_FALSE(Decode({0x1001, 0x0005}, dib.get()));  // no end operation
  EXPECT_EQ(dib->GetPixel(0, 0), 0x0005);             // whole operations before the cut are drawn
  std::vector<uint8_t> odd = {0x01, 0x10, 0x07, 0x00, 0x00};  // literal 1, then half a word
  EXPECT_FALSE(DecodePackedStream(odd.data(), odd.size(), dib.get()));
  EXPECT_FALSE(DecodePackedStream(nullptr, 0, dib.get()));
  EXPECT_TRUE(Decode({0xF000, 0x1FFF}, dib.get()));  // bytes after the end are not read
}

TEST(PackedStream, LengthOfABareStreamIncludesItsEnd) {
  const unsigned short s[] = {0x1002, 0xF000, 0xF000, 0x2003, 0xF000, 0x8000, 0xF000, 0x0000};
  // the literal's pixel 0xF000 and the fill's pixel 0xF000 are data, not ends
  EXPECT_EQ(PackedStreamLength(s), 14u);
}

// (The round trip of random sprites is in the run-length suite, with the
// run lists built from the same streams.)
TEST(PackedStream, EncoderSplitsLongFillsAndGapsAndSkipsEmptyRows) {
  // 5000 opaque pixels of one colour split into fills of at most 4095;
  // a gap of 4100 into two skips; a missing first row into a row skip.
  auto wide = MakeDib(9200, 2, COLOR_KEY);
  for (int x = 0; x < 5000; ++x) wide->SetPixel(x, 1, 0x0007);
  wide->SetPixel(9100, 1, 0x0001);
  wide->SetPixel(9101, 1, 0x0002);
  const Words expect = {0x4001, 0x2FFF, 0x0007, 0x2389, 0x0007, 0x0FFF,
                        0x0005, 0x1002, 0x0001, 0x0002, 0x8000, 0xF000};
  EXPECT_EQ(EncodePackedStream(wide.get()), expect);
}

TEST(PackedStream, HugeCursorMovesStayInside) {
  auto dib = MakeDib(4, 4, 0);
  Words w;
  for (int i = 0; i < 2000; ++i) w.push_back(0x0FFF);  // skip far right
  w.push_back(0x1001);
  w.push_back(0x7777);
  for (int i = 0; i < 2000; ++i) w.push_back(0x4FFF);  // rows far below
  w.push_back(0x2FFF);
  w.push_back(0x7777);
  w.push_back(0xF000);
  EXPECT_TRUE(Decode(w, dib.get()));
  for (uint16_t p : Pixels(dib.get())) EXPECT_EQ(p, COLOR_KEY);
}

}  // namespace
}  // namespace tessera::test
