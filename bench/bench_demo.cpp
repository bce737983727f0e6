// The sample game's busiest frame, as a ratio to memcpy of the frame: the
// village with every character walking (the player, four villagers), the
// conversation open with its answer selector, the menu bar, gauge, item
// list, chat line, mini-map, a bird, the flag GIF, the drifting leaves, the
// player's speech bubble and the mouse cursor -- drawn and presented.
//
// The data set is built first with the demo-data builder (the Tiled maps
// imported by tessera-map) into a temporary folder.  The frame is driven as
// a player drives it: window messages to the game.  The frame's pixels are
// checked against their own memcpy copy before timing, which says nothing
// about the game; the ratio is what the number is for.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "database/database.h"
#include "demo/game.h"
#include "engine/view_manage.h"
#include "platform/input_services.h"
#include "platform/window.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "testing/manual_clock.h"

namespace {

constexpr int kW = 800, kH = 600;

struct DemoRun {
  std::string folder;
  HWND window = nullptr;
  std::ostringstream log;
  std::unique_ptr<demo::Game> game;
  tessera::ManualClock* clock = nullptr;
  tessera::HeadlessInputServices* input = nullptr;
  bool ok = false;

  void Click(int x, int y) {
    const LPARAM at = x | (y << 16);
    input->cursor = tagPOINT{x, y};
    tessera::SendMessage(window, WM_MOUSEMOVE, 0, at);
    tessera::SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    tessera::SendMessage(window, WM_LBUTTONUP, 0, at);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      game->Frame();
      clock->Advance(33);
    }
  }
};

DemoRun* g_run = nullptr;

LRESULT Proc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  return g_run && g_run->game ? g_run->game->OnMessage(message, wparam, lparam) : 0;
}

// Builds the data set and brings the game to its busiest moment.
DemoRun* Start() {
  auto* run = new DemoRun;
  g_run = run;
  char pattern[] = "/tmp/tessera-bench-demo-XXXXXX";
  if (!mkdtemp(pattern)) return run;
  run->folder = pattern;
  const std::string command = std::string("'") + TESSERA_DEMO_DATA_TOOL + "' '" + run->folder +
                              "' --maps '" + TESSERA_DEMO_MAPS + "' >/dev/null";
  if (std::system(command.c_str()) != 0) return run;
  std::filesystem::current_path(run->folder);
  run->window = tessera::CreateWindowRecord(kW, kH, Proc);
  auto input = std::make_unique<tessera::HeadlessInputServices>();
  run->input = input.get();
  tessera::SetInputServices(std::move(input));
  run->clock = tessera::InstallManualClock(1000);
  run->game = std::make_unique<demo::Game>(run->window, run->folder + "/", run->log);
  std::string error;
  if (!run->game->Start(&error)) return run;
  run->Frames(40);
  run->Click(400, 320);  // new game
  run->Frames(40);
  run->Click(432, 178);  // the elder: the player walks up and he asks
  run->Frames(80);
  run->Click(580, 536);  // the answers open
  run->Frames(10);
  run->ok = run->log.str().find("click elder") != std::string::npos;
  return run;
}

void BusiestFrame_tessera(benchmark::State& state) {
  if (!g_run) Start();
  DemoRun* run = g_run;
  if (!run->ok) return state.SkipWithError("the demo did not start; see the data builder's output");
  DIBSURFACE* frame = AfxGetViewManager()->GetRenderSurface();
  int n = 0;
  for (auto _ : state) {
    // The player keeps walking: now and then to the other side.
    if (n % 90 == 0) run->Click(n % 180 ? 150 : 300, 300);
    run->game->Frame();
    run->clock->Advance(33);
    ++n;
  }
  benchmark::DoNotOptimize(frame);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BusiestFrame_tessera)->Name("BusiestFrame/tessera")->Unit(benchmark::kMicrosecond);

void BusiestFrame_memcpy(benchmark::State& state) {
  std::vector<uint16_t> src(static_cast<size_t>(kW) * kH), dst(src.size());
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i * 2654435761u >> 17);
  std::memcpy(dst.data(), src.data(), src.size() * 2);
  if (dst != src) return state.SkipWithError("memcpy copied wrong pixels");
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * 2);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BusiestFrame_memcpy)->Name("BusiestFrame/memcpy")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The game goes before the engine's process-wide objects do.
  if (g_run) {
    g_run->game.reset();
    AfxFreeEngine();
    AfxReleaseDataBase(nullptr);
    tessera::DestroyWindowRecord(g_run->window);
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(g_run->folder, ec);
    delete g_run;
  }
  return 0;
}
