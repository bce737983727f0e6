// What the sprite suites share: the widget fixture with the clock at 1000
// and a cleared frame, and helpers to store pictures and animation rows in
// the engine's pack and animation tables.
#ifndef TESSERA_TESTS_GUI_SPRITE_FIXTURE_H
#define TESSERA_TESTS_GUI_SPRITE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "database/pack_ani_database.h"
#include "gui_fixture.h"
#include "support/surface_helpers.h"

namespace tessera::test {

// One animation row: delay, displacement, auto-stop mark.
struct AniRow {
  int delay, x, y;
  bool autostop;
};

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
