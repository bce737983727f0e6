// Tables and indexes beside SQLite doing the same work on an indexed table.
//
//   IdxInsertAscending, IdxInsertRandom   100,000 key inserts into an empty
//                                         index / CREATE INDEX'd table
//   IdxSeekRandom                         one prefix seek among 100,000 keys
//   IdxOrderedScan                        a walk over 100,000 keys in order
//   DbfLocate                             a search of 100,000 records for a
//                                         value in the last one (a column
//                                         without index on the SQLite side)
//   DbfAppend                             10,000 records appended, fields set
//
// Both sides write to files in one scratch folder.  SQLite runs with
// synchronous=OFF and one transaction per batch, as a user would load data;
// neither side calls fsync.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pack/dbf.h"
#include "pack/dbf_create.h"
#include "pack/idx.h"
#include "pack/idx_create.h"

namespace {

constexpr int kKeys = 100000;
constexpr int kAppends = 10000;

const std::string& Scratch() {
  static const std::string dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tessera-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    return tmpl;
  }();
  return dir;
}

struct ScratchCleanup {
  ~ScratchCleanup() {
    std::error_code ec;
    std::filesystem::remove_all(Scratch(), ec);
  }
} g_cleanup;

std::string Key(int i) {
  char k[16];
  std::snprintf(k, sizeof k, "K%09d", i);
  return k;
}

std::vector<int> Order(bool ascending) {
  std::vector<int> order(kKeys);
  for (int i = 0; i < kKeys; ++i) order[static_cast<size_t>(i)] = i;
  if (!ascending) std::shuffle(order.begin(), order.end(), std::mt19937(42));
  return order;
}

std::string FreshIndex(const std::string& name) {
  std::string path = Scratch() + "/" + name;
  std::string error;
  if (!tessera::CreateIdx(path, 10, error)) std::abort();
  return path;
}

// ---------------------------------------------------------------- SQLite

struct Db {
  sqlite3* db = nullptr;
  explicit Db(const std::string& name, bool fresh = true) {
    std::string path = Scratch() + "/" + name;
    if (fresh) std::remove(path.c_str());
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
    Exec("PRAGMA synchronous=OFF");
  }
  ~Db() { sqlite3_close(db); }
  void Exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) std::abort();
    return s;
  }
};

void SqliteInsert(Db& d, const std::vector<int>& order) {
  // The record number is the row id, which SQLite keeps in every index
  // entry: the index on k then holds what an index file holds, key and
  // record, and answers seeks and ordered scans by itself.
  d.Exec("CREATE TABLE t (k TEXT, rec INTEGER PRIMARY KEY)");
  d.Exec("CREATE INDEX tk ON t(k)");
  d.Exec("BEGIN");
  sqlite3_stmt* s = d.Prepare("INSERT INTO t VALUES (?, ?)");
  for (int i : order) {
    std::string k = Key(i);
    sqlite3_bind_text(s, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 2, i + 1);
    sqlite3_step(s);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  d.Exec("COMMIT");
}

// ---------------------------------------------------------------- inserts

void InsertTessera(benchmark::State& state, bool ascending) {
  std::vector<int> order = Order(ascending);
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshIndex("insert.idx");
    state.ResumeTiming();
    IDX index(path.c_str(), 1);
    for (int i : order) tessera::IdxInsertKey(index, i + 1, Key(i));
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void InsertSqlite(benchmark::State& state, bool ascending) {
  std::vector<int> order = Order(ascending);
  for (auto _ : state) {
    Db d("insert.db");
    SqliteInsert(d, order);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void IdxInsertAscending_tessera(benchmark::State& s) { InsertTessera(s, true); }
void IdxInsertAscending_sqlite(benchmark::State& s) { InsertSqlite(s, true); }
void IdxInsertRandom_tessera(benchmark::State& s) { InsertTessera(s, false); }
void IdxInsertRandom_sqlite(benchmark::State& s) { InsertSqlite(s, false); }
BENCHMARK(IdxInsertAscending_tessera)->Name("IdxInsertAscending/tessera")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IdxInsertAscending_sqlite)->Name("IdxInsertAscending/sqlite")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IdxInsertRandom_tessera)->Name("IdxInsertRandom/tessera")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IdxInsertRandom_sqlite)->Name("IdxInsertRandom/sqlite")->Unit(benchmark::kMillisecond)->Iterations(3);

// ---------------------------------------------------------------- lookups

// A 100,000-key index and the same keys in SQLite, built once.
const std::string& FullIndex() {
  static const std::string path = [] {
    std::string p = FreshIndex("full.idx");
    IDX index(p.c_str(), 1);
    for (int i : Order(false)) tessera::IdxInsertKey(index, i + 1, Key(i));
    return p;
  }();
  return path;
}

Db& FullDb() {
  static Db* d = [] {
    Db* db = new Db("full.db");
    SqliteInsert(*db, Order(false));
    return db;
  }();
  return *d;
}

void IdxSeekRandom_tessera(benchmark::State& state) {
  IDX index(FullIndex().c_str(), 1);
  std::mt19937 random(7);
  long found = 0;
  for (auto _ : state) {
    std::string k = Key(static_cast<int>(random() % kKeys));
    found += index.Seek(k.c_str());
  }
  benchmark::DoNotOptimize(found);
}

void IdxSeekRandom_sqlite(benchmark::State& state) {
  Db& d = FullDb();
  sqlite3_stmt* s = d.Prepare("SELECT rec FROM t WHERE k >= ? ORDER BY k LIMIT 1");
  std::mt19937 random(7);
  long found = 0;
  for (auto _ : state) {
    std::string k = Key(static_cast<int>(random() % kKeys));
    sqlite3_bind_text(s, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) == SQLITE_ROW) found += sqlite3_column_int(s, 0);
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  benchmark::DoNotOptimize(found);
}
BENCHMARK(IdxSeekRandom_tessera)->Name("IdxSeekRandom/tessera");
BENCHMARK(IdxSeekRandom_sqlite)->Name("IdxSeekRandom/sqlite");

void IdxOrderedScan_tessera(benchmark::State& state) {
  IDX index(FullIndex().c_str(), 1);
  for (auto _ : state) {
    long sum = index.GoTop();
    long n = 1;
    for (long r; (r = index.Skip()) != -1; ++n) sum += r;
    if (n != kKeys) state.SkipWithError("short walk");
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void IdxOrderedScan_sqlite(benchmark::State& state) {
  Db& d = FullDb();
  sqlite3_stmt* s = d.Prepare("SELECT rec FROM t ORDER BY k");
  for (auto _ : state) {
    long sum = 0, n = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      sum += sqlite3_column_int(s, 0);
      ++n;
    }
    sqlite3_reset(s);
    if (n != kKeys) state.SkipWithError("short walk");
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(s);
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(IdxOrderedScan_tessera)->Name("IdxOrderedScan/tessera")->Unit(benchmark::kMillisecond);
BENCHMARK(IdxOrderedScan_sqlite)->Name("IdxOrderedScan/sqlite")->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- tables

const std::string& FullTable() {
  static const std::string path = [] {
    std::string p = Scratch() + "/full.dbf";
    std::string error;
    std::vector<tessera::DbfField> fields = {tessera::MakeDbfField("ID", 'C', 10), tessera::MakeDbfField("NAME", 'C', 20),
                                             tessera::MakeDbfField("START", 'N', 10), tessera::MakeDbfField("END", 'N', 10)};
    if (!tessera::CreateDbf(p, fields, error)) std::abort();
    DBF t(p.c_str(), 1);
    for (int i = 0; i < kKeys; ++i) {
      t.AppendBlank();
      std::string name = "name" + std::to_string(i);
      t.Write("ID", Key(i).c_str());
      t.Write("NAME", name.c_str());
      t.Write("START", static_cast<double>(i));
      t.Write("END", static_cast<double>(i + 1));
    }
    return p;
  }();
  return path;
}

Db& TableDb() {
  static Db* d = [] {
    Db* db = new Db("table.db");
    db->Exec("CREATE TABLE r (id TEXT, name TEXT, start INTEGER, end_ INTEGER)");
    db->Exec("CREATE INDEX rid ON r(id)");
    db->Exec("BEGIN");
    sqlite3_stmt* s = db->Prepare("INSERT INTO r VALUES (?, ?, ?, ?)");
    for (int i = 0; i < kKeys; ++i) {
      std::string k = Key(i), name = "name" + std::to_string(i);
      sqlite3_bind_text(s, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int(s, 3, i);
      sqlite3_bind_int(s, 4, i + 1);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    db->Exec("COMMIT");
    return db;
  }();
  return *d;
}

void DbfLocate_tessera(benchmark::State& state) {
  DBF t(FullTable().c_str(), 1);
  std::string want = "name" + std::to_string(kKeys - 1);
  for (auto _ : state) {
    t.m_nRecNo = 0;
    if (!t.Locate("NAME", 1, want.c_str()) || t.RecNo() != kKeys - 1) state.SkipWithError("not found");
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void DbfLocate_sqlite(benchmark::State& state) {
  Db& d = TableDb();
  sqlite3_stmt* s = d.Prepare("SELECT rowid FROM r WHERE name = ? LIMIT 1");
  std::string want = "name" + std::to_string(kKeys - 1);
  for (auto _ : state) {
    sqlite3_bind_text(s, 1, want.data(), static_cast<int>(want.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW || sqlite3_column_int(s, 0) != kKeys) state.SkipWithError("not found");
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(DbfLocate_tessera)->Name("DbfLocate/tessera")->Unit(benchmark::kMillisecond);
BENCHMARK(DbfLocate_sqlite)->Name("DbfLocate/sqlite")->Unit(benchmark::kMillisecond);

void DbfAppend_tessera(benchmark::State& state) {
  std::vector<tessera::DbfField> fields = {tessera::MakeDbfField("ID", 'C', 10), tessera::MakeDbfField("NAME", 'C', 20),
                                           tessera::MakeDbfField("START", 'N', 10), tessera::MakeDbfField("END", 'N', 10)};
  std::string path = Scratch() + "/append.dbf";
  for (auto _ : state) {
    state.PauseTiming();
    std::string error;
    if (!tessera::CreateDbf(path, fields, error)) std::abort();
    state.ResumeTiming();
    DBF t(path.c_str(), 1);
    for (int i = 0; i < kAppends; ++i) {
      t.AppendBlank();
      t.Write("ID", Key(i).c_str());
      t.Write("NAME", "appended");
      t.Write("START", static_cast<double>(i));
      t.Write("END", static_cast<double>(i + 1));
    }
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}

void DbfAppend_sqlite(benchmark::State& state) {
  for (auto _ : state) {
    Db d("append.db");
    d.Exec("CREATE TABLE r (id TEXT, name TEXT, start INTEGER, end_ INTEGER)");
    d.Exec("CREATE INDEX rid ON r(id)");
    d.Exec("BEGIN");
    sqlite3_stmt* s = d.Prepare("INSERT INTO r VALUES (?, ?, ?, ?)");
    for (int i = 0; i < kAppends; ++i) {
      std::string k = Key(i);
      sqlite3_bind_text(s, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, "appended", 8, SQLITE_STATIC);
      sqlite3_bind_int(s, 3, i);
      sqlite3_bind_int(s, 4, i + 1);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    d.Exec("COMMIT");
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(DbfAppend_tessera)->Name("DbfAppend/tessera")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(DbfAppend_sqlite)->Name("DbfAppend/sqlite")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
