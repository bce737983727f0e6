// CPathFinder against the literal wave sweep: the same return values, wave
// labels and cells handed out, in both the traced and the straight-line
// mode; a few grids chosen for one rule each, then one random batch.  Then
// what the comparison does not reach: restarted searches, set-up faults.
#include "gui/map/path_finder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "map/sweep_path_oracle.h"
#include "platform/headless/headless_message_sink.h"
#include "support/test_support.h"

namespace {

using tessera::test::SweepPathOracle;
using tessera::test::SweepPoint;
using tessera::test::TestRandom;

struct Grid {
  int columns, rows;
  std::vector<unsigned char> cells;
};

// Rows of text: '.' is 0, '#' is 1.
Grid FromText(const std::vector<std::string>& lines) {
  Grid g{static_cast<int>(lines[0].size()), static_cast<int>(lines.size()), {}};
  for (const auto& l : lines)
    for (char ch : l) g.cells.push_back(ch == '#');
  return g;
}

struct Tally {
  int traced = 0, straight = 0, refused = 0, long_paths = 0, blocked_ends = 0;
};

void CompareOne(const Grid& g, SweepPoint from, SweepPoint to, CPathFinder& finder, Tally& tally) {
  SCOPED_TRACE(testing::Message() << "grid " << g.columns << "x" << g.rows << " from (" << from.x
                                  << "," << from.y << ") to (" << to.x << "," << to.y << ")");
  SweepPathOracle oracle(g.columns, g.rows, g.cells.data());
  const int expect = oracle.Find(from, to);
  ASSERT_EQ(finder.FindPath(tagPOINT{from.x, from.y}, tagPOINT{to.x, to.y}), expect);
  if (expect == 0) {
    ++tally.refused;
    return;
  }
  ASSERT_EQ(finder.m_nPathFound, oracle.found());
  if (oracle.searched()) {
    for (size_t i = 0; i < oracle.wave().size(); ++i)
      ASSERT_EQ(finder.m_pWave[i], oracle.wave()[i]) << "label of cell " << i;
  } else {
    ++tally.blocked_ends;
  }
  oracle.found() ? ++tally.traced : ++tally.straight;
  if (oracle.path().size() > 100) ++tally.long_paths;
  // A traced path ends by itself; the straight-line walk may repeat the
  // target forever, so it is followed a bounded number of steps.
  const size_t limit = static_cast<size_t>(g.columns + g.rows) + 5;
  for (size_t step = 0; step < limit; ++step) {
    SweepPoint e{-7, -7};
    tagPOINT o{-9, -9};
    const int re = oracle.Next(e);
    ASSERT_EQ(finder.NextStep(o), re) << "step " << step;
    if (!re) {  // spent: further calls keep saying 0 and leave the point alone
      ASSERT_EQ(finder.NextStep(o), 0);
      ASSERT_EQ(o.x, -9);
      break;
    }
    ASSERT_EQ(std::make_pair(o.x, o.y), std::make_pair(e.x, e.y)) << "step " << step;
  }
}

void CompareAll(const Grid& g, const std::vector<std::pair<SweepPoint, SweepPoint>>& searches,
                Tally& tally) {
  CPathFinder finder;
  finder.SetMapData(g.columns, g.rows, const_cast<unsigned char*>(g.cells.data()));
  // One finder for every search: leftovers of an earlier search must not
  // leak into the next.
  for (const auto& [from, to] : searches) CompareOne(g, from, to, finder, tally);
}

// Each grid pins one rule: the detour the sweep meets first and the
// backtrack's left-before-right preference; the stepper's diagonal, then
// horizontal, then vertical side step (the target blocked); a blocked start;
// a row at 126, 127 and 128 steps, where labels pass the signed byte's top;
// both ends of each edge just outside the grid.
TEST(PathFinderOracle, ChosenGridsMatchTheSweep) {
  Tally tally;
  CompareAll(FromText({"...", ".#.", "..."}), {{{1, 0}, {1, 2}}}, tally);
  CompareAll(FromText({"...", ".#.", "..#"}), {{{0, 0}, {2, 2}}, {{1, 1}, {0, 0}}}, tally);
  CompareAll(FromText({std::string(200, '.')}),
             {{{5, 0}, {131, 0}}, {{5, 0}, {132, 0}}, {{5, 0}, {133, 0}}}, tally);
  CompareAll(FromText({"...", "..."}),
             {{{-1, 0}, {1, 1}},
              {{1, 1}, {3, 0}},
              {{0, -1}, {1, 1}},
              {{1, 1}, {0, 2}},
              {{1, 1}, {0, -1}},
              {{0, 2}, {1, 1}}},
             tally);
  EXPECT_EQ(tally.refused, 6);
  EXPECT_EQ(tally.long_paths, 1);
  EXPECT_EQ(tally.blocked_ends, 2);
}

// Random densities of blocked cells and a few other non-zero bytes, on
// squares and long strips (paths past the 127-wave limit); checkerboards
// (every step a diagonal squeeze) and serpentine mazes (long paths).
Grid RandomGrid(TestRandom& rnd, int round) {
  Grid g;
  const bool strip = round % 3 == 2;
  g.columns = strip ? rnd.Range(100, 260) : rnd.Range(1, 45);
  g.rows = strip ? rnd.Range(1, 3) : rnd.Range(1, 45);
  if (round % 2) std::swap(g.columns, g.rows);
  g.cells.assign(static_cast<size_t>(g.columns) * g.rows, 0);
  const int pattern = round % 10, blocked = rnd.Range(0, 35);
  for (int y = 0; y < g.rows; ++y)
    for (int x = 0; x < g.columns; ++x) {
      unsigned char& c = g.cells[static_cast<size_t>(y) * g.columns + x];
      const int gap = (y / 2) % 2 == 0 ? g.columns - 1 : 0, r = rnd.Range(0, 99);
      if (pattern == 0)
        c = (x + y) % 2 == 1;
      else if (pattern == 1)
        c = y % 2 == 1 && x != gap;
      else
        c = r < blocked ? 1 : r < blocked + 5 ? static_cast<unsigned char>(rnd.Range(2, 255)) : 0;
    }
  return g;
}

// Corners more often than chance would pick them; now and then just
// outside an edge.
SweepPoint RandomCell(TestRandom& rnd, const Grid& g) {
  if (rnd.Range(0, 19) == 0) return {rnd.Range(0, 1) ? -1 : g.columns, rnd.Range(0, g.rows - 1)};
  if (rnd.Range(0, 3) == 0)
    return {rnd.Range(0, 1) ? 0 : g.columns - 1, rnd.Range(0, 1) ? 0 : g.rows - 1};
  return {rnd.Range(0, g.columns - 1), rnd.Range(0, g.rows - 1)};
}

TEST(PathFinderOracle, RandomGridsMatchTheSweep) {
  TestRandom rnd(20261205);
  Tally tally;
  for (int round = 0; round < 300; ++round) {
    const Grid g = RandomGrid(rnd, round);
    std::vector<std::pair<SweepPoint, SweepPoint>> searches;
    for (int q = 0; q < 4; ++q) {
      const SweepPoint from = RandomCell(rnd, g);
      searches.push_back({from, rnd.Range(0, 24) == 0 ? from : RandomCell(rnd, g)});
    }
    CompareAll(g, searches, tally);
    if (HasFailure()) return;
  }
  // The batch really reached every outcome.
  EXPECT_GT(tally.traced, 300);
  EXPECT_GT(tally.straight, 400);
  EXPECT_GT(tally.refused, 80);
  EXPECT_GT(tally.long_paths, 5);
  EXPECT_GT(tally.blocked_ends, 250);
}

using Cells = std::vector<std::pair<int, int>>;

// Hands out every cell until NextStep says 0.
Cells Walk(CPathFinder& f) {
  Cells out;
  tagPOINT p{-1, -1};
  while (out.size() < 1000 && f.NextStep(p)) out.push_back({p.x, p.y});
  return out;
}

class PathFinderTest : public tessera::test::EngineTest {};

// A refused search still drops the traced mode and keeps the target of the
// last accepted one; a new search in the middle of a walk starts over; a
// new cell array is what the next search reads.
TEST_F(PathFinderTest, RefusedAndRestartedSearches) {
  Grid g = FromText({"......", "......"});
  CPathFinder f;
  f.SetMapData(6, 2, g.cells.data());
  ASSERT_EQ(f.FindPath({0, 0}, {5, 1}), 1);
  ASSERT_EQ(f.m_nPathFound, 1);
  EXPECT_EQ(f.FindPath({1, 1}, {6, 0}), 0);
  EXPECT_EQ(f.m_nPathFound, 0);
  EXPECT_EQ(f.m_ptTarget.x, 5);
  ASSERT_EQ(f.FindPath({0, 0}, {3, 0}), 1);
  tagPOINT p{};
  ASSERT_EQ(f.NextStep(p), 1);
  ASSERT_EQ(f.NextStep(p), 1);
  EXPECT_EQ(p.x, 1);
  ASSERT_EQ(f.FindPath({5, 0}, {2, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{5, 0}, {4, 0}, {3, 0}, {2, 0}}));
  Grid walled = FromText({"...#..", "...#.."});
  tessera::ReplacePathFinderCells(f, walled.cells.data());
  ASSERT_EQ(f.FindPath({5, 0}, {2, 0}), 1);
  EXPECT_EQ(f.m_nPathFound, 0);
}

TEST_F(PathFinderTest, SetMapDataFaultsShowTheMessageAndGoOn) {
  Grid g = FromText({"..", ".."});
  CPathFinder f;
  EXPECT_EQ(Walk(f), Cells{});  // never set up: nothing to hand out
  f.SetMapData(2, 2, g.cells.data());
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

  // Set up properly again: no message, and the wave buffer fresh and zeroed.
  f.SetMapData(2, 2, g.cells.data());
  EXPECT_EQ(tessera::HeadlessMessages().size(), 3u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.m_pWave[i], 0);
  ASSERT_EQ(f.FindPath({1, 1}, {0, 0}), 1);
  EXPECT_EQ(Walk(f), (Cells{{1, 1}, {0, 0}}));
}

}  // namespace
