// Index files: the B+ tree checked by an independent reader after many
// inserts, exact split layouts, prefix seeks, walks in both directions, the
// table ordered through an index, and damaged files refused.
#include "pack/idx.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "child_process.h"
#include "pack/dbf.h"
#include "pack/dbf_record.h"
#include "pack/idx_walk.h"
#include "table_fixture.h"

namespace tessera::test {
namespace {

// A small reader of index files that shares nothing with IDX: it walks the
// tree from the root through child pointers, checks every node, and returns
// the leaf entries in key order.
struct TreeReader {
  std::string bytes;
  int key_len = 0;
  std::vector<std::pair<std::string, uint32_t>> entries;
  std::vector<uint32_t> leaves;          // leaf offsets, left to right
  std::vector<std::vector<int>> levels;  // entry counts of the nodes of each level
  std::string fault;

  static uint32_t U32(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8) |
           (static_cast<unsigned char>(b[at + 2]) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
  }
  static uint32_t Be32(const std::string& b, size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
           (static_cast<unsigned char>(b[at + 1]) << 16) |
           (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
  }

  explicit TreeReader(const std::string& file) : bytes(file) {
    if (bytes.size() < 1024) {
      fault = "short file";
      return;
    }
    key_len = static_cast<unsigned char>(bytes[12]);
    uint32_t root = U32(bytes, 0);
    uint32_t end = U32(bytes, 8);
    if (end != bytes.size())
      fault = "end offset " + std::to_string(end) + " but file " + std::to_string(bytes.size());
    int root_attr = static_cast<unsigned char>(bytes[root]);
    if (root_attr != 1 && root_attr != 3) fault = "root without root attributes";
    std::string max;
    Walk(root, 0, &max);
    // The leaf chain must list the same leaves in the same order.
    for (size_t i = 0; i < leaves.size() && fault.empty(); ++i) {
      int32_t left = static_cast<int32_t>(U32(bytes, leaves[i] + 4));
      int32_t right = static_cast<int32_t>(U32(bytes, leaves[i] + 8));
      int32_t want_left = i == 0 ? -1 : static_cast<int32_t>(leaves[i - 1]);
      int32_t want_right = i + 1 == leaves.size() ? -1 : static_cast<int32_t>(leaves[i + 1]);
      if (left != want_left || right != want_right)
        fault = "leaf chain broken at " + std::to_string(leaves[i]);
    }
    for (size_t i = 1; i < entries.size() && fault.empty(); ++i)
      if (entries[i - 1].first > entries[i].first)
        fault = "keys out of order at " + std::to_string(i);
  }

  void Walk(uint32_t node, int depth, std::string* max_key) {
    if (!fault.empty()) return;
    if (depth > 20 || node % 512 || node < 512 || node + 512 > bytes.size()) {
      fault = "bad node offset " + std::to_string(node);
      return;
    }
    int attr = static_cast<unsigned char>(bytes[node]) |
               (static_cast<unsigned char>(bytes[node + 1]) << 8);
    int count = static_cast<int16_t>(static_cast<unsigned char>(bytes[node + 2]) |
                                     (static_cast<unsigned char>(bytes[node + 3]) << 8));
    int entry_len = key_len + 4;
    if (count < 0 || count > 500 / entry_len) {
      fault = "bad count";
      return;
    }
    levels.resize(std::max(levels.size(), static_cast<size_t>(depth) + 1));
    levels[static_cast<size_t>(depth)].push_back(count);
    for (size_t i = node + 12 + static_cast<size_t>(count * entry_len); i < node + 512; ++i)
      if (bytes[i] != 0) {
        fault = "unused bytes not zero in node " + std::to_string(node);
        return;
      }
    for (int i = 0; i < count; ++i) {
      size_t at = node + 12 + static_cast<size_t>(i * entry_len);
      std::string key = bytes.substr(at, static_cast<size_t>(key_len));
      uint32_t pointer = Be32(bytes, at + static_cast<size_t>(key_len));
      if (attr >= 2) {
        entries.emplace_back(key, pointer);
      } else {
        std::string child_max;
        Walk(pointer, depth + 1, &child_max);
        if (fault.empty() && child_max != key)
          fault = "index key " + key + " is not its child's greatest " + child_max;
      }
      *max_key = key;
    }
    if (attr >= 2) leaves.push_back(node);
  }
};

class IdxTest : public TableTest {};

TEST_F(IdxTest, EmptyIndexLayoutAndBigEndianPointers) {
  std::string path = MakeIndex("e.idx", 4);
  // Root at 512, end at 1024, key length 4; one root leaf, no siblings.
  std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 1024u);
  EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 5), std::string("\0\2\0\0\0\4\0\0\x04", 9));
  IDX x(dir_.File("e").c_str(), 1);  // ".idx" added
  ASSERT_TRUE(IdxUsable(x));
  // An empty leaf's zeroed first entry gives record 0; a seek finds nothing.
  EXPECT_EQ(x.GoTop(), 0);
  EXPECT_EQ(x.Seek(""), -1);
  ASSERT_TRUE(IdxInsertKey(x, 1, "abcd"));
  ASSERT_TRUE(IdxInsertKey(x, 0x01020304, "abce"));
  EXPECT_EQ(x.GoTop(), 0);
  EXPECT_EQ(x.Skip(), 0x01020303);
  EXPECT_EQ(MessageCount(), 0u);
}

// Ten-byte keys: 35 entries a node.  The 36th insert splits the root leaf
// into 18 + 17 entries plus the new key where it sorts, under a new root.
TEST_F(IdxTest, SplitLayoutAfterThirtySixthInsert) {
  for (int newkey : {0, 17, 18, 19, 35}) {
    SCOPED_TRACE(newkey);
    std::string path = MakeIndex("s" + std::to_string(newkey) + ".idx", 10);
    IDX x(path.c_str(), 1);
    // Keys k00, k02, ... k70 (even numbers) leave room between them.
    auto key = [](int n) {
      return std::string("k") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
    };
    for (int i = 0; i < 35; ++i) ASSERT_TRUE(IdxInsertKey(x, i + 1, key(i * 2 + 2)));
    EXPECT_EQ(x.m_nEnd, 1024);
    // Sorts at position `newkey` among the 35.
    ASSERT_TRUE(IdxInsertKey(x, 100, key(newkey * 2 + 1)));
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 2048u);
    EXPECT_EQ(TreeReader::U32(bytes, 0), 1536u);  // new root
    EXPECT_EQ(TreeReader::U32(bytes, 8), 2048u);
    auto count = [&](size_t node) { return static_cast<unsigned char>(bytes[node + 2]); };
    // A new key at position 18, the count the old node keeps, opens the
    // new node.  After the last key of the last leaf, the leaf stays full
    // and the new one starts with the key alone.
    int in_old = newkey == 35 ? 35 : newkey < 18 ? 19 : 18;
    EXPECT_EQ(count(512), in_old);
    EXPECT_EQ(count(1024), 36 - in_old);
    EXPECT_EQ(count(1536), 2);
    // The reader checks the root's keys and pointers, the node kinds and
    // the leaf chain.
    TreeReader r(bytes);
    ASSERT_EQ(r.fault, "");
    EXPECT_EQ(r.leaves, (std::vector<uint32_t>{512, 1024}));
    ASSERT_EQ(r.entries.size(), 36u);
    EXPECT_EQ(r.entries[static_cast<size_t>(newkey)].second, 100u);
  }
}

TEST_F(IdxTest, ThousandsOfRandomInsertsMatchAnIndependentReader) {
  for (int key_len : {3, 10, 31}) {
    SCOPED_TRACE(key_len);
    std::string path = MakeIndex("r" + std::to_string(key_len) + ".idx", key_len);
    IDX x(path.c_str(), 1);
    TestRandom random(static_cast<uint64_t>(key_len));
    std::multiset<std::pair<std::string, uint32_t>> want;
    for (uint32_t i = 1; i <= 4000; ++i) {
      std::string key;
      int len = random.Range(1, key_len);
      for (int c = 0; c < len; ++c)
        key += static_cast<char>('a' + random.Range(0, 3 + key_len / 4));
      ASSERT_TRUE(IdxInsertKey(x, i, key));
      key.resize(static_cast<size_t>(key_len), ' ');
      want.insert({key, i});
    }
    TreeReader r(ReadFile(path));
    ASSERT_EQ(r.fault, "");
    ASSERT_EQ(r.entries.size(), want.size());
    // The reader checks the key order; equal keys may stand in any order.
    const std::multiset<std::pair<std::string, uint32_t>> got(r.entries.begin(), r.entries.end());
    EXPECT_EQ(got, want);

    // IDX walks the same sequence forwards and backwards.
    IDX y(path.c_str(), 1);
    EXPECT_EQ(y.GoTop(), static_cast<long>(r.entries[0].second) - 1);
    for (size_t i = 1; i < r.entries.size(); ++i) {
      ASSERT_EQ(y.Skip(), static_cast<long>(r.entries[i].second) - 1) << i;
      ASSERT_EQ(std::string(y.m_szKey), r.entries[i].first);
    }
    EXPECT_EQ(y.Skip(), -1);
    for (size_t i = r.entries.size() - 1; i-- > 0;)
      ASSERT_EQ(y.RevSkip(), static_cast<long>(r.entries[i].second) - 1);
    EXPECT_EQ(y.RevSkip(), -1);
    EXPECT_EQ(y.GoBottom(), static_cast<long>(r.entries.back().second) - 1);
    EXPECT_EQ(y.Seek("z"), -1);  // past every key of every index node

    // Every prefix seek finds the first entry with that prefix.
    for (int probe = 0; probe < 300; ++probe) {
      std::string key;
      int len = random.Range(0, std::min(key_len, 3));
      for (int c = 0; c < len; ++c)
        key += static_cast<char>('a' + random.Range(0, 3 + key_len / 4));
      auto first = std::find_if(r.entries.begin(), r.entries.end(), [&](const auto& e) {
        return e.first.compare(0, key.size(), key) == 0;
      });
      long expect = first == r.entries.end() ? -1 : static_cast<long>(first->second) - 1;
      ASSERT_EQ(y.Seek(key.c_str()), expect) << key;
    }
  }
}

TEST_F(IdxTest, SeekEdgesAndSkipPastTheEnds) {
  std::string path = MakeIndex("k.idx", 5);
  IDX x(path.c_str(), 1);
  const char* keys[] = {"apple", "apply", "bee", "beech", "cat"};
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(IdxInsertKey(x, i + 1, keys[i]));
  // The random inserts' probes try short prefixes; these, the edges.
  const std::pair<const char*, long> seeks[] = {
      {"bee", 2},      // "bee  " sorts before "beech"
      {"beec", 3},     // a prefix of the longer key only
      {"bz", -1},      // between keys
      {"zz", -1},      // past the last
      {"apples", -1},  // longer than any stored key
      {"cat  x", -1},  // padded, then more
  };
  for (const auto& [key, rec] : seeks) EXPECT_EQ(x.Seek(key), rec) << key;
  x.Seek("ap");
  EXPECT_STREQ(x.m_szKey, "apple");
  EXPECT_EQ(x.GoBottom(), 4);
  EXPECT_EQ(x.Skip(), -1);
  EXPECT_EQ(x.RevSkip(), 3);
  EXPECT_EQ(x.GoTop(), 0);
  EXPECT_EQ(x.RevSkip(), -1);
  EXPECT_EQ(x.Skip(), 1);
}

TEST_F(IdxTest, TableOrderedThroughIndex) {
  std::string table = MakeTable("t.dbf", "ID:C:10,PACK:C:8,START:N:10:1,WHEN:D,OK:L");
  std::string index = MakeIndex("t.idx", 10);
  DBF t(table.c_str(), 1);
  IDX x(index.c_str(), 1);
  ASSERT_TRUE(t.SetOrderTo(&x, "ID"));
  EXPECT_EQ(t.m_pIdx, &x);
  EXPECT_EQ(x.m_pDbf, &t);
  const char* ids[] = {"pear", "apple", "fig", "banana", "cherry"};
  for (const char* id : ids) {
    t.AppendBlank();
    ASSERT_TRUE(t.Write("ID", id));
    ASSERT_TRUE(t.IdxInsert());
  }
  ASSERT_TRUE(t.GoTop());
  std::vector<long> order;
  do order.push_back(t.RecNo());
  while (t.Skip(1));
  EXPECT_EQ(order, (std::vector<long>{1, 3, 4, 2, 0}));
  EXPECT_EQ(t.RecNo(), 0);  // the walk stopped on the last one
  EXPECT_TRUE(t.Skip(-2));
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_TRUE(t.GoBottom());
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_TRUE(t.Seek("fi"));
  EXPECT_EQ(t.RecNo(), 2);
  t.m_nRecNo = 1;
  EXPECT_FALSE(t.Seek("grape"));
  EXPECT_EQ(t.RecNo(), 0);  // moved to the bottom

  // Typed inserts through the table's field types; refused values leave
  // the file as it was.
  const std::string before = ReadFile(index);
  ASSERT_TRUE(t.SetOrderTo(&x, "WHEN"));
  EXPECT_FALSE(x.Insert(1, "2026"));
  EXPECT_EQ(WithoutSite(LastMessage(), "idx.cpp"), "Data field value error :2026!/n ");
  ASSERT_TRUE(t.SetOrderTo(&x, "OK"));
  EXPECT_FALSE(x.Insert(1, "x"));
  EXPECT_EQ(WithoutSite(LastMessage(), "idx.cpp"), "Logic field value error!/n ");
  EXPECT_FALSE(x.Insert(1, "TT"));
  EXPECT_EQ(WithoutSite(LastMessage(), "idx.cpp"), "Logic field value error:TT!/n ");
  EXPECT_EQ(ReadFile(index), before);
  // Numbers become keys in the field's text form.
  ASSERT_TRUE(t.SetOrderTo(&x, "START"));
  ASSERT_TRUE(x.Insert(7, 12.25));
  ASSERT_TRUE(x.Insert(8, 3.0));
  EXPECT_EQ(x.Seek("       3.0"), 7);
  EXPECT_EQ(x.Seek("      12.2"), 6);
  EXPECT_FALSE(t.SetOrderTo(&x, "NOPE"));
  EXPECT_EQ(WithoutSite(LastMessage(), "dbf.cpp"), "Not found field NOPE\n ");
  EXPECT_EQ(t.m_pIdx, &x);  // the link stays

  // Links are cleared by whichever side goes first.
  {
    IDX y(index.c_str(), 1);
    t.SetOrderTo(&y, "ID");
  }
  EXPECT_EQ(t.m_pIdx, nullptr);
  {
    DBF u(table.c_str(), 1);
    u.SetOrderTo(&x, "ID");
  }
  EXPECT_EQ(x.m_pDbf, nullptr);
}

TEST_F(IdxTest, RebuildFromTable) {
  for (int n : {0, 1, 35, 36, 500, 3000}) {
    SCOPED_TRACE(n);
    std::string table = MakeTable("b" + std::to_string(n) + ".dbf", "V:N:4,NAME:C:10");
    {
      DBF t(table.c_str(), 1);
      TestRandom random(static_cast<uint64_t>(n) + 5);
      std::vector<DbfRecord> rows;
      for (int i = 0; i < n; ++i) {
        // Few distinct names: many equal keys.
        DbfRecord row(t);
        row.Set("NAME", std::to_string(random.Range(0, n / 4 + 1)));
        rows.push_back(row);
      }
      ASSERT_TRUE(DbfAppendRecords(t, rows));
    }
    std::string index = dir_.File("b" + std::to_string(n) + ".idx");
    DBF t(table.c_str(), 1);
    t.m_nRecNo = n / 2;
    std::string error;
    ASSERT_TRUE(RebuildIdx(t, index, "NAME", error)) << error;
    EXPECT_EQ(t.m_nRecNo, n / 2);
    EXPECT_EQ(t.m_pIdx, nullptr);
    std::string bytes = ReadFile(index);
    TreeReader r(bytes);
    ASSERT_EQ(r.fault, "");
    // Sorted by key, equal keys in record order.
    std::vector<std::pair<std::string, uint32_t>> want;
    for (long rec = 0; rec < n; ++rec) {
      t.m_nRecNo = rec;
      char name[11];
      ASSERT_TRUE(t.Read(name, "NAME"));
      want.emplace_back(name, static_cast<uint32_t>(rec + 1));
    }
    std::stable_sort(want.begin(), want.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    ASSERT_EQ(r.entries, want);
    // Full nodes: 35 ten-byte entries each, the last of a level holds the rest.
    for (const auto& level : r.levels) {
      for (size_t i = 0; i + 1 < level.size(); ++i) EXPECT_EQ(level[i], 35);
      EXPECT_GE(level.back(), n ? 1 : 0);
    }
    IDX x(index.c_str(), 1);
    ASSERT_TRUE(IdxUsable(x));
    if (n == 0) {
      EXPECT_EQ(bytes, ReadFile(MakeIndex("empty.idx", 10)));
      continue;
    }
    // Inserts into the rebuilt tree, whose nodes are all full.
    for (int i = 0; i < 100; ++i)
      ASSERT_TRUE(IdxInsertKey(x, static_cast<long>(n + i + 1), std::to_string(i * 37 % 101)));
    TreeReader more(ReadFile(index));
    ASSERT_EQ(more.fault, "");
    EXPECT_EQ(more.entries.size(), want.size() + 100);
  }
  std::string table = dir_.File("b500.dbf");
  DBF t(table.c_str(), 1);
  std::string error;
  EXPECT_FALSE(RebuildIdx(t, dir_.File("x.idx"), "NOPE", error));
  EXPECT_EQ(error, "no field NOPE");
}

TEST_F(IdxTest, ASplitOnAFullDiskLeavesTheTreeAsItWas) {
  // Key length 10: 35 entries fill the root leaf; the 36th splits it.
  std::string table = MakeTable("split.dbf", "ID:C:10");
  std::string index = MakeIndex("split.idx", 10);
  {
    DBF t(table.c_str(), 1);
    IDX x(index.c_str(), 1);
    ASSERT_TRUE(t.SetOrderTo(&x, "ID"));
    for (int i = 0; i < 35; ++i) {
      t.AppendBlank();
      t.Write("ID", ("k" + std::to_string(100 + i)).c_str());
      ASSERT_TRUE(t.IdxInsert());
    }
  }
  const std::string before = ReadFile(index);
  ASSERT_EQ(before.size(), 1024u);
  // The table may grow by a record, the index by nothing.
  int code = RunUnderFileSizeLimit(ReadFile(table).size() + 64, [&] {
    DBF t(table.c_str(), 1);
    IDX x(index.c_str(), 1);
    t.SetOrderTo(&x, "ID");
    t.AppendBlank();
    if (!t.Write("ID", "k050")) return 1;
    if (t.IdxInsert()) return 2;
    return LastMessage().find("Failed to write file " + index + "!\n") == 0 ? 0 : 3;
  });
  ASSERT_EQ(code, 0);
  EXPECT_EQ(ReadFile(index), before);
  DBF t(table.c_str(), 1);
  IDX x(index.c_str(), 1);
  EXPECT_EQ(CheckIdxAgainstTable(t, x, "ID"),
            std::vector<std::string>{"record 36 is not in the index"});
}

// Damaged files end in -1 or a refused open; never a crash or a loop.
TEST_F(IdxTest, DamagedFilesAreRefused) {
  std::string path = MakeIndex("d.idx", 10);
  {
    IDX x(path.c_str(), 1);
    for (int i = 0; i < 200; ++i) {
      char k[11];
      std::snprintf(k, sizeof k, "key%05d", i);
      IdxInsertKey(x, i + 1, k);
    }
  }
  const std::string good = ReadFile(path);
  TreeReader r(good);
  ASSERT_EQ(r.fault, "");
  ASSERT_GE(r.leaves.size(), 4u);
  auto put32 = [](std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  const uint32_t root = TreeReader::U32(good, 0);
  const std::string bad_header = "Bad index header " + path + "!\n";
  // Every walk and insert fails (the key "a" goes down the first child);
  // some files still open, and say so when they cannot go to the top.
  const struct Case {
    const char* why;
    std::function<void(std::string&)> damage;
    bool opens;
    std::string message;  // how the last message begins; empty: any
  } cases[] = {
      {"key length 0", [](std::string& b) { b[12] = 0; }, false, bad_header},
      {"key length -3", [](std::string& b) { b[12] = -3; }, false, bad_header},
      {"key length 32", [](std::string& b) { b[12] = 32; }, false, bad_header},
      {"root 0", [&](std::string& b) { put32(b, 0, 0); }, false, ""},
      {"root off a node", [&](std::string& b) { put32(b, 0, 100); }, false, ""},
      {"root past the end", [&](std::string& b) { put32(b, 0, 1u << 30); }, false, ""},
      {"end past the file",
       [&](std::string& b) { put32(b, 8, static_cast<uint32_t>(b.size() + 512)); }, false, ""},
      {"cut inside a node", [](std::string& b) { b.resize(b.size() - 100); }, false, ""},
      {"100 entries in the root", [&](std::string& b) { b[root + 2] = 100; }, true,
       "Go top error during IDX opening!\n"},
      {"a child outside the file", [&](std::string& b) { b[root + 12 + 10] = 0x7F; }, true, ""},
      {"a node that is its own child",
       [&](std::string& b) {
         for (int i = 0; i < 4; ++i) b[root + 22 + i] = static_cast<char>(root >> (24 - 8 * i));
       },
       true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string b = good;
    c.damage(b);
    WriteFile(path, b);
    ClearHeadlessMessages();
    IDX x(path.c_str(), 1);
    EXPECT_EQ(IdxUsable(x), c.opens);
    EXPECT_EQ(LastMessage().rfind(c.message, 0), 0u) << LastMessage();
    EXPECT_EQ(x.GoTop(), -1);
    EXPECT_EQ(x.Seek("key"), -1);
    EXPECT_FALSE(IdxInsertKey(x, 1, "a"));
  }
  // A leaf chain that loops back on itself: skipping is bounded by the
  // caller, GoBottom by the number of blocks.
  std::string b = good;
  put32(b, r.leaves.back() + 8, r.leaves.front());
  WriteFile(path, b);
  IDX x(path.c_str(), 1);
  EXPECT_EQ(x.GoBottom(), -1);
  long steps = 0;
  x.GoTop();
  while (x.Skip() != -1 && steps < 1000) ++steps;
  EXPECT_EQ(steps, 1000);  // goes round, one step at a time, never stuck
  std::string missing = dir_.File("none");
  IDX y(missing.c_str(), 1);
  EXPECT_FALSE(IdxUsable(y));
  EXPECT_EQ(WithoutSite(LastMessage(), "idx.cpp"), "Not found file " + missing + ".idx!\n ");
}

}  // namespace
}  // namespace tessera::test
