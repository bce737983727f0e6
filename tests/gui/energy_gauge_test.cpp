// QEnergy: the part of the bar shown for a value (also out of range), the
// bar images found, animation and stopping, the fade steps, back and cover.
#include "gui/energy_gauge.h"

#include <string>
#include <vector>

#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::ReferenceTransMix;  // its weight is the destination's: 32 - level

unsigned short Bar(int i) { return static_cast<unsigned short>(0x0400 + i); }

class EnergyTest : public tessera::test::GuiTest {
 protected:
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

TEST_F(EnergyTest, OnlyTheFilledPartShows) {
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

TEST_F(EnergyTest, AnimationUpToTheFirstMissingImage) {
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

TEST_F(EnergyTest, OldBarFadesOverThirtyOneFrames) {
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

TEST_F(EnergyTest, BackgroundCoverAndBadInput) {
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
