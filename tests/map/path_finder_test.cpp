// CPathFinder on small hand-made grids: what the comparison with the sweep
// (path_finder_oracle_test) does not reach: handing out past the end,
// refused and restarted searches, new cell arrays, set-up faults.
#include "gui/map/path_finder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

// A grid from rows of text: '.' is 0, '#' is 1.
struct TextGrid {
  int columns = 0, rows = 0;
  std::vector<unsigned char> cells;
  explicit TextGrid(const std::vector<std::string>& lines) {
    rows = static_cast<int>(lines.size());
    columns = static_cast<int>(lines[0].size());
    for (const auto& l : lines)
      for (char ch : l) cells.push_back(ch == '#');
  }
};

class PathFinderTest : public tessera::test::EngineTest {};

// Spent: further calls keep saying 0 and leave the point alone.
TEST_F(PathFinderTest, ASpentPathHandsOutNothingMore) {
  TextGrid g({"...", ".#.", "..."});
  CPathFinder f;
  f.SetMapData(3, 3, g.cells.data());
  ASSERT_EQ(f.FindPath({1, 0}, {1, 2}), 1);
  EXPECT_EQ(Walk(f), (Cells{{1, 0}, {0, 1}, {1, 2}}));
  tagPOINT p{42, 43};
  EXPECT_EQ(f.NextStep(p), 0);
  EXPECT_EQ(f.NextStep(p), 0);
  EXPECT_EQ(p.x, 42);
}

// A refused search still drops the traced mode and keeps the target of the
// last accepted one; a new search in the middle of a walk starts over.
TEST_F(PathFinderTest, RefusedAndRestartedSearches) {
  TextGrid g({"......", "......"});
  CPathFinder f;
  f.SetMapData(6, 2, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {5, 1}), 1);
  ASSERT_EQ(f.m_nPathFound, 1);
  for (const tagPOINT& b : {tagPOINT{-1, 0}, tagPOINT{0, -1}, tagPOINT{6, 0}, tagPOINT{0, 2}}) {
    EXPECT_EQ(f.FindPath(b, {1, 1}), 0);
    EXPECT_EQ(f.FindPath({1, 1}, b), 0);
  }
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_ptTarget.x, 5);
  ASSERT_EQ(f.FindPath({0, 0}, {3, 0}), 1);
  tagPOINT p{};
  ASSERT_EQ(f.NextStep(p), 1);
  ASSERT_EQ(f.NextStep(p), 1);
  EXPECT_EQ(p.x, 1);
  ASSERT_EQ(f.FindPath({5, 0}, {2, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{5, 0}, {4, 0}, {3, 0}, {2, 0}}));
}

TEST_F(PathFinderTest, NewCellArrayIsUsedByTheNextSearch) {
  TextGrid a({"...", "...", "..."});
  TextGrid b({"...", "##.", "..."});
  CPathFinder f;
  f.SetMapData(3, 3, a.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {0, 2}), 1);
  EXPECT_EQ(Walk(f), (Cells{{0, 0}, {0, 1}, {0, 2}}));
  tessera::ReplacePathFinderCells(f, b.cells.data());
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
  // Reset: nothing to hand out, no wave buffer.
  EXPECT_EQ(Walk(f), Cells{});
  EXPECT_EQ(f.m_pWave, nullptr);
  // A negative size, and sizes without cells: the message each time, and
  // every search refused.
  f.SetMapData(2, -1, g.cells.data());
  EXPECT_EQ(f.FindPath({0, 0}, {0, 0}), 0);
  f.SetMapData(2, 2, nullptr);
  EXPECT_EQ(tessera::HeadlessMessages().size(), 3u);
  EXPECT_EQ(f.FindPath({0, 0}, {1, 1}), 0);

  // Set up properly again: all works, the wave buffer is fresh and zeroed.
  f.SetMapData(2, 2, g.cells.data());
  EXPECT_EQ(tessera::HeadlessMessages().size(), 3u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.m_pWave[i], 0);
  ASSERT_EQ(f.FindPath({1, 1}, {0, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{1, 1}, {0, 0}}));
}

}  // namespace
