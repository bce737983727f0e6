// QAreaChain: order, duplicates, removal anywhere in the list, hit testing
// from the top, drawing from the bottom while areas leave and join, and
// DeleteAll with composite and self-deleting areas.
#include "gui/area_chain.h"

#include <memory>
#include <string>
#include <vector>

#include "gui/area.h"
#include "gui/area_pointers.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> g_log;

// An area that logs its drawing and its state changes under a name.
struct Named : QArea {
  Named(const char* n, int l = 0, int t = 0, int r = 1, int b = 1) : QArea(l, t, r, b), name(n) {}
  void Show(SURFACE* target) override {
    g_log.push_back("show " + name);
    QArea::Show(target);
  }
  void SetState(unsigned long state, QAreaChain* chain) override {
    g_log.push_back(name + " state " + std::to_string(state));
    QArea::SetState(state, chain);
  }
  std::string name;
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

class AreaChainTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_log.clear();
  }
  std::vector<QArea*> Contents() const {
    std::vector<QArea*> v;
    for (int i = 0; i < chain_.GetCount(); ++i) v.push_back(chain_.GetArea(i));
    return v;
  }
  std::vector<std::string> Drawn() {
    g_log.clear();
    chain_.ShowAreas(nullptr);
    return g_log;
  }
  QAreaChain chain_;
};

using Areas = std::vector<QArea*>;

TEST_F(AreaChainTest, AddKeepsOrderRefusesDuplicatesAndDeletesAnywhere) {
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
TEST_F(AreaChainTest, ManyAreasAcrossNodeBlocks) {
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

TEST_F(AreaChainTest, DeleteClearsTheEnginePointersEvenWhenAbsent) {
  QArea a(0, 0, 1, 1), other(0, 0, 1, 1);
  AfxSetNowFocus(&a);
  tessera::SetNowArea(&a);
  tessera::SetPreArea(&other);
  EXPECT_EQ(chain_.Delete(&a), 0);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), &other);
}

TEST_F(AreaChainTest, SearchFromTheTopAmongShownAreas) {
  Named low("low", 0, 0, 49, 49), high("high", 20, 20, 69, 69);
  low.SetState(1, &chain_);
  high.SetState(1, &chain_);
  EXPECT_EQ(chain_.Search(30, 30), &high);  // added later: on top
  EXPECT_EQ(chain_.Search(10, 10), &low);
  high.SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(chain_.Search(30, 30), &low);
}

TEST_F(AreaChainTest, ShowAreasDrawsShownAreasFirstToLast) {
  Named a("a"), b("b"), c("c");
  for (Named* n : {&a, &b, &c}) n->SetState(1, &chain_);
  b.SetState(2, nullptr);
  a.SetState(1, nullptr);  // already in: stays first
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"show a", "show c"}));
}

// An area leaving while it draws: the one moving into its position is
// drawn next frame; the only area leaving empties the chain.
TEST_F(AreaChainTest, AnAreaMayLeaveTheChainWhileItDraws) {
  int alive = 0;
  Named first("first"), last("last");
  first.SetState(1, &chain_);
  (new SelfDeleting(&alive, true))->SetState(1, &chain_);
  last.SetState(1, &chain_);
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"show first"}));
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(chain_.GetCount(), 2);
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"show first", "show last"}));
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
TEST_F(AreaChainTest, ChangesWhileDrawingFollowPositions) {
  Named a("a"), b("b"), c("c"), d("d");
  Reshuffles x(&a, &d);
  for (QArea* area : Areas{&a, &x, &b, &c}) area->SetState(QAREA_SHOW, &chain_);
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"show a", "show x", "a state 2", "d state 1",
                                               "show c", "show d"}));
}

// The menu is closed first and takes its buttons along; they are not
// closed a second time since they had already left the chain.
TEST_F(AreaChainTest, DeleteAllClosesCompositesAndSelfDeletingAreas) {
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
  EXPECT_EQ(g_log, (std::vector<std::string>{"menu state 4", "a state 4", "b state 4"}));
}

}  // namespace
