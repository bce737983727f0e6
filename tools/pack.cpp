// tessera-pack: builds and checks resource packs and their databases.
//
// Everything goes through the library's own classes: new databases from
// the schema the library carries, resources appended by CRes (so a range
// is recorded only once its bytes are in the pack), look-ups and loads by
// CRes as the engine does them, images converted to pack image records by
// engine/image_import.h.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/gbk_text.h"
#include "common/tool_common.h"
#include "database/database.h"
#include "database/pack_res_database.h"
#include "database/schema.h"
#include "engine/image_import.h"
#include "pack/pack_batch.h"
#include "pack/pack_list.h"
#include "pack/pack_name.h"
#include "pack/res.h"
#include "platform/path.h"
#include "platform/text_encoding.h"

namespace {

using tessera::tools::Fail;

const char kProgram[] = "tessera-pack";

const char kUsage[] =
    "usage: tessera-pack COMMAND ARGUMENTS [OPTIONS]   (tessera-pack --help lists them)\n";

const char kHelp[] =
    "Usage: tessera-pack COMMAND ARGUMENTS [OPTIONS]\n"
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
    "  create-pack DATABASE PACK   Create an empty pack file.\n"
    "  add DATABASE PACK ID FILE   Append FILE to PACK as it is, as resource ID.\n"
    "  add-image DATABASE PACK ID IMAGE\n"
    "                              Convert a PNG or BMP file into the pack image\n"
    "                              the display manager loads, append it as ID.\n"
    "  add-dir DATABASE PACK DIR   Append every file of DIR (by name order), with\n"
    "                              progress; says what it skipped.  Identifiers\n"
    "                              are the file names without extension, or with\n"
    "                              --prefix P, P followed by the file's number,\n"
    "                              zero-padded to 10 bytes.  With --images, only\n"
    "                              PNG and BMP files, converted as by add-image.\n"
    "  list DATABASE               Print every RESTABLE row: identifier, pack,\n"
    "                              start, end, length.\n"
    "  extract DATABASE ID OUT     Write resource ID (looked up as the engine\n"
    "                              does, shared database included) to OUT; with\n"
    "                              --png, a pack image as a PNG file.\n"
    "  verify DATABASE [--strict]  Check that every row's range lies inside its\n"
    "                              pack file (dangling rows fail) and that no two\n"
    "                              rows share bytes (overlaps fail), and report\n"
    "                              pack bytes no row references (orphans: left\n"
    "                              by a re-added identifier or an interrupted\n"
    "                              add; with --strict they fail too).\n"
    "  compact DATABASE [PACK]     Rewrite each pack of DATABASE (or only PACK)\n"
    "                              without orphan bytes, keeping every resource\n"
    "                              and moving its row.  The packs must be indexed\n"
    "                              by DATABASE alone.  Until the rows are moved\n"
    "                              the old pack is kept as PACK.bak.\n"
    "\n"
    "Pack names: an ordinary path is relative to the database's folder\n"
    "(game.pak, art/game.pak); the engine's forms \\game.pak (beside the\n"
    "database) and *data\\game.pak (under the engine folder) are kept as they\n"
    "are.  Names that would leave the folder are refused.\n"
    "\n"
    "Image options (add-image, add-dir --images):\n"
    "  --style keyed               (default) transparent pixels (alpha below 128,\n"
    "                              or the key colour) become the engine's colour\n"
    "                              key: load as style 0, 1 or 3.\n"
    "  --style plain               every pixel as drawn, transparency ignored.\n"
    "  --style alpha               colours as ID, opacity as a second resource\n"
    "                              named ID with its first character made 'A':\n"
    "                              load as style 2.  The opacity comes from\n"
    "                              --alpha-file FILE, else from the file a_IMAGE\n"
    "                              beside IMAGE (blue channel), else from the\n"
    "                              PNG's transparency.\n"
    "  --key RRGGBB | none         the key colour (default ff00ff, magenta).\n"
    "Extract options: --png writes a PNG (the key colour transparent); with\n"
    "--alpha the opacity resource 'A...' becomes its alpha channel.\n"
    "\n"
    "Other options: --root FOLDER (the engine folder), --prefix P, --strict,\n"
    "--help, --version.\n"
    "\n"
    "Identifiers are given in UTF-8 and stored as GBK.  Exit status: 0 done,\n"
    "1 failure, 2 usage error.\n";

struct Options {
  std::vector<std::string> args;
  std::string root;
  std::string prefix;
  bool has_prefix = false;
  bool strict = false;
  bool images = false;
  bool png = false;
  bool alpha = false;
  tessera::ImportStyle style = tessera::ImportStyle::kKeyed;
  uint32_t key = 0xFF00FF;
  std::string alpha_file;
};

// A usage error: the message, the usage line, status 2.
int Usage(const std::string& message) {
  return tessera::tools::UsageError(kProgram, kUsage, message);
}

bool ParseOptions(const std::vector<std::string>& in, Options& out, std::string& error) {
  for (size_t i = 0; i < in.size(); ++i) {
    const std::string& a = in[i];
    const bool takes_value =
        a == "--root" || a == "--prefix" || a == "--style" || a == "--key" || a == "--alpha-file";
    if (takes_value) {
      if (i + 1 >= in.size()) {
        error = a + " needs a value";
        return false;
      }
      const std::string& v = in[++i];
      if (a == "--root") {
        out.root = v;
        // The engine folder is a prefix that ends in a separator.
        if (!out.root.empty() && out.root.back() != '/' && out.root.back() != '\\') out.root += '/';
      } else if (a == "--prefix") {
        out.prefix = v;
        out.has_prefix = true;
      } else if (a == "--style") {
        if (v == "plain")
          out.style = tessera::ImportStyle::kPlain;
        else if (v == "keyed")
          out.style = tessera::ImportStyle::kKeyed;
        else if (v == "alpha")
          out.style = tessera::ImportStyle::kAlpha;
        else {
          error = "--style is plain, keyed or alpha, not " + v;
          return false;
        }
      } else if (a == "--key") {
        char* end = nullptr;
        const unsigned long k = std::strtoul(v.c_str(), &end, 16);
        if (v == "none") {
          out.key = tessera::kNoKeyColour;
        } else if (v.size() == 6 && end && *end == '\0') {
          out.key = static_cast<uint32_t>(k);
        } else {
          error = "--key is six hexadecimal digits RRGGBB or none, not " + v;
          return false;
        }
      } else {
        out.alpha_file = v;
      }
    } else if (a == "--strict") {
      out.strict = true;
    } else if (a == "--images") {
      out.images = true;
    } else if (a == "--png") {
      out.png = true;
    } else if (a == "--alpha") {
      out.alpha = true;
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

bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, std::string& why) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    why = std::strerror(errno);
    return false;
  }
  bytes.clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  const bool ok = !std::ferror(f);
  if (!ok) why = std::strerror(errno);
  std::fclose(f);
  return ok;
}

// The recorded name of a typed pack name, or a usage error's message.
bool PackName(const Options& o, const std::string& db, const std::string& typed, std::string* name,
              std::string* error) {
  std::string why;
  if (tessera::NormalizePackName(typed, db, o.root, name, &why)) return true;
  *error = "pack name " + typed + ": " + why;
  return false;
}

// A pack that is added to must exist: CRes would refuse it with the
// engine's own message, which names the engine's path.
bool PackExists(const Options& o, const std::string& db, const std::string& name,
                std::string* error) {
  const std::string path = tessera::ResolvePackPath(db.c_str(), o.root.c_str(), name.c_str());
  if (FileExists(path)) return true;
  *error = "no pack file " + tessera::NativePath(path) + " (create it with create-pack)";
  return false;
}

// A CRes over the game database; ok() is false when it cannot be opened.
struct Resource {
  explicit Resource(const Options& o, const std::string& db) : res(db.c_str(), o.root.c_str()) {}
  bool ok(const std::string& db) {
    CDataBase* d = AfxGetDataBase(db.c_str());
    return d && d->IsConnected();
  }
  CRes res;
};

int NotADatabase(const std::string& db) {
  return Fail(kProgram, "cannot open database " + db + ": " +
                            (FileExists(db) ? "not an SQLite database" : "no such file"));
}

// Identifiers: 1 to 10 bytes of GBK.
bool CheckId(const std::string& id, std::string* why) {
  if (id.empty() || id.size() > 10) {
    *why = "identifier '" + Shown(id) + "' is not 1 to 10 bytes";
    return false;
  }
  return true;
}

// The identifier of an image's opacity resource.
std::string OpacityId(const std::string& id) { return "A" + id.substr(1); }

int CreateDb(const Options& o) {
  if (o.args.size() != 2) return Usage("create-db needs DATABASE");
  std::error_code ec;
  const std::filesystem::path parent =
      std::filesystem::path(tessera::NativePath(o.args[1])).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::string error;
  if (!tessera::CreateDataBaseFile(o.args[1], &error))
    return Fail(kProgram, "cannot create " + o.args[1] + ": " + error);
  std::printf("created %s\n", o.args[1].c_str());
  return 0;
}

int CreateShared(const Options& o) {
  if (o.args.size() != 1 || o.root.empty()) return Usage("create-shared needs --root FOLDER");
  std::string path = tessera::SharedPackDataBasePath(o.root.c_str());
  std::error_code ec;
  std::filesystem::create_directories(
      std::filesystem::path(tessera::NativePath(path)).parent_path(), ec);
  std::string error;
  if (!tessera::CreateDataBaseFile(path, &error))
    return Fail(kProgram, "cannot create " + tessera::NativePath(path) + ": " + error);
  std::printf("created %s\n", tessera::NativePath(path).c_str());
  return 0;
}

int CreatePack(const Options& o) {
  if (o.args.size() != 3) return Usage("create-pack needs DATABASE PACK");
  std::string name, error;
  if (!PackName(o, o.args[1], o.args[2], &name, &error)) return Usage(error);
  const std::string path =
      tessera::ResolvePackPath(o.args[1].c_str(), o.root.c_str(), name.c_str());
  const std::string native = tessera::NativePath(path);
  if (FileExists(path))
    return Fail(kProgram, "cannot create " + native + ": the file exists already");
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(native).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::FILE* f = std::fopen(native.c_str(), "wb");
  if (!f) return Fail(kProgram, "cannot create " + native + ": " + std::strerror(errno));
  std::fclose(f);
  std::printf("created %s (recorded as %s)\n", native.c_str(), name.c_str());
  return 0;
}

// Adds the files as one step (see pack/pack_batch.h): every byte is
// appended, synced and recorded, or nothing is, and "added" is printed only
// for what is stored.  A short write (a full disk) cuts the pack back and
// records no row.
bool AddAll(CRes& res, const std::vector<tessera::PackBatchItem>& items, const std::string& pack,
            const tessera::PackBatchProgress& progress = tessera::PackBatchProgress()) {
  std::vector<tessera::PackBatchRange> ranges;
  std::string error;
  if (!tessera::AddFilesToPack(res, pack, items, ranges, error, progress)) {
    std::fprintf(stderr, "%s: nothing added to %s: %s\n", kProgram, pack.c_str(), error.c_str());
    return false;
  }
  return true;
}

// An identifier typed by the user (UTF-8) as the GBK bytes it is stored
// under; false with the reason when GBK cannot hold it exactly (a '?' in
// its place would name -- and replace -- another resource).
bool IdFromArg(const std::string& utf8, std::string* id, std::string* why) {
  if (tessera::tools::ToGbkExactly(utf8, *id)) return true;
  *why = "identifier " + utf8 + " has characters GBK cannot hold";
  return false;
}

// ------------------------------------------------------------- images

// What an image adds to a pack: one or two records.
struct ImageRecords {
  std::vector<uint8_t> colour, opacity;
};

// The opacity companion "a_NAME" beside an image, if there is one.
std::string CompanionOf(const std::filesystem::path& image) {
  const std::filesystem::path c = image.parent_path() / ("a_" + image.filename().string());
  std::error_code ec;
  return std::filesystem::is_regular_file(c, ec) ? c.string() : std::string();
}

bool ConvertImage(const Options& o, const std::string& file, ImageRecords* out, std::string* why) {
  std::vector<uint8_t> bytes;
  tessera::RgbaImage image;
  std::string reason;
  if (!ReadWhole(file, bytes, reason) ||
      !tessera::DecodeImageFile(bytes.data(), bytes.size(), &image, &reason)) {
    *why = "cannot read image " + file + ": " + reason;
    return false;
  }
  if (o.style == tessera::ImportStyle::kAlpha) {
    const std::string companion = !o.alpha_file.empty() ? o.alpha_file : CompanionOf(file);
    if (!companion.empty()) {
      tessera::RgbaImage opacity;
      if (!ReadWhole(companion, bytes, reason) ||
          !tessera::DecodeImageFile(bytes.data(), bytes.size(), &opacity, &reason)) {
        *why = "cannot read opacity image " + companion + ": " + reason;
        return false;
      }
      if (!tessera::ApplyOpacityImage(&image, opacity)) {
        *why = "opacity image " + companion + " is " + std::to_string(opacity.width) + " x " +
               std::to_string(opacity.height) + ", the image " + std::to_string(image.width) +
               " x " + std::to_string(image.height);
        return false;
      }
    } else if (!image.has_alpha) {
      *why =
          file + " has no transparency and no a_ companion; give --alpha-file or another --style";
      return false;
    }
    out->opacity = tessera::OpacityRecord(image);
  }
  out->colour = tessera::PackImageRecord(image, o.style, o.key);
  return true;
}

// The batch items an image becomes: its colour record under `id` and, in
// the opacity style, its opacity record under the opacity identifier.
void ImageItems(const std::string& file, const std::string& id, const ImageRecords& r,
                std::vector<tessera::PackBatchItem>* items) {
  items->push_back({file, id, true, std::string(r.colour.begin(), r.colour.end())});
  if (!r.opacity.empty())
    items->push_back({file + " (opacity)", OpacityId(id), true,
                      std::string(r.opacity.begin(), r.opacity.end())});
}

// The identifiers an image takes, checked.
bool ImageIds(const Options& o, const std::string& id, std::vector<std::string>* ids,
              std::string* why) {
  if (!CheckId(id, why)) return false;
  ids->assign(1, id);
  if (o.style == tessera::ImportStyle::kAlpha) {
    if (id[0] == 'A') {
      *why = "identifier '" + Shown(id) + "' starts with 'A', the mark of its own opacity resource";
      return false;
    }
    ids->push_back(OpacityId(id));
  }
  return true;
}

int AddImageCommand(const Options& o) {
  if (o.args.size() != 5) return Usage("add-image needs DATABASE PACK ID IMAGE");
  std::string pack, error;
  if (!PackName(o, o.args[1], o.args[2], &pack, &error)) return Usage(error);
  std::string id;
  if (!IdFromArg(o.args[3], &id, &error)) return Fail(kProgram, error);
  std::vector<std::string> ids;
  if (!ImageIds(o, id, &ids, &error)) return Usage(error);
  if (!PackExists(o, o.args[1], pack, &error))
    return Fail(kProgram, "cannot add " + o.args[4] + ": " + error);
  // Convert before the database is touched: a bad image adds nothing.
  ImageRecords records;
  if (!ConvertImage(o, o.args[4], &records, &error)) return Fail(kProgram, error);
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return NotADatabase(o.args[1]);
  std::vector<tessera::PackBatchItem> items;
  ImageItems(o.args[4], id, records, &items);
  if (!AddAll(r.res, items, pack)) return 1;
  std::printf("added %s as %s (%zu bytes)\n", o.args[4].c_str(), Shown(id).c_str(),
              records.colour.size() + records.opacity.size());
  return 0;
}

// ------------------------------------------------------------- files

int Add(const Options& o) {
  if (o.args.size() != 5) return Usage("add needs DATABASE PACK ID FILE");
  std::string pack, error;
  if (!PackName(o, o.args[1], o.args[2], &pack, &error)) return Usage(error);
  std::string id;
  if (!IdFromArg(o.args[3], &id, &error)) return Fail(kProgram, error);
  if (!CheckId(id, &error)) return Usage(error);
  if (!PackExists(o, o.args[1], pack, &error))
    return Fail(kProgram, "cannot add " + o.args[4] + ": " + error);
  if (!std::filesystem::is_regular_file(o.args[4]))
    return Fail(kProgram, "cannot add " + o.args[4] + ": " +
                              (FileExists(o.args[4]) ? "not a regular file" : "no such file"));
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return NotADatabase(o.args[1]);
  if (!AddAll(r.res, {{o.args[4], id, false, {}}}, pack)) return 1;
  std::printf("added %s as %s\n", o.args[4].c_str(), o.args[3].c_str());
  return 0;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Size(unsigned long long bytes) {
  char text[32];
  if (bytes < 10 * 1024)
    std::snprintf(text, sizeof text, "%llu bytes", bytes);
  else if (bytes < 10ull * 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
  return text;
}

// Progress of add-dir: on a terminal a bar redrawn in place while the
// files are appended; the per-file lines are printed only once the batch is
// stored, so that nothing is called "added" that a failure then took back.
class Progress {
 public:
  Progress(size_t total, unsigned long long total_bytes)
      : total_(total), total_bytes_(total_bytes), bar_(isatty(STDERR_FILENO) != 0) {}
  // One more file appended: `read` is its size (what the bar counts),
  // `stored` what went into the pack.
  void Appended(const std::string& file, const std::string& id, unsigned long long read,
                unsigned long long stored) {
    lines_.push_back({file, id, stored});
    bytes_ += read;
    stored_ += stored;
    if (!bar_) return;
    const size_t count = lines_.size();
    const int width = 30;
    const int filled = total_ ? static_cast<int>(count * width / total_) : width;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu files, %s of %s",
                 std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), '.').c_str(), count, total_,
                 Size(bytes_).c_str(), Size(total_bytes_).c_str());
    std::fflush(stderr);
  }
  // The batch is over: end the bar; when it was stored, list the files.
  void Finish(bool stored) {
    if (bar_ && !lines_.empty()) std::fputc('\n', stderr);
    if (!stored || bar_) return;
    for (size_t i = 0; i < lines_.size(); ++i)
      std::printf("[%zu/%zu] added %s as %s (%s)\n", i + 1, total_, lines_[i].file.c_str(),
                  Shown(lines_[i].id).c_str(), Size(lines_[i].stored).c_str());
  }
  unsigned long long read() const { return bytes_; }
  unsigned long long stored() const { return stored_; }

 private:
  struct Line {
    std::string file, id;
    unsigned long long stored;
  };
  size_t total_;
  unsigned long long total_bytes_, bytes_ = 0, stored_ = 0;
  bool bar_;
  std::vector<Line> lines_;
};

int AddDir(const Options& o) {
  if (o.args.size() != 4) return Usage("add-dir needs DATABASE PACK DIR");
  std::string pack, error;
  if (!PackName(o, o.args[1], o.args[2], &pack, &error)) return Usage(error);
  namespace fs = std::filesystem;
  std::vector<fs::path> entries, files;
  std::vector<std::pair<std::string, std::string>> skipped;  // name, why
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(o.args[3], ec)) entries.push_back(e.path());
  if (ec) return Fail(kProgram, "cannot read folder " + o.args[3] + ": " + ec.message());
  std::sort(entries.begin(), entries.end());
  for (const fs::path& p : entries) {
    const std::string name = p.filename().string();
    std::error_code e2;
    if (fs::is_directory(p, e2)) {
      skipped.push_back({name, "a folder (add-dir does not descend)"});
    } else if (!fs::is_regular_file(p, e2)) {
      skipped.push_back({name, "not a regular file"});
    } else if (o.images && name.rfind("a_", 0) == 0) {
      skipped.push_back({name, o.style == tessera::ImportStyle::kAlpha
                                   ? "opacity companion, used with its image"
                                   : "opacity companion (used by --style alpha)"});
    } else if (o.images && Lower(p.extension().string()) != ".png" &&
               Lower(p.extension().string()) != ".bmp") {
      skipped.push_back({name, "not a PNG or BMP file"});
    } else {
      files.push_back(p);
    }
  }

  // Work the identifiers out first: a clash or an overlong name stops the
  // run before any byte is written.
  std::vector<std::string> ids;
  std::map<std::string, std::string> taken;
  unsigned long long total_bytes = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    std::string id;
    if (o.has_prefix) {
      std::string number = std::to_string(i);
      std::string p;
      if (!tessera::tools::ToGbkExactly(o.prefix, p))
        return Usage("prefix has characters GBK cannot hold");
      if (p.size() + number.size() > 10)
        return Usage("prefix too long for " + std::to_string(files.size()) + " files");
      id = p + std::string(10 - p.size() - number.size(), '0') + number;
    } else if (!tessera::tools::ToGbkExactly(files[i].stem().string(), id)) {
      return Fail(kProgram,
                  files[i].string() + ": name has characters GBK cannot hold; use --prefix");
    }
    std::vector<std::string> own = {id};
    if (o.images ? !ImageIds(o, id, &own, &error) : !CheckId(id, &error))
      return Fail(kProgram, "cannot add " + files[i].string() + ": " + error + "; use --prefix");
    for (const std::string& x : own) {
      if (taken.count(x))
        return Fail(kProgram, "cannot add " + files[i].string() + ": it and " + taken[x] +
                                  " both give " + Shown(x));
      taken[x] = files[i].string();
    }
    ids.push_back(id);
    total_bytes += fs::file_size(files[i], ec);
  }
  if (!PackExists(o, o.args[1], pack, &error))
    return Fail(kProgram, "cannot add " + o.args[3] + ": " + error);
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return NotADatabase(o.args[1]);
  // Images are converted before anything is written, so a bad image adds
  // nothing; then every file goes in as one all-or-nothing batch.
  std::vector<tessera::PackBatchItem> items;
  std::vector<size_t> item_file;  // the file each item comes from
  for (size_t i = 0; i < files.size(); ++i) {
    if (o.images) {
      ImageRecords records;
      if (!ConvertImage(o, files[i].string(), &records, &error)) return Fail(kProgram, error);
      ImageItems(files[i].string(), ids[i], records, &items);
    } else {
      items.push_back({files[i].string(), ids[i], false, {}});
    }
    item_file.resize(items.size(), i);
  }
  // The bar and the lines count files; an image's opacity record goes with
  // its image.
  Progress progress(files.size(), total_bytes);
  size_t reported = 0;  // items whose file has been counted
  const bool ok = AddAll(r.res, items, pack, [&](size_t done, size_t) {
    for (; reported < done && reported < items.size(); ++reported) {
      const size_t f = item_file[reported];
      if (reported + 1 < items.size() && item_file[reported + 1] == f)
        continue;  // its file goes on
      unsigned long long stored = 0;
      for (size_t k = 0; k < items.size(); ++k)
        if (item_file[k] == f)
          stored += items[k].in_memory ? items[k].bytes.size() : fs::file_size(files[f], ec);
      progress.Appended(files[f].string(), ids[f], fs::file_size(files[f], ec), stored);
    }
  });
  progress.Finish(ok);
  if (!ok) return 1;
  std::printf("added %zu files (%s read, %s stored) to %s", files.size(),
              Size(progress.read()).c_str(), Size(progress.stored()).c_str(), pack.c_str());
  if (skipped.empty()) {
    std::printf("\n");
  } else {
    std::printf("; skipped %zu:\n", skipped.size());
    for (const auto& s : skipped)
      std::printf("  skipped %s: %s\n", s.first.c_str(), s.second.c_str());
  }
  return 0;
}

// ------------------------------------------------------------- rows

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
    if (!rs->GetText(0, info.szID, sizeof info.szID) ||
        !rs->GetText(1, info.szPackName, sizeof info.szPackName) || !rs->GetInt32(2, row.start) ||
        !rs->GetInt32(3, row.end)) {
      std::fprintf(stderr, "%s: row %zu of RESTABLE cannot be read\n", kProgram,
                   rs->CurrentRow() + 1);
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

int NoRows(const std::string& db) {
  if (!FileExists(db)) return Fail(kProgram, "cannot open database " + db + ": no such file");
  return Fail(kProgram, "cannot read RESTABLE of " + db + ": not a database with that table");
}

int List(const Options& o) {
  if (o.args.size() != 2) return Usage("list takes DATABASE only");
  std::vector<Row> rows;
  if (!ReadRows(o.args[1], rows)) return NoRows(o.args[1]);
  for (const Row& r : rows)
    std::printf("%s\t%s\t%d\t%d\t%lld\n", Shown(r.id).c_str(), r.pack.c_str(), r.start, r.end,
                static_cast<long long>(r.end) - r.start);
  return 0;
}

int Extract(const Options& o) {
  if (o.args.size() != 4) return Usage("extract needs DATABASE ID OUT");
  if (o.alpha && !o.png) return Usage("--alpha goes with --png");
  Resource r(o, o.args[1]);
  if (!r.ok(o.args[1])) return NotADatabase(o.args[1]);
  std::string id, error;
  if (!IdFromArg(o.args[2], &id, &error)) return Fail(kProgram, error);
  unsigned char* buffer = nullptr;
  const int n = r.res.LoadData(buffer, id.c_str());
  if (n == 0) return Fail(kProgram, "cannot extract " + o.args[2] + ": no such resource");
  const size_t size = static_cast<size_t>(n - 1);
  if (o.png) {
    tessera::RgbaImage image;
    const bool decoded = tessera::DecodePackImageToRgba(buffer, size, &image);
    delete[] buffer;
    buffer = nullptr;
    if (!decoded)
      return Fail(kProgram, "cannot extract " + o.args[2] + " as PNG: not a pack image record");
    if (o.alpha) {
      tessera::RgbaImage opacity;
      const std::string aid = OpacityId(id);
      const int m = r.res.LoadData(buffer, aid.c_str());
      const bool ok =
          m > 0 && tessera::DecodePackImageToRgba(buffer, static_cast<size_t>(m - 1), &opacity) &&
          opacity.width == image.width && opacity.height == image.height;
      delete[] buffer;
      if (!ok)
        return Fail(kProgram, "cannot extract the opacity " + Shown(aid) +
                                  ": no pack image of the same size");
      for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) image.At(x, y)[3] = opacity.At(x, y)[2];
    }
    if (!tessera::WriteRgbaPng(o.args[3], image))
      return Fail(kProgram, "cannot write " + o.args[3]);
    std::printf("extracted %s: %d x %d PNG\n", o.args[2].c_str(), image.width, image.height);
    return 0;
  }
  std::FILE* out = std::fopen(o.args[3].c_str(), "wb");
  const std::string why = out ? "" : std::strerror(errno);
  bool ok = out && std::fwrite(buffer, 1, size, out) == size;
  if (out && std::fclose(out) != 0) ok = false;
  delete[] buffer;
  if (!ok) return Fail(kProgram, "cannot write " + o.args[3] + (why.empty() ? "" : ": " + why));
  std::printf("extracted %s: %zu bytes\n", o.args[2].c_str(), size);
  return 0;
}

// The packs of a database by resolved path, with their rows.
struct PackFile {
  long long size = -1;
  std::vector<size_t> rows;  // indexes into the row list
};

std::map<std::string, PackFile> PacksOf(const Options& o, const std::vector<Row>& rows) {
  std::map<std::string, PackFile> packs;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string path =
        tessera::ResolvePackPath(o.args[1].c_str(), o.root.c_str(), rows[i].pack.c_str());
    PackFile& p = packs[path];
    if (p.size < 0) {
      struct stat st;
      if (!path.empty() && ::stat(tessera::NativePath(path).c_str(), &st) == 0) p.size = st.st_size;
    }
    p.rows.push_back(i);
  }
  return packs;
}

const char* RowProblem(const Row& r, const PackFile& p) {
  if (p.size < 0) return "pack file missing";
  if (r.start < 0 || r.end < r.start) return "bad range";
  if (r.end > p.size) return "range past the end of the pack";
  return nullptr;
}

int Verify(const Options& o) {
  if (o.args.size() != 2) return Usage("verify takes DATABASE only");
  std::vector<Row> rows;
  if (!ReadRows(o.args[1], rows)) return NoRows(o.args[1]);
  std::map<std::string, PackFile> packs = PacksOf(o, rows);
  int dangling = 0, overlaps = 0;
  long long orphan_bytes = 0;
  struct Range {
    long long start, end;
    std::string id;
    bool operator<(const Range& o) const {
      return start != o.start ? start < o.start : end < o.end;
    }
  };
  for (auto& [path, p] : packs) {
    std::vector<Range> ranges;
    for (size_t i : p.rows) {
      const Row& r = rows[i];
      if (const char* why = RowProblem(r, p)) {
        std::printf("dangling %s: %s [%d, %d) in %s (size %lld)\n", Shown(r.id).c_str(), why,
                    r.start, r.end, tessera::NativePath(path).c_str(), p.size);
        ++dangling;
      } else {
        ranges.push_back({r.start, r.end, r.id});
      }
    }
    if (p.size < 0) continue;
    std::sort(ranges.begin(), ranges.end());
    long long covered = 0;  // every byte below this is referenced
    // Named outside the lambda: a structured binding cannot be captured
    // before C++20.
    const std::string native = tessera::NativePath(path);
    auto report = [&](long long from, long long to) {
      std::printf("orphan bytes [%lld, %lld) in %s\n", from, to, native.c_str());
      orphan_bytes += to - from;
    };
    // Rows that share bytes: two resources cannot both be right (two
    // writers that took the same end, a row edited by hand).  Empty ranges
    // hold no bytes and overlap nothing.
    const Range* reach = nullptr;  // the row reaching furthest so far
    for (const Range& r : ranges) {
      if (r.start > covered) report(covered, r.start);
      if (reach && r.end > r.start && r.start < reach->end) {
        std::printf("overlap %s [%lld, %lld) and %s [%lld, %lld) in %s\n", Shown(reach->id).c_str(),
                    reach->start, reach->end, Shown(r.id).c_str(), r.start, r.end,
                    tessera::NativePath(path).c_str());
        ++overlaps;
      }
      if (r.end > r.start && (!reach || r.end > reach->end)) reach = &r;
      covered = std::max(covered, r.end);
    }
    if (covered < p.size) report(covered, p.size);
  }
  std::printf(
      "%zu rows, %zu pack files, %d dangling rows, %d overlapping rows, %lld orphan bytes\n",
      rows.size(), packs.size(), dangling, overlaps, orphan_bytes);
  return dangling > 0 || overlaps > 0 || (o.strict && orphan_bytes > 0) ? 1 : 0;
}

std::string SqlText(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Rewrites one pack without the bytes no row references.  The kept ranges
// are copied in order (overlapping ranges stay shared), the copy is synced,
// the old pack is renamed PACK.bak and the copy takes its name; then the
// rows move in one transaction, and only then is PACK.bak removed.  A
// failure before the rows moved puts the old pack back.
int CompactOne(CDataBase& db, const std::string& path, const PackFile& p, std::vector<Row>& rows,
               long long* saved) {
  const std::string native = tessera::NativePath(path);
  struct Segment {
    long long start, end, to;
  };
  std::vector<std::pair<long long, long long>> ranges;
  for (size_t i : p.rows) ranges.push_back({rows[i].start, rows[i].end});
  std::sort(ranges.begin(), ranges.end());
  std::vector<Segment> segments;
  long long written = 0;
  for (const auto& [start, end] : ranges) {
    if (!segments.empty() && start < segments.back().end) {
      if (end > segments.back().end) {
        written += end - segments.back().end;
        segments.back().end = end;
      }
      continue;
    }
    segments.push_back({start, end, written});
    written += end - start;
  }
  if (written == p.size) return 0;  // nothing to drop

  const std::string temp = native + ".compact", backup = native + ".bak";
  std::FILE* in = std::fopen(native.c_str(), "rb");
  if (!in) return Fail(kProgram, "cannot compact " + native + ": " + std::strerror(errno));
  std::FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    return Fail(kProgram, "cannot compact " + native + ": cannot create " + temp + ": " +
                              std::strerror(errno));
  }
  bool ok = true;
  std::vector<char> buffer(1 << 16);
  for (const Segment& s : segments) {
    ok = ok && std::fseek(in, static_cast<long>(s.start), SEEK_SET) == 0;
    for (long long left = s.end - s.start; ok && left > 0;) {
      const size_t n =
          static_cast<size_t>(std::min<long long>(left, static_cast<long long>(buffer.size())));
      ok = std::fread(buffer.data(), 1, n, in) == n && std::fwrite(buffer.data(), 1, n, out) == n;
      left -= static_cast<long long>(n);
    }
  }
  std::fclose(in);
  ok = ok && std::fflush(out) == 0 && ::fsync(fileno(out)) == 0;
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    std::remove(temp.c_str());
    return Fail(kProgram,
                "cannot compact " + native + ": writing the copy failed: " + std::strerror(errno));
  }
  if (std::rename(native.c_str(), backup.c_str()) != 0 ||
      std::rename(temp.c_str(), native.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    if (!FileExists(native)) std::rename(backup.c_str(), native.c_str());
    std::remove(temp.c_str());
    return Fail(kProgram, "cannot compact " + native + ": " + why);
  }
  auto moved = [&](long long old) {
    for (const Segment& s : segments)
      if (old >= s.start && old <= s.end) return s.to + (old - s.start);
    return old;
  };
  bool rows_ok = db.ExecuteCommand("BEGIN IMMEDIATE");
  for (size_t i : p.rows) {
    if (!rows_ok) break;
    const Row& r = rows[i];
    const std::string sql = "UPDATE [RESTABLE] SET [START] = " + std::to_string(moved(r.start)) +
                            ", [END] = " + std::to_string(moved(r.start) + (r.end - r.start)) +
                            " WHERE [ID] = " + SqlText(r.id) +
                            " AND [START] = " + std::to_string(r.start) +
                            " AND [END] = " + std::to_string(r.end);
    rows_ok = db.ExecuteCommand(sql.c_str());
  }
  rows_ok = rows_ok && db.ExecuteCommand("COMMIT");
  if (!rows_ok) {
    db.ExecuteCommand("ROLLBACK");
    std::rename(backup.c_str(), native.c_str());
    return Fail(kProgram, "cannot compact " + native +
                              ": the rows could not be moved; the pack is as it was");
  }
  for (size_t i : p.rows) {
    const long long start = moved(rows[i].start);
    rows[i].end = static_cast<int32_t>(start + (rows[i].end - rows[i].start));
    rows[i].start = static_cast<int32_t>(start);
  }
  std::remove(backup.c_str());
  *saved += p.size - written;
  std::printf("compacted %s: %lld of %lld bytes kept, %zu resources\n", native.c_str(), written,
              p.size, p.rows.size());
  return 0;
}

int Compact(const Options& o) {
  if (o.args.size() != 2 && o.args.size() != 3) return Usage("compact needs DATABASE [PACK]");
  std::string only;
  if (o.args.size() == 3) {
    std::string name, error;
    if (!PackName(o, o.args[1], o.args[2], &name, &error)) return Usage(error);
    only = tessera::ResolvePackPath(o.args[1].c_str(), o.root.c_str(), name.c_str());
  }
  std::vector<Row> rows;
  if (!ReadRows(o.args[1], rows)) return NoRows(o.args[1]);
  std::map<std::string, PackFile> packs = PacksOf(o, rows);
  if (!only.empty() && !packs.count(only))
    return Fail(kProgram, "cannot compact " + o.args[2] + ": no row of " + o.args[1] + " names it");
  // Every row must point inside its pack, or the copy would lose bytes.
  for (auto& [path, p] : packs) {
    if (!only.empty() && path != only) continue;
    for (size_t i : p.rows)
      if (const char* why = RowProblem(rows[i], p))
        return Fail(kProgram, "cannot compact " + tessera::NativePath(path) + ": row " +
                                  Shown(rows[i].id) + ": " + why + " (see verify)");
  }
  CDataBase db;
  if (!db.ConnectAccess(o.args[1].c_str())) return NotADatabase(o.args[1]);
  long long saved = 0;
  for (auto& [path, p] : packs) {
    if (!only.empty() && path != only) continue;
    if (int rc = CompactOne(db, path, p, rows, &saved)) return rc;
  }
  std::printf("%lld orphan bytes removed\n", saved);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> raw = tessera::tools::Args(argc, argv);
  if (int rc = tessera::tools::HelpOrVersion(raw, kProgram, kHelp); rc >= 0) return rc;
  tessera::tools::UseToolMessages(kProgram);
  Options o;
  std::string error;
  if (!ParseOptions(raw, o, error)) return Usage(error);
  if (o.args.empty()) return Usage("no command");
  // Packs named "\\name" lie in the database's folder, which the engine
  // finds by the path's last separator: give a bare file name one.
  if (o.args.size() > 1 && o.args[0] != "create-shared" &&
      tessera::LastSeparator(o.args[1]) == std::string::npos)
    o.args[1] = "./" + o.args[1];
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
  else if (cmd == "add-image")
    rc = AddImageCommand(o);
  else if (cmd == "add-dir")
    rc = AddDir(o);
  else if (cmd == "list")
    rc = List(o);
  else if (cmd == "extract")
    rc = Extract(o);
  else if (cmd == "verify")
    rc = Verify(o);
  else if (cmd == "compact")
    rc = Compact(o);
  else
    rc = Usage("unknown command " + cmd);
  AfxReleaseDataBase(nullptr);
  return rc;
}
