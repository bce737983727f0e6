// tessera-pack: builds and checks resource packs and their databases.
//
// Everything goes through the library's own classes: new databases from
// the schema the library carries, resources appended by CRes (so a range
// is recorded only once its bytes are in the pack), look-ups and loads by
// CRes as the engine does them.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/gbk_text.h"
#include "common/tool_common.h"
#include "database/database.h"
#include "database/pack_res_database.h"
#include "database/schema.h"
#include "pack/pack_batch.h"
#include "pack/pack_list.h"
#include "pack/res.h"
#include "platform/path.h"
#include "platform/text_encoding.h"

namespace {

using tessera::tools::Fail;

const char kProgram[] = "tessera-pack";

const char kHelp[] =
    "Usage: tessera-pack <command> [arguments] [--root FOLDER]\n"
    "\n"
    "Builds the resource packs of a game and the databases that index them.\n"
    "A resource is found by an identifier of at most 10 bytes in RESTABLE of\n"
    "the game database, or else of the shared pack database\n"
    "FOLDER/data/Pack.mdb under the engine folder given with --root.\n"
    "\n"
    "Commands:\n"
    "  create-db DATABASE          Create an empty database with every table\n"
    "                              (game, shared pack or scene database).\n"
    "  create-shared               Create FOLDER/data/Pack.mdb (needs --root).\n"
    "  create-pack DATABASE PACK   Create an empty pack file for the pack name\n"
    "                              PACK: \\name.pak lies beside DATABASE,\n"
    "                              *data\\name.pak under the engine folder.\n"
    "  add DATABASE PACK ID FILE   Append FILE to PACK as resource ID.\n"
    "  add-dir DATABASE PACK DIR [--prefix P]\n"
    "                              Append every file of DIR (by name order).\n"
    "                              Identifiers are the file names without\n"
    "                              extension, or with --prefix P, P followed by\n"
    "                              the file's number, zero-padded to 10 bytes.\n"
    "  list DATABASE               Print every RESTABLE row: identifier, pack,\n"
    "                              start, end, length.\n"
    "  extract DATABASE ID OUT     Write resource ID (looked up as the engine\n"
    "                              does, shared database included) to OUT.\n"
    "  verify DATABASE [--strict]  Check that every row's range lies inside its\n"
    "                              pack file (dangling rows fail) and that no two\n"
    "                              rows share bytes (overlaps fail), and report\n"
    "                              pack bytes no row references (orphans: left\n"
    "                              by a re-added identifier or an interrupted\n"
    "                              add; with --strict they fail too).\n"
    "\n"
    "Identifiers are given in UTF-8 and stored as GBK.  Exit status: 0 done,\n"
    "1 failure.\n";

struct Options {
  std::vector<std::string> args;
  std::string root;
  std::string prefix;
  bool has_prefix = false;
  bool strict = false;
};

bool ParseOptions(const std::vector<std::string>& in, Options& out, std::string& error) {
  for (size_t i = 0; i < in.size(); ++i) {
    const std::string& a = in[i];
    if (a == "--root" || a == "--prefix") {
      if (i + 1 >= in.size()) {
        error = a + " needs a value";
        return false;
      }
      if (a == "--root") {
        out.root = in[++i];
        // The engine folder is a prefix that ends in a separator.
        if (!out.root.empty() && out.root.back() != '/' && out.root.back() != '\\') out.root += '/';
      } else {
        out.prefix = in[++i];
        out.has_prefix = true;
      }
    } else if (a == "--strict") {
      out.strict = true;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      error = "unknown option " + a;
      return false;
    } else {
      out.args.push_back(a);
    }
  }
  return true;
}

std::string Shown(const std::string& gbk) { return tessera::GbkToUtf8(gbk); }

bool FileExists(const std::string& engine_path) {
  struct stat st;
  return ::stat(tessera::NativePath(engine_path).c_str(), &st) == 0;
}

// A CRes over the game database; fails when the database cannot be opened.
struct Resource {
  explicit Resource(const Options& o, const std::string& db) : res(db.c_str(), o.root.c_str()) {}
  bool ok(const std::string& db) {
    CDataBase* d = AfxGetDataBase(db.c_str());
    return d && d->IsConnected();
  }
  CRes res;
};

int CreateDb(const Options& o) {
  if (o.args.size() != 2) return Fail(kProgram, "create-db needs DATABASE");
  std::string error;
  if (!tessera::CreateDataBaseFile(o.args[1], &error)) return Fail(kProgram, error);
  std::printf("created %s\n", o.args[1].c_str());
  return 0;
}

int CreateShared(const Options& o) {
  if (o.args.size() != 1 || o.root.empty()) return Fail(kProgram, "create-shared needs --root FOLDER");
  std::string path = tessera::SharedPackDataBasePath(o.root.c_str());
  std::filesystem::create_directories(std::filesystem::path(tessera::NativePath(path)).parent_path());
  std::string error;
  if (!tessera::CreateDataBaseFile(path, &error)) return Fail(kProgram, error);
  std::printf("created %s\n", tessera::NativePath(path).c_str());
  return 0;
}

int CreatePack(const Options& o) {
  if (o.args.size() != 3) return Fail(kProgram, "create-pack needs DATABASE PACK");
  std::string path = tessera::ResolvePackPath(o.args[1].c_str(), o.root.c_str(), o.args[2].c_str());
  if (path.empty()) return Fail(kProgram, "pack path too long");
  if (FileExists(path)) return Fail(kProgram, tessera::NativePath(path) + ": file exists already");
  std::FILE* f = tessera::OpenFile(path, "wb");
  if (!f) return Fail(kProgram, tessera::NativePath(path) + ": " + std::strerror(errno));
  std::fclose(f);
  std::printf("created %s\n", tessera::NativePath(path).c_str());
  return 0;
}

// Adds the files as one step (see pack/pack_batch.h): every byte is
// appended, synced and recorded, or nothing is, and "added" is printed only
// for what is stored.  A short write (a full disk) cuts the pack back and
// records no row.
bool AddAll(CRes& res, const std::vector<tessera::PackBatchItem>& items, const std::string& pack) {
  std::vector<tessera::PackBatchRange> ranges;
  std::string error;
  if (!tessera::AddFilesToPack(res, pack, items, ranges, error)) {
    std::fprintf(stderr, "%s: nothing added to %s: %s\n", kProgram, pack.c_str(), error.c_str());
    return false;
  }
  for (const tessera::PackBatchItem& item : items) std::printf("added %s as %s\n", item.file.c_str(), Shown(item.id).c_str());
  return true;
}

int Add(const Options& o) {
  if (o.args.size() != 5) return Fail(kProgram, "add needs DATABASE PACK ID FILE");
  std::string id;
  if (!tessera::tools::ToGbkExactly(o.args[3], id)) return Fail(kProgram, "identifier " + o.args[3] + " has characters GBK cannot hold");
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return Fail(kProgram, o.args[1] + ": not a database");
  return AddAll(r.res, {{o.args[4], id}}, o.args[2]) ? 0 : 1;
}

int AddDir(const Options& o) {
  if (o.args.size() != 4) return Fail(kProgram, "add-dir needs DATABASE PACK DIR");
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(o.args[3], ec))
    if (e.is_regular_file()) files.push_back(e.path());
  if (ec) return Fail(kProgram, o.args[3] + ": " + ec.message());
  std::sort(files.begin(), files.end());

  // Work the identifiers out first: a clash or an overlong name stops the
  // run before any byte is written.
  std::vector<std::string> ids;
  std::map<std::string, std::string> taken;
  for (size_t i = 0; i < files.size(); ++i) {
    std::string id;
    if (o.has_prefix) {
      std::string number = std::to_string(i);
      std::string p;
      if (!tessera::tools::ToGbkExactly(o.prefix, p)) return Fail(kProgram, "prefix has characters GBK cannot hold");
      if (p.size() + number.size() > 10) return Fail(kProgram, "prefix too long for " + std::to_string(files.size()) + " files");
      id = p + std::string(10 - p.size() - number.size(), '0') + number;
    } else if (!tessera::tools::ToGbkExactly(files[i].stem().string(), id)) {
      return Fail(kProgram, files[i].string() + ": name has characters GBK cannot hold; use --prefix");
    }
    if (id.empty() || id.size() > 10)
      return Fail(kProgram, files[i].string() + ": identifier '" + Shown(id) + "' is not 1 to 10 bytes; use --prefix");
    if (taken.count(id)) return Fail(kProgram, files[i].string() + " and " + taken[id] + " both give " + Shown(id));
    taken[id] = files[i].string();
    ids.push_back(id);
  }
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return Fail(kProgram, o.args[1] + ": not a database");
  std::vector<tessera::PackBatchItem> items;
  for (size_t i = 0; i < files.size(); ++i) items.push_back({files[i].string(), ids[i]});
  return AddAll(r.res, items, o.args[2]) ? 0 : 1;
}

struct Row {
  std::string id, pack;
  int32_t start = 0, end = 0;
};

bool ReadRows(const std::string& db_path, std::vector<Row>& rows) {
  CDataBase db;
  if (!db.ConnectAccess(db_path.c_str())) return false;
  tessera::RecordsetPtr rs;
  if (!db.OpenSource("SELECT * FROM [RESTABLE] order by [ID]", rs)) return false;
  for (db.GetRecordCount(rs); !rs->IsEOF(); rs->MoveNext()) {
    stPackResInfo info;
    Row row;
    if (!rs->GetText(0, info.szID, sizeof info.szID) || !rs->GetText(1, info.szPackName, sizeof info.szPackName) ||
        !rs->GetInt32(2, row.start) || !rs->GetInt32(3, row.end)) {
      std::fprintf(stderr, "%s: row %zu of RESTABLE cannot be read\n", kProgram, rs->CurrentRow() + 1);
      row.start = -1;
      row.end = -2;
    }
    row.id = info.szID;
    row.pack = info.szPackName;
    while (!row.pack.empty() && row.pack.back() == ' ') row.pack.pop_back();
    rows.push_back(row);
  }
  return true;
}

int List(const Options& o) {
  if (o.args.size() != 2) return Fail(kProgram, "list needs DATABASE");
  std::vector<Row> rows;
  if (!ReadRows(o.args[1], rows)) return Fail(kProgram, o.args[1] + ": not a database with RESTABLE");
  for (const Row& r : rows)
    std::printf("%s\t%s\t%d\t%d\t%lld\n", Shown(r.id).c_str(), r.pack.c_str(), r.start, r.end,
                static_cast<long long>(r.end) - r.start);
  return 0;
}

int Extract(const Options& o) {
  if (o.args.size() != 4) return Fail(kProgram, "extract needs DATABASE ID OUT");
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return Fail(kProgram, o.args[1] + ": not a database");
  unsigned char* buffer = nullptr;
  std::string id;
  if (!tessera::tools::ToGbkExactly(o.args[2], id)) return Fail(kProgram, "identifier " + o.args[2] + " has characters GBK cannot hold");
  int n = r.res.LoadData(buffer, id.c_str());
  if (n == 0) return Fail(kProgram, "no resource " + o.args[2]);
  std::FILE* out = std::fopen(o.args[3].c_str(), "wb");
  bool ok = out && std::fwrite(buffer, 1, static_cast<size_t>(n - 1), out) == static_cast<size_t>(n - 1);
  if (out && std::fclose(out) != 0) ok = false;
  delete[] buffer;
  if (!ok) return Fail(kProgram, o.args[3] + ": cannot write");
  std::printf("extracted %s: %d bytes\n", o.args[2].c_str(), n - 1);
  return 0;
}

int Verify(const Options& o) {
  if (o.args.size() != 2) return Fail(kProgram, "verify needs DATABASE");
  std::vector<Row> rows;
  if (!ReadRows(o.args[1], rows)) return Fail(kProgram, o.args[1] + ": not a database with RESTABLE");

  struct Range {
    long long start, end;
    std::string id;
    bool operator<(const Range& o) const { return start != o.start ? start < o.start : end < o.end; }
  };
  struct PackFile {
    long long size = -1;
    std::vector<Range> ranges;
  };
  std::map<std::string, PackFile> packs;  // by resolved path
  int dangling = 0;
  for (const Row& r : rows) {
    std::string path = tessera::ResolvePackPath(o.args[1].c_str(), o.root.c_str(), r.pack.c_str());
    PackFile& p = packs[path];
    if (p.size < 0) {
      struct stat st;
      if (!path.empty() && ::stat(tessera::NativePath(path).c_str(), &st) == 0) p.size = st.st_size;
    }
    const char* why = nullptr;
    if (p.size < 0)
      why = "pack file missing";
    else if (r.start < 0 || r.end < r.start)
      why = "bad range";
    else if (r.end > p.size)
      why = "range past the end of the pack";
    if (why) {
      std::printf("dangling %s: %s [%d, %d) in %s (size %lld)\n", Shown(r.id).c_str(), why, r.start, r.end,
                  tessera::NativePath(path).c_str(), p.size);
      ++dangling;
    } else {
      p.ranges.push_back({r.start, r.end, r.id});
    }
  }
  long long orphan_bytes = 0;
  int overlaps = 0;
  for (auto& entry : packs) {
    const std::string& path = entry.first;
    PackFile& p = entry.second;
    if (p.size < 0) continue;
    std::sort(p.ranges.begin(), p.ranges.end());
    long long covered = 0;  // every byte below this is referenced
    auto report = [&](long long from, long long to) {
      std::printf("orphan bytes [%lld, %lld) in %s\n", from, to, tessera::NativePath(path).c_str());
      orphan_bytes += to - from;
    };
    // Rows that share bytes: two resources cannot both be right (two
    // writers that took the same end, a row edited by hand).  Empty ranges
    // hold no bytes and overlap nothing.
    const Range* reach = nullptr;  // the row reaching furthest so far
    for (const Range& r : p.ranges) {
      if (r.start > covered) report(covered, r.start);
      if (reach && r.end > r.start && r.start < reach->end) {
        std::printf("overlap %s [%lld, %lld) and %s [%lld, %lld) in %s\n", Shown(reach->id).c_str(), reach->start,
                    reach->end, Shown(r.id).c_str(), r.start, r.end, tessera::NativePath(path).c_str());
        ++overlaps;
      }
      if (r.end > r.start && (!reach || r.end > reach->end)) reach = &r;
      covered = std::max(covered, r.end);
    }
    if (covered < p.size) report(covered, p.size);
  }
  std::printf("%zu rows, %zu pack files, %d dangling rows, %d overlapping rows, %lld orphan bytes\n", rows.size(),
              packs.size(), dangling, overlaps, orphan_bytes);
  return dangling > 0 || overlaps > 0 || (o.strict && orphan_bytes > 0) ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> raw = tessera::tools::Args(argc, argv);
  if (raw.empty()) {
    std::fputs(kHelp, stderr);
    return 1;
  }
  if (raw[0] == "--help" || raw[0] == "-h" || raw[0] == "help") {
    std::fputs(kHelp, stdout);
    return 0;
  }
  Options o;
  std::string error;
  if (!ParseOptions(raw, o, error)) return Fail(kProgram, error);
  if (o.args.empty()) return Fail(kProgram, "no command; see --help");
  // Packs named "\\name" lie in the database's folder, which the engine
  // finds by the path's last separator: give a bare file name one.
  if (o.args.size() > 1 && tessera::LastSeparator(o.args[1]) == std::string::npos) o.args[1] = "./" + o.args[1];
  const std::string& cmd = o.args[0];
  int rc;
  if (cmd == "create-db")
    rc = CreateDb(o);
  else if (cmd == "create-shared")
    rc = CreateShared(o);
  else if (cmd == "create-pack")
    rc = CreatePack(o);
  else if (cmd == "add")
    rc = Add(o);
  else if (cmd == "add-dir")
    rc = AddDir(o);
  else if (cmd == "list")
    rc = List(o);
  else if (cmd == "extract")
    rc = Extract(o);
  else if (cmd == "verify")
    rc = Verify(o);
  else
    rc = Fail(kProgram, "unknown command " + cmd + "; see --help");
  AfxReleaseDataBase(nullptr);
  return rc;
}
