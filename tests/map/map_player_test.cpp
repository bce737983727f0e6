// Walking characters: steps and their directions, pixel positions after
// exact numbers of frames, arrivals, the one-cell rule, pending walks,
// blocked targets, drawing order, the shared animation, hit tests, the
// speech bubble and the character that comes when clicked.
#include <gtest/gtest.h>

#include <set>

#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/map/map_manager.h"
#include "gui/map/path_finder.h"
#include "map/walker_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/random.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::CountingPlayer;
using tessera::test::EquipColour;
using tessera::test::WalkerTest;

// 不能一次移动跨越一格的范围
const std::string kStepTooFar =
    "\xB2\xBB\xC4\xDC\xD2\xBB\xB4\xCE\xD2\xC6\xB6\xAF\xBF\xE7\xD4\xBD\xD2\xBB\xB8\xF1\xB5\xC4\xB7\xB6\xCE\xA7";

class MapPlayerTest : public WalkerTest {};

TEST_F(MapPlayerTest, InitLaysOutThePictureBox) {
  MakeMap(30, 30);
  auto* p = AddWalker(5, 7);
  EXPECT_EQ(p->GetDrawPoint().x, 2);
  EXPECT_EQ(p->GetDrawPoint().y, 2);
  EXPECT_TRUE(p->IsEndOfStep());
  const tagRECT a = p->GetArea();
  EXPECT_EQ(a.left, 64);
  EXPECT_EQ(a.top, 64);
  EXPECT_EQ(a.right - a.left, 7 * 32);
  EXPECT_EQ(a.bottom - a.top, 7 * 32);
  EXPECT_EQ(p->GetEquipList().GetEquipList().size(), 6u);
  ASSERT_NE(p->GetHitSurface(), nullptr);
  EXPECT_EQ(p->GetHitSurface()->GetWidth(), 6);
  EXPECT_EQ(p->GetHitSurface()->GetPixel(2, 2).GetColor(), COLOR_KEY);
  // The direction comes from the generator seeded with the clock.
  tessera::SeedRandom(tessera::NowMs());
  EXPECT_EQ(p->GetDirection(), tessera::NextRandom() % 8);
  // Default tint of a new layer.
  CMapPlayer other;
  other.Init(2, "other", map.get(), nullptr);
  EXPECT_EQ(other.GetEquip(4)->GetCurColor().GetColor(), PIXEL(128, 0, 128).GetColor());
}

TEST_F(MapPlayerTest, EachNeighbourStepFacesItsDirection) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  struct Case {
    int dx, dy, direction;
  } cases[] = {{0, -1, 0}, {1, -1, 1}, {1, 0, 2}, {1, 1, 3}, {0, 1, 4}, {-1, 1, 5}, {-1, 0, 6}, {-1, -1, 7}};
  for (const Case& c : cases) {
    p->QuickMove(5, 5);
    p->SetPlayerState(PS_STAND);
    const tagRECT start = p->GetArea();
    ASSERT_TRUE(p->MoveTo(5 + c.dx, 5 + c.dy));
    EXPECT_EQ(p->GetDirection(), c.direction);
    EXPECT_EQ(p->GetPlayerState(), PS_WALK);
    EXPECT_FALSE(p->IsEndOfStep());
    for (int i = 0; i < 15; ++i) p->MovePlayer(2);
    EXPECT_EQ(p->GetArea().left, start.left + c.dx * 30) << c.direction;
    EXPECT_EQ(p->GetArea().top, start.top + c.dy * 30) << c.direction;
    EXPECT_EQ(p->GetNowPoint().x, 5) << "still on the first cell after 30 pixels";
    p->MovePlayer(2);
    EXPECT_TRUE(p->IsEndOfStep());
    EXPECT_EQ(p->GetNowPoint().x, 5 + c.dx) << c.direction;
    EXPECT_EQ(p->GetNowPoint().y, 5 + c.dy) << c.direction;
    EXPECT_EQ(p->GetArea().left, (5 + c.dx - 3) * 32);
  }
  EXPECT_EQ(p->arrivals, 0);  // single steps are not walks
}

TEST_F(MapPlayerTest, OneCellRule) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  tessera::ClearHeadlessMessages();
  for (auto [x, y] : {std::pair{7, 5}, std::pair{3, 5}, std::pair{5, 8}, std::pair{6, 3}}) {
    EXPECT_FALSE(p->MoveTo(x, y));
    EXPECT_EQ(p->GetPlayerState(), PS_STAND);
    EXPECT_TRUE(p->IsEndOfStep());
  }
  const auto& msgs = tessera::HeadlessMessages();
  ASSERT_EQ(msgs.size(), 4u);
  EXPECT_EQ(msgs[0].caption, "");
  EXPECT_EQ(msgs[0].text, kStepTooFar);
  // The standing cell itself is a step of nothing: true, no change.
  EXPECT_TRUE(p->MoveTo(5, 5));
  EXPECT_TRUE(p->IsEndOfStep());
  // Steps of any size but the unit's divisors do nothing.
  const tagRECT before = p->GetArea();
  p->MoveTo(6, 5);
  p->MovePlayer(3);
  p->MovePlayer(0);
  EXPECT_EQ(p->GetArea().left, before.left);
  p->MovePlayer(4);
  EXPECT_EQ(p->GetArea().left, before.left + 4);
}

TEST_F(MapPlayerTest, WalkPositionsAfterExactFrameCounts) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  ASSERT_TRUE(p->WalkTo(8, 5, false));
  EXPECT_EQ(p->GetPlayerState(), PS_WALK);
  const int left0 = p->GetArea().left;
  Frames(1);
  EXPECT_EQ(p->GetArea().left, left0 + 2);
  EXPECT_EQ(p->GetDirection(), 2);
  Frames(15);
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->GetArea().left, left0 + 32);
  Frames(17);
  EXPECT_EQ(p->GetNowPoint().x, 7);
  EXPECT_EQ(p->GetArea().left, left0 + 66);
  EXPECT_EQ(p->arrivals, 0);
  Frames(15);
  EXPECT_EQ(p->GetNowPoint().x, 8);
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  EXPECT_EQ(p->arrivals, 1);
  EXPECT_TRUE(p->last_arrival);
  Frames(40);
  EXPECT_EQ(p->arrivals, 1);  // once per walk
  EXPECT_EQ(p->GetArea().left, (8 - 3) * 32);
}

TEST_F(MapPlayerTest, DiagonalWalkTakesTwoDiagonalSteps) {
  MakeMap(20, 20);
  auto* p = AddWalker(4, 4);
  ASSERT_TRUE(p->WalkTo(6, 6, false));
  Frames(16);
  EXPECT_EQ(p->GetNowPoint().x, 5);
  EXPECT_EQ(p->GetNowPoint().y, 5);
  EXPECT_EQ(p->GetDirection(), 3);
  Frames(16);
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->GetNowPoint().y, 6);
  EXPECT_EQ(p->arrivals, 1);
}

TEST_F(MapPlayerTest, RefusedWalks) {
  MakeMap(10, 10);
  auto* p = AddWalker(3, 3);
  EXPECT_FALSE(p->WalkTo(3, 3, false));
  EXPECT_FALSE(p->WalkTo(10, 3, false));
  EXPECT_FALSE(p->WalkTo(-1, 3, false));
  EXPECT_FALSE(p->WalkTo(3, 10, true));
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  Frames(3);
  EXPECT_EQ(p->GetNowPoint().x, 3);
  EXPECT_EQ(p->arrivals, 0);
}

TEST_F(MapPlayerTest, WalksAskedForWhileWalkingWaitForTheStep) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  ASSERT_TRUE(p->WalkTo(10, 5, false));
  Frames(3);
  EXPECT_FALSE(p->WalkTo(5, 9, false));
  EXPECT_FALSE(p->WalkTo(2, 5, false));  // replaces the first
  EXPECT_EQ(p->m_ptPending.x, 2);
  Frames(13);  // the step to (6, 5) ends and the pending walk starts
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->m_ptPending.x, -1);
  Frames(16 * 4);
  EXPECT_EQ(p->GetNowPoint().x, 2);
  EXPECT_EQ(p->GetNowPoint().y, 5);
  EXPECT_EQ(p->arrivals, 1);
}

TEST_F(MapPlayerTest, AnEmptyPathStopsOnTheNextFrame) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  ASSERT_TRUE(p->WalkTo(6, 5, false));
  Frames(16);
  ASSERT_EQ(p->arrivals, 1);
  // Set walking again with the path used up: the next frame stops it.
  p->SetPlayerState(PS_WALK);
  Frames(1);
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  EXPECT_EQ(p->arrivals, 2);
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->GetArea().left, 3 * 32);
}

TEST_F(MapPlayerTest, WalksAroundAWall) {
  MakeMap(12, 12);
  for (int y = 0; y < 10; ++y) Block(6, y);  // a wall with a gap at the bottom
  auto* p = AddWalker(3, 3);
  ASSERT_TRUE(p->WalkTo(9, 3, false));
  std::set<std::pair<int, int>> visited;
  for (int i = 0; i < 16 * 40 && p->arrivals == 0; ++i) {
    Frames(1);
    visited.insert({p->GetNowPoint().x, p->GetNowPoint().y});
  }
  EXPECT_EQ(p->arrivals, 1);
  EXPECT_EQ(p->GetNowPoint().x, 9);
  EXPECT_EQ(p->GetNowPoint().y, 3);
  for (auto [x, y] : visited) EXPECT_FALSE(x == 6 && y < 10) << x << "," << y;
  EXPECT_TRUE(visited.count({6, 10}) || visited.count({6, 11}));
}

TEST_F(MapPlayerTest, AWalkIntoABlockedCellStopsInFrontOfIt) {
  MakeMap(12, 12);
  for (int y = 0; y < 12; ++y) Block(7, y);  // no way through
  auto* p = AddWalker(2, 4);
  ASSERT_TRUE(p->WalkTo(7, 4, false));  // the target itself is blocked
  Frames(16 * 10);
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->GetNowPoint().y, 4);
  EXPECT_EQ(p->GetPlayerState(), PS_STAND);
  EXPECT_EQ(p->arrivals, 1);
  // And a free target beyond the wall: the straight line ends at it too.
  ASSERT_TRUE(p->WalkTo(10, 4, false));
  Frames(16 * 10);
  EXPECT_EQ(p->GetNowPoint().x, 6);
  EXPECT_EQ(p->arrivals, 2);
}

TEST_F(MapPlayerTest, ACharacterOutsideTheMap) {
  MakeMap(10, 10);
  auto* p = AddWalker(-5, 40);
  EXPECT_FALSE(p->WalkTo(2, 2, false));
  auto* frame = vm->GetRenderSurface();
  DRAW_FX fx;
  fx.kind = FX_FILL;
  fx.colour = 0x0123;
  frame->Blit(frame, 0, 0, fx);
  map->Show(frame);
  for (uint16_t px : tessera::test::Pixels(frame)) ASSERT_EQ(px, 0x0123);
  EXPECT_FALSE(p->IsPointed(10, 10));
  // Standing outside the grid: a step back in is refused by the path
  // search, a single step is still taken.
  EXPECT_TRUE(p->MoveTo(-4, 39));
}

TEST_F(MapPlayerTest, LayerOrderFollowsTheDirection) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  auto parts = [&] {
    std::vector<long> v;
    for (CPlayerEquip* e : p->GetEquipList().GetEquipList()) v.push_back(e->GetPart());
    return v;
  };
  struct Case {
    int direction;
    std::vector<long> order;
  } cases[] = {{0, {3, 4, 1, 0, 2, 5}}, {1, {3, 4, 1, 0, 2, 5}}, {2, {3, 4, 1, 0, 2, 5}},
               {3, {3, 4, 1, 0, 2, 5}}, {4, {3, 4, 5, 2, 1, 0}}, {5, {3, 4, 5, 2, 1, 0}},
               {6, {3, 4, 5, 2, 1, 0}}, {7, {3, 4, 1, 0, 2, 5}}, {9, {3, 4, 1, 0, 2, 5}}};
  auto* frame = vm->GetRenderSurface();
  for (const Case& c : cases) {
    p->SetDirection(c.direction);
    map->Show(frame);
    EXPECT_EQ(parts(), c.order) << c.direction;
    // Every layer covers the same pixels: the last one drawn shows.
    if (c.direction < 8) {
      const tagRECT r = p->GetRelativeArea();
      EXPECT_EQ(frame->GetPixel(r.left + 2, r.top + 2).GetColor(),
                EquipColour(c.direction, 0, c.order.back(), tessera::SharedPlayerFrame()))
          << c.direction;
    }
  }
}

TEST_F(MapPlayerTest, AllCharactersAnimateInStep) {
  MakeMap(20, 20);
  auto* a = AddWalker(3, 3);
  auto* b = AddWalker(9, 9, 2);
  (void)a;
  (void)b;
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
  b->m_nFrameDelay[0] = 10000;
  a->m_nFrameDelay[0] = 10000;
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
  EXPECT_TRUE(p->IsPointed(r.left + 2, r.top + 2));
  EXPECT_TRUE(p->IsPointed(r.left + 5, r.top + 7));
  EXPECT_FALSE(p->IsPointed(r.left, r.top + 2));       // the edges are outside
  EXPECT_FALSE(p->IsPointed(r.left + 3, r.top));
  EXPECT_FALSE(p->IsPointed(r.left + 6, r.top + 3));   // past the picture
  EXPECT_FALSE(p->IsPointed(r.left + 3, r.top + 8));
  // A key-coloured pixel of the hit picture is not hit.
  p->GetHitSurface()->SetPixel(4, 4, COLOR_KEY);
  EXPECT_FALSE(p->IsPointed(r.left + 4, r.top + 4));
  p->SetState(MOS_HIDDEN);
  EXPECT_FALSE(p->IsPointed(r.left + 2, r.top + 2));
  p->SetState(MOS_SHOW);
  EXPECT_EQ(map->FindObject(r.left + 2, r.top + 2), p);
}

TEST_F(MapPlayerTest, SpeechBubbleFollowsTheCharacter) {
  MakeMap(20, 20);
  auto* p = AddWalker(5, 5);
  ASSERT_NE(p->m_pBubble, nullptr);
  EXPECT_TRUE(p->m_pBubble->m_bAutoSize);
  EXPECT_TRUE(p->m_pBubble->m_bTrans);
  EXPECT_EQ(p->m_pBubble->m_pAreaChain, AfxGetChainManager()->GetChain(CHAIN_MIDDLE));
  ASSERT_TRUE(p->WalkTo(7, 5, false));
  Frames(5);
  const tagRECT r = p->GetRelativeArea();
  EXPECT_EQ(p->m_pBubble->m_rcArea.left, r.left);
  EXPECT_EQ(p->m_pBubble->m_rcArea.top, r.top - 70);
}

class TalkerTest : public WalkerTest {
 protected:
  void SetUp() override {
    WalkerTest::SetUp();
    ASSERT_TRUE(AfxGetMapManager()->Init(gamePath().c_str()));
  }
  std::string gamePath() { return dir.path() + "\\game\\game.mdb"; }
};

TEST_F(TalkerTest, ATalkerAnswersAndComesOver) {
  QMap* m = MakeMap(20, 20);
  auto* hero = AddWalker(4, 4, 1);
  auto* talker = AddWalker(12, 9, 2);
  m->SetMySelf(hero);
  AfxGetMapManager()->CreateNewMap(map.release());
  talker->m_nType = MOT_TALKER;

  clock->Advance(777);
  tessera::SeedRandom(tessera::NowMs());
  const int line = tessera::NextRandom() % 8;
  talker->m_pfnCallBack[5](talker);
  EXPECT_STREQ(talker->m_pBubble->m_szContent, tessera::kChatterLines[line]);
  // 小乖乖来来！到姐姐这边来！
  EXPECT_STREQ(hero->m_pBubble->m_szContent,
               "\xD0\xA1\xB9\xD4\xB9\xD4\xC0\xB4\xC0\xB4\xA3\xA1\xB5\xBD\xBD\xE3\xBD\xE3\xD5\xE2\xB1\xDF\xC0\xB4\xA3\xA1");
  ASSERT_EQ(hero->m_TimerList.size(), 1u);
  EXPECT_EQ(hero->m_TimerList.front().nID, 1);
  EXPECT_EQ(hero->m_TimerList.front().dwPeriod, 5000u);
  EXPECT_EQ(talker->GetPlayerState(), PS_WALK);
  for (int i = 0; i < 16 * 12; ++i) {
    m->Show(vm->GetRenderSurface());
    clock->Advance(20);
  }
  EXPECT_EQ(talker->GetNowPoint().x, 5);
  EXPECT_EQ(talker->GetNowPoint().y, 5);
  EXPECT_EQ(talker->arrivals, 1);
  for (int i = 0; i < 8; ++i) EXPECT_LT(std::strlen(tessera::kChatterLines[i]), 84u) << i;
}

TEST_F(TalkerTest, OnlyType4Talks) {
  QMap* m = MakeMap(20, 20);
  auto* hero = AddWalker(4, 4, 1);
  auto* other = AddWalker(12, 9, 2);
  m->SetMySelf(hero);
  AfxGetMapManager()->CreateNewMap(map.release());
  other->m_pfnCallBack[5](other);
  EXPECT_STREQ(other->m_pBubble->m_szContent, "");
  EXPECT_TRUE(hero->m_TimerList.empty());
  EXPECT_EQ(other->GetPlayerState(), PS_STAND);
}

}  // namespace
