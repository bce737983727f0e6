// QWindow: the image gives the size and the hit test, plain or translucent
// drawing, the style flags, the surface cache, and the failure message.
#include "gui/window.h"

#include <memory>
#include <regex>
#include <string>

#include "engine/rle_surface.h"
#include "engine/surface_manager.h"
#include "gui/area_chain.h"
#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "support/surface_helpers.h"

namespace {

using tessera::HeadlessMessages;

constexpr unsigned short kBlue = 0x001F, kGrey = 0x4210;

class WindowTest : public tessera::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    PutImage("PANEL00000", 6, 4, kBlue, tagRECT{0, 0, 1, 4});  // a transparent left column
  }
  char name_[16] = "PANEL00000";
};

// The hit test ignores the state (a closed window is hit too) and goes
// through the transparent column to the area below.
TEST_F(WindowTest, TakesTheImageSizeAndIsHitOnlyOnOpaquePixels) {
  QWindow w(20, 30, 99, 99, name_, QWIN_DIB);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_EQ(w.m_rcArea.right, 25);
  EXPECT_EQ(w.m_rcArea.bottom, 33);
  for (auto [x, y, hit] : {std::tuple{20, 31, false},
                           {21, 30, true},
                           {25, 33, true},
                           {26, 33, false},
                           {25, 34, false},
                           {19, 31, false}})
    EXPECT_EQ(w.IsPointed(x, y), hit) << x << "," << y;
  QArea below(0, 0, 159, 119);
  chains_->Add(&below, CHAIN_BOTTOM);
  chains_->Add(&w, CHAIN_TOP);
  MoveTo(20, 31);
  EXPECT_EQ(AfxGetNowArea(), &below);
  MoveTo(22, 31);
  EXPECT_EQ(AfxGetNowArea(), &w);
  EXPECT_TRUE(HeadlessMessages().empty());
}

TEST_F(WindowTest, DrawsKeyedAboveLevel28AndTranslucentBelow) {
  QWindow w(10, 10, 10, 10, name_, QWIN_DIB);
  for (int level : {29, 28, 0}) {
    DIBSURFACE* f = Frame(kGrey);
    w.m_dwState = QAREA_HIDE;
    w.m_nAlpha = level;
    w.Show(f);
    EXPECT_EQ(w.m_dwState, QAREA_SHOW) << level;
    const unsigned short want =
        level > 28 ? kBlue : tessera::test::ReferenceTransMix(kBlue, kGrey, 32 - level);
    for (int y = 9; y <= 14; ++y)
      for (int x = 9; x <= 16; ++x) {
        const bool image = x >= 11 && x <= 15 && y >= 10 && y <= 13;
        ASSERT_EQ(f->GetPixel(x, y).GetColor(), image ? want : kGrey)
            << level << " " << x << "," << y;
      }
  }
}

// Resize snaps back to the image; without one the rectangle is taken.
TEST_F(WindowTest, ResizeSnapsBackToTheImage) {
  QWindow w(10, 10, 10, 10, name_, QWIN_DIB), bare;
  w.Resize(40, 50, 100, 100);
  EXPECT_EQ(w.m_rcArea.right, 45);
  EXPECT_EQ(w.m_rcArea.bottom, 53);
  bare.ACreate(0, 0, 9, 9);
  bare.Resize(5, 5, 24, 14);
  EXPECT_EQ(bare.m_rcArea.right, 24);
}

TEST_F(WindowTest, StyleComesFromTheLowestFlagBit) {
  QWindow w;
  w.ACreate(0, 0, 9, 9);
  w.SetBackImage(name_, QWIN_RLE | QWIN_ALPHA);
  EXPECT_NE(dynamic_cast<RLESURFACE*>(w.m_pBackImage), nullptr);
  w.SetBackImage(name_, QWIN_DIB | QWIN_RLE);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_EQ(w.m_pBackImage->GetStyle(), SS_DIB);
  w.SetBackImage(nullptr, QWIN_DIB);  // drops the image
  EXPECT_EQ(w.m_pBackImage, nullptr);
  EXPECT_TRUE(HeadlessMessages().empty());
}

TEST_F(WindowTest, CachedImageIsSharedAndReleased) {
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  {
    QWindow a(0, 0, 0, 0, name_, QWIN_DIB | QWIN_CACHED),
        b(50, 0, 50, 0, name_, QWIN_DIB | QWIN_CACHED);
    ASSERT_NE(a.m_pBackImage, nullptr);
    EXPECT_EQ(a.m_pBackImage, b.m_pBackImage);
    QWindow c(0, 0, 0, 0, name_, QWIN_DIB);  // a plain load is not cached
    EXPECT_NE(c.m_pBackImage, a.m_pBackImage);
    EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 2);
  }
  EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 0);
}

// No style bit or a missing image: reported, no image, the rectangle as
// given and hit everywhere in any state, nothing drawn.
TEST_F(WindowTest, NoStyleOrMissingImageIsReportedAndLeavesNoImage) {
  char missing[] = "NOSUCH0000";
  for (auto [name, flags] :
       {std::pair{name_, 0}, {missing, int(QWIN_DIB)}, {missing, QWIN_DIB | QWIN_CACHED}}) {
    SCOPED_TRACE(std::string(name) + " " + std::to_string(flags));
    tessera::ClearHeadlessMessages();
    QWindow w(10, 10, 29, 19, name, flags);
    EXPECT_EQ(w.m_pBackImage, nullptr);
    ASSERT_EQ(HeadlessMessages().size(), 1u);
    EXPECT_TRUE(std::regex_match(HeadlessMessages()[0].text,
                                 std::regex("Could not create surface! .*window\\.cpp [0-9]+")))
        << HeadlessMessages()[0].text;
    EXPECT_TRUE(w.IsPointed(29, 19));
    EXPECT_FALSE(w.IsPointed(30, 19));
    DIBSURFACE* f = Frame(kGrey);
    w.Show(f);
    EXPECT_EQ(Find(f, kGrey).size(), size_t(kW * kH));
  }
}

}  // namespace
