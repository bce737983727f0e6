// CPathFinder on small hand-made grids: exact paths and labels, the
// straight-line stepper, the 127-wave limit, handing out cells, set-up faults.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gui/map/path_finder.h"
#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

// Hands out every cell until NextStep says 0, at most `limit` of them.
Cells Walk(CPathFinder& f, int limit = 1000) {
  Cells out;
  tagPOINT p{-1, -1};
  while (static_cast<int>(out.size()) < limit && f.NextStep(p)) out.push_back({p.x, p.y});
  return out;
}

// A grid from rows of text: '.' is 0, '#' is 1, a digit d is the byte d.
struct TextGrid {
  int columns = 0, rows = 0;
  std::vector<unsigned char> cells;
  explicit TextGrid(const std::vector<std::string>& lines) {
    rows = static_cast<int>(lines.size());
    columns = static_cast<int>(lines[0].size());
    for (const auto& l : lines)
      for (char ch : l) cells.push_back(ch == '.' ? 0 : ch == '#' ? 1 : static_cast<unsigned char>(ch - '0'));
  }
};

class PathFinderTest : public tessera::test::EngineTest {};

TEST_F(PathFinderTest, OpenGridReachesTwoRightTwoDownByTwoDiagonalSteps) {
  TextGrid g({".....", ".....", ".....", "....."});
  CPathFinder f;
  f.SetMapData(g.columns, g.rows, g.cells.data());
  ASSERT_EQ(f.FindPath({1, 0}, {3, 2}), 1);
  EXPECT_EQ(f.m_nPathFound, 1);
  EXPECT_EQ(Walk(f), (Cells{{1, 0}, {2, 1}, {3, 2}}));
  // Spent: further calls keep saying 0.
  tagPOINT p{42, 43};
  EXPECT_EQ(f.NextStep(p), 0);
  EXPECT_EQ(f.NextStep(p), 0);
  EXPECT_EQ(p.x, 42);
  EXPECT_EQ(p.y, 43);
}

TEST_F(PathFinderTest, VisitingAndBacktrackingOrdersPickTheLeftDetour) {
  // The centre is blocked; both detours are two steps.  The sweep meets the
  // target first from (0,1), the backtrack prefers left over right.
  TextGrid g({"...", ".#.", "..."});
  CPathFinder f;
  f.SetMapData(3, 3, g.cells.data());
  ASSERT_EQ(f.FindPath({1, 0}, {1, 2}), 1);
  const unsigned char labels[9] = {2, 1, 2, 2, 0, 2, 3, 3, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(f.m_pWave[i], labels[i]) << i;
  EXPECT_EQ(f.m_nWaveNum, 2);
  EXPECT_EQ(Walk(f), (Cells{{1, 0}, {0, 1}, {1, 2}}));
}

TEST_F(PathFinderTest, DiagonalSqueezeBetweenTwoBlockedCells) {
  TextGrid g({".#..", "#.#.", "..#."});
  CPathFinder f;
  f.SetMapData(g.columns, g.rows, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {3, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 1}, {2, 0}, {3, 0}}));
}

TEST_F(PathFinderTest, OtherNonZeroBytesAreAvoidedBySearchButWalkedByTheStepper) {
  // A byte 2 between start and target on a one-row grid: no path, the
  // stepper walks through it.
  TextGrid g({".2.."});
  CPathFinder f;
  f.SetMapData(4, 1, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {3, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(Walk(f, 6), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 0}, {3, 0}}));
  // A target standing on a byte 2 is still reached by the search.
  TextGrid h({"..2"});
  f.SetMapData(3, 1, h.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {2, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 1);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 0}, {2, 0}}));
  // With a detour available the search goes round the byte 2; the target
  // is first met from (2,1) and the backtrack prefers up, then up-left.
  TextGrid k({"...", ".2.", "..."});
  f.SetMapData(3, 3, k.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {2, 2}), 1);
  EXPECT_EQ(f.m_pWave[8], 4);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 0}, {2, 1}, {2, 2}}));
}

TEST_F(PathFinderTest, StartEqualToTargetHandsOutThatCellForever) {
  TextGrid g({"...", "..."});
  CPathFinder f;
  f.SetMapData(3, 2, g.cells.data());
  ASSERT_EQ(f.FindPath({2, 1}, {2, 1}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_pWave[5], 255);  // the target mark replaced the start label
  EXPECT_EQ(Walk(f, 5), (Cells{{2, 1}, {2, 1}, {2, 1}, {2, 1}, {2, 1}}));
}

TEST_F(PathFinderTest, EnclosedTargetStopsInFrontOfTheFirstBlockedCell) {
  TextGrid g({"...#.#."});
  CPathFinder f;
  f.SetMapData(g.columns, 1, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {4, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 0}, {2, 0}}));
  // Enclosed on all sides in two dimensions.
  TextGrid h({".....", "..###", "..#.#", "..###"});
  f.SetMapData(5, 4, h.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {3, 2}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
  // (1,1) by the diagonal; from there diagonal and horizontal are blocked,
  // so down to (1,2); from (1,2) everything ahead is blocked: stepped onto
  // (2,2) anyway, and the walk ends.
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 1}, {1, 2}}));
}

TEST_F(PathFinderTest, BlockedTargetOrStartSkipsTheSearch) {
  TextGrid g({"....", ".#..", "....", "...#"});
  CPathFinder f;
  f.SetMapData(4, 4, g.cells.data());
  f.m_pWave[6] = 99;  // not touched: no search runs
  ASSERT_EQ(f.FindPath({0, 0}, {3, 3}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_pWave[6], 99);
  EXPECT_EQ(f.m_ptTarget.x, 3);
  EXPECT_EQ(f.m_ptCurrent.x, 0);
  // Diagonal blocked -> horizontal; then diagonals; then the last diagonal
  // is blocked and so are its straight parts -> stepped onto anyway; the
  // walk ends on the cell before it.
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 0}, {2, 1}, {3, 2}}));
  // Vertical side step: diagonal and horizontal blocked.
  TextGrid h({"..", "##", ".."});
  h.cells[2] = 0;  // (0,1) open
  f.SetMapData(2, 3, h.cells.data());
  h.cells[5] = 1;  // target (1,2) blocked
  ASSERT_EQ(f.FindPath({1, 0}, {1, 2}), 1);
  // (1,0) -> sy only: (1,1) blocked, sx is 0, vertical blocked -> forced.
  EXPECT_EQ(Walk(f), (Cells{{1, 0}}));
  // A start on a blocked cell hands out nothing at all.
  ASSERT_EQ(f.FindPath({1, 1}, {0, 0}), 1);
  EXPECT_EQ(Walk(f), Cells{});
}

TEST_F(PathFinderTest, SideStepOrderDiagonalThenHorizontalThenVertical) {
  // Target (2,2) blocked so the stepper runs.  From (0,0) the diagonal (1,1)
  // and the horizontal (1,0) are blocked: the vertical (0,1) is taken.
  TextGrid g({".#.", ".#.", "..#"});
  CPathFinder f;
  f.SetMapData(3, 3, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {2, 2}), 1);
  ASSERT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {0, 1}, {1, 2}}));
}

TEST_F(PathFinderTest, WaveLimitAt127Steps) {
  // One row of 200 open cells: the distance is the column difference.
  std::vector<unsigned char> row(200, 0);
  CPathFinder f;
  f.SetMapData(200, 1, row.data());

  ASSERT_EQ(f.FindPath({5, 0}, {5 + 126, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 1);
  EXPECT_EQ(f.m_pWave[5 + 126], 127);
  Cells walk = Walk(f);
  ASSERT_EQ(walk.size(), 127u);
  for (int i = 0; i < 127; ++i) EXPECT_EQ(walk[i], std::make_pair(5 + i, 0));

  // 127 steps: the label 128 reads as negative, the path is the target alone.
  ASSERT_EQ(f.FindPath({5, 0}, {5 + 127, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 1);
  EXPECT_EQ(f.m_pWave[5 + 127], 128);
  EXPECT_EQ(Walk(f), (Cells{{5 + 127, 0}}));

  // 128 steps: wave 127 labels the cell before the target with 128, wave 128
  // finds nothing; the stepper walks there along the row.
  ASSERT_EQ(f.FindPath({5, 0}, {5 + 128, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_pWave[5 + 127], 128);
  EXPECT_EQ(f.m_pWave[5 + 128], 255);
  EXPECT_EQ(f.m_nWaveNum, 128);
  walk = Walk(f, 130);
  ASSERT_EQ(walk.size(), 130u);
  EXPECT_EQ(walk[0], std::make_pair(5, 0));
  EXPECT_EQ(walk[128], std::make_pair(133, 0));
  EXPECT_EQ(walk[129], std::make_pair(133, 0));
}

TEST_F(PathFinderTest, OutOfGridCoordinatesReturnZero) {
  TextGrid g({"...", "..."});
  CPathFinder f;
  f.SetMapData(3, 2, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {2, 1}), 1);
  ASSERT_EQ(f.m_nPathFound, 1);
  const tagPOINT bad[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}};
  for (const tagPOINT& b : bad) {
    EXPECT_EQ(f.FindPath(b, {1, 1}), 0);
    EXPECT_EQ(f.FindPath({1, 1}, b), 0);
  }
  // The refused search still dropped the traced mode; target and current
  // are those of the last accepted search.
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_ptTarget.x, 2);
  EXPECT_EQ(f.m_ptTarget.y, 1);
  // Corners are inside.
  EXPECT_EQ(f.FindPath({2, 1}, {0, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{2, 1}, {1, 0}, {0, 0}}));
}

TEST_F(PathFinderTest, HandOutIsOneCellPerCallAndANewSearchRestarts) {
  TextGrid g({"......"});
  CPathFinder f;
  f.SetMapData(6, 1, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {3, 0}), 1);
  tagPOINT p{};
  ASSERT_EQ(f.NextStep(p), 1);
  EXPECT_EQ(p.x, 0);
  ASSERT_EQ(f.NextStep(p), 1);
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(f.m_nCursor, 2u);
  // A new search in the middle of a walk starts over from its own start.
  ASSERT_EQ(f.FindPath({5, 0}, {2, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{5, 0}, {4, 0}, {3, 0}, {2, 0}}));
  EXPECT_EQ(f.m_nExhausted, 0);
}

TEST_F(PathFinderTest, NewCellArrayIsUsedByTheNextSearch) {
  TextGrid a({"...", "...", "..."});
  TextGrid b({"...", "##.", "..."});
  CPathFinder f;
  f.SetMapData(3, 3, a.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {0, 2}), 1);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {0, 1}, {0, 2}}));
  tessera::ReplacePathFinderCells(f, b.cells.data());
  EXPECT_EQ(f.m_pMapData, b.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {0, 2}), 1);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {1, 0}, {2, 1}, {1, 2}, {0, 2}}));
}

TEST_F(PathFinderTest, SetMapDataFaultsShowTheMessageAndGoOn) {
  TextGrid g({"..", ".."});
  CPathFinder f;
  EXPECT_EQ(Walk(f), Cells{});  // never set up: nothing to hand out
  f.SetMapData(2, 2, g.cells.data());
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
  ASSERT_EQ(f.FindPath({0, 0}, {1, 1}), 1);

  f.SetMapData(0, 2, g.cells.data());
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].caption, "Error");
  EXPECT_EQ(tessera::HeadlessMessages()[0].text, "Set Map Data Error!");
  // Reset: no path, stepper at (0,0), no wave buffer, every search refused.
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_nExhausted, 1);
  EXPECT_TRUE(f.m_Path.empty());
  EXPECT_EQ(f.m_pWave, nullptr);
  EXPECT_EQ(f.FindPath({0, 0}, {0, 0}), 0);
  EXPECT_EQ(Walk(f), Cells{});

  f.SetMapData(2, -1, g.cells.data());
  EXPECT_EQ(tessera::HeadlessMessages().size(), 2u);
  EXPECT_EQ(f.FindPath({0, 0}, {0, 0}), 0);

  // Sizes without cells: the message, then searches are refused too.
  f.SetMapData(2, 2, nullptr);
  EXPECT_EQ(tessera::HeadlessMessages().size(), 3u);
  EXPECT_EQ(f.FindPath({0, 0}, {1, 1}), 0);
  EXPECT_EQ(Walk(f), Cells{});

  // Set up properly again: all works, the wave buffer is fresh and zeroed.
  f.SetMapData(2, 2, g.cells.data());
  EXPECT_EQ(tessera::HeadlessMessages().size(), 3u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.m_pWave[i], 0);
  ASSERT_EQ(f.FindPath({1, 1}, {0, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{1, 1}, {0, 0}}));
}

}  // namespace
