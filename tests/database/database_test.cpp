// The database connection and the list of open databases, on real SQLite
// files made from the schema.
#include "database/database.h"

#include <sqlite3.h>

#include <fstream>
#include <string>

#include "database/schema.h"
#include "support/test_support.h"

namespace {

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

}  // namespace
