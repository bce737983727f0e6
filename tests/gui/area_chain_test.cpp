// QAreaChain: order, duplicates, removal anywhere in the list, hit testing
// from the top, drawing from the bottom, and DeleteAll with composite and
// self-deleting areas.
#include <memory>
#include <string>
#include <vector>

#include "gui/area.h"
#include "gui/area_chain.h"
#include "gui/area_pointers.h"
#include "public/engine.h"
#include "support/test_support.h"

using tessera::test::EngineTest;

namespace {

std::vector<std::string> g_log;

// An area that logs its drawing and its state changes under a name.
struct Named : QArea {
  Named(const char* n, int l, int t, int r, int b) : QArea(l, t, r, b), name(n) {}
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

// A round area: IsPointed is overridden, and Search must ask it.
struct Round : QArea {
  using QArea::QArea;
  bool IsPointed(int x, int y) override {
    const int cx = (m_rcArea.left + m_rcArea.right) / 2, cy = (m_rcArea.top + m_rcArea.bottom) / 2;
    const int r = m_nWidth / 2;
    return QArea::IsPointed(x, y) && (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
  }
};

// A menu that brings its buttons along: closing it closes them.
struct Menu : Named {
  Menu() : Named("menu", 0, 0, 99, 99), a("a", 0, 0, 9, 9), b("b", 10, 0, 19, 9) {}
  void SetState(unsigned long state, QAreaChain* chain) override {
    Named::SetState(state, chain);
    a.SetState(state, m_pAreaChain);
    b.SetState(state, m_pAreaChain);
  }
  Named a, b;
};

// Deletes itself when closed, as the fading widgets do.
struct SelfDeleting : QArea {
  explicit SelfDeleting(int* alive) : QArea(0, 0, 1, 1), alive_(alive) { ++*alive_; }
  ~SelfDeleting() override { --*alive_; }
  void SetState(unsigned long state, QAreaChain* chain) override {
    QArea::SetState(state, chain);
    if (state == QAREA_CLOSE && !closing_) {
      closing_ = true;
      delete this;
    }
  }
  int* alive_;
  bool closing_ = false;
};

class AreaChainTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_log.clear();
  }
  static std::vector<QArea*> Contents(const QAreaChain& c) {
    std::vector<QArea*> v;
    for (int i = 0; i < c.GetCount(); ++i) v.push_back(c.GetArea(i));
    return v;
  }
};

TEST_F(AreaChainTest, AddKeepsOrderAndRefusesDuplicates) {
  QAreaChain chain;
  QArea a(0, 0, 1, 1), b(0, 0, 1, 1), c(0, 0, 1, 1);
  EXPECT_EQ(chain.Add(&a), 1);
  EXPECT_EQ(chain.Add(&b), 1);
  EXPECT_EQ(chain.Add(&a), 0);
  EXPECT_EQ(chain.Add(&c), 1);
  EXPECT_EQ(Contents(chain), (std::vector<QArea*>{&a, &b, &c}));
  EXPECT_EQ(chain.GetArea(3), nullptr);
  EXPECT_EQ(chain.GetArea(-1), nullptr);

  // Removing the middle, the head and the tail.
  EXPECT_EQ(chain.Delete(&b), 0);
  EXPECT_EQ(Contents(chain), (std::vector<QArea*>{&a, &c}));
  chain.Add(&b);
  EXPECT_EQ(chain.Delete(&a), 0);
  EXPECT_EQ(Contents(chain), (std::vector<QArea*>{&c, &b}));
  chain.Delete(&b);
  EXPECT_EQ(Contents(chain), (std::vector<QArea*>{&c}));
  chain.Delete(&c);
  EXPECT_EQ(chain.GetCount(), 0);
  // Empty again, and usable again.
  chain.Add(&b);
  chain.Add(&a);
  EXPECT_EQ(Contents(chain), (std::vector<QArea*>{&b, &a}));
  chain.Delete(nullptr);
  EXPECT_EQ(chain.GetCount(), 2);
  chain.Delete(&b);
  chain.Delete(&a);
}

TEST_F(AreaChainTest, ManyAreasAcrossNodeBlocks) {
  QAreaChain chain;
  std::vector<std::unique_ptr<QArea>> areas;
  for (int i = 0; i < 250; ++i) {
    areas.emplace_back(new QArea(i, 0, i, 0));
    areas.back()->SetState(QAREA_SHOW, &chain);
  }
  EXPECT_EQ(chain.GetCount(), 250);
  // Remove every even one; the odd ones keep their order.
  for (int i = 0; i < 250; i += 2) areas[i]->SetState(QAREA_CLOSE, nullptr);
  ASSERT_EQ(chain.GetCount(), 125);
  for (int i = 0; i < 125; ++i) EXPECT_EQ(chain.GetArea(i), areas[2 * i + 1].get());
  // Freed nodes are reused: add them back at the top.
  for (int i = 0; i < 250; i += 2) areas[i]->SetState(QAREA_SHOW, nullptr);
  EXPECT_EQ(chain.GetCount(), 250);
  EXPECT_EQ(chain.GetArea(125), areas[0].get());
  EXPECT_EQ(chain.Search(0, 0), areas[0].get());
  EXPECT_EQ(chain.Search(249, 0), areas[249].get());
  areas.clear();  // each destructor leaves the chain
  EXPECT_EQ(chain.GetCount(), 0);
}

TEST_F(AreaChainTest, DeleteClearsTheEnginePointersEvenWhenAbsent) {
  QAreaChain chain;
  QArea a(0, 0, 1, 1), other(0, 0, 1, 1);
  AfxSetNowFocus(&a);
  tessera::SetNowArea(&a);
  tessera::SetPreArea(&other);
  EXPECT_EQ(chain.Delete(&a), 0);  // not in the chain
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), &other);
}

TEST_F(AreaChainTest, SearchFromTheTopAmongShownAreas) {
  QAreaChain chain;
  Named low("low", 0, 0, 49, 49), high("high", 20, 20, 69, 69);
  low.SetState(1, &chain);
  high.SetState(1, &chain);
  EXPECT_EQ(chain.Search(30, 30), &high);  // added later: on top
  EXPECT_EQ(chain.Search(10, 10), &low);
  EXPECT_EQ(chain.Search(60, 60), &high);
  EXPECT_EQ(chain.Search(70, 70), nullptr);
  for (unsigned long s : {2ul, 3ul}) {
    high.SetState(s, nullptr);
    EXPECT_EQ(chain.GetCount(), 2);
    EXPECT_EQ(chain.Search(30, 30), &low) << s;
    EXPECT_EQ(chain.Search(60, 60), nullptr) << s;
  }
  // The area's own IsPointed decides: a round area misses at its corner.
  Round round(100, 100, 120, 120);
  round.SetState(1, &chain);
  EXPECT_EQ(chain.Search(110, 110), &round);
  EXPECT_EQ(chain.Search(100, 100), nullptr);
}

TEST_F(AreaChainTest, ShowAreasDrawsShownAreasFirstToLast) {
  QAreaChain chain;
  Named a("a", 0, 0, 1, 1), b("b", 0, 0, 1, 1), c("c", 0, 0, 1, 1);
  a.SetState(1, &chain);
  b.SetState(1, &chain);
  c.SetState(1, &chain);
  b.SetState(2, nullptr);
  a.SetState(1, nullptr);  // already in: stays first
  g_log.clear();
  chain.ShowAreas(nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"show a", "show c"}));
}

// Closes and deletes itself the first time it is drawn.
struct FadesOnShow : SelfDeleting {
  using SelfDeleting::SelfDeleting;
  void Show(SURFACE*) override { SetState(QAREA_CLOSE, nullptr); }
};

TEST_F(AreaChainTest, AnAreaMayLeaveTheChainWhileItDraws) {
  QAreaChain chain;
  int alive = 0;
  Named first("first", 0, 0, 1, 1), last("last", 0, 0, 1, 1);
  first.SetState(1, &chain);
  (new FadesOnShow(&alive))->SetState(1, &chain);
  last.SetState(1, &chain);
  g_log.clear();
  chain.ShowAreas(nullptr);
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(chain.GetCount(), 2);
  // The area that moved into the freed position is drawn next frame.
  EXPECT_EQ(g_log, (std::vector<std::string>{"show first"}));
  g_log.clear();
  chain.ShowAreas(nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"show first", "show last"}));
  // The only area fading: the chain empties and lets its blocks go.
  (new FadesOnShow(&alive))->SetState(1, &chain);
  first.SetState(4, nullptr);
  last.SetState(4, nullptr);
  chain.ShowAreas(nullptr);
  EXPECT_EQ(chain.GetCount(), 0);
  EXPECT_EQ(alive, 0);
}

// Removes the first area of its chain and appends another when it draws.
struct Reshuffles : Named {
  Reshuffles(Named* gone, Named* added) : Named("x", 0, 0, 1, 1), gone_(gone), added_(added) {}
  void Show(SURFACE* target) override {
    Named::Show(target);
    if (gone_) gone_->SetState(QAREA_HIDE, nullptr), m_pAreaChain->Delete(gone_), gone_ = nullptr;
    if (added_) added_->SetState(QAREA_SHOW, m_pAreaChain), added_ = nullptr;
  }
  Named *gone_, *added_;
};

// Changes made by an area while it draws count by position: the area that
// moves into the next position after an earlier one leaves is skipped this
// frame, one appended is drawn.  200 areas draw in one frame.
TEST_F(AreaChainTest, ChangesWhileDrawingFollowPositions) {
  QAreaChain chain;
  Named a("a", 0, 0, 1, 1), b("b", 0, 0, 1, 1), c("c", 0, 0, 1, 1), d("d", 0, 0, 1, 1);
  Reshuffles x(&a, &d);
  for (QArea* area : std::vector<QArea*>{&a, &x, &b, &c}) area->SetState(QAREA_SHOW, &chain);
  g_log.clear();
  chain.ShowAreas(nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"show a", "show x", "a state 2", "d state 1", "show c", "show d"}));
  std::vector<std::unique_ptr<Named>> many;
  for (int i = 0; i < 200; ++i) {
    many.push_back(std::make_unique<Named>("m", 0, 0, 1, 1));
    many.back()->SetState(QAREA_SHOW, &chain);
  }
  g_log.clear();
  chain.ShowAreas(nullptr);
  EXPECT_EQ(g_log.size(), 4u + 200u);
}

TEST_F(AreaChainTest, DeleteAllClosesCompositesAndSelfDeletingAreas) {
  QAreaChain chain;
  Menu menu;
  menu.SetState(1, &chain);
  int alive = 0;
  SelfDeleting* fade = new SelfDeleting(&alive);
  fade->SetState(1, &chain);
  QArea plain(0, 0, 1, 1);
  plain.SetState(1, &chain);
  ASSERT_EQ(chain.GetCount(), 5);  // menu, a, b, fade, plain
  AfxSetNowFocus(&menu.b);
  g_log.clear();
  chain.DeleteAll();
  EXPECT_EQ(chain.GetCount(), 0);
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(menu.m_dwState, 4u);
  EXPECT_EQ(menu.a.m_dwState, 4u);
  EXPECT_EQ(menu.b.m_dwState, 4u);
  EXPECT_EQ(plain.m_dwState, 4u);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  // The menu is closed first and takes its buttons along; they are not
  // closed a second time since they had already left the chain.
  EXPECT_EQ(g_log, (std::vector<std::string>{"menu state 4", "a state 4", "b state 4"}));
}

}  // namespace
