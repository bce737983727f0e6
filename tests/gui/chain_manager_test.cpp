// CChainManager: layers, drawing order, hit testing from the top layer,
// mouse-in and mouse-out, the tip delay of 400 ms and chain membership.
#include <cstring>
#include <string>
#include <vector>

#include "gui/area.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "input/mouse.h"
#include "testing/manual_clock.h"
#include "platform/window.h"
#include "public/engine.h"
#include "engine/view_manage.h"
#include "support/test_support.h"

using tessera::test::EngineTest;

namespace {

std::vector<std::string> g_events;

struct Named : QArea {
  Named(const char* n, int l, int t, int r, int b) : QArea(l, t, r, b), name(n) {
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

class ChainManagerTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_events.clear();
    clock_ = tessera::InstallManualClock(5000);
    AfxCreateMouse();
    chains_ = AfxGetChainManager();
  }
  void MoveTo(int x, int y) {
    AfxGetMouse()->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
    chains_->RefreshAll();
  }
  tessera::ManualClock* clock_ = nullptr;
  CChainManager* chains_ = nullptr;
};

TEST_F(ChainManagerTest, AddAndDeleteByLayer) {
  EXPECT_EQ(AfxGetChainManager(), chains_);
  Named a("a", 0, 0, 9, 9);
  for (int layer : {-1, 3}) {
    EXPECT_FALSE(chains_->Add(&a, static_cast<enChainLayer>(layer)));
    EXPECT_EQ(a.m_dwState, 3u);
    EXPECT_EQ(a.m_pAreaChain, nullptr);
  }
  EXPECT_TRUE(chains_->Add(&a, CHAIN_MIDDLE));
  EXPECT_EQ(a.m_dwState, 1u);
  EXPECT_EQ(a.m_pAreaChain, chains_->GetChain(1));
  EXPECT_EQ(chains_->GetChain(1)->GetCount(), 1);
  EXPECT_EQ(chains_->GetChain(0)->GetCount(), 0);
  EXPECT_EQ(chains_->GetChain(3), nullptr);

  EXPECT_TRUE(chains_->Delete(&a, static_cast<enChainLayer>(7)));
  EXPECT_EQ(a.m_dwState, 1u);
  EXPECT_EQ(chains_->GetChain(1)->GetCount(), 1);
  EXPECT_TRUE(chains_->Delete(&a, CHAIN_MIDDLE));
  EXPECT_EQ(a.m_dwState, 4u);
  EXPECT_EQ(chains_->GetChain(1)->GetCount(), 0);
}

TEST_F(ChainManagerTest, ShowAllDrawsBottomLayerFirstAndSetsTheTipFlag) {
  Named top("top", 0, 0, 9, 9), scene("scene", 0, 0, 9, 9), bubble("bubble", 0, 0, 9, 9),
      hidden("hidden", 0, 0, 9, 9);
  chains_->Add(&top, CHAIN_TOP);
  chains_->Add(&bubble, CHAIN_MIDDLE);
  chains_->Add(&scene, CHAIN_BOTTOM);
  chains_->Add(&hidden, CHAIN_BOTTOM);
  hidden.SetState(QAREA_HIDE, nullptr);
  MoveTo(100, 100);
  chains_->ShowAll(nullptr);
  EXPECT_EQ(g_events, (std::vector<std::string>{"show scene", "show bubble", "show top"}));
  EXPECT_FALSE(AfxGetMouse()->m_bTip);
  clock_->Advance(401);
  chains_->ShowAll(nullptr);
  EXPECT_TRUE(AfxGetMouse()->m_bTip);
}

TEST_F(ChainManagerTest, TipDelayIs400Milliseconds) {
  MoveTo(1, 1);
  EXPECT_FALSE(chains_->NeedTip());
  clock_->Advance(400);
  EXPECT_FALSE(chains_->NeedTip());
  clock_->Advance(1);
  EXPECT_TRUE(chains_->NeedTip());
  // Any refresh restarts it, also one off the screen.
  MoveTo(-1, 0);
  EXPECT_FALSE(chains_->NeedTip());
  // The unsigned difference survives the clock's wrap.
  clock_->Set(0xFFFFFF00u);
  MoveTo(2, 2);
  clock_->Set(0x00000092u);
  EXPECT_TRUE(chains_->NeedTip());  // 0x192 = 402 ms later
}

TEST_F(ChainManagerTest, TopLayerCoversLowerLayersWhateverTheOrderOfAdding) {
  Named ui("ui", 0, 0, 49, 49), scene("scene", 0, 0, 199, 199);
  chains_->Add(&ui, CHAIN_TOP);
  chains_->Add(&scene, CHAIN_BOTTOM);  // added later, still underneath
  MoveTo(10, 10);
  EXPECT_EQ(AfxGetNowArea(), &ui);
  MoveTo(100, 10);
  EXPECT_EQ(AfxGetNowArea(), &scene);
  EXPECT_EQ(g_events, (std::vector<std::string>{"in ui", "out ui", "in scene"}));
}

TEST_F(ChainManagerTest, MouseInAndOutSequence) {
  Named a("a", 0, 0, 49, 49), b("b", 50, 0, 99, 49);
  // The callbacks get the area itself, not its target.
  a.m_pTarget = &b;
  chains_->Add(&a, CHAIN_TOP);
  chains_->Add(&b, CHAIN_TOP);
  strcpy(a.m_szTip, "tip of a");
  strcpy(b.m_szTip, "tip of b");

  MoveTo(10, 10);
  EXPECT_EQ(AfxGetNowArea(), &a);
  EXPECT_EQ(AfxGetPreArea(), &a);
  EXPECT_STREQ(g_szTipText, "tip of a");
  // Within the same area: nothing further.
  MoveTo(20, 20);
  MoveTo(49, 49);
  EXPECT_EQ(g_events, (std::vector<std::string>{"in a"}));
  // From a to b: a's mouse-out before b's mouse-in.
  MoveTo(50, 0);
  EXPECT_EQ(g_events, (std::vector<std::string>{"in a", "out a", "in b"}));
  EXPECT_EQ(AfxGetNowArea(), &b);
  EXPECT_EQ(AfxGetPreArea(), &b);
  EXPECT_STREQ(g_szTipText, "tip of b");
  // Onto empty screen: b's mouse-out, both pointers cleared.
  MoveTo(300, 300);
  EXPECT_EQ(g_events, (std::vector<std::string>{"in a", "out a", "in b", "out b"}));
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), nullptr);
  // Empty again: no second mouse-out.
  MoveTo(301, 300);
  EXPECT_EQ(g_events.size(), 4u);
  // A hidden area is not found.
  b.SetState(QAREA_HIDE, nullptr);
  MoveTo(60, 10);
  EXPECT_EQ(g_events.size(), 4u);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
}

TEST_F(ChainManagerTest, ScreenEdgesAreInsideAndOffScreenChangesNothing) {
  AfxSetScreenWidth(640);
  AfxSetScreenHeight(480);
  Named corner("corner", 600, 440, 700, 500);
  chains_->Add(&corner, CHAIN_BOTTOM);
  MoveTo(640, 480);
  EXPECT_EQ(AfxGetNowArea(), &corner);
  // Off the screen: the area stays the one under the mouse, and no
  // mouse-out is raised, even though nothing is there.
  for (const tagPOINT& p : {tagPOINT{641, 450}, tagPOINT{620, 481}, tagPOINT{-1, 0}, tagPOINT{0, -1}}) {
    MoveTo(p.x, p.y);
    EXPECT_EQ(AfxGetNowArea(), &corner);
    EXPECT_EQ(AfxGetPreArea(), &corner);
  }
  EXPECT_EQ(g_events, (std::vector<std::string>{"in corner"}));
}

TEST_F(ChainManagerTest, RemovingTheAreaUnderTheMouseOrInFocus) {
  HWND window = tessera::CreateWindowRecord(64, 48);
  ASSERT_EQ(AfxCreateViewManager(64, 48, window), 1);
  {
    Named a("a", 0, 0, 49, 49);
    chains_->Add(&a, CHAIN_TOP);
    MoveTo(5, 5);
    AfxSetNowFocus(&a);
    EXPECT_EQ(AfxGetNowFocus(), &a);
    chains_->Delete(&a, CHAIN_TOP);
    EXPECT_EQ(AfxGetNowFocus(), nullptr);
    EXPECT_EQ(AfxGetNowArea(), nullptr);
    EXPECT_EQ(AfxGetPreArea(), nullptr);
    // No focus message was sent.
    EXPECT_TRUE(tessera::ReceivedMessages(window).empty());
  }
  // The area is gone; the next refresh has nobody to tell.
  MoveTo(6, 6);
  EXPECT_EQ(g_events, (std::vector<std::string>{"in a"}));
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

TEST_F(ChainManagerTest, DeleteAllEmptiesEveryLayer) {
  Named a("a", 0, 0, 9, 9), b("b", 0, 0, 9, 9), c("c", 0, 0, 9, 9);
  chains_->Add(&a, CHAIN_BOTTOM);
  chains_->Add(&b, CHAIN_MIDDLE);
  chains_->Add(&c, CHAIN_TOP);
  MoveTo(1, 1);
  EXPECT_EQ(AfxGetNowArea(), &c);
  chains_->DeleteAll();
  for (int layer = 0; layer < 3; ++layer) EXPECT_EQ(chains_->GetChain(layer)->GetCount(), 0);
  for (Named* n : {&a, &b, &c}) EXPECT_EQ(n->m_dwState, 4u);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  g_events.clear();
  chains_->ShowAll(nullptr);
  EXPECT_TRUE(g_events.empty());
}

TEST_F(ChainManagerTest, NoCursorMeansNoHitTest) {
  Named a("a", 0, 0, 49, 49);
  chains_->Add(&a, CHAIN_TOP);
  AfxFreeEngine();
  chains_->RefreshAll();
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_TRUE(g_events.empty());
  chains_->ShowAll(nullptr);  // no cursor to tell: no crash
  EXPECT_EQ(g_events, (std::vector<std::string>{"show a"}));
}

}  // namespace
