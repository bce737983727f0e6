// QBtMenu, QCheck and QSelectBt: buttons built from records, the unfolding
// order and timing, the layer order of composite widgets, moving them, the
// check group's single active item and the answer selector's switching.
#include <cstring>
#include <string>
#include <vector>

#include "gui/answer_selector.h"
#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/button_menu.h"
#include "gui/check_group.h"
#include "gui/window.h"
#include "platform/headless/headless_message_sink.h"
#include "widget_fixture.h"

namespace {

using tessera::test::WidgetTest;

std::vector<intptr_t> g_clicked;
void RecordClick(void* p) { g_clicked.push_back(static_cast<QArea*>(p)->m_dwData); }

InItem Item(const char* caption, int id, const char* image, tagRECT rect, AREA_CALLBACK click = nullptr) {
  InItem item;
  memset(&item, 0, sizeof(item));
  strcpy(item.szCaption, caption);
  strcpy(item.szTip, "tip");
  item.nID = id;
  strcpy(item.szImage, image);
  item.pfnClick = click;
  item.rect = rect;
  return item;
}

class MenuTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    g_clicked.clear();
    for (int d = 0; d < 4; ++d) PutImage("MENUITEMA" + std::to_string(d), 60, 20, static_cast<unsigned short>(0x0100 + d));
  }
  std::vector<InItem> ThreeItems() {
    return {Item("One", 11, "MENUITEMA", {20, 30, 79, 49}, RecordClick), Item("Two", 12, "MENUITEMA", {20, 50, 79, 69}),
            Item("Three", 13, "MENUITEMA", {20, 70, 79, 89})};
  }
  std::vector<int> Looks(QBtMenu& m) {
    std::vector<int> looks;
    for (int i = 0; i < m.GetCount(); ++i) looks.push_back(m.GetItem(static_cast<unsigned>(i))->m_nImage);
    return looks;
  }
};

TEST_F(MenuTest, ButtonsAreBuiltFromTheRecords) {
  std::vector<InItem> items = ThreeItems();
  QBtMenu menu(3, items.data());
  EXPECT_STREQ(menu.m_szType, "Bmu");
  EXPECT_EQ(menu.m_dwState, 4u);
  EXPECT_EQ(menu.m_nFontSize, 16);
  ASSERT_EQ(menu.GetCount(), 3);
  EXPECT_EQ(menu.GetItem(3), nullptr);
  for (unsigned i = 0; i < 3; ++i) {
    QButton* b = menu.GetItem(i);
    EXPECT_EQ(b->m_dwData, 11 + static_cast<int>(i));
    EXPECT_EQ(b->m_nFontSize, 16);
    EXPECT_TRUE(b->m_bUnfold);
    EXPECT_TRUE(b->m_bFlash);
    EXPECT_EQ(b->m_pParentArea, &menu);
    EXPECT_STREQ(b->m_szCaption, items[i].szCaption);
    EXPECT_STREQ(b->m_szTip, "tip");
    EXPECT_EQ(b->m_rcArea.top, items[i].rect.top);
    EXPECT_NE(b->m_pImage[0], nullptr);
  }
  // The record's callback replaces the button's own; null keeps it.
  EXPECT_EQ(menu.GetItem(0)->m_pfnClick, RecordClick);
  EXPECT_EQ(menu.GetItem(1)->m_pfnClick, QButton::OnClick);

  // A record whose texts fill their arrays: the button refuses them, no
  // read past the record.
  InItem full = Item("", 20, "MENUITEMA", {0, 0, 59, 19});
  memset(full.szCaption, 'c', sizeof(full.szCaption));
  memset(full.szTip, 't', sizeof(full.szTip));
  menu.AddItem(full, false);
  ASSERT_EQ(menu.GetCount(), 4);
  EXPECT_STREQ(menu.GetItem(3)->m_szCaption, "");
  EXPECT_FALSE(menu.GetItem(3)->m_bCenterCaption);

  menu.SetContent(0, nullptr);  // null: nothing
  EXPECT_EQ(menu.GetCount(), 4);
  menu.SetContent(1, items.data());
  EXPECT_EQ(menu.GetCount(), 1);
  QBtMenu empty;
  EXPECT_EQ(empty.m_nFontSize, 12);
  EXPECT_EQ(empty.Create(0, nullptr), 0);
}

TEST_F(MenuTest, ItemsUnfoldOneAfterAnotherAtSixtyFramesPerSecond) {
  std::vector<InItem> items = ThreeItems();
  QBtMenu menu(3, items.data());
  chains_->Add(&menu, CHAIN_TOP);
  EXPECT_EQ(Looks(menu), (std::vector<int>{-1, -1, -1}));
  auto frame = Frame();
  std::vector<std::vector<int>> seen;
  for (int f = 0; f < 8; ++f) {
    chains_->ShowAll(frame.get());
    seen.push_back(Looks(menu));
    clock_->Advance(f % 3 == 2 ? 16 : 17);
  }
  // The first frame starts the timer; then one step a frame, two per item.
  EXPECT_EQ(seen, (std::vector<std::vector<int>>{{-1, -1, -1},
                                                 {1, -1, -1},
                                                 {0, -1, -1},
                                                 {0, 1, -1},
                                                 {0, 0, -1},
                                                 {0, 0, 1},
                                                 {0, 0, 0},
                                                 {0, 0, 0}}));
  EXPECT_EQ(menu.m_nUnfolded, 3);
  EXPECT_EQ(tessera::MenuUnfoldDelay(), 1u);  // 10 halved three times
  EXPECT_EQ(tessera::MenuUnfoldTimer(), 0u);
  // Hidden items are neither drawn nor hit; unfolded ones are.
  EXPECT_EQ(frame->GetPixel(20, 30).GetColor(), 0x0100);

  // Shown again: hidden again, and the delay stays where it got to.
  menu.SetState(QAREA_HIDE, nullptr);
  chains_->Add(&menu, CHAIN_TOP);
  EXPECT_EQ(Looks(menu), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(menu.m_nUnfolded, 0);
  MoveTo(30, 35);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
}

TEST_F(MenuTest, StepsWaitForMoreThanTheDelay) {
  std::vector<InItem> items = ThreeItems();
  QBtMenu menu(1, items.data());
  chains_->Add(&menu, CHAIN_TOP);
  auto frame = Frame();
  chains_->ShowAll(frame.get());  // starts the timer
  clock_->Advance(10);
  chains_->ShowAll(frame.get());
  EXPECT_EQ(menu.GetItem(0)->m_nImage, -1);  // 10 ms is not more than 10
  clock_->Advance(1);
  chains_->ShowAll(frame.get());
  EXPECT_EQ(menu.GetItem(0)->m_nImage, 1);
  EXPECT_EQ(tessera::MenuUnfoldDelay(), 10u);  // halved only when an item settles
  clock_->Advance(11);
  chains_->ShowAll(frame.get());
  EXPECT_EQ(menu.GetItem(0)->m_nImage, 0);
  EXPECT_EQ(tessera::MenuUnfoldDelay(), 5u);

  // A menu that does not unfold shows its items at once.
  QBtMenu flat(3, items.data());
  flat.m_bUnfold = false;
  flat.SetContent(3, items.data());
  chains_->Add(&flat, CHAIN_TOP);
  EXPECT_EQ(Looks(flat), (std::vector<int>{0, 0, 0}));
  EXPECT_FALSE(flat.GetItem(0)->m_bUnfold);
}

TEST_F(MenuTest, LayerHoldsTheMenuThenItsButtonsAndDeleteAllClosesThemAll) {
  std::vector<InItem> items = ThreeItems();
  QBtMenu menu(3, items.data());
  QArea before(0, 0, 1, 1);
  chains_->Add(&before, CHAIN_TOP);
  chains_->Add(&menu, CHAIN_TOP);
  QAreaChain* top = chains_->GetChain(CHAIN_TOP);
  ASSERT_EQ(top->GetCount(), 5);
  EXPECT_EQ(top->GetArea(1), &menu);
  for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(top->GetArea(2 + static_cast<int>(i)), menu.GetItem(i));

  menu.SetState(QAREA_IDLE, nullptr);
  for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(menu.GetItem(i)->m_dwState, 3u);
  EXPECT_EQ(top->GetCount(), 5);

  menu.SetState(QAREA_SHOW, nullptr);
  top->DeleteAll();
  EXPECT_EQ(top->GetCount(), 0);
  EXPECT_EQ(menu.m_dwState, 4u);
  for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(menu.GetItem(i)->m_dwState, 4u);

  // Deleting a shown menu takes its buttons out of the layer.
  auto* owned = new QBtMenu(3, items.data());
  chains_->Add(owned, CHAIN_TOP);
  EXPECT_EQ(top->GetCount(), 4);
  delete owned;
  EXPECT_EQ(top->GetCount(), 0);
}

TEST_F(MenuTest, MoveBringsTheFirstButtonToThePointAndTheOthersAlong) {
  std::vector<InItem> items = ThreeItems();
  QBtMenu menu(3, items.data());
  menu.Move(100, 50);  // first button at (20, 30): every one by (80, 20)
  for (unsigned i = 0; i < 3; ++i) {
    const tagRECT& r = menu.GetItem(i)->m_rcArea;
    EXPECT_EQ(r.left, items[i].rect.left + 80);
    EXPECT_EQ(r.top, items[i].rect.top + 20);
    EXPECT_EQ(r.right, items[i].rect.right + 80);
    EXPECT_EQ(r.bottom, items[i].rect.bottom + 20);
  }
  EXPECT_EQ(menu.m_rcArea.left, 100);
  // The menu is never hit, not even where it has been moved to.
  chains_->Add(&menu, CHAIN_TOP);
  menu.GetItem(0)->Enable(false);
  MoveTo(100, 50);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
}

TEST_F(MenuTest, ClickAndMouseStandThroughTheChainManager) {
  std::vector<InItem> items = ThreeItems();
  QBtMenu menu(3, items.data());
  menu.m_bUnfold = false;
  menu.SetContent(3, items.data());
  chains_->Add(&menu, CHAIN_TOP);
  MoveTo(25, 55);
  EXPECT_EQ(AfxGetNowArea(), menu.GetItem(1));
  EXPECT_EQ(menu.GetItem(1)->m_nImage, 1);
  MoveTo(25, 35);
  EXPECT_EQ(menu.GetItem(1)->m_nImage, 0);
  Press();
  Click();
  EXPECT_EQ(g_clicked, (std::vector<intptr_t>{11}));
  EXPECT_EQ(menu.GetItem(0)->m_nImage, 2);  // the game's callback replaced the look reset

  menu.SetBtMouseStand(false);
  for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(menu.GetItem(i)->m_pfnHover, DoNothing);
  menu.SetBtMouseStand(true);
  for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(menu.GetItem(i)->m_pfnHover, QButton::OnHover);
}

class CheckTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    PutImage("CHECKMARK0", 10, 10, 0x7C00);
  }
  std::vector<bool> Checked(QCheck& c) {
    std::vector<bool> v;
    for (int i = 0; i < c.GetCount(); ++i) v.push_back(c.GetItem(i)->m_pBackImage != nullptr);
    return v;
  }
};

TEST_F(CheckTest, OneItemIsCheckedAtATime) {
  QCheck group(15, 15, "CHECKMARK0");
  EXPECT_STREQ(group.m_szType, "Ara");
  for (int i = 0; i < 3; ++i) group.AddItem(100, 20 + 30 * i);
  EXPECT_EQ(Checked(group), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(group.GetItem(1)->m_rcArea.right, 115);
  EXPECT_EQ(group.GetItem(1)->m_rcArea.bottom, 65);
  chains_->Add(&group, CHAIN_TOP);
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 4);

  // A click on the third item through the chain manager.
  MoveTo(108, 88);
  ASSERT_EQ(AfxGetNowArea(), group.GetItem(2));
  Click();
  EXPECT_EQ(group.m_nActive, 2);
  EXPECT_EQ(Checked(group), (std::vector<bool>{false, false, true}));
  // The item that lost the mark keeps the item size.
  EXPECT_EQ(group.GetItem(0)->m_rcArea.right, 115);
  EXPECT_EQ(group.GetItem(0)->m_rcArea.bottom, 35);

  group.SetActiveCheck(2);  // the same one again: still checked
  EXPECT_EQ(Checked(group), (std::vector<bool>{false, false, true}));
  group.SetActiveCheck(7);  // no such item: none checked, index kept
  EXPECT_EQ(Checked(group), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(group.m_nActive, 2);
  group.SetActiveCheck(0);
  EXPECT_EQ(Checked(group), (std::vector<bool>{true, false, false}));

  // The checked item draws the mark.
  auto frame = Frame();
  chains_->ShowAll(frame.get());
  EXPECT_EQ(frame->GetPixel(100, 20).GetColor(), 0x7C00);
  EXPECT_EQ(frame->GetPixel(100, 80).GetColor(), 0);

  group.Move(200, 10);
  EXPECT_EQ(group.GetItem(2)->m_rcArea.left, 200);
  EXPECT_EQ(group.GetItem(2)->m_rcArea.top, 70);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(CheckTest, MissingCheckImageIsReportedAndTheGroupStillWorks) {
  QCheck group(15, 15, "NOCHECKIMG");
  group.AddItem(0, 0);
  group.AddItem(0, 20);
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text.rfind("Could not create surface!", 0), 0u);
  group.SetActiveCheck(1);
  EXPECT_EQ(group.m_nActive, 1);
  chains_->Add(&group, CHAIN_TOP);
  group.DeleteAll();
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 1);
}

class SelectorTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    for (char letter : std::string("XABCD"))
      PutImage(std::string("QSELECT") + letter + "A0", 40, 20, static_cast<unsigned short>(0x0200 + letter));
    for (int i = 0; i < 4; ++i) PutImage("ANSWERAA" + std::to_string(i) + "0", 40, 20, 0x0300);
    PutImage("PANELIMG00", 200, 60, 0x0010);
  }
  QSelectBt* Make() {
    auto* sel = new QSelectBt;
    strcpy(sel->m_szImageBase, "QSELECTXA");
    sel->m_pMainButton = new QButton(tagRECT{10, 10, 49, 29}, "", "", "QSELECTXA");
    char panel[] = "PANELIMG00";
    sel->m_pPanel = new QWindow(0, 100, 0, 100, panel, QWIN_DIB);
    for (int i = 0; i < 4; ++i) {
      const std::string base = "ANSWERAA" + std::to_string(i);
      sel->m_pAnswer[i] = new QButton(tagRECT{10 + 50 * i, 120, 49 + 50 * i, 139}, "", "", base.c_str());
    }
    return sel;
  }
  std::vector<uint32_t> States(QSelectBt* s) {
    return {s->m_pMainButton->m_dwState, s->m_pPanel->m_dwState, s->m_pAnswer[0]->m_dwState,
            s->m_pAnswer[3]->m_dwState};
  }
};

TEST_F(SelectorTest, OpenAndChooseSwitchThePartsAndTakeTheAnswersLook) {
  QSelectBt* sel = Make();
  EXPECT_STREQ(sel->m_szType, "SBt");
  chains_->Add(sel, CHAIN_TOP);
  EXPECT_EQ(States(sel), (std::vector<uint32_t>{1, 1, 1, 1}));
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 7);
  EXPECT_EQ(sel->m_pChain, chains_->GetChain(CHAIN_TOP));
  EXPECT_EQ(sel->m_pMainButton->m_dwData, reinterpret_cast<intptr_t>(sel));

  AfxGetMouse()->SetMouseKey(1);
  MoveTo(20, 20);
  ASSERT_EQ(AfxGetNowArea(), sel->m_pMainButton);
  Press();
  Click();  // opens
  EXPECT_EQ(States(sel), (std::vector<uint32_t>{2, 1, 1, 1}));
  EXPECT_EQ(AfxGetMouse()->GetMouseKey(), 0);
  EXPECT_EQ(sel->m_pMainButton->m_nImage, 0);

  // The third answer, clicked through the chain manager.
  MoveTo(115, 125);
  ASSERT_EQ(AfxGetNowArea(), sel->m_pAnswer[2]);
  AfxGetMouse()->SetMouseKey(1);
  Press();
  Click();
  EXPECT_EQ(States(sel), (std::vector<uint32_t>{1, 2, 2, 2}));
  EXPECT_EQ(sel->GetAnswer(), 2);
  EXPECT_EQ(AfxGetMouse()->GetMouseKey(), 0);
  EXPECT_STREQ(sel->m_pMainButton->m_szImageBase, "QSELECTCA");
  EXPECT_EQ(sel->m_pMainButton->m_pImage[0]->GetPixel(0, 0).GetColor(), 0x0200 + 'C');
  EXPECT_STREQ(sel->m_pMainButton->m_szTip, "\xC7\xEB\xD1\xA1\xD4\xF1\xB4\xF0\xB0\xB8");  // 请选择答案
  EXPECT_STREQ(sel->m_szImageBase, "QSELECTXA");  // the base itself stays

  // A click on something that is not one of the answers counts as A.
  QButton stray(tagRECT{0, 0, 9, 9}, "", "", "NOSUCHIMG");
  stray.m_dwData = reinterpret_cast<intptr_t>(sel);
  QSelectBt::OnChoose(&stray);
  EXPECT_EQ(sel->GetAnswer(), 0);
  EXPECT_STREQ(sel->m_pMainButton->m_szImageBase, "QSELECTAA");

  delete sel;  // parts leave the layer and are deleted
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 0);
}

}  // namespace
