// Table-file packs: round trips through the dBase index, overwrites,
// padded pack names, the failure messages, and read-only files.
#include "pack/qres.h"

#include <sys/stat.h>

#include <cstring>

#include "child_process.h"
#include "pack/dbf.h"
#include "pack/dbf_record.h"
#include "pack/idx.h"
#include "pack/idx_walk.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

class QresTest : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    table_ = dir_.File("res.dbf");
    index_ = dir_.File("res.idx");
    pack_ = dir_.File("a.pak");
    std::string error;
    ASSERT_TRUE(CreateQresFiles(table_, index_, 10, 64, error)) << error;
    ASSERT_TRUE(CreatePackFile(pack_, error)) << error;
  }
  // The loaded bytes without the zero after them, or "<none>"; checks the
  // returned length and the zero.
  static std::string Loaded(QRES& res, const char* id) {
    unsigned char* buffer = nullptr;
    int n = res.LoadData(buffer, id);
    if (n == 0) return buffer ? "<none, buffer set>" : "<none>";
    std::string bytes(reinterpret_cast<char*>(buffer), static_cast<size_t>(n - 1));
    if (buffer[n - 1] != 0) bytes += "<no zero>";
    delete[] buffer;
    return bytes;
  }
  std::string table_, index_, pack_;
};

// Round trip, an overwrite (the older bytes stay in the pack), prefix
// look-ups, and the pack name stored padded but opened without the spaces.
TEST_F(QresTest, AddOverwriteAndLoadAgain) {
  {
    QRES res(table_.c_str(), index_.c_str());
    unsigned char data[] = {1, 2, 0, 3, 4};
    ASSERT_TRUE(res.AddDataToPack(data, 5, "IMG0000001", pack_.c_str(), nullptr));
    unsigned char one[] = "first", two[] = "second!";
    ASSERT_TRUE(res.AddDataToPack(one, "ID00000001", pack_.c_str(), nullptr));
    ASSERT_TRUE(res.AddDataToPack(two, "ID00000001", pack_.c_str(), nullptr));
    EXPECT_EQ(Loaded(res, "IMG0000001"), std::string("\x01\x02\x00\x03\x04", 5));
    EXPECT_EQ(Loaded(res, "ID00000001"), "second!");
    EXPECT_EQ(Loaded(res, "ID0"), "second!");
    EXPECT_EQ(Loaded(res, "IE"), "<none>");
    EXPECT_EQ(Loaded(res, ""), "<none>");
    EXPECT_EQ(res.m_pDbf->RecCount(), 2);
    EXPECT_EQ(res.m_pFirst, res.m_pLast);  // the pack registered once
    EXPECT_TRUE(CheckIdxAgainstTable(*res.m_pDbf, *res.m_pIdx, "ID").empty());
    char raw[65];
    ASSERT_TRUE(res.m_pDbf->Read(raw, "PACKNAME"));
    EXPECT_EQ(std::string(raw), pack_ + std::string(64 - pack_.size(), ' '));
  }
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_EQ(ReadFile(pack_), std::string("\x01\x02\x00\x03\x04"
                                         "firstsecond!",
                                         17));
  // A fresh object registers the pack from the table's padded name.
  QRES again(table_.c_str(), index_.c_str());
  EXPECT_EQ(Loaded(again, "ID00000001"), "second!");
}

TEST_F(QresTest, FailuresAndMessages) {
  QRES res(table_.c_str(), index_.c_str());
  unsigned char data[] = "abc";
  EXPECT_FALSE(res.AddDataToPack(data, "", pack_.c_str(), nullptr));
  EXPECT_FALSE(res.AddDataToPack(data, "ID", "", nullptr));
  EXPECT_EQ(MessageCount(), 0u);

  std::string missing = dir_.File("missing.pak");
  EXPECT_FALSE(res.AddDataToPack(data, "ID00000002", missing.c_str(), nullptr));
  ASSERT_EQ(MessageCount(), 2u);
  EXPECT_EQ(WithoutSite(HeadlessMessages()[0].text, "pack_list.cpp"),
            "Not found file " + missing + ".\n ");
  EXPECT_EQ(WithoutSite(HeadlessMessages()[1].text, "pack_list.h"), "Not found Pack!\n ");
  EXPECT_EQ(res.m_pDbf->RecCount(), 0);  // nothing recorded

  ClearHeadlessMessages();
  EXPECT_FALSE(
      res.AddFileToPack(dir_.File("none.bin").c_str(), "ID00000003", pack_.c_str(), nullptr));
  ASSERT_EQ(MessageCount(), 1u);
  EXPECT_EQ(LastMessage().find("Can not open file " + dir_.File("none.bin") + "\n"), 0u);
  WriteFile(dir_.File("src.bin"), std::string(1000, 'q'));
  EXPECT_TRUE(
      res.AddFileToPack(dir_.File("src.bin").c_str(), "ID00000003", pack_.c_str(), nullptr));
  EXPECT_EQ(Loaded(res, "ID00000003"), std::string(1000, 'q'));

  // A record that names a pack that is gone, or a range past the pack's end.
  ClearHeadlessMessages();
  res.m_pDbf->Seek("ID00000003");
  res.m_pDbf->Write("PACKNAME", missing.c_str());
  EXPECT_EQ(Loaded(res, "ID00000003"), "<none>");
  EXPECT_EQ(WithoutSite(LastMessage(), "qres.cpp"), "Not found Pack!\n ");
  res.m_pDbf->Write("PACKNAME", pack_.c_str());
  res.m_pDbf->Write("END", 5000.0);
  ClearHeadlessMessages();
  unsigned char* buffer = nullptr;
  EXPECT_EQ(res.LoadData(buffer, "ID00000003"), 0);
  EXPECT_EQ(buffer, nullptr);
  // The table-file pack's short form: no pack identifier after the line.
  EXPECT_EQ(LastMessage().find("Failed to read file,"), 0u);
  EXPECT_EQ(LastMessage().find("PackId"), std::string::npos);
  EXPECT_TRUE(Contains(LastMessage(), "pack_list.cpp "));
}

// A table that cannot be opened, or whose START is not a number: no order,
// nothing added, nothing written.
TEST_F(QresTest, UnusableTables) {
  std::vector<DbfField> fields = {MakeDbfField("ID", 'C', 10), MakeDbfField("PACKNAME", 'C', 20),
                                  MakeDbfField("START", 'C', 10), MakeDbfField("END", 'N', 10)};
  std::string error;
  ASSERT_TRUE(CreateDbf(table_, fields, error));
  for (const std::string& table : {dir_.File("none.dbf"), table_}) {
    SCOPED_TRACE(table);
    QRES res(table.c_str(), index_.c_str());
    EXPECT_EQ(WithoutSite(LastMessage(), "qres.cpp"), "Could not set order.\n ");
    unsigned char data[] = "abc";
    EXPECT_FALSE(res.AddDataToPack(data, "ID", pack_.c_str(), nullptr));
    EXPECT_EQ(Loaded(res, "ID"), "<none>");
  }
  EXPECT_EQ(ReadFile(pack_), "");
  EXPECT_EQ(DBF(table_.c_str(), 0).RecCount(), 0);
}

TEST_F(QresTest, ReadOnlyFilesAreReadAndOnlyWritesFail) {
  {
    QRES res(table_.c_str(), index_.c_str());
    unsigned char data[] = "stored";
    ASSERT_TRUE(res.AddDataToPack(data, "RES0000001", pack_.c_str(), nullptr));
  }
  const std::string table_bytes = ReadFile(table_), index_bytes = ReadFile(index_),
                    pack_bytes = ReadFile(pack_);
  for (const std::string& f : {table_, index_, pack_}) ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  const std::string read_only = "Read-only file " + table_ + ".\n";
  int code = RunWithoutWriteRights([&] {
    {
      QRES res(table_.c_str(), index_.c_str());
      if (MessageCount() != 0) return 1;
      if (Loaded(res, "RES0000001") != "stored") return 2;
      unsigned char more[] = "more";
      if (res.AddDataToPack(more, "RES0000002", pack_.c_str(), nullptr)) return 3;
      if (LastMessage().find(read_only) != 0) return 4;
    }
    DBF t(table_.c_str(), 1);  // exclusive asked: a read-only file opens shared
    if (!DbfUsable(t) || t.RecCount() != 1) return 5;
    if (t.Write("ID", "changed") || LastMessage().find(read_only) != 0) return 6;
    ClearHeadlessMessages();
    if (DbfAppendBlank(t) || DbfAppendRecords(t, {DbfRecord(t), DbfRecord(t)}) || t.RecCount() != 1)
      return 7;
    if (MessageCount() != 2 || LastMessage().find(read_only) != 0) return 8;
    if (DbfAppendGuard(t).Held()) return 9;
    IDX x(index_.c_str(), 0);
    if (!IdxUsable(x) || x.Seek("RES") != 0) return 10;
    if (IdxInsertKey(x, 2, "RES0000002") ||
        LastMessage().find("Read-only file " + index_ + "!\n") != 0)
      return 11;
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(table_), table_bytes);
  EXPECT_EQ(ReadFile(index_), index_bytes);
  EXPECT_EQ(ReadFile(pack_), pack_bytes);
}

}  // namespace
}  // namespace tessera::test
