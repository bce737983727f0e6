// Column conversions of record sets: what converts, and what is refused
// rather than handed out wrong.
#include "database/record_set.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using tessera::FieldValue;
using tessera::RecordSet;

FieldValue Int(int64_t n) {
  FieldValue v;
  v.kind = FieldValue::kInteger;
  v.integer = n;
  return v;
}
FieldValue Real(double d) {
  FieldValue v;
  v.kind = FieldValue::kReal;
  v.real = d;
  return v;
}
FieldValue Text(const std::string& s) {
  FieldValue v;
  v.kind = FieldValue::kText;
  v.text = s;
  return v;
}

TEST(RecordSet, ConvertsWholeNumbersAndRefusesTheRest) {
  RecordSet rs(9);
  rs.AppendRow({Int(-5), Int(2147483648LL), Real(7.0), Real(7.5), Text("42"), Text("4x"),
                FieldValue(), Int(255), Int(256)});
  // Column, and the value read (99: refused, the value left alone).
  const std::pair<int, int32_t> reads[] = {
      {0, -5},   // an integer
      {1, 99},   // beyond 32 bits
      {2, 7},    // a whole real
      {3, 99},   // a real with a fraction
      {4, 42},   // a number as text
      {5, 99},   // text that is not a number
      {6, 99},   // NULL
      {9, 99},   // no such column
      {-1, 99},  // no such column
  };
  for (auto [column, want] : reads) {
    int32_t n = 99;
    EXPECT_EQ(rs.GetInt32(column, n), want != 99) << column;
    EXPECT_EQ(n, want) << column;
  }
  uint8_t b = 0;
  EXPECT_TRUE(rs.GetUInt8(7, b));
  EXPECT_EQ(b, 255);
  EXPECT_FALSE(rs.GetUInt8(8, b));
  EXPECT_FALSE(rs.GetUInt8(0, b));
}

TEST(RecordSet, TextMustFitItsFieldWithTheZero) {
  RecordSet rs(3);
  rs.AppendRow({Text("0123456789"), Int(-12), FieldValue()});
  char field[11];
  char small[10];
  ASSERT_TRUE(rs.GetText(0, field, sizeof field));
  EXPECT_STREQ(field, "0123456789");
  std::memcpy(small, "untouched", 10);
  EXPECT_FALSE(rs.GetText(0, small, sizeof small));
  EXPECT_STREQ(small, "untouched");
  ASSERT_TRUE(rs.GetText(1, field, sizeof field));
  EXPECT_STREQ(field, "-12");
  EXPECT_FALSE(rs.GetText(2, field, sizeof field));
}

TEST(RecordSet, WalksAndRewinds) {
  RecordSet empty(2);
  EXPECT_TRUE(empty.IsEOF());
  EXPECT_EQ(empty.GetCollect(0), nullptr);
  RecordSet rs(1);
  for (int i = 0; i < 2; ++i) rs.AppendRow({Int(i)});
  int32_t n = -1;
  rs.MoveNext();
  ASSERT_TRUE(rs.GetInt32(0, n));
  EXPECT_EQ(n, 1);
  rs.MoveNext();
  rs.MoveNext();  // stays at the end
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.GetCollect(0), nullptr);
  rs.MoveFirst();
  ASSERT_TRUE(rs.GetInt32(0, n));
  EXPECT_EQ(n, 0);
}

}  // namespace
