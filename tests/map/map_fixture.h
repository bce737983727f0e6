// What the map suites share: a real resource pack and display manager, the
// map manager over its own scene database, and helpers that write map
// records, cell files, pictures and objects with known pixels.
#ifndef TESSERA_TESTS_MAP_MAP_FIXTURE_H
#define TESSERA_TESTS_MAP_MAP_FIXTURE_H

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "database/map_database.h"
#include "database/schema.h"
#include "engine/view_manage.h"
#include "gui/map/map.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_object.h"
#include "gui/map/map_sprite.h"
#include "pack/res.h"
#include "platform/test_hooks.h"
#include "public/engine.h"
#include "support/surface_helpers.h"
#include "support/test_pack.h"
#include "support/test_support.h"

namespace tessera::test {

// Rectangles and points as values, so that one EXPECT_EQ checks every part.
inline std::array<int, 4> Ltrb(const tagRECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline std::pair<int, int> Xy(const tagPOINT& p) { return {p.x, p.y}; }

class MapTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    MakeTestPack(dir_, &res_);
    ASSERT_TRUE(res_);
    ASSERT_EQ(AfxCreateViewManager(800, 600, nullptr), 1);
    vm_ = AfxGetViewManager();
    vm_->Initialize(res_.get());
    scene_ = dir_.path() + "\\game\\scene.mdb";
    ASSERT_TRUE(CreateDataBaseFile(scene_));
    ASSERT_TRUE(AfxGetMapManager()->Init(scene_.c_str()));
    std::filesystem::create_directories("data");  // the cell files' folder
    // What every map's chat box shows: its backing picture and caret frames.
    AddPicture("pwEditBack", 496, 30, 0x0010);
    for (const char* id : {"EditCurs00", "EditCurs01", "EditCurs02"}) AddPicture(id, 2, 14, 0x7FFF);
  }
  void TearDown() override {
    ResetMapManagerForTests();
    AfxFreeEngine();
    res_.reset();
    EngineTest::TearDown();
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
    AddToPack(res_.get(), id, PackImage(MakeDib(w, h, colour).get()));
  }

  TempDir dir_;
  std::unique_ptr<CRes> res_;
  CVIEWMANAGE* vm_ = nullptr;
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

}  // namespace tessera::test

#endif
