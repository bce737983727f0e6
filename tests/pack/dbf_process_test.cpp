// Two processes on one table: appends under the append lock lose nothing,
// and locks held by another process are seen.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "pack/dbf.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

class DbfProcessTest : public TableTest {};

// Appends `n` records tagged `tag` with their sequence number.
void AppendMany(const std::string& path, const char* tag, int n) {
  DBF t(path.c_str(), 0);
  for (int i = 0; i < n; ++i) {
    t.AppendBlank();
    t.Write("WHO", tag);
    t.Write("SEQ", static_cast<double>(i));
  }
}

TEST_F(DbfProcessTest, TwoProcessesAppendingLoseNoRecord) {
  std::string path = MakeTable("shared.dbf", "WHO:C:6,SEQ:N:6");
  const int n = 600;
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AppendMany(path, "child", n);
    ::_exit(0);
  }
  AppendMany(path, "parent", n);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));

  DBF t(path.c_str(), 1);
  ASSERT_EQ(t.RecCount(), 2 * n);
  std::set<int> seen[2];
  for (t.m_nRecNo = 0; t.m_nRecNo < 2 * n; ++t.m_nRecNo) {
    char who[7];
    int seq = -1;
    ASSERT_TRUE(t.Read(who, "WHO"));
    ASSERT_TRUE(t.Read(seq, "SEQ"));
    std::string w(who);
    ASSERT_TRUE(w == "child " || w == "parent") << "record " << t.m_nRecNo << " is '" << w << "'";
    EXPECT_TRUE(seen[w == "child " ? 0 : 1].insert(seq).second) << "twice: " << w << seq;
  }
  EXPECT_EQ(seen[0].size(), static_cast<size_t>(n));
  EXPECT_EQ(seen[1].size(), static_cast<size_t>(n));
  // The file holds exactly the counted records after the header.
  EXPECT_EQ(ReadFile(path).size(), static_cast<size_t>(t.m_nHeaderLen + 2 * n * t.m_nRecLen));
}

TEST_F(DbfProcessTest, LocksHeldByAnotherProcess) {
  std::string path = MakeTable("locks.dbf", "WHO:C:6");
  {
    DBF t(path.c_str(), 1);
    for (int i = 0; i < 3; ++i) t.AppendBlank();
  }
  int to_parent[2], to_child[2];
  ASSERT_EQ(::pipe(to_parent), 0);
  ASSERT_EQ(::pipe(to_child), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DBF t(path.c_str(), 0);
    t.m_nRecNo = 1;
    bool ok = t.LockRecord() && t.m_fp.LockByte(kDbfLockBase);
    char c = ok ? 'L' : 'F';
    if (::write(to_parent[1], &c, 1) != 1) ::_exit(2);
    // Wait for the parent's checks, hold the append lock a little longer,
    // then append one record: the parent's append must wait for it.
    if (::read(to_child[0], &c, 1) != 1) ::_exit(2);
    ::usleep(150000);
    t.AppendBlank();
    t.Write("WHO", "child");
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(to_parent[0], &c, 1), 1);
  ASSERT_EQ(c, 'L');

  DBF t(path.c_str(), 0);
  t.m_nRecNo = 1;
  EXPECT_FALSE(t.LockRecord());
  t.m_nRecNo = 2;
  EXPECT_TRUE(t.LockRecord());
  EXPECT_TRUE(t.UnLockRecord());
  EXPECT_FALSE(t.m_fp.LockByte(kDbfLockBase));

  ASSERT_EQ(::write(to_child[1], "g", 1), 1);
  t.AppendBlank();  // waits for the child's append
  t.Write("WHO", "parent");
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_EQ(t.RecCount(), 5);
  char who[7];
  t.m_nRecNo = 3;
  ASSERT_TRUE(t.Read(who, "WHO"));
  EXPECT_STREQ(who, "child ");
  // The child is gone, and its locks with it.
  t.m_nRecNo = 1;
  EXPECT_TRUE(t.LockRecord());
  for (int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) ::close(fd);
}

}  // namespace
}  // namespace tessera::test
