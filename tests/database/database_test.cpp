// The database connection and the list of open databases, on real SQLite
// files made from the schema; the column conversions of record sets, and
// what they refuse rather than hand out wrong.
#include "database/database.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <string>

#include "database/record_set.h"
#include "database/schema.h"
#include "support/test_support.h"

namespace {

using tessera::FieldValue;
using tessera::RecordSet;
using tessera::test::TempDir;
using tessera::test::WriteFile;

class DataBaseTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = dir_.path() + "\\game.mdb";
    ASSERT_TRUE(tessera::CreateDataBaseFile(path_));
  }
  TempDir dir_;
  std::string path_;
};

TEST_F(DataBaseTest, InitTwiceSharesOneEntryByPathAndOneReleaseEndsItForAll) {
  ASSERT_TRUE(AfxInitDataBase(path_.c_str()));
  CDataBase* db = AfxGetDataBase(path_.c_str());
  ASSERT_NE(db, nullptr);
  EXPECT_STREQ(db->GetFilename(), path_.c_str());
  EXPECT_TRUE(AfxInitDataBase(path_.c_str()));
  EXPECT_EQ(tessera::DataBaseListSize(), 1u);
  EXPECT_EQ(AfxGetDataBase(path_.c_str()), db);
  // Paths are keys byte for byte: no case folding, no separator folding.
  std::string upper = path_;
  upper.replace(upper.size() - 8, 8, "GAME.MDB");
  EXPECT_EQ(AfxGetDataBase(upper.c_str()), nullptr);
  EXPECT_EQ(AfxGetDataBase((dir_.path() + "/game.mdb").c_str()), nullptr);
  EXPECT_EQ(AfxGetDataBase(nullptr), nullptr);

  // No reference count: the first release ends it for both owners.
  AfxReleaseDataBase(path_.c_str());
  EXPECT_EQ(AfxGetDataBase(path_.c_str()), nullptr);
  EXPECT_EQ(tessera::DataBaseListSize(), 0u);
  AfxReleaseDataBase(path_.c_str());  // not listed: nothing happens
  EXPECT_EQ(tessera::DataBaseListSize(), 0u);
}

TEST_F(DataBaseTest, FailedConnectsStayListedUnderAnEmptyPath) {
  std::string missing = dir_.path() + "\\missing.mdb";
  EXPECT_FALSE(AfxInitDataBase(missing.c_str()));
  EXPECT_EQ(AfxGetDataBase(missing.c_str()), nullptr);
  CDataBase* failed = AfxGetDataBase("");
  ASSERT_NE(failed, nullptr);
  EXPECT_FALSE(failed->IsConnected());
  // Never created by a connect attempt.
  EXPECT_FALSE(std::ifstream(dir_.File("missing.mdb")).good());

  // A second attempt makes a second entry; only the release of all ends them.
  EXPECT_FALSE(AfxInitDataBase(missing.c_str()));
  EXPECT_EQ(tessera::DataBaseListSize(), 2u);
  AfxReleaseDataBase(missing.c_str());
  EXPECT_EQ(tessera::DataBaseListSize(), 2u);
  ASSERT_TRUE(AfxInitDataBase(path_.c_str()));
  AfxReleaseDataBase(nullptr);
  EXPECT_EQ(tessera::DataBaseListSize(), 0u);
  EXPECT_EQ(AfxGetDataBase(path_.c_str()), nullptr);
}

TEST_F(DataBaseTest, NonDatabaseFilesEmptyAndOverlongPathsFail) {
  std::string junk = dir_.File("junk.mdb");
  WriteFile(junk, std::string(4096, 'x'));
  CDataBase db;
  EXPECT_FALSE(db.ConnectAccess(junk.c_str()));
  EXPECT_STREQ(db.GetFilename(), "");
  EXPECT_FALSE(db.ConnectAccess(""));
  EXPECT_FALSE(db.ExecuteCommand("DELETE FROM [RESTABLE]"));
  tessera::RecordsetPtr rs;
  EXPECT_FALSE(db.OpenSource("SELECT * FROM [RESTABLE]", rs));
  EXPECT_EQ(rs, nullptr);

  std::string longest(1025, 'a');
  EXPECT_FALSE(AfxInitDataBase(longest.c_str()));
  EXPECT_EQ(tessera::DataBaseListSize(), 0u);
  EXPECT_EQ(AfxGetDataBase(longest.c_str()), nullptr);
  AfxReleaseDataBase(longest.c_str());
}

TEST_F(DataBaseTest, StatementsRecordSetsAndCounts) {
  CDataBase db;
  ASSERT_TRUE(db.ConnectAccess(path_.c_str()));
  EXPECT_TRUE(db.ExecuteCommand("DELETE FROM [RESTABLE] WHERE [ID] = 'nothing'"));
  EXPECT_FALSE(db.ExecuteCommand("DELETE FROM [NOTABLE]"));
  EXPECT_FALSE(db.ExecuteCommand("SELEC nonsense"));

  tessera::RecordsetPtr rs;
  ASSERT_TRUE(db.OpenSource("SELECT * FROM [RESTABLE]", rs));
  EXPECT_EQ(db.GetRecordCount(rs), 0);
  EXPECT_EQ(db.GetRecordCount(nullptr), 0);

  for (int i = 0; i < 3; ++i) {
    std::string sql = "INSERT INTO [RESTABLE] ([ID],[PACKNAME],[START],[END]) VALUES ('r" +
                      std::to_string(i) + "','\\a.pak'," + std::to_string(i * 10) + "," +
                      std::to_string(i * 10 + 5) + ")";
    ASSERT_TRUE(db.ExecuteCommand(sql.c_str()));
  }
  ASSERT_TRUE(db.OpenSource("SELECT * FROM [RESTABLE] order by [ID]", rs));
  rs->MoveNext();
  rs->MoveNext();
  EXPECT_EQ(db.GetRecordCount(rs), 3);
  // Left on the first row, ready to read.
  char id[11];
  ASSERT_TRUE(rs->GetText(0, id, sizeof id));
  EXPECT_STREQ(id, "r0");

  // A failing query leaves the caller's record set as it was.
  tessera::RecordsetPtr held = rs;
  EXPECT_FALSE(db.OpenSource("SELECT * FROM [MISSING]", rs));
  EXPECT_EQ(rs, held);

  // Only one statement per call: a second one after it fails the call, so
  // nothing of it runs.
  EXPECT_FALSE(
      db.ExecuteCommand("DELETE FROM [RESTABLE] WHERE [ID] = 'r0'; DELETE FROM [RESTABLE]"));
  // Unterminated text is an error, not a different statement.
  EXPECT_FALSE(db.ExecuteCommand("DELETE FROM [RESTABLE] WHERE [ID] = 'r0's'"));
  ASSERT_TRUE(db.OpenSource("SELECT [ID] FROM [RESTABLE]", rs));
  EXPECT_EQ(db.GetRecordCount(rs), 3);
}

TEST_F(DataBaseTest, CopiesShareTheConnection) {
  CDataBase* first = new CDataBase;
  ASSERT_TRUE(first->ConnectAccess(path_.c_str()));
  CDataBase copy(*first);
  CDataBase assigned;
  assigned = *first;
  delete first;  // the copies keep the connection open
  EXPECT_TRUE(copy.IsConnected());
  EXPECT_STREQ(assigned.GetFilename(), path_.c_str());
  EXPECT_TRUE(copy.ExecuteCommand("INSERT INTO [RESTABLE] VALUES ('x','\\p',0,1)"));
  tessera::RecordsetPtr rs;
  ASSERT_TRUE(assigned.OpenSource("SELECT [ID] FROM [RESTABLE] WHERE [ID] = 'x'", rs));
  EXPECT_EQ(assigned.GetRecordCount(rs), 1);
}

TEST(SqlLiterals, SplitsQuotedValuesAndRefusesWhatItCannotCache) {
  std::string shape;
  std::vector<std::string> values;
  ASSERT_TRUE(tessera::SplitSqlLiterals("SELECT * FROM [T] WHERE [A] = 'x''y' AND [B] = ''", shape,
                                        values));
  EXPECT_EQ(shape, "SELECT * FROM [T] WHERE [A] = ? AND [B] = ?");
  EXPECT_EQ(values, (std::vector<std::string>{"x'y", ""}));
  EXPECT_TRUE(tessera::SplitSqlLiterals("SELECT [it's] FROM [T]", shape, values));
  EXPECT_TRUE(values.empty());
  EXPECT_FALSE(tessera::SplitSqlLiterals("SELECT 'open", shape, values));
  EXPECT_FALSE(tessera::SplitSqlLiterals("SELECT 1 -- note", shape, values));
  EXPECT_FALSE(tessera::SplitSqlLiterals("SELECT ?", shape, values));
}

FieldValue Int(int64_t n) { return {FieldValue::kInteger, n, 0, {}}; }
FieldValue Real(double d) { return {FieldValue::kReal, 0, d, {}}; }
FieldValue Text(const std::string& s) { return {FieldValue::kText, 0, 0, s}; }

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
  // Past the last row there is nothing to read, and no further to go.
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.GetCollect(0), nullptr);
  EXPECT_EQ(RecordSet(2).GetCollect(0), nullptr);
}

}  // namespace
