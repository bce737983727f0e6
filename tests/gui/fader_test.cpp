// QFaderSprite and QFaderText: one-shot playback at a point, closing and
// deleting themselves, the floating text's life in frames for each mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/glyph_cache.h"
#include "gui/area_chain.h"
#include "gui/fader_sprite.h"
#include "gui/fader_text.h"
#include "gui/sprite.h"
#include "platform/glyph_source.h"
#include "sprite_fixture.h"

namespace {

using tessera::test::AniRow;

// Every glyph a solid block: the text picture is then known exactly.
class SolidGlyphs : public tessera::GlyphSource {
 public:
  bool Render(std::string_view, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 1);
    return true;
  }
};

using FaderTest = tessera::test::SpriteFixture;

TEST_F(FaderTest, FaderSpritePlaysOnceAndDeletesItself) {
  // Frames 00-02 shown, 03 ends the effect before it is drawn.
  AddAnimation("boom0000",
               {{10, 0, 0, false}, {10, 0, 0, false}, {10, 0, 0, false}, {10, 0, 0, true}});
  QSprite source;
  ASSERT_TRUE(source.LoadImages("boom0000", 0, false));
  QAreaChain chain;
  auto* fader = new QFaderSprite(200, 100, &source, true);
  EXPECT_FALSE(fader->IsPointed(200, 100));
  fader->SetState(QAREA_SHOW, &chain);
  std::vector<int> drawn;
  for (int i = 0; i < 12 && chain.GetCount() == 1; ++i) {
    ClearFrame();
    chain.ShowAreas(frame_);
    const uint16_t p = frame_->GetPixel(201, 100).GetColor();
    drawn.push_back(p == 0 ? -1 : p - FrameColour(0));
    clock_->Advance(6);
  }
  // Frame 0's timer starts at the first Show and the step comes 12 ms
  // later; each later frame's timer starts at the Show after the step, so
  // it is drawn three times.  The step into frame 3 closes the fader.
  EXPECT_EQ(drawn, (std::vector<int>{0, 0, 1, 1, 1, 2, 2, 2, -1}));
  EXPECT_EQ(source.m_nNowp, 0);  // the source is untouched
}

TEST_F(FaderTest, FaderSpriteKeptWithoutAutoDeleteAndLeavingTheScreen) {
  AddAnimation("fly00000",
               {{0, 0, 0, false}, {0, 0, -50, false}, {0, 0, -50, false}, {0, 0, 0, true}});
  QSprite source;
  ASSERT_TRUE(source.LoadImages("fly00000", 0, false));
  source.m_bMove = true;
  source.m_bDrawPrevious = true;
  QAreaChain chain;
  QFaderSprite fader(10, 60, &source, false);
  fader.SetState(QAREA_SHOW, &chain);
  // Delays of 0: a frame's timer starts at one Show and the step comes at
  // the next one a millisecond later.  The step to frame 1 moves the
  // one-pixel area from y 60 to 10; the step to frame 2 would put its
  // bottom at -40, so the fader closes there (kept: no auto-delete).
  for (auto [index, advance] : {std::pair{0, 1}, {1, 0}, {1, 1}}) {
    chain.ShowAreas(frame_);
    EXPECT_EQ(fader.m_nNowp, index);
    clock_->Advance(advance);
  }
  chain.ShowAreas(frame_);
  EXPECT_EQ(fader.m_rcArea.top, 10);
  // Drawn with the earlier frame under it: both at the new place.
  EXPECT_EQ(frame_->GetPixel(11, 10).GetColor(), FrameColour(1));
  EXPECT_EQ(fader.m_dwState, static_cast<uint32_t>(QAREA_CLOSE));

  // Without frames a fader draws and does nothing.
  QSprite empty;
  QFaderSprite idle(0, 0, &empty, false);
  idle.Show(frame_);
  EXPECT_TRUE(idle.m_bPlaying);
}

// Shows a fader text in a chain until it is gone; the frame it closed at.
int LifeInFrames(QFaderText* text, DIBSURFACE* frame, int limit = 1000) {
  QAreaChain chain;
  text->SetState(QAREA_SHOW, &chain);
  for (int shown = 1; shown <= limit; ++shown) {
    chain.ShowAreas(frame);
    if (chain.GetCount() == 0) return shown;
  }
  chain.Delete(text);
  delete text;
  return -1;
}

TEST_F(FaderTest, FaderTextLifeForEachMode) {
  tessera::SetGlyphSource(std::make_unique<SolidGlyphs>());
  char word[] = "ab";  // 16 pixels wide at size 16
  struct Case {
    int x, y, mode, life, closes;
  } cases[] = {
      {160, 120, 0, 100, 73},  // level 0 at frame 72
      {160, 120, 0, 40, 40},   // life first
      {300, 120, 1, 200, 74},  // x 90 after frame 29, 99 after 35, -39 after 73
      {2, 120, 7, 30, 30},     // x 2 - 16/2: still not below 4 - 16
      {-13, 120, 7, 30, 1},    // off the left edge at once
      {160, -13, 7, 30, 1},    // off the top edge at once
  };
  for (const Case& c : cases) {
    auto* text = new QFaderText(word, c.x, c.y, 0xFF0000, c.mode, 16, c.life);
    EXPECT_EQ(LifeInFrames(text, frame_), c.closes) << c.x << "," << c.y << " mode " << c.mode;
  }
}

TEST_F(FaderTest, FaderTextPictureAndMotion) {
  tessera::SetGlyphSource(std::make_unique<SolidGlyphs>());
  char word[] = "abcd";  // 32 x 16
  auto* text = new QFaderText(word, 100, 50, 0xF8F8F8, 0, 16, 100);
  ASSERT_NE(text->m_pTextImage, nullptr);
  EXPECT_EQ(text->m_pTextImage->GetWidth(), 48);
  // Key colour around, black outline, the text at (2, 2).
  EXPECT_EQ(text->m_pTextImage->GetPixel(0, 0).GetColor(), COLOR_KEY);
  EXPECT_EQ(text->m_pTextImage->GetPixel(1, 5).GetColor(), 0);
  EXPECT_EQ(text->m_pTextImage->GetPixel(2, 5).GetColor(), 0x7FFF);
  QAreaChain chain;
  text->SetState(QAREA_SHOW, &chain);
  // Mode 0: frames 1-29 fade in (level frame + 1), 30-49 sink one pixel
  // on even frames, 50-57 rest, then rise 9 pixels a frame.
  int shown = 0;
  for (auto [frame, level, y] : {std::tuple{1, 2, 50},
                                 {29, 30, 50},
                                 {31, 30, 51},
                                 {57, 30, 60},
                                 {58, 28, 51},
                                 {60, 24, 33}}) {
    for (; shown < frame; ++shown) chain.ShowAreas(frame_);
    EXPECT_EQ(std::vector<int>({text->m_nFrame, text->m_nLevel, text->m_nY}),
              std::vector<int>({frame, level, y}));
  }
  // Drawn centred: x - 16 + 2 is the first text column, at level 24 over
  // black.
  ClearFrame();
  chain.ShowAreas(frame_);
  EXPECT_EQ(frame_->GetPixel(100 - 16 + 1, 33 + 5).GetColor(), 0);
  const uint16_t p = frame_->GetPixel(100 - 16 + 2, 33 + 5).GetColor();
  EXPECT_GT(p & 0x1F, 0);
  EXPECT_LT(p & 0x1F, 31);
  chain.DeleteAll();  // closing deletes it
  EXPECT_EQ(chain.GetCount(), 0);

  // An empty text has no picture and still lives its frames.
  char nothing[] = "";
  auto* quiet = new QFaderText(nothing, 100, 100, 0, 7, 16, 5);
  EXPECT_EQ(quiet->m_pTextImage, nullptr);
  EXPECT_EQ(LifeInFrames(quiet, frame_), 5);
}

}  // namespace
