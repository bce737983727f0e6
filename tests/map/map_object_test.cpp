// Map objects, timers, events, sprites and goods.
#include <cstring>
#include <string>
#include <tuple>
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
#include "support/surface_helpers.h"
#include "testing/manual_clock.h"

namespace {

using tessera::test::Ltrb;
using tessera::test::MapTest;
using tessera::test::Xy;

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

TEST_F(TimerTest, SettingAgainKeepsOneEntryAndRestartsIt) {
  RecordingTimer t;
  t.SetTimer(1, 5000);
  clock->Set(3000);
  EXPECT_TRUE(t.SetTimer(1, 5000));
  EXPECT_EQ(t.m_TimerList.size(), 1u);
  for (uint32_t now : {6000u, 8000u}) {
    clock->Set(now);
    t.Run();
  }
  EXPECT_EQ(t.fired, std::vector<long>{1});  // at 8000, not 6000
}

TEST_F(TimerTest, OneTimerPerRunTheEarliestAddedFirst) {
  RecordingTimer t;
  t.SetTimer(7, 100);
  t.SetTimer(3, 50);
  clock->Advance(200);
  for (int i = 0; i < 3; ++i) t.Run();
  EXPECT_EQ(t.fired, (std::vector<long>{7, 3}));
  EXPECT_TRUE(t.KillTimer(7));
  EXPECT_FALSE(t.KillTimer(7));
  // A timer that kills itself in its callback is simply gone.
  RecordingTimer k;
  k.kill_self = true;
  k.SetTimer(4, 0);
  k.Run();
  k.Run();
  EXPECT_EQ(k.fired, std::vector<long>{4});
}

TEST_F(TimerTest, TheLastFiringIsReadAfterTheCallback) {
  RecordingTimer t;
  t.clock = clock;
  t.advance = 300;  // the callback takes 300 ms
  t.SetTimer(1, 100);
  // Fires at 1100 (last = 1400), not at 1499, again at 1500.
  for (uint32_t now : {1100u, 1499u, 1500u}) {
    clock->Set(now);
    t.Run();
    EXPECT_EQ(t.fired.size(), now < 1500 ? 1u : 2u) << now;
  }
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
  EXPECT_EQ((std::array<long, 3>{ea->GetType(), ea->GetMapId(), ea->GetEventId()}),
            (std::array<long, 3>{12, 3, 77}));
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
  EXPECT_EQ(door.calls[0], std::make_pair(static_cast<CMapObject*>(&player), enMapEvent(12)));

  // Deleting an event deletes the event object, not its record.
  EXPECT_TRUE(door.DelEvent(ea));
  EXPECT_EQ(deaths, 1);
  EXPECT_FALSE(door.DelEvent(ea));
  door.DelAllEvent();
  EXPECT_EQ(deaths, 2);
  EXPECT_EQ(door.GetNextEvent(), nullptr);
}

// (The bubble following the object's place is checked on a walking character.)
TEST_F(TimerTest, TheBubbleFollowsTheObjectsState) {
  CMapObject* o = new CMapObject;
  o->m_pBubble = new QDialog(0, 0, 128, 120, nullptr);
  AfxGetChainManager()->Add(o->m_pBubble, CHAIN_MIDDLE);
  const struct {
    int state;
    unsigned long bubble;
  } steps[] = {{MOS_HIDDEN, QAREA_HIDE},
               {3, QAREA_HIDE},
               {MOS_SHOW, QAREA_SHOW},
               {7, QAREA_SHOW},
               {MOS_HIDE, QAREA_HIDE}};
  for (auto& step : steps) {
    o->SetState(enMapObjectState(step.state));
    EXPECT_EQ(o->GetState(), step.state);
    EXPECT_EQ(o->m_pBubble->m_dwState, step.bubble) << "state " << step.state;
  }
  delete o;  // the bubble goes with it, out of its layer
  EXPECT_EQ(AfxGetChainManager()->GetChain(CHAIN_MIDDLE)->GetCount(), 0);
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
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), "fountain11"), 1);
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

TEST_F(SpriteTest, AOnceSpriteShowsEachFrameLongerThanItsDelayThenStays) {
  AddFrames("blinking", 3);
  CMapSprite s;
  ASSERT_TRUE(s.LoadImageA("blinking", 3, 0));
  s.SetDelay(100);
  s.Play(false);
  s.Move(2, 3);
  auto target = tessera::test::MakeDib(16, 16, 0);
  // Times of the calls, and the frame each one should draw.
  // A frame changes once more than the delay has passed; the last one stays.
  const uint32_t times[] = {1000, 1100, 1101, 1201, 1202, 1600};
  const unsigned short want[] = {1, 0x101, 0x101, 0x201, 0x201, 0x201};
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
  for (uint32_t t : {2000, 2200, 2400}) {
    clock->Set(t);
    s.Show(target.get(), false);
  }
  EXPECT_EQ(Colour(s.GetCurSurface()), 1);
  // Hidden sprites draw nothing.
  s.SetShow(false);
  auto clean = tessera::test::MakeDib(16, 16, 0);
  s.Show(clean.get(), false);
  EXPECT_EQ(clean->GetPixel(2, 3).GetColor(), 0);
}

// A goods record gives the id, area, cells and looping sprite.  (A map
// loading its own scene's goods only is checked by the Tiled import test,
// whose database holds several maps' goods.)
TEST_F(SpriteTest, GoodsComeFromTheirRecord) {
  AddFrames("Gwell000", 2);
  QMap map;
  map.m_nUnitSize = 32;
  stGoodsInfo r{31, 0, "well", "", 3, 4, 5, 9, 4, 6, "Gwell000", "Gshadow0", 2, 1, 0};
  CMapGoods* g = new CMapGoods;
  ASSERT_TRUE(g->Init(99, "ignored-name-is-kept", &map, &r));
  EXPECT_EQ(std::make_tuple(g->GetType(), g->GetId(), g->GetGoodsType()),
            std::make_tuple(MOT_GOODS, 31ul, GT_NEAR_PLAYER));
  EXPECT_STREQ(g->GetName(), "ignored-name-is-kept");
  EXPECT_EQ(Ltrb(g->GetArea()), (std::array<int, 4>{128, 192, 224, 320}));
  EXPECT_EQ(Xy(g->GetNowPoint()), std::make_pair(5, 9));
  EXPECT_EQ(Xy(g->GetDrawPoint()), std::make_pair(4, 6));
  EXPECT_STREQ(g->GetShadowinfo(), "Gshadow0");
  ASSERT_NE(g->GetSprite(), nullptr);
  EXPECT_EQ(g->GetSprite()->m_FrameList.size(), 2u);
  EXPECT_TRUE(g->GetSprite()->m_bLoop);
  EXPECT_EQ(g->GetSprite()->m_nDelay, 100);
  delete g;
}

}  // namespace
