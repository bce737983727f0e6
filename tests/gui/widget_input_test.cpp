// The widgets driven the way a game drives them: window messages (mouse
// moves, button presses and releases, key presses) reach the game's window
// procedure, which feeds the mouse cursor and the chain manager, raises the
// areas' events and hands keys to the focused area.  A menu bar unfolds and
// is clicked, a list is paged with its attached scroll buttons and from the
// keyboard, an answer is chosen in a selector.
#include <cstring>
#include <string>
#include <vector>

#include "gui/answer_selector.h"
#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/button_menu.h"
#include "gui/list_box.h"
#include "gui/window.h"
#include "widget_fixture.h"

namespace {

using tessera::test::WidgetTest;

constexpr UINT kMouseMove = 0x0200, kButtonDown = 0x0201, kButtonUp = 0x0202, kKeyDown = 0x0100;

// The game's window procedure.
LRESULT GameProc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  QMouse* mouse = AfxGetMouse();
  CChainManager* chains = AfxGetChainManager();
  const auto x = static_cast<int16_t>(lparam & 0xFFFF), y = static_cast<int16_t>((lparam >> 16) & 0xFFFF);
  switch (message) {
    case kMouseMove:
      mouse->SetMousePos(static_cast<unsigned long>(x), static_cast<unsigned long>(y));
      chains->RefreshAll();
      if (QArea* a = AfxGetNowArea()) a->m_pfnHover(a);
      break;
    case kButtonDown:
      mouse->SetMouseKey(1);
      if (QArea* a = AfxGetNowArea()) a->m_pfnPress(a);
      break;
    case kButtonUp:
      mouse->SetMouseKey(0);
      if (QArea* a = AfxGetNowArea()) a->m_pfnClick(a);
      break;
    case kKeyDown: {
      QKey* key = AfxGetKey();
      *key = QKey();
      key->cVirtKey = static_cast<uint8_t>(wparam);
      key->dwMessage = 256;
      if (QArea* f = AfxGetNowFocus()) f->InKey(key);
      break;
    }
    case AREA_MSG_GETFOCUS: AfxSetNowFocus(reinterpret_cast<QArea*>(lparam)); break;
    default: break;
  }
  return 0;
}

std::vector<intptr_t> g_chosen;
void OnMenuItem(void* p) { g_chosen.push_back(static_cast<QArea*>(p)->m_dwData); }
void OnScrollDown(void* p) { static_cast<QList*>(static_cast<QArea*>(p)->m_pParentArea)->NextPage(); }
void OnScrollUp(void* p) { static_cast<QList*>(static_cast<QArea*>(p)->m_pParentArea)->PrevPage(); }

class WidgetInputTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    g_chosen.clear();
    tessera::SetWindowProc(window_, GameProc);
    for (int d = 0; d < 4; ++d) PutImage("MENUBARAA" + std::to_string(d), 60, 20, static_cast<unsigned short>(0x0100 + d));
    PutImage("SCROLLUPA0", 16, 16, 0x0011);
    PutImage("SCROLLDNA0", 16, 16, 0x0022);
    PutImage("LISTROWAA0", 100, 20, 0x0033);
    frame_ = Frame();
  }
  void Send(UINT message, int x, int y) {
    tessera::SendMessage(window_, message, 0, static_cast<LPARAM>((y << 16) | (x & 0xFFFF)));
  }
  void ClickAt(int x, int y) {
    Send(kMouseMove, x, y);
    Send(kButtonDown, x, y);
    Send(kButtonUp, x, y);
  }
  void Key(int vk) { tessera::SendMessage(window_, kKeyDown, static_cast<WPARAM>(vk), 0); }
  // One frame at 60 frames per second.
  void RunFrame() {
    chains_->ShowAll(frame_.get());
    clock_->Advance(17);
  }
  std::unique_ptr<DIBSURFACE> frame_;
};

TEST_F(WidgetInputTest, MenuBarUnfoldsAndAnswersClicks) {
  InItem items[3];
  memset(items, 0, sizeof(items));
  const char* captions[] = {"Items", "Save", "Quit"};
  for (int i = 0; i < 3; ++i) {
    strcpy(items[i].szCaption, captions[i]);
    strcpy(items[i].szImage, "MENUBARAA");
    items[i].nID = 100 + i;
    items[i].pfnClick = OnMenuItem;
    items[i].rect = tagRECT{10 + 70 * i, 5, 69 + 70 * i, 24};
  }
  QBtMenu bar(3, items);
  chains_->Add(&bar, CHAIN_TOP);
  Send(kMouseMove, 90, 10);  // on the second item, still folded: nothing there
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  for (int f = 0; f < 7; ++f) RunFrame();
  EXPECT_EQ(bar.m_nUnfolded, 3);
  EXPECT_EQ(frame_->GetPixel(150, 5).GetColor(), 0x0100);

  Send(kMouseMove, 91, 10);
  ASSERT_EQ(AfxGetNowArea(), bar.GetItem(1));
  EXPECT_EQ(bar.GetItem(1)->m_nImage, 1);
  Send(kButtonDown, 91, 10);
  EXPECT_EQ(bar.GetItem(1)->m_nImage, 2);
  RunFrame();
  EXPECT_EQ(frame_->GetPixel(80, 5).GetColor(), 0x0102);  // the pressed look is drawn
  Send(kButtonUp, 91, 10);
  ClickAt(160, 20);
  EXPECT_EQ(g_chosen, (std::vector<intptr_t>{101, 102}));
}

TEST_F(WidgetInputTest, ListPagesWithItsScrollButtonsAndTheKeyboard) {
  QList list(tagRECT{100, 40, 219, 159}, tagRECT{105, 45, 204, 0}, QPoint{0, 0}, "LISTROWAA", "", false);
  list.m_nRows = 5;
  list.m_nRowHeight = 20;
  for (int i = 0; i < 12; ++i) list.Add(("record " + std::to_string(i)).c_str(), "", static_cast<unsigned long>(i));
  auto* up = new QButton(tagRECT{205, 45, 220, 60}, "", "", "SCROLLUPA");
  auto* down = new QButton(tagRECT{205, 140, 220, 155}, "", "", "SCROLLDNA");
  up->m_pfnClick = OnScrollUp;
  down->m_pfnClick = OnScrollDown;
  up->SetParentArea(&list);
  down->SetParentArea(&list);
  list.m_pMovePart[0] = up;
  list.m_pMovePart[1] = down;
  list.Refresh(false, true);
  chains_->Add(&list, CHAIN_TOP);

  std::vector<int> tops;
  for (int i = 0; i < 3; ++i) {
    ClickAt(210, 150);
    tops.push_back(list.m_nTop);
  }
  ClickAt(210, 50);
  tops.push_back(list.m_nTop);
  EXPECT_EQ(tops, (std::vector<int>{5, 7, 7, 2}));
  // The rows on screen are the page's records.
  Send(kMouseMove, 150, 50);
  ASSERT_NE(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetNowArea()->m_dwData, 2);
  RunFrame();
  EXPECT_EQ(frame_->GetPixel(105, 46).GetColor(), 0x0033);

  // The list asks for the focus; the game grants it; keys page it.
  list.GetFocus();
  ASSERT_FALSE(window_->received.empty());
  EXPECT_EQ(window_->received.back().message, static_cast<UINT>(AREA_MSG_GETFOCUS));
  EXPECT_EQ(window_->received.back().lparam, reinterpret_cast<LPARAM>(&list));
  EXPECT_EQ(AfxGetNowFocus(), &list);
  std::vector<int> keyed;
  for (int vk : {35, 33, 38, 40, 40, 36, 34, 65}) {
    Key(vk);
    keyed.push_back(list.m_nTop);
  }
  EXPECT_EQ(keyed, (std::vector<int>{7, 2, 1, 2, 3, 0, 5, 5}));
  // A key-up record pages nothing.
  QKey up_key;
  up_key.cVirtKey = 34;
  up_key.dwMessage = 257;
  list.InKey(&up_key);
  EXPECT_EQ(list.m_nTop, 5);
  list.InKey(nullptr);
}

TEST_F(WidgetInputTest, AnswerIsChosenInASelector) {
  for (char letter : std::string("XABCD")) PutImage(std::string("ANSWERB") + letter + "A0", 30, 20, static_cast<unsigned short>(letter));
  PutImage("ANSPANEL00", 200, 40, 0x0008);
  auto* sel = new QSelectBt;
  strcpy(sel->m_szImageBase, "ANSWERBXA");
  sel->m_pMainButton = new QButton(tagRECT{10, 200, 39, 219}, "", "", "ANSWERBXA");
  char panel[] = "ANSPANEL00";
  sel->m_pPanel = new QWindow(0, 150, 0, 150, panel, QWIN_DIB);
  const char* bases[] = {"ANSWERBAA", "ANSWERBBA", "ANSWERBCA", "ANSWERBDA"};
  for (int i = 0; i < 4; ++i) sel->m_pAnswer[i] = new QButton(tagRECT{10 + 40 * i, 160, 39 + 40 * i, 179}, "", "", bases[i]);
  chains_->Add(sel, CHAIN_TOP);
  ClickAt(20, 210);  // opens (the answers were shown with the selector too)
  EXPECT_EQ(sel->m_pMainButton->m_dwState, 2u);
  ClickAt(135, 170);  // D
  EXPECT_EQ(sel->GetAnswer(), 3);
  EXPECT_EQ(sel->m_pAnswer[3]->m_dwState, 2u);
  RunFrame();
  EXPECT_EQ(frame_->GetPixel(10, 200).GetColor(), 'D');
  EXPECT_EQ(frame_->GetPixel(135, 170).GetColor(), 0);  // the answers are gone
  Send(kMouseMove, 135, 170);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  delete sel;
}

}  // namespace
