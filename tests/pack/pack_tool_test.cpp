// tessera-pack end to end: a database and a pack built from a folder of
// files, listed, extracted and verified, then damaged and verified again.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "database/database.h"
#include "pack/res.h"
#include "child_process.h"
#include "database/pack_res_database.h"
#include "support/test_support.h"

namespace {

using tessera::test::ReadFile;
using tessera::test::WriteFile;

class PackToolTest : public tessera::test::EngineTest {
 protected:
  using Result = tessera::test::ToolResult;
  Result Run(const std::string& args) { return tessera::test::RunTool(TESSERA_TOOL_PATH, args, dir_); }

  std::string Q(const std::string& s) { return "'" + s + "'"; }

  tessera::test::TempDir dir_;
};

TEST_F(PackToolTest, HelpExplainsEveryCommand) {
  Result r = Run("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"create-db", "create-shared", "create-pack", "add", "add-dir", "list", "extract", "verify"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(PackToolTest, BuildsListsExtractsAndVerifiesAPackFromAFolder) {
  std::filesystem::create_directories(dir_.File("src"));
  std::filesystem::create_directories(dir_.File("game"));
  std::string big;
  for (int i = 0; i < 70000; ++i) big += static_cast<char>(i * 31 + 7);
  WriteFile(dir_.File("src/hero.bmp"), big);
  WriteFile(dir_.File("src/map01.map"), "tiles");
  WriteFile(dir_.File("src/empty.txt"), "");
  std::string db = dir_.File("game/game.mdb");

  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  EXPECT_EQ(Run("create-db " + Q(db)).status, 1);  // never replaces a database
  ASSERT_EQ(Run("create-shared --root " + Q(dir_.path())).status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("data/Pack.mdb")));
  ASSERT_EQ(Run("create-pack " + Q(db) + " '\\main.pak'").status, 0);
  EXPECT_EQ(ReadFile(dir_.File("game/main.pak")), "");
  Result added = Run("add-dir " + Q(db) + " '\\main.pak' " + Q(dir_.File("src")));
  ASSERT_EQ(added.status, 0) << added.err;

  // Name order: empty, hero, map01.
  Result list = Run("list " + Q(db));
  ASSERT_EQ(list.status, 0);
  EXPECT_EQ(list.out,
            "empty\t\\main.pak\t0\t0\t0\n"
            "hero\t\\main.pak\t0\t70000\t70000\n"
            "map01\t\\main.pak\t70000\t70005\t5\n");
  EXPECT_EQ(ReadFile(dir_.File("game/main.pak")), big + "tiles");

  ASSERT_EQ(Run("extract " + Q(db) + " hero " + Q(dir_.File("hero.out"))).status, 0);
  EXPECT_EQ(ReadFile(dir_.File("hero.out")), big);
  ASSERT_EQ(Run("extract " + Q(db) + " empty " + Q(dir_.File("empty.out"))).status, 0);
  EXPECT_EQ(ReadFile(dir_.File("empty.out")), "");
  EXPECT_EQ(Run("extract " + Q(db) + " nothing " + Q(dir_.File("x.out"))).status, 1);

  Result ok = Run("verify " + Q(db));
  EXPECT_EQ(ok.status, 0);
  EXPECT_NE(ok.out.find("3 rows, 1 pack files, 0 dangling rows, 0 overlapping rows, 0 orphan bytes"), std::string::npos) << ok.out;

  // The library reads what the tool wrote.
  {
    CRes res(db.c_str(), (dir_.path() + "/").c_str());
    unsigned char* buffer = nullptr;
    ASSERT_EQ(res.LoadData(buffer, "map01"), 6);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "tiles");
    delete[] buffer;
  }

  // Re-adding leaves the old bytes unreferenced: orphans, reported; only
  // --strict fails on them.
  WriteFile(dir_.File("map01.v2"), "tiles v2");
  ASSERT_EQ(Run("add " + Q(db) + " '\\main.pak' map01 " + Q(dir_.File("map01.v2"))).status, 0);
  Result orphans = Run("verify " + Q(db));
  EXPECT_EQ(orphans.status, 0);
  EXPECT_NE(orphans.out.find("orphan bytes [70000, 70005)"), std::string::npos) << orphans.out;
  EXPECT_EQ(Run("verify --strict " + Q(db)).status, 1);

  // A pack cut short: the rows past its end dangle.
  std::string pack = ReadFile(dir_.File("game/main.pak"));
  WriteFile(dir_.File("game/main.pak"), pack.substr(0, 100));
  Result cut = Run("verify " + Q(db));
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.out.find("dangling hero: range past the end of the pack [0, 70000)"), std::string::npos) << cut.out;
  EXPECT_NE(cut.out.find("dangling map01"), std::string::npos);
  EXPECT_EQ(cut.out.find("dangling empty"), std::string::npos);
  std::filesystem::remove(dir_.File("game/main.pak"));
  Result gone = Run("verify " + Q(db));
  EXPECT_EQ(gone.status, 1);
  EXPECT_NE(gone.out.find("dangling empty: pack file missing"), std::string::npos) << gone.out;
}

TEST_F(PackToolTest, RefusesIdentifiersItCannotStoreBeforeWritingAnything) {
  std::filesystem::create_directories(dir_.File("src"));
  WriteFile(dir_.File("src/a_very_long_name.bmp"), "x");
  std::string db = dir_.File("game.mdb");
  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  ASSERT_EQ(Run("create-pack " + Q(db) + " '\\p.pak'").status, 0);
  Result r = Run("add-dir " + Q(db) + " '\\p.pak' " + Q(dir_.File("src")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("use --prefix"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_.File("p.pak")), "");
  ASSERT_EQ(Run("add-dir " + Q(db) + " '\\p.pak' " + Q(dir_.File("src")) + " --prefix img").status, 0);
  EXPECT_EQ(Run("list " + Q(db)).out, "img0000000\t\\p.pak\t0\t1\t1\n");
  // Adding to a pack that was never created fails, and records nothing.
  Result none = Run("add " + Q(db) + " '\\none.pak' x " + Q(dir_.File("src/a_very_long_name.bmp")));
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "tessera-pack: cannot add " + dir_.File("src/a_very_long_name.bmp") + ": no pack file " +
                          dir_.path() + "/none.pak (create it with create-pack)\n");
  EXPECT_EQ(Run("list " + Q(db)).out, "img0000000\t\\p.pak\t0\t1\t1\n");
  EXPECT_EQ(Run("list " + Q(dir_.File("src/a_very_long_name.bmp"))).status, 1);
}

TEST_F(PackToolTest, AFullDiskAddsNothingAndSaysSo) {
  std::string db = dir_.File("game.mdb");
  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  ASSERT_EQ(Run("create-pack " + Q(db) + " '\\p.pak'").status, 0);
  std::filesystem::create_directories(dir_.File("src"));
  WriteFile(dir_.File("src/a.bin"), std::string(100000, 'a'));
  WriteFile(dir_.File("src/b.bin"), std::string(150000, 'b'));
  WriteFile(dir_.File("src/c.bin"), std::string(100000, 'c'));
  WriteFile(dir_.File("one.bin"), std::string(300000, '1'));
  // No file may pass 200,000 bytes: a fits, b does not.
  Result dir_run, one_run;
  int code = tessera::test::RunUnderFileSizeLimit(200000, [&] {
    dir_run = Run("add-dir " + Q(db) + " '\\p.pak' " + Q(dir_.File("src")));
    one_run = Run("add " + Q(db) + " '\\p.pak' one " + Q(dir_.File("one.bin")));
    return dir_run.status * 10 + one_run.status;
  });
  EXPECT_EQ(code, 11);
  // The output of the last run (the child's copies of the results are
  // gone with it): "added" is never printed, the reason is.
  Result last = {0, ReadFile(dir_.File("stdout.txt")), ReadFile(dir_.File("stderr.txt"))};
  EXPECT_EQ(last.out, "");
  EXPECT_NE(last.err.find("tessera-pack: nothing added to \\p.pak: "), std::string::npos) << last.err;
  EXPECT_NE(last.err.find("one.bin: only 200000 of 300000 bytes reached \\p.pak (disk full?)"), std::string::npos)
      << last.err;
  // No row, no stray bytes: the pack is cut back.
  EXPECT_EQ(Run("list " + Q(db)).out, "");
  EXPECT_EQ(ReadFile(dir_.File("p.pak")), "");
  Result verify = Run("verify --strict " + Q(db));
  EXPECT_EQ(verify.status, 0) << verify.out;
  // With room, the same adds work.
  EXPECT_EQ(Run("add-dir " + Q(db) + " '\\p.pak' " + Q(dir_.File("src"))).status, 0);
  EXPECT_EQ(Run("list " + Q(db)).out,
            "a\t\\p.pak\t0\t100000\t100000\nb\t\\p.pak\t100000\t250000\t150000\nc\t\\p.pak\t250000\t350000\t100000\n");
}

TEST_F(PackToolTest, VerifyReportsRowsThatShareBytes) {
  std::string db = dir_.File("game.mdb");
  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  WriteFile(dir_.File("p.pak"), std::string(100, 'x'));
  {
    CDataBase conn;
    ASSERT_TRUE(conn.ConnectAccess(db.c_str()));
    for (const char* row : {"('a','\\p.pak',0,40)", "('b','\\p.pak',30,60)", "('c','\\p.pak',60,100)",
                            "('e','\\p.pak',50,50)"})
      ASSERT_TRUE(conn.ExecuteCommand((std::string("INSERT INTO [RESTABLE] VALUES ") + row).c_str()));
  }
  Result r = Run("verify " + Q(db));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("overlap a [0, 40) and b [30, 60) in " + dir_.File("p.pak")), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("overlap b"), std::string::npos) << "b and c only touch; e is empty";
  EXPECT_NE(r.out.find("4 rows, 1 pack files, 0 dangling rows, 1 overlapping rows, 0 orphan bytes"), std::string::npos)
      << r.out;
}

TEST_F(PackToolTest, IdentifiersGbkCannotHoldAndFoldersAreRefused) {
  std::string db = dir_.File("game.mdb");
  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  ASSERT_EQ(Run("create-pack " + Q(db) + " '\\p.pak'").status, 0);
  WriteFile(dir_.File("f.bin"), "data");
  // U+1F600 has no GBK form: it would become '?' and could name another
  // resource.
  Result r = Run("add " + Q(db) + " '\\p.pak' 'a\xF0\x9F\x98\x80' " + Q(dir_.File("f.bin")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has characters GBK cannot hold"), std::string::npos) << r.err;
  EXPECT_EQ(Run("extract " + Q(db) + " 'a\xF0\x9F\x98\x80' " + Q(dir_.File("out"))).status, 1);
  // A GBK identifier is fine.
  EXPECT_EQ(Run("add " + Q(db) + " '\\p.pak' '\xE4\xB8\xAD' " + Q(dir_.File("f.bin"))).status, 0);
  std::filesystem::create_directories(dir_.File("folder"));
  r = Run("add " + Q(db) + " '\\p.pak' x " + Q(dir_.File("folder")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(dir_.File("folder") + ": not a regular file"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir_.File("p.pak")), "data");
}

}  // namespace
