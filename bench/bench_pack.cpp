// Loading resources by identifier, and appending them.
//
// LoadData of CRes against the bare minimum the same job needs: one
// prepared SQLite look-up and a pread of the bytes from an open pack file
// ("sqlite"), and opening and reading a loose file of the same size
// ("file").  RESTABLEs of 10,000 and 100,000 rows; hits in the game
// database, hits only in the shared pack database (the bare peer then also
// looks in both), and misses; 1 KiB and 64 KiB resources.  Appending: 1,000
// AddDataToPack calls against a prepared INSERT plus a write to the pack.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/schema.h"
#include "pack/res.h"
#include "platform/message_sink.h"

namespace {

constexpr int kResources = 16;  // distinct resources per size in each pack
constexpr int kProbes = 1024;   // identifiers cycled through per case

std::string Id(char tag, int i) {
  char id[16];
  std::snprintf(id, sizeof id, "%c%09d", tag, i);
  return id;
}

size_t SizeOf(int row) { return row % 2 == 0 ? 1024 : 65536; }

// One data set: a game database and a shared pack database of `rows` rows
// each, their packs, and loose copies of the resources.
struct DataSet {
  std::string dir, game, shared, root;
  int rows = 0;
};

std::string g_top;

void Fill(const std::string& db_path, const std::string& pack_path, const std::string& pack_name,
          char tag, int rows) {
  // The pack: kResources resources of 1 KiB, then kResources of 64 KiB.
  std::vector<long> small_at, large_at;
  std::FILE* pack = std::fopen(pack_path.c_str(), "wb");
  long pos = 0;
  std::string bytes;
  for (int r = 0; r < 2 * kResources; ++r) {
    size_t size = r < kResources ? 1024 : 65536;
    bytes.assign(size, static_cast<char>('a' + r % 26));
    std::fwrite(bytes.data(), 1, size, pack);
    (r < kResources ? small_at : large_at).push_back(pos);
    pos += static_cast<long>(size);
  }
  std::fclose(pack);

  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO [RESTABLE] VALUES (?,?,?,?)", -1, &insert, nullptr);
  for (int i = 0; i < rows; ++i) {
    std::string id = Id(tag, i);
    long start =
        SizeOf(i) == 1024 ? small_at[(i / 2) % kResources] : large_at[(i / 2) % kResources];
    sqlite3_bind_text(insert, 1, id.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, pack_name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert, 3, start);
    sqlite3_bind_int64(insert, 4, start + static_cast<long>(SizeOf(i)));
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

const DataSet& Data(int rows) {
  static std::map<int, DataSet> sets;
  auto it = sets.find(rows);
  if (it != sets.end()) return it->second;
  if (g_top.empty()) {
    char tmpl[] = "/tmp/tessera-bench-pack-XXXXXX";
    if (!::mkdtemp(tmpl)) std::abort();
    g_top = tmpl;
    std::atexit([] { std::filesystem::remove_all(g_top); });
  }
  DataSet d;
  d.rows = rows;
  d.dir = g_top + "/" + std::to_string(rows);
  std::filesystem::create_directories(d.dir + "/game");
  std::filesystem::create_directories(d.dir + "/data");
  d.root = d.dir + "/";
  d.game = d.dir + "/game/game.mdb";
  d.shared = d.root + "data\\Pack.mdb";
  if (!tessera::CreateDataBaseFile(d.game) || !tessera::CreateDataBaseFile(d.shared)) std::abort();
  Fill(d.game, d.dir + "/game/game.pak", "\\game.pak", 'g', rows);
  Fill(d.dir + "/data/Pack.mdb", d.dir + "/data/shared.pak", "*data\\shared.pak", 's', rows);
  // Loose copies for the file peer.
  std::string bytes;
  for (int r = 0; r < 2 * kResources; ++r) {
    bytes.assign(r < kResources ? 1024 : 65536, static_cast<char>('a' + r % 26));
    std::FILE* f = std::fopen((d.dir + "/loose" + std::to_string(r)).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return sets.emplace(rows, d).first->second;
}

enum Where { kGame, kShared, kMiss };

// The identifiers a case cycles through: spread over the whole table, all
// of one size.
std::vector<std::string> Probes(int rows, Where where, size_t size) {
  std::vector<std::string> ids;
  for (int k = 0; k < kProbes; ++k) {
    int i = static_cast<int>((static_cast<long long>(k) * 7919 * 2) % rows);  // even rows
    if (size == 65536) i += 1;
    ids.push_back(where == kGame ? Id('g', i) : where == kShared ? Id('s', i) : Id('m', i));
  }
  return ids;
}

class QuietSink : public tessera::MessageSink {
 public:
  void Show(std::string_view, std::string_view, tessera::MessageIcon) override {}
};

void LoadTessera(benchmark::State& state, int rows, Where where, size_t size) {
  const DataSet& d = Data(rows);
  std::vector<std::string> ids = Probes(rows, where, size);
  CRes res(d.game.c_str(), d.root.c_str());
  unsigned char* buffer = nullptr;
  size_t k = 0;
  for (auto _ : state) {
    int n = res.LoadData(buffer, ids[k++ % ids.size()].c_str());
    benchmark::DoNotOptimize(n);
    if (where != kMiss && n != static_cast<int>(size) + 1) state.SkipWithError("wrong length");
  }
  delete[] buffer;
}

// The bare job: a prepared look-up in the game database, then (unless
// found) in the shared one, then a pread of the range.
void LoadSqlite(benchmark::State& state, int rows, Where where, size_t size) {
  const DataSet& d = Data(rows);
  std::vector<std::string> ids = Probes(rows, where, size);
  sqlite3* game = nullptr;
  sqlite3* shared = nullptr;
  sqlite3_open_v2(d.game.c_str(), &game, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_open_v2((d.dir + "/data/Pack.mdb").c_str(), &shared, SQLITE_OPEN_READWRITE, nullptr);
  const char* sql = "SELECT [PACKNAME],[START],[END] FROM [RESTABLE] WHERE [ID] = ?";
  sqlite3_stmt* q[2] = {nullptr, nullptr};
  sqlite3_prepare_v2(game, sql, -1, &q[0], nullptr);
  sqlite3_prepare_v2(shared, sql, -1, &q[1], nullptr);
  int fds[2] = {::open((d.dir + "/game/game.pak").c_str(), O_RDONLY),
                ::open((d.dir + "/data/shared.pak").c_str(), O_RDONLY)};
  size_t k = 0;
  for (auto _ : state) {
    const std::string& id = ids[k++ % ids.size()];
    long n = 0;
    for (int w = 0; w < 2; ++w) {
      sqlite3_bind_text(q[w], 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
      if (sqlite3_step(q[w]) == SQLITE_ROW) {
        long start = sqlite3_column_int(q[w], 1), end = sqlite3_column_int(q[w], 2);
        unsigned char* buffer = new unsigned char[static_cast<size_t>(end - start) + 1];
        n = ::pread(fds[w], buffer, static_cast<size_t>(end - start), start);
        buffer[n] = 0;
        benchmark::DoNotOptimize(buffer);
        delete[] buffer;
        sqlite3_reset(q[w]);
        break;
      }
      sqlite3_reset(q[w]);
    }
    if (where != kMiss && n != static_cast<long>(size)) state.SkipWithError("wrong length");
  }
  for (int w = 0; w < 2; ++w) {
    sqlite3_finalize(q[w]);
    ::close(fds[w]);
  }
  sqlite3_close(game);
  sqlite3_close(shared);
}

// A loose file per resource: open, size, read, close.
void LoadFile(benchmark::State& state, int rows, size_t size) {
  const DataSet& d = Data(rows);
  std::vector<std::string> paths;
  for (int r = 0; r < kResources; ++r)
    paths.push_back(d.dir + "/loose" + std::to_string(size == 1024 ? r : kResources + r));
  size_t k = 0;
  for (auto _ : state) {
    int fd = ::open(paths[k++ % paths.size()].c_str(), O_RDONLY);
    struct stat st;
    ::fstat(fd, &st);
    unsigned char* buffer = new unsigned char[static_cast<size_t>(st.st_size) + 1];
    ssize_t n = ::read(fd, buffer, static_cast<size_t>(st.st_size));
    buffer[n] = 0;
    benchmark::DoNotOptimize(buffer);
    delete[] buffer;
    ::close(fd);
  }
}

// 1,000 appends of 1 KiB under new identifiers, each recorded in RESTABLE.
void AddTessera(benchmark::State& state) {
  const DataSet& d = Data(10000);
  std::string pack = d.dir + "/game/add.pak";
  std::fclose(std::fopen(pack.c_str(), "wb"));
  CRes res(d.game.c_str(), d.root.c_str());
  std::vector<unsigned char> data(1024, 'x');
  static int next = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i)
      if (!res.AddDataToPack(data.data(), 1024, Id('t', next++).c_str(), "\\add.pak", nullptr))
        state.SkipWithError("add failed");
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}

void AddSqlite(benchmark::State& state) {
  const DataSet& d = Data(10000);
  std::string pack = d.dir + "/game/add2.pak";
  std::FILE* f = std::fopen(pack.c_str(), "wb");
  sqlite3* db = nullptr;
  sqlite3_open_v2(d.game.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO [RESTABLE] VALUES (?,'\\add2.pak',?,?)", -1,
                     &insert, nullptr);
  std::vector<unsigned char> data(1024, 'x');
  static int next = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      long start = std::ftell(f);
      std::fwrite(data.data(), 1, data.size(), f);
      std::fflush(f);
      std::string id = Id('u', next++);
      sqlite3_bind_text(insert, 1, id.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(insert, 2, start);
      sqlite3_bind_int64(insert, 3, start + 1024);
      if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("insert failed");
      sqlite3_reset(insert);
    }
  }
  state.SetItemsProcessed(state.iterations() * 1000);
  sqlite3_finalize(insert);
  sqlite3_close(db);
  std::fclose(f);
}

void Register() {
  tessera::SetMessageSink(std::make_unique<QuietSink>());
  for (int rows : {10000, 100000}) {
    std::string r = rows == 10000 ? "10k" : "100k";
    for (size_t size : {size_t(1024), size_t(65536)}) {
      std::string s = size == 1024 ? "1K" : "64K";
      for (Where where : {kGame, kShared}) {
        std::string c = std::string(where == kGame ? "LoadGame" : "LoadShared") + r + "_" + s;
        benchmark::RegisterBenchmark((c + "/tessera").c_str(), LoadTessera, rows, where, size);
        benchmark::RegisterBenchmark((c + "/sqlite").c_str(), LoadSqlite, rows, where, size);
        benchmark::RegisterBenchmark((c + "/file").c_str(), LoadFile, rows, size);
      }
    }
    std::string c = "LoadMiss" + r;
    benchmark::RegisterBenchmark((c + "/tessera").c_str(), LoadTessera, rows, kMiss, size_t(1024));
    benchmark::RegisterBenchmark((c + "/sqlite").c_str(), LoadSqlite, rows, kMiss, size_t(1024));
  }
  // Each append is a committed transaction on disk, so one pass of 1,000
  // takes seconds: one iteration is enough.
  benchmark::RegisterBenchmark("Add1000_1K/tessera", AddTessera)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  benchmark::RegisterBenchmark("Add1000_1K/sqlite", AddSqlite)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
