// QMap: view origins, coordinates, the standing-point order against the
// literal selection sort, drawing, hit testing, loading from the scene
// tables and the cell file.
#include "gui/map/map.h"

#include <climits>
#include <cstring>
#include <vector>

#include "database/database.h"
#include "engine/alpha_surface.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/edit.h"
#include "gui/map/map_goods.h"
#include "gui/map/map_manager.h"
#include "gui/map/path_finder.h"
#include "gui/window.h"
#include "input/mouse.h"
#include "map/map_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::MakeObject;
using tessera::test::MapTest;
using tessera::test::TestRandom;

// Opens the protected parts to the tests.
class OpenMap : public QMap {
 public:
  using QMap::GetMinPoint;
  using QMap::QMap;
  using QMap::SortObjectList;
};

void SetSize(QMap& map, int w, int h, int unit) {
  map.m_nMapWidth = w;
  map.m_nMapHeight = h;
  map.m_nUnitSize = unit;
}

// Both clamps, the centring of a map smaller than the view, each axis on
// its own, the view's own size; whatever the origin was before.
TEST_F(MapTest, AutoScrollAndMoveScreenGiveExactOrigins) {
  const struct {
    int mapW, mapH, px, py, left, top, viewW = 800, viewH = 600;
  } cases[] = {
      {3200, 2400, 1000, 900, 600, 600},            // inside
      {3200, 2400, 1000, 900, 680, 660, 640, 480},  // a view of another size: its own half
      {3200, 2400, 400, 300, 0, 0},                 // exactly at the lower clamp
      {3200, 2400, 2800, 2100, 2400, 1800},         // exactly at the upper clamp
      {640, 480, 620, 460, -160, -120},             // smaller than the view: centred
      {800, 600, 780, 20, 0, 0},                    // exactly the view
      {3200, 480, 1600, 240, 1200, -120},           // each axis on its own
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.mapW << "x" << c.mapH << " at " << c.px << "," << c.py);
    OpenMap map(tagRECT{0, 0, c.viewW, c.viewH});
    SetSize(map, c.mapW, c.mapH, 20);
    CMapObject* player = MakeObject(&map, c.px / 20, c.py / 20, 7, 7, 3, 5, nullptr);
    map.AddObject(player);
    map.SetMySelf(player);
    for (int start : {0, 333}) {
      map.m_nNowLeft = start;
      map.m_nNowTop = -start;
      map.AutoScrollMap();
      EXPECT_EQ(std::make_pair(map.GetNowLeft(), map.GetNowTop()), std::make_pair(c.left, c.top));
    }
    map.m_nNowLeft = map.m_nNowTop = 77;
    map.MoveScreen(c.px, c.py);
    EXPECT_EQ(std::make_pair(map.GetNowLeft(), map.GetNowTop()), std::make_pair(c.left, c.top));
    EXPECT_FALSE(map.m_bAutoScroll);
  }
}

// The order the map drew its objects in before the sort was made fast:
// a selection sort that takes, again and again, the first object whose
// point is the smallest left.
std::vector<CMapObject*> LiteralOrder(OpenMap& map, std::vector<CMapObject*> list) {
  std::vector<CMapObject*> out;
  const size_t n = list.size();
  for (size_t k = 0; k < n; ++k) {
    tagPOINT min = {INT_MAX, INT_MAX};
    for (CMapObject* o : list) min = map.GetMinPoint(o->GetRelativeTruePoint(), min);
    for (size_t i = 0; i < list.size(); ++i) {
      const tagPOINT p = list[i]->GetRelativeTruePoint();
      if (p.x == min.x && p.y == min.y) {
        out.push_back(list[i]);
        list.erase(list.begin() + static_cast<long>(i));
        break;
      }
    }
  }
  return out;
}

TEST_F(MapTest, StandingPointOrderMatchesTheSelectionSortAndIsStable) {
  // The literal sort trusts GetMinPoint, so it is pinned down first.
  OpenMap probe;
  EXPECT_EQ(probe.GetMinPoint({5, 1}, {0, 2}).x, 5);  // earlier row wins
  EXPECT_EQ(probe.GetMinPoint({5, 2}, {0, 2}).x, 0);  // same row: further left
  TestRandom rng(15);
  for (int round = 0; round < 40; ++round) {
    OpenMap map;
    SetSize(map, 640, 640, 16);
    const int n = rng.Range(0, 120);
    // Few distinct cells, so that many objects share a standing point;
    // some with other picture offsets, and some moved mid-step (off the
    // cell grid), as walking characters are.
    for (int i = 0; i < n; ++i) {
      CMapObject* o = MakeObject(&map, rng.Range(0, 5), rng.Range(0, 5), 1, 2, rng.Range(0, 1),
                                 rng.Range(0, 2), nullptr);
      o->SetId(static_cast<unsigned long>(i));
      if (rng.Range(0, 4) == 0) o->m_rcArea.left += rng.Range(-3, 3);
      map.AddObject(o);
    }
    map.m_nNowLeft = rng.Range(-50, 50);
    for (int frame = 0; frame < 3; ++frame) {
      const std::vector<CMapObject*> expected = LiteralOrder(map, map.GetObjectList());
      map.SortObjectList();
      ASSERT_EQ(map.GetObjectList(), expected) << "round " << round << " frame " << frame;
      // Next frame: a few objects move.
      for (CMapObject* o : map.GetObjectList())
        if (rng.Range(0, 9) == 0) o->MoveTo(rng.Range(0, 5), rng.Range(0, 5));
    }
  }
}

// Added once only; ids found first-added first; deleted ones gone; names
// past 32 characters refused.
TEST_F(MapTest, ObjectListAndNames) {
  QMap map;
  SetSize(map, 640, 480, 32);
  CMapObject* a = MakeObject(&map, 1, 1, 1, 1, 0, 0, nullptr);
  CMapObject* b = MakeObject(&map, 2, 1, 1, 1, 0, 0, nullptr);
  a->SetId(4);
  b->SetId(4);
  EXPECT_TRUE(map.AddObject(a));
  EXPECT_FALSE(map.AddObject(a));
  EXPECT_TRUE(map.AddObject(b));
  EXPECT_EQ(map.GetObjectList().size(), 2u);
  EXPECT_EQ(map.FindObject(4L), a);
  EXPECT_EQ(map.FindObject(5L), nullptr);
  EXPECT_TRUE(map.DelObject(a));
  EXPECT_FALSE(map.DelObject(a));
  EXPECT_EQ(map.FindObject(4L), b);
  delete a;
  map.DelAllObject();
  EXPECT_TRUE(map.GetObjectList().empty());

  map.SetName("village");
  map.SetName(std::string(33, 'n').c_str());
  EXPECT_STREQ(map.GetName(), "village");
  map.SetName(std::string(32, 'n').c_str());
  EXPECT_EQ(std::strlen(map.GetName()), 32u);
  CMapObject o;
  o.SetName("well");
  o.SetName(std::string(33, 'w').c_str());
  EXPECT_STREQ(o.GetName(), "well");
}

TEST_F(MapTest, HitTestingExcludesTheAreaEdgesAndTransparentPixels) {
  OpenMap map;
  SetSize(map, 640, 480, 32);
  map.m_nNowLeft = map.m_nNowTop = 28;
  // Area (128, 128)-(192, 192) in map pixels, (100, 100)-(164, 164) on screen.
  CMapObject* plain = MakeObject(&map, 4, 5, 2, 2, 0, 1, nullptr);
  map.AddObject(plain);
  const struct {
    int x, y;
    bool hit;
  } cases[] = {{100, 120, false}, {101, 120, true},  {163, 163, true},
               {164, 120, false}, {120, 100, false}, {120, 164, false}};
  for (auto& c : cases) EXPECT_EQ(plain->IsPointed(c.x, c.y), c.hit) << c.x << "," << c.y;
  plain->SetState(MOS_HIDDEN);  // only a shown object is hit
  EXPECT_FALSE(plain->IsPointed(120, 120));
  plain->SetState(MOS_SHOW);

  // A keyed frame: its key-coloured pixel is not hit.
  SURFACE* frame = Solid(64, 64, 0x1234);
  frame->SetPixel(10, 12, COLOR_KEY);
  CMapObject* keyed = MakeObject(&map, 4, 5, 2, 2, 0, 1, frame);
  map.AddObject(keyed);
  EXPECT_FALSE(keyed->IsPointed(110, 112));
  EXPECT_TRUE(keyed->IsPointed(111, 112));
  // Over two overlapping objects the later one in the list is found.
  EXPECT_EQ(map.FindObject(111, 112), keyed);
  EXPECT_EQ(map.FindObject(110, 112), plain);
  EXPECT_EQ(map.FindObject(300, 300), nullptr);

  // An alpha frame: a fully transparent weight (32) is not hit.
  SURFACE* alpha = vm_->CreateSurface(64, 64, SS_ALPHA);
  static_cast<ALPHASURFACE*>(alpha)->ZeroFill();
  static_cast<ALPHASURFACE*>(alpha)->PutAlphaPixel(5, 6, 31);
  CMapObject* glass = MakeObject(&map, 4, 5, 2, 2, 0, 1, alpha);
  EXPECT_TRUE(glass->IsPointed(105, 106));
  EXPECT_FALSE(glass->IsPointed(106, 106));
  delete glass;
}

// A map smaller than the view: drawn at the centring offset, the frame
// outside it untouched (no read before the background's start).
TEST_F(MapTest, ASmallMapIsDrawnCentredAndTheRestLeftAlone) {
  OpenMap map;
  SetSize(map, 640, 480, 32);
  map.m_pBackGround = Solid(640, 480, 0x2222);
  CMapObject* player = MakeObject(&map, 3, 3, 1, 1, 0, 0, nullptr);
  map.AddObject(player);
  map.SetMySelf(player);
  auto target = tessera::test::MakeDib(800, 600, 0x0421);
  map.Show(target.get());
  for (int y = 0; y < 600; y += 7)
    for (int x = 0; x < 800; x += 3) {
      const bool inside = x >= 160 && y >= 120;
      ASSERT_EQ(target->GetPixel(x, y).GetColor(), inside ? 0x2222 : 0x0421) << x << "," << y;
    }
}

TEST_F(MapTest, NearPlayerGoodsAreDrawnOnlyWhileTheyOverlapThePlayer) {
  OpenMap map;
  SetSize(map, 800, 600, 32);
  map.EnableAutoScroll(false);
  CMapObject* player = MakeObject(&map, 10, 10, 1, 1, 0, 0, nullptr);
  map.AddObject(player);
  map.SetMySelf(player);
  CMapGoods* near = new CMapGoods;
  near->Init(1, "near", &map, nullptr);
  near->m_nGoodsType = GT_NEAR_PLAYER;
  near->m_rcArea = {64, 64, 96, 96};
  SURFACE* f = Solid(32, 32, 0x03E0);
  near->m_pSprite = new CMapSprite;
  near->m_pSprite->InitSurface(&f, 1);
  map.AddObject(near);
  const struct {
    tagRECT playerArea;
    bool hasPlayer;
    unsigned short want;
  } steps[] = {{{320, 320, 352, 352}, true, 0},
               {{60, 60, 100, 100}, true, 0x03E0},
               {{320, 320, 352, 352}, false, 0x03E0}};
  for (const auto& s : steps) {
    player->m_rcArea = s.playerArea;
    map.SetMySelf(s.hasPlayer ? player : nullptr);
    auto target = tessera::test::MakeDib(800, 600, 0);
    map.Show(target.get());
    EXPECT_EQ(target->GetPixel(70, 70).GetColor(), s.want)
        << s.playerArea.left << " " << s.hasPlayer;
  }
}

// Short, missing and bad cell files and records: what is read stays, the
// rest is zero, never a read past the file or a division by zero.  (A
// whole map loading is checked through the Tiled import test.)
TEST_F(MapTest, ShortMissingAndBadCellFilesAndPictures) {
  tessera::ClearHeadlessMessages();
  AddMapRecord("short", 320, 240, 32, "Bshort0000");
  WriteCells("short", std::string(30, '\1'));
  QMap a;
  EXPECT_TRUE(a.LoadMap("short"));  // a picture that is not in the pack
  EXPECT_STREQ(a.GetName(), "short");
  EXPECT_EQ(a.GetCellNum(), 70);
  EXPECT_EQ(a.GetBackGround(), nullptr);
  EXPECT_EQ(std::string(a.GetMapInfo(), 70), std::string(30, '\1') + std::string(40, '\0'));

  AddMapRecord("nofile", 640, 480, 32, "Bnofile000");
  QMap c;
  EXPECT_FALSE(c.LoadMap("nofile"));
  EXPECT_EQ(c.GetWidth(), 640);  // fields taken before the failure stay

  AddMapRecord("ninechars", 64, 64, 32, "Bnine0000");
  WriteCells("ninechars", "\1\2\3\4");
  QMap d;
  EXPECT_FALSE(d.LoadMap("ninechars"));
  EXPECT_EQ(std::string(d.GetMapInfo(), 4), "\1\2\3\4");  // cells read first

  QMap e;
  EXPECT_FALSE(e.LoadMap("unknown"));
  EXPECT_EQ(e.GetMapInfo(), nullptr);

  // Rows that would divide by zero or ask for absurd sizes are refused.
  AddMapRecord("zero", 64, 64, 0, "Bzero00000");
  AddMapRecord("huge", 2000000000, 2000000000, 1, "Bhuge00000");
  WriteCells("zero", "");
  WriteCells("huge", "");
  QMap f;
  EXPECT_FALSE(f.LoadMap("zero"));
  EXPECT_FALSE(f.LoadMap("huge"));
  EXPECT_EQ(f.GetMapInfo(), nullptr);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());  // a game's own failures: no message box
}

// New cells reach an attached path finder (else it reads freed memory);
// a shorter copy is padded to the cell count.
TEST_F(MapTest, ReplacedCellsReachTheAttachedPathFinders) {
  QMap map;
  SetSize(map, 64, 64, 32);
  char cells[4] = {0, 1, 0, 0};
  map.m_nCellNum = 4;
  map.SetMapInfo(cells, 4);
  CPathFinder finder;
  finder.SetMapData(2, 2, reinterpret_cast<unsigned char*>(map.GetMapInfo()));
  tessera::AttachPathFinder(map, &finder);
  char part[2] = {5, 6};
  map.SetMapInfo(part, 2);
  EXPECT_EQ(finder.m_pMapData, reinterpret_cast<unsigned char*>(map.GetMapInfo()));
  EXPECT_EQ(std::string(map.GetMapInfo(), 4), std::string("\5\6\0\0", 4));
  tessera::DetachPathFinder(map, &finder);
}

TEST_F(MapTest, TheManagerOwnsTheCurrentMapAndItsTables) {
  CMapManager* mm = AfxGetMapManager();
  EXPECT_TRUE(mm->Init("another.mdb"));  // a database is set already: kept
  EXPECT_STREQ(mm->m_szDataBase, scene_.c_str());
  QMap* map = new QMap;
  SetSize(*map, 640, 480, 32);
  CMapObject* o = MakeObject(map, 2, 2, 1, 1, 0, 0, nullptr);
  CMapObject* kept = MakeObject(map, 3, 3, 1, 1, 0, 0, nullptr);
  map->AddObject(o);
  map->AddObject(kept);
  map->m_pBackGround = Solid(640, 480, 0x0210);
  ASSERT_TRUE(mm->CreateNewMap(map));
  // The chain manager draws the manager, which draws the map.
  AfxCreateMouse();
  AfxGetChainManager()->ShowAll(vm_->GetRenderSurface());
  EXPECT_EQ(vm_->GetRenderSurface()->GetPixel(0, 0).GetColor(), 0x0210);
  EXPECT_EQ(mm->FindObject(70, 70), o);
  // A deleted object leaves the current map.
  delete o;
  EXPECT_EQ(map->GetObjectList(), std::vector<CMapObject*>{kept});
  mm->Release();
  EXPECT_FALSE(mm->IsRunning());
  EXPECT_EQ(AfxGetDataBase(scene_.c_str()), nullptr);
  EXPECT_EQ(AfxGetChainManager()->GetChain(CHAIN_BOTTOM)->GetCount(), 0);
}

TEST_F(MapTest, EveryMapCarriesAChatBoxWhoseLinesBecomeThePlayersBubble) {
  QAreaChain* top = AfxGetChainManager()->GetChain(CHAIN_TOP);
  auto* map = new QMap;
  ASSERT_EQ(top->GetCount(), 2);
  EXPECT_EQ(top->GetArea(0), map->GetChatWindow());
  EXPECT_EQ(top->GetArea(1), map->GetChatEdit());
  EXPECT_EQ(map->GetChatWindow()->m_rcArea.top, 548);
  QEdit* edit = map->GetChatEdit();
  EXPECT_EQ(edit->m_nMaxLen, 64);
  EXPECT_TRUE(edit->m_bFocus);
  QMap framed(tagRECT{0, 0, 640, 480});  // a framed view: the box 20 lower, a shorter line
  EXPECT_EQ(framed.GetChatEdit()->m_nMaxLen, 54);
  EXPECT_EQ(framed.GetChatWindow()->m_rcArea.top, 568);

  // Without a current map the line only clears the edit.
  char hello[] = "hello";
  edit->SetText(hello);
  QMap::MapEditOnEnter(edit);
  EXPECT_STREQ(reinterpret_cast<char*>(edit->GetText()), "");

  SetSize(*map, 640, 480, 32);
  CMapObject* player = MakeObject(map, 3, 3, 1, 1, 0, 0, nullptr);
  player->m_pBubble = new QDialog(0, 0, 128, 120, nullptr);
  AfxGetChainManager()->Add(player->m_pBubble, CHAIN_MIDDLE);
  player->m_pBubble->SetContent("", nullptr);  // hidden
  map->AddObject(player);
  map->SetMySelf(player);
  AfxGetMapManager()->CreateNewMap(map);
  // Enter typed into the edit: the line goes to the bubble.
  char chinese[] = "\xC4\xE3\xBA\xC3 hi";  // 你好 hi
  edit->SetText(chinese);
  QKey enter;
  enter.cChar = 13;
  edit->InKey(&enter);
  EXPECT_STREQ(player->m_pBubble->m_szContent, chinese);
  EXPECT_EQ(player->m_pBubble->m_dwState, QAREA_SHOW);
  // Deleting the map takes its chat box out of the interface layer.
  tessera::ResetMapManagerForTests();
  EXPECT_EQ(top->GetCount(), 2);  // the framed map's
}

}  // namespace
