// The map manager's input: a click on an object, a click on open ground
// walking the player, the other events, enter and leave calls; and the
// manager's release, its independence from AfxFreeEngine and a clean exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "gui/chain_manager.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_object.h"
#include "input/mouse.h"
#include "map/walker_fixture.h"

namespace {

using tessera::test::CountingPlayer;
using tessera::test::WalkerTest;

std::vector<std::pair<void*, int>> g_calls;
template <int N>
void Record(void* p) {
  g_calls.emplace_back(p, N);
}
// Map area callbacks are recorded as 100 + their slot.
constexpr int kMap = 100;

class MapManagerInputTest : public WalkerTest {
 protected:
  void SetUp() override {
    WalkerTest::SetUp();
    g_calls.clear();
    AfxCreateMouse();
    manager = AfxGetMapManager();
  }
  void TearDown() override {
    g_calls.clear();
    WalkerTest::TearDown();
  }
  // A 3200 x 2400 map under an 800 x 600 view at origin (600, 600), a
  // player at (30, 25), and the manager running it.
  QMap* Scene() {
    QMap* m = MakeMap(100, 75, 32, 800, 600);
    player = AddWalker(30, 25);
    m->SetMySelf(player);
    m->EnableAutoScroll(false);
    m->m_nNowLeft = m->m_nNowTop = 600;
    m->m_pfnClick = &Record<kMap + 0>;
    m->m_pfnEvent1 = &Record<kMap + 1>;
    m->m_pfnEvent2 = &Record<kMap + 2>;
    m->m_pfnPress = &Record<kMap + 3>;
    m->m_pfnEvent4 = &Record<kMap + 4>;
    manager->CreateNewMap(map.release());
    return m;
  }
  // A plain object whose area covers view pixels (x, y) to (x + 40, y + 40)
  // under the origin (600, 600); its eight callbacks record their slot.
  CMapObject* Thing(int x, int y, enMapObjectType type = MOT_OBJECT) {
    auto* o = new CMapObject;
    o->Init(50, "thing", manager->GetCurMap(), nullptr);
    o->m_nType = type;
    o->m_rcArea = {600 + x, 600 + y, 640 + x, 640 + y};
    const AREA_CALLBACK slots[] = {&Record<0>, &Record<1>, &Record<2>, &Record<3>,
                                   &Record<4>, &Record<5>, &Record<6>, &Record<7>};
    std::copy(std::begin(slots), std::end(slots), o->m_pfnCallBack);
    manager->GetCurMap()->AddObject(o);
    return o;
  }
  void Mouse(int x, int y) { AfxGetMouse()->SetMousePos(x, y); }

  CMapManager* manager = nullptr;
  CountingPlayer* player = nullptr;
};

// Over an object its own slot is called (a click there walks nobody);
// over open ground the map's, and a click walks the player; a press only
// reaches characters.
TEST_F(MapManagerInputTest, EventsGoToTheObjectOrTheMap) {
  QMap* m = Scene();
  CMapObject* o = Thing(90, 40);
  Thing(300, 300, MOT_GOODS);
  const struct {
    AREA_CALLBACK CMapManager::*handler;
    int objectSlot, mapSlot;
  } cases[] = {{&QArea::m_pfnClick, 5, kMap + 0},
               {&QArea::m_pfnEvent1, 7, kMap + 1},
               {&QArea::m_pfnEvent2, 3, kMap + 2},
               {&QArea::m_pfnPress, -1, kMap + 3},
               {&QArea::m_pfnEvent4, 6, kMap + 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mapSlot);
    g_calls.clear();
    player->SetPlayerState(PS_STAND);
    Mouse(100, 50);
    (manager->*c.handler)(manager);
    EXPECT_EQ(player->GetPlayerState(), PS_STAND);
    Mouse(5, 5);
    (manager->*c.handler)(manager);
    EXPECT_EQ(player->GetPlayerState(), c.mapSlot == kMap + 0 ? PS_WALK : PS_STAND);
    const std::pair<void*, int> first = c.objectSlot < 0
                                            ? std::make_pair(static_cast<void*>(m), c.mapSlot)
                                            : std::make_pair(static_cast<void*>(o), c.objectSlot);
    EXPECT_EQ(g_calls, (std::vector<std::pair<void*, int>>{first, {m, c.mapSlot}}));
  }
  // The click on open ground walked the player to the cell under the
  // mouse, and the walk scrolls the view again.
  EXPECT_EQ(tessera::test::Xy(player->m_ptTargetPoint), std::make_pair(18, 18));
  EXPECT_TRUE(m->m_bAutoScroll);
  // A press on a character reaches it; on goods it is the map's.
  o->m_nType = MOT_TALKER;
  g_calls.clear();
  Mouse(100, 50);
  manager->m_pfnPress(manager);
  Mouse(310, 310);
  manager->m_pfnPress(manager);
  EXPECT_EQ(g_calls, (std::vector<std::pair<void*, int>>{{o, 4}, {m, kMap + 3}}));
}

TEST_F(MapManagerInputTest, EnterAndLeave) {
  Scene();
  CMapObject* a = Thing(10, 10);
  CMapObject* b = Thing(100, 10);
  Thing(200, 10, MOT_GOODS);
  auto hover = [&](int x, int y) {
    Mouse(x, y);
    manager->m_pfnMouseOver(manager);
  };
  hover(20, 20);
  hover(25, 25);  // still A: nothing new
  hover(110, 20);
  hover(210, 20);  // goods: B leaves, nobody enters
  hover(500, 500);
  const std::vector<std::pair<void*, int>> want = {{a, 1}, {b, 1}, {a, 2}, {b, 2}};
  EXPECT_EQ(g_calls, want);
  EXPECT_EQ(tessera::HoveredMapObject(), nullptr);
  // An entered object that is deleted is forgotten, never called.
  hover(20, 20);
  delete a;
  g_calls.clear();
  hover(500, 500);
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(MapManagerInputTest, NothingWithoutAMapOrAPlayer) {
  Mouse(100, 50);
  using Slot = AREA_CALLBACK CMapManager::*;
  for (Slot h :
       {Slot{&QArea::m_pfnClick}, Slot{&QArea::m_pfnEvent1}, Slot{&QArea::m_pfnEvent2},
        Slot{&QArea::m_pfnPress}, Slot{&QArea::m_pfnEvent4}, Slot{&CMapManager::m_pfnMouseOver}})
    (manager->*h)(manager);
  EXPECT_EQ(manager->FindObject(100, 50), nullptr);
  QMap* m = MakeMap(10, 10);
  m->m_pfnClick = &Record<kMap>;
  manager->CreateNewMap(map.release());
  manager->m_pfnClick(manager);  // no player: nothing at all
  EXPECT_TRUE(g_calls.empty());
}

class MapManagerSceneTest : public WalkerTest {
 protected:
  std::string GamePath() { return dir.path() + "\\game\\game.mdb"; }
};

// A failed Init leaves no tables; freeing the engine leaves the manager
// running; Release, with the display manager gone, gives the equipment
// pictures back.
TEST_F(MapManagerSceneTest, InitOnceReleaseEverythingAfterTheEngine) {
  CMapManager* m = AfxGetMapManager();
  EXPECT_FALSE(m->Init((dir.path() + "\\nothing.mdb").c_str()));
  EXPECT_EQ(m->GetMapDbb(), nullptr);
  ASSERT_TRUE(m->Init(GamePath().c_str()));
  MakeMap(10, 10);
  AddWalker(3, 3);
  m->CreateNewMap(map.release());
  CEquipPool::CreateEquip(9, 0, 0, 0, 1);  // an entry no character gives back
  AfxFreeEngine();
  EXPECT_EQ(AfxGetMapManager(), m);
  EXPECT_TRUE(m->IsRunning());
  m->Release();
  EXPECT_FALSE(m->IsRunning());
  EXPECT_EQ(m->FindObject(10, 10), nullptr);
  EXPECT_TRUE(CEquipPool::GetEquipList().empty());
}

// A game may simply return from main with its map installed: the manager
// must leave the chain manager's layer before that is destroyed.
TEST_F(MapManagerSceneTest, ExitingWithAMapInstalledEndsCleanly) {
  EXPECT_EXIT(
      {
        CMapManager* m = AfxGetMapManager();
        if (!m->Init(GamePath().c_str())) std::_Exit(3);
        MakeMap(10, 10);
        m->CreateNewMap(map.release());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
