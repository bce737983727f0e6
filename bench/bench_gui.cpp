// The GUI's cost per frame: one frame of a six-line speech dialog, a
// 199-byte edit field with its caret and the mouse cursor with its tip box,
// and the layout of 2,000 bytes of mixed GBK and ASCII text by
// QDialog::SetContent -- each beside memcpy of one 800 x 600 16-bit frame
// in the same run (the budget: the whole GUI frame should cost less than
// that copy).  Text comes from the real font (FreeType, WenQuanYi).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/edit.h"
#include "input/mouse.h"
#include "platform/input_services.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_support.h"
#include "testing/engine_reset.h"
#include "testing/manual_clock.h"

namespace {

constexpr int kW = 800, kH = 600;

// Mixed text: Chinese characters, ASCII words and punctuation, and line
// feeds now and then when `feeds`, `n` bytes.
std::string MixedText(size_t n, unsigned seed, bool feeds = true) {
  static const char* const kParts[] = {
      "\xC4\xE3\xBA\xC3",                  // 你好
      "village ",                          //
      "\xCA\xC0\xBD\xE7\xA3\xAC",          // 世界，
      "quest 42 ",                         //
      "\xD5\xE2\xCA\xC7\xD2\xBB\xB8\xF6",  // 这是一个
      "\xB2\xE2\xCA\xD4\xA1\xA3",          // 测试。
      "\n",
  };
  tessera::test::TestRandom rng(seed);
  std::string s;
  while (s.size() < n) s += kParts[rng.Next() % (feeds ? 7 : 6)];
  s.resize(n);
  return s;
}

SURFACE* Solid(CVIEWMANAGE* vm, int w, int h, unsigned short colour, bool keyed_corner) {
  return tessera::bench::SolidSurface(vm, w, h, colour,
                                      [&](int x, int y) { return keyed_corner && x + y < 6; });
}

struct Scene {
  CVIEWMANAGE* vm = nullptr;
  std::unique_ptr<QDialog> dialog;
  std::unique_ptr<QEdit> edit;
  std::vector<uint16_t> background;
};

// The engine with a frame, the three widgets in their layers, a cursor
// with frames and a shadow at (500, 550) whose tip is due.
void MakeScene(Scene& s) {
  tessera::ResetEngineForTests();
  tessera::InstallManualClock(1000);
  s.vm = tessera::bench::MakeViewManager();
  DIBSURFACE* frame = s.vm->GetRenderSurface();
  tessera::test::TestRandom rng(5);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      frame->SetPixel(x, y, static_cast<unsigned short>(rng.Next() & 0x7FFF));
  s.background = std::vector<uint16_t>(static_cast<size_t>(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      s.background[static_cast<size_t>(y) * kW + x] = frame->GetPixel(x, y).GetColor();

  // A six-line speech bubble with a frame composed into its background.
  s.dialog = std::make_unique<QDialog>(100, 100, 300, 200, nullptr);
  s.dialog->m_pFrameSurface = Solid(s.vm, 200, 100, 0x2108, true);
  AfxGetChainManager()->Add(s.dialog.get(), CHAIN_MIDDLE);
  s.dialog->SetContent(MixedText(84, 1).c_str(), nullptr);

  // A focused 199-byte edit field with a caret.
  std::string text = MixedText(199, 2);
  for (char& c : text)
    if (c == '\n') c = ' ';
  s.edit = std::make_unique<QEdit>(10, 560, 410, 580, 199, nullptr, nullptr);
  s.edit->SetText(text.data());
  s.edit->m_nCaret = 120;
  for (SURFACE*& c : s.edit->m_pCursor) c = Solid(s.vm, 2, 14, 0x7FFF, false);
  AfxGetChainManager()->Add(s.edit.get(), CHAIN_TOP);
  AfxSetNowFocus(s.edit.get());

  // The cursor resting on the screen with a tip.
  AfxCreateMouse();
  QMouse* mouse = AfxGetMouse();
  for (int i = 0; i < 16; ++i) mouse->m_pFrame[i] = Solid(s.vm, 24, 24, 0x7C00, true);
  mouse->m_pShadow = Solid(s.vm, 24, 24, 0, true);
  static_cast<tessera::HeadlessInputServices&>(tessera::GetInputServices()).cursor =
      tagPOINT{500, 550};
  strcpy(g_szTipText, "\xCC\xE1\xCA\xBE tip");  // 提示 tip
  AfxGetChainManager()->RefreshAll();
  static_cast<tessera::ManualClock&>(tessera::GetClock()).Advance(1000);
}

void DrawFrame(Scene& s) {
  AfxGetChainManager()->ShowAll(s.vm->GetRenderSurface());
  AfxGetMouse()->Show();
}

// The pixels the GUI changed, so both sides can be checked to do their
// work before the timing starts.
size_t ChangedPixels(Scene& s) {
  DIBSURFACE* frame = s.vm->GetRenderSurface();
  size_t n = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      n += frame->GetPixel(x, y).GetColor() != s.background[static_cast<size_t>(y) * kW + x];
  return n;
}

void GuiFrame_tessera(benchmark::State& state) {
  Scene s;
  MakeScene(s);
  DrawFrame(s);
  // Dialog text and background, edit text and caret, tip and cursor: well
  // over a few thousand pixels; a frame that draws nothing fails.
  const size_t changed = ChangedPixels(s);
  if (changed < 3000 || !AfxGetMouse()->m_bTip || !s.dialog->m_pTextSurface) {
    state.SkipWithError("the GUI frame drew too little");
    return;
  }
  for (auto _ : state) {
    DrawFrame(s);
    benchmark::ClobberMemory();
  }
  state.counters["changed_pixels"] = static_cast<double>(changed);
  s.dialog.reset();
  s.edit.reset();
  tessera::ResetEngineForTests();
}

void Layout_tessera(benchmark::State& state) {
  tessera::ResetEngineForTests();
  tessera::bench::MakeViewManager();
  // Two texts of 2,000 bytes that differ, so every call lays out again;
  // without line feeds 30 lines of 69 bytes take all that is kept (1,999).
  const std::string a = MixedText(2000, 3, false), b = MixedText(2000, 4, false);
  auto d = std::make_unique<QDialog>(0, 0, 420, 400, nullptr);
  d->SetFormat(30, 69, 0xFFFFFF, 0);
  d->SetContent(a.c_str(), nullptr);
  size_t laid = 0;
  for (const auto& line : d->m_szLine) laid += strlen(line);
  if (laid < 1990 || !d->m_pTextSurface) {
    state.SkipWithError("the layout took too little text");
    return;
  }
  bool flip = false;
  for (auto _ : state) {
    d->SetContent((flip ? a : b).c_str(), nullptr);
    flip = !flip;
    benchmark::ClobberMemory();
  }
  state.counters["laid_bytes"] = static_cast<double>(laid);
  d.reset();
  tessera::ResetEngineForTests();
}

}  // namespace

BENCHMARK(GuiFrame_tessera)->Name("GuiFrame/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("GuiFrame/memcpy")->Unit(benchmark::kMicrosecond);
BENCHMARK(Layout_tessera)->Name("Layout2000/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("Layout2000/memcpy")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
