// Walking characters: steps, walks frame by frame, the one-cell rule,
// drawing order, the shared animation, hit tests, the talker.
#include <gtest/gtest.h>

#include <set>

#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/map/map_manager.h"
#include "gui/map/path_finder.h"
#include "map/map_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/random.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::EquipColour;
using tessera::test::Ltrb;
using tessera::test::WalkerTest;
using tessera::test::Xy;
using Cell = std::pair<int, int>;

using MapPlayerTest = WalkerTest;

// The eight neighbours: the direction each faces, 2 pixels a call, the
// standing cell changed only when the step ends.
TEST_F(MapPlayerTest, EachNeighbourStepFacesItsDirection) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  const struct {
    int dx, dy, direction;
  } cases[] = {{0, -1, 0}, {1, -1, 1}, {1, 0, 2},  {1, 1, 3},
               {0, 1, 4},  {-1, 1, 5}, {-1, 0, 6}, {-1, -1, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.direction);
    p->QuickMove(5, 5);
    p->SetPlayerState(PS_STAND);
    const tagRECT start = p->GetArea();
    ASSERT_TRUE(p->MoveTo(5 + c.dx, 5 + c.dy));
    EXPECT_EQ(p->GetDirection(), c.direction);
    for (int i = 0; i < 15; ++i) p->MovePlayer(2);
    EXPECT_EQ(Xy({p->GetArea().left, p->GetArea().top}),
              Cell(start.left + c.dx * 30, start.top + c.dy * 30));
    EXPECT_EQ(Xy(p->GetNowPoint()), Cell(5, 5));
    p->MovePlayer(2);
    EXPECT_TRUE(p->IsEndOfStep());
    EXPECT_EQ(Xy(p->GetNowPoint()), Cell(5 + c.dx, 5 + c.dy));
  }
  EXPECT_EQ(p->arrivals, 0);  // single steps are not walks
}

TEST_F(MapPlayerTest, OneCellRule) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  tessera::ClearHeadlessMessages();
  for (auto [x, y] : {Cell{7, 5}, Cell{3, 5}, Cell{5, 8}, Cell{6, 3}}) {  // too far on each side
    EXPECT_FALSE(p->MoveTo(x, y));
    EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  }
  const auto& msgs = tessera::HeadlessMessages();
  ASSERT_EQ(msgs.size(), 4u);
  // 不能一次移动跨越一格的范围
  EXPECT_EQ(msgs[0].caption, "");
  EXPECT_EQ(msgs[0].text,
            "\xB2\xBB\xC4\xDC\xD2\xBB\xB4\xCE\xD2\xC6\xB6\xAF\xBF\xE7\xD4\xBD\xD2\xBB\xB8\xF1\xB5"
            "\xC4\xB7\xB6\xCE\xA7");
  // The standing cell itself is a step of nothing: true, no change.
  EXPECT_TRUE(p->MoveTo(5, 5));
  EXPECT_TRUE(p->IsEndOfStep());
  // Steps of any size but the unit's divisors do nothing.
  const int left = p->GetArea().left;
  p->MoveTo(6, 5);
  p->MovePlayer(3);
  p->MovePlayer(0);
  EXPECT_EQ(p->GetArea().left, left);
  p->MovePlayer(4);
  EXPECT_EQ(p->GetArea().left, left + 4);
  // Walks to the standing cell or off the grid are refused, and nothing moves.
  p->QuickMove(5, 5);
  p->SetPlayerState(PS_STAND);
  for (auto [x, y] : {Cell{5, 5}, Cell{20, 5}}) EXPECT_FALSE(p->WalkTo(x, y, false));
  Frames(3);
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  EXPECT_EQ(p->arrivals, 0);
}

TEST_F(MapPlayerTest, WalkPositionsAfterExactFrameCounts) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  // A speech bubble of its own in the middle layer, which follows it.
  EXPECT_EQ(p->m_pBubble->m_pAreaChain, AfxGetChainManager()->GetChain(CHAIN_MIDDLE));
  ASSERT_TRUE(p->WalkTo(8, 5, false));
  const int left0 = p->GetArea().left;
  // Frames so far, then the standing column and the picture's left edge.
  const struct { int frames, column, left; } steps[] = {{1, 5, 2}, {16, 6, 32}, {33, 7, 66}};
  int done = 0;
  for (const auto& s : steps) {
    Frames(s.frames - done);
    done = s.frames;
    EXPECT_EQ(p->GetNowPoint().x, s.column) << s.frames;
    EXPECT_EQ(p->GetArea().left, left0 + s.left) << s.frames;
    EXPECT_EQ(p->arrivals, 0);
    const tagRECT r = p->GetRelativeArea();  // the speech bubble follows, 70 above
    EXPECT_EQ(Xy({p->m_pBubble->m_rcArea.left, p->m_pBubble->m_rcArea.top}),
              Cell(r.left, r.top - 70));
  }
  Frames(15);
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  EXPECT_EQ(p->arrivals, 1);
  EXPECT_TRUE(p->last_arrival);
  Frames(40);
  EXPECT_EQ(p->arrivals, 1);  // once per walk
  // Set walking again with the path used up: the next frame stops it.
  p->SetPlayerState(PS_WALK);
  Frames(1);
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  EXPECT_EQ(p->arrivals, 2);
  EXPECT_EQ(p->GetArea().left, (8 - 3) * 32);
}

TEST_F(MapPlayerTest, WalksAskedForWhileWalkingWaitForTheStep) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  ASSERT_TRUE(p->WalkTo(10, 5, false));
  Frames(3);
  EXPECT_FALSE(p->WalkTo(5, 9, false));
  EXPECT_FALSE(p->WalkTo(2, 5, false));  // replaces the first
  Frames(13);                            // the step to (6, 5) ends and the pending walk starts
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->m_ptPending.x, -1);
  Frames(16 * 4);
  EXPECT_EQ(Xy(p->GetNowPoint()), Cell(2, 5));
  EXPECT_EQ(p->arrivals, 1);
}

// Round a wall through its gap, never through it; with no way through,
// up to the cell in front of a blocked target.
TEST_F(MapPlayerTest, WalksAroundAWallOrStopInFrontOfIt) {
  for (const int wall : {10, 12}) {
    SCOPED_TRACE(wall);
    MakeMap(12, 12);
    for (int y = 0; y < wall; ++y) Block(6, y);
    auto* p = AddWalker(3, 3);
    ASSERT_TRUE(p->WalkTo(wall == 12 ? 6 : 9, 3, false));
    std::set<Cell> visited;
    for (int i = 0; i < 16 * 40 && p->arrivals == 0; ++i) {
      Frames(1);
      visited.insert(Xy(p->GetNowPoint()));
    }
    EXPECT_EQ(p->arrivals, 1);
    EXPECT_EQ(Xy(p->GetNowPoint()), wall == 12 ? Cell(5, 3) : Cell(9, 3));
    for (auto [x, y] : visited) EXPECT_FALSE(x == 6 && y < wall) << x << "," << y;
  }
}

// Standing off the grid: no walk, nothing drawn, no hit, never a read
// outside the cells; a single step is still taken.
TEST_F(MapPlayerTest, ACharacterOutsideTheMap) {
  MakeMap(10, 10);
  auto* p = AddWalker(-5, 40);
  EXPECT_FALSE(p->WalkTo(2, 2, false));
  auto frame = tessera::test::MakeDib(320, 240, 0x0123);
  map->Show(frame.get());
  for (uint16_t px : tessera::test::Pixels(frame.get())) ASSERT_EQ(px, 0x0123);
  EXPECT_FALSE(p->IsPointed(10, 10));
  EXPECT_TRUE(p->MoveTo(-4, 39));
}

// Facing down-right to down-left the back layers come last; any other
// direction (an out-of-range one too) the front order.
TEST_F(MapPlayerTest, LayerOrderFollowsTheDirection) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  auto* frame = vm->GetRenderSurface();
  for (int d : {0, 1, 2, 3, 4, 5, 6, 7, 9}) {
    SCOPED_TRACE(d);
    const std::vector<long> want = d >= 4 && d <= 6 ? std::vector<long>{3, 4, 5, 2, 1, 0}
                                                    : std::vector<long>{3, 4, 1, 0, 2, 5};
    p->SetDirection(d);
    map->Show(frame);
    std::vector<long> parts;
    for (CPlayerEquip* e : p->GetEquipList().GetEquipList()) parts.push_back(e->GetPart());
    EXPECT_EQ(parts, want);
    // Every layer covers the same pixels: the last one drawn shows.
    const tagRECT r = p->GetRelativeArea();
    if (d < 8) {
      EXPECT_EQ(frame->GetPixel(r.left + 2, r.top + 2).GetColor(),
                EquipColour(d, 0, want.back(), tessera::SharedPlayerFrame()));
    }
  }
}

TEST_F(MapPlayerTest, AllCharactersAnimateInStep) {
  MakeMap(20, 20);
  auto* a = AddWalker(3, 3);
  auto* b = AddWalker(9, 9, 2);
  Frames(1);
  EXPECT_EQ(tessera::SharedPlayerFrame(), 0);
  clock->Advance(150 - 20);  // 150 ms after the first frame: one advance
  Frames(1);
  EXPECT_EQ(tessera::SharedPlayerFrame(), 1);
  Frames(1);
  EXPECT_EQ(tessera::SharedPlayerFrame(), 1);  // two characters, still one step
  clock->Advance(150);
  Frames(1);  // two frames per direction: back to 0
  EXPECT_EQ(tessera::SharedPlayerFrame(), 0);
  b->m_nFrameDelay[0] = a->m_nFrameDelay[0] = 10000;
  clock->Advance(5000);
  Frames(1);
  EXPECT_EQ(tessera::SharedPlayerFrame(), 0);
}

TEST_F(MapPlayerTest, HitTestUsesTheComposedPicture) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  EXPECT_FALSE(p->IsPointed(p->GetRelativeArea().left + 2, p->GetRelativeArea().top + 2));
  Frames(1);  // the first frame composes the hit picture
  const tagRECT r = p->GetRelativeArea();
  // Inside; the area's edges; past the 6 x 8 picture.
  const struct {
    int x, y;
    bool hit;
  } cases[] = {{2, 2, true},  {5, 7, true},  {0, 2, false},
               {3, 0, false}, {6, 3, false}, {3, 8, false}};
  for (const auto& c : cases)
    EXPECT_EQ(p->IsPointed(r.left + c.x, r.top + c.y), c.hit) << c.x << "," << c.y;
  // A key-coloured pixel of the hit picture is not hit.
  p->GetHitSurface()->SetPixel(4, 4, COLOR_KEY);
  EXPECT_FALSE(p->IsPointed(r.left + 4, r.top + 4));
  EXPECT_EQ(map->FindObject(r.left + 2, r.top + 2), p);
  // A character of its own hit test: hidden, never hit.  Its bubble hides
  // and shows with it; other states leave the bubble as it is.
  p->SetState(MOS_HIDDEN);
  EXPECT_FALSE(p->IsPointed(r.left + 2, r.top + 2));
  EXPECT_EQ(p->m_pBubble->m_dwState, QAREA_HIDE);
  const struct {
    int state;
    unsigned long bubble;
  } steps[] = {{7, QAREA_HIDE}, {MOS_SHOW, QAREA_SHOW}, {7, QAREA_SHOW}, {MOS_HIDE, QAREA_HIDE}};
  for (const auto& s : steps) {
    p->SetState(enMapObjectState(s.state));
    EXPECT_EQ(p->m_pBubble->m_dwState, s.bubble) << s.state;
  }
}

// Clicked, only a talker (type 4) answers with a line the clock picks,
// the player calls out, and the talker walks next to the player.
TEST_F(MapPlayerTest, ATalkerAnswersAndComesOver) {
  ASSERT_TRUE(AfxGetMapManager()->Init(GamePath().c_str()));
  QMap* m = MakeMap(20, 20);
  auto* hero = AddWalker(4, 4, 1);
  auto* talker = AddWalker(12, 9, 2);
  m->SetMySelf(hero);
  AfxGetMapManager()->CreateNewMap(map.release());
  talker->m_pfnCallBack[5](talker);
  EXPECT_STREQ(talker->m_pBubble->m_szContent, "");
  EXPECT_TRUE(hero->m_TimerList.empty());
  EXPECT_EQ(talker->GetPlayerState(), PS_STAND);

  talker->m_nType = MOT_TALKER;
  clock->Advance(777);
  tessera::SeedRandom(tessera::NowMs());
  const int line = tessera::NextRandom() % 8;
  talker->m_pfnCallBack[5](talker);
  EXPECT_STREQ(talker->m_pBubble->m_szContent, tessera::kChatterLines[line]);
  // 小乖乖来来！到姐姐这边来！
  EXPECT_STREQ(hero->m_pBubble->m_szContent,
               "\xD0\xA1\xB9\xD4\xB9\xD4\xC0\xB4\xC0\xB4\xA3\xA1\xB5\xBD\xBD\xE3\xBD\xE3\xD5\xE2"
               "\xB1\xDF\xC0\xB4\xA3\xA1");
  ASSERT_EQ(hero->m_TimerList.size(), 1u);
  EXPECT_EQ(hero->m_TimerList.front().dwPeriod, 5000u);
  Frames(16 * 12);
  EXPECT_EQ(Xy(talker->GetNowPoint()), Cell(5, 5));
  EXPECT_EQ(talker->arrivals, 1);
}

}  // namespace
