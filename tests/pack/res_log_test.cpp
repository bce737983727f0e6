// The quiet failures of the pack resource say why on the log: a missing
// game database, an unknown identifier, an identifier too long to be one.
#include <filesystem>
#include <string>

#include "database/schema.h"
#include "pack/res.h"
#include "platform/log.h"
#include "support/test_support.h"

namespace {

using tessera::test::LogRecorder;

class ResLogTest : public tessera::test::EngineTest {
 protected:
  tessera::test::TempDir dir_;
};

TEST_F(ResLogTest, MissingAndDamagedGameDatabasesAreNamed) {
  const std::string missing = dir_.File("nowhere.mdb"), damaged = dir_.File("damaged.mdb");
  tessera::test::WriteFile(damaged, "not a database at all, just text");
  {
    LogRecorder log;
    CRes res(missing.c_str(), (dir_.path() + "/").c_str());
    ASSERT_EQ(log.lines().size(), 1u) << "the shared database is only an info line";
    EXPECT_EQ(log.lines()[0], "tessera: warning: cannot open the game database " + missing + ": no such file");
  }
  {
    LogRecorder log(0);  // info and up
    CRes res(damaged.c_str(), (dir_.path() + "/").c_str());
    EXPECT_TRUE(log.Has({"warning: cannot open the game database " + damaged, "not an SQLite database"}));
    EXPECT_TRUE(log.Has({"info: cannot open the shared pack database ", "Pack.mdb: no such file"}));
  }
}

TEST_F(ResLogTest, IdentifiersThatFindNothingAreNamed) {
  const std::string db = dir_.File("game.mdb");
  ASSERT_TRUE(tessera::CreateDataBaseFile(db));
  CRes res(db.c_str(), (dir_.path() + "/").c_str());
  LogRecorder log;
  unsigned char* buffer = nullptr;
  EXPECT_EQ(res.LoadData(buffer, "hero000001"), 0);
  EXPECT_EQ(res.LoadData(buffer, "hero0000001"), 0);
  EXPECT_EQ(res.LoadData(buffer, ""), 0);
  ASSERT_EQ(log.lines().size(), 3u);
  EXPECT_EQ(log.lines()[0], "tessera: warning: unknown pack identifier 'hero000001': not in RESTABLE of " + db +
                                " nor of " + dir_.path() + "/data\\Pack.mdb");
  EXPECT_EQ(log.lines()[1],
            "tessera: warning: pack identifier 'hero0000001': 11 bytes long; identifiers have at most 10");
  EXPECT_EQ(log.lines()[2], "tessera: warning: empty pack identifier: nothing to look up");
  // Silenced, nothing is said.
  tessera::SetLogLevel(tessera::LogLevel::kOff);
  EXPECT_EQ(res.LoadData(buffer, "hero000001"), 0);
  EXPECT_EQ(log.lines().size(), 3u);
}

}  // namespace
