// QMap: view origins, the standing-point order against the literal
// selection sort, drawing, hit testing, loading.  Map objects' timers,
// events and sprites.
#include "gui/map/map.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "database/database.h"
#include "database/event_database.h"
#include "engine/alpha_surface.h"
#include "engine/surface_manager.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/edit.h"
#include "gui/map/map_event.h"
#include "gui/map/map_goods.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_sprite.h"
#include "gui/map/map_timer.h"
#include "gui/map/path_finder.h"
#include "gui/window.h"
#include "input/mouse.h"
#include "map/map_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/test_hooks.h"
#include "support/surface_helpers.h"
#include "testing/manual_clock.h"

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
      {3200, 2400, 200, 100, 0, 0},                 // before the lower clamp
      {3200, 2400, 3000, 2300, 2400, 1800},         // past the upper clamp
      {640, 480, 620, 460, -160, -120},             // smaller than the view: centred
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
  EXPECT_EQ(map.FindObject(4L), a);
  EXPECT_EQ(map.FindObject(5L), nullptr);
  EXPECT_TRUE(map.DelObject(a));
  EXPECT_FALSE(map.DelObject(a));
  EXPECT_EQ(map.FindObject(4L), b);
  delete a;

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

  // An alpha frame: a fully transparent weight (32) is not hit.
  SURFACE* alpha = vm->CreateSurface(64, 64, SS_ALPHA);
  static_cast<ALPHASURFACE*>(alpha)->ZeroFill();
  static_cast<ALPHASURFACE*>(alpha)->PutAlphaPixel(5, 6, 31);
  CMapObject* glass = MakeObject(&map, 4, 5, 2, 2, 0, 1, alpha);
  EXPECT_TRUE(glass->IsPointed(105, 106));
  EXPECT_FALSE(glass->IsPointed(106, 106));
  delete glass;
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

TEST_F(MapTest, EveryMapCarriesAChatBoxWhoseLinesBecomeThePlayersBubble) {
  QAreaChain* top = AfxGetChainManager()->GetChain(CHAIN_TOP);
  auto* map = new QMap;
  ASSERT_EQ(top->GetCount(), 2);
  EXPECT_EQ(top->GetArea(0), map->GetChatWindow());
  EXPECT_EQ(top->GetArea(1), map->GetChatEdit());
  QEdit* edit = map->GetChatEdit();
  EXPECT_TRUE(edit->m_bFocus);

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
  EXPECT_EQ(top->GetCount(), 0);
}

class RecordingTimer : public CMapTimer {
 public:
  void OnTimer(long id) override {
    fired.push_back(id);
    if (clock) clock->Advance(300);  // a callback that takes 300 ms
    if (kill_self) KillTimer(id);
  }
  std::vector<long> fired;
  tessera::ManualClock* clock = nullptr;
  bool kill_self = false;
};

class TimerTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    clock = tessera::InstallManualClock(1000);
  }
  tessera::ManualClock* clock = nullptr;
};

// Fires once its whole period has passed, once per period, also when the
// millisecond clock wraps in between.
TEST_F(TimerTest, FiresOnceItsPeriodHasPassedAcrossTheClocksWrap) {
  const struct {
    uint32_t set, period;
    std::vector<std::pair<uint32_t, size_t>> runs;  // clock, firings so far
  } cases[] = {
      {1000, 500, {{1499, 0}, {1500, 1}, {1500, 1}, {1999, 1}, {2000, 2}}},
      {0xFFFFFF00u, 0x200, {{0x000000FFu, 0}, {0x00000100u, 1}, {0x00000100u, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    RecordingTimer t;
    clock->Set(c.set);
    t.SetTimer(2, c.period);
    for (auto [now, fired] : c.runs) {
      clock->Set(now);
      t.Run();
      EXPECT_EQ(t.fired, std::vector<long>(fired, 2)) << now;
    }
  }
}

// One timer per Run, the earliest added first among those due; setting a
// timer again keeps one entry and restarts its period.
TEST_F(TimerTest, OneTimerPerRunAndSettingAgainRestarts) {
  RecordingTimer t;
  t.SetTimer(7, 100);
  t.SetTimer(3, 50);
  clock->Set(1050);
  EXPECT_TRUE(t.SetTimer(7, 100));  // due at 1150 now, not 1100
  EXPECT_EQ(t.m_TimerList.size(), 2u);
  const struct {
    uint32_t now;
    std::vector<long> fired;
  } runs[] = {{1100, {3}}, {1100, {3}}, {1150, {3, 7}}, {1150, {3, 7, 3}}, {1150, {3, 7, 3}}};
  for (const auto& r : runs) {
    clock->Set(r.now);
    t.Run();
    EXPECT_EQ(t.fired, r.fired) << r.now;
  }
  EXPECT_TRUE(t.KillTimer(7));
  EXPECT_FALSE(t.KillTimer(7));
}

// The last firing is read after the callback: one that takes 300 ms fires
// at 1100, not again at 1499, again at 1500.  One that kills itself in its
// callback is simply gone.
TEST_F(TimerTest, TheLastFiringIsReadAfterTheCallback) {
  RecordingTimer t;
  t.clock = clock;
  t.SetTimer(1, 100);
  for (uint32_t now : {1100u, 1499u, 1500u}) {
    clock->Set(now);
    t.Run();
    EXPECT_EQ(t.fired.size(), now < 1500 ? 1u : 2u) << now;
  }
  RecordingTimer k;
  k.kill_self = true;
  k.SetTimer(4, 0);
  k.Run();
  k.Run();
  EXPECT_EQ(k.fired, std::vector<long>{4});
}

class Hooked : public CMapObject {
 public:
  bool BeEvent(CMapObject* other, enMapEvent type) override {
    calls.push_back({other, type});
    return type != 13;
  }
  std::vector<std::pair<CMapObject*, enMapEvent>> calls;
};

class CountedEvent : public CMapEvent {
 public:
  explicit CountedEvent(int* deaths) : deaths_(deaths) {}
  ~CountedEvent() override { ++*deaths_; }
  int* deaths_;
};

// The record's id is the event's type; the hook's answer is the event's.
TEST_F(TimerTest, EventsDispatchToTheHookWithTheRecordsId) {
  stEventInfo a, b;
  a.nID = 12;
  a.nSceneID = 3;
  a.nEventType = 77;
  b.nID = 13;
  int deaths = 0;
  Hooked door, player;
  CountedEvent* ea = new CountedEvent(&deaths);
  CountedEvent* eb = new CountedEvent(&deaths);
  ea->SetEventInfo(&a);
  eb->SetEventInfo(&b);
  EXPECT_EQ((std::array<long, 3>{ea->GetType(), ea->GetMapId(), ea->GetEventId()}),
            (std::array<long, 3>{12, 3, 77}));
  EXPECT_TRUE(door.AddEvent(ea));
  EXPECT_FALSE(door.AddEvent(ea));
  EXPECT_TRUE(door.AddEvent(eb));
  EXPECT_EQ(door.GetNextEvent(), eb);
  EXPECT_EQ(door.GetActiveEventList(), (std::list<CMapEvent*>{ea, eb}));
  EXPECT_TRUE(door.IsHaveEvent(enMapEvent(13)));
  EXPECT_FALSE(door.IsHaveEvent(enMapEvent(77)));
  EXPECT_TRUE(ea->OnEvent(&door, &player));
  EXPECT_FALSE(eb->OnEvent(&door, &player));
  ASSERT_EQ(door.calls.size(), 2u);
  EXPECT_EQ(door.calls[0], std::make_pair(static_cast<CMapObject*>(&player), enMapEvent(12)));

  // Deleting an event deletes the event object, not its record.
  EXPECT_TRUE(door.DelEvent(ea));
  EXPECT_EQ(deaths, 1);
  EXPECT_FALSE(door.DelEvent(ea));
  door.DelAllEvent();
  EXPECT_EQ(deaths, 2);
  EXPECT_EQ(door.GetNextEvent(), nullptr);
}

// Frames in the pack: "<base><nn>" in colour 0x0100 * n + 1.
class SpriteTest : public MapTest {
 protected:
  void AddFrames(const std::string& base, int count) {
    for (int i = 0; i < count; ++i) {
      char digits[12];
      std::snprintf(digits, sizeof digits, "%02d", i);
      AddPicture(base + digits, 8, 8, static_cast<unsigned short>(0x0100 * i + 1));
    }
  }
  static unsigned short Colour(SURFACE* s) { return s->GetPixel(0, 0).GetColor(); }
};

// Frame n is the base with characters 9 and 10 replaced by n; a shorter
// base names one picture for every frame; a missing frame stops loading.
TEST_F(SpriteTest, FrameIdentifiersReplaceTheNinthAndTenthCharacters) {
  AddFrames("fountain", 12);
  CMapSprite twelve;
  ASSERT_TRUE(twelve.LoadImageA("fountainXY", 12, 0));
  ASSERT_EQ(twelve.m_FrameList.size(), 12u);
  for (int i : {1, 11}) EXPECT_EQ(Colour(twelve.m_FrameList[i]), 0x0100 * i + 1) << i;
  CMapSprite missing;
  EXPECT_FALSE(missing.LoadImageA("fountain", 14, 0));
  EXPECT_EQ(missing.m_FrameList.size(), 12u);

  AddPicture("well", 4, 4, 0x7777);
  {
    CMapSprite well;
    ASSERT_TRUE(well.LoadImageA("well", 3, 0));
    EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "well"), 3);
  }
  // Frames go back to the cache with the sprite.
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "well"), 0);
}

// A frame changes once more than the delay has passed; played once, the
// last one stays; looping goes back to the first; hidden draws nothing.
TEST_F(SpriteTest, AOnceSpriteShowsEachFrameLongerThanItsDelayThenStays) {
  AddFrames("blinking", 3);
  CMapSprite s;
  ASSERT_TRUE(s.LoadImageA("blinking", 3, 0));
  s.SetDelay(100);
  s.Play(false);
  s.Move(2, 3);
  auto target = tessera::test::MakeDib(16, 16, 0);
  const struct {
    uint32_t now;
    unsigned short drawn;
  } calls[] = {{1000, 1}, {1100, 0x101}, {1101, 0x101}, {1201, 0x201}, {1600, 0x201}};
  tessera::ManualClock* clock = tessera::InstallManualClock(1000);
  for (const auto& c : calls) {
    clock->Set(c.now);
    s.Show(target.get(), false);
    EXPECT_EQ(target->GetPixel(2, 3).GetColor(), c.drawn) << c.now;
  }
  EXPECT_FALSE(s.m_bPlay);
  EXPECT_EQ(target->GetPixel(1, 3).GetColor(), 0);
  s.SetBegin();
  s.Play(true);
  for (uint32_t t : {2000, 2200, 2400}) {
    clock->Set(t);
    s.Show(target.get(), false);
  }
  EXPECT_EQ(Colour(s.GetCurSurface()), 1);
  s.SetShow(false);
  auto clean = tessera::test::MakeDib(16, 16, 0);
  s.Show(clean.get(), false);
  EXPECT_EQ(clean->GetPixel(2, 3).GetColor(), 0);
}

}  // namespace
