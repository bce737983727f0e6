// QSprite, QFaderSprite, QFaderText and QEnergy: loading, the frame clock,
// moving, sound, drawing and hit testing; one-shot effects and floating
// text; the energy bar's shown part, animation, fade, back and cover.
#include "gui/sprite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/surface_manager.h"
#include "gui/area_chain.h"
#include "gui/energy_gauge.h"
#include "gui/fader_sprite.h"
#include "gui/fader_text.h"
#include "gui_fixture.h"
#include "platform/glyph_source.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/system_volume.h"
#include "sound/wave_file.h"
#include "support/surface_helpers.h"

namespace {

using tessera::HeadlessMessages;
using tessera::test::AniRow;

using tessera::test::ReferenceTransMix;  // its weight is the destination's: 32 - level

unsigned short Bar(int i) { return static_cast<unsigned short>(0x0400 + i); }

class SpriteTest : public tessera::test::SpriteFixture {
 protected:
  // Energy bar images base00.. in Bar(i).
  void PutBars(const std::string& base, int count, int w = 10, int h = 69) {
    for (int i = 0; i < count; ++i)
      PutImage(base + (i < 10 ? "0" : "") + std::to_string(i), w, h, Bar(i));
  }
  // Pixels of the shown bar along its length, from the far end; the rest
  // must be key, with no gap.
  static int Shown(QEnergy& e) {
    SURFACE* s = e.m_pTempImage;
    const bool vertical = e.m_nDirection == 0;
    int shown = 0;
    for (int i = 0; i < (vertical ? s->GetHeight() : s->GetWidth()); ++i) {
      if ((vertical ? s->GetPixel(3, i) : s->GetPixel(i, 3)).GetColor() != COLOR_KEY)
        ++shown;
      else
        EXPECT_EQ(shown, 0) << i;
    }
    return shown;
  }
};

TEST_F(SpriteTest, LoadsRowsImagesAndTheSharedTableFallback) {
  AddAnimation("walker00", {{120, 1, 2, false}, {80, -3, 4, true}, {0, 5, -6, false}});
  // "shared00" lives only in the shared table; frame 01 of "mixed000"
  // only there too.
  tessera::test::AniRow r{40, 7, 8, false};
  AddAnimation("shared00", {r, r}, -1, tessera::SharedAniDataBase());
  AddAnimation("mixed000", {r}, 2);
  AddAnimation("mixed000", {r, {90, 9, 9, true}}, 2, tessera::SharedAniDataBase(), false);
  AddPicture("mixed00001", 16, 12, FrameColour(1));

  QSprite s(10, 20, 25, 31, false, false);
  ASSERT_TRUE(s.LoadImages("walker00xx", 0, false));  // only 8 characters count
  ASSERT_EQ(s.GetFrameCount(), 3);
  const AniRow want[] = {{120, 1, 2, false}, {80, -3, 4, true}, {0, 5, -6, false}};
  for (int i = 0; i < 3; ++i) {
    QAniCell* f = s.GetFrame(i);
    EXPECT_EQ(std::vector<int>({int(f->m_dwDelay), f->m_nX, f->m_nY, f->m_bAutoStop,
                                f->m_pImage->GetStyle(), f->m_pImage->GetPixel(5, 5).GetColor()}),
              std::vector<int>(
                  {want[i].delay, want[i].x, want[i].y, want[i].autostop, SS_DIB, FrameColour(i)}));
  }

  ASSERT_TRUE(s.LoadImages("shared00", 2, true));
  EXPECT_EQ(s.GetFrameCount(), 2);
  EXPECT_EQ(s.GetFrame(1)->m_pImage->GetStyle(), SS_RLE);

  ASSERT_TRUE(s.LoadImages("mixed000", 32, false));
  ASSERT_EQ(s.GetFrameCount(), 2);
  EXPECT_EQ(s.GetFrame(1)->m_dwDelay, 90u);
  EXPECT_TRUE(tessera::GetSurfaceManager().IsHaveSurface(s.GetFrame(0)->m_pImage));
  EXPECT_TRUE(HeadlessMessages().empty());
}

TEST_F(SpriteTest, BadInputReportsAndKeepsGoing) {
  AddAnimation("empty000", {{10, 0, 0, false}}, 0);
  AddAnimation("holes000", {{10, 0, 0, false}, {10, 0, 0, false}}, 4);
  AddAnimation("nopic000", {{10, 0, 0, false}}, 3, nullptr, true);
  // Frame 01 of "nopic000" has a row but no picture.
  AddAnimation("nopic000", {{10, 0, 0, false}, {10, 0, 0, false}}, 3, nullptr, false);

  // Identifiers under 8 characters: the message, false.  Unknown: false,
  // quietly.  A count of 0: loaded, nothing to draw or step.  Missing rows
  // are skipped; a row without its picture fails, keeping earlier frames.
  QSprite s(0, 0, 15, 11, false, true);
  for (const char* id : {static_cast<const char*>(nullptr), "short"}) {
    tessera::ClearHeadlessMessages();
    EXPECT_FALSE(s.LoadImages(id, 0, false));
    ASSERT_EQ(HeadlessMessages().size(), 1u);
    EXPECT_EQ(HeadlessMessages()[0].text.rfind("Error ID to Load Sprite image!\n", 0), 0u);
  }
  tessera::ClearHeadlessMessages();
  EXPECT_FALSE(s.LoadImages("unknown0", 0, false));
  EXPECT_TRUE(s.LoadImages("empty000", 0, false));
  EXPECT_EQ(s.GetFrameCount(), 0);
  s.Show(frame_);
  s.Next();
  s.Prev();
  EXPECT_EQ(s.m_pNowImage, nullptr);
  EXPECT_TRUE(s.LoadImages("holes000", 0, false));
  EXPECT_EQ(s.GetFrameCount(), 2);
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_FALSE(s.LoadImages("nopic000", 0, false));
  EXPECT_EQ(HeadlessMessages().size(), 1u);  // its text is checked with the dialog's
  EXPECT_EQ(s.GetFrameCount(), 1);
}

// (time of the Show, frame index after it, frame drawn by it)
struct Tick {
  uint32_t at;
  int index;
  int drawn;
};

TEST_F(SpriteTest, FrameClockForwardsAndBackwards) {
  AddAnimation("clock000",
               {{100, 0, 0, false}, {50, 0, 0, false}, {0, 0, 0, false}, {200, 0, 0, false}});
  const std::vector<Tick> forwards = {{1000, 0, 0}, {1100, 0, 0}, {1101, 1, 0}, {1101, 1, 1},
                                      {1152, 2, 1}, {1152, 3, 2}, {1200, 3, 3}, {1401, 0, 3}};
  const std::vector<Tick> backwards = {{1000, 0, 0}, {1101, 3, 0}, {1101, 3, 3}, {1302, 2, 3},
                                       {1302, 1, 2}, {1302, 1, 1}, {1353, 0, 1}, {1353, 0, 0}};
  for (bool forward : {true, false}) {
    QSprite s(40, 30, 55, 41, false, false);
    ASSERT_TRUE(s.LoadImages("clock000", 0, false));
    s.m_bForward = forward;
    clock_->Set(1000);
    for (const Tick& t : forward ? forwards : backwards) {
      clock_->Set(t.at);
      ClearFrame();
      s.Show(frame_);
      EXPECT_EQ(s.m_nNowp, t.index) << forward << " at " << t.at;
      EXPECT_EQ(frame_->GetPixel(41, 30).GetColor(), FrameColour(t.drawn))
          << forward << " at " << t.at;
      EXPECT_EQ(frame_->GetPixel(40, 30).GetColor(), 0);  // the key column is not drawn
    }
  }
}

TEST_F(SpriteTest, StepSetAndStopped) {
  AddAnimation("steps000", {{10, 0, 0, false}, {10, 0, 0, false}, {10, 0, 0, false}});
  QSprite s(0, 0, 15, 11, false, false);
  ASSERT_TRUE(s.LoadImages("steps000", 0, false));
  s.Prev();  // wraps both ways; SetNowp ignores indices out of range
  EXPECT_EQ(s.m_nNowp, 2);
  s.Next();
  s.SetNowp(3);
  s.SetNowp(-1);
  EXPECT_EQ(s.m_nNowp, 0);
  s.SetNowp(1);
  EXPECT_EQ(s.m_pNowImage, s.GetFrame(1)->m_pImage);

  // Stopped: nothing drawn unless m_bShowStopped, and no time passes.
  s.Stop();
  EXPECT_FALSE(s.IsPlaying());
  clock_->Advance(1000);
  s.Show(frame_);
  EXPECT_EQ(frame_->GetPixel(5, 5).GetColor(), 0);
  EXPECT_EQ(s.m_nNowp, 1);
  s.m_bShowStopped = true;
  s.Show(frame_);
  EXPECT_EQ(frame_->GetPixel(5, 5).GetColor(), FrameColour(1));
  s.Play();
  EXPECT_TRUE(s.IsPlaying());
}

TEST_F(SpriteTest, AutoStopSendsOneNotice) {
  AddAnimation("stop0000", {{0, 0, 0, false}, {0, 0, 0, true}, {0, 0, 0, false}});
  for (bool silent : {false, true}) {
    tessera::ReceivedMessages(window_).clear();
    QSprite s(0, 0, 15, 11, false, false);
    ASSERT_TRUE(s.LoadImages("stop0000", 0, silent));
    for (int i = 0; i < 6; ++i) s.Show(frame_);
    // 0 -> 1, then frame 1 stops the sprite on frame 2.
    EXPECT_FALSE(s.IsPlaying());
    EXPECT_EQ(s.m_nNowp, 2);
    EXPECT_EQ(tessera::ReceivedMessages(window_).size(), silent ? 0u : 1u);
  }
}

// The game may delete the sprite in its answer to the notice.
QSprite* g_doomed = nullptr;
LRESULT DeleteOnNotice(HWND, UINT message, WPARAM, LPARAM lparam) {
  if (message == 1032 && reinterpret_cast<QSprite*>(lparam) == g_doomed) {
    delete g_doomed;
    g_doomed = nullptr;
  }
  return 0;
}

TEST_F(SpriteTest, TheGameMayDeleteTheSpriteInItsAnswer) {
  AddAnimation("doom0000", {{0, 0, 0, true}, {0, -100, 0, false}});
  tessera::SetWindowProc(window_, DeleteOnNotice);
  QAreaChain chain;
  g_doomed = new QSprite(0, 0, 15, 11, false, false);
  ASSERT_TRUE(g_doomed->LoadImages("doom0000", 0, false));
  g_doomed->m_bMove = true;  // the step also leaves the screen: two notices
  g_doomed->SetState(QAREA_SHOW, &chain);
  QSprite* address = g_doomed;
  chain.ShowAreas(frame_);
  EXPECT_EQ(g_doomed, nullptr);
  EXPECT_EQ(chain.GetCount(), 0);
  EXPECT_EQ(Notices(address), 2);
}

// (area, displacement, whether the step is taken)
struct Step {
  tagRECT rc;
  int dx, dy;
  bool moves;
};

TEST_F(SpriteTest, MovingStaysOnTheScreen) {
  // The right edge would reach 0 / is at 1; the bottom edge stays at 0 / is
  // at 1; the new top is 240 (the screen height) / 241; the new left 320 / 321.
  const std::vector<Step> steps = {
      {{-30, 50, 1, 61}, -1, 0, false}, {{-30, 50, 1, 61}, 0, 0, true},
      {{10, -11, 25, 0}, 0, 0, false},  {{10, -11, 25, 0}, 0, 1, true},
      {{10, 239, 25, 250}, 0, 1, true}, {{10, 240, 25, 251}, 0, 1, false},
      {{319, 10, 334, 21}, 1, 0, true}, {{320, 10, 335, 21}, 1, 0, false}};
  for (const Step& st : steps)
    EXPECT_EQ(tessera::StepStaysOnScreen(st.rc, st.dx, st.dy), st.moves)
        << st.rc.left << "," << st.rc.top << " " << st.dx << "," << st.dy;

  // A sprite walking by its frames' displacements, delay 0: one frame per
  // Show, each entered frame's displacement applied.
  AddAnimation("walk0000", {{0, 0, 0, false}, {10, 7, -5, false}, {0, 3, -5, false}});
  QSprite s(100, 100, 115, 111, false, false);
  ASSERT_TRUE(s.LoadImages("walk0000", 0, false));
  s.m_bMove = true;
  // Frame 1 waits more than 10 ms: its timer starts at the Show after the
  // step into it.
  const int want[][3] = {{1, 107, 95}, {1, 107, 95}, {1, 107, 95},
                         {2, 110, 90}, {0, 110, 90}, {1, 117, 85}};
  clock_->Set(2000);
  for (const auto& w : want) {
    s.Show(frame_);
    clock_->Advance(6);
    EXPECT_EQ(std::vector<int>({s.m_nNowp, s.m_rcArea.left, s.m_rcArea.top, s.m_rcArea.right}),
              std::vector<int>({w[0], w[1], w[2], w[1] + 15}));
  }
  EXPECT_EQ(Notices(&s), 0);

  // Off the left edge the step into frame 0 is refused: the sprite stays,
  // the notice is sent, play goes on.
  s.Move(-200, 50);
  s.SetNowp(2);
  s.Show(frame_);
  EXPECT_EQ(s.m_nNowp, 0);
  EXPECT_EQ(s.m_rcArea.left, -200);
  EXPECT_EQ(Notices(&s), 1);
}

TEST_F(SpriteTest, DistanceVolume) {
  // Screen 320 x 240: half the diagonal is 200 pixels.
  struct Case {
    int cx, cy, volume;
  } cases[] = {{160, 120, 100}, {166, 128, 95}, {0, 0, 0}, {-50, 120, 0}};
  for (const Case& c : cases) {
    QArea a(c.cx - 2, c.cy - 3, c.cx + 1, c.cy + 2);  // 4 x 6: centre (left + 2, top + 3)
    EXPECT_EQ(tessera::DistanceVolume(a), c.volume) << c.cx << "," << c.cy;
  }
}

TEST_F(SpriteTest, SoundOnReturnToTheFirstFrame) {
  std::filesystem::create_directories(scratch() + "/wav");  // the click
  tessera::test::WriteFile(scratch() + "/wav/click.WAV", tessera::MakeClickWave());
  ASSERT_TRUE(AfxCreateSound(window_));
  AddAnimation("sound000", {{0, 0, 0, false}, {0, 30, 40, false}});
  // 16 x 12 at (152, 114): centre (160, 120).  After the step to frame 1
  // the centre is (190, 160): 50 of 200 pixels from the screen's centre.
  QSprite s(152, 114, 167, 125, false, false);
  ASSERT_TRUE(s.LoadImages("sound000", 0, false));
  s.m_bMove = true;
  s.m_bSound = true;
  tessera::ClearHeadlessAudioLog();
  s.Show(frame_);  // to frame 1: no sound
  auto plays = [] {
    return std::count_if(
        tessera::HeadlessAudioLog().begin(), tessera::HeadlessAudioLog().end(),
        [](const std::string& l) { return l.find(" Play ") != std::string::npos; });
  };
  EXPECT_EQ(plays(), 0);
  s.Show(frame_);  // back to frame 0 (no displacement): sound at 75
  EXPECT_EQ(plays(), 1);
  const uint32_t v = 75 * 65535 / 100;
  EXPECT_EQ(tessera::SystemVolumes().Get(tessera::VolumeDevice::kWave), v | v << 16);
}

TEST_F(SpriteTest, DrawingKindsAndHitTest) {
  AddAnimation("kinds000", {{0, 0, 0, false}, {0, 0, 0, false}, {0, 0, 0, false}});
  QAreaChain chain;
  QSprite s(60, 40, 75, 51, true, false);
  ASSERT_TRUE(s.LoadImages("kinds000", 2, false));
  s.SetState(QAREA_SHOW, &chain);
  // Run-length frames with the default effect (a fill) draw nothing ...
  s.Show(frame_);
  EXPECT_EQ(frame_->GetPixel(65, 45).GetColor(), 0);
  // ... FX_TRANS at level 32 draws them as they are.
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 32;
  EXPECT_TRUE(s.SetDrawFX(fx));
  s.SetNowp(2);
  ClearFrame();
  s.Show(frame_);
  EXPECT_EQ(frame_->GetPixel(65, 45).GetColor(), FrameColour(2));
  // Below level 32 the frame is mixed with what lies under it.
  fx.level = 16;
  s.SetDrawFX(fx);
  ClearFrame();
  s.Show(frame_);
  const uint16_t mixed = frame_->GetPixel(65, 45).GetColor();  // exact sums: the engine's tests
  EXPECT_NE(mixed, 0);
  EXPECT_LT(mixed, FrameColour(2));
  // Hit test: the key column is not the sprite, the rest is.
  EXPECT_FALSE(s.IsPointed(60, 45));
  EXPECT_TRUE(s.IsPointed(61, 45));
  s.m_pNowImage = nullptr;
  EXPECT_TRUE(s.IsPointed(60, 45));
  s.m_dwLoadFlags = 2 | 8;
  EXPECT_FALSE(s.IsPointed(61, 45));
}

TEST_F(SpriteTest, DrawPreviousBuildsUp) {
  // Three plain frames, each a vertical bar in its own column.
  for (int i = 0; i < 3; ++i) {
    auto pic = tessera::test::MakeDib(6, 4, COLOR_KEY);
    for (int y = 0; y < 4; ++y) pic->SetPixel(i * 2, y, FrameColour(i));
    char id[16];
    std::snprintf(id, sizeof id, "build000%02d", i);
    tessera::test::AddToPack(AfxGetResource(), id, tessera::test::PackImage(pic.get()));
  }
  AddAnimation("build000", {{0, 0, 0, false}, {0, 0, 0, false}, {0, 0, 0, false}}, -1, nullptr,
               false);
  QSprite s(10, 10, 15, 13, true, false);
  ASSERT_TRUE(s.LoadImages("build000", 0, false));
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 32;
  s.SetDrawFX(fx);
  s.SetNowp(2);
  s.Stop();
  s.m_bShowStopped = true;
  s.Show(frame_);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(frame_->GetPixel(10 + 2 * i, 11).GetColor(), FrameColour(i)) << i;
  EXPECT_EQ(frame_->GetPixel(11, 11).GetColor(), 0);
}

// Every glyph a solid block: the text picture is then known exactly.
class SolidGlyphs : public tessera::GlyphSource {
 public:
  bool Render(std::string_view, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 1);
    return true;
  }
};

TEST_F(SpriteTest, FaderSpritePlaysOnceAndDeletesItself) {
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

TEST_F(SpriteTest, FaderSpriteKeptWithoutAutoDeleteAndLeavingTheScreen) {
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

TEST_F(SpriteTest, FaderTextLifeForEachMode) {
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

TEST_F(SpriteTest, FaderTextPictureAndMotion) {
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

TEST_F(SpriteTest, EnergyOnlyTheFilledPartShows) {
  PutBars("LIFEBARA", 2);
  PutBars("LIFEBARH", 1, 69, 10);
  // Out of range (to the ends of int) is held to the ends of the bar.
  for (auto [direction, energy, hidden] : {std::tuple{0, 100, 34},
                                           {0, 199, 0},
                                           {0, 1, 68},
                                           {0, -2147483647, 69},
                                           {0, 2147483647, 0},
                                           {1, 50, 51}}) {
    QEnergy e;
    e.Create(0, 0, 9, 68, 200, 69, direction);
    ASSERT_TRUE(e.LoadImages(direction ? "LIFEBARH" : "LIFEBARA", nullptr, nullptr));
    e.SetEnergy(energy);
    EXPECT_EQ(e.HiddenLength(), hidden) << energy;
    e.Show(Frame());  // the next animation step shows the value
    EXPECT_EQ(Shown(e), 69 - hidden) << direction << " " << energy;
  }
  QEnergy fresh(0, 0, 9, 68);  // empty until the first SetEnergy
  ASSERT_TRUE(fresh.LoadImages("LIFEBARA", nullptr, nullptr));
  EXPECT_EQ(Shown(fresh), 0);
  fresh.SetStandard(0, 69, 0);
  EXPECT_EQ(fresh.HiddenLength(), 0);
}

TEST_F(SpriteTest, EnergyAnimationUpToTheFirstMissingImage) {
  PutBars("LIFEBARB", 5);
  PutImage("LIFEBARB06", 10, 69, 0x7FFF);  // after the gap: unused
  QEnergy e(40, 40, 49, 108);
  ASSERT_TRUE(e.LoadImages("LIFEBARBXYZ", nullptr, nullptr));  // eight characters count
  EXPECT_EQ(e.m_nAniFrames, 5);
  e.SetEnergy(200);
  DIBSURFACE* frame = Frame();
  std::vector<int> frames;
  for (int advance : {101, 101, 101, 101, 101, 101, 100}) {
    clock_->Advance(static_cast<uint32_t>(advance));
    e.Show(frame);
    frames.push_back(e.m_nAniFrame);
    EXPECT_EQ(frame->GetPixel(40, 40).GetColor(), Bar(e.m_nAniFrame));
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 0, 1, 1}));
  e.Stop();  // neither the frame nor a new value shows until Play
  e.SetEnergy(0);
  clock_->Advance(500);
  e.Show(frame);
  EXPECT_EQ(e.m_nAniFrame, 1);
  EXPECT_EQ(Shown(e), 69);
  e.Play();
  e.Show(frame);
  EXPECT_EQ(Shown(e), 0);
}

TEST_F(SpriteTest, EnergyOldBarFadesOverThirtyOneFrames) {
  PutBars("LIFEBARC", 1);
  QEnergy e(10, 10, 19, 78);
  ASSERT_TRUE(e.LoadImages("LIFEBARC", nullptr, nullptr));
  e.SetEnergy(200);
  DIBSURFACE* frame = Frame();
  e.Show(frame);
  e.SetEnergy(100);  // the full bar becomes the old one
  e.m_dwTick = 0;
  constexpr unsigned short kBack = 0x2108;
  for (int call = 0; call < 33; ++call) {
    frame = Frame(kBack);
    e.Show(frame);
    const int level = call < 31 ? 30 - call : -1;
    EXPECT_EQ(e.m_nFlash, std::max(level, 0));
    // Row 5 is hidden now: only the old bar fades there.  Row 50 is new.
    EXPECT_EQ(frame->GetPixel(13, 15).GetColor(),
              level >= 0 ? ReferenceTransMix(Bar(0), kBack, 32 - level) : kBack);
    EXPECT_EQ(frame->GetPixel(13, 60).GetColor(), Bar(0));
  }
}

TEST_F(SpriteTest, EnergyBackgroundCoverAndBadInput) {
  PutBars("LIFEBARD", 1, 4, 4);
  PutImage("LIFEBACK00", 6, 6, 0x0003);
  PutImage("LIFECOVER0", 4, 4, 0x7C00, tagRECT{2, 0, 4, 4});
  QEnergy e;
  e.Create(20, 20, 23, 23, 10, 4, 1);
  ASSERT_TRUE(e.LoadImages("LIFEBARD", "LIFECOVER0", "LIFEBACK00"));
  e.SetEnergy(10);
  e.m_nFlash = 0;
  DIBSURFACE* frame = Frame();
  e.Show(frame);
  for (auto [x, y, c] : {std::tuple{19, 19, 3},
                         {24, 24, 3},
                         {25, 25, 0},
                         {22, 20, int(Bar(0))},
                         {20, 20, int(ReferenceTransMix(0x7C00, Bar(0), 8))}})
    EXPECT_EQ(frame->GetPixel(x, y).GetColor(), c) << x << "," << y;
  ASSERT_TRUE(e.LoadImages("LIFEBARD", "NOSUCHCOVR", ""));
  EXPECT_EQ(e.m_pCoverImage, nullptr);
  EXPECT_EQ(e.m_pBackImage, nullptr);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
  for (const char* base : {static_cast<const char*>(nullptr), "SHORT7X"})
    EXPECT_FALSE(e.LoadImages(base, nullptr, nullptr));
  EXPECT_EQ(tessera::HeadlessMessages().size(), 2u);        // the text is checked with the sprite's
  EXPECT_TRUE(e.LoadImages("NOSUCHBA", nullptr, nullptr));  // no bar: nothing drawn
  frame = Frame(0x0101);
  e.Show(frame);
  EXPECT_EQ(frame->GetPixel(20, 20).GetColor(), 0x0101);
}

}  // namespace
