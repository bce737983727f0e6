// The map manager: input to objects or the map, enter and leave, release
// and exit.  The mini-map: view frame, discs, drawing, clicks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_object.h"
#include "gui/map/small_map.h"
#include "input/mouse.h"
#include "map/map_fixture.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::CountingPlayer;
using tessera::test::MakeDib;
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
  // A 3200 x 2400 map under an 800 x 600 view at origin (600, 600).
  QMap* BigMap() {
    QMap* m = MakeMap(100, 75, 32, 800, 600);
    m->EnableAutoScroll(false);
    m->m_nNowLeft = m->m_nNowTop = 600;
    return m;
  }
  // The big map with a player at (30, 25), and the manager running it.
  QMap* Scene() {
    QMap* m = BigMap();
    player = AddWalker(30, 25);
    m->SetMySelf(player);
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
    Mouse(5, 200);
    (manager->*c.handler)(manager);
    EXPECT_EQ(player->GetPlayerState(), c.mapSlot == kMap + 0 ? PS_WALK : PS_STAND);
    const std::pair<void*, int> first = c.objectSlot < 0
                                            ? std::make_pair(static_cast<void*>(m), c.mapSlot)
                                            : std::make_pair(static_cast<void*>(o), c.objectSlot);
    EXPECT_EQ(g_calls, (std::vector<std::pair<void*, int>>{first, {m, c.mapSlot}}));
  }
  // The click on open ground walked the player to the cell under the
  // mouse, and the walk scrolls the view again.
  EXPECT_EQ(tessera::test::Xy(player->m_ptTargetPoint), std::make_pair(18, 25));
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

using MapManagerSceneTest = WalkerTest;

// A failed Init leaves no tables and a second Init keeps the first; the
// chain manager draws the manager, which draws the map; a deleted object
// leaves the current map.  Freeing the engine leaves the manager running;
// Release then closes the tables, leaves the bottom layer and gives the
// equipment pictures back.
TEST_F(MapManagerSceneTest, InitOnceReleaseEverythingAfterTheEngine) {
  CMapManager* m = AfxGetMapManager();
  EXPECT_FALSE(m->Init((dir.path() + "\\nothing.mdb").c_str()));
  EXPECT_EQ(m->GetMapDbb(), nullptr);
  ASSERT_TRUE(m->Init(GamePath().c_str()));
  EXPECT_TRUE(m->Init("another.mdb"));
  EXPECT_STREQ(m->m_szDataBase, GamePath().c_str());
  QMap* cur = MakeMap(10, 10);
  cur->m_pBackGround = MakeDib(320, 320, 0x0210).release();
  AddWalker(3, 3);
  CMapObject* o = tessera::test::MakeObject(cur, 2, 2, 1, 1, 0, 0, nullptr);
  cur->AddObject(o);
  m->CreateNewMap(map.release());
  AfxCreateMouse();
  AfxGetChainManager()->ShowAll(vm->GetRenderSurface());
  EXPECT_EQ(vm->GetRenderSurface()->GetPixel(300, 200).GetColor(), 0x0210);
  EXPECT_EQ(m->FindObject(70, 70), o);
  delete o;
  EXPECT_EQ(cur->GetObjectList().size(), 1u);
  CEquipPool::CreateEquip(9, 0, 0, 0, 1);  // an entry no character gives back
  AfxFreeEngine();
  EXPECT_EQ(AfxGetMapManager(), m);
  EXPECT_TRUE(m->IsRunning());
  m->Release();
  EXPECT_FALSE(m->IsRunning());
  EXPECT_EQ(m->FindObject(10, 10), nullptr);
  EXPECT_EQ(AfxGetDataBase(GamePath().c_str()), nullptr);
  EXPECT_EQ(AfxGetChainManager()->GetChain(CHAIN_BOTTOM)->GetCount(), 0);
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

constexpr uint16_t kPicture = 0x0C63;
constexpr uint16_t kWhite = 0x7FFF;

class SmallMapTest : public MapManagerInputTest {
 protected:
  void SetUp() override {
    MapManagerInputTest::SetUp();
    // The reduced map: one colour, its top-left 4 x 4 corner keyed.
    auto pic = MakeDib(200, 150, kPicture);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) pic->SetPixel(x, y, COLOR_KEY);
    AddBatch({{"SmallPic01", tessera::test::PackImage(pic.get())}});
  }
  // The big map with a mini-map of 200 x 150.
  QSmallMap* Big(const tagRECT& where = {0, 0, 200, 150}) {
    auto* mini = new QSmallMap;
    EXPECT_TRUE(mini->Init(BigMap(), "SmallPic01", where));
    return mini;
  }
  CMapObject* At(int x, int y) {
    auto* o = new CMapObject;
    o->Init(9, "mark", last, nullptr);
    o->MoveTo(x, y);
    last->AddObject(o);
    return o;
  }
  std::set<std::pair<int, int>> PixelsOf(SURFACE* s, uint16_t colour) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < s->GetHeight(); ++y)
      for (int x = 0; x < s->GetWidth(); ++x)
        if (s->GetPixel(x, y).GetColor() == colour) out.insert({x, y});
    return out;
  }
};

// Init links the map and the interface layer.  The overlay: the view
// frame, then one disc per listed object.
TEST_F(SmallMapTest, ViewFrameAndDiscs) {
  QSmallMap* mini = Big();
  EXPECT_EQ(last->GetSmallMap(), mini);
  EXPECT_EQ(mini->m_pAreaChain, AfxGetChainManager()->GetChain(CHAIN_TOP));
  // Standing cell (c, r) lands on (2c, 2r) of the mini-map.  A disc's rows
  // and columns run from the centre - r up to, not including, the centre +
  // r: radius 2 is the 3 x 3 square and one more pixel left and up.
  CMapObject* red = At(10, 50);
  EXPECT_TRUE(mini->AddDispObject(red, 2, PIXEL(0x7C00)));
  EXPECT_FALSE(mini->AddDispObject(red, 5, PIXEL(0x4210)));  // once per object
  mini->AddDispObject(At(30, 50), 0, PIXEL(0x001F));         // radius 0: nothing
  mini->Show(vm->GetRenderSurface());
  SURFACE* o = mini->GetOverlay();
  // rw = 800 * 200 / 3200 - 3 = 47, rh = 600 * 150 / 2400 - 3 = 34,
  // x0 = 600 * 200 / 3200 + 1 = 38, y0 = 600 * 150 / 2400 + 1 = 38.
  std::set<std::pair<int, int>> want;
  for (int i = 0; i < 47; ++i) want.insert({38 + i, 38}), want.insert({38 + i, 72});
  for (int j = 0; j < 34; ++j) want.insert({38, 38 + j}), want.insert({85, 38 + j});
  EXPECT_EQ(PixelsOf(o, kWhite), want);
  EXPECT_EQ(o->GetPixel(85, 72).GetColor(), kPicture);  // the corner left open
  EXPECT_EQ(o->GetPixel(1, 1).GetColor(), COLOR_KEY);
  want = {{18, 100}, {20, 98}};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) want.insert({20 + dx, 100 + dy});
  EXPECT_EQ(PixelsOf(o, 0x7C00), want);
  EXPECT_TRUE(PixelsOf(o, 0x001F).empty());
  EXPECT_TRUE(mini->DelDispObject(red));
  EXPECT_FALSE(mini->DelDispObject(red));
  // A disc at the mini-map's edge is cut there.
  mini->DelAllObject();
  mini->AddDispObject(At(0, 0), 4, PIXEL(0x4210));
  mini->Show(vm->GetRenderSurface());
  EXPECT_EQ(PixelsOf(o, 0x4210).size(), 15u);  // the quarter with x, y >= 0
}

TEST_F(SmallMapTest, ClickCentresTheMainView) {
  QSmallMap* mini = Big({600, 0, 800, 150});
  last->EnableAutoScroll(true);
  AfxGetMouse()->SetMousePos(700, 75);
  mini->m_pfnClick(mini);
  EXPECT_EQ(std::make_pair(last->GetNowLeft(), last->GetNowTop()),
            std::make_pair(1600 - 400, 1200 - 300));
  EXPECT_FALSE(last->m_bAutoScroll);
}

TEST_F(SmallMapTest, DrawnTranslucently) {
  QMap* m = MakeMap(10, 10, 32, 320, 240);
  auto* mini = new QSmallMap;
  ASSERT_TRUE(mini->Init(m, "SmallPic01", {10, 10, 50, 40}));
  auto frame = MakeDib(160, 120, 0x1234);
  mini->Show(frame.get());
  // Level 20 of 32: the destination keeps 32 - 20 parts.  The view frame's
  // left edge is the overlay's column 1.
  EXPECT_EQ(frame->GetPixel(10 + 20, 10 + 10).GetColor(),
            tessera::test::ReferenceTransMix(kPicture, 0x1234, 12));
  EXPECT_EQ(frame->GetPixel(10 + 1, 10 + 10).GetColor(),
            tessera::test::ReferenceTransMix(kWhite, 0x1234, 12));
  for (auto [x, y] : {std::make_pair(10, 10), {9, 9}, {50, 20}})  // keyed corner, outside
    EXPECT_EQ(frame->GetPixel(x, y).GetColor(), 0x1234) << x << "," << y;
}

TEST_F(SmallMapTest, AMissingPictureDrawsNothing) {
  QMap* m = MakeMap(10, 10);
  auto* mini = new QSmallMap;
  EXPECT_FALSE(mini->Init(m, "NoPicture1", {0, 0, 40, 30}));
  EXPECT_EQ(m->GetSmallMap(), mini);
  auto frame = MakeDib(160, 120, 0x1234);
  mini->Show(frame.get());
  for (uint16_t p : tessera::test::Pixels(frame.get())) ASSERT_EQ(p, 0x1234);
  // Without a map size there is nothing to scale: the picture alone.
  auto* flat = new QSmallMap;
  QMap empty(tagRECT{0, 0, 100, 100});
  ASSERT_TRUE(flat->Init(&empty, "SmallPic01", {0, 0, 40, 30}));
  flat->AddDispObject(At(1, 1), 3, PIXEL(0x7C00));
  flat->Show(frame.get());
  EXPECT_TRUE(PixelsOf(flat->GetOverlay(), 0x7C00).empty());
  EXPECT_TRUE(PixelsOf(flat->GetOverlay(), kWhite).empty());
}

}  // namespace
