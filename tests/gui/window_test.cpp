// QWindow: the image gives the size and the hit test, plain or translucent
// drawing, the style flags, the surface cache, and the failure message.
#include <memory>
#include <regex>
#include <string>

#include "engine/rle_surface.h"
#include "engine/surface_manager.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/window.h"
#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"

namespace {

using tessera::test::GuiTest;

constexpr unsigned short kBlue = 0x001F, kGrey = 0x4210;

class WindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    // 6 x 4, key-coloured left column: the panel's transparent edge.
    std::unique_ptr<SURFACE> s(Solid(6, 4, kBlue));
    for (int y = 0; y < 4; ++y) s->SetPixel(0, y, COLOR_KEY);
    AddImage("PANEL00000", s.get());
  }
  char* Name() { return name_; }
  char name_[16] = "PANEL00000";
};

bool CannotCreateMessage(const std::string& text) {
  return std::regex_match(text, std::regex("Could not create surface! .*window\\.cpp [0-9]+"));
}

TEST_F(WindowTest, TakesTheImageSizeAndIsHitOnlyOnOpaquePixels) {
  QWindow w(20, 30, 99, 99, Name(), QWIN_DIB);
  EXPECT_STREQ(w.m_szType, "Win");
  EXPECT_EQ(w.m_dwState, QAREA_CLOSE);
  EXPECT_EQ(w.m_nAlpha, 31);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_EQ(w.m_rcArea.right, 25);
  EXPECT_EQ(w.m_rcArea.bottom, 33);
  EXPECT_EQ(w.m_nWidth, 6);
  EXPECT_EQ(w.m_nHeight, 4);
  // The hit test ignores the state: a closed window is hit too.
  EXPECT_FALSE(w.IsPointed(20, 31));  // key-coloured column
  EXPECT_TRUE(w.IsPointed(21, 30));
  EXPECT_TRUE(w.IsPointed(25, 33));
  EXPECT_FALSE(w.IsPointed(26, 33));
  EXPECT_FALSE(w.IsPointed(25, 34));
  EXPECT_FALSE(w.IsPointed(19, 31));
  EXPECT_TRUE(tessera::HeadlessMessages().empty());

  // Through the chain manager: the point on the transparent column goes
  // to the area below.
  QArea below(0, 0, 159, 119);
  CChainManager* chains = AfxGetChainManager();
  chains->Add(&below, CHAIN_BOTTOM);
  chains->Add(&w, CHAIN_TOP);
  EXPECT_EQ(chains->GetChain(CHAIN_TOP)->Search(20, 31), nullptr);
  EXPECT_EQ(chains->GetChain(CHAIN_TOP)->Search(22, 31), &w);
}

TEST_F(WindowTest, DrawsKeyedAboveLevel28AndTranslucentBelow) {
  QWindow w(10, 10, 10, 10, Name(), QWIN_DIB);
  DIBSURFACE* f = vm_->GetRenderSurface();
  for (int level : {31, 29, 28, 20, 0}) {
    ClearFrame(kGrey);
    w.m_dwState = QAREA_HIDE;
    w.m_nAlpha = level;
    w.Show(f);
    EXPECT_EQ(w.m_dwState, QAREA_SHOW) << level;
    const unsigned short want = level > 28 ? kBlue : Trans(kBlue, kGrey, level);
    for (int y = 9; y <= 14; ++y)
      for (int x = 9; x <= 16; ++x) {
        const bool image = x >= 11 && x <= 15 && y >= 10 && y <= 13;
        ASSERT_EQ(f->GetPixel(x, y).GetColor(), image ? want : kGrey) << level << " " << x << "," << y;
      }
  }
}

TEST_F(WindowTest, ResizeSnapsBackToTheImage) {
  QWindow w(10, 10, 10, 10, Name(), QWIN_DIB);
  w.Resize(40, 50, 100, 100);
  EXPECT_EQ(w.m_rcArea.left, 40);
  EXPECT_EQ(w.m_rcArea.top, 50);
  EXPECT_EQ(w.m_rcArea.right, 45);
  EXPECT_EQ(w.m_rcArea.bottom, 53);
  EXPECT_EQ(w.m_nWidth, 6);
  // Without an image the rectangle is taken as given.
  QWindow bare;
  bare.ACreate(0, 0, 9, 9);
  bare.Resize(5, 5, 24, 14);
  EXPECT_EQ(bare.m_rcArea.right, 24);
  EXPECT_EQ(bare.m_nHeight, 10);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(WindowTest, StyleComesFromTheLowestFlagBit) {
  QWindow w;
  w.ACreate(0, 0, 9, 9);
  w.SetBackImage(Name(), QWIN_RLE | QWIN_ALPHA);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_NE(dynamic_cast<RLESURFACE*>(w.m_pBackImage), nullptr);
  w.SetBackImage(Name(), QWIN_DIB | QWIN_RLE);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_EQ(dynamic_cast<RLESURFACE*>(w.m_pBackImage), nullptr);
  EXPECT_EQ(w.m_pBackImage->GetStyle(), SS_DIB);
  // A null name drops the image.
  w.SetBackImage(nullptr, QWIN_DIB);
  EXPECT_EQ(w.m_pBackImage, nullptr);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(WindowTest, CachedImageIsSharedAndReleased) {
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  {
    QWindow a(0, 0, 0, 0, Name(), QWIN_DIB | QWIN_CACHED);
    QWindow b(50, 0, 50, 0, Name(), QWIN_DIB | QWIN_CACHED);
    ASSERT_NE(a.m_pBackImage, nullptr);
    EXPECT_EQ(a.m_pBackImage, b.m_pBackImage);
    EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 2);
    // A plain load is not cached.
    QWindow c(0, 0, 0, 0, Name(), QWIN_DIB);
    EXPECT_NE(c.m_pBackImage, a.m_pBackImage);
    EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 2);
  }
  EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 0);
}

TEST_F(WindowTest, NoStyleOrMissingImageIsReportedAndLeavesNoImage) {
  char missing[] = "NOSUCH0000";
  struct {
    char* name;
    int flags;
  } const cases[] = {{Name(), 0}, {Name(), QWIN_CACHED}, {missing, QWIN_DIB}, {missing, QWIN_DIB | QWIN_CACHED}};
  for (const auto& c : cases) {
    tessera::ClearHeadlessMessages();
    QWindow w(10, 10, 29, 19, c.name, c.flags);
    EXPECT_EQ(w.m_pBackImage, nullptr) << c.flags;
    ASSERT_EQ(tessera::HeadlessMessages().size(), 1u) << c.flags;
    EXPECT_TRUE(CannotCreateMessage(tessera::HeadlessMessages()[0].text)) << tessera::HeadlessMessages()[0].text;
    // The rectangle stays as given; every point inside is hit, in any
    // state; nothing is drawn.
    EXPECT_EQ(w.m_rcArea.right, 29);
    EXPECT_TRUE(w.IsPointed(29, 19));
    EXPECT_FALSE(w.IsPointed(30, 19));
    ClearFrame(kGrey);
    w.Show(vm_->GetRenderSurface());
    EXPECT_EQ(Find(vm_->GetRenderSurface(), kGrey).size(), size_t(kW * kH));
  }
}

TEST_F(WindowTest, DeletedWindowLeavesItsLayer) {
  auto* w = new QWindow(0, 0, 0, 0, Name(), QWIN_DIB);
  AfxGetChainManager()->Add(w, CHAIN_TOP);
  QAreaChain* top = AfxGetChainManager()->GetChain(CHAIN_TOP);
  EXPECT_EQ(top->GetCount(), 1);
  delete w;
  EXPECT_EQ(top->GetCount(), 0);
}

}  // namespace
