// QButton: looks per digit, captions printed at load, text limits, looks on
// events, flash and ghost, hit testing, the click sound.
#include "gui/button.h"

#include <cstring>
#include <filesystem>
#include <string>

#include "engine/font_state.h"
#include "engine/rle_surface.h"
#include "gui_fixture.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "sound/wave_file.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::ReferenceTransMix;  // its weight is the destination's: 32 - level

constexpr unsigned short kLook[4] = {0x001F, 0x03E0, 0x7C00, 0x3DEF};

class ButtonTest : public tessera::test::GuiTest {
 protected:
  // Look d of "BTNTESTAA": 60 + d pixels wide, 20 high, in kLook[d].
  void PutLooks(std::initializer_list<int> digits) {
    for (int d : digits) PutImage("BTNTESTAA" + std::to_string(d), 60 + d, 20, kLook[d]);
  }
  static unsigned short Px(const QButton& b, int look, int x, int y) {
    return b.m_pImage[look]->GetPixel(x, y).GetColor();
  }
};

TEST_F(ButtonTest, LooksComeFromTheBasePlusTheirDigit) {
  PutLooks({0, 1, 2, 3});
  QButton b(tagRECT{10, 10, 69, 29}, "", "", "BTNTESTAAXYZ");  // nine characters count
  for (int look = 0; look < 4; ++look) {
    ASSERT_NE(b.m_pImage[look], nullptr);
    EXPECT_EQ(b.m_pImage[look]->GetWidth(), 60 + look);
    EXPECT_EQ(Px(b, look, 0, 0), kLook[look]);
  }
  SURFACE* before = b.m_pImage[0];
  b.ChangeImage("new", "tip", "BTNTESTA");  // eight characters: texts taken, looks kept
  EXPECT_EQ(b.m_pImage[0], before);
  EXPECT_STREQ(b.m_szCaption, "new");
  EXPECT_STREQ(b.m_szTip, "tip");
}

TEST_F(ButtonTest, MissingLooks) {
  PutLooks({0, 1});
  QButton b(tagRECT{0, 0, 99, 19}, "AB", "", "BTNTESTAA");
  EXPECT_EQ(b.m_pImage[2], nullptr);
  ASSERT_NE(b.m_pImage[3], nullptr);  // the normal image again, without caption
  EXPECT_EQ(Px(b, 3, 43, 3), kLook[0]);
  b.m_nImage = 1;
  QButton::OnPress(&b);  // no pressed look: the look stays
  EXPECT_EQ(b.m_nImage, 1);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

// x centred by the caption's width at the button's font size (or 5), y
// centred by the font's height; white shadow at (+1, +1), black text.
TEST_F(ButtonTest, CaptionIsPrintedIntoEveryLook) {
  PutLooks({0, 1, 2, 3});
  struct {
    int font;
    bool center;
    int bottom, x, y;
  } cases[] = {{12, true, 19, 43, 3},
               {12, false, 19, 5, 3},
               {16, true, 19, 41, 1},
               {24, true, 29, 37, 2},
               {16, true, 9, 41, -3}};
  for (const auto& c : cases) {
    tessera::SetCurrentFontSize(24);
    QButton b;
    b.Create(tagRECT{0, 0, 99, c.bottom}, "AB", "", "BTNTESTAA", c.center);
    if (c.font != 12) b.SetFontSize(c.font);
    EXPECT_EQ(tessera::CurrentFontSize(), 24);
    for (int look = 0; look < 4; ++look) {
      SCOPED_TRACE(std::to_string(c.font) + " look " + std::to_string(look));
      EXPECT_NE(dynamic_cast<RLESURFACE*>(b.m_pImage[look]), nullptr);
      if (c.y < 0) {  // above the image: nothing printed
        for (int x = 0; x < 60; ++x) EXPECT_EQ(Px(b, look, x, 0), kLook[look]);
        continue;
      }
      for (int dx : {0, c.font / 2}) {
        EXPECT_EQ(Px(b, look, c.x + dx, c.y), 0);
        EXPECT_EQ(Px(b, look, c.x + dx + 1, c.y + 1), 0x7FFF);
      }
      EXPECT_EQ(Px(b, look, c.x - 1, c.y), kLook[look]);
      EXPECT_EQ(Px(b, look, c.x + 2, c.y + 1), kLook[look]);
    }
  }
}

TEST_F(ButtonTest, CaptionAndTipLimits) {
  for (auto [caption, tip, taken] :
       {std::tuple{104, 19, true}, {105, 20, false}, {300, 100, false}}) {
    QButton b(tagRECT{0, 0, 9, 9}, "old", "old tip", "NOSUCHIMG");
    const std::string c(static_cast<size_t>(caption), 'c'), t(static_cast<size_t>(tip), 't');
    b.ChangeImage(c.c_str(), t.c_str(), nullptr);
    EXPECT_EQ(std::string(b.m_szCaption), taken ? c : "old");
    EXPECT_EQ(std::string(b.m_szTip, strnlen(b.m_szTip, 20)), taken ? t : "old tip");
  }
}

TEST_F(ButtonTest, LooksFollowTheEvents) {
  PutLooks({0, 1, 2, 3});
  QButton b(tagRECT{20, 20, 79, 39}, "", "press me", "BTNTESTAA");
  chains_->Add(&b, CHAIN_TOP);
  MoveTo(30, 30);
  EXPECT_EQ(b.m_nImage, 1);
  EXPECT_STREQ(g_szTipText, "press me");
  const struct {
    AREA_CALLBACK QArea::*slot;
    int look;
  } steps[] = {{&QArea::m_pfnHover, 1},
               {&QArea::m_pfnPress, 2},
               {&QArea::m_pfnHover, 2},
               {&QArea::m_pfnClick, 0},
               {&QArea::m_pfnHover, 0}};
  for (const auto& s : steps) {
    Raise(s.slot);
    EXPECT_EQ(b.m_nImage, s.look);
  }
  // Leaving resets the look and the tip; disabled, nothing changes the
  // grey look and the button is not hit.
  b.m_nImage = 2;
  MoveTo(200, 200);
  EXPECT_EQ(b.m_nImage, 0);
  b.Enable(false);
  EXPECT_EQ(b.m_nImage, 3);
  MoveTo(30, 30);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  for (AREA_CALLBACK h :
       {QButton::OnMouseIn, QButton::OnPress, QButton::OnHover, QButton::OnMouseOut})
    h(&b);
  EXPECT_EQ(b.m_nImage, 3);
  b.Enable(true);
  EXPECT_EQ(b.m_nImage, 0);
}

TEST_F(ButtonTest, HitTestSkipsKeyPixels) {
  PutImage("BTNHOLEAA0", 40, 20, 0x1111, tagRECT{10, 5, 20, 10});
  QButton b(tagRECT{100, 100, 139, 119}, "", "", "BTNHOLEAA");
  b.m_dwState = 1;
  for (auto [x, y, hit] :
       {std::tuple{109, 105, true}, {110, 105, false}, {120, 109, true}, {140, 100, false}})
    EXPECT_EQ(b.IsPointed(x, y), hit) << x << "," << y;
  b.m_nImage = QButton::LOOK_HIDDEN;
  EXPECT_FALSE(b.IsPointed(109, 105));
}

TEST_F(ButtonTest, FlashFallsBackToNormalAfter200Milliseconds) {
  PutLooks({0, 1, 2, 3});
  QButton a(tagRECT{0, 0, 59, 19}, "", "", "BTNTESTAA"),
      b(tagRECT{100, 0, 159, 19}, "", "", "BTNTESTAA");
  a.SetFlash(true);
  b.SetFlash(true);
  chains_->Add(&a, CHAIN_TOP);
  chains_->Add(&b, CHAIN_TOP);
  MoveTo(10, 10);
  Raise(&QArea::m_pfnHover);  // starts the shared timer
  clock_->Advance(200);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(a.m_nImage, 1);
  clock_->Advance(1);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(a.m_nImage, 0);
  EXPECT_EQ(tessera::ButtonFlashTimer(), 0u);
  // a left after 150 ms: b still gets its whole 200 ms.
  QButton::OnMouseIn(&a);
  Raise(&QArea::m_pfnHover);
  clock_->Advance(150);
  MoveTo(110, 10);
  clock_->Advance(100);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(b.m_nImage, 1);
  clock_->Advance(201);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(b.m_nImage, 0);
}

TEST_F(ButtonTest, GhostIsTranslucentWithAnOpaqueCaption) {
  PutLooks({0, 1, 2, 3});
  PutImage("BTNOTHERA2", 80, 20, 0x0C63);
  QButton b(tagRECT{10, 10, 109, 29}, "AB", "", "BTNTESTAA");
  b.m_bGhost = true;
  constexpr unsigned short kBack = 0x4210;
  DIBSURFACE* frame = Frame(kBack);
  b.Show(frame);
  EXPECT_EQ(frame->GetPixel(12, 12).GetColor(), ReferenceTransMix(kLook[0], kBack, 11));
  EXPECT_EQ(frame->GetPixel(53, 13).GetColor(), 0);  // caption dot
  EXPECT_EQ(frame->GetPixel(54, 14).GetColor(), 0x7FFF);
  EXPECT_EQ(frame->GetPixel(75, 12).GetColor(), kBack);
  b.ChangeImage("AB", "", "BTNOTHERA");  // new images are picked up
  b.m_nImage = 2;
  b.Show(frame);
  EXPECT_EQ(frame->GetPixel(80, 12).GetColor(), ReferenceTransMix(0x0C63, kBack, 11));
}

// Press plays the area's click sound (the sound rules are the area's).
TEST_F(ButtonTest, PressPlaysTheClickSound) {
  std::filesystem::create_directories("wav");
  const std::string samples(16, '\0');
  ASSERT_TRUE(
      tessera::WriteWaveFile("wav\\click.WAV", 1, 22050, 16, samples.data(), samples.size()));
  QButton b(tagRECT{0, 0, 59, 19}, "", "", "NOSUCHIMG");
  ASSERT_TRUE(AfxCreateSound(nullptr));
  tessera::ClearHeadlessAudioLog();
  QButton::OnPress(&b);
  EXPECT_EQ(tessera::HeadlessAudioLog().back().find("Play"), 3u);
}

}  // namespace
