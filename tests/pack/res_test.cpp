// The resource packs over real files in a temporary folder: CRes, indexed
// by the game database <tmp>/game/game.mdb and the shared pack database
// <tmp>/data/Pack.mdb under the engine folder <tmp>/, and QRES, indexed by
// a table file and its index; and both with two processes adding at once.
#include "pack/res.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "child_process.h"
#include "database/database.h"
#include "database/pack_res_database.h"
#include "database/schema.h"
#include "pack/dbf_record.h"
#include "pack/idx_walk.h"
#include "pack/pack_list.h"
#include "pack/qres.h"
#include "platform/log.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

// What LoadData gives for `id` without the zero it must put after the data
// (or "<none>"), and its result in *n.
template <typename Pack>
std::string Loaded(Pack& res, const char* id, int* n = nullptr) {
  unsigned char* buffer = nullptr;
  const int got = res.LoadData(buffer, id);
  if (n) *n = got;
  if (got == 0) return buffer ? "<none, buffer set>" : "<none>";
  std::string out(reinterpret_cast<char*>(buffer), static_cast<size_t>(got - 1));
  if (buffer[got - 1] != 0) out += "<no zero>";
  delete[] buffer;
  return out;
}

// Two processes adding to one pack at once: every resource reports success
// and loads back byte for byte.  Resource `i` of writer `who` has a size
// between 40 and 300 times `scale` and a pattern no other resource has.
std::string Content(char who, int i, int scale) {
  TestRandom random(static_cast<uint64_t>(who) * 1000 + static_cast<uint64_t>(i));
  std::string bytes(static_cast<size_t>(random.Range(40, 300) * scale), '\0');
  for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(random.Next() >> 7);
  bytes[0] = who;
  return bytes;
}
std::string Id(char who, int i) {
  char id[11];
  std::snprintf(id, sizeof id, "K%03d%c0000", i, who);
  return id;
}
// Two children at once, each with its own Pack(a, b), add `n` resources
// each through `add`; both must report success, and every resource then
// loads.
template <typename Pack>
void AddFromTwoProcesses(const std::string& a, const std::string& b, int n, int scale,
                         const std::function<bool(Pack&, char, int)>& add) {
  pid_t pids[2];
  const char who[2] = {'A', 'B'};
  for (int k = 0; k < 2; ++k) {
    pids[k] = ::fork();
    ASSERT_GE(pids[k], 0);
    if (pids[k] == 0) {
      ::alarm(40);
      Pack mine(a.c_str(), b.c_str());
      for (int i = 0; i < n; ++i)
        if (!add(mine, who[k], i)) ::_exit(1);
      std::fflush(nullptr);
      ::_exit(0);
    }
  }
  for (int k = 0; k < 2; ++k) {
    int status = 0;
    ASSERT_EQ(::waitpid(pids[k], &status, 0), pids[k]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << who[k] << " status " << status;
  }
  Pack res(a.c_str(), b.c_str());
  for (char w : who)
    for (int i = 0; i < n; ++i)
      EXPECT_TRUE(Loaded(res, Id(w, i).c_str()) == Content(w, i, scale)) << Id(w, i);
}

class ResTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories(dir_.File("game"));
    std::filesystem::create_directories(dir_.File("data"));
    root_ = dir_.path() + "\\";
    game_ = dir_.path() + "\\game\\game.mdb";
    shared_ = root_ + "data\\Pack.mdb";
    ASSERT_TRUE(CreateDataBaseFile(game_));
    ASSERT_TRUE(CreateDataBaseFile(shared_));
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

  bool Add(CRes& res, const std::string& data, const char* id, const char* pack) {
    return res.AddDataToPack(reinterpret_cast<unsigned char*>(const_cast<char*>(data.data())),
                             static_cast<long>(data.size()), id, pack, "unused");
  }

  TempDir dir_;
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
  RecordsetPtr rs;
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
    ClearHeadlessMessages();
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
  int code = RunUnderFileSizeLimit(260000, [&] {
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
  int code = RunWithoutWriteRights([&] {
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
  for (const auto& c : cases) EXPECT_EQ(ResolvePackPath(c.db, c.root, c.name), c.want);

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

TEST_F(ResTest, TwoProcessesAddingAtOnce) {
  const int n = 10;
  AddFromTwoProcesses<CRes>(game_, root_, n, 6000, [&](CRes& res, char who, int i) {
    return Add(res, Content(who, i, 6000), Id(who, i).c_str(), "\\a.pak");
  });
  // Every resource loads back, so no two rows share bytes; none are stray.
  size_t total = 0;
  for (char who : {'A', 'B'})
    for (int i = 0; i < n; ++i) total += Content(who, i, 6000).size();
  EXPECT_EQ(ReadFile(dir_.File("game/a.pak")).size(), total);
}

// Two writers rarely meet inside one append, so the test above passes even
// without the lock.  This one pins the lock itself: while this process holds
// the pack's append lock, another process's add waits; let go, it goes
// through.  (Should the lock fail, the child usually ends within the wait
// and the check fails; on a very slow machine it may not, and the test
// passes without having looked -- it never fails a working lock.)
TEST_F(ResTest, AnAddWaitsForThePacksAppendLock) {
  // The lock byte, taken through an open of our own as another writer would.
  const int fd = ::open(dir_.File("game/a.pak").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = tessera::kPackLockOffset;
  lock.l_len = 1;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
  std::fflush(nullptr);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(20);
    CRes mine(game_.c_str(), root_.c_str());
    ::_exit(Add(mine, "late", "late000001", "\\a.pak") ? 0 : 1);
  }
  ::usleep(300000);
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "the add did not wait for the lock";
  // Let go explicitly: the child shares this open file (fork), so closing
  // it here alone would keep the lock.
  lock.l_type = F_UNLCK;
  ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
  ::close(fd);
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  CRes res(game_.c_str(), root_.c_str());
  EXPECT_EQ(Loaded(res, "late000001"), "late");
}

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

TEST_F(QresTest, TwoProcessesAddingAtOnce) {
  const int n = 60;  // 120 keys of 10 bytes: several leaf splits
  AddFromTwoProcesses<QRES>(table_, index_, n, 10, [&](QRES& res, char who, int i) {
    std::string bytes = Content(who, i, 10);
    return res.AddDataToPack(reinterpret_cast<unsigned char*>(&bytes[0]),
                             static_cast<long>(bytes.size()), Id(who, i).c_str(), pack_.c_str(),
                             nullptr);
  });
  QRES res(table_.c_str(), index_.c_str());
  EXPECT_EQ(MessageCount(), 0u);
  EXPECT_EQ(res.m_pDbf->RecCount(), 2 * n);
  EXPECT_EQ(CheckIdxAgainstTable(*res.m_pDbf, *res.m_pIdx, "ID"), std::vector<std::string>{});
}

}  // namespace
}  // namespace tessera::test
