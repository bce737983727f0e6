// Map objects, timers, events, sprites and goods.
#include <cstring>
#include <string>
#include <vector>

#include "database/event_database.h"
#include "database/goods_database.h"
#include "engine/surface_manager.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/map/map_event.h"
#include "gui/map/map_goods.h"
#include "gui/map/map_sprite.h"
#include "gui/map/map_timer.h"
#include "map/map_fixture.h"
#include "testing/manual_clock.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::MapTest;

class RecordingTimer : public CMapTimer {
 public:
  void OnTimer(long id) override {
    fired.push_back(id);
    if (clock && advance) clock->Advance(advance);
    if (kill_self) KillTimer(id);
  }
  std::vector<long> fired;
  tessera::ManualClock* clock = nullptr;
  uint32_t advance = 0;
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

TEST_F(TimerTest, FiresOnceWhenItsPeriodHasPassed) {
  RecordingTimer t;
  t.SetTimer(1, 500);
  clock->Set(1499);
  t.Run();
  EXPECT_TRUE(t.fired.empty());
  clock->Set(1500);
  t.Run();
  t.Run();
  EXPECT_EQ(t.fired, std::vector<long>{1});
  clock->Set(1999);
  t.Run();
  clock->Set(2000);
  t.Run();
  EXPECT_EQ(t.fired, (std::vector<long>{1, 1}));
}

TEST_F(TimerTest, SettingAgainKeepsOneEntryAndRestartsIt) {
  RecordingTimer t;
  t.SetTimer(1, 5000);
  clock->Set(3000);
  EXPECT_TRUE(t.SetTimer(1, 5000));
  EXPECT_EQ(t.m_TimerList.size(), 1u);
  clock->Set(6000);
  t.Run();
  EXPECT_TRUE(t.fired.empty());
  clock->Set(8000);
  t.Run();
  EXPECT_EQ(t.fired, std::vector<long>{1});
}

TEST_F(TimerTest, OneTimerPerRunTheEarliestAddedFirst) {
  RecordingTimer t;
  t.SetTimer(7, 100);
  t.SetTimer(3, 50);
  clock->Advance(200);
  t.Run();
  EXPECT_EQ(t.fired, std::vector<long>{7});
  t.Run();
  EXPECT_EQ(t.fired, (std::vector<long>{7, 3}));
  t.Run();
  EXPECT_EQ(t.fired.size(), 2u);
  // Period 0 fires on every Run that reaches it.
  t.SetTimer(9, 0);
  t.Run();
  t.Run();
  EXPECT_EQ(t.fired, (std::vector<long>{7, 3, 9, 9}));
  EXPECT_TRUE(t.KillTimer(9));
  EXPECT_FALSE(t.KillTimer(9));
  t.KillAllTimer();
  EXPECT_TRUE(t.m_TimerList.empty());
}

TEST_F(TimerTest, TheClocksWrapAroundIsHarmless) {
  RecordingTimer t;
  clock->Set(0xFFFFFF00u);
  t.SetTimer(2, 0x200);
  clock->Set(0x000000FFu);  // wrapped: 0x1FF ms later
  t.Run();
  EXPECT_TRUE(t.fired.empty());
  clock->Set(0x00000100u);  // exactly 0x200 ms later
  t.Run();
  EXPECT_EQ(t.fired, std::vector<long>{2});
  t.Run();
  EXPECT_EQ(t.fired.size(), 1u);
}

TEST_F(TimerTest, TheLastFiringIsReadAfterTheCallback) {
  RecordingTimer t;
  t.clock = clock;
  t.advance = 300;  // the callback takes 300 ms
  t.SetTimer(1, 100);
  clock->Set(1100);
  t.Run();  // fires; last = 1400
  clock->Set(1499);
  t.Run();
  EXPECT_EQ(t.fired.size(), 1u);
  clock->Set(1500);
  t.Run();
  EXPECT_EQ(t.fired.size(), 2u);
  // A timer that kills itself in its callback is simply gone.
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

TEST_F(TimerTest, EventsDispatchToTheFirstHookWithTheRecordsId) {
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
  EXPECT_EQ(ea->GetType(), 12);
  EXPECT_EQ(ea->GetMapId(), 3);
  EXPECT_EQ(ea->GetEventId(), 77);
  EXPECT_EQ(door.GetNextEvent(), nullptr);
  EXPECT_TRUE(door.AddEvent(ea));
  EXPECT_FALSE(door.AddEvent(ea));
  EXPECT_TRUE(door.AddEvent(eb));
  EXPECT_EQ(door.GetNextEvent(), eb);
  EXPECT_EQ(door.GetActiveEventList(), (std::list<CMapEvent*>{ea, eb}));
  EXPECT_TRUE(door.IsHaveEvent(enMapEvent(13)));
  EXPECT_FALSE(door.IsHaveEvent(enMapEvent(77)));  // the type is the id

  EXPECT_TRUE(ea->OnEvent(&door, &player));
  EXPECT_FALSE(door.GetNextEvent()->OnEvent(&door, &player));
  ASSERT_EQ(door.calls.size(), 2u);
  EXPECT_EQ(door.calls[0].first, &player);
  EXPECT_EQ(door.calls[0].second, 12);
  EXPECT_EQ(door.calls[1].second, 13);
  EXPECT_TRUE(player.calls.empty());

  // Deleting an event deletes the event object, not its record.
  EXPECT_TRUE(door.DelEvent(ea));
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(a.nID, 12);
  EXPECT_FALSE(door.DelEvent(ea));
  EXPECT_EQ(door.GetNextEvent(), eb);
  door.DelAllEvent();
  EXPECT_EQ(deaths, 2);
  EXPECT_EQ(door.GetNextEvent(), nullptr);
}

TEST_F(TimerTest, TheBubbleFollowsTheObjectsStateAndPlace) {
  CMapObject* o = new CMapObject;
  o->m_pBubble = new QDialog(0, 0, 128, 120, nullptr);
  o->m_nBubbleX = 0;
  o->m_nBubbleY = 70;
  AfxGetChainManager()->Add(o->m_pBubble, CHAIN_MIDDLE);
  o->Move(300, 200);
  EXPECT_EQ(o->m_pBubble->m_rcArea.left, 300);
  EXPECT_EQ(o->m_pBubble->m_rcArea.top, 130);
  const struct { int state; unsigned long bubble; } steps[] = {
      {MOS_HIDE, QAREA_HIDE}, {MOS_SHOW, QAREA_SHOW}, {MOS_HIDDEN, QAREA_HIDE}, {3, QAREA_HIDE},
      {MOS_SHOW, QAREA_SHOW}, {7, QAREA_SHOW}};
  for (auto& step : steps) {
    o->SetState(enMapObjectState(step.state));
    EXPECT_EQ(o->GetState(), step.state);
    EXPECT_EQ(o->m_pBubble->m_dwState, step.bubble) << "state " << step.state;
  }
  EXPECT_EQ(AfxGetChainManager()->GetChain(CHAIN_MIDDLE)->GetCount(), 1);
  delete o;  // the bubble goes with it, out of its layer
  EXPECT_EQ(AfxGetChainManager()->GetChain(CHAIN_MIDDLE)->GetCount(), 0);
}

// Frames in the pack: "<base><nn>" in colour 0x0100 * n + 1.
class SpriteTest : public MapTest {
 protected:
  void AddFrames(const std::string& base, int count) {
    for (int i = 0; i < count; ++i) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02d", i);
      SURFACE* s = Solid(8, 8, static_cast<unsigned short>(0x0100 * i + 1));
      AddPicture(base + digits, s);
      delete s;
    }
  }
  static unsigned short Colour(CMapSprite& s) { return s.GetCurSurface()->GetPixel(0, 0).GetColor(); }
};

TEST_F(SpriteTest, FrameIdentifiersReplaceTheNinthAndTenthCharacters) {
  AddFrames("fountain", 12);
  CMapSprite three;
  ASSERT_TRUE(three.LoadImageA("fountain", 3, 0));
  ASSERT_EQ(three.m_FrameList.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(three.m_FrameList[i]->GetPixel(0, 0).GetColor(), 0x0100 * i + 1);
  EXPECT_EQ(three.m_FrameList[0]->GetStyle(), SS_DIB);
  EXPECT_EQ(three.GetCurSurface(), three.m_FrameList[0]);
  // Longer bases lose their ninth and tenth characters.
  CMapSprite twelve;
  ASSERT_TRUE(twelve.LoadImageA("fountainXY", 12, 0));
  EXPECT_EQ(twelve.m_FrameList[11]->GetPixel(0, 0).GetColor(), 0x0100 * 11 + 1);
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "fountain11"), 1);
  // A frame that is missing stops the loading; those before it stay.
  CMapSprite missing;
  EXPECT_FALSE(missing.LoadImageA("fountain", 14, 0));
  EXPECT_EQ(missing.m_FrameList.size(), 12u);
}

TEST_F(SpriteTest, AShortBaseIsUsedUnchangedForEveryFrame) {
  SURFACE* s = Solid(4, 4, 0x7777);
  AddPicture("well", s);
  delete s;
  CMapSprite sprite;
  ASSERT_TRUE(sprite.LoadImageA("well", 3, 0));
  EXPECT_EQ(sprite.m_FrameList.size(), 3u);
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "well"), 3);
}

TEST_F(SpriteTest, FramesGoBackToTheCacheWithTheSprite) {
  AddFrames("lanterns", 2);
  {
    CMapSprite a, b;
    ASSERT_TRUE(a.LoadImageA("lanterns", 2, 0));
    ASSERT_TRUE(b.LoadImageA("lanterns", 2, 0));
    EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "lanterns00"), 2);
  }
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "lanterns00"), 0);
}

TEST_F(SpriteTest, AOnceSpriteShowsEachFrameLongerThanItsDelayThenStays) {
  AddFrames("blinking", 3);
  CMapSprite s;
  ASSERT_TRUE(s.LoadImageA("blinking", 3, 0));
  s.SetDelay(100);
  s.Play(false);
  s.Move(2, 3);
  auto target = tessera::test::MakeDib(16, 16, 0);
  std::vector<unsigned short> drawn;
  // Times of the calls, and the frame each one should draw.
  const uint32_t times[] = {1000, 1050, 1100, 1101, 1150, 1201, 1202, 1500, 1600};
  const unsigned short want[] = {1, 0x101, 0x101, 0x101, 0x201, 0x201, 0x201, 0x201, 0x201};
  tessera::ManualClock* clock = tessera::InstallManualClock(1000);
  for (size_t i = 0; i < sizeof times / sizeof times[0]; ++i) {
    clock->Set(times[i]);
    s.Show(target.get(), false);
    EXPECT_EQ(target->GetPixel(2, 3).GetColor(), want[i]) << "call " << i;
  }
  EXPECT_FALSE(s.m_bPlay);
  EXPECT_EQ(target->GetPixel(1, 3).GetColor(), 0);
  // Looping goes back to the first frame.
  s.SetBegin();
  s.Play(true);
  clock->Set(2000);
  s.Show(target.get(), false);
  clock->Set(2200);
  s.Show(target.get(), false);
  clock->Set(2400);
  s.Show(target.get(), false);
  EXPECT_EQ(Colour(s), 1);
  // Hidden sprites draw nothing.
  s.SetShow(false);
  auto clean = tessera::test::MakeDib(16, 16, 0);
  s.Show(clean.get(), false);
  EXPECT_EQ(clean->GetPixel(2, 3).GetColor(), 0);
}

TEST_F(SpriteTest, GoodsTakeTheirAreaAndCellsFromTheRecord) {
  AddFrames("Gwell000", 2);
  QMap map;
  map.m_nUnitSize = 32;
  map.m_nMapWidth = 640;
  map.m_nMapHeight = 480;
  stGoodsInfo r;
  r.nID = 31;
  std::strcpy(r.szName, "well");
  r.nDrawX = 5;
  r.nDrawY = 9;
  r.nTrueX = 4;
  r.nTrueY = 6;
  r.nWidth = 3;
  r.nHeight = 4;
  std::strcpy(r.szPicInfo, "Gwell000");
  std::strcpy(r.szShadowInfo, "Gshadow0");
  r.nPicNum = 2;
  r.nType = 1;
  CMapGoods* g = new CMapGoods;
  EXPECT_EQ(g->GetType(), MOT_GOODS);
  ASSERT_TRUE(g->Init(99, "ignored-name-is-kept", &map, &r));
  EXPECT_EQ(g->GetId(), 31u);
  EXPECT_STREQ(g->GetName(), "ignored-name-is-kept");
  const tagRECT a = g->GetArea();
  EXPECT_EQ(a.left, 128);
  EXPECT_EQ(a.top, 192);
  EXPECT_EQ(a.right, 224);
  EXPECT_EQ(a.bottom, 320);
  EXPECT_EQ(g->GetNowPoint().x, 5);
  EXPECT_EQ(g->GetNowPoint().y, 9);
  EXPECT_EQ(g->GetDrawPoint().x, 4);
  EXPECT_EQ(g->GetDrawPoint().y, 6);
  EXPECT_EQ(g->GetGoodsType(), GT_NEAR_PLAYER);
  EXPECT_STREQ(g->GetShadowinfo(), "Gshadow0");
  ASSERT_NE(g->GetSprite(), nullptr);
  EXPECT_EQ(g->GetSprite()->m_FrameList.size(), 2u);
  EXPECT_TRUE(g->GetSprite()->m_bLoop);
  EXPECT_EQ(g->GetSprite()->m_nDelay, 100);
  // The sprite stands at the area's corner (map pixels until drawn).
  EXPECT_EQ(g->GetSprite()->m_rcRect.left, 128);
  // The standing point sorts it: the corner of cell (5, 9).
  EXPECT_EQ(g->GetRelativeTruePoint().x, 160);
  EXPECT_EQ(g->GetRelativeTruePoint().y, 288);
  map.AddObject(g);
}

TEST_F(SpriteTest, LoadGoodsMakesOneObjectPerRecordOfTheMap) {
  AddFrames("Gtree000", 1);
  AddMapRecord("forest", 320, 320, 32, "Bforest000");
  WriteCells("forest", "");
  QMap map;
  map.LoadMap("forest");
  CGoodsDataBase* goods = AfxGetMapManager()->GetGoodsDbb();
  stGoodsInfo r;
  std::strcpy(r.szPicInfo, "Gtree000");
  std::strcpy(r.szShadowInfo, "none");
  r.nPicNum = 1;
  r.nWidth = r.nHeight = 1;
  for (int i = 0; i < 3; ++i) {
    std::snprintf(r.szName, sizeof r.szName, "tree%d", i);
    r.nMapID = map.GetId();
    r.nDrawX = r.nTrueX = i;
    r.nDrawY = r.nTrueY = 2 * i;
    ASSERT_TRUE(goods->AddGoods(r));
  }
  std::strcpy(r.szName, "elsewhere");
  r.nMapID = map.GetId() + 1;
  ASSERT_TRUE(goods->AddGoods(r));
  EXPECT_EQ(map.GetAllGoodsNum(), 3);
  map.LoadGoods();
  ASSERT_EQ(map.GetObjectList().size(), 3u);
  for (int i = 0; i < 3; ++i) {
    CMapObject* o = map.GetObjectList()[i];
    EXPECT_EQ(o->GetType(), MOT_GOODS);
    EXPECT_EQ(o->GetNowPoint().y, 2 * i);
    EXPECT_EQ(o->GetArea().top, 64 * i);
    EXPECT_EQ(std::string(o->GetName()), "tree" + std::to_string(i));
  }
}

}  // namespace
