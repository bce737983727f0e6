// Tables and indexes beside SQLite doing the same work.
//
//   IdxInsertAscending, IdxInsertRandom   20,000 key inserts into an empty
//                                         index / an indexed SQLite table
//   IdxRebuild                            an index over 100,000 records
//                                         built from the table / CREATE
//                                         INDEX over the same rows
//   IdxSeekRandom                         one prefix seek among 100,000 keys
//   IdxOrderedScan                        a walk over 100,000 keys in order
//   DbfLocate                             a search of 100,000 records for a
//                                         value in the last one (a column
//                                         without index on the SQLite side)
//   DbfAppendWrite                        10,000 records: AppendBlank and a
//                                         Write per field
//   DbfAppendRecord                       10,000 whole-record appends
//   DbfAppendExclusive                    the same through an exclusive open
//   DbfAppendBatch                        10,000 records in one batch
//
// Every table append and index insert is visible to other processes the
// moment it returns, so the SQLite peer commits each insert ("sqlite_wal":
// journal_mode=WAL, synchronous=NORMAL, the usual setting for many small
// writes; "sqlite_excl" adds locking_mode=EXCLUSIVE, SQLite's own single-
// writer mode, beside the exclusive open).  The batched cases run against one
// transaction for all rows ("sqlite_batch").  Neither side calls fsync.  The
// append tables on the SQLite side are plain rowid tables, as a table file
// is; the index cases keep an index on the key.  Before timing, each case
// builds both sides once and checks they hold the same rows (in the same
// key order for indexes); a mismatch fails the case.
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
#include "pack/dbf_record.h"
#include "pack/idx.h"
#include "pack/idx_create.h"
#include "pack/idx_walk.h"

namespace {

constexpr int kKeys = 100000;
constexpr int kInserts = 20000;
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

std::vector<int> Order(bool ascending, int n = kKeys) {
  std::vector<int> order(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<size_t>(i)] = i;
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

// How the SQLite side runs: one transaction for everything (kBatch), or
// every insert committed in WAL mode, shared or in exclusive locking mode.
enum class Mode { kBatch, kWal, kWalExclusive };

struct Db {
  sqlite3* db = nullptr;
  Mode mode;
  explicit Db(const std::string& name, Mode m = Mode::kBatch) : mode(m) {
    std::string path = Scratch() + "/" + name;
    for (const char* tail : {"", "-wal", "-shm", "-journal"}) std::remove((path + tail).c_str());
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
    if (mode == Mode::kBatch) {
      Exec("PRAGMA synchronous=OFF");
    } else {
      if (mode == Mode::kWalExclusive) Exec("PRAGMA locking_mode=EXCLUSIVE");
      Exec("PRAGMA journal_mode=WAL");
      Exec("PRAGMA synchronous=NORMAL");
    }
  }
  void Begin() {
    if (mode == Mode::kBatch) Exec("BEGIN");
  }
  void Commit() {
    if (mode == Mode::kBatch) Exec("COMMIT");
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
  d.Begin();
  sqlite3_stmt* s = d.Prepare("INSERT INTO t VALUES (?, ?)");
  for (int i : order) {
    std::string k = Key(i);
    sqlite3_bind_text(s, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(s, 2, i + 1);
    if (sqlite3_step(s) != SQLITE_DONE) std::abort();
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  d.Commit();
}

// The (key, record) pairs of an index in key order, and of the SQLite side.
std::vector<std::pair<std::string, long>> IndexRows(const std::string& path) {
  std::vector<std::pair<std::string, long>> rows;
  IDX index(path.c_str(), 0);
  std::string error;
  tessera::WalkIdx(
      index,
      [&](std::string_view key, uint32_t pointer) {
        rows.emplace_back(std::string(key), static_cast<long>(pointer));
        return true;
      },
      error);
  return rows;
}

std::vector<std::pair<std::string, long>> SqliteIndexRows(Db& d) {
  std::vector<std::pair<std::string, long>> rows;
  sqlite3_stmt* s = d.Prepare("SELECT k, rec FROM t ORDER BY k");
  while (sqlite3_step(s) == SQLITE_ROW)
    rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                      sqlite3_column_int(s, 1));
  sqlite3_finalize(s);
  return rows;
}

// ---------------------------------------------------------------- inserts

void InsertTesseraOnce(const std::string& path, const std::vector<int>& order) {
  IDX index(path.c_str(), 0);
  for (int i : order) tessera::IdxInsertKey(index, i + 1, Key(i));
}

// Both sides once, compared, before any timing.
bool SameInserts(bool ascending) {
  std::vector<int> order = Order(ascending, kInserts);
  std::string path = FreshIndex("check.idx");
  InsertTesseraOnce(path, order);
  Db d("check.db");
  SqliteInsert(d, order);
  auto mine = IndexRows(path);
  return mine.size() == static_cast<size_t>(kInserts) && mine == SqliteIndexRows(d);
}

void InsertTessera(benchmark::State& state, bool ascending) {
  if (!SameInserts(ascending)) return state.SkipWithError("the two sides hold different rows");
  std::vector<int> order = Order(ascending, kInserts);
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshIndex("insert.idx");
    state.ResumeTiming();
    InsertTesseraOnce(path, order);
  }
  state.SetItemsProcessed(state.iterations() * kInserts);
}

void InsertSqlite(benchmark::State& state, bool ascending, Mode mode) {
  std::vector<int> order = Order(ascending, kInserts);
  for (auto _ : state) {
    Db d("insert.db", mode);
    SqliteInsert(d, order);
  }
  state.SetItemsProcessed(state.iterations() * kInserts);
}

void IdxInsertAscending_tessera(benchmark::State& s) { InsertTessera(s, true); }
void IdxInsertAscending_wal(benchmark::State& s) { InsertSqlite(s, true, Mode::kWal); }
void IdxInsertAscending_batch(benchmark::State& s) { InsertSqlite(s, true, Mode::kBatch); }
void IdxInsertRandom_tessera(benchmark::State& s) { InsertTessera(s, false); }
void IdxInsertRandom_wal(benchmark::State& s) { InsertSqlite(s, false, Mode::kWal); }
void IdxInsertRandom_batch(benchmark::State& s) { InsertSqlite(s, false, Mode::kBatch); }
BENCHMARK(IdxInsertAscending_tessera)
    ->Name("IdxInsertAscending/tessera")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(IdxInsertAscending_wal)
    ->Name("IdxInsertAscending/sqlite_wal")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(IdxInsertAscending_batch)
    ->Name("IdxInsertAscending/sqlite_batch")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(IdxInsertRandom_tessera)
    ->Name("IdxInsertRandom/tessera")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(IdxInsertRandom_wal)
    ->Name("IdxInsertRandom/sqlite_wal")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(IdxInsertRandom_batch)
    ->Name("IdxInsertRandom/sqlite_batch")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

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
    Db* db = new Db("full.db", Mode::kBatch);
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
    std::vector<tessera::DbfField> fields = {
        tessera::MakeDbfField("ID", 'C', 10), tessera::MakeDbfField("NAME", 'C', 20),
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
    if (!t.Locate("NAME", 1, want.c_str()) || t.RecNo() != kKeys - 1)
      state.SkipWithError("not found");
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void DbfLocate_sqlite(benchmark::State& state) {
  Db& d = TableDb();
  sqlite3_stmt* s = d.Prepare("SELECT rowid FROM r WHERE name = ? LIMIT 1");
  std::string want = "name" + std::to_string(kKeys - 1);
  for (auto _ : state) {
    sqlite3_bind_text(s, 1, want.data(), static_cast<int>(want.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW || sqlite3_column_int(s, 0) != kKeys)
      state.SkipWithError("not found");
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(DbfLocate_tessera)->Name("DbfLocate/tessera")->Unit(benchmark::kMillisecond);
BENCHMARK(DbfLocate_sqlite)->Name("DbfLocate/sqlite")->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- rebuild

void IdxRebuild_tessera(benchmark::State& state) {
  DBF t(FullTable().c_str(), 0);
  std::string path = Scratch() + "/rebuild.idx";
  std::string error;
  if (!tessera::RebuildIdx(t, path, "ID", error)) return state.SkipWithError(error.c_str());
  // Same rows as SQLite's index over the same keys (ID i is record i + 1).
  auto mine = IndexRows(path);
  if (mine != SqliteIndexRows(FullDb()))
    return state.SkipWithError("the two sides hold different rows");
  for (auto _ : state)
    if (!tessera::RebuildIdx(t, path, "ID", error)) state.SkipWithError(error.c_str());
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void IdxRebuild_sqlite(benchmark::State& state) {
  Db& d = TableDb();
  for (auto _ : state) {
    d.Exec("DROP INDEX IF EXISTS rebuilt");
    d.Exec("CREATE INDEX rebuilt ON r(id)");
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(IdxRebuild_tessera)->Name("IdxRebuild/tessera")->Unit(benchmark::kMillisecond);
BENCHMARK(IdxRebuild_sqlite)->Name("IdxRebuild/sqlite_batch")->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- appends

std::string FreshTable() {
  std::vector<tessera::DbfField> fields = {
      tessera::MakeDbfField("ID", 'C', 10), tessera::MakeDbfField("NAME", 'C', 20),
      tessera::MakeDbfField("START", 'N', 10), tessera::MakeDbfField("END", 'N', 10)};
  std::string path = Scratch() + "/append.dbf";
  std::string error;
  if (!tessera::CreateDbf(path, fields, error)) std::abort();
  return path;
}

enum class Append { kWrite, kRecord, kExclusive, kBatch };

void AppendTessera(const std::string& path, Append how) {
  DBF t(path.c_str(), how == Append::kExclusive ? 1 : 0);
  if (how == Append::kWrite) {
    for (int i = 0; i < kAppends; ++i) {
      t.AppendBlank();
      t.Write("ID", Key(i).c_str());
      t.Write("NAME", "appended");
      t.Write("START", static_cast<double>(i));
      t.Write("END", static_cast<double>(i + 1));
    }
    return;
  }
  tessera::DbfRecord r(t);
  std::vector<tessera::DbfRecord> all;
  if (how == Append::kBatch) all.reserve(kAppends);
  for (int i = 0; i < kAppends; ++i) {
    r.Set("ID", Key(i).c_str());
    r.Set("NAME", "appended");
    r.Set("START", static_cast<double>(i));
    r.Set("END", static_cast<double>(i + 1));
    if (how == Append::kBatch)
      all.push_back(r);
    else
      tessera::DbfAppendRecord(t, r);
  }
  if (how == Append::kBatch) tessera::DbfAppendRecords(t, all);
}

void AppendSqlite(Db& d) {
  d.Exec("CREATE TABLE r (id TEXT, name TEXT, start INTEGER, end_ INTEGER)");
  d.Begin();
  sqlite3_stmt* s = d.Prepare("INSERT INTO r VALUES (?, ?, ?, ?)");
  for (int i = 0; i < kAppends; ++i) {
    std::string k = Key(i);
    sqlite3_bind_text(s, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, "appended", 8, SQLITE_STATIC);
    sqlite3_bind_int(s, 3, i);
    sqlite3_bind_int(s, 4, i + 1);
    if (sqlite3_step(s) != SQLITE_DONE) std::abort();
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  d.Commit();
}

// Each row as text "id|name|start|end", both sides, in record order.
std::vector<std::string> TableRows(const std::string& path) {
  std::vector<std::string> rows;
  DBF t(path.c_str(), 0);
  for (long r = 0; r < t.RecCount(); ++r) {
    t.m_nRecNo = r;
    char id[11], name[21];
    long start = -1, end = -1;
    t.Read(id, "ID");
    t.Read(name, "NAME");
    t.Read(start, "START");
    t.Read(end, "END");
    std::string n = name;
    while (!n.empty() && n.back() == ' ') n.pop_back();
    rows.push_back(std::string(id) + "|" + n + "|" + std::to_string(start) + "|" +
                   std::to_string(end));
  }
  return rows;
}

std::vector<std::string> SqliteRows(Db& d) {
  std::vector<std::string> rows;
  sqlite3_stmt* s = d.Prepare("SELECT id, name, start, end_ FROM r ORDER BY rowid");
  while (sqlite3_step(s) == SQLITE_ROW)
    rows.push_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) + "|" +
                   reinterpret_cast<const char*>(sqlite3_column_text(s, 1)) + "|" +
                   std::to_string(sqlite3_column_int(s, 2)) + "|" +
                   std::to_string(sqlite3_column_int(s, 3)));
  sqlite3_finalize(s);
  return rows;
}

bool SameAppends(Append how) {
  std::string path = FreshTable();
  AppendTessera(path, how);
  Db d("check.db");
  AppendSqlite(d);
  auto mine = TableRows(path);
  return mine.size() == static_cast<size_t>(kAppends) && mine == SqliteRows(d);
}

void AppendCase(benchmark::State& state, Append how) {
  if (!SameAppends(how)) return state.SkipWithError("the two sides hold different rows");
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshTable();
    state.ResumeTiming();
    AppendTessera(path, how);
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}

void AppendSqliteCase(benchmark::State& state, Mode mode) {
  for (auto _ : state) {
    Db d("append.db", mode);
    AppendSqlite(d);
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}

void DbfAppendWrite_tessera(benchmark::State& s) { AppendCase(s, Append::kWrite); }
void DbfAppendRecord_tessera(benchmark::State& s) { AppendCase(s, Append::kRecord); }
void DbfAppendExclusive_tessera(benchmark::State& s) { AppendCase(s, Append::kExclusive); }
void DbfAppendBatch_tessera(benchmark::State& s) { AppendCase(s, Append::kBatch); }
void Append_wal(benchmark::State& s) { AppendSqliteCase(s, Mode::kWal); }
void Append_wal_exclusive(benchmark::State& s) { AppendSqliteCase(s, Mode::kWalExclusive); }
void Append_batch(benchmark::State& s) { AppendSqliteCase(s, Mode::kBatch); }
BENCHMARK(DbfAppendWrite_tessera)
    ->Name("DbfAppendWrite/tessera")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(Append_wal)
    ->Name("DbfAppendWrite/sqlite_wal")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(DbfAppendRecord_tessera)
    ->Name("DbfAppendRecord/tessera")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(Append_wal)
    ->Name("DbfAppendRecord/sqlite_wal")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(DbfAppendExclusive_tessera)
    ->Name("DbfAppendExclusive/tessera")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(Append_wal)
    ->Name("DbfAppendExclusive/sqlite_wal")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(Append_wal_exclusive)
    ->Name("DbfAppendExclusive/sqlite_excl")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(DbfAppendBatch_tessera)
    ->Name("DbfAppendBatch/tessera")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(Append_batch)
    ->Name("DbfAppendBatch/sqlite_batch")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
