// The path search written out literally, as a reference for CPathFinder:
// every wave sweeps the whole grid in index order, labels are signed bytes,
// the straight-line stepper probes the diagonal, then the horizontal, then the
// vertical.  Slow on purpose; it is the definition the finder must match
// label by label and step by step.  The path benchmark measures it too.
#ifndef TESSERA_TESTS_MAP_SWEEP_PATH_ORACLE_H
#define TESSERA_TESTS_MAP_SWEEP_PATH_ORACLE_H

#include <cstdint>
#include <vector>

namespace tessera::test {

struct SweepPoint {
  int x, y;
  bool operator==(const SweepPoint& o) const { return x == o.x && y == o.y; }
};

class SweepPathOracle {
 public:
  SweepPathOracle(int columns, int rows, const unsigned char* cells)
      : c_(columns), r_(rows), cells_(cells), wave_(static_cast<size_t>(columns) * rows, 0) {}

  // Returns what FindPath returns.
  int Find(SweepPoint from, SweepPoint to) {
    found_ = 0;
    if (from.x < 0 || from.y < 0 || to.x < 0 || to.y < 0 || from.x >= c_ || to.x >= c_ ||
        from.y >= r_ || to.y >= r_)
      return 0;
    target_ = to;
    current_ = from;
    searched_ = false;
    if (cells_[from.y * c_ + from.x] == 1 || cells_[to.y * c_ + to.x] == 1) return 1;
    searched_ = true;
    for (auto& w : wave_) w = 0;
    wave_[from.y * c_ + from.x] = 1;
    int n = 1;
    wave_[to.y * c_ + to.x] = 255;
    while (Expand(n) == 0) ++n;
    if (wave_[to.y * c_ + to.x] == 255) return 1;
    found_ = 1;
    path_.clear();
    // Backtrack, putting each cell at the front.
    SweepPoint p = to;
    path_.insert(path_.begin(), p);
    int k = static_cast<int8_t>(wave_[p.y * c_ + p.x]);
    while (k > 1) {
      const int dx[8] = {0, 0, -1, -1, -1, 1, 1, 1};
      const int dy[8] = {-1, 1, 0, -1, 1, 0, -1, 1};
      for (int d = 0; d < 8; ++d) {
        if (d >= 2 && d < 5 && p.x == 0) continue;
        if (d >= 5 && p.x == c_ - 1) continue;
        const int nx = p.x + dx[d], ny = p.y + dy[d];
        if (ny < 0 || ny >= r_) continue;
        const int label = static_cast<int8_t>(wave_[ny * c_ + nx]);
        if (label != 0 && label < k) {
          p = {nx, ny};
          path_.insert(path_.begin(), p);
          break;
        }
      }
      k = k - 1;
    }
    cursor_ = 0;
    return 1;
  }

  int Next(SweepPoint& out) {
    if (found_) {
      if (cursor_ >= path_.size()) return 0;
      out = path_[cursor_++];
      return 1;
    }
    if (cells_[current_.y * c_ + current_.x] == 1) return 0;
    out = current_;
    const int sx = target_.x > current_.x ? 1 : target_.x < current_.x ? -1 : 0;
    const int sy = target_.y > current_.y ? 1 : target_.y < current_.y ? -1 : 0;
    if (cells_[(current_.y + sy) * c_ + current_.x + sx] == 0) {
      current_ = {current_.x + sx, current_.y + sy};
    } else if (sx != 0 && cells_[current_.y * c_ + current_.x + sx] == 0) {
      current_ = {current_.x + sx, current_.y};
    } else if (sy != 0 && cells_[(current_.y + sy) * c_ + current_.x] == 0) {
      current_ = {current_.x, current_.y + sy};
    } else {
      current_ = {current_.x + sx, current_.y + sy};
    }
    return 1;
  }

  const std::vector<unsigned char>& wave() const { return wave_; }
  bool searched() const { return searched_; }
  int found() const { return found_; }
  const std::vector<SweepPoint>& path() const { return path_; }

 private:
  int Expand(int n) {
    const int total = c_ * r_;
    int count = 0;
    for (int i = 0; i < total; ++i) {
      if (static_cast<int8_t>(wave_[i]) != n) continue;
      int around[8];
      int m = 0;
      if (i % c_ != 0) {
        around[m++] = i - c_ - 1;
        around[m++] = i - 1;
        around[m++] = i + c_ - 1;
      }
      around[m++] = i - c_;
      around[m++] = i + c_;
      if (i % c_ != c_ - 1) {
        around[m++] = i - c_ + 1;
        around[m++] = i + c_ + 1;
        around[m++] = i + 1;
      }
      for (int a = 0; a < m; ++a) {
        const int j = around[a];
        if (j < 0 || j >= total) continue;
        const int label = static_cast<int8_t>(wave_[j]);
        if ((label == 0 || label > n) && cells_[j] == 0) {
          wave_[j] = static_cast<unsigned char>(n + 1);
          ++count;
        } else if (wave_[j] == 255) {
          wave_[j] = static_cast<unsigned char>(n + 1);
          return 1;
        }
      }
    }
    return count == 0 ? 1 : 0;
  }

  int c_, r_;
  const unsigned char* cells_;
  std::vector<unsigned char> wave_;
  std::vector<SweepPoint> path_;
  size_t cursor_ = 0;
  int found_ = 0;
  bool searched_ = false;
  SweepPoint target_{0, 0}, current_{0, 0};
};

}  // namespace tessera::test

#endif
