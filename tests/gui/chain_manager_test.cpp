// CChainManager: layers, drawing order, hit testing from the top layer,
// mouse-in and mouse-out, the tip delay of 400 ms and chain membership.
#include <cstring>
#include <string>
#include <vector>

#include "gui/area_chain.h"
#include "gui_fixture.h"

namespace {

std::vector<std::string> g_events;

struct Named : QArea {
  Named(const char* n, int l = 0, int t = 0, int r = 9, int b = 9) : QArea(l, t, r, b), name(n) {
    m_pfnMouseOut = MouseOut;
    chained_in = m_pfnMouseIn;
    m_pfnMouseIn = MouseIn;
  }
  void Show(SURFACE* target) override {
    g_events.push_back("show " + name);
    QArea::Show(target);
  }
  static void MouseIn(void* p) {
    Named* a = static_cast<Named*>(p);
    g_events.push_back("in " + a->name);
    a->chained_in(p);  // the default tip handler
  }
  static void MouseOut(void* p) { g_events.push_back("out " + static_cast<Named*>(p)->name); }
  std::string name;
  AREA_CALLBACK chained_in;
};

class ChainManagerTest : public tessera::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    g_events.clear();
  }
};

using Events = std::vector<std::string>;

TEST_F(ChainManagerTest, AddAndDeleteByLayer) {
  Named a("a");
  for (int layer : {-1, 3}) {
    EXPECT_FALSE(chains_->Add(&a, static_cast<enChainLayer>(layer)));
    EXPECT_EQ(a.m_pAreaChain, nullptr);
  }
  EXPECT_TRUE(chains_->Add(&a, CHAIN_MIDDLE));
  EXPECT_EQ(a.m_pAreaChain, chains_->GetChain(1));
  EXPECT_TRUE(chains_->Delete(&a, static_cast<enChainLayer>(7)));  // no such layer: kept
  EXPECT_EQ(chains_->GetChain(1)->GetCount(), 1);
  EXPECT_TRUE(chains_->Delete(&a, CHAIN_MIDDLE));
  EXPECT_EQ(a.m_dwState, 4u);
  EXPECT_EQ(chains_->GetChain(1)->GetCount(), 0);
}

// Bottom layer first; the tip shows more than 400 ms after the last
// refresh (any refresh, also off the screen), across the clock's wrap.
TEST_F(ChainManagerTest, ShowAllOrderAndTheTipDelay) {
  Named top("top"), scene("scene"), bubble("bubble"), hidden("hidden");
  chains_->Add(&top, CHAIN_TOP);
  chains_->Add(&bubble, CHAIN_MIDDLE);
  chains_->Add(&scene, CHAIN_BOTTOM);
  chains_->Add(&hidden, CHAIN_BOTTOM);
  hidden.SetState(QAREA_HIDE, nullptr);
  MoveTo(100, 100);
  chains_->ShowAll(nullptr);
  EXPECT_EQ(g_events, (Events{"show scene", "show bubble", "show top"}));
  EXPECT_FALSE(AfxGetMouse()->m_bTip);
  clock_->Advance(400);
  EXPECT_FALSE(chains_->NeedTip());
  clock_->Advance(1);
  chains_->ShowAll(nullptr);
  EXPECT_TRUE(AfxGetMouse()->m_bTip);
  MoveTo(-1, 0);
  EXPECT_FALSE(chains_->NeedTip());
  clock_->Set(0xFFFFFF00u);
  MoveTo(2, 2);
  clock_->Set(0x00000092u);
  EXPECT_TRUE(chains_->NeedTip());  // 0x192 = 402 ms later
}

TEST_F(ChainManagerTest, MouseInAndOutSequence) {
  Named a("a", 0, 0, 49, 49), b("b", 50, 0, 99, 49);
  a.m_pTarget = &b;  // the callbacks get the area itself, not its target
  chains_->Add(&a, CHAIN_TOP);
  chains_->Add(&b, CHAIN_TOP);
  strcpy(a.m_szTip, "tip of a");
  strcpy(b.m_szTip, "tip of b");
  MoveTo(10, 10);
  EXPECT_EQ(AfxGetPreArea(), &a);
  EXPECT_STREQ(g_szTipText, "tip of a");
  MoveTo(49, 49);  // within the same area: nothing further
  MoveTo(50, 0);   // a's mouse-out before b's mouse-in
  EXPECT_EQ(AfxGetNowArea(), &b);
  MoveTo(300, 200);  // empty screen: b's mouse-out, both pointers cleared
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), nullptr);
  MoveTo(301, 200);  // no second mouse-out
  b.SetState(QAREA_HIDE, nullptr);
  MoveTo(60, 10);  // a hidden area is not found
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(g_events, (Events{"in a", "out a", "in b", "out b"}));
  // The top layer covers lower layers whatever the order of adding.
  Named scene("scene", 0, 0, 199, 199);
  chains_->Add(&scene, CHAIN_BOTTOM);
  MoveTo(10, 10);
  EXPECT_EQ(AfxGetNowArea(), &a);
}

// The screen's own edges are inside; off the screen the area under the
// mouse stays and no mouse-out is raised.
TEST_F(ChainManagerTest, ScreenEdgesAreInsideAndOffScreenChangesNothing) {
  Named corner("corner", 300, 200, 400, 300);
  chains_->Add(&corner, CHAIN_BOTTOM);
  MoveTo(320, 240);
  EXPECT_EQ(AfxGetNowArea(), &corner);
  for (const tagPOINT& p :
       {tagPOINT{321, 210}, tagPOINT{310, 241}, tagPOINT{-1, 0}, tagPOINT{0, -1}}) {
    MoveTo(p.x, p.y);
    EXPECT_EQ(AfxGetNowArea(), &corner);
    EXPECT_EQ(AfxGetPreArea(), &corner);
  }
  EXPECT_EQ(g_events, (Events{"in corner"}));
}

// Removing the area under the mouse and in focus clears the pointers
// without a focus message, and the next refresh has nobody to tell.
TEST_F(ChainManagerTest, RemovingTheAreaUnderTheMouseOrInFocus) {
  {
    Named a("a", 0, 0, 49, 49);
    chains_->Add(&a, CHAIN_TOP);
    MoveTo(5, 5);
    AfxSetNowFocus(&a);
    chains_->Delete(&a, CHAIN_TOP);
    EXPECT_EQ(AfxGetNowFocus(), nullptr);
    EXPECT_EQ(AfxGetNowArea(), nullptr);
    EXPECT_EQ(AfxGetPreArea(), nullptr);
    EXPECT_TRUE(tessera::ReceivedMessages(window_).empty());
  }
  MoveTo(6, 6);
  EXPECT_EQ(g_events, (Events{"in a"}));
}

TEST_F(ChainManagerTest, NoCursorMeansNoHitTest) {
  Named a("a", 0, 0, 49, 49);
  chains_->Add(&a, CHAIN_TOP);
  AfxFreeEngine();
  chains_->RefreshAll();
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  chains_->ShowAll(nullptr);  // no cursor to tell
  EXPECT_EQ(g_events, (Events{"show a"}));
}

}  // namespace
