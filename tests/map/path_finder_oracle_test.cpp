// CPathFinder against the literal wave sweep on many random and patterned
// grids: the same return values, the same wave labels byte for byte, the
// same cells handed out in the same order, in both the traced and the
// straight-line mode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gui/map/path_finder.h"
#include "map/sweep_path_oracle.h"
#include "support/test_support.h"

namespace {

using tessera::test::SweepPathOracle;
using tessera::test::SweepPoint;
using tessera::test::TestRandom;

struct Grid {
  int columns, rows;
  std::vector<unsigned char> cells;
};

// Grids of several shapes: small squares, wide and tall strips (long
// distances, so the 127-wave limit is met), now and then a large one, each with a random density of
// blocked cells and a few cells with other non-zero bytes.
Grid RandomGrid(TestRandom& rnd, int shape) {
  Grid g;
  switch (shape % 4) {
    case 0:
      g.columns = rnd.Range(1, 12);
      g.rows = rnd.Range(1, 12);
      break;
    case 1:
      g.columns = rnd.Range(10, 45);
      g.rows = rnd.Range(10, 45);
      break;
    case 2:
      g.columns = rnd.Range(100, 260);
      g.rows = rnd.Range(1, 3);
      break;
    default:
      g.columns = rnd.Range(1, 3);
      g.rows = rnd.Range(100, 260);
      break;
  }
  if (shape % 50 == 49) {
    // Now and then a map-sized grid, where waves span many rows.
    g.columns = rnd.Range(100, 200);
    g.rows = rnd.Range(100, 200);
  }
  g.cells.assign(static_cast<size_t>(g.columns) * g.rows, 0);
  const int blocked = rnd.Range(0, 55);
  const int other = rnd.Range(0, 10);
  for (auto& c : g.cells) {
    const int r = rnd.Range(0, 99);
    if (r < blocked)
      c = 1;
    else if (r < blocked + other)
      c = static_cast<unsigned char>(rnd.Range(2, 255));
  }
  return g;
}

// Checkerboards force every step through a diagonal squeeze between two
// blocked orthogonal neighbours; serpentine mazes (walls on odd rows with
// one gap at alternating ends) give long paths that cross the 127-wave
// limit.
Grid PatternGrid(TestRandom& rnd, bool checkerboard) {
  Grid g;
  g.columns = rnd.Range(2, 30);
  g.rows = rnd.Range(2, 30);
  g.cells.assign(static_cast<size_t>(g.columns) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y)
    for (int x = 0; x < g.columns; ++x) {
      const int gap = (y / 2) % 2 == 0 ? g.columns - 1 : 0;
      g.cells[y * g.columns + x] = checkerboard ? (x + y) % 2 == 1 : y % 2 == 1 && x != gap;
    }
  return g;
}

SweepPoint RandomCell(TestRandom& rnd, const Grid& g, bool allow_outside) {
  if (allow_outside && rnd.Range(0, 19) == 0) {
    // Just outside one of the four edges.
    switch (rnd.Range(0, 3)) {
      case 0:
        return {-1, rnd.Range(0, g.rows - 1)};
      case 1:
        return {g.columns, rnd.Range(0, g.rows - 1)};
      case 2:
        return {rnd.Range(0, g.columns - 1), -1};
      default:
        return {rnd.Range(0, g.columns - 1), g.rows};
    }
  }
  // Edges and corners more often than chance would pick them.
  if (rnd.Range(0, 3) == 0) {
    return {rnd.Range(0, 1) ? 0 : g.columns - 1, rnd.Range(0, 1) ? 0 : g.rows - 1};
  }
  return {rnd.Range(0, g.columns - 1), rnd.Range(0, g.rows - 1)};
}

struct Tally {
  int traced = 0, straight = 0, refused = 0, long_paths = 0, blocked_ends = 0;
};

void CompareOne(const Grid& g, SweepPoint from, SweepPoint to, CPathFinder& finder, Tally& tally) {
  SweepPathOracle oracle(g.columns, g.rows, g.cells.data());
  const int expect = oracle.Find(from, to);
  const int got = finder.FindPath(tagPOINT{from.x, from.y}, tagPOINT{to.x, to.y});
  ASSERT_EQ(got, expect);
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
  if (oracle.found()) {
    ++tally.traced;
    if (oracle.path().size() > 100) ++tally.long_paths;
  } else {
    ++tally.straight;
  }
  // Hand out the cells: a traced path ends by itself; the straight-line walk
  // may repeat the target forever, so it is followed for a bounded number of
  // steps past the distance.
  const size_t limit = static_cast<size_t>(g.columns + g.rows) + 5;
  for (size_t step = 0; step < limit; ++step) {
    SweepPoint e{-7, -7};
    tagPOINT o{-9, -9};
    const int re = oracle.Next(e);
    const int ro = finder.NextStep(o);
    ASSERT_EQ(ro, re) << "step " << step;
    if (!re) break;
    ASSERT_EQ(o.x, e.x) << "step " << step;
    ASSERT_EQ(o.y, e.y) << "step " << step;
  }
}

TEST(PathFinderOracle, RandomGridsMatchTheSweepLabelByLabelAndStepByStep) {
  TestRandom rnd(20261205);
  Tally tally;
  for (int round = 0; round < 720; ++round) {
    const Grid g = round % 6 == 5 ? PatternGrid(rnd, round % 12 == 5) : RandomGrid(rnd, round);
    CPathFinder finder;
    finder.SetMapData(g.columns, g.rows, const_cast<unsigned char*>(g.cells.data()));
    // Several searches per grid reuse the wave buffer: leftovers of an
    // earlier search must not leak into the next.
    for (int q = 0; q < 4; ++q) {
      const SweepPoint from = RandomCell(rnd, g, true);
      SweepPoint to = RandomCell(rnd, g, true);
      if (rnd.Range(0, 24) == 0) to = from;
      SCOPED_TRACE(testing::Message()
                   << "round " << round << " grid " << g.columns << "x" << g.rows << " from ("
                   << from.x << "," << from.y << ") to (" << to.x << "," << to.y << ")");
      CompareOne(g, from, to, finder, tally);
      if (HasFatalFailure()) return;
    }
  }
  // The random set really exercised every outcome.
  EXPECT_GT(tally.traced, 300);
  EXPECT_GT(tally.straight, 200);
  EXPECT_GT(tally.refused, 50);
  EXPECT_GT(tally.long_paths, 10);
  EXPECT_GT(tally.blocked_ends, 100);
}

}  // namespace
