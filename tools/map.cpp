// tessera-map: makes and edits the maps of a game -- the MAPTABLE row, the
// cell file data/<NAME>.map, the background picture in a pack, the goods
// and events -- and imports maps drawn in the Tiled editor.
//
// Everything is written through the library's own classes (the scene
// tables, CRes for the pack), inside one database transaction per command:
// a command that fails leaves the database as it was and the cell file
// untouched.  Pack bytes appended before a failure stay in the pack,
// unreferenced (tessera-pack verify lists them).
#include "gui/map/map.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/tiled_map.h"
#include "common/tool_common.h"
#include "database/database.h"
#include "database/event_database.h"
#include "database/goods_database.h"
#include "database/map_database.h"
#include "engine/image_import.h"
#include "pack/pack_list.h"
#include "pack/res.h"
#include "platform/path.h"
#include "platform/text_encoding.h"

namespace {

using tessera::RgbaImage;
using tessera::tools::Fail;
using tessera::tools::UsageError;

const char kProgram[] = "tessera-map";
const char kUsage[] = "usage: tessera-map COMMAND GAME.mdb ... (see tessera-map --help)";

const char kHelp[] =
    "Usage: tessera-map COMMAND GAME.mdb ARGUMENTS [OPTIONS]\n"
    "\n"
    "Makes the maps of a game: the map's row in MAPTABLE of GAME.mdb, its cell\n"
    "file data/NAME.map under the current folder (where the engine reads it),\n"
    "its background picture in a pack registered in GAME.mdb, its goods and\n"
    "its events.\n"
    "\n"
    "Commands:\n"
    "  import-tiled GAME.mdb MAP.tmx [--name NAME]\n"
    "        Import a map drawn in Tiled (orthogonal, square tiles, CSV or\n"
    "        base64 layers, plain or zlib/gzip, PNG tilesets embedded or in\n"
    "        .tsx files).  Tile layers become the background picture; a tile\n"
    "        layer named \"blocked\", and tiles with the property blocked=true,\n"
    "        make their cells 1.  Tile objects (and objects of type \"goods\"\n"
    "        with a \"picture\" property) become goods, objects of type \"event\"\n"
    "        events; the map property \"explain\" fills EXPLAIN.  NAME defaults\n"
    "        to the file name without extension.  Importing again replaces the\n"
    "        map, its goods and its events.\n"
    "  create GAME.mdb NAME PICTURE [--unit N]\n"
    "        A new map as big as the picture (PNG or BMP), cells of N pixels\n"
    "        (32), all free.\n"
    "  info GAME.mdb NAME\n"
    "        The map's row, its cell file, its goods and events.\n"
    "  cells GAME.mdb NAME [--set X,Y=V]... [--fill X,Y,W,H=V]...\n"
    "        Print the cell grid (. free, # blocked, other values as digits or\n"
    "        letters) or change cells.\n"
    "  goods GAME.mdb NAME list\n"
    "  goods GAME.mdb NAME add GOODS --picture BASE --at X,Y [--size W,H]\n"
    "        [--stand X,Y] [--frames N] [--type T] [--alpha A] [--shadow S]\n"
    "        Goods whose frames BASE00, BASE01 ... are in the pack already;\n"
    "        --at is the picture's top-left cell, --stand the cell it stands on\n"
    "        (default: bottom row, middle column), --size in cells (1,1).\n"
    "  goods GAME.mdb NAME del GOODS\n"
    "\n"
    "Options:\n"
    "  --pack PACK   the pack that receives pictures (default \\maps.pak, a file\n"
    "                maps.pak beside GAME.mdb, created when missing)\n"
    "  --help, --version\n"
    "\n"
    "Pictures get identifiers made from the map's ID: B<id>000000 for the\n"
    "background, G<id><n>00.. for goods frames.  Names are given in UTF-8 and\n"
    "stored as GBK.  Exit status: 0 done, 1 failure, 2 usage error.\n";

struct Options {
  std::vector<std::string> args;
  std::map<std::string, std::vector<std::string>> values;  // --option -> values in order
  std::string Value(const std::string& key, const std::string& fallback = "") const {
    auto it = values.find(key);
    return it == values.end() || it->second.empty() ? fallback : it->second.back();
  }
  bool Has(const std::string& key) const { return values.count(key) != 0; }
};

const std::set<std::string> kValueOptions = {
    "--name", "--pack",  "--unit",   "--set",  "--fill",  "--picture", "--at",
    "--size", "--stand", "--frames", "--type", "--alpha", "--shadow"};

int Usage(const std::string& why) { return UsageError(kProgram, kUsage, why); }

std::string Gbk(const std::string& utf8) { return tessera::Utf8ToGbk(utf8); }
std::string Shown(const std::string& gbk) { return tessera::GbkToUtf8(gbk); }

// A failure of a step that needs undoing: carries its message up.
struct Failure {
  std::string message;
};

std::string Base36(long value, int digits) {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    s[static_cast<size_t>(i)] = kDigits[value % 36];
    value /= 36;
  }
  return s;
}

bool ParseInt(const std::string& text, long lo, long hi, long& out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || errno || v < lo || v > hi) return false;
  out = v;
  return true;
}

// "A,B" (or "A,B,C,D") into numbers.
bool ParseList(const std::string& text, size_t count, std::vector<long>& out) {
  out.clear();
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t comma = text.find(',', start);
    if ((comma == std::string::npos) != (i + 1 == count)) return false;
    long v;
    if (!ParseInt(
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
            -1000000, 1000000, v))
      return false;
    out.push_back(v);
    start = comma + 1;
  }
  return true;
}

bool ReadWhole(const std::string& path, std::string& out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  size_t n;
  out.clear();
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// ------------------------------------------------------------ game database

struct Game {
  std::string path;
  std::string pack;
  std::unique_ptr<CRes> res;
  CDataBase* db = nullptr;

  ~Game() {
    res.reset();
    AfxReleaseDataBase(nullptr);
  }

  bool Open(const std::string& p, const std::string& packName, std::string& error) {
    // Packs named "\name" lie in the database's folder, which the engine
    // finds by the path's last separator: give a bare file name one.
    path = tessera::LastSeparator(p) == std::string::npos ? "./" + p : p;
    pack = packName;
    if (!std::filesystem::exists(tessera::NativePath(path))) {
      error = p + ": no such database (tessera-pack create-db makes one)";
      return false;
    }
    if (!AfxInitDataBase(path.c_str()) || !(db = AfxGetDataBase(path.c_str()))) {
      error = path + ": cannot open the database";
      return false;
    }
    tessera::RecordsetPtr rs;
    if (!db->OpenSource("SELECT [ID] FROM [MAPTABLE] WHERE 0", rs)) {
      error = path + ": not a game database (no MAPTABLE)";
      return false;
    }
    return true;
  }

  // The resource pack, made on first use with its pack file.
  CRes* Res(std::string& error) {
    if (res) return res.get();
    const std::string file = tessera::ResolvePackPath(path.c_str(), "", pack.c_str());
    if (file.empty()) {
      error = "pack name " + pack + " is too long";
      return nullptr;
    }
    const std::string native = tessera::NativePath(file);
    if (!std::filesystem::exists(native)) {
      std::FILE* f = std::fopen(native.c_str(), "ab");
      if (!f) {
        error = native + ": cannot create the pack: " + std::strerror(errno);
        return nullptr;
      }
      std::fclose(f);
    }
    res = std::make_unique<CRes>(path.c_str(), "");
    return res.get();
  }
};

// One transaction around a command's writes: rolled back unless committed.
struct Transaction {
  CDataBase* db;
  bool open = false;
  explicit Transaction(CDataBase* d) : db(d) { open = db->ExecuteCommand("BEGIN IMMEDIATE"); }
  bool Commit() {
    if (!open) return false;
    open = false;
    return db->ExecuteCommand("COMMIT");
  }
  ~Transaction() {
    if (open) db->ExecuteCommand("ROLLBACK");
  }
};

std::string CellPath(const std::string& gbkName) {
  return tessera::NativePath("data\\" + gbkName + ".map");
}

// The cell file's header, which the engine skips: a mark, a version, the
// grid and the cell size (little-endian), zero-padded to 44 bytes.
std::string CellHeader(int columns, int rows, int unit) {
  std::string h(44, '\0');
  std::memcpy(&h[0], "TESSERA MAP\0", 12);
  const int32_t fields[4] = {1, columns, rows, unit};
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 4; ++b)
      h[12 + 4 * static_cast<size_t>(i) + b] =
          static_cast<char>(static_cast<uint32_t>(fields[i]) >> (8 * b));
  return h;
}

// Writes the cell file beside its final place; Install() moves it there.
struct CellFile {
  std::string final_path, temp_path;
  ~CellFile() {
    if (!temp_path.empty()) std::remove(temp_path.c_str());
  }
  bool Write(const std::string& path, const std::vector<uint8_t>& cells, int columns, int rows,
             int unit, std::string& error) {
    final_path = path;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    temp_path = path + ".tmp" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temp_path.c_str(), "wb");
    if (!f) {
      error = temp_path + ": " + std::strerror(errno);
      temp_path.clear();
      return false;
    }
    const std::string header = CellHeader(columns, rows, unit);
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(cells.data(), 1, cells.size(), f) == cells.size();
    ok = (std::fflush(f) == 0) && ok && ::fsync(fileno(f)) == 0;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) error = temp_path + ": cannot write: " + std::strerror(errno);
    return ok;
  }
  bool Install(std::string& error) {
    if (std::rename(temp_path.c_str(), final_path.c_str()) != 0) {
      error = final_path + ": " + std::strerror(errno);
      return false;
    }
    temp_path.clear();
    return true;
  }
};

// ------------------------------------------------------------ storing a map

struct GoodsPlan {
  stGoodsInfo info;               // all but MAPID and, for own frames, PICINFO
  std::vector<RgbaImage> frames;  // own frames to store, or none
  int share = -1;                 // index of earlier goods whose stored frames these use
};

struct MapPlan {
  std::string name;  // GBK
  std::string explain;
  int width = 0, height = 0, unit = 0;
  int goodsnum = -1;  // -1: the number of goods
  RgbaImage background;
  std::vector<uint8_t> cells;
  std::vector<GoodsPlan> goods;
  std::vector<stEventInfo> events;  // SCENEID filled in
  bool replace = true;
};

void AddResource(CRes* res, const std::string& id, std::vector<uint8_t> bytes,
                 const std::string& pack) {
  if (!res->AddDataToPack(bytes.data(), static_cast<long>(bytes.size()), id.c_str(), pack.c_str(),
                          nullptr))
    throw Failure{"cannot store picture " + id + " in pack " + pack};
}

// Writes a whole map in one transaction; prints what it did.
int StoreMap(Game& game, MapPlan& plan) {
  std::string error;
  CRes* res = game.Res(error);
  if (!res) return Fail(kProgram, error);
  CMapDataBase maps(game.path.c_str());
  CGoodsDataBase goods(game.path.c_str());
  CEventDataBase events(game.path.c_str());
  CellFile cellFile;
  const int columns = plan.width / plan.unit, rows = plan.height / plan.unit;
  try {
    Transaction tx(game.db);
    if (!tx.open) throw Failure{game.path + ": cannot start a transaction (database busy?)"};
    stMapInfo m;
    std::strcpy(m.szName, plan.name.c_str());
    std::strncpy(m.szExplain, plan.explain.c_str(), sizeof m.szExplain - 1);
    m.nWidth = plan.width;
    m.nHeight = plan.height;
    m.nUnitSize = plan.unit;
    m.nGoodsNum = plan.goodsnum >= 0 ? plan.goodsnum : static_cast<int32_t>(plan.goods.size());
    std::strcpy(m.szPicInfo, "B");  // replaced below, once the map's ID is known
    if (!maps.AddMap(m)) throw Failure{"cannot write the MAPTABLE row"};
    stMapInfo stored;
    if (!maps.GetMapInfo(m.szName, stored)) throw Failure{"the MAPTABLE row cannot be read back"};
    const int id = stored.nID;
    if (id <= 0 || id >= 36 * 36 * 36)
      throw Failure{"map ID " + std::to_string(id) + " does not fit a picture identifier"};
    const std::string key = Base36(id, 3);
    const std::string picture = "B" + key + "000000";
    std::strcpy(m.szPicInfo, picture.c_str());
    AddResource(res, picture,
                tessera::PackImageRecord(plan.background, tessera::ImportStyle::kPlain,
                                         tessera::kNoKeyColour),
                game.pack);

    if (plan.replace) {
      if (!goods.DelGoodsInMap(id) || !events.DelEventInScene(id))
        throw Failure{"cannot remove the map's old goods and events"};
    }
    int own = 0;
    for (GoodsPlan& g : plan.goods) {
      g.info.nMapID = id;
      if (g.share >= 0) {
        const stGoodsInfo& first = plan.goods[static_cast<size_t>(g.share)].info;
        std::strcpy(g.info.szPicInfo, first.szPicInfo);
        g.info.nPicNum = first.nPicNum;
      } else if (!g.frames.empty()) {
        if (own >= 36 * 36 * 36 * 36) throw Failure{"too many goods pictures"};
        const std::string base = "G" + key + Base36(own++, 4);
        std::strcpy(g.info.szPicInfo, base.c_str());
        g.info.nPicNum = static_cast<int32_t>(g.frames.size());
        for (size_t f = 0; f < g.frames.size(); ++f) {
          char digits[3];
          std::snprintf(digits, sizeof digits, "%02d", static_cast<int>(f));
          // Pixels less than half opaque are transparent (the key colour).
          AddResource(res, base + digits,
                      tessera::PackImageRecord(g.frames[f], tessera::ImportStyle::kKeyed,
                                               tessera::kNoKeyColour),
                      game.pack);
        }
      }
      if (!goods.AddGoods(g.info))
        throw Failure{"cannot write goods \"" + Shown(g.info.szName) + "\""};
    }
    for (stEventInfo& e : plan.events) {
      e.nSceneID = id;
      if (!events.AddEvent(e)) throw Failure{"cannot write an event"};
    }
    if (!maps.SetMapInfo(m.szName, m)) throw Failure{"cannot write the MAPTABLE row"};
    if (!cellFile.Write(CellPath(plan.name), plan.cells, columns, rows, plan.unit, error))
      throw Failure{error};
    if (!tx.Commit()) throw Failure{"cannot commit to " + game.path};
    if (!cellFile.Install(error))
      throw Failure{"the database is written but the cell file is not: " + error};
    int blocked = 0;
    for (uint8_t c : plan.cells) blocked += c == 1;
    std::printf(
        "map %s (ID %d): %d x %d pixels, %d x %d cells of %d, %d blocked; picture %s in %s; %zu "
        "goods, %zu events; cells in %s\n",
        Shown(plan.name).c_str(), id, plan.width, plan.height, columns, rows, plan.unit, blocked,
        picture.c_str(), game.pack.c_str(), plan.goods.size(), plan.events.size(),
        CellPath(plan.name).c_str());
    return 0;
  } catch (const Failure& f) {
    return Fail(kProgram, "map " + Shown(plan.name) + ": " + f.message + "; nothing was changed");
  }
}

bool CheckName(const std::string& gbk, std::string& error) {
  if (gbk.empty() || gbk.size() > 31) {
    error = "map name \"" + Shown(gbk) + "\" must have 1 to 31 bytes (GBK)";
    return false;
  }
  if (gbk.find_first_of("/\\'") != std::string::npos || gbk == "." || gbk == "..") {
    error = "map name \"" + Shown(gbk) + "\" may not hold / \\ or '";
    return false;
  }
  return true;
}

// ------------------------------------------------------------ import-tiled

long PropertyInt(const tessera::tools::TiledProperties& p, const char* key, long fallback, long lo,
                 long hi) {
  auto it = p.find(key);
  if (it == p.end()) return fallback;
  long v;
  if (!ParseInt(it->second, lo, hi, v))
    throw Failure{std::string("property ") + key + "=\"" + it->second + "\" is not a number"};
  return v;
}

std::string PropertyGbk(const tessera::tools::TiledProperties& p, const char* key,
                        const std::string& fallback, size_t max) {
  auto it = p.find(key);
  if (it == p.end()) return fallback;
  std::string v = Gbk(it->second);
  if (v.size() > max)
    throw Failure{std::string("property ") + key + " is longer than " + std::to_string(max) +
                  " bytes"};
  return v;
}

void PlanObjects(const tessera::tools::TiledMap& tm, MapPlan& plan) {
  const int u = plan.unit;
  std::map<std::string, int> names;
  std::map<uint32_t, size_t> framesOf;  // gid -> goods already holding its frames
  for (const tessera::tools::TiledObject& o : tm.objects) {
    const std::string what =
        "object " + std::to_string(o.id) + (o.name.empty() ? "" : " \"" + o.name + "\"") + ": ";
    try {
      if (o.type == "event") {
        stEventInfo e;
        e.nEventType =
            static_cast<int32_t>(PropertyInt(o.properties, "eventtype", 0, INT32_MIN, INT32_MAX));
        const long col = std::lround(std::floor(o.x / u)), row = std::lround(std::floor(o.y / u));
        long cell = (col >= 0 && row >= 0 && col < plan.width / u && row < plan.height / u)
                        ? row * (plan.width / u) + col
                        : -1;
        e.nFilePos =
            static_cast<int32_t>(PropertyInt(o.properties, "filepos", cell, INT32_MIN, INT32_MAX));
        const std::string explain = Gbk(o.name);
        std::strncpy(e.szExplain, explain.c_str(), sizeof e.szExplain - 1);
        plan.events.push_back(e);
        continue;
      }
      if (o.gid == 0 && o.type != "goods") {
        std::fprintf(stderr,
                     "%s: warning: %sneither a tile object nor of type goods or event: skipped\n",
                     kProgram, what.c_str());
        continue;
      }
      GoodsPlan g;
      double left = o.x, top = o.y, w = o.width, h = o.height;
      if (o.gid) {
        RgbaImage tile;
        std::string error;
        if (!tessera::tools::TilePixels(tm, o.gid, tile, error)) throw Failure{error};
        if (std::fabs(w - tile.width) > 0.01 || std::fabs(h - tile.height) > 0.01)
          throw Failure{"a tile object scaled to " + std::to_string(w) + " x " + std::to_string(h) +
                        " is not supported"};
        top = o.y - h;  // tile objects stand on their bottom-left corner
        if (!o.properties.count("picture")) {
          auto seen = framesOf.find(o.gid);
          if (seen != framesOf.end()) {
            // The same tile again: the frames stored for the first.
            g.share = static_cast<int>(seen->second);
          } else {
            int local = 0;
            const tessera::tools::TiledTileset* ts = tessera::tools::FindTileset(tm, o.gid, &local);
            std::vector<int> ids = {local};
            auto t = ts->tiles.find(local);
            if (t != ts->tiles.end() && !t->second.frames.empty()) ids = t->second.frames;
            if (ids.size() > 100) throw Failure{"an animation of more than 100 frames"};
            for (int id : ids) {
              const uint32_t fgid =
                  static_cast<uint32_t>(ts->firstgid + id) | (o.gid & ~tessera::tools::kGidMask);
              RgbaImage frame;
              if (!tessera::tools::TilePixels(tm, fgid, frame, error)) throw Failure{error};
              g.frames.push_back(std::move(frame));
            }
            framesOf[o.gid] = plan.goods.size();
          }
        }
      }
      if (o.properties.count("picture")) {
        const std::string base = PropertyGbk(o.properties, "picture", "", 31);
        if (base.empty()) throw Failure{"property picture is empty"};
        std::strcpy(g.info.szPicInfo, base.c_str());
        g.info.nPicNum = static_cast<int32_t>(PropertyInt(o.properties, "frames", 1, 1, 100));
      } else if (!o.gid) {
        throw Failure{"goods need a tile or a \"picture\" property"};
      }
      g.info.nTrueX = static_cast<int32_t>(std::lround(left / u));
      g.info.nTrueY = static_cast<int32_t>(std::lround(top / u));
      g.info.nWidth = std::max(1, static_cast<int>(std::ceil(w / u - 0.01)));
      g.info.nHeight = std::max(1, static_cast<int>(std::ceil(h / u - 0.01)));
      g.info.nDrawX =
          g.info.nTrueX + static_cast<int32_t>(PropertyInt(o.properties, "standx",
                                                           (g.info.nWidth - 1) / 2, -1000, 1000));
      g.info.nDrawY = g.info.nTrueY + static_cast<int32_t>(PropertyInt(
                                          o.properties, "standy", g.info.nHeight - 1, -1000, 1000));
      g.info.nType =
          static_cast<int32_t>(PropertyInt(o.properties, "goodstype", 0, INT32_MIN, INT32_MAX));
      g.info.nUseAlpha = static_cast<int32_t>(PropertyInt(o.properties, "alpha", 0, 0, 2));
      std::strcpy(g.info.szShadowInfo, PropertyGbk(o.properties, "shadow", "none", 31).c_str());
      std::string explain = PropertyGbk(o.properties, "explain", "", 99);
      std::strncpy(g.info.szExplain, explain.c_str(), sizeof g.info.szExplain - 1);
      // Goods are keyed by name on their map: repeated names get a number.
      std::string name = Gbk(o.name.empty() ? "goods" : o.name);
      int& seen = names[name];
      if (++seen > 1) name += "#" + std::to_string(seen);
      if (name.size() > 31) throw Failure{"the name is longer than 31 bytes"};
      std::strcpy(g.info.szName, name.c_str());
      plan.goods.push_back(std::move(g));
    } catch (const Failure& f) {
      throw Failure{what + f.message};
    }
  }
}

int ImportTiled(Game& game, const Options& o) {
  if (o.args.size() != 3) return Usage("import-tiled needs GAME.mdb MAP.tmx");
  const std::string tmx = o.args[2];
  std::string text;
  auto load = [](const std::string& path, std::string& out) { return ReadWhole(path, out); };
  if (!ReadWhole(tmx, text)) return Fail(kProgram, tmx + ": cannot read: " + std::strerror(errno));
  const std::string folder = std::filesystem::path(tmx).has_parent_path()
                                 ? std::filesystem::path(tmx).parent_path().string() + "/"
                                 : std::string();
  tessera::tools::TiledMap tm;
  std::string error;
  if (!tessera::tools::ParseTmx(text, folder, load, tm, error) ||
      !tessera::tools::LoadTilesetImages(tm, error))
    return Fail(kProgram, tmx + ": " + error);
  MapPlan plan;
  plan.name = Gbk(o.Value("--name", std::filesystem::path(tmx).stem().string()));
  if (!CheckName(plan.name, error)) return Fail(kProgram, error);
  plan.unit = tm.tilewidth;
  plan.width = tm.PixelWidth();
  plan.height = tm.PixelHeight();
  if (!tessera::tools::RenderBackground(tm, plan.background, error))
    return Fail(kProgram, tmx + ": " + error);
  plan.cells = tessera::tools::BlockedCells(tm);
  try {
    plan.explain = PropertyGbk(tm.properties, "explain", "", 99);
    plan.goodsnum = static_cast<int>(PropertyInt(tm.properties, "goodsnum", -1, -1, INT32_MAX));
    PlanObjects(tm, plan);
  } catch (const Failure& f) {
    return Fail(kProgram, tmx + ": " + f.message);
  }
  return StoreMap(game, plan);
}

// ------------------------------------------------------------ the other commands

int Create(Game& game, const Options& o) {
  if (o.args.size() != 4) return Usage("create needs GAME.mdb NAME PICTURE.png");
  MapPlan plan;
  plan.name = Gbk(o.args[2]);
  std::string error;
  if (!CheckName(plan.name, error)) return Fail(kProgram, error);
  long unit = 32;
  if (o.Has("--unit") && !ParseInt(o.Value("--unit"), 1, 4096, unit))
    return Usage("--unit needs a number from 1 to 4096");
  stMapInfo existing;
  if (CMapDataBase(game.path.c_str()).GetMapInfo(plan.name.c_str(), existing))
    return Fail(kProgram,
                "map " + o.args[2] + " exists already (ID " + std::to_string(existing.nID) + ")");
  RgbaImage picture;
  std::string bytes;
  if (!ReadWhole(o.args[3], bytes))
    return Fail(kProgram, o.args[3] + ": cannot read: " + std::strerror(errno));
  if (!tessera::DecodeImageFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                &picture, &error))
    return Fail(kProgram, o.args[3] + ": " + error);
  plan.unit = static_cast<int>(unit);
  plan.width = picture.width;
  plan.height = picture.height;
  plan.background = std::move(picture);
  plan.cells.assign(static_cast<size_t>(plan.width / plan.unit) * (plan.height / plan.unit), 0);
  plan.replace = false;
  return StoreMap(game, plan);
}

bool ReadRecord(Game& game, const std::string& utf8, stMapInfo& m) {
  return CMapDataBase(game.path.c_str()).GetMapInfo(Gbk(utf8).c_str(), m);
}

// The map's cells as the engine would load them: missing bytes are 0.
std::vector<uint8_t> LoadCells(const stMapInfo& m, long& fileBytes) {
  const long columns = m.nUnitSize > 0 ? m.nWidth / m.nUnitSize : 0,
             rows = m.nUnitSize > 0 ? m.nHeight / m.nUnitSize : 0;
  std::vector<uint8_t> cells(static_cast<size_t>(std::max(0L, columns * rows)), 0);
  fileBytes = -1;
  std::error_code ec;
  const std::string path = CellPath(m.szName);
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return cells;
  fileBytes = static_cast<long>(size);
  tessera::ReadMapCells(("data\\" + std::string(m.szName) + ".map").c_str(),
                        reinterpret_cast<char*>(cells.data()), static_cast<int>(cells.size()));
  return cells;
}

int Info(Game& game, const Options& o) {
  if (o.args.size() != 3) return Usage("info needs GAME.mdb NAME");
  stMapInfo m;
  if (!ReadRecord(game, o.args[2], m))
    return Fail(kProgram, "no map " + o.args[2] + " in " + game.path);
  long bytes;
  std::vector<uint8_t> cells = LoadCells(m, bytes);
  long blocked = 0, other = 0;
  for (uint8_t c : cells) blocked += c == 1, other += c > 1;
  std::printf(
      "map %s: ID %d\n  explain: %s\n  size: %d x %d pixels, cells of %d: %d x %d\n  picture: %s\n "
      " goods "
      "number: %d\n",
      Shown(m.szName).c_str(), m.nID, Shown(m.szExplain).c_str(), m.nWidth, m.nHeight, m.nUnitSize,
      m.nUnitSize > 0 ? m.nWidth / m.nUnitSize : 0, m.nUnitSize > 0 ? m.nHeight / m.nUnitSize : 0,
      m.szPicInfo, m.nGoodsNum);
  if (bytes < 0)
    std::printf("  cells: %s missing (the engine will not load this map)\n",
                CellPath(m.szName).c_str());
  else
    std::printf("  cells: %s, %ld of %zu cell bytes, %ld blocked, %ld other\n",
                CellPath(m.szName).c_str(), std::max(0L, bytes - 44), cells.size(), blocked, other);
  CGoodsDataBase goods(game.path.c_str());
  CEventDataBase events(game.path.c_str());
  std::printf("  goods: %ld\n  events: %ld\n", goods.GetGoodsNumInMap(m.nID),
              events.GetEventNumInScene(m.nID));
  return 0;
}

char CellChar(uint8_t c) {
  if (c == 0) return '.';
  if (c == 1) return '#';
  if (c < 10) return static_cast<char>('0' + c);
  if (c < 36) return static_cast<char>('a' + c - 10);
  return '?';
}

int Cells(Game& game, const Options& o) {
  if (o.args.size() != 3) return Usage("cells needs GAME.mdb NAME");
  stMapInfo m;
  if (!ReadRecord(game, o.args[2], m))
    return Fail(kProgram, "no map " + o.args[2] + " in " + game.path);
  if (m.nUnitSize <= 0) return Fail(kProgram, "map " + o.args[2] + " has no cell size");
  const long columns = m.nWidth / m.nUnitSize, rows = m.nHeight / m.nUnitSize;
  long bytes;
  std::vector<uint8_t> cells = LoadCells(m, bytes);
  const bool edit = o.Has("--set") || o.Has("--fill");
  if (!edit) {
    for (long r = 0; r < rows; ++r) {
      std::string line;
      for (long c = 0; c < columns; ++c)
        line += CellChar(cells[static_cast<size_t>(r * columns + c)]);
      std::printf("%s\n", line.c_str());
    }
    return 0;
  }
  long changed = 0;
  auto apply = [&](const std::string& spec, size_t count) -> int {
    const size_t eq = spec.find('=');
    std::vector<long> v;
    long value;
    if (eq == std::string::npos || !ParseList(spec.substr(0, eq), count, v) ||
        !ParseInt(spec.substr(eq + 1), 0, 255, value))
      return Usage("cannot read \"" + spec + "\"");
    const long x = v[0], y = v[1], w = count == 4 ? v[2] : 1, h = count == 4 ? v[3] : 1;
    if (w < 1 || h < 1 || x < 0 || y < 0 || x + w > columns || y + h > rows)
      return Fail(kProgram, "\"" + spec + "\" lies outside the " + std::to_string(columns) + " x " +
                                std::to_string(rows) + " cells");
    for (long r = y; r < y + h; ++r)
      for (long c = x; c < x + w; ++c)
        cells[static_cast<size_t>(r * columns + c)] = static_cast<uint8_t>(value), ++changed;
    return 0;
  };
  // Every change is checked before the file is touched.
  for (const char* key : {"--set", "--fill"}) {
    auto it = o.values.find(key);
    if (it == o.values.end()) continue;
    for (const std::string& spec : it->second)
      if (int rc = apply(spec, std::strcmp(key, "--set") == 0 ? 2 : 4)) return rc;
  }
  CellFile file;
  std::string error;
  if (!file.Write(CellPath(m.szName), cells, static_cast<int>(columns), static_cast<int>(rows),
                  m.nUnitSize, error) ||
      !file.Install(error))
    return Fail(kProgram, "cells not written: " + error);
  std::printf("set %ld cells of %s\n", changed, CellPath(m.szName).c_str());
  return 0;
}

int Goods(Game& game, const Options& o) {
  if (o.args.size() < 4) return Usage("goods needs GAME.mdb NAME list|add|del");
  stMapInfo m;
  if (!ReadRecord(game, o.args[2], m))
    return Fail(kProgram, "no map " + o.args[2] + " in " + game.path);
  CGoodsDataBase goods(game.path.c_str());
  const std::string& what = o.args[3];
  if (what == "list") {
    if (o.args.size() != 4) return Usage("goods list takes no more arguments");
    const long n = goods.GetGoodsNumInMap(m.nID);
    std::vector<stGoodsInfo> all(static_cast<size_t>(n));
    if (n > 0 && !goods.GetGoodsInMap(m.nID, all.data()))
      return Fail(kProgram, "cannot read the goods");
    for (const stGoodsInfo& g : all)
      std::printf("%d\t%s\tpicture %s x%d\tat %d,%d\tsize %d,%d\tstands %d,%d\ttype %d\talpha %d\n",
                  g.nID, Shown(g.szName).c_str(), g.szPicInfo, g.nPicNum, g.nTrueX, g.nTrueY,
                  g.nWidth, g.nHeight, g.nDrawX, g.nDrawY, g.nType, g.nUseAlpha);
    return 0;
  }
  if (what == "del") {
    if (o.args.size() != 5) return Usage("goods del needs GOODS");
    const long before = goods.GetGoodsNumInMap(m.nID);
    std::string sql = "DELETE FROM [GOODSTABLE] WHERE [MAPID] = " + std::to_string(m.nID) +
                      " AND [NAME] = '" + Gbk(o.args[4]) + "'";
    if (Gbk(o.args[4]).find('\'') != std::string::npos)
      return Fail(kProgram, "goods names may not hold '");
    if (!game.db->ExecuteCommand(sql.c_str()))
      return Fail(kProgram, "cannot delete goods " + o.args[4]);
    const long removed = before - goods.GetGoodsNumInMap(m.nID);
    if (removed == 0) return Fail(kProgram, "no goods " + o.args[4] + " on map " + o.args[2]);
    std::printf("deleted goods %s\n", o.args[4].c_str());
    return 0;
  }
  if (what != "add") return Usage("unknown goods command " + what);
  if (o.args.size() != 5) return Usage("goods add needs GOODS");
  stGoodsInfo g;
  g.nMapID = m.nID;
  const std::string name = Gbk(o.args[4]), picture = Gbk(o.Value("--picture")),
                    shadow = Gbk(o.Value("--shadow", "none"));
  if (name.size() > 31 || picture.size() > 31 || shadow.size() > 31)
    return Fail(kProgram, "names and pictures have at most 31 bytes");
  std::strcpy(g.szName, name.c_str());
  std::strcpy(g.szPicInfo, picture.c_str());
  std::strcpy(g.szShadowInfo, shadow.c_str());
  std::vector<long> at, size = {1, 1}, stand;
  if (!ParseList(o.Value("--at"), 2, at)) return Usage("goods add needs --at X,Y");
  if (o.Has("--size") && (!ParseList(o.Value("--size"), 2, size) || size[0] < 1 || size[1] < 1))
    return Usage("--size needs W,H of at least 1,1");
  if (o.Has("--stand") && !ParseList(o.Value("--stand"), 2, stand))
    return Usage("--stand needs X,Y");
  if (stand.empty()) stand = {at[0] + (size[0] - 1) / 2, at[1] + size[1] - 1};
  long frames = 1, type = 0, alpha = 0;
  if ((o.Has("--frames") && !ParseInt(o.Value("--frames"), 1, 100, frames)) ||
      (o.Has("--type") && !ParseInt(o.Value("--type"), INT32_MIN, INT32_MAX, type)) ||
      (o.Has("--alpha") && !ParseInt(o.Value("--alpha"), 0, 2, alpha)))
    return Usage("--frames 1..100, --type a number, --alpha 0, 1 or 2");
  g.nTrueX = static_cast<int32_t>(at[0]);
  g.nTrueY = static_cast<int32_t>(at[1]);
  g.nWidth = static_cast<int32_t>(size[0]);
  g.nHeight = static_cast<int32_t>(size[1]);
  g.nDrawX = static_cast<int32_t>(stand[0]);
  g.nDrawY = static_cast<int32_t>(stand[1]);
  g.nPicNum = static_cast<int32_t>(frames);
  g.nType = static_cast<int32_t>(type);
  g.nUseAlpha = static_cast<int32_t>(alpha);
  // The table shows its own message (on stderr here) for an empty name,
  // picture or shadow.
  if (!goods.AddGoods(g)) return Fail(kProgram, "goods " + o.args[4] + " not written");
  std::printf("goods %s on map %s\n", o.args[4].c_str(), o.args[2].c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> raw = tessera::tools::Args(argc, argv);
  if (int rc = tessera::tools::HelpOrVersion(raw, kProgram, kHelp); rc >= 0) return rc;
  if (raw.empty()) return Usage("no command");
  tessera::tools::UseToolMessages(kProgram);
  Options o;
  for (size_t i = 0; i < raw.size(); ++i) {
    const std::string& a = raw[i];
    if (a.size() > 2 && a[0] == '-' && a[1] == '-') {
      if (!kValueOptions.count(a)) return Usage("unknown option " + a);
      if (i + 1 >= raw.size()) return Usage(a + " needs a value");
      o.values[a].push_back(raw[++i]);
    } else {
      o.args.push_back(a);
    }
  }
  if (o.args.size() < 2) return Usage("a command needs GAME.mdb");
  const std::string& cmd = o.args[0];
  if (cmd != "import-tiled" && cmd != "create" && cmd != "info" && cmd != "cells" && cmd != "goods")
    return Usage("unknown command " + cmd);
  Game game;
  std::string error;
  if (!game.Open(o.args[1], o.Value("--pack", "\\maps.pak"), error)) return Fail(kProgram, error);
  if (cmd == "import-tiled") return ImportTiled(game, o);
  if (cmd == "create") return Create(game, o);
  if (cmd == "info") return Info(game, o);
  if (cmd == "cells") return Cells(game, o);
  return Goods(game, o);
}
