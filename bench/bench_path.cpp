// The path search beside the literal wave sweep it replaces.
//
//   PathSearch   FindPath plus handing out every cell, on a 200 x 200 grid
//                with 30% blocked cells, over 16 start/target pairs 60 to 110
//                cells apart that all yield a traced path
//
// The peer ("sweep") sweeps the whole grid once per wave, as the search is
// defined; CPathFinder expands only each wave's cells.  Both must hand out
// the same cells: the setup checks that and aborts otherwise.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "gui/map/path_finder.h"
#include "map/sweep_path_oracle.h"

namespace {

constexpr int kSide = 200;

struct Setup {
  std::vector<unsigned char> cells;
  std::vector<std::pair<tagPOINT, tagPOINT>> pairs;
};

const Setup& TheSetup() {
  static const Setup s = [] {
    Setup s;
    std::mt19937 rng(1205);
    s.cells.resize(kSide * kSide);
    for (auto& c : s.cells) c = (rng() % 100) < 30 ? 1 : 0;
    CPathFinder finder;
    finder.SetMapData(kSide, kSide, s.cells.data());
    while (s.pairs.size() < 16) {
      tagPOINT a{static_cast<int32_t>(rng() % kSide), static_cast<int32_t>(rng() % kSide)};
      tagPOINT b{static_cast<int32_t>(rng() % kSide), static_cast<int32_t>(rng() % kSide)};
      const int d = std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
      if (d < 60 || d > 110) continue;
      if (!finder.FindPath(a, b) || !finder.m_nPathFound) continue;
      tessera::test::SweepPathOracle oracle(kSide, kSide, s.cells.data());
      oracle.Find({a.x, a.y}, {b.x, b.y});
      tagPOINT p;
      tessera::test::SweepPoint q;
      while (finder.NextStep(p)) {
        if (!oracle.Next(q) || q.x != p.x || q.y != p.y) std::abort();
      }
      if (oracle.Next(q)) std::abort();
      s.pairs.push_back({a, b});
    }
    return s;
  }();
  return s;
}

void PathSearchTessera(benchmark::State& state) {
  const Setup& s = TheSetup();
  CPathFinder finder;
  finder.SetMapData(kSide, kSide, const_cast<unsigned char*>(s.cells.data()));
  size_t k = 0;
  for (auto _ : state) {
    const auto& pr = s.pairs[k++ % s.pairs.size()];
    finder.FindPath(pr.first, pr.second);
    tagPOINT p;
    int n = 0;
    while (finder.NextStep(p)) ++n;
    benchmark::DoNotOptimize(n);
  }
}

void PathSearchSweep(benchmark::State& state) {
  const Setup& s = TheSetup();
  tessera::test::SweepPathOracle oracle(kSide, kSide, s.cells.data());
  size_t k = 0;
  for (auto _ : state) {
    const auto& pr = s.pairs[k++ % s.pairs.size()];
    oracle.Find({pr.first.x, pr.first.y}, {pr.second.x, pr.second.y});
    tessera::test::SweepPoint p;
    int n = 0;
    while (oracle.Next(p)) ++n;
    benchmark::DoNotOptimize(n);
  }
}

}  // namespace

BENCHMARK(PathSearchTessera)->Name("PathSearch/tessera");
BENCHMARK(PathSearchSweep)->Name("PathSearch/sweep");

BENCHMARK_MAIN();
