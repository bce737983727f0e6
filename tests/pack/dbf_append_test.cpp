// Whole-record appends (one record, or a batch under one lock) against
// AppendBlank + Write byte for byte, their failures, exclusive opens, and
// the locks and append of another process.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "child_process.h"
#include "pack/dbf.h"
#include "pack/dbf_record.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

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

// Writes the rows one of four ways into a fresh table and returns its bytes.
enum class Way { kBlankAndWrite, kRecord, kBatch, kExclusiveRecord };

class DbfAppendTest : public TableTest {
 protected:
  std::string Fill(const std::string& fields, Way way, const std::string& name, int repeat);
};

std::string DbfAppendTest::Fill(const std::string& fields, Way way, const std::string& name,
                                int repeat) {
  std::string path = MakeTable(name, fields);
  DBF t(path.c_str(), way == Way::kExclusiveRecord ? 1 : 0);
  std::vector<DbfRecord> batch;
  for (int k = 0; k < repeat; ++k)
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

TEST_F(DbfAppendTest, WholeRecordAppendsMatchAppendBlankAndWriteByteForByte) {
  const char* layouts[] = {
      "ID:C:10,QTY:N:10:3,OK:L:1,DAY:D:8",
      "OK:L:1,DAY:D:8,QTY:F:6:2,ID:C:1",
      "QTY:N:20,ID:C:254,DAY:D:8,OK:L:1",
  };
  for (const char* fields : layouts) {
    SCOPED_TRACE(fields);
    std::string want = Fill(fields, Way::kBlankAndWrite, "w.dbf", 3);
    EXPECT_EQ(Fill(fields, Way::kRecord, "r.dbf", 3), want);
    EXPECT_EQ(Fill(fields, Way::kBatch, "b.dbf", 3), want);
    EXPECT_EQ(Fill(fields, Way::kExclusiveRecord, "x.dbf", 3), want);
  }
  EXPECT_EQ(MessageCount(), 0u);
}

TEST_F(DbfAppendTest, FieldsOfTheWrongKindOrNameLeaveTheRecordAsItWas) {
  std::string path = MakeTable("k.dbf", "ID:C:4,QTY:N:5,OK:L:1");
  DBF t(path.c_str(), 0);
  DbfRecord r(t);
  ASSERT_TRUE(r.Set("ID", "ab"));
  const std::string before = r.Bytes();
  EXPECT_FALSE(r.Set("QTY", "12"));
  // The message's two values are the field name and the line.
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
}

TEST_F(DbfAppendTest, RecordsOfAnotherTableAreRefused) {
  std::string a = MakeTable("a.dbf", "ID:C:4");
  std::string b = MakeTable("b.dbf", "ID:C:5");
  DBF ta(a.c_str(), 0), tb(b.c_str(), 0);
  DbfRecord from_b(tb);
  EXPECT_FALSE(DbfAppendRecord(ta, from_b));
  DbfRecord from_a(ta);
  EXPECT_FALSE(DbfAppendRecords(ta, {from_a, from_b}));
  EXPECT_EQ(ta.RecCount(), 0);
  EXPECT_TRUE(DbfAppendRecords(ta, {}));
  EXPECT_EQ(ReadFile(a).size(), static_cast<size_t>(ta.m_nHeaderLen + 1));
}

TEST_F(DbfAppendTest, AFailedBatchLeavesTheTableAsItWas) {
  std::string path = MakeTable("f.dbf", "ID:C:10");
  {
    DBF t(path.c_str(), 0);
    DbfRecord r(t);
    r.Set("ID", "first");
    ASSERT_TRUE(DbfAppendRecord(t, r));
  }
  const std::string was = ReadFile(path);
  for (int exclusive : {0, 1}) {
    // Room for some of the 100 records, not all.
    int code = RunUnderFileSizeLimit(was.size() + 500, [&] {
      DBF t(path.c_str(), exclusive);
      DbfRecord r(t);
      r.Set("ID", "batch");
      // One append first, so that the handle goes on from the size it
      // knows rather than asking the file.
      if (!DbfAppendRecord(t, r)) return 5;
      std::vector<DbfRecord> many(100, r);
      if (DbfAppendRecords(t, many)) return 1;
      if (t.RecCount() != 2 || t.RecNo() != 1) return 2;
      if (LastMessage().find("Failed to write file ") != 0) return 3;
      // A single record still fits after the failure.
      if (!DbfAppendRecord(t, r) || t.RecCount() != 3) return 4;
      return 0;
    });
    ASSERT_EQ(code, 0) << exclusive;
    std::string now = ReadFile(path);
    EXPECT_EQ(now, was.substr(0, 4) + std::string("\x03\x00\x00\x00", 4) + was.substr(8) +
                       " batch      batch     ");
    WriteFile(path, was);  // back to one record for the second round
  }
}

TEST_F(DbfAppendTest, AnExclusiveOpenLocksOutEveryOtherHandle) {
  std::string path = MakeTable("x.dbf", "ID:C:6");
  {
    DBF shared(path.c_str(), 0);
    ASSERT_TRUE(DbfUsable(shared));
    DBF excl(path.c_str(), 1);  // another handle is open: refused
    EXPECT_FALSE(DbfUsable(excl));
    EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"),
              "Table " + path + " is in use; it cannot be opened exclusively.\n ");
  }
  DBF x(path.c_str(), 1);
  ASSERT_TRUE(DbfUsable(x));
  DBF other(path.c_str(), 0);
  EXPECT_FALSE(DbfUsable(other));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"),
            "Table " + path + " is opened exclusively by another user.\n ");
  DBF second(path.c_str(), 1);
  EXPECT_FALSE(DbfUsable(second));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"),
            "Table " + path + " is in use; it cannot be opened exclusively.\n ");
  // Another process is refused too, and sees no lock free.
  int code = RunInChild([&] {
    DBF t(path.c_str(), 0);
    if (DbfUsable(t)) return 1;
    RawFile raw;
    if (!raw.Open(path)) return 2;
    if (raw.LockByte(kDbfLockBase) || raw.LockByte(kDbfLockBase + 40)) return 3;
    return 0;
  });
  EXPECT_EQ(code, 0);
  // The holder locks records and appends without waiting for anyone; the
  // guard nests as before.
  {
    DbfAppendGuard guard(x);
    EXPECT_TRUE(guard.Held());
    x.AppendBlank();
    EXPECT_TRUE(x.LockRecord());
    EXPECT_TRUE(x.UnLockRecord());
    DbfRecord r(x);
    r.Set("ID", "two");
    EXPECT_TRUE(DbfAppendRecord(x, r));
  }
  EXPECT_EQ(x.RecCount(), 2);
  EXPECT_EQ(ReadFile(path).size(), static_cast<size_t>(x.m_nHeaderLen + 2 * 7));
}

// Locks held by another process are seen, and its append is waited for.
TEST_F(DbfAppendTest, LocksHeldByAnotherProcess) {
  std::string path = MakeTable("locks.dbf", "WHO:C:6");
  {
    DBF t(path.c_str(), 1);
    for (int i = 0; i < 3; ++i) t.AppendBlank();
  }
  int to_parent[2], to_child[2];
  ASSERT_EQ(::pipe(to_parent), 0);
  ASSERT_EQ(::pipe(to_child), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DBF t(path.c_str(), 0);
    t.m_nRecNo = 1;
    bool ok = t.LockRecord() && t.m_fp.LockByte(kDbfLockBase);
    char c = ok ? 'L' : 'F';
    if (::write(to_parent[1], &c, 1) != 1) ::_exit(2);
    // Wait for the parent's checks, hold the append lock a little longer,
    // then append one record: the parent's append must wait for it.
    if (::read(to_child[0], &c, 1) != 1) ::_exit(2);
    ::usleep(150000);
    t.AppendBlank();
    t.Write("WHO", "child");
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
  t.Write("WHO", "parent");
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(std::make_pair(t.RecNo(), t.RecCount()), std::make_pair(4L, 5L));
  char who[7];
  t.m_nRecNo = 3;
  ASSERT_TRUE(t.Read(who, "WHO"));
  EXPECT_STREQ(who, "child ");
  // The child is gone, and its locks with it.
  t.m_nRecNo = 1;
  EXPECT_TRUE(t.LockRecord());
  for (int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) ::close(fd);
}

TEST_F(DbfAppendTest, TheTableIsFreeOnceTheExclusiveHandleCloses) {
  std::string path = MakeTable("y.dbf", "ID:C:6");
  { DBF x(path.c_str(), 1); }
  DBF a(path.c_str(), 0), b(path.c_str(), 0);
  EXPECT_TRUE(DbfUsable(a));
  EXPECT_TRUE(DbfUsable(b));
  // Two processes appending through shared handles, a blank record then a
  // write, one whole record, two in a batch, lose nothing.
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
