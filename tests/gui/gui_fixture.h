// What the widget suites share: a headless window of 160 x 120 with a
// display manager over a real test pack, a glyph source that inks only the
// top-left pixel of each character cell (so every character's origin can
// be found on a surface), and small surface helpers.
#ifndef TESSERA_TESTS_GUI_GUI_FIXTURE_H
#define TESSERA_TESTS_GUI_GUI_FIXTURE_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "pack/res.h"
#include "platform/glyph_source.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_pack.h"
#include "support/test_support.h"

namespace tessera::test {

class DotGlyphs : public GlyphSource {
 public:
  bool Render(std::string_view, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 0);
    ink[0] = 1;
    return true;
  }
};

class GuiTest : public EngineTest {
 protected:
  static constexpr int kW = 160, kH = 120;
  void SetUp() override {
    EngineTest::SetUp();
    AfxSetScreenWidth(kW);
    AfxSetScreenHeight(kH);
    window_ = CreateWindowRecord(kW, kH, proc_);
    ASSERT_EQ(AfxCreateViewManager(kW, kH, window_), 1);
    vm_ = AfxGetViewManager();
    MakeTestPack(pack_dir_, &res_);
    vm_->Initialize(res_.get());
    SetGlyphSource(std::make_unique<DotGlyphs>());
  }
  void TearDown() override {
    EngineTest::TearDown();
    res_.reset();
    DestroyWindowRecord(window_);
  }
  // A plain surface filled with one colour.
  SURFACE* Solid(int w, int h, unsigned short colour) {
    SURFACE* s = vm_->CreateSurface(w, h, SS_DIB);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) s->SetPixel(x, y, colour);
    return s;
  }
  // Stores the surface in the pack under `id` as a plain pack image.
  void AddImage(const std::string& id, SURFACE* s) { AddToPack(res_.get(), id, PackImage(s)); }
  void AddSolidImage(const std::string& id, int w, int h, unsigned short colour) {
    std::unique_ptr<SURFACE> s(Solid(w, h, colour));
    AddImage(id, s.get());
  }
  void ClearFrame(unsigned short colour = 0) {
    DIBSURFACE* f = vm_->GetRenderSurface();
    for (int y = 0; y < f->GetHeight(); ++y)
      for (int x = 0; x < f->GetWidth(); ++x) f->SetPixel(x, y, colour);
  }
  // (x, y) of every pixel of `s` that holds `colour`, row by row.
  static std::vector<std::pair<int, int>> Find(SURFACE* s, unsigned short colour) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < s->GetHeight(); ++y)
      for (int x = 0; x < s->GetWidth(); ++x)
        if (s->GetPixel(x, y).GetColor() == colour) out.emplace_back(x, y);
    return out;
  }
  // What a translucent blit of `src` at `level` leaves on `dst`, from the
  // surfaces' own effect blit of one pixel.
  unsigned short Trans(unsigned short src, unsigned short dst, int level) {
    std::unique_ptr<SURFACE> a(Solid(1, 1, src)), b(Solid(1, 1, dst));
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = level;
    a->Blit(b.get(), 0, 0, fx);
    return b->GetPixel(0, 0).GetColor();
  }

  WindowProc proc_ = nullptr;  // set before SetUp to record messages
  HWND window_ = nullptr;
  CVIEWMANAGE* vm_ = nullptr;
  TempDir pack_dir_;
  std::unique_ptr<CRes> res_;
};

}  // namespace tessera::test

#endif
