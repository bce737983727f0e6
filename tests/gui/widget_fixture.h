// Shared by the widget suites: a display manager over a real test pack, the
// manual clock, the mouse cursor, and a glyph source whose ink is one dot at
// each character cell's top-left corner, so a caption's place shows in
// single pixels.
#ifndef TESSERA_TESTS_GUI_WIDGET_FIXTURE_H
#define TESSERA_TESTS_GUI_WIDGET_FIXTURE_H

#include <memory>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/chain_manager.h"
#include "input/mouse.h"
#include "platform/glyph_source.h"
#include "testing/manual_clock.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_pack.h"
#include "gui_fixture.h"  // DotGlyphs

namespace tessera::test {

class WidgetTest : public EngineTest {
 protected:
  static constexpr int kW = 320, kH = 240;
  void SetUp() override {
    EngineTest::SetUp();
    clock_ = InstallManualClock(5000);
    SetGlyphSource(std::make_unique<DotGlyphs>());
    AfxSetScreenWidth(kW);
    AfxSetScreenHeight(kH);
    window_ = CreateWindowRecord(kW, kH);
    ASSERT_EQ(AfxCreateViewManager(kW, kH, window_), 1);
    vm_ = AfxGetViewManager();
    MakeTestPack(dir_, &pack_);
    vm_->Initialize(pack_.get());
    AfxCreateMouse();
    chains_ = AfxGetChainManager();
  }
  void TearDown() override {
    EngineTest::TearDown();
    pack_.reset();
    DestroyWindowRecord(window_);
  }
  // A w x h image in `colour` under `id`; pixels inside `hole` (right and
  // bottom exclusive) are the key colour.
  void PutImage(const std::string& id, int w, int h, unsigned short colour, tagRECT hole = {0, 0, 0, 0}) {
    std::unique_ptr<SURFACE> s(vm_->CreateSurface(w, h, SS_DIB));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        s->SetPixel(x, y, x >= hole.left && x < hole.right && y >= hole.top && y < hole.bottom ? COLOR_KEY : colour);
    AddToPack(pack_.get(), id, PackImage(s.get()));
  }
  std::unique_ptr<DIBSURFACE> Frame(unsigned short colour = 0) {
    auto f = std::make_unique<DIBSURFACE>(kW, kH);
    f->Initialize();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) f->SetPixel(x, y, colour);
    return f;
  }
  // The game's part of the mouse: a move, and the events it raises itself.
  void MoveTo(int x, int y) {
    AfxGetMouse()->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
    chains_->RefreshAll();
  }
  void Raise(AREA_CALLBACK QArea::*slot) {
    if (QArea* a = AfxGetNowArea()) (a->*slot)(a);
  }

  TempDir dir_;
  std::unique_ptr<CRes> pack_;
  ManualClock* clock_ = nullptr;
  HWND window_ = nullptr;
  CVIEWMANAGE* vm_ = nullptr;
  CChainManager* chains_ = nullptr;
};

}  // namespace tessera::test

#endif
