// tessera-dbf end to end: a table created from a field list, filled,
// dumped with its deleted marks, indexed, listed in key order and checked.
#include "table_fixture.h"

#ifdef TESSERA_DBF_TOOL_PATH

namespace tessera::test {
namespace {

class DbfToolTest : public TableTest {
 protected:
  using Result = ToolResult;
  Result Run(const std::string& args) { return RunTool(TESSERA_DBF_TOOL_PATH, args, dir_); }
  std::string Q(const std::string& name) { return "'" + dir_.File(name) + "'"; }
};

TEST_F(DbfToolTest, HelpAndBadCommands) {
  Result r = Run("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"create", "append", "delete", "dump", "index", "rebuild", "keys", "check"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("frobnicate").status, 2);
  r = Run("create " + Q("t.dbf") + " NAME:C:x");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tessera-dbf: bad number in field \"NAME:C:x\"\n");
}

TEST_F(DbfToolTest, CreatesDumpsIndexesAndChecks) {
  ASSERT_EQ(Run("create " + Q("t.dbf") + " ID:C:6,QTY:N:6:1,OK:L").status, 0);
  const char* ids[] = {"pear", "apple", "fig", "kiwi"};
  int n = 0;
  for (const char* id : ids) {
    Result r = Run("append " + Q("t.dbf") + " ID=" + id + " QTY=" + std::to_string(n) + ".25 OK=" + (n % 2 ? "T" : "F"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(n) + "\n");
    ++n;
  }
  EXPECT_EQ(Run("append " + Q("t.dbf") + " NOPE=1").status, 1);
  ASSERT_EQ(Run("delete " + Q("t.dbf") + " 2").status, 0);
  Result dump = Run("dump " + Q("t.dbf"));
  ASSERT_EQ(dump.status, 0);
  EXPECT_EQ(dump.out,
            "records 4, header 129 bytes, record 14 bytes, 3 fields\n"
            "  ID         C   6  0\n"
            "  QTY        N   6  1\n"
            "  OK         L   1  0\n"
            "     0  |pear  |   0.2|F|\n"
            "     1  |apple |   1.2|T|\n"
            "     2 *|fig   |   2.2|F|\n"
            "     3  |kiwi  |   3.2|T|\n");

  ASSERT_EQ(Run("index " + Q("t.dbf") + " ID " + Q("t.idx")).status, 0);
  EXPECT_EQ(Run("index " + Q("t.dbf") + " ID " + Q("t.idx")).status, 1);  // never replaces
  Result keys = Run("keys " + Q("t.idx"));
  ASSERT_EQ(keys.status, 0);
  EXPECT_EQ(keys.out, "apple \t1\nfig   \t2\nkiwi  \t3\npear  \t0\n");
  Result check = Run("check " + Q("t.dbf") + " ID " + Q("t.idx"));
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out, "ok: 4 records, each once, in key order\n");

  // A record appended without the index, and a key changed behind its back.
  ASSERT_EQ(Run("append " + Q("t.dbf") + " ID=plum").status, 0);
  {
    DBF t(dir_.File("t.dbf").c_str(), 1);
    t.m_nRecNo = 0;
    t.Write("ID", "peach");
  }
  check = Run("check " + Q("t.dbf") + " ID " + Q("t.idx"));
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "record 1 holds \"peach \" but its key is \"pear  \"\nrecord 5 is not in the index\n");
  ASSERT_EQ(Run("rebuild " + Q("t.dbf") + " ID " + Q("t.idx")).status, 0);
  EXPECT_EQ(Run("check " + Q("t.dbf") + " ID " + Q("t.idx")).status, 0);
  EXPECT_EQ(Run("keys " + Q("t.idx")).out, "apple \t1\nfig   \t2\nkiwi  \t3\npeach \t0\nplum  \t4\n");
  EXPECT_EQ(Run("check " + Q("t.dbf") + " QTY " + Q("t.idx")).status, 1);
}

}  // namespace
}  // namespace tessera::test

#endif
