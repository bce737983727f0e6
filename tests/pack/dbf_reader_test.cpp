// Tables made here, read back by Debian's python3-dbfread, an independent
// dBase reader, field by field.
#include <cstdio>
#include <sstream>

#include "pack/dbf.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

std::string Python() {
  // The system interpreter carries the Debian package.
  std::FILE* probe = std::fopen("/usr/bin/python3", "rb");
  if (probe) {
    std::fclose(probe);
    return "/usr/bin/python3";
  }
  return "python3";
}

// Runs dbfread over the table: the encoding, then one line per record,
// deleted records marked, every value as Python's repr.
std::vector<std::string> ReadWithDbfread(const std::string& path) {
  std::string script =
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], load=True)\n"
      "print(t.encoding)\n"
      "print('|'.join('%s:%s:%d:%d' % (f.name, f.type, f.length, f.decimal_count) for f in t.fields))\n"
      "for r in t.records: print('|'.join(ascii(v) for v in r.values()))\n"
      "for r in t.deleted: print('DEL|' + '|'.join(ascii(v) for v in r.values()))\n";
  std::string command = Python() + " -c \"" + script + "\" '" + path + "' 2>&1";
  std::vector<std::string> lines;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return lines;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string s(line);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    lines.push_back(s);
  }
  ::pclose(pipe);
  return lines;
}

class DbfReaderTest : public TableTest {};

TEST_F(DbfReaderTest, DbfreadReadsOurTablesFieldByField) {
  std::string path = MakeTable("people.dbf", "NAME:C:12,AGE:N:3,SCORE:N:8:2,ACTIVE:L,BORN:D");
  {
    DBF t(path.c_str(), 1);
    struct Row {
      const char* name;
      double age;
      double score;
      bool active;
      const char* born;
    } rows[] = {
        {"Li Lei", 12, 98.5, true, "20140301"},
        // "韩梅梅" in GBK.
        {"\xBA\xAB\xC3\xB7\xC3\xB7", 11, -3.125, false, "20150717"},
        {"gone", 99, 0, false, "19991231"},
        {"exactly12chr", 7, 123456.78, true, "20000229"},
    };
    for (const Row& row : rows) {
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
  std::vector<std::string> lines = ReadWithDbfread(path);
  std::vector<std::string> want = {
      "cp936",
      "NAME:C:12:0|AGE:N:3:0|SCORE:N:8:2|ACTIVE:L:1:0|BORN:D:8:0",
      "'Li Lei'|12|98.5|True|datetime.date(2014, 3, 1)",
      "'\\u97e9\\u6885\\u6885'|11|-3.12|False|datetime.date(2015, 7, 17)",
      // Nine characters in an eight-character field: cut at the end.
      "'exactly12chr'|7|123456.7|True|datetime.date(2000, 2, 29)",
      "DEL|'gone'|99|0.0|False|datetime.date(1999, 12, 31)",
  };
  EXPECT_EQ(lines, want);
}

TEST_F(DbfReaderTest, DbfreadReadsAnEmptyTable) {
  std::string path = MakeTable("empty.dbf", "ID:C:10,START:N:10,END:N:10");
  std::vector<std::string> lines = ReadWithDbfread(path);
  std::vector<std::string> want = {"cp936", "ID:C:10:0|START:N:10:0|END:N:10:0"};
  EXPECT_EQ(lines, want);
}

}  // namespace
}  // namespace tessera::test
