// Maps built in code with walking characters on them.  Characters get six
// layers of role 0, item 0, two frames per direction, untinted so drawn
// pixels are the pictures' own colours (see EquipColour).
#ifndef TESSERA_TESTS_MAP_WALKER_FIXTURE_H
#define TESSERA_TESTS_MAP_WALKER_FIXTURE_H

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "gui/map/map.h"
#include "gui/map/map_player.h"
#include "gui/map/player_equip.h"
#include "map/map_fixture.h"
#include "platform/clock.h"
#include "testing/manual_clock.h"

namespace tessera::test {

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
