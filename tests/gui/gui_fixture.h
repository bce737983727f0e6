// What the widget suites share: a display manager of 320 x 240 (or the
// size a suite gives) on a headless window over the engine's resource pack
// (real databases and pack file), the manual clock, the mouse cursor and
// the chain manager, and a glyph source that inks only the top-left pixel
// of each character cell, so every character's origin shows as one pixel.
#ifndef TESSERA_TESTS_GUI_GUI_FIXTURE_H
#define TESSERA_TESTS_GUI_GUI_FIXTURE_H

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database/pack_ani_database.h"
#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/chain_manager.h"
#include "input/mouse.h"
#include "pack/res.h"
#include "platform/glyph_source.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_pack.h"
#include "support/test_support.h"
#include "testing/manual_clock.h"

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
  explicit GuiTest(int w = 320, int h = 240) : kW(w), kH(h) {}
  void SetUp() override {
    EngineTest::SetUp();
    clock_ = InstallManualClock(5000);
    SetGlyphSource(std::make_unique<DotGlyphs>());
    AfxSetScreenWidth(kW);
    AfxSetScreenHeight(kH);
    std::unique_ptr<CRes> files;  // the databases and pack file; the engine opens its own
    MakeTestPack(pack_dir_, &files);
    files.reset();
    const std::string root = pack_dir_.path() + "\\";
    AfxCreateResource((root + "game\\game.mdb").c_str(), root.c_str());
    window_ = CreateWindowRecord(kW, kH, proc_);
    ASSERT_EQ(AfxCreateViewManager(kW, kH, window_), 1);
    vm_ = AfxGetViewManager();
    AfxCreateMouse();
    chains_ = AfxGetChainManager();
  }
  void TearDown() override {
    EngineTest::TearDown();
    DestroyWindowRecord(window_);
  }
  // A w x h pack image in `colour` under `id`; pixels inside `hole` (right
  // and bottom exclusive) are the key colour.
  void PutImage(const std::string& id, int w, int h, unsigned short colour,
                tagRECT hole = {0, 0, 0, 0}) {
    std::unique_ptr<SURFACE> s(vm_->CreateSurface(w, h, SS_DIB));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        s->SetPixel(x, y,
                    x >= hole.left && x < hole.right && y >= hole.top && y < hole.bottom ? COLOR_KEY
                                                                                         : colour);
    AddToPack(AfxGetResource(), id, PackImage(s.get()));
  }
  // The render surface, filled with `colour`.
  DIBSURFACE* Frame(unsigned short colour = 0) {
    DIBSURFACE* f = vm_->GetRenderSurface();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) f->SetPixel(x, y, colour);
    return f;
  }
  // (x, y) of every pixel of `s` that holds `colour`, row by row.
  static std::vector<std::pair<int, int>> Find(SURFACE* s, unsigned short colour) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < s->GetHeight(); ++y)
      for (int x = 0; x < s->GetWidth(); ++x)
        if (s->GetPixel(x, y).GetColor() == colour) out.emplace_back(x, y);
    return out;
  }
  // The game's part of the mouse: a move, and the events it raises itself.
  void MoveTo(int x, int y) {
    AfxGetMouse()->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
    chains_->RefreshAll();
  }
  void Raise(AREA_CALLBACK QArea::*slot) {
    if (QArea* a = AfxGetNowArea()) (a->*slot)(a);
  }

  const int kW, kH;            // the screen size
  WindowProc proc_ = nullptr;  // set before SetUp to record messages
  HWND window_ = nullptr;
  ManualClock* clock_ = nullptr;
  CVIEWMANAGE* vm_ = nullptr;
  CChainManager* chains_ = nullptr;
  TempDir pack_dir_;
};

// One animation row: delay, displacement, auto-stop mark.
struct AniRow {
  int delay, x, y;
  bool autostop;
};

// The sprite suites' fixture: the clock at 1000 and a cleared frame, and
// helpers to store pictures and animation rows in the engine's pack and
// animation tables.
class SpriteFixture : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    clock_->Set(1000);
    frame_ = Frame();
  }
  void ClearFrame() { Frame(); }

  // A w x h picture of `colour` whose first column is the key colour,
  // stored as a pack image under `id`.
  void AddPicture(const std::string& id, int w, int h, uint16_t colour) {
    PutImage(id, w, h, colour, tagRECT{0, 0, 1, h});
  }

  // Rows base00 .. of `rows` in `table` (the game's when null), row 00
  // carrying `count` (the number of rows when negative), and, unless
  // `pictures` is false, a 16 x 12 picture per frame in FrameColour(i).
  void AddAnimation(const std::string& base, const std::vector<AniRow>& rows, int count = -1,
                    CPackAniDataBase* table = nullptr, bool pictures = true) {
    if (!table) table = AfxGetAniDataBase();
    for (size_t i = 0; i < rows.size(); ++i) {
      stPackAniInfo info;
      std::snprintf(info.szID, sizeof info.szID, "%s%02d", base.c_str(), static_cast<int>(i));
      info.nDelay = rows[i].delay;
      info.nNumber = i == 0 ? (count < 0 ? static_cast<int>(rows.size()) : count) : 0;
      info.nX = rows[i].x;
      info.nY = rows[i].y;
      info.bAutoStop = rows[i].autostop ? 1 : 0;
      ASSERT_TRUE(table->AddAni(info));
      if (pictures) AddPicture(info.szID, 16, 12, FrameColour(static_cast<int>(i)));
    }
  }
  static uint16_t FrameColour(int i) { return static_cast<uint16_t>(0x5294 + i); }

  // The sprite notifications the game's window received for `area`.
  int Notices(const void* area) const {
    int n = 0;
    for (const WindowMessage& m : tessera::ReceivedMessages(window_))
      if (m.message == 1032 && m.lparam == reinterpret_cast<LPARAM>(area)) ++n;
    return n;
  }

  DIBSURFACE* frame_ = nullptr;
};

}  // namespace tessera::test

#endif
