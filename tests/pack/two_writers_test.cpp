// Two processes adding to one pack at once, through the database-indexed
// pack and through the table-file pack: every resource reports success and
// loads back byte for byte.
#include <algorithm>
#include <filesystem>

#include "child_process.h"
#include "database/schema.h"
#include "pack/idx_walk.h"
#include "pack/qres.h"
#include "pack/res.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

class TwoWritersTest : public TableTest {
 protected:
  // The bytes of resource `i` of writer `who`: a size between 40,000 and
  // 300,000 and a pattern no other resource has.
  static std::string Content(char who, int i, int scale) {
    TestRandom random(static_cast<uint64_t>(who) * 1000 + static_cast<uint64_t>(i));
    std::string bytes(static_cast<size_t>(random.Range(40, 300) * scale), '\0');
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(random.Next() >> 7);
    bytes[0] = who;
    return bytes;
  }
  static std::string Id(char who, int i) {
    char id[11];
    std::snprintf(id, sizeof id, "K%03d%c0000", i, who);
    return id;
  }
  // Runs `add(who)` in two children at once; both must report success.
  void RunTwo(const std::function<int(char)>& add) {
    pid_t pids[2];
    const char who[2] = {'A', 'B'};
    for (int k = 0; k < 2; ++k) {
      pids[k] = ::fork();
      ASSERT_GE(pids[k], 0);
      if (pids[k] == 0) {
        ::alarm(40);
        int code = add(who[k]);
        std::fflush(nullptr);
        ::_exit(code);
      }
    }
    for (int k = 0; k < 2; ++k) {
      int status = 0;
      ASSERT_EQ(::waitpid(pids[k], &status, 0), pids[k]);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << who[k] << " status " << status;
    }
  }
  // Every resource of both writers loads back byte for byte.
  template <typename Pack>
  static void ExpectAllLoad(Pack& res, int n, int scale) {
    for (char who : {'A', 'B'})
      for (int i = 0; i < n; ++i) {
        std::string want = Content(who, i, scale);
        unsigned char* buffer = nullptr;
        int got = res.LoadData(buffer, Id(who, i).c_str());
        ASSERT_EQ(got, static_cast<int>(want.size()) + 1) << Id(who, i);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), reinterpret_cast<char*>(buffer)))
            << Id(who, i);
        delete[] buffer;
      }
  }
};

TEST_F(TwoWritersTest, DatabaseIndexedPack) {
  const int n = 10;
  std::filesystem::create_directories(dir_.File("game"));
  std::filesystem::create_directories(dir_.File("data"));
  const std::string root = dir_.path() + "/";
  const std::string game = dir_.path() + "/game/game.mdb";
  ASSERT_TRUE(CreateDataBaseFile(game));
  ASSERT_TRUE(CreateDataBaseFile(root + "data/Pack.mdb"));
  WriteFile(dir_.File("game/a.pak"), "");
  RunTwo([&](char who) {
    CRes res(game.c_str(), root.c_str());
    for (int i = 0; i < n; ++i) {
      std::string bytes = Content(who, i, 6000);
      if (!res.AddDataToPack(reinterpret_cast<unsigned char*>(&bytes[0]),
                             static_cast<long>(bytes.size()), Id(who, i).c_str(), "\\a.pak",
                             nullptr))
        return 1;
    }
    return 0;
  });
  CRes res(game.c_str(), root.c_str());
  // Every resource loads back, so no two rows share bytes; none are stray.
  ExpectAllLoad(res, n, 6000);
  size_t total = 0;
  for (char who : {'A', 'B'})
    for (int i = 0; i < n; ++i) total += Content(who, i, 6000).size();
  EXPECT_EQ(ReadFile(dir_.File("game/a.pak")).size(), total);
}

TEST_F(TwoWritersTest, TableFilePackWithItsIndex) {
  const int n = 60;  // 120 keys of 10 bytes: several leaf splits
  const std::string table = dir_.File("res.dbf"), index = dir_.File("res.idx"),
                    pack = dir_.File("a.pak");
  std::string error;
  ASSERT_TRUE(CreateQresFiles(table, index, 10, 64, error)) << error;
  ASSERT_TRUE(CreatePackFile(pack, error)) << error;
  RunTwo([&](char who) {
    QRES res(table.c_str(), index.c_str());
    for (int i = 0; i < n; ++i) {
      std::string bytes = Content(who, i, 10);
      if (!res.AddDataToPack(reinterpret_cast<unsigned char*>(&bytes[0]),
                             static_cast<long>(bytes.size()), Id(who, i).c_str(), pack.c_str(),
                             nullptr))
        return 1;
    }
    return 0;
  });
  QRES res(table.c_str(), index.c_str());
  ASSERT_EQ(MessageCount(), 0u);
  ExpectAllLoad(res, n, 10);
  EXPECT_EQ(res.m_pDbf->RecCount(), 2 * n);
  std::vector<std::string> faults = CheckIdxAgainstTable(*res.m_pDbf, *res.m_pIdx, "ID");
  EXPECT_TRUE(faults.empty()) << faults[0];
}

}  // namespace
}  // namespace tessera::test
