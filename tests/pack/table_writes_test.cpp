// Tables and indexes under hostile conditions: a full disk during an append
// or a split, counts that run past the end, read-only files, folders given
// as files, a Locate that cannot move, and the append guard held across
// several operations.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "child_process.h"
#include "pack/dbf.h"
#include "pack/dbf_record.h"
#include "pack/idx.h"
#include "pack/idx_walk.h"
#include "pack/qres.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

class TableWritesTest : public TableTest {
 protected:
  // A table of `n` records: NAME "rec<i>".
  std::string Filled(const std::string& name, int n) {
    std::string path = MakeTable(name, "NAME:C:10,QTY:N:6");
    DBF t(path.c_str(), 1);
    for (int i = 0; i < n; ++i) {
      t.AppendBlank();
      t.Write("NAME", ("rec" + std::to_string(i)).c_str());
      t.Write("QTY", static_cast<double>(i));
    }
    return path;
  }
  static std::string NameOf(DBF& t, long r) {
    char text[11] = {};
    t.m_nRecNo = r;
    if (!t.Read(text, "NAME")) return "<unread>";
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
};

TEST_F(TableWritesTest, AFailedAppendLeavesTheCountAndEveryRecord) {
  std::string path = Filled("full.dbf", 5);
  const size_t size = ReadFile(path).size();
  // Room for half a record: the blank record cannot be written whole.
  int code = RunUnderFileSizeLimit(size + 8, [&] {
    DBF t(path.c_str(), 0);
    t.m_nRecNo = 2;
    t.AppendBlank();
    if (t.RecCount() != 5 || t.m_nRecCount != 5 || t.RecNo() != 2) return 1;
    if (LastMessage().find("Failed to write file " + path + ".\n") != 0) return 3;
    if (DbfAppendBlank(t)) return 4;
    return 0;
  });
  ASSERT_EQ(code, 0);
  // The file is as it was, and opens with every record.
  EXPECT_EQ(ReadFile(path).size(), size);
  DBF t(path.c_str(), 1);
  EXPECT_EQ(NameOf(t, 4), "rec4");
  t.AppendBlank();  // with room again, the append works
  EXPECT_EQ(t.RecCount(), 6);
}

TEST_F(TableWritesTest, ACountPastTheEndServesEveryWholeRecord) {
  std::string path = Filled("long.dbf", 3);
  std::string bytes = ReadFile(path);
  bytes[4] = 9;                  // nine counted, three there
  bytes += std::string(5, 'x');  // and part of a fourth
  WriteFile(path, bytes);
  DBF t(path.c_str(), 0);
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_EQ(t.RecCount(), 3);
  EXPECT_EQ(NameOf(t, 2), "rec2");
  EXPECT_TRUE(t.GoBottom());
  EXPECT_EQ(t.RecNo(), 2);
  // The next append goes after the whole records and repairs the count.
  t.AppendBlank();
  EXPECT_TRUE(t.Write("NAME", "rec3"));
  DBF again(path.c_str(), 0);
  EXPECT_EQ(again.RecCount(), 4);
  EXPECT_EQ(NameOf(again, 3), "rec3");
}

TEST_F(TableWritesTest, LocateWithStepZeroLooksAtTheCurrentRecordOnly) {
  std::string path = Filled("zero.dbf", 4);
  int code = RunInChild(
      [&] {
        DBF t(path.c_str(), 1);
        t.m_nRecNo = 2;
        if (!t.Locate("NAME", 0, "rec2") || t.RecNo() != 2) return 1;
        if (t.Locate("NAME", 0, "rec3") || t.RecNo() != 2) return 2;
        DbfSetDeleted(t, true);
        t.DeleteOn();
        if (t.Locate("NAME", 0, "rec2")) return 3;
        return 0;
      },
      5);
  EXPECT_EQ(code, 0) << (code == 128 + SIGALRM ? "Locate did not return" : "");
}

TEST_F(TableWritesTest, TheAppendGuardKeepsTheLockAcrossAppendBlank) {
  std::string path = Filled("guard.dbf", 1);
  DBF writer(path.c_str(), 0);
  DBF other(path.c_str(), 0);
  {
    DbfAppendGuard guard(writer);
    ASSERT_TRUE(guard.Held());
    {
      DbfAppendGuard inner(writer);  // nests
      writer.AppendBlank();
    }
    writer.AppendBlank();
    // AppendBlank under the guard took no lock of its own, and so released
    // none: another handle still cannot append.
    EXPECT_FALSE(other.m_fp.LockByte(kDbfLockBase));
    EXPECT_TRUE(writer.Write("NAME", "guarded"));
  }
  EXPECT_TRUE(other.m_fp.LockByte(kDbfLockBase));
  EXPECT_TRUE(other.m_fp.UnlockByte(kDbfLockBase));
  // Without a guard, AppendBlank takes and releases the lock itself.
  writer.AppendBlank();
  EXPECT_TRUE(other.m_fp.LockByte(kDbfLockBase));
}

TEST_F(TableWritesTest, AnIndexSplitOnAFullDiskLeavesTheTreeAsItWas) {
  // Key length 10: 35 entries fill the root leaf; the 36th splits it.
  std::string table = MakeTable("split.dbf", "ID:C:10");
  std::string index = MakeIndex("split.idx", 10);
  {
    DBF t(table.c_str(), 1);
    IDX x(index.c_str(), 1);
    ASSERT_TRUE(t.SetOrderTo(&x, "ID"));
    for (int i = 0; i < 35; ++i) {
      t.AppendBlank();
      t.Write("ID", ("k" + std::to_string(100 + i)).c_str());
      ASSERT_TRUE(t.IdxInsert());
    }
  }
  const std::string before = ReadFile(index);
  ASSERT_EQ(before.size(), 1024u);
  // The table may grow by a record, the index by nothing.
  int code = RunUnderFileSizeLimit(ReadFile(table).size() + 64, [&] {
    DBF t(table.c_str(), 1);
    IDX x(index.c_str(), 1);
    t.SetOrderTo(&x, "ID");
    t.AppendBlank();
    if (!t.Write("ID", "k050")) return 1;
    if (t.IdxInsert()) return 2;
    if (LastMessage().find("Failed to write file " + index + "!\n") != 0) return 3;
    return 0;
  });
  ASSERT_EQ(code, 0);
  EXPECT_EQ(ReadFile(index), before);
  DBF t(table.c_str(), 1);
  IDX x(index.c_str(), 1);
  std::vector<std::string> faults = CheckIdxAgainstTable(t, x, "ID");
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0], "record 36 is not in the index");
}

TEST_F(TableWritesTest, ReadOnlyFilesAreReadAndOnlyWritesFail) {
  std::string table = dir_.File("ro.dbf");
  std::string index = dir_.File("ro.idx");
  std::string pack = dir_.File("ro.pak");
  std::string error;
  ASSERT_TRUE(CreateQresFiles(table, index, 10, 40, error)) << error;
  ASSERT_TRUE(CreatePackFile(pack, error)) << error;
  {
    QRES res(table.c_str(), index.c_str());
    unsigned char data[] = "stored";
    ASSERT_TRUE(res.AddDataToPack(data, "RES0000001", pack.c_str(), nullptr));
  }
  const std::string table_bytes = ReadFile(table), index_bytes = ReadFile(index),
                    pack_bytes = ReadFile(pack);
  for (const std::string& f : {table, index, pack}) ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  int code = RunWithoutWriteRights([&] {
    {
      QRES res(table.c_str(), index.c_str());
      if (MessageCount() != 0) return 1;
      unsigned char* buffer = nullptr;
      if (res.LoadData(buffer, "RES0000001") != 7 ||
          std::strcmp(reinterpret_cast<char*>(buffer), "stored") != 0)
        return 2;
      delete[] buffer;
      unsigned char more[] = "more";
      if (res.AddDataToPack(more, "RES0000002", pack.c_str(), nullptr)) return 3;
      if (LastMessage().find("Read-only file " + table + ".\n") != 0) return 4;
    }
    DBF t(table.c_str(), 1);  // exclusive asked: a read-only file opens shared
    if (!DbfUsable(t) || t.RecCount() != 1) return 5;
    if (t.Write("ID", "changed") || LastMessage().find("Read-only file " + table + ".\n") != 0)
      return 6;
    ClearHeadlessMessages();
    if (DbfAppendBlank(t) || DbfAppendRecords(t, {DbfRecord(t), DbfRecord(t)}) || t.RecCount() != 1)
      return 7;
    if (MessageCount() != 2 || LastMessage().find("Read-only file " + table + ".\n") != 0)
      return 11;
    DbfAppendGuard guard(t);
    if (guard.Held()) return 8;
    IDX x(index.c_str(), 0);
    if (!IdxUsable(x) || x.Seek("RES") != 0) return 9;
    if (IdxInsertKey(x, 2, "RES0000002") ||
        LastMessage().find("Read-only file " + index + "!\n") != 0)
      return 10;
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(table), table_bytes);
  EXPECT_EQ(ReadFile(index), index_bytes);
  EXPECT_EQ(ReadFile(pack), pack_bytes);
}

}  // namespace
}  // namespace tessera::test
