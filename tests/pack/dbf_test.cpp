// Tables: typed reads and writes, navigation, Locate, whole-record appends
// against AppendBlank + Write byte for byte, exact messages, refused
// headers, a full disk, and the locks and exclusive opens of other handles
// and other processes.
#include "pack/dbf.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "child_process.h"
#include "pack/dbf_record.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

class DbfTest : public TableTest {
 protected:
  // A table of `n` records: NAME "rec<i>", QTY i * 1.5, OK (i odd).
  std::string Filled(int n, const std::string& name = "goods.dbf") {
    std::string path = MakeTable(name, "NAME:C:10,QTY:N:8:2,OK:L,DAY:D");
    DBF t(path.c_str(), 1);
    for (int i = 0; i < n; ++i) {
      t.AppendBlank();
      EXPECT_TRUE(t.Write("NAME", ("rec" + std::to_string(i)).c_str()));
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
  static std::string NameOf(DBF& t, long r) {
    char text[11] = {};
    t.m_nRecNo = r;
    return t.Read(text, "NAME") ? text : "<unread>";
  }
};

// The header and field table are dbfread's to check; here, the names.
TEST_F(DbfTest, FileNames) {
  const std::string bytes = ReadFile(MakeTable("a.dbf", "ID:C:10"));
  EXPECT_EQ(bytes[0], 0x03);  // dBase III, which every program reads
  // ".dbf" is added to a name without a dot; a name with one stands.
  EXPECT_TRUE(DbfUsable(DBF(dir_.File("a").c_str(), 0)));
  WriteFile(dir_.File("other.tbl"), bytes);
  EXPECT_TRUE(DbfUsable(DBF(dir_.File("other.tbl").c_str(), 0)));
  EXPECT_EQ(MessageCount(), 0u);
  std::string missing = dir_.File("nothing");
  DBF v(missing.c_str(), 1);
  EXPECT_FALSE(DbfUsable(v));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Not found file " + missing + ".dbf.\n ");
  EXPECT_FALSE(v.GoTop());
  EXPECT_FALSE(v.Skip(1));
  v.AppendBlank();
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
  EXPECT_EQ(ReadFile(path).substr(static_cast<size_t>(t.m_nHeaderLen), 34),
            " abc           3.14T2026120512345");

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

  // A longer text is cut at the field length; a read stops at a line feed.
  EXPECT_TRUE(t.Write("NAME", "abcdefghijklmnop"));
  EXPECT_TRUE(t.Read(buffer, "NAME"));
  EXPECT_STREQ(buffer, "abcdefghij");
  EXPECT_TRUE(t.Write("NAME", "ab\ncd"));
  EXPECT_TRUE(t.Read(buffer, "NAME"));
  EXPECT_STREQ(buffer, "ab");
  char num[9];
  t.DToNF(-2.5, num, 1);
  EXPECT_STREQ(num, "   -2.50");
  EXPECT_EQ(MessageCount(), 0u);
}

TEST_F(DbfTest, MessagesAndFailedValues) {
  std::string path = MakeTable("m.dbf", "NAME:C:10,QTY:N:8:2,NOTE:C:10");
  // A memo field ('M'): tables from elsewhere may carry one.
  std::string bytes = ReadFile(path);
  bytes[32 + 64 + 11] = 'M';
  WriteFile(path, bytes);
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

  // The type message's two values are the field name and the line.
  const std::string prefix = "Type error,not Number field!/n NOTE ";
  EXPECT_FALSE(t.Write("NOTE", "x"));
  EXPECT_EQ(LastMessage().substr(0, prefix.size()), prefix);
  EXPECT_GT(std::atoi(LastMessage().c_str() + prefix.size()), 0);
  ClearHeadlessMessages();
  EXPECT_FALSE(t.Locate("NOTE", 1, "x"));
  EXPECT_EQ(LastMessage().substr(0, prefix.size()), prefix);
  EXPECT_TRUE(t.Read(buffer, "NOTE"));  // raw reads do not care
}

TEST_F(DbfTest, NavigationInPhysicalOrder) {
  DBF t(Filled(5).c_str(), 1);
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
  DBF t(Filled(6).c_str(), 1);
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
  t.DeleteOff();
  t.m_nRecNo = 0;
  EXPECT_TRUE(t.Locate("NAME", 1, "rec2"));

  // Step zero looks at the current record only (in a child: a Locate that
  // cannot move must still return).
  int code = RunInChild(
      [&] {
        t.m_nRecNo = 3;
        if (!t.Locate("NAME", 0, "rec3") || t.RecNo() != 3) return 1;
        if (t.Locate("NAME", 0, "rec4") || t.RecNo() != 3) return 2;
        t.m_nRecNo = 2;
        t.DeleteOn();
        return t.Locate("NAME", 0, "rec2") ? 3 : 0;
      },
      5);
  EXPECT_EQ(code, 0) << (code == 128 + SIGALRM ? "Locate did not return" : "");
}

// Locate reads records in runs; searches cross run boundaries both ways.
TEST_F(DbfTest, LocateOverManyRecords) {
  DBF t(Filled(3000).c_str(), 1);
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
  for (const char* bad : {"A:C:0", "A:D:9", "A:N:4:3", "A:Q:4", "A:C:3,A:N:4"}) {
    ASSERT_TRUE(ParseDbfFields(bad, fields, error)) << bad;
    EXPECT_FALSE(CreateDbf(dir_.File("x.dbf"), fields, error)) << bad;
  }
  EXPECT_EQ(error, "field A appears twice");
  EXPECT_FALSE(CreateDbf(dir_.File("x.dbf"), {}, error));
}

// One row of values; every layout below has these fields in some order.
struct Row {
  const char* id;
  double qty;
  bool ok;
  const char* day;
};
const Row kRows[] = {
    {"a", 0, true, "20240101"},
    {"exactly10!", -3.5, false, "19991231"},
    {"much longer than the field", 123456789.125, true, "2024"},  // cut text, cut number
    {"", 1e-9, false, ""},
    {"\xc4\xe3\xba\xc3", 42, true, "20000229"},  // GBK "ni hao"
};

// Writes the rows three times one of four ways into a fresh table and
// returns its bytes.
enum class Way { kBlankAndWrite, kRecord, kBatch, kExclusiveRecord };
std::string Fill(const std::string& path, Way way) {
  DBF t(path.c_str(), way == Way::kExclusiveRecord ? 1 : 0);
  std::vector<DbfRecord> batch;
  for (int k = 0; k < 3; ++k)
    for (const Row& row : kRows) {
      if (way == Way::kBlankAndWrite) {
        t.AppendBlank();
        EXPECT_TRUE(t.Write("ID", row.id));
        EXPECT_TRUE(t.Write("QTY", row.qty));
        EXPECT_TRUE(t.Write("OK", static_cast<int>(row.ok)));
        EXPECT_TRUE(t.Write("DAY", row.day));
        continue;
      }
      DbfRecord r(t);
      EXPECT_TRUE(r.Set("ID", row.id));
      EXPECT_TRUE(r.Set("QTY", row.qty));
      EXPECT_TRUE(r.SetLogical("OK", row.ok));
      EXPECT_TRUE(r.Set("DAY", row.day));
      if (way == Way::kBatch) {
        batch.push_back(r);
      } else {
        long before = t.RecCount();
        EXPECT_TRUE(DbfAppendRecord(t, r));
        EXPECT_EQ(t.RecNo(), before);
      }
    }
  if (way == Way::kBatch) {
    EXPECT_TRUE(DbfAppendRecords(t, batch));
    EXPECT_EQ(t.RecNo(), t.RecCount() - 1);
  }
  return ReadFile(path);
}

TEST_F(DbfTest, WholeRecordAppendsMatchAppendBlankAndWriteByteForByte) {
  for (const char* fields : {"ID:C:10,QTY:N:10:3,OK:L:1,DAY:D:8", "OK:L:1,DAY:D:8,QTY:F:6:2,ID:C:1",
                             "QTY:N:20,ID:C:254,DAY:D:8,OK:L:1"}) {
    SCOPED_TRACE(fields);
    std::string want = Fill(MakeTable("w.dbf", fields), Way::kBlankAndWrite);
    for (Way way : {Way::kRecord, Way::kBatch, Way::kExclusiveRecord})
      EXPECT_EQ(Fill(MakeTable("r.dbf", fields), way), want);
  }
  EXPECT_EQ(MessageCount(), 0u);
}

TEST_F(DbfTest, RecordsOfTheWrongKindOrTableAreRefused) {
  std::string path = MakeTable("k.dbf", "ID:C:4,QTY:N:5,OK:L:1");
  DBF t(path.c_str(), 0);
  DbfRecord r(t);
  ASSERT_TRUE(r.Set("ID", "ab"));
  const std::string before = r.Bytes();
  EXPECT_FALSE(r.Set("QTY", "12"));
  EXPECT_EQ(LastMessage().rfind("Type error,not Number field!/n QTY ", 0), 0u);
  EXPECT_FALSE(r.Set("ID", 3.0));
  EXPECT_FALSE(r.SetLogical("QTY", true));
  EXPECT_FALSE(r.Set("NOPE", "x"));
  EXPECT_EQ(LastMessage().rfind("Not found field NOPE\n", 0), 0u);
  EXPECT_EQ(r.Bytes(), before);
  EXPECT_EQ(before, " ab        ");
  r.SetDeleted(true);
  ASSERT_TRUE(DbfAppendRecord(t, r));
  EXPECT_TRUE(DbfDeleted(t));
  r.Clear();
  EXPECT_EQ(r.Bytes(), std::string(11, ' '));

  // Records of a table with another record length.
  DBF other(MakeTable("b.dbf", "ID:C:5").c_str(), 0);
  DbfRecord from_other(other);
  EXPECT_FALSE(DbfAppendRecord(t, from_other));
  EXPECT_FALSE(DbfAppendRecords(t, {r, from_other}));
  EXPECT_EQ(t.RecCount(), 1);
  EXPECT_TRUE(DbfAppendRecords(t, {}));
  EXPECT_EQ(ReadFile(path).size(), static_cast<size_t>(t.m_nHeaderLen + 11));
}

// A full disk: the blank record or the batch that does not fit leaves the
// count and every record as they were.
TEST_F(DbfTest, AFailedAppendLeavesTheTableAsItWas) {
  std::string path = Filled(1);
  const std::string was = ReadFile(path);
  // Room for part of a record only.
  int code = RunUnderFileSizeLimit(was.size() + 8, [&] {
    DBF t(path.c_str(), 0);
    t.m_nRecNo = 0;
    t.AppendBlank();
    if (t.RecCount() != 1 || t.m_nRecCount != 1 || t.RecNo() != 0) return 1;
    if (LastMessage().find("Failed to write file " + path + ".\n") != 0) return 2;
    return DbfAppendBlank(t) ? 3 : 0;
  });
  ASSERT_EQ(code, 0);
  ASSERT_EQ(ReadFile(path), was);
  for (int exclusive : {0, 1}) {
    // Room for some of the 100 records, not all.
    code = RunUnderFileSizeLimit(was.size() + 500, [&] {
      DBF t(path.c_str(), exclusive);
      DbfRecord r(t);
      r.Set("NAME", "batch");
      // One append first, so that the handle goes on from the size it
      // knows rather than asking the file.
      if (!DbfAppendRecord(t, r)) return 5;
      if (DbfAppendRecords(t, std::vector<DbfRecord>(100, r))) return 1;
      if (t.RecCount() != 2 || t.RecNo() != 1) return 2;
      if (LastMessage().find("Failed to write file ") != 0) return 3;
      // A single record still fits after the failure.
      return DbfAppendRecord(t, r) && t.RecCount() == 3 ? 0 : 4;
    });
    ASSERT_EQ(code, 0) << exclusive;
    DBF t(path.c_str(), 0);
    EXPECT_EQ(t.RecCount(), 3);
    EXPECT_EQ(NameOf(t, 2), "batch     ");
    EXPECT_EQ(ReadFile(path).size(), was.size() + 2 * 28);
    WriteFile(path, was);  // back to one record for the second round
  }
}

TEST_F(DbfTest, ACountPastTheEndServesEveryWholeRecord) {
  std::string path = Filled(3);
  std::string bytes = ReadFile(path);
  bytes[4] = 9;                  // nine counted, three there
  bytes += std::string(5, 'x');  // and part of a fourth
  WriteFile(path, bytes);
  DBF t(path.c_str(), 0);
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_EQ(t.RecCount(), 3);
  EXPECT_EQ(NameOf(t, 2), "rec2      ");
  EXPECT_TRUE(t.GoBottom());
  EXPECT_EQ(t.RecNo(), 2);
  // The next append goes after the whole records and repairs the count.
  t.AppendBlank();
  EXPECT_TRUE(t.Write("NAME", "rec3"));
  DBF again(path.c_str(), 0);
  EXPECT_EQ(again.RecCount(), 4);
  EXPECT_EQ(NameOf(again, 3), "rec3      ");
}

TEST_F(DbfTest, LocksBetweenHandlesAndTheAppendGuard) {
  std::string path = Filled(3);
  DBF a(path.c_str(), 0), b(path.c_str(), 0);
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
  {
    DbfAppendGuard guard(a);
    ASSERT_TRUE(guard.Held());
    {
      DbfAppendGuard inner(a);  // nests
      a.AppendBlank();
    }
    a.AppendBlank();
    // AppendBlank under the guard took no lock of its own, and so released
    // none: another handle still cannot append.
    EXPECT_FALSE(b.m_fp.LockByte(kDbfLockBase));
  }
  EXPECT_TRUE(b.m_fp.LockByte(kDbfLockBase));
  EXPECT_TRUE(b.m_fp.UnlockByte(kDbfLockBase));
  // Without a guard, AppendBlank takes and releases the lock itself.
  a.AppendBlank();
  EXPECT_TRUE(b.m_fp.LockByte(kDbfLockBase));
}

TEST_F(DbfTest, AnExclusiveOpenLocksOutEveryOtherHandle) {
  std::string path = MakeTable("x.dbf", "ID:C:6");
  const std::string in_use = "Table " + path + " is in use; it cannot be opened exclusively.\n ";
  {
    DBF shared(path.c_str(), 0);
    ASSERT_TRUE(DbfUsable(shared));
    EXPECT_FALSE(DbfUsable(DBF(path.c_str(), 1)));
    EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), in_use);
  }
  DBF x(path.c_str(), 1);
  ASSERT_TRUE(DbfUsable(x));
  EXPECT_FALSE(DbfUsable(DBF(path.c_str(), 0)));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"),
            "Table " + path + " is opened exclusively by another user.\n ");
  EXPECT_FALSE(DbfUsable(DBF(path.c_str(), 1)));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), in_use);
  // Another process is refused too, and sees no lock free.
  int code = RunInChild([&] {
    if (DbfUsable(DBF(path.c_str(), 0))) return 1;
    RawFile raw;
    if (!raw.Open(path)) return 2;
    return raw.LockByte(kDbfLockBase) || raw.LockByte(kDbfLockBase + 40) ? 3 : 0;
  });
  EXPECT_EQ(code, 0);
  // The holder locks records and appends without waiting for anyone.
  x.AppendBlank();
  EXPECT_TRUE(x.LockRecord());
  EXPECT_TRUE(x.UnLockRecord());
  DbfRecord r(x);
  r.Set("ID", "two");
  EXPECT_TRUE(DbfAppendRecord(x, r));
  EXPECT_EQ(ReadFile(path).size(), static_cast<size_t>(x.m_nHeaderLen + 2 * 7));
}

// Locks held by another process are seen, and its append is waited for.
TEST_F(DbfTest, LocksHeldByAnotherProcess) {
  std::string path = Filled(3);
  int to_parent[2], to_child[2];
  ASSERT_EQ(::pipe(to_parent), 0);
  ASSERT_EQ(::pipe(to_child), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DBF t(path.c_str(), 0);
    t.m_nRecNo = 1;
    char c = t.LockRecord() && t.m_fp.LockByte(kDbfLockBase) ? 'L' : 'F';
    if (::write(to_parent[1], &c, 1) != 1) ::_exit(2);
    // Wait for the parent's checks, hold the append lock a little longer,
    // then append one record: the parent's append must wait for it.
    if (::read(to_child[0], &c, 1) != 1) ::_exit(2);
    ::usleep(150000);
    t.AppendBlank();
    t.Write("NAME", "child");
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(to_parent[0], &c, 1), 1);
  ASSERT_EQ(c, 'L');
  DBF t(path.c_str(), 0);
  t.m_nRecNo = 1;
  EXPECT_FALSE(t.LockRecord());
  t.m_nRecNo = 2;
  EXPECT_TRUE(t.LockRecord());
  EXPECT_TRUE(t.UnLockRecord());
  EXPECT_FALSE(t.m_fp.LockByte(kDbfLockBase));

  ASSERT_EQ(::write(to_child[1], "g", 1), 1);
  t.AppendBlank();  // waits for the child's append
  t.Write("NAME", "parent");
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(std::make_pair(t.RecNo(), t.RecCount()), std::make_pair(4L, 5L));
  EXPECT_EQ(NameOf(t, 3), "child     ");
  // The child is gone, and its locks with it.
  t.m_nRecNo = 1;
  EXPECT_TRUE(t.LockRecord());
  for (int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) ::close(fd);
}

// Once the exclusive handle closes, two processes appending through shared
// handles -- a blank record then a write, one whole record, two in a
// batch -- lose nothing.
TEST_F(DbfTest, TwoProcessesAppendingLoseNothing) {
  std::string path = MakeTable("y.dbf", "ID:C:6");
  { DBF x(path.c_str(), 1); }
  DBF a(path.c_str(), 0);  // opened before the appends, counts them all
  auto append = [&](const char* who) {
    DBF t(path.c_str(), 0);
    DbfRecord r(t);
    r.Set("ID", who);
    std::vector<DbfRecord> two(2, r);
    for (int i = 0; i < 300; ++i) {
      t.AppendBlank();
      if (!t.Write("ID", who) || !DbfAppendRecord(t, r) || !DbfAppendRecords(t, two)) return 1;
    }
    return 0;
  };
  std::fflush(nullptr);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(append("child"));
  EXPECT_EQ(append("parent"), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(a.RecCount(), 2400);
  int parent = 0;
  for (a.m_nRecNo = 0; a.m_nRecNo < 2400; ++a.m_nRecNo) {
    char id[7];
    ASSERT_TRUE(a.Read(id, "ID"));
    ASSERT_TRUE(!std::strcmp(id, "parent") || !std::strcmp(id, "child ")) << a.m_nRecNo;
    parent += id[0] == 'p';
  }
  EXPECT_EQ(parent, 1200);
  EXPECT_EQ(ReadFile(path).size(), static_cast<size_t>(a.m_nHeaderLen + 2400 * 7));
}

}  // namespace
}  // namespace tessera::test
