// QArea, QAreaChain and CChainManager: rectangles, states, focus messages,
// the tip, text output, the click sound; the chain's order and removal while
// drawing; the manager's layers, mouse-in and mouse-out and the tip delay.
#include "gui/area.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/font_state.h"
#include "gui/area_chain.h"
#include "gui/area_pointers.h"
#include "gui_fixture.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "sound/dx_sound_buffer.h"
#include "sound/wave_file.h"

namespace {

using tessera::HeadlessMessages;
using Log = std::vector<std::string>;
using Areas = std::vector<QArea*>;

Log g_log;

// An area that logs its drawing, its state changes and the mouse coming in
// (passed on to the default tip handler) and going out, under a name.
struct Named : QArea {
  Named(const char* n, int l = 0, int t = 0, int r = 9, int b = 9) : QArea(l, t, r, b), name(n) {
    m_pfnMouseOut = MouseOut;
    chained_in = m_pfnMouseIn;
    m_pfnMouseIn = MouseIn;
  }
  void Show(SURFACE* target) override {
    g_log.push_back("show " + name);
    QArea::Show(target);
  }
  void SetState(unsigned long state, QAreaChain* chain) override {
    g_log.push_back(name + " state " + std::to_string(state));
    QArea::SetState(state, chain);
  }
  static void MouseIn(void* p) {
    Named* a = static_cast<Named*>(p);
    g_log.push_back("in " + a->name);
    a->chained_in(p);
  }
  static void MouseOut(void* p) { g_log.push_back("out " + static_cast<Named*>(p)->name); }
  std::string name;
  AREA_CALLBACK chained_in;
};

// A menu that brings its buttons along: closing it closes them.
struct Menu : Named {
  Menu() : Named("menu", 0, 0, 99, 99), a("a"), b("b") {}
  void SetState(unsigned long state, QAreaChain* chain) override {
    Named::SetState(state, chain);
    a.SetState(state, m_pAreaChain);
    b.SetState(state, m_pAreaChain);
  }
  Named a, b;
};

// Deletes itself when closed (as the fading widgets do), or when first
// drawn if `on_show`.
struct SelfDeleting : QArea {
  SelfDeleting(int* alive, bool on_show) : QArea(0, 0, 1, 1), alive_(alive), on_show_(on_show) {
    ++*alive_;
  }
  ~SelfDeleting() override { --*alive_; }
  void Show(SURFACE*) override {
    if (on_show_) SetState(QAREA_CLOSE, nullptr);
  }
  void SetState(unsigned long state, QAreaChain* chain) override {
    QArea::SetState(state, chain);
    if (state == QAREA_CLOSE && !closing_) {
      closing_ = true;
      delete this;
    }
  }
  int* alive_;
  bool on_show_, closing_ = false;
};

// Removes an area of its chain and appends another when it draws.
struct Reshuffles : Named {
  Reshuffles(Named* gone, Named* added) : Named("x"), gone_(gone), added_(added) {}
  void Show(SURFACE* target) override {
    Named::Show(target);
    if (gone_) gone_->SetState(QAREA_HIDE, nullptr), m_pAreaChain->Delete(gone_), gone_ = nullptr;
    if (added_) added_->SetState(QAREA_SHOW, m_pAreaChain), added_ = nullptr;
  }
  Named *gone_, *added_;
};

// Resize ends by calling the virtual Move, so a subclass moves its parts.
struct MoveSpy : QArea {
  using QArea::QArea;
  void Move(int left, int top) override {
    moves.push_back({left, top});
    QArea::Move(left, top);
  }
  std::vector<std::pair<int, int>> moves;
};

class AreaTest : public tessera::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    g_log.clear();
  }
  Areas Contents() const {
    Areas v;
    for (int i = 0; i < chain_.GetCount(); ++i) v.push_back(chain_.GetArea(i));
    return v;
  }
  Log Drawn() {
    g_log.clear();
    chain_.ShowAreas(nullptr);
    return g_log;
  }
  QAreaChain chain_;
};

// A negative size is refused with its message and leaves state and
// callbacks alone; zero size is fine.  Resize stores the edges even when
// refused, and moves through the virtual Move only when accepted.
TEST_F(AreaTest, CreateResizeAndMove) {
  MoveSpy a(10, 10, 9, 9);
  EXPECT_TRUE(HeadlessMessages().empty());
  a.m_dwState = 2;
  a.ACreate(0, 10, 5, 8);  // negative height
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_EQ(HeadlessMessages()[0].text, "Set QArea coordinate error!");
  EXPECT_EQ(a.m_nHeight, -1);
  EXPECT_EQ(a.m_dwState, 2u);
  a.Resize(5, 6, 24, 16);
  EXPECT_EQ(a.moves, (std::vector<std::pair<int, int>>{{5, 6}}));
  a.Move(100, 200);
  EXPECT_EQ(a.m_rcArea.right, 119);
  EXPECT_EQ(a.m_rcArea.bottom, 210);
  a.m_bMovable = false;
  a.Move(0, 0);
  EXPECT_EQ(a.m_rcArea.left, 100);
  a.m_bMovable = true;
  a.Resize(50, 60, 49, 70);  // width 0
  EXPECT_EQ(HeadlessMessages().back().text, "Resize QWindow coordinate error!");
  EXPECT_EQ(a.m_rcArea.right, 49);
  EXPECT_EQ(a.moves.size(), 3u);  // the two Move calls, not this
}

TEST_F(AreaTest, SetStateMovesTheAreaInAndOutOfItsChain) {
  QArea a(0, 0, 9, 9);
  a.SetState(1, nullptr);  // no chain known or given: not even the state
  EXPECT_EQ(a.m_dwState, 3u);
  a.SetState(1, &chain_);
  a.SetState(1, nullptr);  // already in: not added twice
  EXPECT_EQ(a.m_pAreaChain, &chain_);
  EXPECT_EQ(chain_.GetCount(), 1);
  a.SetState(9, nullptr);  // any state but 4 stays in the chain
  EXPECT_EQ(a.m_dwState, 9u);
  EXPECT_EQ(chain_.GetCount(), 1);
  a.SetState(4, nullptr);
  EXPECT_EQ(chain_.GetCount(), 0);
  a.Show(nullptr);  // state 1 without joining the chain
  EXPECT_EQ(a.m_dwState, 1u);
  EXPECT_EQ(chain_.GetCount(), 0);
  a.SetAreaChain(nullptr);  // ignored
  EXPECT_EQ(a.m_pAreaChain, &chain_);
}

TEST_F(AreaTest, FocusMessagesReachTheGameWindow) {
  QArea a(0, 0, 9, 9), b(0, 0, 9, 9);
  const LPARAM pa = reinterpret_cast<LPARAM>(&a);
  a.GetFocus();  // not focused: asks with 1027
  EXPECT_TRUE(a.m_bFocus);
  a.LostFocus();       // not the focused area: no message
  AfxSetNowFocus(&a);  // stored first, so GetFocus sends nothing
  EXPECT_TRUE(a.m_bFocus);
  a.LostFocus();  // the focused area gives up: 1026; the pointer is the game's
  EXPECT_EQ(AfxGetNowFocus(), &a);
  AfxSetNowFocus(&b);       // the previous area is not told
  AfxSetNowFocus(nullptr);  // ignored
  EXPECT_EQ(AfxGetNowFocus(), &b);
  std::vector<std::vector<LPARAM>> sent;  // (message, wparam, lparam)
  for (const auto& m : tessera::ReceivedMessages(window_))
    sent.push_back({LPARAM(m.message), LPARAM(m.wparam), m.lparam});
  EXPECT_EQ(sent, (std::vector<std::vector<LPARAM>>{{1027, 0, pa}, {1026, 0, pa}}));
  AfxDeleteViewManager();
  b.LostFocus();  // no window: the flag only, no fault
  EXPECT_FALSE(b.m_bFocus);
}

// A surface that records the text calls made on it.
class RecordingSurface : public DIBSURFACE {
 public:
  RecordingSurface() : DIBSURFACE(8, 8) { Initialize(); }
  void DrawTextA(int x, int y, PIXEL colour, char* text) override {
    calls.push_back({x, y, colour.GetColor(), tessera::CurrentFontSize()});
    EXPECT_STREQ(text, "Hi");
  }
  std::vector<std::vector<int>> calls;  // x, y, colour, font size
};

// The four outline offsets first, then the text; 24-bit colours reduced;
// the size is used for the call only, and 14 is no size.
TEST_F(AreaTest, TextOutDrawsTheOutlineFirstInTheChosenSize) {
  QArea a(0, 0, 1, 1);
  RecordingSurface s;
  tessera::SetCurrentFontSize(12);
  char text[] = "Hi", empty[] = "";
  a.TextOutA(&s, 10, 20, text, 24, true, 0xFF8040, 0x0810F8);
  const int edge = 1 << 10 | 2 << 5 | 31, fore = 31 << 10 | 16 << 5 | 8;
  const std::vector<std::vector<int>> want = {{9, 20, edge, 24},
                                              {11, 20, edge, 24},
                                              {10, 19, edge, 24},
                                              {10, 21, edge, 24},
                                              {10, 20, fore, 24}};
  EXPECT_EQ(s.calls, want);
  EXPECT_EQ(tessera::CurrentFontSize(), 12);
  s.calls.clear();
  a.TextOutA(&s, 1, 2, text, 14, false, 0xFFFFFF, 0);
  a.TextOutA(&s, 1, 2, empty, 24, true, 0, 0);
  EXPECT_EQ(s.calls, (std::vector<std::vector<int>>{{1, 2, 0x7FFF, 12}}));
  EXPECT_EQ(tessera::CurrentFontSize(), 12);
  // Text width: half a font cell per byte, rounded down (the button suite
  // centres captions by it).
  EXPECT_EQ(a.GetTextWidth("abc", 13), 19);
  EXPECT_EQ(a.GetTextWidth(nullptr, 16), 0);
}

TEST_F(AreaTest, PlaySoundLoadsAndPlaysTheClickOnce) {
  QArea a(0, 0, 1, 1);
  ASSERT_TRUE(AfxCreateSound(nullptr));
  DxSoundBuffer* buffer = AfxGetSoundBuffer();
  tessera::ClearHeadlessAudioLog();
  a.PlaySoundA(AfxGetSound(), buffer);  // the file is missing
  EXPECT_LT(buffer->m_nCurrent, 0);
  std::filesystem::create_directory("wav");
  const char samples[4] = {1, 2, 3, 4};
  tessera::test::WriteFile("wav/click.WAV", tessera::MakeWaveFile(1, 8000, 8, samples, 4));
  a.PlaySoundA(nullptr, buffer);
  a.PlaySoundA(AfxGetSound(), nullptr);
  a.PlaySoundA(AfxGetSound(), buffer);
  const auto& log = tessera::HeadlessAudioLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "#1 Play 0x0"), 1);
  tessera::ClearHeadlessAudioLog();
  a.m_szSound[0] = 0;  // no name: nothing
  a.PlaySoundA(AfxGetSound(), buffer);
  EXPECT_TRUE(tessera::HeadlessAudioLog().empty());
}

TEST_F(AreaTest, ChainAddKeepsOrderRefusesDuplicatesAndDeletesAnywhere) {
  QArea a(0, 0, 1, 1), b(0, 0, 1, 1), c(0, 0, 1, 1);
  EXPECT_EQ((std::vector<int>{chain_.Add(&a), chain_.Add(&b), chain_.Add(&a), chain_.Add(&c)}),
            (std::vector<int>{1, 1, 0, 1}));
  EXPECT_EQ(Contents(), (Areas{&a, &b, &c}));
  EXPECT_EQ(chain_.GetArea(3), nullptr);
  EXPECT_EQ(chain_.GetArea(-1), nullptr);
  EXPECT_EQ(chain_.Delete(&b), 0);  // middle
  EXPECT_EQ(Contents(), (Areas{&a, &c}));
  chain_.Add(&b);
  chain_.Delete(&a);  // head
  EXPECT_EQ(Contents(), (Areas{&c, &b}));
  chain_.Delete(&b);  // tail
  chain_.Delete(nullptr);
  EXPECT_EQ(Contents(), (Areas{&c}));
  chain_.Delete(&c);
}

// 250 areas span several node blocks; freed nodes are reused at the top.
TEST_F(AreaTest, ChainOfManyAreasAcrossNodeBlocks) {
  std::vector<std::unique_ptr<QArea>> areas;
  for (int i = 0; i < 250; ++i) {
    areas.emplace_back(new QArea(i, 0, i, 0));
    areas.back()->SetState(QAREA_SHOW, &chain_);
  }
  for (int i = 0; i < 250; i += 2) areas[i]->SetState(QAREA_CLOSE, nullptr);
  ASSERT_EQ(chain_.GetCount(), 125);
  EXPECT_EQ(chain_.GetArea(124), areas[249].get());
  for (int i = 0; i < 250; i += 2) areas[i]->SetState(QAREA_SHOW, nullptr);
  EXPECT_EQ(chain_.GetCount(), 250);
  EXPECT_EQ(chain_.GetArea(125), areas[0].get());
  areas.clear();  // each destructor leaves the chain
  EXPECT_EQ(chain_.GetCount(), 0);
}

// Removing the area under the mouse and in focus clears the pointers
// without a focus message, and the next refresh has nobody to tell; an area
// absent from the chain clears them too, and pointers to others stay.
TEST_F(AreaTest, RemovingAnAreaClearsTheEnginePointersToIt) {
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
  EXPECT_EQ(g_log, (Log{"a state 1", "in a", "a state 4"}));
  QArea a(0, 0, 1, 1), other(0, 0, 1, 1);
  AfxSetNowFocus(&a);
  tessera::SetNowArea(&a);
  tessera::SetPreArea(&other);
  EXPECT_EQ(chain_.Delete(&a), 0);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), &other);
}

TEST_F(AreaTest, ChainSearchFromTheTopAmongShownAreas) {
  Named low("low", 0, 0, 49, 49), high("high", 20, 20, 69, 69);
  low.SetState(1, &chain_);
  high.SetState(1, &chain_);
  EXPECT_EQ(chain_.Search(30, 30), &high);  // added later: on top
  EXPECT_EQ(chain_.Search(10, 10), &low);
  high.SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(chain_.Search(30, 30), &low);
}

TEST_F(AreaTest, ShowAreasDrawsShownAreasFirstToLast) {
  Named a("a"), b("b"), c("c");
  for (Named* n : {&a, &b, &c}) n->SetState(1, &chain_);
  b.SetState(2, nullptr);
  a.SetState(1, nullptr);  // already in: stays first
  EXPECT_EQ(Drawn(), (Log{"show a", "show c"}));
}

// An area leaving while it draws: the one moving into its position is
// drawn next frame; the only area leaving empties the chain.
TEST_F(AreaTest, AnAreaMayLeaveTheChainWhileItDraws) {
  int alive = 0;
  Named first("first"), last("last");
  first.SetState(1, &chain_);
  (new SelfDeleting(&alive, true))->SetState(1, &chain_);
  last.SetState(1, &chain_);
  EXPECT_EQ(Drawn(), (Log{"show first"}));
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(chain_.GetCount(), 2);
  EXPECT_EQ(Drawn(), (Log{"show first", "show last"}));
  (new SelfDeleting(&alive, true))->SetState(1, &chain_);
  first.SetState(4, nullptr);
  last.SetState(4, nullptr);
  chain_.ShowAreas(nullptr);
  EXPECT_EQ(chain_.GetCount(), 0);
  EXPECT_EQ(alive, 0);
}

// Changes made while drawing count by position: the area moving into the
// next position after an earlier one leaves is skipped this frame, one
// appended is drawn.
TEST_F(AreaTest, ChangesWhileDrawingFollowPositions) {
  Named a("a"), b("b"), c("c"), d("d");
  Reshuffles x(&a, &d);
  for (QArea* area : Areas{&a, &x, &b, &c}) area->SetState(QAREA_SHOW, &chain_);
  EXPECT_EQ(Drawn(), (Log{"show a", "show x", "a state 2", "d state 1", "show c", "show d"}));
}

// The menu is closed first and takes its buttons along; they are not
// closed a second time since they had already left the chain.
TEST_F(AreaTest, DeleteAllClosesCompositesAndSelfDeletingAreas) {
  Menu menu;
  menu.SetState(1, &chain_);
  int alive = 0;
  (new SelfDeleting(&alive, false))->SetState(1, &chain_);
  QArea plain(0, 0, 1, 1);
  plain.SetState(1, &chain_);
  ASSERT_EQ(chain_.GetCount(), 5);
  AfxSetNowFocus(&menu.b);
  g_log.clear();
  chain_.DeleteAll();
  EXPECT_EQ(chain_.GetCount(), 0);
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(plain.m_dwState, 4u);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  EXPECT_EQ(g_log, (Log{"menu state 4", "a state 4", "b state 4"}));
}

TEST_F(AreaTest, ManagerAddsAndDeletesByLayer) {
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
TEST_F(AreaTest, ManagerShowAllOrderAndTheTipDelay) {
  Named top("top"), scene("scene"), bubble("bubble"), hidden("hidden");
  chains_->Add(&top, CHAIN_TOP);
  chains_->Add(&bubble, CHAIN_MIDDLE);
  chains_->Add(&scene, CHAIN_BOTTOM);
  chains_->Add(&hidden, CHAIN_BOTTOM);
  hidden.SetState(QAREA_HIDE, nullptr);
  MoveTo(100, 100);
  g_log.clear();
  chains_->ShowAll(nullptr);
  EXPECT_EQ(g_log, (Log{"show scene", "show bubble", "show top"}));
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

TEST_F(AreaTest, ManagerMouseInAndOutSequence) {
  Named a("a", 0, 0, 49, 49), b("b", 50, 0, 99, 49);
  a.m_pTarget = &b;  // the callbacks get the area itself, not its target
  chains_->Add(&a, CHAIN_TOP);
  chains_->Add(&b, CHAIN_TOP);
  strcpy(a.m_szTip, "tip of a");
  memset(b.m_szTip, 'x', sizeof(b.m_szTip));  // no terminator: cut at its 20 bytes
  g_log.clear();
  MoveTo(10, 10);
  EXPECT_EQ(AfxGetPreArea(), &a);
  EXPECT_STREQ(g_szTipText, "tip of a");
  MoveTo(49, 49);  // within the same area: nothing further
  MoveTo(50, 0);   // a's mouse-out before b's mouse-in
  EXPECT_EQ(AfxGetNowArea(), &b);
  EXPECT_EQ(std::string(g_szTipText), std::string(20, 'x'));
  MoveTo(300, 200);  // empty screen: b's mouse-out, both pointers cleared
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), nullptr);
  MoveTo(301, 200);  // no second mouse-out
  EXPECT_EQ(g_log, (Log{"in a", "out a", "in b", "out b"}));
  b.SetState(QAREA_HIDE, nullptr);
  MoveTo(60, 10);  // a hidden area is not found
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  // The top layer covers lower layers whatever the order of adding.
  Named scene("scene", 0, 0, 199, 199);
  chains_->Add(&scene, CHAIN_BOTTOM);
  MoveTo(10, 10);
  EXPECT_EQ(AfxGetNowArea(), &a);
}

// The screen's own edges are inside; off the screen the area under the
// mouse stays and no mouse-out is raised.
TEST_F(AreaTest, ManagerScreenEdgesAreInsideAndOffScreenChangesNothing) {
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
  EXPECT_EQ(g_log, (Log{"corner state 1", "in corner"}));
}

TEST_F(AreaTest, ManagerWithoutACursorHitTestsNothing) {
  Named a("a", 0, 0, 49, 49);
  chains_->Add(&a, CHAIN_TOP);
  AfxFreeEngine();
  g_log.clear();
  chains_->RefreshAll();
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  chains_->ShowAll(nullptr);  // no cursor to tell
  EXPECT_EQ(g_log, (Log{"show a"}));
}

}  // namespace
