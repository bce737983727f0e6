// QButton: looks loaded per digit, captions printed at load, the text
// limits, look changes through the chain manager and the game's events,
// the flash and ghost effects, hit testing and the click sound.
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/font_state.h"
#include "engine/rle_surface.h"
#include "gui/button.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "sound/wave_file.h"
#include "support/surface_helpers.h"
#include "widget_fixture.h"

namespace {

using tessera::test::WidgetTest;

constexpr unsigned short kLookColour[4] = {0x001F, 0x03E0, 0x7C00, 0x3DEF};
constexpr unsigned short kBlack = 0, kWhite = 0x7FFF;

class ButtonTest : public WidgetTest {
 protected:
  // Looks "BTNTESTAA<d>" for the digits given, look d being 60 + d pixels
  // wide, 20 high, in its own colour.
  void PutLooks(const std::string& base, std::initializer_list<int> digits) {
    for (int d : digits) PutImage(base + std::to_string(d), 60 + d, 20, kLookColour[d]);
  }
  unsigned short LookPixel(const QButton& b, int look, int x, int y) {
    return b.m_pImage[look]->GetPixel(x, y).GetColor();
  }
};

TEST_F(ButtonTest, EachLookIsLoadedFromTheBasePlusItsDigit) {
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  QButton b(tagRECT{10, 10, 69, 29}, "", "", "BTNTESTAAXYZ");  // only nine characters count
  EXPECT_STREQ(b.m_szImageBase, "BTNTESTAA");
  EXPECT_STREQ(b.m_szType, "Btn");
  EXPECT_EQ(b.m_dwState, 4u);
  for (int look = 0; look < 4; ++look) {
    ASSERT_NE(b.m_pImage[look], nullptr) << look;
    EXPECT_EQ(b.m_pImage[look]->GetWidth(), 60 + look);
    EXPECT_EQ(LookPixel(b, look, 0, 0), kLookColour[look]);
    // No caption: the image as loaded, run-length after the layered try.
    EXPECT_NE(dynamic_cast<RLESURFACE*>(b.m_pImage[look]), nullptr);
  }
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(ButtonTest, ShortBaseKeepsTheOldLooks) {
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  PutLooks("BTNOTHERB", {0});
  QButton b(tagRECT{0, 0, 59, 19}, "", "", "BTNTESTAA");
  SURFACE* before[4];
  memcpy(before, b.m_pImage, sizeof(before));
  b.ChangeImage("new", "tip", "BTNOTHER");  // eight characters
  EXPECT_EQ(memcmp(before, b.m_pImage, sizeof(before)), 0);
  EXPECT_STREQ(b.m_szImageBase, "BTNTESTAA");
  EXPECT_STREQ(b.m_szCaption, "new");  // the texts are still taken
  EXPECT_STREQ(b.m_szTip, "tip");
  b.ChangeImage(nullptr, nullptr, nullptr);
  EXPECT_EQ(memcmp(before, b.m_pImage, sizeof(before)), 0);
  EXPECT_STREQ(b.m_szCaption, "new");
}

TEST_F(ButtonTest, MissingLooksStayEmptyAndTheDisabledOneCopiesTheNormalImage) {
  PutLooks("BTNTESTAA", {0, 1});
  QButton b(tagRECT{0, 0, 99, 19}, "AB", "", "BTNTESTAA");
  EXPECT_NE(b.m_pImage[0], nullptr);
  EXPECT_NE(b.m_pImage[1], nullptr);
  EXPECT_EQ(b.m_pImage[2], nullptr);
  ASSERT_NE(b.m_pImage[3], nullptr);
  // The copy is the normal image without the caption.
  EXPECT_EQ(b.m_pImage[3]->GetWidth(), 60);
  EXPECT_EQ(LookPixel(b, 3, 43, 3), kLookColour[0]);
  EXPECT_EQ(LookPixel(b, 0, 43, 3), kBlack);
  // Pressing without a pressed look keeps the current look.
  b.m_nImage = 1;
  QButton::OnPress(&b);
  EXPECT_EQ(b.m_nImage, 1);

  // Nothing in the pack at all: no looks, nothing drawn, the whole
  // rectangle still hit.
  QButton none(tagRECT{0, 0, 9, 9}, "x", "", "NOSUCHIMG");
  for (SURFACE* s : none.m_pImage) EXPECT_EQ(s, nullptr);
  auto frame = Frame(0x1234);
  none.m_dwState = 1;
  none.Show(frame.get());
  EXPECT_EQ(frame->GetPixel(0, 0).GetColor(), 0x1234);
  EXPECT_TRUE(none.IsPointed(9, 9));
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

// Caption placement: x centred in the rectangle by the caption's width at
// the button's font size (or 5 from the left), y centred by the font's
// height; a white shadow one pixel down and right, the text black.
TEST_F(ButtonTest, CaptionIsPrintedIntoEveryLookAtLoad) {
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  struct Case {
    int font;
    bool center;
    int bottom;  // of the button's rectangle; the images are 20 high
    int x, y;
  } cases[] = {
      {12, true, 19, (99 - 12) / 2, (19 - 12) / 2},
      {12, false, 19, 5, (19 - 12) / 2},
      {16, true, 19, (99 - 16) / 2, (19 - 16) / 2},
      {24, true, 29, (99 - 24) / 2, (29 - 24) / 2},
      {16, true, 9, (99 - 16) / 2, (9 - 16) / 2},  // -3: above the image
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font);
    tessera::SetCurrentFontSize(24);
    QButton b;
    b.Create(tagRECT{0, 0, 99, c.bottom}, "AB", "", "BTNTESTAA", c.center);
    if (c.font != 12) b.SetFontSize(c.font);
    EXPECT_EQ(tessera::CurrentFontSize(), 24);  // put back
    const int half = c.font / 2;
    for (int look = 0; look < 4; ++look) {
      EXPECT_NE(dynamic_cast<RLESURFACE*>(b.m_pImage[look]), nullptr);
      if (c.y < 0) {
        // Only what lies on the image is printed: nothing here.
        for (int x = 0; x < 60; ++x) EXPECT_EQ(LookPixel(b, look, x, 0), kLookColour[look]);
        continue;
      }
      EXPECT_EQ(LookPixel(b, look, c.x, c.y), kBlack) << look;
      EXPECT_EQ(LookPixel(b, look, c.x + half, c.y), kBlack) << look;
      EXPECT_EQ(LookPixel(b, look, c.x + 1, c.y + 1), kWhite) << look;
      EXPECT_EQ(LookPixel(b, look, c.x + half + 1, c.y + 1), kWhite) << look;
      EXPECT_EQ(LookPixel(b, look, c.x + 2, c.y + 1), kLookColour[look]) << look;
      EXPECT_EQ(LookPixel(b, look, c.x - 1, c.y), kLookColour[look]) << look;
    }
  }
}

TEST_F(ButtonTest, CaptionAndTipLengthLimits) {
  struct Case {
    size_t caption, tip;
    bool caption_taken, tip_taken;
  } cases[] = {{104, 19, true, true}, {105, 20, false, false}, {0, 0, true, true}, {300, 100, false, false}};
  for (const Case& c : cases) {
    QButton b(tagRECT{0, 0, 9, 9}, "old", "old tip", "NOSUCHIMG");
    const std::string caption(c.caption, 'c'), tip(c.tip, 't');
    b.ChangeImage(caption.c_str(), tip.c_str(), nullptr);
    EXPECT_EQ(std::string(b.m_szCaption), c.caption_taken ? caption : "old") << c.caption;
    EXPECT_EQ(std::string(b.m_szTip, strnlen(b.m_szTip, 20)), c.tip_taken ? tip : "old tip") << c.tip;
  }
}

TEST_F(ButtonTest, LooksFollowTheMouseThroughTheChainManager) {
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  QButton b(tagRECT{20, 20, 79, 39}, "", "press me", "BTNTESTAA");
  chains_->Add(&b, CHAIN_TOP);
  EXPECT_EQ(b.m_nImage, 0);
  MoveTo(30, 30);
  EXPECT_EQ(AfxGetNowArea(), &b);
  EXPECT_EQ(b.m_nImage, 1);
  EXPECT_STREQ(g_szTipText, "press me");
  Hover();
  EXPECT_EQ(b.m_nImage, 1);
  Press();
  EXPECT_EQ(b.m_nImage, 2);
  Hover();  // the pressed look stays while the mouse moves on it
  EXPECT_EQ(b.m_nImage, 2);
  Click();
  EXPECT_EQ(b.m_nImage, 0);
  Hover();  // the normal look stays too
  EXPECT_EQ(b.m_nImage, 0);
  MoveTo(200, 200);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(b.m_nImage, 0);
  EXPECT_STREQ(g_szTipText, "");

  // The drawn look follows m_nImage.
  auto frame = Frame();
  b.m_nImage = 2;
  chains_->ShowAll(frame.get());
  EXPECT_EQ(frame->GetPixel(20, 20).GetColor(), kLookColour[2]);
  EXPECT_EQ(frame->GetPixel(20 + 62, 20).GetColor(), 0);

  b.Enable(false);
  EXPECT_EQ(b.m_nImage, 3);
  MoveTo(30, 30);
  EXPECT_EQ(AfxGetNowArea(), nullptr);  // never pointed
  for (int x = 15; x < 90; x += 5) EXPECT_FALSE(b.IsPointed(x, 30));
  QButton::OnMouseIn(&b);
  QButton::OnPress(&b);
  QButton::OnHover(&b);
  QButton::OnMouseOut(&b);
  EXPECT_EQ(b.m_nImage, 3);  // handlers do nothing while disabled
  b.Enable(true);
  EXPECT_EQ(b.m_nImage, 0);
  EXPECT_TRUE(b.IsPointed(30, 30));
}

TEST_F(ButtonTest, HitTestSkipsKeyPixelsOfRunLengthLooks) {
  PutImage("BTNHOLEAA0", 40, 20, 0x1111, tagRECT{10, 5, 20, 10});
  QButton b(tagRECT{100, 100, 139, 119}, "", "", "BTNHOLEAA");
  b.m_dwState = 1;
  EXPECT_TRUE(b.IsPointed(100, 100));
  EXPECT_TRUE(b.IsPointed(109, 105));
  EXPECT_FALSE(b.IsPointed(110, 105));
  EXPECT_FALSE(b.IsPointed(119, 109));
  EXPECT_TRUE(b.IsPointed(120, 109));
  EXPECT_FALSE(b.IsPointed(140, 100));  // outside the rectangle
  b.m_nImage = QButton::LOOK_HIDDEN;
  EXPECT_FALSE(b.IsPointed(100, 100));
  b.m_nImage = 1;  // no hover image: the whole rectangle
  EXPECT_TRUE(b.IsPointed(110, 105));
  b.m_dwState = 2;
  EXPECT_FALSE(b.IsPointed(100, 100));
}

TEST_F(ButtonTest, FlashReturnsToNormalAfter200Milliseconds) {
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  QButton a(tagRECT{0, 0, 59, 19}, "", "", "BTNTESTAA"), b(tagRECT{100, 0, 159, 19}, "", "", "BTNTESTAA");
  a.SetFlash(true);
  b.SetFlash(true);
  chains_->Add(&a, CHAIN_TOP);
  chains_->Add(&b, CHAIN_TOP);
  MoveTo(10, 10);
  EXPECT_EQ(a.m_nImage, 1);
  Hover();  // starts the timer
  EXPECT_EQ(tessera::ButtonFlashTimer(), 5000u);
  clock_->Advance(200);
  Hover();
  EXPECT_EQ(a.m_nImage, 1);
  clock_->Advance(1);
  Hover();
  EXPECT_EQ(a.m_nImage, 0);
  EXPECT_EQ(tessera::ButtonFlashTimer(), 0u);
  clock_->Advance(1000);
  Hover();  // it stays normal under the resting mouse
  EXPECT_EQ(a.m_nImage, 0);

  // Leaving a before its 200 ms: b still gets its full 200 ms.
  MoveTo(12, 12);
  QButton::OnMouseIn(&a);
  Hover();
  clock_->Advance(150);
  MoveTo(110, 10);
  EXPECT_EQ(b.m_nImage, 1);
  clock_->Advance(100);
  Hover();
  EXPECT_EQ(b.m_nImage, 1);
  clock_->Advance(201);
  Hover();
  EXPECT_EQ(b.m_nImage, 0);

  // Without flash the hover event brings back the hover look.
  b.SetFlash(false);
  b.m_nImage = 3;
  Hover();
  EXPECT_EQ(b.m_nImage, 1);
}

TEST_F(ButtonTest, GhostDrawsTheLookTranslucentAndTheCaptionOpaque) {
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  QButton b(tagRECT{10, 10, 109, 29}, "AB", "", "BTNTESTAA");
  b.m_bGhost = true;
  b.m_dwState = 1;
  constexpr unsigned short kBack = 0x4210;
  auto frame = Frame(kBack);
  b.Show(frame.get());
  const int cx = 10 + (99 - 12) / 2, cy = 10 + (19 - 12) / 2;
  // Away from the caption: the look at level 21 over the background.
  EXPECT_EQ(frame->GetPixel(12, 12).GetColor(), tessera::test::ReferenceTransMix(kLookColour[0], kBack, 32 - 21));
  // The caption dots: opaque black and white over the translucent look.
  EXPECT_EQ(frame->GetPixel(cx, cy).GetColor(), kBlack);
  EXPECT_EQ(frame->GetPixel(cx + 1, cy + 1).GetColor(), kWhite);
  // Outside the look (60 wide): untouched.
  EXPECT_EQ(frame->GetPixel(75, 12).GetColor(), kBack);

  // A new look is picked up, and so are reloaded images.
  b.m_nImage = 2;
  b.Show(frame.get());
  EXPECT_EQ(frame->GetPixel(12, 12).GetColor(),
            tessera::test::ReferenceTransMix(kLookColour[2], tessera::test::ReferenceTransMix(kLookColour[0], kBack, 32 - 21), 32 - 21));
  PutImage("BTNOTHERA2", 80, 20, 0x0C63);
  b.ChangeImage("AB", "", "BTNOTHERA");
  auto fresh = Frame(kBack);
  b.Show(fresh.get());
  EXPECT_EQ(fresh->GetPixel(12, 12).GetColor(), tessera::test::ReferenceTransMix(0x0C63, kBack, 32 - 21));
  EXPECT_EQ(fresh->GetPixel(10 + 70, 12).GetColor(), tessera::test::ReferenceTransMix(0x0C63, kBack, 32 - 21));
}

TEST_F(ButtonTest, PressPlaysTheClickSound) {
  std::filesystem::create_directories("wav");
  std::string samples(16, '\0');
  ASSERT_TRUE(tessera::WriteWaveFile("wav\\click.WAV", 1, 22050, 16, samples.data(), samples.size()));
  PutLooks("BTNTESTAA", {0, 1, 2, 3});
  QButton b(tagRECT{0, 0, 59, 19}, "", "", "BTNTESTAA");
  QButton::OnPress(&b);  // no sound device yet: silent, no fault
  ASSERT_TRUE(AfxCreateSound(nullptr));
  tessera::ClearHeadlessAudioLog();
  QButton::OnPress(&b);
  bool played = false;
  for (const std::string& line : tessera::HeadlessAudioLog()) played |= line.find("Play") != std::string::npos;
  EXPECT_TRUE(played);
  b.m_szSound[0] = 0;
  tessera::ClearHeadlessAudioLog();
  QButton::OnPress(&b);
  EXPECT_TRUE(tessera::HeadlessAudioLog().empty());
}

}  // namespace
