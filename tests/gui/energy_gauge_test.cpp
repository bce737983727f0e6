// QEnergy: the bar images found, the rows or columns shown for a value
// (also out of range), the animation steps, stopping, the fade of the old
// bar level by level, background and cover, and bad bases.
#include <regex>
#include <string>
#include <vector>

#include "gui/energy_gauge.h"
#include "platform/headless/headless_message_sink.h"
#include "support/surface_helpers.h"
#include "widget_fixture.h"

namespace {

using tessera::test::ReferenceTransMix;
using tessera::test::WidgetTest;

// Bar image i is 10 x 69 in colour 0x0400 + i.
unsigned short BarColour(int i) { return static_cast<unsigned short>(0x0400 + i); }

class EnergyTest : public WidgetTest {
 protected:
  void PutBars(const std::string& base, int count, int w = 10, int h = 69) {
    for (int i = 0; i < count; ++i) {
      char id[16];
      snprintf(id, sizeof(id), "%s%02d", base.c_str(), i);
      PutImage(id, w, h, BarColour(i));
    }
  }
  // Rows (vertical) or columns (horizontal) of the shown bar that hold the
  // bar, as a count from the far end; checks that the rest is key.
  int ShownLength(QEnergy& e) {
    SURFACE* s = e.m_pTempImage;
    const bool vertical = e.m_nDirection == 0;
    const int n = vertical ? s->GetHeight() : s->GetWidth();
    int shown = 0;
    for (int i = 0; i < n; ++i) {
      const unsigned short c = (vertical ? s->GetPixel(3, i) : s->GetPixel(i, 3)).GetColor();
      if (c != COLOR_KEY) {
        ++shown;
      } else {
        EXPECT_EQ(shown, 0) << "a key pixel after the bar began, at " << i;
      }
    }
    return shown;
  }
};

TEST_F(EnergyTest, BarShowsOnlyTheFilledPart) {
  PutBars("LIFEBARA", 2);
  PutBars("LIFEBARH", 1, 69, 10);  // bars of a horizontal gauge
  struct Case {
    int direction, energy, hidden;
  } cases[] = {
      {0, 100, 34},  // 69 x 100 / 200
      {0, 0, 69},   {0, 200, 0}, {0, 199, 0}, {0, 1, 68},
      {0, 250, 0},  // above the maximum: full
      {0, -50, 69},  // below 0: empty
      {0, -2147483647, 69}, {0, 2147483647, 0},
      {1, 100, 34}, {1, 50, 51},
  };
  for (const Case& c : cases) {
    QEnergy e;
    e.Create(0, 0, 9, 68, 200, 69, c.direction);
    ASSERT_TRUE(e.LoadImages(c.direction ? "LIFEBARH" : "LIFEBARA", nullptr, nullptr));
    e.SetEnergy(c.energy);
    EXPECT_EQ(e.HiddenLength(), c.hidden) << c.energy;
    e.m_dwTick = 0;
    auto frame = Frame();
    e.Show(frame.get());  // the next animation step draws the new value
    EXPECT_EQ(ShownLength(e), 69 - c.hidden) << c.direction << " " << c.energy;
  }
  // Until the first SetEnergy the gauge is empty.
  QEnergy fresh(0, 0, 9, 68);
  ASSERT_TRUE(fresh.LoadImages("LIFEBARA", nullptr, nullptr));
  EXPECT_EQ(fresh.m_nLost, 200);
  EXPECT_EQ(ShownLength(fresh), 0);
  // A gauge without maximum shows its bar rather than dividing by zero.
  fresh.SetStandard(0, 69, 0);
  EXPECT_EQ(fresh.HiddenLength(), 0);
}

TEST_F(EnergyTest, ImagesUpToTheFirstMissingOneAndTheAnimationWraps) {
  PutBars("LIFEBARB", 5);
  PutImage("LIFEBARB06", 10, 69, 0x7FFF);  // after the gap: not used
  QEnergy e(40, 40, 49, 108);
  ASSERT_TRUE(e.LoadImages("LIFEBARBXYZ", nullptr, nullptr));  // eight characters count
  EXPECT_EQ(e.m_nAniFrames, 5);
  e.SetEnergy(200);
  std::vector<int> frames;
  auto frame = Frame();
  for (int i = 0; i < 7; ++i) {
    clock_->Advance(101);
    e.Show(frame.get());
    frames.push_back(e.m_nAniFrame);
    EXPECT_EQ(frame->GetPixel(40, 40).GetColor(), BarColour(e.m_nAniFrame));
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 0, 1, 2}));
  // Exactly the speed is not enough for a step.
  clock_->Advance(100);
  e.Show(frame.get());
  EXPECT_EQ(e.m_nAniFrame, 2);

  // Stopped: neither the frame nor a new value shows until Play.
  e.Stop();
  e.SetEnergy(0);
  clock_->Advance(500);
  e.Show(frame.get());
  EXPECT_EQ(e.m_nAniFrame, 2);
  EXPECT_EQ(ShownLength(e), 69);
  e.Play();
  e.Show(frame.get());
  EXPECT_EQ(ShownLength(e), 0);
  e.SetSpeed(1000);
  clock_->Advance(999);
  e.Show(frame.get());
  EXPECT_EQ(e.m_nAniFrame, 3);
}

TEST_F(EnergyTest, OldBarFadesOverThirtyOneFrames) {
  PutBars("LIFEBARC", 1);
  QEnergy e(10, 10, 19, 78);
  ASSERT_TRUE(e.LoadImages("LIFEBARC", nullptr, nullptr));
  e.SetEnergy(200);
  e.m_dwTick = 0;
  auto frame = Frame();
  e.Show(frame.get());  // the full bar is drawn
  e.SetEnergy(100);     // and becomes the old one
  EXPECT_EQ(e.m_nFlash, 31);
  e.m_dwTick = 0;       // the next call draws the new value
  constexpr unsigned short kBack = 0x2108;
  std::vector<int> levels;
  for (int call = 0; call < 33; ++call) {
    auto f = Frame(kBack);
    e.Show(f.get());
    levels.push_back(e.m_nFlash);
    // Row 5 lies in the hidden part: only the fading old bar is there.
    const unsigned short want =
        call < 31 ? ReferenceTransMix(BarColour(0), kBack, 32 - (30 - call)) : kBack;
    EXPECT_EQ(f->GetPixel(13, 10 + 5).GetColor(), want) << call;
    // Row 50 is in the new bar, drawn over the old one.
    EXPECT_EQ(f->GetPixel(13, 10 + 50).GetColor(), BarColour(0)) << call;
  }
  std::vector<int> expected;
  for (int l = 30; l >= 0; --l) expected.push_back(l);
  expected.push_back(0);
  expected.push_back(0);
  EXPECT_EQ(levels, expected);
}

TEST_F(EnergyTest, BackgroundUpAndLeftAndTranslucentCover) {
  PutBars("LIFEBARD", 1, 4, 4);
  PutImage("LIFEBACK00", 6, 6, 0x0003);
  PutImage("LIFECOVER0", 4, 4, 0x7C00, tagRECT{2, 0, 4, 4});
  QEnergy e;
  e.Create(20, 20, 23, 23, 10, 4, 1);
  ASSERT_TRUE(e.LoadImages("LIFEBARD", "LIFECOVER0", "LIFEBACK00"));
  e.SetEnergy(10);
  e.m_nFlash = 0;
  e.m_dwTick = 0;
  auto frame = Frame();
  e.m_dwState = 1;
  e.Show(frame.get());
  EXPECT_EQ(frame->GetPixel(19, 19).GetColor(), 0x0003);  // background at (left - 1, top - 1)
  EXPECT_EQ(frame->GetPixel(24, 24).GetColor(), 0x0003);
  EXPECT_EQ(frame->GetPixel(25, 25).GetColor(), 0);
  EXPECT_EQ(frame->GetPixel(20, 20).GetColor(), ReferenceTransMix(0x7C00, BarColour(0), 32 - 24));
  EXPECT_EQ(frame->GetPixel(22, 20).GetColor(), BarColour(0));  // the cover's key part
  EXPECT_TRUE(e.IsPointed(23, 23));
  EXPECT_FALSE(e.IsPointed(24, 23));
  EXPECT_STREQ(e.m_szType, "Eng");
  // A cover or background that does not load is simply left out.
  ASSERT_TRUE(e.LoadImages("LIFEBARD", "NOSUCHCOVR", ""));
  EXPECT_EQ(e.m_pCoverImage, nullptr);
  EXPECT_EQ(e.m_pBackImage, nullptr);
}

TEST_F(EnergyTest, BadBaseIsReported) {
  QEnergy e(0, 0, 9, 9);
  for (const char* base : {static_cast<const char*>(nullptr), "SHORT7X"}) {
    tessera::ClearHeadlessMessages();
    EXPECT_FALSE(e.LoadImages(base, nullptr, nullptr));
    ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
    EXPECT_TRUE(std::regex_match(tessera::HeadlessMessages()[0].text,
                                 std::regex("Error ID to Load Sprite image!\n.*energy_gauge\\.cpp [0-9]+")));
  }
  // No image under the base: no bar, nothing drawn, no fault.
  tessera::ClearHeadlessMessages();
  EXPECT_TRUE(e.LoadImages("NOSUCHBA", nullptr, nullptr));
  EXPECT_EQ(e.m_nAniFrames, 0);
  e.SetEnergy(5);
  auto frame = Frame(0x0101);
  e.Show(frame.get());
  EXPECT_EQ(frame->GetPixel(0, 0).GetColor(), 0x0101);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

}  // namespace
