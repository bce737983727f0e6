// The resource pack CRes over real databases and pack files in a temporary
// folder: the game database <tmp>/game/game.mdb and the shared pack
// database <tmp>/data/Pack.mdb under the engine folder <tmp>/.
#include "pack/res.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "child_process.h"
#include "database/database.h"
#include "database/pack_res_database.h"
#include "database/schema.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/log.h"
#include "support/test_support.h"

namespace {

using tessera::test::Contains;

using tessera::HeadlessMessages;
using tessera::test::LogRecorder;
using tessera::test::ReadFile;
using tessera::test::WriteFile;

class ResTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(dir_.File("game"));
    std::filesystem::create_directories(dir_.File("data"));
    root_ = dir_.path() + "\\";
    game_ = dir_.path() + "\\game\\game.mdb";
    shared_ = root_ + "data\\Pack.mdb";
    ASSERT_TRUE(tessera::CreateDataBaseFile(game_));
    ASSERT_TRUE(tessera::CreateDataBaseFile(shared_));
    WriteFile(dir_.File("game/a.pak"), "");
    WriteFile(dir_.File("data/s.pak"), "");
  }

  // Writes a row straight into a database's RESTABLE, as another program
  // might have.
  void PutRow(const std::string& db, const char* id, const char* pack, long start, long end) {
    CDataBase conn;
    ASSERT_TRUE(conn.ConnectAccess(db.c_str()));
    std::string sql = std::string("INSERT INTO [RESTABLE] VALUES ('") + id + "','" + pack + "'," +
                      std::to_string(start) + "," + std::to_string(end) + ")";
    ASSERT_TRUE(conn.ExecuteCommand(sql.c_str()));
  }

  std::string Loaded(CRes& res, const char* id, int* result = nullptr) {
    unsigned char* buffer = nullptr;
    int n = res.LoadData(buffer, id);
    if (result) *result = n;
    if (n == 0) {
      EXPECT_EQ(buffer, nullptr);
      return "<none>";
    }
    EXPECT_EQ(buffer[n - 1], 0) << "zero byte after the data";
    std::string out(reinterpret_cast<char*>(buffer), static_cast<size_t>(n - 1));
    delete[] buffer;
    return out;
  }

  bool Add(CRes& res, const std::string& data, const char* id, const char* pack) {
    return res.AddDataToPack(reinterpret_cast<unsigned char*>(const_cast<char*>(data.data())),
                             static_cast<long>(data.size()), id, pack, "unused");
  }

  tessera::test::TempDir dir_;
  std::string root_, game_, shared_;
};

// Appends to the pack, records the range, loads with a zero byte after;
// re-adding appends again and loads the new copy; the text and file forms;
// the destructor releases the databases and tables.
TEST_F(ResTest, AddsAndLoadsFromTheGameDatabase) {
  {
    CRes res(game_.c_str(), root_.c_str());
    ASSERT_TRUE(Add(res, "hello", "id00000001", "\\a.pak"));
    ASSERT_TRUE(Add(res, std::string("bin\0ary", 7), "id00000002", "\\a.pak"));
    ASSERT_TRUE(Add(res, "newer", "id00000001", "\\a.pak"));
    ASSERT_TRUE(Add(res, "", "empty", "\\a.pak"));
    EXPECT_EQ(ReadFile(dir_.File("game/a.pak")), std::string("hellobin\0arynewer", 17));
    int n = 0;
    EXPECT_EQ(Loaded(res, "id00000002", &n), std::string("bin\0ary", 7));
    EXPECT_EQ(n, 8);
    EXPECT_EQ(Loaded(res, "id00000001"), "newer");
    EXPECT_EQ(Loaded(res, "empty", &n), "");
    EXPECT_EQ(n, 1);
    // A buffer handed in is freed when data comes (ASan sees a leak
    // otherwise) and kept when none does.
    unsigned char* buffer = nullptr;
    EXPECT_TRUE(res.ImageLoad(buffer, "id00000001"));
    EXPECT_TRUE(res.ImageLoad(buffer, "id00000002"));
    EXPECT_FALSE(res.ImageLoad(buffer, "nothing"));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 7), std::string("bin\0ary", 7));
    delete[] buffer;
    // Five ASCII characters and three GBK characters (中文字): 11 bytes.
    unsigned char text[] = "abcde\xD6\xD0\xCE\xC4\xD7\xD6";
    ASSERT_TRUE(res.AddDataToPack(text, "text", "\\a.pak", nullptr));
    EXPECT_EQ(Loaded(res, "text", &n), "abcde\xD6\xD0\xCE\xC4\xD7\xD6");
    EXPECT_EQ(n, 12);
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(i * 7);
    WriteFile(dir_.File("src.bin"), bytes);
    ASSERT_TRUE(res.AddFileToPack(dir_.File("src.bin").c_str(), "file", "\\a.pak", nullptr));
    EXPECT_EQ(Loaded(res, "file"), bytes);
  }
  EXPECT_EQ(AfxGetDataBase(game_.c_str()), nullptr);
  EXPECT_EQ(AfxGetDataBase(shared_.c_str()), nullptr);
  EXPECT_EQ(CRes::m_pResDb, nullptr);
  EXPECT_EQ(CRes::m_pSharedResDb, nullptr);
  EXPECT_EQ(CRes::m_pFileDb, nullptr);
}

TEST_F(ResTest, FallsBackToTheSharedPackDatabase) {
  WriteFile(dir_.File("data/s.pak"), "0123456789");
  PutRow(shared_, "shared0001", "*data\\s.pak", 2, 6);
  PutRow(shared_, "both000001", "*data\\s.pak", 0, 1);
  // Trailing spaces in a pack name find the same pack.
  PutRow(game_, "padded", "\\a.pak    ", 0, 2);
  CRes res(game_.c_str(), root_.c_str());
  ASSERT_TRUE(Add(res, "game", "both000001", "\\a.pak"));
  EXPECT_EQ(Loaded(res, "shared0001"), "2345");
  EXPECT_EQ(Loaded(res, "both000001"), "game");  // the game database first
  EXPECT_EQ(Loaded(res, "padded"), "ga");
  EXPECT_EQ(res.m_pFirst->pNext, res.m_pLast);  // a.pak once, then s.pak
  // New ranges go to the game database only.
  CDataBase* shared = AfxGetDataBase(shared_.c_str());
  ASSERT_NE(shared, nullptr);
  tessera::RecordsetPtr rs;
  ASSERT_TRUE(shared->OpenSource("SELECT * FROM [RESTABLE]", rs));
  EXPECT_EQ(shared->GetRecordCount(rs), 2);
}

// Empty identifiers and pack names are refused silently, overlong
// identifiers with a message, before anything is written or opened.
TEST_F(ResTest, UnstorableIdentifiersTouchNothing) {
  CRes res(game_.c_str(), root_.c_str());
  EXPECT_FALSE(Add(res, "data", "", "\\a.pak"));
  EXPECT_FALSE(Add(res, "data", "id", ""));
  EXPECT_FALSE(Add(res, "data", nullptr, "\\a.pak"));
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_EQ(res.m_pFirst, nullptr);  // no pack was even opened
  EXPECT_FALSE(Add(res, "data", "elevenchars", "\\a.pak"));
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_TRUE(Contains(HeadlessMessages()[0].text, "elevenchars"));
  EXPECT_EQ(ReadFile(dir_.File("game/a.pak")), "");
  EXPECT_TRUE(Add(res, "data", "tenchars10", "\\a.pak"));
}

TEST_F(ResTest, BadRangesGiveNothingAndSayWhy) {
  WriteFile(dir_.File("game/a.pak"), "0123456789");
  PutRow(game_, "past", "\\a.pak", 5, 11);
  PutRow(game_, "negative", "\\a.pak", -1, 3);
  PutRow(game_, "reversed", "\\a.pak", 6, 2);
  PutRow(game_, "huge", "\\a.pak", 0, 2147483647);
  PutRow(game_, "edge", "\\a.pak", 4, 10);
  CRes res(game_.c_str(), root_.c_str());
  unsigned char keep[] = "kept";
  for (const char* id : {"past", "negative", "reversed", "huge"}) {
    tessera::ClearHeadlessMessages();
    unsigned char* buffer = keep;
    EXPECT_EQ(res.LoadData(buffer, id), 0) << id;
    EXPECT_EQ(buffer, keep) << "the caller's buffer is left alone";
    ASSERT_EQ(HeadlessMessages().size(), 1u) << id;
    EXPECT_EQ(HeadlessMessages()[0].text.find("Failed to read file,"), 0u);
    EXPECT_TRUE(Contains(HeadlessMessages()[0].text, std::string("\n[PackId : ") + id + "]"));
  }
  EXPECT_EQ(Loaded(res, "edge"), "456789");
}

TEST_F(ResTest, PacksChangedByOtherProgramsWhileOpen) {
  WriteFile(dir_.File("game/a.pak"), "0123456789");
  PutRow(game_, "head", "\\a.pak", 0, 4);
  PutRow(game_, "grown", "\\a.pak", 10, 14);
  PutRow(game_, "tail", "\\a.pak", 6, 10);
  CRes res(game_.c_str(), root_.c_str());
  EXPECT_EQ(Loaded(res, "head"), "0123");
  // Appended by another program after the pack was opened: found.
  WriteFile(dir_.File("game/a.pak"), "0123456789ABCD");
  EXPECT_EQ(Loaded(res, "grown"), "ABCD");
  // Cut short under an open pack: the short read is reported and the part
  // that could not be read is zeros.
  std::filesystem::resize_file(dir_.File("game/a.pak"), 8);
  int n = 0;
  EXPECT_EQ(Loaded(res, "tail", &n), std::string("67\0\0", 4));
  EXPECT_EQ(n, 5);
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_TRUE(Contains(HeadlessMessages()[0].text, "[PackId : tail]"));
}

TEST_F(ResTest, AShortWriteRecordsOnlyWhatReachedThePack) {
  // A pack of 200,000 bytes on a "disk" where no file may pass 260,000:
  // 60,000 of the 100,000 bytes added reach it.  The databases stay below
  // the limit.
  WriteFile(dir_.File("game/a.pak"), std::string(200000, 'o'));
  int code = tessera::test::RunUnderFileSizeLimit(260000, [&] {
    CRes res(game_.c_str(), root_.c_str());
    if (!Add(res, std::string(100000, 'n'), "short", "\\a.pak")) return 1;
    if (HeadlessMessages().size() != 1 ||
        HeadlessMessages()[0].text.find("Failed to write file,") != 0)
      return 2;
    return 0;
  });
  ASSERT_EQ(code, 0);
  CRes res(game_.c_str(), root_.c_str());
  stPackResInfo row;
  ASSERT_TRUE(CRes::m_pResDb->GetResInfo("short", row));
  EXPECT_EQ(row.nStart, 200000);
  EXPECT_EQ(row.nEnd, 260000);
  EXPECT_EQ(Loaded(res, "short"), std::string(60000, 'n'));
}

TEST_F(ResTest, ReadOnlyInstallsLoadAndRefuseOnlyAdds) {
  {
    CRes res(game_.c_str(), root_.c_str());
    ASSERT_TRUE(Add(res, "kept", "r1", "\\a.pak"));
  }
  for (const char* f : {"game/a.pak", "game/game.mdb", "data/Pack.mdb"})
    ASSERT_EQ(::chmod(dir_.File(f).c_str(), 0444), 0);
  for (const char* d : {"", "game", "data"}) ASSERT_EQ(::chmod(dir_.File(d).c_str(), 0555), 0);
  int code = tessera::test::RunWithoutWriteRights([&] {
    CRes res(game_.c_str(), root_.c_str());
    if (Loaded(res, "r1") != "kept") return 1;
    if (!HeadlessMessages().empty()) return 2;
    if (Add(res, "more", "r2", "\\a.pak")) return 3;
    if (HeadlessMessages().size() != 1 ||
        HeadlessMessages()[0].text.find("Read-only file \\a.pak.\n") != 0)
      return 4;
    return 0;
  });
  for (const char* d : {"", "game", "data"}) ::chmod(dir_.File(d).c_str(), 0755);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(dir_.File("game/a.pak")), "kept");
}

// A folder where a file is expected: refused with the file's message, and
// nothing written.
TEST_F(ResTest, FoldersAreNotFiles) {
  std::filesystem::create_directories(dir_.File("game/dir.pak"));
  std::filesystem::create_directories(dir_.File("src"));
  CRes res(game_.c_str(), root_.c_str());
  EXPECT_FALSE(res.AddFileToPack(dir_.File("src").c_str(), "x", "\\a.pak", nullptr));
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_EQ(HeadlessMessages()[0].text.find("Can not open file " + dir_.File("src") + "\n"), 0u);
  EXPECT_FALSE(res.RegistPack("dir", "\\dir.pak"));
  EXPECT_EQ(HeadlessMessages().back().text.find("Not found file "), 0u);
  EXPECT_EQ(ReadFile(dir_.File("game/a.pak")), "");
}

TEST_F(ResTest, MissingPacksAreReportedAndRetriedOnTheNextUse) {
  PutRow(game_, "lost", "\\gone.pak", 0, 1);
  CRes res(game_.c_str(), root_.c_str());
  EXPECT_EQ(Loaded(res, "lost"), "<none>");
  ASSERT_EQ(HeadlessMessages().size(), 2u);
  std::string path = dir_.path() + "\\game\\gone.pak";
  EXPECT_EQ(HeadlessMessages()[0].text.find("Not found file " + path + ".\n "), 0u);
  EXPECT_EQ(HeadlessMessages()[1].text.find("Not found Pack!\n "), 0u);
  EXPECT_EQ(HeadlessMessages()[0].caption, "\xB4\xED\xCE\xF3\xA3\xA1\xA3\xA1\xA3\xA1");
  EXPECT_FALSE(Add(res, "x", "new", "\\gone.pak"));
  // The file appears: the next use opens it.
  WriteFile(dir_.File("game/gone.pak"), "Z");
  EXPECT_EQ(Loaded(res, "lost"), "Z");
}

TEST_F(ResTest, PackPathsFollowTheFolderRules) {
  const std::string long_root(1020, 'r');
  const struct {
    const char *db, *root, *name, *want;
  } cases[] = {{"D:\\g\\data\\game.mdb", "D:\\g\\", "\\a.pak", "D:\\g\\data\\a.pak"},
               {"D:\\g\\data\\game.mdb", "D:\\g\\", "*data\\a.pak", "D:\\g\\data\\a.pak"},
               {"game.mdb", "", "a.pak", "game.mdba.pak"},
               {"x", long_root.c_str(), "*long", ""}};
  for (const auto& c : cases) EXPECT_EQ(tessera::ResolvePackPath(c.db, c.root, c.name), c.want);

  CRes res("D:\\g\\data\\game.mdb", "D:\\g\\");
  char path[64];
  ASSERT_TRUE(res.ID2Path("x", path));
  EXPECT_STREQ(path, "D:\\g\\data\\x");
  CRes flat("game.mdb", "");
  std::strcpy(path, "kept");
  EXPECT_FALSE(flat.ID2Path("x", path));
  EXPECT_STREQ(path, "kept");
}

TEST_F(ResTest, CorruptOrMissingDatabasesMakeLookUpsFail) {
  WriteFile(dir_.File("game/bad.mdb"), std::string(2048, '\x42'));
  CRes res((dir_.path() + "\\game\\bad.mdb").c_str(), (dir_.path() + "\\nowhere\\").c_str());
  EXPECT_EQ(Loaded(res, "any"), "<none>");
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_FALSE(Add(res, "x", "any", "\\a.pak"));
  // The row could not be recorded, which is found out before a byte is
  // written: the pack is as it was.
  EXPECT_EQ(ReadFile(dir_.File("game/a.pak")), "");
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_EQ(HeadlessMessages()[0].text.find("Can not record any: the game database is not open\n "),
            0u)
      << HeadlessMessages()[0].text;
}

// Unknown, overlong and empty identifiers: nothing, a log line, no box.
TEST_F(ResTest, IdentifiersThatFindNothingAreNamed) {
  CRes res(game_.c_str(), root_.c_str());
  LogRecorder log;
  unsigned char* buffer = nullptr;
  EXPECT_EQ(res.LoadData(buffer, "hero000001"), 0);
  EXPECT_EQ(res.LoadData(buffer, "hero0000001"), 0);
  EXPECT_EQ(res.LoadData(buffer, ""), 0);
  ASSERT_EQ(log.lines().size(), 3u);
  EXPECT_EQ(log.lines()[0],
            "tessera: warning: unknown pack identifier 'hero000001': not in RESTABLE of " + game_ +
                " nor of " + shared_);
  EXPECT_EQ(log.lines()[1],
            "tessera: warning: pack identifier 'hero0000001': 11 bytes long; identifiers have at "
            "most 10");
  EXPECT_EQ(log.lines()[2], "tessera: warning: empty pack identifier: nothing to look up");
  EXPECT_TRUE(HeadlessMessages().empty());
}

TEST_F(ResTest, ADatabaseInAnotherProcesssTransactionIsWaitedFor) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Holds the game database in an exclusive transaction for a while, then
    // adds a row and commits.
    CDataBase db;
    bool ok = db.ConnectAccess(game_.c_str()) && db.ExecuteCommand("BEGIN EXCLUSIVE") &&
              db.ExecuteCommand("INSERT INTO [RESTABLE] VALUES ('late','\\a.pak',0,0)");
    char c = ok ? 'y' : 'n';
    if (::write(ready[1], &c, 1) != 1) ::_exit(2);
    ::usleep(400000);
    ::_exit(ok && db.ExecuteCommand("COMMIT") ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  // Opening runs a first query while the other transaction holds the file:
  // it waits instead of taking the file for something else.
  EXPECT_TRUE(AfxInitDataBase(game_.c_str()));
  CPackResDataBase table(game_.c_str());
  stPackResInfo row;
  EXPECT_TRUE(table.GetResInfo("late", row));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(ready[0]);
  ::close(ready[1]);
  AfxReleaseDataBase(game_.c_str());
}

}  // namespace
