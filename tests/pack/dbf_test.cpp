// Tables: typed reads and writes, navigation, deleted records, Locate,
// appends, exact messages and refused headers.
#include "pack/dbf.h"

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "table_fixture.h"

namespace tessera::test {
namespace {

class DbfTest : public TableTest {
 protected:
  // A table of `n` records: NAME "rec<i>", QTY i * 1.5, OK (i odd).
  std::string Filled(int n) {
    std::string path = MakeTable("goods.dbf", "NAME:C:10,QTY:N:8:2,OK:L,DAY:D");
    DBF t(path.c_str(), 1);
    for (int i = 0; i < n; ++i) {
      t.AppendBlank();
      std::string name = "rec" + std::to_string(i);
      EXPECT_TRUE(t.Write("NAME", name.c_str()));
      EXPECT_TRUE(t.Write("QTY", i * 1.5));
      EXPECT_TRUE(t.Write("OK", (i % 2) == 1));
      EXPECT_TRUE(t.Write("DAY", "20261205"));
    }
    return path;
  }
  // A move's result and the record it ends on.
  static void Moved(DBF& t, bool moved, bool want, long rec) {
    EXPECT_EQ(moved, want) << rec;
    EXPECT_EQ(t.RecNo(), rec);
  }
  std::string RecordBytes(const std::string& path, DBF& t, long r) {
    std::string all = ReadFile(path);
    return all.substr(static_cast<size_t>(t.m_nHeaderLen + r * t.m_nRecLen),
                      static_cast<size_t>(t.m_nRecLen));
  }
};

TEST_F(DbfTest, HeaderAndFieldTable) {
  std::string path = MakeTable("a.dbf", "ID:C:10,PRICE:N:10:2,FLAG:L,WHEN:D");
  DBF t(path.c_str(), 0);
  ASSERT_TRUE(DbfUsable(t));
  EXPECT_EQ(t.m_nHeaderLen, 32 + 4 * 32 + 1);
  EXPECT_EQ(t.m_nRecLen, 1 + 10 + 10 + 1 + 8);
  EXPECT_EQ(t.m_pFields[1].decimals, 2);
  EXPECT_EQ(t.m_pFields[3].offset, 22);
  std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 32u + 128 + 1 + 1);
  EXPECT_EQ(bytes[0], 0x03);
  EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x7A);
  EXPECT_EQ(bytes[32 + 128], 0x0D);
  EXPECT_EQ(bytes[32 + 129], 0x1A);
  EXPECT_EQ(MessageCount(), 0u);
}

TEST_F(DbfTest, NameWithoutDotGetsExtension) {
  MakeTable("plain.dbf", "A:C:4");
  std::string base = dir_.File("plain");
  DBF t(base.c_str(), 1);
  EXPECT_TRUE(DbfUsable(t));

  // A name with a dot is taken as it stands.
  WriteFile(dir_.File("other.tbl"), ReadFile(dir_.File("plain.dbf")));
  DBF u(dir_.File("other.tbl").c_str(), 1);
  EXPECT_TRUE(DbfUsable(u));

  std::string missing = dir_.File("nothing");
  DBF v(missing.c_str(), 1);
  EXPECT_FALSE(DbfUsable(v));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Not found file " + missing + ".dbf.\n ");
  EXPECT_FALSE(v.GoTop());
  EXPECT_FALSE(v.Skip(1));
  v.AppendBlank();  // nothing, no crash
  EXPECT_EQ(v.RecCount(), 0);
}

TEST_F(DbfTest, FieldTextForms) {
  std::string path = MakeTable("f.dbf", "NAME:C:10,QTY:N:8:2,OK:L,DAY:D,BIG:N:5:0");
  DBF t(path.c_str(), 1);
  t.AppendBlank();
  EXPECT_TRUE(t.Write("NAME", "abc"));
  EXPECT_TRUE(t.Write("QTY", 3.14159));
  EXPECT_TRUE(t.Write("OK", true));
  EXPECT_TRUE(t.Write("DAY", "20261205"));
  // Wider than the field: the formatted text is cut at the field length.
  EXPECT_TRUE(t.Write("BIG", 1234567.0));
  EXPECT_EQ(RecordBytes(path, t, 0), " abc           3.14T2026120512345");

  char buffer[11];
  double d;
  float f;
  int i;
  long l;
  unsigned char c;
  bool b = false;
  EXPECT_TRUE(t.Read(buffer, "NAME"));
  EXPECT_TRUE(t.Read(d, "QTY"));
  EXPECT_TRUE(t.Read(f, "QTY"));
  EXPECT_TRUE(t.Read(i, "BIG"));
  EXPECT_TRUE(t.Read(l, "DAY"));
  EXPECT_TRUE(t.Read(c, "QTY"));
  EXPECT_TRUE(t.Read(b, "OK"));
  EXPECT_STREQ(buffer, "abc       ");
  EXPECT_DOUBLE_EQ(d, 3.14);
  EXPECT_FLOAT_EQ(f, 3.14f);
  EXPECT_EQ(std::make_tuple(i, l, int{c}, b), std::make_tuple(12345, 20261205L, 3, true));

  // A longer text is cut at the field length.
  EXPECT_TRUE(t.Write("NAME", "abcdefghijklmnop"));
  EXPECT_TRUE(t.Read(buffer, "NAME"));
  EXPECT_STREQ(buffer, "abcdefghij");
  // A read stops at a line feed.
  EXPECT_TRUE(t.Write("NAME", "ab\ncd"));
  EXPECT_TRUE(t.Read(buffer, "NAME"));
  EXPECT_STREQ(buffer, "ab");

  char num[9];
  t.DToNF(-2.5, num, 1);
  EXPECT_STREQ(num, "   -2.50");
  EXPECT_EQ(MessageCount(), 0u);
}

TEST_F(DbfTest, MessagesAndFailedValues) {
  std::string path = MakeTable("m.dbf", "NAME:C:10,QTY:N:8:2");
  DBF t(path.c_str(), 1);
  char buffer[16] = "x";
  EXPECT_FALSE(t.Read(buffer, "NAME"));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "No record!\n ");
  int value = 7;
  EXPECT_FALSE(t.Read(value, "QTY"));
  EXPECT_EQ(value, 0);
  bool flag = true;
  EXPECT_FALSE(t.Read(flag, "QTY"));
  EXPECT_FALSE(flag);
  // A write checks the field first, then the record count.
  EXPECT_FALSE(t.Write("NAME", "a"));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "No record!\n ");
  EXPECT_FALSE(t.Write("NOPE", "a"));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Not found field NOPE\n ");

  t.AppendBlank();
  EXPECT_FALSE(t.Read(buffer, "NAM"));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Not found field NAM.\n ");
  // Names compare exactly: case and length.
  EXPECT_FALSE(t.Read(buffer, "name"));
  EXPECT_FALSE(t.Locate("NAMEX", 1, "a"));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Not found field NAMEX.\n ");
  EXPECT_FALSE(t.SetOrderTo(nullptr, "NAME"));
}

TEST_F(DbfTest, UnsupportedFieldTypeReportsTypeError) {
  // A memo field ('M'): tables from elsewhere may carry one.
  std::string path = MakeTable("t.dbf", "NAME:C:4,NOTE:C:10");
  std::string bytes = ReadFile(path);
  bytes[32 + 32 + 11] = 'M';
  WriteFile(path, bytes);
  DBF t(path.c_str(), 1);
  t.AppendBlank();
  // The message's two values are the field name and the line.
  const std::string prefix = "Type error,not Number field!/n NOTE ";
  EXPECT_FALSE(t.Write("NOTE", "x"));
  EXPECT_EQ(LastMessage().substr(0, prefix.size()), prefix);
  EXPECT_GT(std::atoi(LastMessage().c_str() + prefix.size()), 0);
  EXPECT_FALSE(t.Locate("NOTE", 1, "x"));
  EXPECT_EQ(LastMessage().substr(0, prefix.size()), prefix);
  char buffer[11];
  EXPECT_TRUE(t.Read(buffer, "NOTE"));  // raw reads do not care
}

TEST_F(DbfTest, NavigationInPhysicalOrder) {
  std::string path = Filled(5);
  DBF t(path.c_str(), 1);
  EXPECT_EQ(t.RecCount(), 5);
  Moved(t, t.GoBottom(), true, 4);
  Moved(t, t.Skip(1), false, 4);
  EXPECT_FALSE(t.Eof());
  Moved(t, t.Skip(-4), true, 0);
  Moved(t, t.Skip(-1), false, 0);
  Moved(t, t.Skip(3), true, 3);
  Moved(t, t.GoTop(), true, 0);
  EXPECT_FALSE(t.Bof());
  t.m_nRecNo = 5;
  EXPECT_TRUE(t.Eof());
  // An empty table's bottom is before its first record.
  DBF e(MakeTable("e.dbf", "A:C:3").c_str(), 1);
  Moved(e, e.GoBottom(), true, -1);
  EXPECT_TRUE(e.Bof());
  EXPECT_TRUE(e.GoTop());
  EXPECT_TRUE(e.Eof());
}

TEST_F(DbfTest, LocateForwardBackwardAndDeleted) {
  std::string path = Filled(6);
  DBF t(path.c_str(), 1);
  EXPECT_TRUE(t.GoTop());
  Moved(t, t.Locate("NAME", 1, "rec3"), true, 3);
  Moved(t, t.Locate("NAME", 1, "rec3"), true, 3);  // the current record is tested first
  t.m_nRecNo = 0;
  Moved(t, t.Locate("NAME", 1, "rec"), true, 0);  // a prefix matches
  Moved(t, t.Locate("QTY", 1, 6.0), true, 4);
  Moved(t, t.Locate("OK", 1, 1), true, 5);
  Moved(t, t.Locate("OK", -1, 0), true, 4);
  Moved(t, t.Locate("NAME", -2, "rec0"), true, 0);
  // Not found forwards: bottom; backwards: top.
  t.m_nRecNo = 2;
  Moved(t, t.Locate("NAME", 1, "zzz"), false, 5);
  Moved(t, t.Locate("NAME", -1, "zzz"), false, 0);

  // Deleted records are passed over only with DeleteOn.
  t.m_nRecNo = 2;
  EXPECT_TRUE(DbfSetDeleted(t, true));
  EXPECT_TRUE(DbfDeleted(t));
  t.m_nRecNo = 0;
  Moved(t, t.Locate("NAME", 1, "rec2"), true, 2);
  t.DeleteOn();
  t.m_nRecNo = 0;
  EXPECT_FALSE(t.Locate("NAME", 1, "rec2"));
  t.m_nRecNo = 1;
  Moved(t, t.Locate("OK", 1, 0), true, 4);
  t.DeleteOff();  // deleted records are found again
  t.m_nRecNo = 0;
  EXPECT_TRUE(t.Locate("NAME", 1, "rec2"));
}

// Locate reads records in runs; searches cross run boundaries both ways.
TEST_F(DbfTest, LocateOverManyRecords) {
  std::string path = Filled(3000);
  DBF t(path.c_str(), 1);
  t.m_nRecNo = 0;
  Moved(t, t.Locate("NAME", 1, "rec2500 "), true, 2500);
  t.m_nRecNo = 2999;
  Moved(t, t.Locate("NAME", -1, "rec10 "), true, 10);
  t.m_nRecNo = 1500;
  EXPECT_TRUE(DbfSetDeleted(t, true));
  t.DeleteOn();
  t.m_nRecNo = 2900;
  Moved(t, t.Locate("QTY", -7, 1500 * 1.5 - 7 * 1.5), true, 1493);  // steps over 1500
  t.m_nRecNo = 0;
  Moved(t, t.Locate("NAME", 1, "rec1500"), false, 2999);
  // A record written after the search began its run is still read fresh by
  // the next search.
  t.m_nRecNo = 2998;
  EXPECT_TRUE(t.Write("NAME", "fresh"));
  t.m_nRecNo = 0;
  Moved(t, t.Locate("NAME", 1, "fresh"), true, 2998);
}

TEST_F(DbfTest, RecordLocksExcludeOtherHandles) {
  std::string path = Filled(3);
  DBF a(path.c_str(), 0);
  DBF b(path.c_str(), 0);
  a.m_nRecNo = 1;
  b.m_nRecNo = 1;
  EXPECT_TRUE(a.LockRecord());
  EXPECT_FALSE(b.LockRecord());
  b.m_nRecNo = 2;
  EXPECT_TRUE(b.LockRecord());
  b.m_nRecNo = 1;
  EXPECT_TRUE(b.Write("NAME", "shared"));  // locks do not block writes
  EXPECT_TRUE(a.UnLockRecord());
  EXPECT_TRUE(b.LockRecord());
}

// Headers that lie are refused: no field table, every operation fails.
TEST_F(DbfTest, LyingHeadersAreRefused) {
  std::string good = ReadFile(Filled(3));
  auto refused = [&](std::string bytes, const char* why) {
    std::string path = dir_.File("bad.dbf");
    WriteFile(path, bytes);
    size_t before = MessageCount();
    DBF t(path.c_str(), 1);
    EXPECT_FALSE(DbfUsable(t)) << why;
    EXPECT_EQ(MessageCount(), before + 1) << why;
    EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Bad table header " + path + ".\n ") << why;
    char buffer[300];
    EXPECT_FALSE(t.Read(buffer, "NAME")) << why;
    EXPECT_FALSE(t.Locate("NAME", 1, "x")) << why;
    EXPECT_FALSE(t.GoBottom()) << why;
  };
  // Header length at bytes 8-9, record length at 10-11.
  const struct {
    size_t at;
    char lo, hi;
    const char* why;
  } cases[] = {{8, '\xFF', '\x7F', "header length past the end"},
               {10, 5, 0, "fields past the record"},
               {8, 32, 0, "header shorter than its head: no room for the terminator"},
               {10, 0, 0, "zero record length"}};
  for (const auto& c : cases) {
    std::string b = good;
    b[c.at] = c.lo;
    b[c.at + 1] = c.hi;
    refused(b, c.why);
  }
  refused(good.substr(0, 20), "short header");
}

TEST_F(DbfTest, CreateRefusesBadFieldLists) {
  std::vector<DbfField> fields;
  std::string error;
  for (const char* bad : {"NAME", "NAME:C:x", "ELEVENCHARS:C:3"})
    EXPECT_FALSE(ParseDbfFields(bad, fields, error)) << bad;
  // Parsed, but no table can hold them.
  for (const char* bad : {"A:C:3,A:N:4", "A:C:0", "A:D:9", "A:N:4:3", "A:Q:4"}) {
    ASSERT_TRUE(ParseDbfFields(bad, fields, error)) << bad;
    EXPECT_FALSE(CreateDbf(dir_.File("x.dbf"), fields, error)) << bad;
  }
  EXPECT_FALSE(CreateDbf(dir_.File("x.dbf"), {}, error));
  ASSERT_TRUE(ParseDbfFields("A:C:3,A:N:4", fields, error));
  CreateDbf(dir_.File("x.dbf"), fields, error);
  EXPECT_EQ(error, "field A appears twice");
}

}  // namespace
}  // namespace tessera::test
