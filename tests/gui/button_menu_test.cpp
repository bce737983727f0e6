// QBtMenu, QCheck and QSelectBt: buttons from records, unfolding order and
// timing, layer order, moving, the check group's single active item, and the
// selector opening its answers and taking the chosen one's look.
#include "gui/button_menu.h"

#include <cstring>
#include <string>
#include <vector>

#include "gui/answer_selector.h"
#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/check_group.h"
#include "gui/window.h"
#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"

namespace {

void Clicked(void*) {}

class MenuTest : public tessera::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    for (int d = 0; d < 4; ++d)
      PutImage("MENUITEMA" + std::to_string(d), 60, 20, static_cast<unsigned short>(0x100 + d));
    for (int i = 0; i < 3; ++i) {
      memset(&items_[i], 0, sizeof(InItem));
      snprintf(items_[i].szCaption, sizeof(items_[i].szCaption), "Item %d", i);
      strcpy(items_[i].szTip, "tip");
      strcpy(items_[i].szImage, "MENUITEMA");
      items_[i].nID = 11 + i;
      items_[i].rect = tagRECT{20, 30 + 20 * i, 79, 49 + 20 * i};
    }
    items_[0].pfnClick = Clicked;
  }
  static std::vector<int> Looks(QBtMenu& m) {
    std::vector<int> v;
    for (unsigned i = 0; QButton* b = m.GetItem(i); ++i) v.push_back(b->m_nImage);
    return v;
  }
  InItem items_[3];
};

TEST_F(MenuTest, ButtonsAreBuiltFromTheRecords) {
  QBtMenu menu(3, items_);
  ASSERT_EQ(menu.GetCount(), 3);
  QButton* b = menu.GetItem(2);
  EXPECT_EQ(b->m_dwData, 13);
  EXPECT_EQ(b->m_pParentArea, &menu);
  EXPECT_STREQ(b->m_szCaption, "Item 2");
  EXPECT_EQ(b->m_rcArea.top, 70);
  EXPECT_EQ(menu.GetItem(0)->m_pfnClick, Clicked);
  EXPECT_EQ(menu.GetItem(1)->m_pfnClick, QButton::OnClick);
  // Texts that fill their arrays are refused, never read past.
  memset(items_[2].szCaption, 'c', sizeof(items_[2].szCaption));
  memset(items_[2].szTip, 't', sizeof(items_[2].szTip));
  menu.AddItem(items_[2], false);
  EXPECT_STREQ(menu.GetItem(3)->m_szCaption, "");
  menu.SetContent(1, items_);
  EXPECT_EQ(menu.GetCount(), 1);
  menu.SetBtMouseStand(false);
  EXPECT_EQ(menu.GetItem(0)->m_pfnHover, DoNothing);
}

TEST_F(MenuTest, ItemsUnfoldOneAfterAnother) {
  QBtMenu menu(3, items_);
  chains_->Add(&menu, CHAIN_TOP);
  DIBSURFACE* frame = Frame();
  std::vector<std::vector<int>> seen;
  for (int f = 0; f < 8; ++f) {  // 60 frames per second
    chains_->ShowAll(frame);
    seen.push_back(Looks(menu));
    clock_->Advance(f % 3 == 2 ? 16 : 17);
  }
  // The first frame starts the timer; then a step a frame, two per item.
  EXPECT_EQ(seen, (std::vector<std::vector<int>>{{-1, -1, -1},
                                                 {1, -1, -1},
                                                 {0, -1, -1},
                                                 {0, 1, -1},
                                                 {0, 0, -1},
                                                 {0, 0, 1},
                                                 {0, 0, 0},
                                                 {0, 0, 0}}));
  EXPECT_EQ(tessera::MenuUnfoldDelay(), 1u);  // 10 halved three times, never restored
  menu.SetState(QAREA_SHOW, nullptr);         // shown again: folded again, hidden items not hit
  EXPECT_EQ(Looks(menu), (std::vector<int>{-1, -1, -1}));
  MoveTo(30, 35);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
}

TEST_F(MenuTest, StepsWaitForMoreThanTheDelay) {
  QBtMenu menu(1, items_);
  chains_->Add(&menu, CHAIN_TOP);
  DIBSURFACE* frame = Frame();
  const struct {
    int advance, look;
    unsigned delay;
  } steps[] = {{0, -1, 10}, {10, -1, 10}, {1, 1, 10}, {10, 1, 10}, {1, 0, 5}};
  for (const auto& s : steps) {
    clock_->Advance(static_cast<uint32_t>(s.advance));
    chains_->ShowAll(frame);
    EXPECT_EQ(menu.GetItem(0)->m_nImage, s.look);
    EXPECT_EQ(tessera::MenuUnfoldDelay(), s.delay);
  }
  QBtMenu flat;  // a menu that does not unfold shows its items at once
  flat.m_bUnfold = false;
  flat.SetContent(3, items_);
  chains_->Add(&flat, CHAIN_TOP);
  EXPECT_EQ(Looks(flat), (std::vector<int>{0, 0, 0}));
}

TEST_F(MenuTest, LayerOrderMoveAndClosing) {
  QBtMenu menu(3, items_);
  QArea before(0, 0, 1, 1);
  chains_->Add(&before, CHAIN_TOP);
  chains_->Add(&menu, CHAIN_TOP);
  QAreaChain* top = chains_->GetChain(CHAIN_TOP);
  ASSERT_EQ(top->GetCount(), 5);
  EXPECT_EQ(top->GetArea(1), &menu);
  EXPECT_EQ(top->GetArea(4), menu.GetItem(2));
  menu.Move(100, 50);  // first button at (20, 30): all by (80, 20)
  EXPECT_EQ(menu.GetItem(2)->m_rcArea.left, 100);
  EXPECT_EQ(menu.GetItem(2)->m_rcArea.bottom, 109);
  menu.GetItem(0)->Enable(false);
  MoveTo(100, 50);  // the menu itself, moved there, is never hit
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  top->DeleteAll();
  EXPECT_EQ(menu.GetItem(2)->m_dwState, 4u);
  auto* owned = new QBtMenu(3, items_);
  chains_->Add(owned, CHAIN_TOP);
  delete owned;
  EXPECT_EQ(top->GetCount(), 0);
}

TEST_F(MenuTest, CheckGroupHasOneActiveItem) {
  PutImage("CHECKMARK0", 10, 10, 0x7C00);
  QCheck group(15, 15, "CHECKMARK0");
  for (int i = 0; i < 3; ++i) group.AddItem(100, 20 + 30 * i);
  auto checked = [&] {
    std::vector<bool> v;
    for (int i = 0; i < group.GetCount(); ++i)
      v.push_back(group.GetItem(i)->m_pBackImage != nullptr);
    return v;
  };
  EXPECT_EQ(checked(), (std::vector<bool>{true, false, false}));
  chains_->Add(&group, CHAIN_TOP);
  MoveTo(108, 88);
  Raise(&QArea::m_pfnClick);
  EXPECT_EQ(group.m_nActive, 2);
  EXPECT_EQ(checked(), (std::vector<bool>{false, false, true}));
  group.SetActiveCheck(7);  // no such item: none checked, index kept
  EXPECT_EQ(checked(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(group.m_nActive, 2);
  group.SetActiveCheck(0);
  DIBSURFACE* frame = Frame();
  chains_->ShowAll(frame);
  EXPECT_EQ(frame->GetPixel(100, 20).GetColor(), 0x7C00);
  EXPECT_EQ(frame->GetPixel(100, 80).GetColor(), 0);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
  QCheck missing(15, 15, "NOCHECKIMG");
  missing.AddItem(0, 0);
  EXPECT_EQ(tessera::HeadlessMessages().size(), 1u);  // the text is checked with the window's
}

TEST_F(MenuTest, SelectorOpensAndTakesTheChosenAnswer) {
  for (char letter : std::string("XABCD"))
    PutImage(std::string("ANSWERB") + letter + "A0", 30, 20, static_cast<unsigned short>(letter));
  PutImage("ANSPANEL00", 200, 40, 0x0008);
  auto* sel = new QSelectBt;
  strcpy(sel->m_szImageBase, "ANSWERBXA");
  sel->m_pMainButton = new QButton(tagRECT{10, 200, 39, 219}, "", "", "ANSWERBXA");
  char panel[] = "ANSPANEL00";
  sel->m_pPanel = new QWindow(0, 150, 0, 150, panel, QWIN_DIB);
  for (int i = 0; i < 4; ++i)
    sel->m_pAnswer[i] = new QButton(tagRECT{10 + 40 * i, 160, 39 + 40 * i, 179}, "", "",
                                    (std::string("ANSWERB") + char('A' + i) + "A").c_str());
  chains_->Add(sel, CHAIN_TOP);
  auto states = [&] {
    return std::vector<uint32_t>{sel->m_pMainButton->m_dwState, sel->m_pPanel->m_dwState,
                                 sel->m_pAnswer[0]->m_dwState, sel->m_pAnswer[3]->m_dwState};
  };
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 7);
  AfxGetMouse()->SetMouseKey(1);
  MoveTo(20, 210);
  Raise(&QArea::m_pfnClick);  // opens
  EXPECT_EQ(states(), (std::vector<uint32_t>{2, 1, 1, 1}));
  EXPECT_EQ(AfxGetMouse()->GetMouseKey(), 0);
  MoveTo(95, 170);
  Raise(&QArea::m_pfnClick);  // C
  EXPECT_EQ(states(), (std::vector<uint32_t>{1, 2, 2, 2}));
  EXPECT_EQ(sel->GetAnswer(), 2);
  EXPECT_STREQ(sel->m_pMainButton->m_szTip,
               "\xC7\xEB\xD1\xA1\xD4\xF1\xB4\xF0\xB0\xB8");  // 请选择答案
  DIBSURFACE* frame = Frame();
  chains_->ShowAll(frame);
  EXPECT_EQ(frame->GetPixel(10, 200).GetColor(), 'C');      // from "ANSWERBCA0"
  QButton stray(tagRECT{0, 0, 9, 9}, "", "", "NOSUCHIMG");  // not one of the four: A
  stray.m_dwData = reinterpret_cast<intptr_t>(sel);
  QSelectBt::OnChoose(&stray);
  EXPECT_STREQ(sel->m_pMainButton->m_szImageBase, "ANSWERBAA");
  delete sel;
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 0);
}

}  // namespace
