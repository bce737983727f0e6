// tessera-dbf end to end: a table created from a field list, filled,
// dumped with its deleted marks, indexed, listed in key order and checked.
#include <filesystem>

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

TEST_F(DbfToolTest, CreatesDumpsIndexesAndChecks) {
  ASSERT_EQ(Run("create " + Q("t.dbf") + " ID:C:6,QTY:N:6:1,OK:L").status, 0);
  const char* ids[] = {"pear", "apple", "fig", "kiwi"};
  int n = 0;
  for (const char* id : ids) {
    Result r = Run("append " + Q("t.dbf") + " ID=" + id + " QTY=" + std::to_string(n) +
                   ".25 OK=" + (n % 2 ? "T" : "F"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(n) + "\n");
    ++n;
  }
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
  EXPECT_EQ(Run("keys " + Q("t.idx")).out, "apple \t1\nfig   \t2\nkiwi  \t3\npear  \t0\n");
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
  EXPECT_EQ(check.out,
            "record 1 holds \"peach \" but its key is \"pear  \"\nrecord 5 is not in the index\n");
  ASSERT_EQ(Run("rebuild " + Q("t.dbf") + " ID " + Q("t.idx")).status, 0);
  // Reading commands share the table, so they work while a game has it
  // open; changing ones still need it to themselves.
  DBF game(dir_.File("t.dbf").c_str(), 0);
  ASSERT_TRUE(DbfUsable(game));
  EXPECT_EQ(Run("check " + Q("t.dbf") + " ID " + Q("t.idx")).status, 0);
  EXPECT_EQ(Run("keys " + Q("t.idx")).out,
            "apple \t1\nfig   \t2\nkiwi  \t3\npeach \t0\nplum  \t4\n");
  EXPECT_TRUE(Contains(Run("dump " + Q("t.dbf")).out, "|plum  |"));
  EXPECT_EQ(Run("append " + Q("t.dbf") + " ID=kiwi").status, 1);
}

TEST_F(DbfToolTest, ValuesAreCheckedAgainstTheirFieldsBeforeAnythingIsAdded) {
  ASSERT_EQ(Run("create " + Q("v.dbf") + " NAME:C:6,QTY:N:10,PRICE:N:6:2,OK:L,DAY:D").status, 0);
  const struct {
    const char* assignment;
    const char* error;  // empty: accepted
  } cases[] = {
      {"QTY=abc", "QTY: \"abc\" is not a number"},
      {"QTY=", "QTY: \"\" is not a number"},
      {"PRICE=1234.5", "PRICE: 1234.5 does not fit 6 characters with 2 decimals"},
      {"OK=maybe", "OK: \"maybe\" is not T or F (Y/N, true/false, yes/no, 1/0)"},
      {"NAME=toolong", "NAME: \"toolong\" is 7 bytes; the field holds 6"},
      {"NAME=\xF0\x9F\x98\x80", "NAME: \"\xF0\x9F\x98\x80\" has characters GBK cannot hold"},
      {"DAY=20260230", "DAY: \"20260230\" is not a date YYYYMMDD"},
      {"DAY=2026-1-1", "DAY: \"2026-1-1\" is not a date YYYYMMDD"},
      {"QTY=-42", ""},
      {"PRICE=99.999", ""},  // rounds to 100.00, which fits
      {"OK=yes", ""},
      {"OK=N", ""},
      {"NAME=\xE4\xB8\xAD\xE6\x96\x87", ""},  // two GBK characters, four bytes
      {"DAY=20240229", ""},
  };
  int stored = 0;
  for (const auto& c : cases) {
    Result r = Run("append " + Q("v.dbf") + " '" + c.assignment + "'");
    if (*c.error) {
      EXPECT_EQ(r.status, 1) << c.assignment;
      EXPECT_EQ(r.err, std::string("tessera-dbf: ") + c.error + "\n") << c.assignment;
    } else {
      EXPECT_EQ(r.status, 0) << c.assignment << r.err;
      EXPECT_EQ(r.out, std::to_string(stored++) + "\n");
    }
  }
  Result dump = Run("dump " + Q("v.dbf"));
  EXPECT_EQ(dump.out.substr(dump.out.find("     0")),
            "     0  |      |       -42|      | |        |\n"
            "     1  |      |          |100.00| |        |\n"
            "     2  |      |          |      |T|        |\n"
            "     3  |      |          |      |F|        |\n"
            "     4  |\xD6\xD0\xCE\xC4  |          |      | |        |\n"
            "     5  |      |          |      | |20240229|\n");
}

// Wrong arguments: the status, the exact reason where one is given, and
// the table and index as they were.
TEST_F(DbfToolTest, WrongArgumentsChangeNothing) {
  ASSERT_EQ(Run("create " + Q("t.dbf") + " ID:C:4").status, 0);
  ASSERT_EQ(Run("append " + Q("t.dbf") + " ID=a").status, 0);
  ASSERT_EQ(Run("append " + Q("t.dbf") + " ID=b").status, 0);
  ASSERT_EQ(Run("index " + Q("t.dbf") + " ID " + Q("t.idx")).status, 0);
  const std::string table = ReadFile(dir_.File("t.dbf")), index = ReadFile(dir_.File("t.idx"));
  const std::string t = Q("t.dbf");
  struct Case {
    std::string args;
    int status;
    std::string err;  // empty: not checked
  };
  std::vector<Case> cases = {
      {"frobnicate", 2, ""},
      {"create " + t + " ID:C:4", 1,
       "tessera-dbf: " + dir_.File("t.dbf") + " exists; use --force to replace it\n"},
      {"create " + Q("n.dbf") + " NAME:C:x", 1, "tessera-dbf: bad number in field \"NAME:C:x\"\n"},
      {"append " + t + " NOPE=1", 1, ""},
      {"index " + t + " ID " + Q("t.idx"), 1, ""},  // never replaces an index
      {"check " + t + " QTY " + Q("t.idx"), 1, ""},
  };
  for (std::string bad : {"-1", "2", ""})
    cases.push_back({"delete " + t + " '" + bad + "'", 1,
                     "tessera-dbf: no record " + bad + " (records are 0 to 1)\n"});
  for (const Case& c : cases) {
    Result r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err) << c.args;
    }
  }
  EXPECT_EQ(ReadFile(dir_.File("t.dbf")), table);
  EXPECT_EQ(ReadFile(dir_.File("t.idx")), index);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("n.dbf")));
  EXPECT_EQ(Run("delete " + t + " 1").status, 0);
  EXPECT_EQ(Run("create " + t + " ID:C:4 --force").status, 0);
  EXPECT_EQ(Run("dump " + t).out.substr(0, 10), "records 0,");
}

}  // namespace
}  // namespace tessera::test

#endif
