// The clickable widgets at frame rate, each as a ratio to memcpy of one
// 800 x 600 16-bit frame measured in the same run:
//   - a frame of 200 buttons in three layers: a mouse move with hit testing
//     and mouse-in/out, the hover event, drawing every layer and the cursor;
//   - one ghost button (translucent look, caption printed over it);
//   - a list page change over 100 and over 10,000 records (row buttons
//     rebuilt from a real pack: the cost must not grow with the records);
//   - one frame of a gauge whose old bar is fading out.
// Before timing, the button frame is checked pixel for pixel against the
// same looks blitted directly in layer order, and the list page against the
// records it should show; a mismatch fails the benchmark.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "database/schema.h"
#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_surface.h"
#include "engine/view_manage.h"
#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/chain_manager.h"
#include "gui/energy_gauge.h"
#include "gui/list_box.h"
#include "input/mouse.h"
#include "pack/res.h"
#include "platform/input_services.h"
#include "platform/window.h"
#include "public/engine.h"
#include "testing/engine_reset.h"

namespace {

constexpr int kW = 800, kH = 600;

// The engine with a display manager, a mouse cursor and a resource pack in
// a temporary folder holding the images the cases load.
class Engine {
 public:
  Engine() {
    tessera::ResetEngineForTests();
    dir_ = tessera::bench::MakeGameFolder("widgets", true);
    const std::string game = dir_ + "\\game\\game.mdb";
    res_ = std::make_unique<CRes>(game.c_str(), (dir_ + "\\").c_str());
    window_ = tessera::CreateWindowRecord(kW, kH);
    AfxCreateViewManager(kW, kH, window_);
    vm_ = AfxGetViewManager();
    vm_->Initialize(res_.get());
    AfxCreateMouse();
    // A 16 x 16 arrow and its shadow.
    QMouse* mouse = AfxGetMouse();
    for (int i = 0; i < 16; ++i) mouse->m_pFrame[i] = Rle(Solid(16, 16, 0x7FFF, 8).get());
    mouse->m_pShadow = Solid(16, 16, 0, 8).release();
  }
  ~Engine() {
    tessera::ResetEngineForTests();
    res_.reset();
    tessera::DestroyWindowRecord(window_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // A plain surface in `colour` whose lower-right triangle beyond `cut`
  // pixels from the corner is key, so that hit tests meet holes.
  std::unique_ptr<SURFACE> Solid(int w, int h, unsigned short colour, int cut = 0) {
    return std::unique_ptr<SURFACE>(tessera::bench::SolidSurface(
        vm_, w, h, colour, [&](int x, int y) { return cut && x + y > w + h - cut; }));
  }
  SURFACE* Rle(SURFACE* plain) {
    SURFACE* r = vm_->CreateSurface(plain->GetWidth(), plain->GetHeight(), SS_RLE);
    static_cast<RLESURFACE*>(r)->Initialize(plain);
    return r;
  }
  void Put(const std::string& id, SURFACE* s) {
    const std::vector<uint8_t> stream = tessera::PackedStreamBytes(tessera::EncodePackedStream(s));
    std::string bytes = {char(s->GetWidth() & 0xFF), char(s->GetWidth() >> 8),
                         char(s->GetHeight() & 0xFF), char(s->GetHeight() >> 8)};
    bytes.append(stream.begin(), stream.end());
    res_->AddDataToPack(reinterpret_cast<unsigned char*>(bytes.data()),
                        static_cast<long>(bytes.size()), id.c_str(), "\\a.pak", nullptr);
  }
  void SetMouse(int x, int y) {
    AfxGetMouse()->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
    static_cast<tessera::HeadlessInputServices&>(tessera::GetInputServices()).cursor =
        tagPOINT{x, y};
  }

  CVIEWMANAGE* vm_ = nullptr;

 private:
  std::string dir_;
  std::unique_ptr<CRes> res_;
  HWND window_ = nullptr;
};

// 200 buttons of 40 x 24 on a grid, layer by layer; each look a run-length
// image with a transparent corner.
void Buttons200_tessera(benchmark::State& state) {
  Engine e;
  std::vector<std::unique_ptr<QButton>> buttons;
  CChainManager* chains = AfxGetChainManager();
  for (int i = 0; i < 200; ++i) {
    auto b = std::make_unique<QButton>();
    const int x = 10 + (i % 16) * 48, y = 10 + (i / 16) * 44 + (i % 3) * 6;
    b->Create(tagRECT{x, y, x + 39, y + 23}, "", "", nullptr);
    for (int look = 0; look < 4; ++look) {
      auto plain =
          e.Solid(40, 24, static_cast<unsigned short>(0x0400 * (i % 3) + look * 0x21 + 1), 10);
      b->m_pImage[look] = e.Rle(plain.get());
    }
    chains->Add(b.get(), static_cast<enChainLayer>(i % 3));
    buttons.push_back(std::move(b));
  }
  // As a game does once a screen is built: the looks drawn now are placed
  // together in drawing order, away from the hover, pressed and disabled
  // looks that loading put between them.
  if (!chains->PlacePicturesTogether()) {
    state.SkipWithError("no memory to place the looks");
    return;
  }
  DIBSURFACE* frame = e.vm_->GetRenderSurface();

  // The chain's frame against the looks blitted directly, layer by layer.
  chains->ShowAll(frame);
  std::unique_ptr<SURFACE> direct(e.vm_->CreateSurface(kW, kH, SS_DIB));
  frame->Blit(direct.get(), 0, 0, 0, 0, kW, kH);
  for (int layer = 0; layer < 3; ++layer)
    for (size_t i = static_cast<size_t>(layer); i < buttons.size(); i += 3)
      buttons[i]->m_pImage[0]->Blit(direct.get(), buttons[i]->m_rcArea.left,
                                    buttons[i]->m_rcArea.top);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (direct->GetPixel(x, y).GetColor() != frame->GetPixel(x, y).GetColor()) {
        state.SkipWithError("button frame differs from the direct blits");
        return;
      }

  int step = 0;
  for (auto _ : state) {
    // The mouse walks over buttons and the gaps between them.
    const int x = 15 + (step * 37) % 760, y = 15 + (step * 23) % 560;
    ++step;
    e.SetMouse(x, y);
    chains->RefreshAll();
    if (QArea* a = AfxGetNowArea()) a->m_pfnHover(a);
    chains->ShowAll(frame);
    AfxGetMouse()->Show();
    benchmark::ClobberMemory();
  }
  buttons.clear();
}

void GhostButton_tessera(benchmark::State& state) {
  Engine e;
  QButton b;
  b.Create(tagRECT{300, 280, 459, 311}, "Ghost", "", nullptr);
  for (int look = 0; look < 4; ++look) {
    auto plain = e.Solid(160, 32, 0x1234, 12);
    b.m_pImage[look] = e.Rle(plain.get());
  }
  b.m_bGhost = true;
  b.m_dwState = QAREA_SHOW;
  DIBSURFACE* frame = e.vm_->GetRenderSurface();
  for (auto _ : state) {
    b.Show(frame);
    benchmark::ClobberMemory();
  }
}

// One page change: the rows of the next page built from the pack.
void ListPage(benchmark::State& state, int records) {
  Engine e;
  for (int look = 0; look < 4; ++look)
    e.Put("LISTROWAA" + std::to_string(look), e.Solid(180, 24, 0x0210, 6).get());
  QList list(tagRECT{100, 100, 299, 399}, tagRECT{110, 110, 289, 0}, QPoint{0, 0}, "LISTROWAA", "",
             false);
  list.m_nRows = 10;
  list.m_nRowHeight = 26;
  for (int i = 0; i < records; ++i)
    list.Add(("Item " + std::to_string(i)).c_str(), "", static_cast<unsigned long>(i));
  AfxGetChainManager()->Add(&list, CHAIN_TOP);
  // The last page shows what it should.
  list.ToLastPage();
  for (int r = 0; r < 10; ++r) {
    QButton* b = list.m_RowMenu.GetItem(static_cast<unsigned>(r));
    if (!b || b->m_dwData != records - 10 + r || !b->m_pImage[0]) {
      state.SkipWithError("list page shows the wrong rows");
      return;
    }
  }
  // Pages spread over the whole list, so that a record's place matters if
  // finding it walks.
  int page = 0;
  const int pages = records / 10;
  for (auto _ : state) {
    list.m_nTop = ((page * 7919) % pages) * 10;
    ++page;
    list.Refresh(false, true);
    benchmark::ClobberMemory();
  }
}
void ListPage100_tessera(benchmark::State& state) { ListPage(state, 100); }
void ListPage10000_tessera(benchmark::State& state) { ListPage(state, 10000); }

// A 24 x 160 gauge of 40 bar images, one frame of the old bar fading.
void GaugeFade_tessera(benchmark::State& state) {
  Engine e;
  for (int i = 0; i < 40; ++i) {
    char id[16];
    snprintf(id, sizeof(id), "GAUGEBAR%02d", i);
    e.Put(id, e.Solid(24, 160, static_cast<unsigned short>(0x7C00 + i)).get());
  }
  e.Put("GAUGECOVER", e.Solid(24, 160, 0x4210, 40).get());
  QEnergy gauge;
  gauge.Create(400, 200, 423, 359, 100, 160, 0);
  if (!gauge.LoadImages("GAUGEBAR", "GAUGECOVER", nullptr) || gauge.m_nAniFrames != 40) {
    state.SkipWithError("gauge images missing");
    return;
  }
  gauge.m_dwState = QAREA_SHOW;
  DIBSURFACE* frame = e.vm_->GetRenderSurface();
  int value = 100;
  for (auto _ : state) {
    if (gauge.m_nFlash == 0) {
      value = value > 10 ? value - 7 : 100;
      gauge.SetEnergy(value);
    }
    gauge.Show(frame);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(Buttons200_tessera)->Name("Buttons200/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("Buttons200/memcpy")->Unit(benchmark::kMicrosecond);
BENCHMARK(GhostButton_tessera)->Name("GhostButton/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("GhostButton/memcpy")->Unit(benchmark::kMicrosecond);
BENCHMARK(ListPage100_tessera)->Name("ListPage100/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("ListPage100/memcpy")->Unit(benchmark::kMicrosecond);
BENCHMARK(ListPage10000_tessera)->Name("ListPage10000/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("ListPage10000/memcpy")->Unit(benchmark::kMicrosecond);
BENCHMARK(GaugeFade_tessera)->Name("GaugeFade/tessera")->Unit(benchmark::kMicrosecond);
BENCHMARK(tessera::bench::FrameMemcpy)->Name("GaugeFade/memcpy")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
