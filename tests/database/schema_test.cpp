// The schema: every table with its columns in the engine's order, indexes
// that keep look-ups off full scans, and the creation call.
#include "database/schema.h"

#include <sqlite3.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using tessera::test::TempDir;

// Column `column` of every row `sql` gives.
std::vector<std::string> Rows(sqlite3* db, const std::string& sql, int column) {
  std::vector<std::string> out;
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
  while (sqlite3_step(stmt) == SQLITE_ROW)
    out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)));
  sqlite3_finalize(stmt);
  return out;
}
std::vector<std::string> Columns(sqlite3* db, const std::string& table) {
  return Rows(db, "PRAGMA table_info([" + table + "])", 1);
}

using Names = std::vector<std::string>;

TEST(Schema, CreatesEveryTableWithItsColumnsInOrder) {
  TempDir dir;
  std::string path = dir.path() + "\\new.mdb";
  std::string error;
  ASSERT_TRUE(tessera::CreateDataBaseFile(path, &error)) << error;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(dir.File("new.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  EXPECT_EQ(Columns(db, "RESTABLE"), (Names{"ID", "PACKNAME", "START", "END"}));
  EXPECT_EQ(Columns(db, "FILETABLE"),
            (Names{"ID", "TYPE", "PACKNAME", "PACKED", "PATH", "EXPLAIN"}));
  EXPECT_EQ(Columns(db, "ANITABLE"),
            (Names{"ID", "DELAY", "NUMBER", "X", "Y", "SX", "SY", "AUTOSTOP", "IMAGETYPE"}));
  EXPECT_EQ(Columns(db, "MAPTABLE"),
            (Names{"ID", "NAME", "EXPLAIN", "WIDTH", "HEIGHT", "UNITSIZE", "GOODSNUM", "PICINFO"}));
  EXPECT_EQ(Columns(db, "GOODSTABLE"),
            (Names{"ID", "MAPID", "NAME", "EXPLAIN", "WIDTH", "HEIGHT", "DRAWX", "DRAWY", "TRUEX",
                   "TRUEY", "PICINFO", "SHADOWINFO", "PICNUM", "TYPE", "USEALPHA"}));
  EXPECT_EQ(Columns(db, "PERSONTABLE"),
            (Names{"ID", "NAME", "EXPLAIN", "WIDTH", "HEIGHT", "DRAWXOFFSET", "DRAWYOFFSET", "TYPE",
                   "STATE", "STANDPIC", "WALKPIC", "RUNPIC", "ATTACKPIC", "STANDPICNUM",
                   "WALKPICNUM", "RUNPICNUM", "ATTACKPICNUM"}));
  EXPECT_EQ(Columns(db, "EVENTTABLE"), (Names{"ID", "SCENEID", "EVENTTYPE", "FILEPOS", "EXPLAIN"}));

  // Identifier look-ups go through an index, never a scan.
  for (const char* query :
       {"SELECT * FROM [RESTABLE] WHERE [ID] = 'a'", "SELECT [ID] FROM [ANITABLE] WHERE [ID] = 'a'",
        "SELECT * FROM [FILETABLE] WHERE [ID] = 'a'",
        "SELECT * FROM [GOODSTABLE] WHERE [MAPID] = 3",
        "SELECT * FROM [MAPTABLE] WHERE [NAME] = 'm'"})
    EXPECT_NE(Rows(db, std::string("EXPLAIN QUERY PLAN ") + query, 3).at(0).find("INDEX"),
              std::string::npos)
        << query;
  sqlite3_close(db);
}

TEST(Schema, RefusesToReplaceAFileAndReportsWhy) {
  TempDir dir;
  tessera::test::WriteFile(dir.File("old.mdb"), "keep me");
  std::string error;
  EXPECT_FALSE(tessera::CreateDataBaseFile(dir.File("old.mdb"), &error));
  EXPECT_NE(error.find("exists"), std::string::npos);
  EXPECT_EQ(tessera::test::ReadFile(dir.File("old.mdb")), "keep me");
  EXPECT_FALSE(tessera::CreateDataBaseFile(dir.File("no/such/folder.mdb"), &error));
  EXPECT_FALSE(tessera::CreateDataBaseFile("", &error));
}

TEST(Schema, TheEmbeddedTextIsTheSchemaFile) {
  EXPECT_EQ(std::string(tessera::SchemaSql()),
            tessera::test::ReadFile(std::string(TESSERA_SOURCE_DIR) + "/database/schema.sql"));
}

}  // namespace
