// What the sprite suites share: an engine on a headless window of 320 x 240
// on the manual clock (at 1000) with a real resource pack (game database, shared pack database, one
// pack file) in the test's scratch folder, and helpers to store pictures and animation rows in it.
#ifndef TESSERA_TESTS_GUI_SPRITE_FIXTURE_H
#define TESSERA_TESTS_GUI_SPRITE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "database/pack_ani_database.h"
#include "database/schema.h"
#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "pack/res.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/surface_helpers.h"
#include "support/test_pack.h"
#include "support/test_support.h"
#include "testing/manual_clock.h"

namespace tessera::test {

constexpr int kScreenW = 320, kScreenH = 240;

// One animation row: delay, displacement, auto-stop mark.
struct AniRow {
  int delay, x, y;
  bool autostop;
};

class SpriteFixture : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    AfxSetScreenWidth(kScreenW);
    AfxSetScreenHeight(kScreenH);
    std::filesystem::create_directories(scratch() + "/game");
    std::filesystem::create_directories(scratch() + "/data");
    root_ = scratch() + "\\";
    const std::string game = root_ + "game\\game.mdb";
    ASSERT_TRUE(CreateDataBaseFile(game));
    ASSERT_TRUE(CreateDataBaseFile(root_ + "data\\Pack.mdb"));
    WriteFile(scratch() + "/game/a.pak", "");
    AfxCreateResource(game.c_str(), root_.c_str());
    ASSERT_NE(AfxGetResource(), nullptr);
    window_ = CreateWindowRecord(kScreenW, kScreenH);
    ASSERT_EQ(AfxCreateViewManager(kScreenW, kScreenH, window_), 1);
    vm_ = AfxGetViewManager();
    frame_ = vm_->GetRenderSurface();
    ClearFrame();
    clock_ = InstallManualClock(1000);
  }
  void TearDown() override {
    EngineTest::TearDown();
    DestroyWindowRecord(window_);
  }

  void ClearFrame() {
    DRAW_FX fill;
    fill.kind = FX_FILL;
    fill.colour = 0;
    frame_->Blit(frame_, 0, 0, fill);
  }

  // A w x h picture of `colour` whose first column is the key colour,
  // stored as a pack image under `id`.
  void AddPicture(const std::string& id, int w, int h, uint16_t colour) {
    auto pic = MakeDib(w, h, colour);
    for (int y = 0; y < h; ++y) pic->SetPixel(0, y, COLOR_KEY);
    AddToPack(AfxGetResource(), id, PackImage(pic.get()));
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
  static uint16_t FrameColour(int i) {
    return static_cast<uint16_t>(0x5294 + i);
  }  // grey 20, blue 20 + i

  // The sprite notifications the game's window received for `area`.
  int Notices(const void* area) const {
    int n = 0;
    for (const WindowMessage& m : tessera::ReceivedMessages(window_))
      if (m.message == 1032 && m.lparam == reinterpret_cast<LPARAM>(area)) ++n;
    return n;
  }

  std::string root_;
  HWND window_ = nullptr;
  CVIEWMANAGE* vm_ = nullptr;
  DIBSURFACE* frame_ = nullptr;
  ManualClock* clock_ = nullptr;
};

}  // namespace tessera::test

#endif
