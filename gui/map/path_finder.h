// CPathFinder: the shortest eight-way path across a map's cell grid.
//
// Each walking character owns one.  It reads the map's cell bytes (not owned:
// the map keeps them), labels the cells by breadth-first waves from the start,
// traces a path back from the target and hands the cells out one at a time,
// start cell first.  When no path exists, or when the start or the target cell
// is blocked, it falls back to a straight-line stepper that heads for the
// target and stops in front of the first blocked cell.
//
//   CPathFinder finder;
//   finder.SetMapData(columns, rows, cells);        // cells: row * columns + column
//   tagPOINT from = {2, 3}, to = {40, 17}, cell;
//   if (finder.FindPath(from, to))
//     while (finder.NextStep(cell)) { ... }          // first cell is `from`
//
// Cell bytes: 0 is free; 1 is blocked; any other value is avoided by the
// search but may be stepped on by the straight-line walk.
//
// Wave labels are single bytes compared as signed values: the start is 1,
// cells reached in wave n are n + 1, the target is marked 255 while the search
// runs.  Wave 128 never finds a cell (no signed byte equals 128), so a search
// reaches at most 127 steps; a target exactly 127 steps away gets the label
// 128, which reads as negative, and its traced path holds the target alone.
#ifndef TESSERA_GUI_MAP_PATH_FINDER_H
#define TESSERA_GUI_MAP_PATH_FINDER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <vector>

#include "public/windows_types.h"

class CPathFinder {
 public:
  CPathFinder();
  virtual ~CPathFinder();
  CPathFinder(const CPathFinder&) = delete;
  CPathFinder& operator=(const CPathFinder&) = delete;

  // Points the finder at a grid of columns x rows cell bytes (not copied, not
  // owned) and allocates a zeroed wave buffer of the same size.  Bad sizes or
  // no cells show "Set Map Data Error!" and the finder is set up regardless;
  // with a size below 1 there is no wave buffer and every FindPath fails.
  void SetMapData(int columns, int rows, unsigned char* cells);

  // 0 only when a coordinate lies outside the grid (or the finder has no
  // cells); otherwise 1, with either a traced path or the straight-line mode.
  int FindPath(const tagPOINT& from, const tagPOINT& to);

  // 1 with the next cell in `out`, 0 when there is none.
  int NextStep(tagPOINT& out);

  // Fields, public so that game code can read the finder's state.
  int m_nPathFound;      // 1: a traced path; 0: the straight-line stepper
  tagPOINT m_ptTarget;   // target cell of the last search
  tagPOINT m_ptCurrent;  // straight-line stepper position
  int m_nWaveNum;        // the wave being expanded
  int m_nColumns;        // grid size
  int m_nRows;
  unsigned char* m_pMapData;     // the map's cells, not owned
  unsigned char* m_pWave;        // columns x rows wave labels, owned (malloc)
  std::vector<tagPOINT> m_Path;  // traced path, start cell first
  int m_nExhausted;              // 1: no traced path to hand out
  size_t m_nCursor;              // index in m_Path of the next cell

 protected:
  // One wave: every cell labelled n labels its open neighbours n + 1.
  // Returns 1 when the target was reached or when the wave died out.
  int Expand(int n);
  // Traces the path from the target back to the start along falling labels.
  void Backtrack(const tagPOINT& target);

 private:
  void Reset();
  int Visit(int j, int n, std::vector<int>& labelled);

  // The cells labelled in the current wave (in index order) and those
  // labelled for the next one.  Expanding only these cells, in index order,
  // gives exactly the labels of a sweep over the whole grid per wave.
  std::vector<int> m_Front;
  std::vector<int> m_Next[3];  // labelled from the row above, the same row, the row below
  std::vector<int> m_Merge;
};

namespace tessera {

// Gives the finder a new cell array of the same size (a map replaced its
// cells).  The wave buffer, the traced path and the stepper are kept.
void ReplacePathFinderCells(CPathFinder& finder, unsigned char* cells);

}  // namespace tessera

#pragma GCC visibility pop
#endif
