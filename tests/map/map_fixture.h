// What the map suites share: a real resource pack and display manager,
// equipment pictures stored under the ten-digit equipment identifiers, the
// map manager over its own scene database, helpers that write map records,
// cell files, pictures and objects with known pixels, and maps built in
// code with walking characters on them.
#ifndef TESSERA_TESTS_MAP_MAP_FIXTURE_H
#define TESSERA_TESTS_MAP_MAP_FIXTURE_H

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database/database.h"
#include "database/map_database.h"
#include "database/schema.h"
#include "engine/dle_surface.h"
#include "engine/view_manage.h"
#include "gui/map/equip_pool.h"
#include "gui/map/map.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_object.h"
#include "gui/map/map_player.h"
#include "gui/map/map_sprite.h"
#include "gui/map/player_equip.h"
#include "pack/res.h"
#include "platform/clock.h"
#include "platform/test_hooks.h"
#include "public/engine.h"
#include "support/surface_helpers.h"
#include "support/test_pack.h"
#include "support/test_support.h"
#include "testing/manual_clock.h"

namespace tessera::test {

// Rectangles and points as values, so that one EXPECT_EQ checks every part.
inline std::array<int, 4> Ltrb(const tagRECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline std::pair<int, int> Xy(const tagPOINT& p) { return {p.x, p.y}; }

// The colour every pixel of a picture frame gets: distinct per direction,
// state, part and frame, with blue 8 + part * 4 (the tint's strength) and
// the direction in red, the frame in green.
inline uint16_t EquipColour(long direction, long state, long part, long frame) {
  return static_cast<uint16_t>((direction * 3 + state) << 10 | (frame * 4 + 1) << 5 |
                               (8 + part * 4));
}

// A w x h frame whose left column and top row are transparent (weight 32)
// and every other pixel opaque (weight 0) in `colour`.
inline std::string EquipFrame(int w, int h, uint16_t colour) {
  std::vector<uint16_t> c(static_cast<size_t>(w) * h, colour);
  std::vector<uint8_t> t(c.size(), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (x == 0 || y == 0) t[static_cast<size_t>(y) * w + x] = 32;
  const std::vector<uint8_t> bytes = EncodeDleImage(w, h, c.data(), t.data());
  return std::string(bytes.begin(), bytes.end());
}

class EquipPackTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    MakeTestPack(dir, &res);
    ASSERT_TRUE(res);
    ASSERT_EQ(AfxCreateViewManager(800, 600, nullptr), 1);
    vm = AfxGetViewManager();
    vm->Initialize(res.get());
  }
  void TearDown() override {
    CEquipPool::ReleaseAll();
    AfxFreeEngine();
    res.reset();
    EngineTest::TearDown();
  }
  // Pictures and tint pictures of (role, state, part, item) for all eight
  // directions; frames[d] frames in direction d (default 4 each).
  void AddEquip(long role, long state, long part, long item, std::vector<int> frames = {},
                int w = 6, int h = 8) {
    if (frames.empty()) frames.assign(8, 4);
    char id[16];
    std::vector<std::pair<std::string, std::string>> batch;
    for (int d = 0; d < 8; ++d)
      for (int f = 0; f < frames[d]; ++f) {
        EquipPictureId(id, d, 1, state, role, part, item, f);
        batch.emplace_back(id, EquipFrame(w, h, EquipColour(d, state, part, f)));
        EquipPictureId(id, d, 2, state, role, part, item, f);
        batch.emplace_back(id, EquipFrame(w, h, 0x7FFF));
      }
    AddBatch(batch);
  }
  // Stores many resources at once: one append to "\a.pak" and one
  // transaction of index rows (one CRes::AddDataToPack each would sync the
  // pack and commit for every frame, which makes a person's hundreds of
  // frames slow to build).
  void AddBatch(const std::vector<std::pair<std::string, std::string>>& batch) {
    const std::string pak = dir.File("game/a.pak");
    std::string bytes = ReadFile(pak);
    CDataBase* db = AfxGetDataBase(GamePath().c_str());
    ASSERT_NE(db, nullptr);
    ASSERT_TRUE(db->ExecuteCommand("BEGIN"));
    for (const auto& [id, data] : batch) {
      const size_t start = bytes.size();
      bytes += data;
      const std::string sql = "INSERT INTO RESTABLE VALUES('" + id + "','\\a.pak'," +
                              std::to_string(start) + "," + std::to_string(bytes.size()) + ")";
      ASSERT_TRUE(db->ExecuteCommand(sql.c_str()));
    }
    ASSERT_TRUE(db->ExecuteCommand("COMMIT"));
    WriteFile(pak, bytes);
  }

  std::string GamePath() const { return dir.path() + "\\game\\game.mdb"; }

  TempDir dir;
  std::unique_ptr<CRes> res;
  CVIEWMANAGE* vm = nullptr;
};

class MapTest : public EquipPackTest {
 protected:
  void SetUp() override {
    EquipPackTest::SetUp();
    scene_ = dir.path() + "\\game\\scene.mdb";
    ASSERT_TRUE(CreateDataBaseFile(scene_));
    ASSERT_TRUE(AfxGetMapManager()->Init(scene_.c_str()));
    std::filesystem::create_directories("data");  // the cell files' folder
    // What every map's chat box shows: its backing picture and caret frames.
    AddPicture("pwEditBack", 496, 30, 0x0010);
    for (const char* id : {"EditCurs00", "EditCurs01", "EditCurs02"}) AddPicture(id, 2, 14, 0x7FFF);
  }
  void TearDown() override {
    ResetMapManagerForTests();
    EquipPackTest::TearDown();
  }

  // A MAPTABLE row.
  void AddMapRecord(const char* name, int w, int h, int unit, const char* pic) {
    stMapInfo m;
    std::strcpy(m.szName, name);
    m.nWidth = w;
    m.nHeight = h;
    m.nUnitSize = unit;
    std::strcpy(m.szPicInfo, pic);
    ASSERT_TRUE(AfxGetMapManager()->GetMapDbb()->AddMap(m));
  }
  // data/<name>.map: the 44-byte header, then `cells`.
  static void WriteCells(const std::string& name, const std::string& cells) {
    WriteFile("data/" + name + ".map", std::string(44, 'H') + cells);
  }
  // A plain surface of w x h in one colour, for whoever takes it.
  static SURFACE* Solid(int w, int h, unsigned short colour) {
    return MakeDib(w, h, colour).release();
  }
  // Stores a picture of w x h in one colour in the pack under `id`.
  void AddPicture(const std::string& id, int w, int h, unsigned short colour) {
    AddToPack(res.get(), id, PackImage(MakeDib(w, h, colour).get()));
  }

  std::string scene_;
};

// An object of `w` x `h` cells on `map`, its picture's top-left `up` cells
// above and `left` cells left of its standing cell, optionally with a
// one-frame sprite of `colour`.
inline CMapObject* MakeObject(QMap* map, int column, int row, int w, int h, int left, int up,
                              SURFACE* frame) {
  CMapObject* o = new CMapObject;
  o->Init(0, "thing", map, nullptr);
  const int u = map->GetUnitSize();
  o->m_rcArea = {0, 0, w * u, h * u};
  o->SetDrawPoint({o->GetNowPoint().x - left, o->GetNowPoint().y - up});
  o->MoveTo(column, row);
  if (frame) {
    o->m_pSprite = new CMapSprite;
    o->m_pSprite->InitSurface(&frame, 1);
  }
  return o;
}

// Characters get six layers of role 0, item 0, two frames per direction,
// untinted so drawn pixels are the pictures' own colours (see EquipColour).
// A character that counts its arrivals.
class CountingPlayer : public CMapPlayer {
 public:
  void OnArriveTarget(bool arrived) override {
    ++arrivals;
    last_arrival = arrived;
  }
  int arrivals = 0;
  bool last_arrival = false;
};

class WalkerTest : public EquipPackTest {
 protected:
  void SetUp() override {
    EquipPackTest::SetUp();
    clock = InstallManualClock(1000);
    for (long part = 0; part < 6; ++part)
      for (long state = 0; state < 2; ++state)
        AddEquip(0, state, part, 0, std::vector<int>(8, 2), 6, 8);
  }
  void TearDown() override {
    map.reset();
    EquipPackTest::TearDown();
  }

  // A map of cols x rows free cells of `unit` pixels, viewed through
  // (0, 0, viewW, viewH).  `blocked` lists cells (column, row) set to 1.
  QMap* MakeMap(int cols, int rows, int unit = 32, int viewW = 320, int viewH = 240) {
    map = std::make_unique<QMap>(tagRECT{0, 0, viewW, viewH});
    map->m_nMapWidth = cols * unit;
    map->m_nMapHeight = rows * unit;
    map->m_nUnitSize = unit;
    map->m_nCellNum = cols * rows;
    std::string cells(static_cast<size_t>(cols) * rows, '\0');
    map->SetMapInfo(cells.data(), cols * rows);
    last = map.get();
    return last;
  }
  // Blocks a cell of the last map made (even once handed to the manager).
  void Block(int x, int y) {
    last->GetMapInfo()[y * (last->GetWidth() / last->GetUnitSize()) + x] = 1;
  }

  // A character on the map at (x, y), untinted, in the map's list.
  template <typename T = CountingPlayer>
  T* AddWalker(int x, int y, long id = 1) {
    auto* p = new T;
    EXPECT_TRUE(p->Init(id, "walker", last, nullptr));
    for (long part = 0; part < 6; ++part) p->GetEquip(part)->SetCurColor(PIXEL(0));
    p->QuickMove(x, y);
    last->AddObject(p);
    return p;
  }

  // n frames of the map onto a scratch frame, the clock 20 ms on each.
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      last->Show(vm->GetRenderSurface());
      clock->Advance(20);
    }
  }

  std::unique_ptr<QMap> map;  // until handed to the map manager
  QMap* last = nullptr;
  ManualClock* clock = nullptr;
};

}  // namespace tessera::test

#endif
