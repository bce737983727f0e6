// tessera-map end to end: Tiled maps in every layer encoding imported and
// checked cell by cell and pixel by pixel through the engine's own loading;
// bad maps refused with nothing written; the other commands.
#include <zlib.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/event_database.h"
#include "database/goods_database.h"
#include "database/map_database.h"
#include "gui/map/map_goods.h"
#include "map/map_fixture.h"
#include "platform/test_hooks.h"
#include "support/png_files.h"

namespace {

using tessera::test::Contains;

using tessera::test::Ltrb;
using tessera::test::MapTest;
using tessera::test::ReadFile;
using tessera::test::RunTool;
using tessera::test::WriteFile;
using tessera::test::Xy;

constexpr int kTile = 8, kCols = 5, kRows = 4;

// Tile t of the tileset, pixel (x, y): RGBA.  Tile 1 is transparent where
// x + y < 4.
void TileRgba(int t, int x, int y, uint8_t out[4]) {
  out[0] = static_cast<uint8_t>(40 + t * 50);
  out[1] = static_cast<uint8_t>(x * 32);
  out[2] = static_cast<uint8_t>(y * 32);
  out[3] = (t == 1 && x + y < 4) ? 0 : 255;
}

// An RGBA pixel in the engine's 1-5-5-5.
uint16_t To555(const uint8_t p[4]) {
  return static_cast<uint16_t>((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3);
}

void WritePng(const std::string& path, int w, int h, std::vector<uint8_t> rgba) {
  ASSERT_TRUE(tessera::test::WritePng(path, {w, h, 4, std::move(rgba)}));
}

// The tileset picture: 2 x 2 tiles, margin 1, spacing 1 (19 x 19), the gaps
// in a colour no tile has.
void WriteTilesetPng(const std::string& path) {
  std::vector<uint8_t> px(19 * 19 * 4);
  for (size_t i = 0; i < px.size(); i += 4)
    px[i] = 255, px[i + 1] = 0, px[i + 2] = 255, px[i + 3] = 255;
  for (int t = 0; t < 4; ++t)
    for (int y = 0; y < kTile; ++y)
      for (int x = 0; x < kTile; ++x) {
        const int X = 1 + (t % 2) * 9 + x, Y = 1 + (t / 2) * 9 + y;
        TileRgba(t, x, y, &px[(static_cast<size_t>(Y) * 19 + X) * 4]);
      }
  WritePng(path, 19, 19, px);
}

const uint32_t kFlipH = 0x80000000u;
// The three tile layers, gids row by row.
// A layer of `fill`, with (cell, gid) pairs set.
std::vector<uint32_t> Layer(uint32_t fill, std::initializer_list<std::pair<int, uint32_t>> set) {
  std::vector<uint32_t> g(kCols * kRows, fill);
  for (auto [cell, gid] : set) g[static_cast<size_t>(cell)] = gid;
  return g;
}
std::vector<uint32_t> Ground() { return Layer(1, {{3 * kCols + 4, 3}, {1 * kCols, 1 | kFlipH}}); }
// Gid 4 is a tile with blocked = true.
std::vector<uint32_t> Deco() { return Layer(0, {{1 * kCols + 2, 2}, {2 * kCols + 3, 4}}); }
std::vector<uint32_t> Blocked() { return Layer(0, {{0, 1}, {3 * kCols + 1, 1}}); }

std::string Base64(const std::vector<uint8_t>& bytes) {
  static const char k[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                 (i + 2 < bytes.size() ? bytes[i + 2] : 0);
    out += k[v >> 18 & 63];
    out += k[v >> 12 & 63];
    out += i + 1 < bytes.size() ? k[v >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? k[v & 63] : '=';
  }
  return out;
}

std::vector<uint8_t> Le(const std::vector<uint32_t>& gids) {
  std::vector<uint8_t> b;
  for (uint32_t g : gids)
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(g >> (8 * i)));
  return b;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in, bool gzip) {
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&zs, static_cast<uLong>(in.size())) + 32);
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// One <layer> in an encoding: "csv", "base64", "zlib", "gzip" or "xml".
std::string LayerXml(const std::string& name, const std::vector<uint32_t>& gids,
                     const std::string& enc) {
  std::string data;
  if (enc == "csv") {
    data = "<data encoding=\"csv\">\n";
    for (size_t i = 0; i < gids.size(); ++i)
      data += std::to_string(gids[i]) + (i + 1 < gids.size() ? "," : "") +
              ((i + 1) % kCols ? "" : "\n");
    data += "</data>";
  } else if (enc == "base64") {
    data = "<data encoding=\"base64\">\n   " + Base64(Le(gids)) + "\n  </data>";
  } else if (enc == "zlib" || enc == "gzip") {
    data = "<data encoding=\"base64\" compression=\"" + enc + "\">" +
           Base64(Deflate(Le(gids), enc == "gzip")) + "</data>";
  } else {
    data = "<data>";
    for (uint32_t g : gids) data += g ? "<tile gid=\"" + std::to_string(g) + "\"/>" : "<tile/>";
    data += "</data>";
  }
  return "<layer id=\"1\" name=\"" + name + "\" width=\"5\" height=\"4\">" + data + "</layer>\n";
}

const char kTilesetBody[] = R"(<image source="tiles.png" width="19" height="19"/>
<tile id="3"><properties><property name="blocked" type="bool" value="true"/></properties></tile>
)";

std::string TilesetTag(bool external) {
  if (external) return "<tileset firstgid=\"1\" source=\"art/tiles.tsx\"/>\n";
  return R"(<tileset firstgid="1" name="tiles" tilewidth="8" tileheight="8" spacing="1" margin="1"
 tilecount="4" columns="2">
)" + std::string(kTilesetBody) +
         "</tileset>\n";
}

std::string MapXml(const std::string& enc, bool external) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.10" orientation="orthogonal" renderorder="right-down"
 width="5" height="4" tilewidth="8" tileheight="8" infinite="0">
<properties><property name="explain" value="village square"/></properties>
)" + TilesetTag(external) +
         LayerXml("ground", Ground(), enc) + LayerXml("deco", Deco(), enc) +
         LayerXml("blocked", Blocked(), enc) + R"(<objectgroup id="4" name="things">
 <object id="1" name="lamp" gid="2" x="16" y="24" width="8" height="8"/>
 <object id="2" name="lamp" gid="2" x="32" y="16" width="8" height="8"/>
 <object id="3" name="door" type="event" x="8" y="16" width="8" height="8">
  <properties><property name="eventtype" type="int" value="7"/></properties></object>
 <object id="4" name="note" x="1" y="1"/>
</objectgroup>
</map>
)";
}

// The background the engine should show: the visible layers drawn in
// order over black, in 1-5-5-5.
std::vector<uint16_t> ExpectedBackground() {
  std::vector<uint16_t> out(kCols * kTile * kRows * kTile, 0);
  for (const auto& layer : {Ground(), Deco()})
    for (int cell = 0; cell < kCols * kRows; ++cell) {
      const uint32_t gid = layer[cell];
      if (!(gid & 0x0FFFFFFF)) continue;
      const int t = static_cast<int>((gid & 0x0FFFFFFF) - 1);
      for (int y = 0; y < kTile; ++y)
        for (int x = 0; x < kTile; ++x) {
          uint8_t p[4];
          TileRgba(t, (gid & kFlipH) ? kTile - 1 - x : x, y, p);
          if (!p[3]) continue;
          const int X = (cell % kCols) * kTile + x, Y = (cell / kCols) * kTile + y;
          out[static_cast<size_t>(Y) * kCols * kTile + X] = To555(p);
        }
    }
  return out;
}

std::string ExpectedCells() {
  std::string c(kCols * kRows, '\0');
  c[0] = c[3 * kCols + 1] = c[2 * kCols + 3] = 1;
  return c;
}

class TiledImportTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    game_ = dir.path() + "/game/game.mdb";
    std::filesystem::create_directories(dir.File("maps/art"));
    WriteTilesetPng(dir.File("maps/tiles.png"));
    WriteTilesetPng(dir.File("maps/art/tiles.png"));
    WriteFile(dir.File("maps/art/tiles.tsx"), R"(<?xml version="1.0"?>
<tileset version="1.10" name="tiles" tilewidth="8" tileheight="8" spacing="1" margin="1"
 tilecount="4" columns="2">
)" + std::string(kTilesetBody) + "</tileset>\n");
  }
  tessera::test::ToolResult Tool(const std::string& args) {
    return RunTool(TESSERA_TOOL_PATH, args, dir);
  }
  tessera::test::ToolResult Import(const std::string& name, const std::string& xml) {
    WriteFile(dir.File("maps/" + name + ".tmx"), xml);
    return Tool("import-tiled '" + game_ + "' '" + dir.File("maps/" + name + ".tmx") + "'");
  }
  long Rows(const char* table) {
    CDataBase db;
    EXPECT_TRUE(db.ConnectAccess(game_.c_str()));
    tessera::RecordsetPtr rs;
    return db.OpenSource((std::string("SELECT * FROM [") + table + "]").c_str(), rs)
               ? db.GetRecordCount(rs)
               : -1;
  }
  // The engine's view of the imported map: the manager over the game database.
  void UseGameDatabase() {
    tessera::ResetMapManagerForTests();
    ASSERT_TRUE(AfxGetMapManager()->Init(game_.c_str()));
  }
  std::string game_;
};

TEST_F(TiledImportTest, EveryEncodingAndTilesetKindGivesTheSameMap) {
  const struct {
    const char* enc;
    bool external;
  } kinds[] = {{"csv", false}, {"base64", false}, {"zlib", false}, {"gzip", true}, {"xml", false}};
  int n = 0;
  std::set<unsigned long> goodsIds;  // every map its own goods, never an earlier map's
  for (const auto& k : kinds) {
    const std::string name = std::string("v") + k.enc + (k.external ? "x" : "");
    SCOPED_TRACE(name);
    auto r = Import(name, MapXml(k.enc, k.external));
    ASSERT_EQ(r.status, 0) << r.err;
    // The plain object is skipped, with a warning.
    EXPECT_TRUE(Contains(r.err, "note"));
    ++n;
    UseGameDatabase();
    QMap map;
    ASSERT_TRUE(map.LoadMap(name.c_str()));
    EXPECT_EQ((std::array<int, 3>{map.GetWidth(), map.GetHeight(), map.GetUnitSize()}),
              (std::array<int, 3>{kCols * kTile, kRows * kTile, kTile}));
    EXPECT_EQ(std::string(map.GetMapInfo(), kCols * kRows), ExpectedCells());
    ASSERT_NE(map.GetBackGround(), nullptr);
    const std::vector<uint16_t> want = ExpectedBackground();
    for (int y = 0; y < kRows * kTile; ++y)
      for (int x = 0; x < kCols * kTile; ++x)
        ASSERT_EQ(map.GetBackGround()->GetPixel(x, y).GetColor(),
                  want[static_cast<size_t>(y) * kCols * kTile + x])
            << x << "," << y;
    stMapInfo record;
    ASSERT_TRUE(AfxGetMapManager()->GetMapDbb()->GetMapInfo(name.c_str(), record));
    EXPECT_STREQ(record.szExplain, "village square");

    // Two goods of one tile, the second renamed, sharing one set of frames.
    map.LoadGoods();
    ASSERT_EQ(map.GetObjectList().size(), 2u);
    CMapObject* lamp = map.GetObjectList()[0];
    CMapObject* lamp2 = map.GetObjectList()[1];
    EXPECT_STREQ(lamp->GetName(), "lamp");
    EXPECT_STREQ(lamp2->GetName(), "lamp#2");
    EXPECT_TRUE(goodsIds.insert(lamp->GetId()).second);
    EXPECT_STREQ(lamp->GetPicinfo(), lamp2->GetPicinfo());
    // A tile object stands on its bottom-left corner.
    EXPECT_EQ(Ltrb(lamp->GetArea()), (std::array<int, 4>{16, 16, 24, 24}));
    EXPECT_EQ(Xy(lamp->GetNowPoint()), std::make_pair(2, 2));
    EXPECT_EQ(Xy(lamp2->GetNowPoint()), std::make_pair(4, 1));
    SURFACE* frame = lamp->GetSprite()->GetCurSurface();
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < kTile; ++y)
      for (int x = 0; x < kTile; ++x) {
        uint8_t p[4];
        TileRgba(1, x, y, p);
        ASSERT_EQ(frame->GetPixel(x, y).GetColor(), p[3] ? To555(p) : COLOR_KEY) << x << "," << y;
      }
    // The event, on its scene, at its cell.
    CEventDataBase* events = AfxGetMapManager()->GetEventDbb();
    ASSERT_EQ(events->GetEventNumInScene(map.GetId()), 1);
    stEventInfo e[1];
    ASSERT_TRUE(events->GetEventInScene(e));
    EXPECT_EQ(std::make_pair(e[0].nEventType, e[0].nFilePos), std::make_pair(7, 2 * kCols + 1));
    EXPECT_STREQ(e[0].szExplain, "door");
  }
  EXPECT_EQ(Rows("MAPTABLE"), n);
}

TEST_F(TiledImportTest, ImportingAgainReplacesTheMapItsGoodsAndEvents) {
  ASSERT_EQ(Import("again", MapXml("csv", false)).status, 0);
  auto r = Tool("import-tiled '" + game_ + "' '" + dir.File("maps/again.tmx") + "' --name again");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Rows("MAPTABLE"), 1);
  EXPECT_EQ(Rows("GOODSTABLE"), 2);
  EXPECT_EQ(Rows("EVENTTABLE"), 1);
}

TEST_F(TiledImportTest, DamagedAndUnsupportedMapsAreRefusedWithNothingWritten) {
  const std::string good = MapXml("csv", false);
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    const size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
  };
  std::string shortCsv = MapXml("csv", false);
  shortCsv.replace(shortCsv.find("1,1,1,1,1,\n"), 11, "1,1,1,1,\n");
  std::string badZlib = MapXml("zlib", false);
  badZlib[badZlib.find("compression=\"zlib\">") + 25] ^= 0x05;
  const struct {
    std::string xml, why;
  } cases[] = {
      {good.substr(0, good.size() / 2), "not XML"},
      {replace("orthogonal", "isometric"), "orientation \"isometric\""},
      {replace("width=\"5\" height=\"4\" tilewidth", "width=\"1001\" height=\"4\" tilewidth"),
       "too large"},
      {replace("infinite=\"0\"", "infinite=\"1\""), "infinite"},
      {replace("tileheight=\"8\" infinite", "tileheight=\"16\" infinite"), "square"},
      {shortCsv, "cells"},
      {badZlib, "layer"},
      {replace("tiles.png", "missing.png"), "missing.png"},
      {replace("<objectgroup", "<imagelayer id=\"9\" name=\"sky\"/><objectgroup"), "image layer"},
      {replace("<data encoding=\"csv\">", "<data encoding=\"base64\" compression=\"zstd\">"),
       "zstd"},
      {replace("gid=\"2\" x=\"16\"", "gid=\"9\" x=\"16\""), "no tileset"},
      {replace("name=\"ground\" width=\"5\"", "name=\"ground\" offsetx=\"4\" width=\"5\""),
       "offset"},
      {replace("<tileset", "<tileset firstgid=\"100\" source=\"gone.tsx\"/><tileset"), "gone.tsx"},
  };
  const long resources = Rows("RESTABLE");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    auto r = Import("broken", c.xml);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Contains(r.err, "tessera-map: "));
    EXPECT_TRUE(Contains(r.err, c.why));
    EXPECT_EQ(Rows("MAPTABLE"), 0);
    EXPECT_EQ(Rows("RESTABLE"), resources);
    EXPECT_FALSE(std::filesystem::exists("data/broken.map"));
  }
}

TEST_F(TiledImportTest, AFailureAfterTheRowsAreWrittenRollsThemBack) {
  // A file where the cells' folder should be: the cell file cannot be
  // written after every row is.
  std::filesystem::remove_all("data");
  WriteFile("data", "in the way");
  const long resources = Rows("RESTABLE");
  auto r = Import("late", MapXml("csv", false));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "nothing was changed"));
  EXPECT_EQ(std::make_tuple(Rows("MAPTABLE"), Rows("GOODSTABLE"), Rows("EVENTTABLE")),
            std::make_tuple(0L, 0L, 0L));
  EXPECT_EQ(Rows("RESTABLE"), resources);
}

TEST_F(TiledImportTest, CommandLineConventions) {
  const struct {
    std::string args;
    int status;
    std::string text;  // in the output or the error
  } cases[] = {{"--version", 0, "tessera-map"},
               {"", 2, "usage:"},
               {"explode '" + game_ + "'", 2, "usage:"},
               {"info '" + game_ + "' x --bogus 1", 2, ""},
               {"info nowhere.mdb x", 1, "tessera-map: nowhere.mdb"}};
  for (const auto& c : cases) {
    auto r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_TRUE(Contains((r.out + r.err), c.text));
  }
}

TEST_F(TiledImportTest, CreateCellsAndGoodsCommands) {
  // A 64 x 48 picture: 4 x 3 cells of 16.
  WritePng(dir.File("field.png"), 64, 48, std::vector<uint8_t>(64 * 48 * 4, 200));
  const std::string db = "'" + game_ + "'";
  auto r = Tool("create " + db + " field '" + dir.File("field.png") + "' --unit 16");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Tool("create " + db + " field '" + dir.File("field.png") + "'").status, 1);  // exists
  r = Tool("cells " + db + " field --set 1,2=1 --fill 0,0,2,1=3");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Tool("cells " + db + " field");
  EXPECT_EQ(r.out, "33..\n....\n.#..\n");
  // A change outside the grid changes nothing.
  EXPECT_EQ(Tool("cells " + db + " field --set 0,0=0 --set 4,0=1").status, 1);
  EXPECT_EQ(Tool("cells " + db + " field").out, "33..\n....\n.#..\n");
  EXPECT_EQ(Tool("cells " + db + " field --set 1=1").status, 2);

  r = Tool("goods " + db + " field add well --picture Gwell000 --at 1,0 --size 2,2 --frames 3");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Tool("goods " + db + " field list");
  EXPECT_TRUE(Contains(r.out, "well\tpicture Gwell000 x3\tat 1,0\tsize 2,2\tstands 1,1"));
  r = Tool("goods " + db + " field add bad --at 1,1");  // no picture: the table's own message
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "tessera-map: \xE5\x9B\xBE\xE7\x89\x87\xE4\xBF\xA1\xE6\x81\xAF"));
  r = Tool("info " + db + " field");
  for (const char* line :
       {"cells of 16: 4 x 3", "12 of 12 cell bytes, 1 blocked, 2 other", "goods: 1"})
    EXPECT_TRUE(Contains(r.out, line));
  EXPECT_EQ(Tool("goods " + db + " field del well").status, 0);
  EXPECT_EQ(Tool("goods " + db + " field del well").status, 1);

  // The engine loads what create made.
  UseGameDatabase();
  QMap map;
  ASSERT_TRUE(map.LoadMap("field"));
  ASSERT_NE(map.GetBackGround(), nullptr);
  EXPECT_EQ(map.GetBackGround()->GetPixel(63, 47).GetColor(), (200 >> 3) * 0x421);
  EXPECT_EQ(std::string(map.GetMapInfo(), 12), std::string("\3\3\0\0\0\0\0\0\0\1\0\0", 12));
}

}  // namespace
