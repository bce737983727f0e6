// CPathFinder: breadth-first waves over the cell grid, a traced path, and the
// straight-line stepper used when no path is traced.
//
// The labels are defined by a sweep per wave: wave n visits every cell whose
// label (as a signed byte) is n, in index order, and labels its neighbours.
// Sweeping the whole grid for each of up to 127 waves is wasteful, so the
// finder keeps the cells of the current wave in a list instead, in index
// order, and expands only those: the cells are visited in exactly the sweep's
// order, so the labels (including the half-labelled wave in which the target
// is met) and therefore every traced path are the same.  The lists stay in
// index order without sorting (see Expand).
#include "gui/map/path_finder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/message_sink.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

// Wave labels are single bytes read as signed values.
int Label(unsigned char byte) { return static_cast<int8_t>(byte); }

const unsigned char kTargetMark = 255;

}  // namespace

CPathFinder::CPathFinder()
    : m_nPathFound(0),
      m_ptTarget{0, 0},
      m_ptCurrent{0, 0},
      m_nWaveNum(0),
      m_nColumns(0),
      m_nRows(0),
      m_pMapData(nullptr),
      m_pWave(nullptr),
      m_nExhausted(1),
      m_nCursor(0) {}

CPathFinder::~CPathFinder() { free(m_pWave); }

void CPathFinder::Reset() {
  m_Path.clear();
  m_nPathFound = 0;
  m_nExhausted = 1;
  m_nCursor = 0;
  m_ptTarget = {0, 0};
  m_ptCurrent = {0, 0};
}

void CPathFinder::SetMapData(int columns, int rows, unsigned char* cells) {
  // Informational only: the finder is set up with whatever it was given.
  if (columns < 1 || rows < 1 || cells == nullptr)
    tessera::ShowMessage("Error", "Set Map Data Error!", tessera::MessageIcon::kNone);
  Reset();
  m_nColumns = columns;
  m_nRows = rows;
  m_pMapData = cells;
  free(m_pWave);
  m_pWave = nullptr;
  m_Front.clear();
  for (auto& list : m_Next) list.clear();
  if (columns >= 1 && rows >= 1)
    m_pWave = static_cast<unsigned char*>(
        calloc(static_cast<size_t>(columns) * static_cast<size_t>(rows), 1));
}

int CPathFinder::FindPath(const tagPOINT& from, const tagPOINT& to) {
  m_nPathFound = 0;
  if (from.x < 0 || from.y < 0 || to.x < 0 || to.y < 0 || from.x >= m_nColumns ||
      to.x >= m_nColumns || from.y >= m_nRows || to.y >= m_nRows)
    return 0;
  // Sizes were accepted but there is nothing to search (no cells, or the
  // wave buffer could not be had): treated like a point outside the grid.
  if (m_pMapData == nullptr || m_pWave == nullptr) return 0;

  m_ptTarget = to;
  m_ptCurrent = from;
  const int start = from.y * m_nColumns + from.x;
  const int target = to.y * m_nColumns + to.x;
  if (m_pMapData[start] == 1 || m_pMapData[target] == 1) return 1;

  memset(m_pWave, 0, static_cast<size_t>(m_nColumns) * static_cast<size_t>(m_nRows));
  m_pWave[start] = 1;
  m_nWaveNum = 1;
  m_pWave[target] = kTargetMark;
  // The cells labelled 1: the start, unless the target mark replaced it.
  m_Front.clear();
  if (start != target) m_Front.push_back(start);

  while (!Expand(m_nWaveNum)) ++m_nWaveNum;
  if (m_pWave[target] == kTargetMark) return 1;

  m_nPathFound = 1;
  m_Path.clear();
  Backtrack(to);
  return 1;
}

// Visits neighbour j from a cell of wave n: 1 when it is the target.
int CPathFinder::Visit(int j, int n, std::vector<int>& labelled) {
  const int label = Label(m_pWave[j]);
  if ((label == 0 || label > n) && m_pMapData[j] == 0) {
    // A label above n can only be n + 1, given earlier in this wave: the
    // cell is listed already.
    if (label == 0) labelled.push_back(j);
    m_pWave[j] = static_cast<unsigned char>(n + 1);
  } else if (m_pWave[j] == kTargetMark) {
    m_pWave[j] = static_cast<unsigned char>(n + 1);
    return 1;
  }
  return 0;
}

int CPathFinder::Expand(int n) {
  for (auto& list : m_Next) list.clear();
  // No signed byte equals a wave number above 127: that sweep finds nothing,
  // labels nothing, and the wave has died out.
  if (n > 127) {
    m_Front.clear();
    return 1;
  }
  const int c = m_nColumns;
  const int total = m_nColumns * m_nRows;
  // The list rises, so the row is followed by stepping, not by dividing.
  int row_start = 0;
  for (int i : m_Front) {
    while (i >= row_start + c) row_start += c;
    const int column = i - row_start;
    const bool first_column = column == 0;
    const bool last_column = column == c - 1;
    // The sweep's visiting order; each neighbour's row says which list a
    // newly labelled cell joins (0 above, 1 same row, 2 below).
    const int around[8] = {i - c - 1, i - 1, i + c - 1, i - c, i + c, i - c + 1, i + c + 1, i + 1};
    static const int kRow[8] = {0, 1, 2, 0, 2, 0, 2, 1};
    for (int k = 0; k < 8; ++k) {
      if (k < 3 && first_column) continue;
      if (k >= 5 && last_column) continue;
      const int j = around[k];
      if (j < 0 || j >= total) continue;
      if (Visit(j, n, m_Next[kRow[k]])) return 1;
    }
  }
  // The cells newly labelled from the row above their parent come out in
  // rising index order, as do those from the parent's row and from the row
  // below: the parents are visited in rising order, and a cell a later parent
  // could label out of order was one an earlier parent had already tested
  // with the same result.  Merging the three lists orders the next wave
  // without a sort.
  m_Merge.resize(m_Next[0].size() + m_Next[1].size());
  std::merge(m_Next[0].begin(), m_Next[0].end(), m_Next[1].begin(), m_Next[1].end(),
             m_Merge.begin());
  m_Front.resize(m_Merge.size() + m_Next[2].size());
  std::merge(m_Merge.begin(), m_Merge.end(), m_Next[2].begin(), m_Next[2].end(), m_Front.begin());
  return m_Front.empty() ? 1 : 0;
}

void CPathFinder::Backtrack(const tagPOINT& target) {
  // Built target first, then turned round so that the start comes first.
  m_Path.push_back(target);
  int x = target.x;
  int y = target.y;
  int k = Label(m_pWave[y * m_nColumns + x]);
  while (k > 1) {
    const int dx[8] = {0, 0, -1, -1, -1, 1, 1, 1};
    const int dy[8] = {-1, 1, 0, -1, 1, 0, -1, 1};
    for (int d = 0; d < 8; ++d) {
      const int nx = x + dx[d];
      const int ny = y + dy[d];
      if (nx < 0 || nx >= m_nColumns || ny < 0 || ny >= m_nRows) continue;
      const int label = Label(m_pWave[ny * m_nColumns + nx]);
      if (label != 0 && label < k) {
        m_Path.push_back({nx, ny});
        x = nx;
        y = ny;
        break;
      }
    }
    --k;
  }
  std::reverse(m_Path.begin(), m_Path.end());
  m_nExhausted = 0;
  m_nCursor = 0;
}

int CPathFinder::NextStep(tagPOINT& out) {
  if (m_nPathFound) {
    if (m_nExhausted || m_nCursor >= m_Path.size()) return 0;
    out = m_Path[m_nCursor++];
    return 1;
  }
  if (m_pMapData == nullptr || m_nColumns < 1 || m_nRows < 1) return 0;
  const int c = m_nColumns;
  auto cell = [&](int x, int y) { return m_pMapData[y * c + x]; };
  tagPOINT& cur = m_ptCurrent;
  if (cell(cur.x, cur.y) == 1) return 0;
  out = cur;
  // Every probe lies between the current cell and the target, so inside
  // the grid.
  const int sx = Sign(m_ptTarget.x - cur.x);
  const int sy = Sign(m_ptTarget.y - cur.y);
  const bool diagonal_free = cell(cur.x + sx, cur.y + sy) == 0;
  if (!diagonal_free && sx != 0 && cell(cur.x + sx, cur.y) == 0) {
    cur.x += sx;
  } else if (!diagonal_free && sy != 0 && cell(cur.x, cur.y + sy) == 0) {
    cur.y += sy;
  } else {
    // The diagonal step: free, or blocked with no straight step either.
    cur.x += sx;
    cur.y += sy;
  }
  return 1;
}

namespace tessera {

void ReplacePathFinderCells(CPathFinder& finder, unsigned char* cells) {
  finder.m_pMapData = cells;
}

}  // namespace tessera
