// python3-dbfread, an independent dBase reader, against this library both
// ways: tables in the layouts other programs write (dBase III, FoxPro,
// Visual FoxPro with its container path after the field list, a table with
// no fields) read here field by field, and tables made here read by
// dbfread; and the tessera-dbf tool end to end.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "pack/dbf.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

struct FieldSpec {
  const char* name;
  char type;
  int length;
  int decimals;
};

// A table file as another program would write it: `version` byte, the
// fields, the terminator, `after_terminator` bytes (Visual FoxPro's 263),
// then the records (flag byte included) and the end mark.
std::string TableBytes(unsigned char version, const std::vector<FieldSpec>& fields,
                       const std::vector<std::string>& records, int after_terminator = 0) {
  int record_len = 1;
  for (const FieldSpec& f : fields) record_len += f.length;
  const int header_len = 32 + 32 * static_cast<int>(fields.size()) + 1 + after_terminator;
  std::string b(static_cast<size_t>(header_len), '\0');
  b[0] = static_cast<char>(version);
  b[1] = 124;
  b[2] = 5;
  b[3] = 17;
  const uint32_t n = static_cast<uint32_t>(records.size());
  for (int i = 0; i < 4; ++i) b[4 + static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
  b[8] = static_cast<char>(header_len & 0xFF);
  b[9] = static_cast<char>(header_len >> 8);
  b[10] = static_cast<char>(record_len & 0xFF);
  b[11] = static_cast<char>(record_len >> 8);
  b[29] = 0x7A;  // GBK
  int displacement = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = &b[32 + 32 * i];
    std::memcpy(d, fields[i].name, std::strlen(fields[i].name));
    d[11] = fields[i].type;
    // Visual FoxPro keeps each field's place in the record here.
    d[12] = static_cast<char>(displacement);
    d[16] = static_cast<char>(fields[i].length);
    d[17] = static_cast<char>(fields[i].decimals);
    if (fields[i].type == '0') d[18] = 0x01;  // a system field
    displacement += fields[i].length;
  }
  b[32 + 32 * fields.size()] = 0x0D;
  for (const std::string& r : records) {
    EXPECT_EQ(r.size(), static_cast<size_t>(record_len)) << "record built wrong";
    b += r;
  }
  b += '\x1A';
  return b;
}

std::string Le(uint64_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}

bool HaveDbfread() {
  static const bool have = std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") == 0;
  return have;
}

class DbfVariantsTest : public TableTest {
 protected:
  // The output of a dbfread script run over the table at `path`.
  std::string Python(const std::string& script, const std::string& path) {
    WriteFile(dir_.File("read.py"), script);
    ToolResult r =
        RunTool("/usr/bin/python3", "'" + dir_.File("read.py") + "' '" + path + "'", dir_);
    return r.out + r.err;
  }
  // Fields, then every live record and every deleted one, each field's raw
  // bytes in hex, as dbfread sees the file.
  std::string Dbfread(const std::string& path) {
    return Python(
        "import sys, dbfread\n"
        "t = dbfread.DBF(sys.argv[1], raw=True, ignore_missing_memofile=True)\n"
        "print('FIELDS', *['%s:%s:%d:%d' % (f.name, f.type, f.length, f.decimal_count) for f in "
        "t.fields])\n"
        "for r in t: print('REC', *[v.hex() for v in r.values()])\n"
        "for r in t.deleted: print('DEL', *[v.hex() for v in r.values()])\n",
        path);
  }

  // The same from this library's reader, through Read.
  std::string Ours(const std::string& path) {
    DBF t(path.c_str(), 1);
    if (!DbfUsable(t)) return "<refused: " + LastMessage() + ">";
    std::string out = "FIELDS";
    for (int f = 0; f < t.m_nFieldCount; ++f) {
      const DbfField& d = t.m_pFields[f];
      out += " " + std::string(d.name) + ":" + d.type + ":" + std::to_string(d.length) + ":" +
             std::to_string(d.decimals);
    }
    out += "\n";
    std::string live, deleted;
    for (t.m_nRecNo = 0; t.m_nRecNo < t.RecCount(); ++t.m_nRecNo) {
      std::string line = DbfDeleted(t) ? "DEL" : "REC";
      for (int f = 0; f < t.m_nFieldCount; ++f) {
        char buffer[300];
        std::memset(buffer, 0x55, sizeof buffer);
        if (!t.Read(buffer, t.m_pFields[f].name)) return "<read failed>";
        line += " ";
        for (int i = 0; i < t.m_pFields[f].length; ++i) {
          char hex[3];
          std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(buffer[i]));
          line += hex;
        }
      }
      (line[0] == 'R' ? live : deleted) += line + "\n";
    }
    return out + live + deleted;
  }

  void Compare(const std::string& name, const std::string& bytes) {
    std::string path = dir_.File(name);
    WriteFile(path, bytes);
    std::string theirs = Dbfread(path);
    ASSERT_EQ(theirs.compare(0, 6, "FIELDS"), 0) << name << ": dbfread says " << theirs;
    EXPECT_EQ(Ours(path), theirs) << name;
  }

  void SetUp() override {
    TableTest::SetUp();
    if (!HaveDbfread()) GTEST_SKIP() << "python3-dbfread is not installed";
  }
};

// dBase III (deleted record, GBK, '?' logical), FoxPro ('F' numbers, memo
// fields holding the block number as ten characters, 'G'), no fields at
// all, and Visual FoxPro: binary integers, currency, date-times, doubles,
// 4-byte memo pointers, the hidden null-flags field, and 263 bytes after
// the terminator that are not fields.  The version byte is not looked at.
TEST_F(DbfVariantsTest, TablesOfOtherProgramsReadAsDbfreadReadsThem) {
  std::vector<FieldSpec> plain = {
      {"NAME", 'C', 8, 0}, {"QTY", 'N', 6, 2}, {"OK", 'L', 1, 0}, {"DAY", 'D', 8, 0}};
  Compare("dbase3.dbf", TableBytes(0x03, plain,
                                   {" apple     1.50T20240229", "*pear     -2.25F19991231",
                                    " \xD6\xD0\xCE\xC4    100.00?        "}));
  std::vector<FieldSpec> fox = {
      {"CODE", 'C', 5, 0}, {"RATE", 'F', 8, 3}, {"MEMO", 'M', 10, 0}, {"PIC", 'G', 10, 0}};
  Compare("foxpro.dbf",
          TableBytes(0xF5, fox,
                     {" ab      1.125         3         4", "*zz    -20.500                    "}));
  Compare("nofields.dbf", TableBytes(0x03, {}, {" ", "*", " "}));
  std::vector<FieldSpec> vfp = {
      {"ID", 'I', 4, 0},    {"NAME", 'C', 6, 0}, {"PRICE", 'Y', 8, 4},     {"WHEN", 'T', 8, 0},
      {"RATIO", 'B', 8, 2}, {"NOTE", 'M', 4, 0}, {"_NullFlags", '0', 1, 0}};
  auto row = [&](char flag, uint32_t id, const char* name, int64_t price, uint32_t day, uint32_t ms,
                 uint64_t ratio, uint32_t memo) {
    return std::string(1, flag) + Le(id, 4) + name + std::string(6 - std::strlen(name), ' ') +
           Le(static_cast<uint64_t>(price), 8) + Le(day, 4) + Le(ms, 4) + Le(ratio, 8) +
           Le(memo, 4) + '\0';
  };
  Compare("vfp.dbf",
          TableBytes(0x30, vfp,
                     {row(' ', 1, "tea", 12345, 2460000, 3600000, 0x3FF8000000000000ull, 8),
                      row(' ', 0xFFFFFF01u, "cake", -5000, 2451545, 0, 0, 0),
                      row('*', 7, "gone", 1, 1, 1, 1, 1)},
                     263));
  // Fields the engine cannot write are refused.
  DBF t(dir_.File("vfp.dbf").c_str(), 1);
  EXPECT_FALSE(t.Write("ID", 5.0));
  EXPECT_TRUE(t.Write("NAME", "pie"));
}

// Tables made here, decoded by dbfread: encoding, field list, values,
// deleted records.
TEST_F(DbfVariantsTest, DbfreadReadsOurTables) {
  std::string path = MakeTable("people.dbf", "NAME:C:12,AGE:N:3,SCORE:N:8:2,ACTIVE:L,BORN:D");
  {
    DBF t(path.c_str(), 1);
    const struct {
      const char* name;
      double age, score;
      bool active;
      const char* born;
    } rows[] = {
        {"Li Lei", 12, 98.5, true, "20140301"},
        {"\xBA\xAB\xC3\xB7\xC3\xB7", 11, -3.125, false, "20150717"},  // 韩梅梅
        {"gone", 99, 0, false, "19991231"},
        {"exactly12chr", 7, 123456.78, true, "20000229"},
    };
    for (const auto& row : rows) {
      t.AppendBlank();
      ASSERT_TRUE(t.Write("NAME", row.name));
      ASSERT_TRUE(t.Write("AGE", row.age));
      ASSERT_TRUE(t.Write("SCORE", row.score));
      ASSERT_TRUE(t.Write("ACTIVE", row.active));
      ASSERT_TRUE(t.Write("BORN", row.born));
    }
    t.m_nRecNo = 2;
    ASSERT_TRUE(DbfSetDeleted(t, true));
  }
  std::string script =
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], load=True)\n"
      "print(t.encoding)\n"
      "print('|'.join('%s:%s:%d:%d' % (f.name, f.type, f.length, f.decimal_count) for f in "
      "t.fields))\n"
      "for r in t.records: print('|'.join(ascii(v) for v in r.values()))\n"
      "for r in t.deleted: print('DEL|' + '|'.join(ascii(v) for v in r.values()))\n";
  EXPECT_EQ(Python(script, path),
            "cp936\n"
            "NAME:C:12:0|AGE:N:3:0|SCORE:N:8:2|ACTIVE:L:1:0|BORN:D:8:0\n"
            "'Li Lei'|12|98.5|True|datetime.date(2014, 3, 1)\n"
            "'\\u97e9\\u6885\\u6885'|11|-3.12|False|datetime.date(2015, 7, 17)\n"
            // Nine characters in an eight-character field: cut at the end.
            "'exactly12chr'|7|123456.7|True|datetime.date(2000, 2, 29)\n"
            "DEL|'gone'|99|0.0|False|datetime.date(1999, 12, 31)\n");
  // An empty table.
  EXPECT_EQ(Python(script, MakeTable("empty.dbf", "ID:C:10,START:N:10,END:N:10")),
            "cp936\nID:C:10:0|START:N:10:0|END:N:10:0\n");
}

// tessera-dbf end to end: a table created from a field list, filled,
// dumped with its deleted marks, indexed, listed in key order and checked.
#ifdef TESSERA_DBF_TOOL_PATH
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
      {"QTY=1e300", "QTY: 1e300 does not fit 10 characters with 0 decimals"},
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

// Fields dump shows raw are marked so.
TEST_F(DbfToolTest, DumpMarksFieldsReadRaw) {
  std::vector<FieldSpec> fields = {{"ID", 'I', 4, 0}, {"NAME", 'C', 3, 0}, {"NOTE", 'M', 10, 0}};
  std::string path = dir_.File("marks.dbf");
  WriteFile(path, TableBytes(0x30, fields, {" " + Le(0x0A0B0C41, 4) + "abc         9"}, 263));
  Result r = Run("dump " + Q("marks.dbf"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "records 1, header 392 bytes, record 18 bytes, 3 fields\n"
            "  ID         I   4  0 raw\n"
            "  NAME       C   3  0\n"
            "  NOTE       M  10  0 raw\n"
            "     0  |A\\x0C\\x0B\\x0A|abc|         9|\n");
}
#endif

}  // namespace
}  // namespace tessera::test
