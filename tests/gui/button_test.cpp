// QButton, QBtMenu, QCheck, QSelectBt and QList: looks, captions, events,
// flash, ghost and hit tests; menus unfolding, check groups, the answer
// selector; the list's paging, rows, records, parts and background.
#include "gui/button.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/font_state.h"
#include "engine/rle_surface.h"
#include "gui/answer_selector.h"
#include "gui/area_chain.h"
#include "gui/button_menu.h"
#include "gui/check_group.h"
#include "gui/list_box.h"
#include "gui/window.h"
#include "gui_fixture.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "sound/wave_file.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::ReferenceTransMix;  // its weight is the destination's: 32 - level

constexpr unsigned short kLook[4] = {0x001F, 0x03E0, 0x7C00, 0x3DEF};

void Clicked(void*) {}

class ButtonTest : public tessera::test::GuiTest {
 protected:
  // Look d of "BTNTESTAA": 60 + d pixels wide, 20 high, in kLook[d].
  void PutLooks(std::initializer_list<int> digits) {
    for (int d : digits) PutImage("BTNTESTAA" + std::to_string(d), 60 + d, 20, kLook[d]);
  }
  static unsigned short Px(const QButton& b, int look, int x, int y) {
    return b.m_pImage[look]->GetPixel(x, y).GetColor();
  }
  // Three menu records "Item <i>" of "MENUITEMA" looks, ids 11.., 20 high
  // from (20, 30) down; the first clicks Clicked.
  void MakeItems() {
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
  // At (10, 10), rows from (15, 20), 20 pixels high; records "r<i>", data 100 + i.
  std::unique_ptr<QList> MakeList(int records, int rows, const char* back = "") {
    PutImage("LISTROWAA0", 100, 20, 0x0123);
    auto l = std::make_unique<QList>(tagRECT{10, 10, 129, 149}, tagRECT{15, 20, 114, 0},
                                     QPoint{5, 6}, "LISTROWAA", back, false);
    l->m_nRows = rows;
    l->m_nRowHeight = 20;
    for (int i = 0; i < records; ++i) l->Add(("r" + std::to_string(i)).c_str(), "", 100 + i);
    return l;
  }
  static std::vector<std::string> Rows(QList& l) {
    std::vector<std::string> v;
    for (unsigned i = 0; QButton* b = l.m_RowMenu.GetItem(i); ++i)
      v.push_back(std::string(b->m_szCaption) + ":" + std::to_string(b->m_dwData));
    return v;
  }
  InItem items_[3];
};

TEST_F(ButtonTest, LooksComeFromTheBasePlusTheirDigit) {
  PutLooks({0, 1, 2, 3});
  QButton b(tagRECT{10, 10, 69, 29}, "", "", "BTNTESTAAXYZ");  // nine characters count
  for (int look = 0; look < 4; ++look) {
    ASSERT_NE(b.m_pImage[look], nullptr);
    EXPECT_EQ(b.m_pImage[look]->GetWidth(), 60 + look);
    EXPECT_EQ(Px(b, look, 0, 0), kLook[look]);
  }
  SURFACE* before = b.m_pImage[0];
  b.ChangeImage("new", "tip", "BTNTESTA");  // eight characters: texts taken, looks kept
  EXPECT_EQ(b.m_pImage[0], before);
  EXPECT_STREQ(b.m_szCaption, "new");
  EXPECT_STREQ(b.m_szTip, "tip");
}

TEST_F(ButtonTest, MissingLooks) {
  PutLooks({0, 1});
  QButton b(tagRECT{0, 0, 99, 19}, "AB", "", "BTNTESTAA");
  EXPECT_EQ(b.m_pImage[2], nullptr);
  ASSERT_NE(b.m_pImage[3], nullptr);  // the normal image again, without caption
  EXPECT_EQ(Px(b, 3, 43, 3), kLook[0]);
  b.m_nImage = 1;
  QButton::OnPress(&b);  // no pressed look: the look stays
  EXPECT_EQ(b.m_nImage, 1);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

// Press plays the area's click sound (the sound rules are the area's).
TEST_F(ButtonTest, PressPlaysTheClickSound) {
  std::filesystem::create_directories("wav");
  const std::string samples(16, '\0');
  ASSERT_TRUE(
      tessera::WriteWaveFile("wav\\click.WAV", 1, 22050, 16, samples.data(), samples.size()));
  QButton b(tagRECT{0, 0, 59, 19}, "", "", "NOSUCHIMG");
  ASSERT_TRUE(AfxCreateSound(nullptr));
  tessera::ClearHeadlessAudioLog();
  QButton::OnPress(&b);
  ASSERT_FALSE(tessera::HeadlessAudioLog().empty());
  EXPECT_EQ(tessera::HeadlessAudioLog().back().find("Play"), 3u);
}

// x centred by the caption's width at the button's font size (or 5), y
// centred by the font's height; white shadow at (+1, +1), black text.
TEST_F(ButtonTest, CaptionIsPrintedIntoEveryLook) {
  PutLooks({0, 1, 2, 3});
  struct {
    int font;
    bool center;
    int bottom, x, y;
  } cases[] = {
      {12, false, 19, 5, 3}, {16, true, 19, 41, 1}, {24, true, 29, 37, 2}, {16, true, 9, 41, -3}};
  for (const auto& c : cases) {
    tessera::SetCurrentFontSize(24);
    QButton b;
    b.Create(tagRECT{0, 0, 99, c.bottom}, "AB", "", "BTNTESTAA", c.center);
    if (c.font != 12) b.SetFontSize(c.font);
    EXPECT_EQ(tessera::CurrentFontSize(), 24);
    for (int look = 0; look < 4; ++look) {
      SCOPED_TRACE(std::to_string(c.font) + " look " + std::to_string(look));
      EXPECT_NE(dynamic_cast<RLESURFACE*>(b.m_pImage[look]), nullptr);
      if (c.y < 0) {  // above the image: nothing printed
        for (int x = 0; x < 60; ++x) EXPECT_EQ(Px(b, look, x, 0), kLook[look]);
        continue;
      }
      for (int dx : {0, c.font / 2}) {
        EXPECT_EQ(Px(b, look, c.x + dx, c.y), 0);
        EXPECT_EQ(Px(b, look, c.x + dx + 1, c.y + 1), 0x7FFF);
      }
      EXPECT_EQ(Px(b, look, c.x - 1, c.y), kLook[look]);
      EXPECT_EQ(Px(b, look, c.x + 2, c.y + 1), kLook[look]);
    }
  }
}

TEST_F(ButtonTest, CaptionAndTipLimits) {
  for (auto [caption, tip, taken] :
       {std::tuple{104, 19, true}, {105, 20, false}, {300, 100, false}}) {
    QButton b(tagRECT{0, 0, 9, 9}, "old", "old tip", "NOSUCHIMG");
    const std::string c(static_cast<size_t>(caption), 'c'), t(static_cast<size_t>(tip), 't');
    b.ChangeImage(c.c_str(), t.c_str(), nullptr);
    EXPECT_EQ(std::string(b.m_szCaption), taken ? c : "old");
    EXPECT_EQ(std::string(b.m_szTip, strnlen(b.m_szTip, 20)), taken ? t : "old tip");
  }
}

TEST_F(ButtonTest, LooksFollowTheEvents) {
  PutLooks({0, 1, 2, 3});
  QButton b(tagRECT{20, 20, 79, 39}, "", "press me", "BTNTESTAA");
  chains_->Add(&b, CHAIN_TOP);
  MoveTo(30, 30);
  EXPECT_EQ(b.m_nImage, 1);
  EXPECT_STREQ(g_szTipText, "press me");
  const struct {
    AREA_CALLBACK QArea::*slot;
    int look;
  } steps[] = {{&QArea::m_pfnHover, 1},
               {&QArea::m_pfnPress, 2},
               {&QArea::m_pfnHover, 2},
               {&QArea::m_pfnClick, 0},
               {&QArea::m_pfnHover, 0}};
  for (const auto& s : steps) {
    Raise(s.slot);
    EXPECT_EQ(b.m_nImage, s.look);
  }
  // Leaving resets the look and the tip; disabled, nothing changes the
  // grey look and the button is not hit.
  b.m_nImage = 2;
  MoveTo(200, 200);
  EXPECT_EQ(b.m_nImage, 0);
  b.Enable(false);
  EXPECT_EQ(b.m_nImage, 3);
  MoveTo(30, 30);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  for (AREA_CALLBACK h :
       {QButton::OnMouseIn, QButton::OnPress, QButton::OnHover, QButton::OnMouseOut})
    h(&b);
  EXPECT_EQ(b.m_nImage, 3);
  b.Enable(true);
  EXPECT_EQ(b.m_nImage, 0);
}

TEST_F(ButtonTest, HitTestSkipsKeyPixels) {
  PutImage("BTNHOLEAA0", 40, 20, 0x1111, tagRECT{10, 5, 20, 10});
  QButton b(tagRECT{100, 100, 139, 119}, "", "", "BTNHOLEAA");
  b.m_dwState = 1;
  for (auto [x, y, hit] :
       {std::tuple{109, 105, true}, {110, 105, false}, {120, 109, true}, {140, 100, false}})
    EXPECT_EQ(b.IsPointed(x, y), hit) << x << "," << y;
  b.m_nImage = QButton::LOOK_HIDDEN;
  EXPECT_FALSE(b.IsPointed(109, 105));
}

TEST_F(ButtonTest, FlashFallsBackToNormalAfter200Milliseconds) {
  PutLooks({0, 1, 2, 3});
  QButton a(tagRECT{0, 0, 59, 19}, "", "", "BTNTESTAA"),
      b(tagRECT{100, 0, 159, 19}, "", "", "BTNTESTAA");
  a.SetFlash(true);
  b.SetFlash(true);
  chains_->Add(&a, CHAIN_TOP);
  chains_->Add(&b, CHAIN_TOP);
  MoveTo(10, 10);
  Raise(&QArea::m_pfnHover);  // starts the shared timer
  clock_->Advance(200);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(a.m_nImage, 1);
  clock_->Advance(1);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(a.m_nImage, 0);
  EXPECT_EQ(tessera::ButtonFlashTimer(), 0u);
  // a left after 150 ms: b still gets its whole 200 ms.
  QButton::OnMouseIn(&a);
  Raise(&QArea::m_pfnHover);
  clock_->Advance(150);
  MoveTo(110, 10);
  clock_->Advance(100);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(b.m_nImage, 1);
  clock_->Advance(201);
  Raise(&QArea::m_pfnHover);
  EXPECT_EQ(b.m_nImage, 0);
}

TEST_F(ButtonTest, GhostIsTranslucentWithAnOpaqueCaption) {
  PutLooks({0, 1, 2, 3});
  PutImage("BTNOTHERA2", 80, 20, 0x0C63);
  QButton b(tagRECT{10, 10, 109, 29}, "AB", "", "BTNTESTAA");
  b.m_bGhost = true;
  constexpr unsigned short kBack = 0x4210;
  DIBSURFACE* frame = Frame(kBack);
  b.Show(frame);
  EXPECT_EQ(frame->GetPixel(12, 12).GetColor(), ReferenceTransMix(kLook[0], kBack, 11));
  EXPECT_EQ(frame->GetPixel(53, 13).GetColor(), 0);  // caption dot
  EXPECT_EQ(frame->GetPixel(54, 14).GetColor(), 0x7FFF);
  EXPECT_EQ(frame->GetPixel(75, 12).GetColor(), kBack);
  b.ChangeImage("AB", "", "BTNOTHERA");  // new images are picked up
  b.m_nImage = 2;
  b.Show(frame);
  EXPECT_EQ(frame->GetPixel(80, 12).GetColor(), ReferenceTransMix(0x0C63, kBack, 11));
}

TEST_F(ButtonTest, MenuButtonsAreBuiltFromTheRecords) {
  MakeItems();
  QBtMenu menu(3, items_);
  ASSERT_EQ(menu.GetCount(), 3);
  EXPECT_EQ(menu.GetItem(2)->m_dwData, 13);
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

// The first frame starts the shared timer; a step needs more than the delay
// since the last step, and each item takes two (hover, then normal), one
// item after another; the delay halves with each item out and is never
// restored.  Shown again, the menu folds again and hidden items are not
// hit; a menu that does not unfold shows its items at once.
TEST_F(ButtonTest, MenuItemsUnfoldOneAfterAnother) {
  MakeItems();
  QBtMenu menu(3, items_);
  chains_->Add(&menu, CHAIN_TOP);
  DIBSURFACE* frame = Frame();
  const struct {
    int advance;
    std::vector<int> looks;
    unsigned delay;
  } steps[] = {{0, {-1, -1, -1}, 10}, {10, {-1, -1, -1}, 10}, {1, {1, -1, -1}, 10},
               {10, {1, -1, -1}, 10}, {1, {0, -1, -1}, 5},    {6, {0, 1, -1}, 5},
               {6, {0, 0, -1}, 2},    {3, {0, 0, 1}, 2},      {3, {0, 0, 0}, 1}};
  for (const auto& s : steps) {
    clock_->Advance(static_cast<uint32_t>(s.advance));
    chains_->ShowAll(frame);
    EXPECT_EQ(Looks(menu), s.looks) << s.advance;
    EXPECT_EQ(tessera::MenuUnfoldDelay(), s.delay);
  }
  menu.SetState(QAREA_SHOW, nullptr);
  EXPECT_EQ(Looks(menu), (std::vector<int>{-1, -1, -1}));
  MoveTo(30, 35);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  QBtMenu flat;
  flat.m_bUnfold = false;
  flat.SetContent(3, items_);
  chains_->Add(&flat, CHAIN_TOP);
  EXPECT_EQ(Looks(flat), (std::vector<int>{0, 0, 0}));
}

TEST_F(ButtonTest, MenuLayerOrderMoveAndClosing) {
  MakeItems();
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

// The looks the layers draw now move together in drawing order (bottom
// layer first); the frame stays the same, and the looks not drawn (hover,
// a hidden button's) stay where they are and still draw.
TEST_F(ButtonTest, PlacingTheDrawnLooksTogetherKeepsTheFrame) {
  PutLooks({0, 1, 2, 3});
  QButton top(tagRECT{10, 10, 69, 29}, "T", "", "BTNTESTAA");
  QButton bottom(tagRECT{40, 20, 99, 39}, "B", "", "BTNTESTAA");  // under top's right part
  QButton hidden(tagRECT{10, 60, 69, 79}, "H", "", "BTNTESTAA");
  chains_->Add(&top, CHAIN_TOP);
  chains_->Add(&bottom, CHAIN_BOTTOM);
  chains_->Add(&hidden, CHAIN_TOP);
  hidden.SetState(QAREA_HIDE, chains_->GetChain(CHAIN_TOP));
  DIBSURFACE* frame = Frame();
  chains_->ShowAll(frame);
  const std::vector<uint16_t> shown = tessera::test::Pixels(frame);
  void* hover = top.m_pImage[1]->GetBitmap();
  void* unseen = hidden.m_pImage[0]->GetBitmap();

  ASSERT_TRUE(chains_->PlacePicturesTogether());
  const char* first = static_cast<char*>(bottom.m_pImage[0]->GetBitmap());
  const char* second = static_cast<char*>(top.m_pImage[0]->GetBitmap());
  EXPECT_GT(second, first);
  EXPECT_LT(second - first, 4096);  // one look's block, and no more, lies between
  EXPECT_EQ(top.m_pImage[1]->GetBitmap(), hover);
  EXPECT_EQ(hidden.m_pImage[0]->GetBitmap(), unseen);
  Frame();
  chains_->ShowAll(frame);
  EXPECT_EQ(tessera::test::Pixels(frame), shown);

  top.m_nImage = 1;
  hidden.SetState(QAREA_SHOW, chains_->GetChain(CHAIN_TOP));
  Frame();
  chains_->ShowAll(frame);
  EXPECT_EQ(frame->GetPixel(10, 60).GetColor(), Px(hidden, 0, 0, 0));
  EXPECT_EQ(frame->GetPixel(12, 12).GetColor(), Px(top, 1, 2, 2));
  chains_->DeleteAll();
}

TEST_F(ButtonTest, CheckGroupHasOneActiveItem) {
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

TEST_F(ButtonTest, SelectorOpensAndTakesTheChosenAnswer) {
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

// The last page leaves no blank row unless the records are fewer than the
// rows; key-down records page (Page keys, Home, End, the arrows) within
// both ends, other keys and key-up records do not.
TEST_F(ButtonTest, ListPaging) {
  for (auto [records, last] : {std::pair{12, 7}, {3, 0}}) {
    auto l = MakeList(records, 5);
    l->ToLastPage();
    EXPECT_EQ(l->m_nTop, last) << records;
    EXPECT_EQ(l->m_RowMenu.GetCount(), 5);
  }
  auto l = MakeList(12, 5);
  l->m_nTop = 2;
  QKey* key = AfxGetKey();
  std::vector<int> tops;
  for (int vk :
       {35, 33, 33, 40, 38, 34, 34, 65, 36}) {  // End, PgUp, PgUp, Down, Up, PgDn, PgDn, A, Home
    *key = QKey();
    key->cVirtKey = static_cast<uint8_t>(vk);
    key->dwMessage = 256;
    l->InKey(key);
    tops.push_back(l->m_nTop);
  }
  EXPECT_EQ(tops, (std::vector<int>{7, 2, 0, 1, 0, 5, 7, 7, 0}));
  key->cVirtKey = 34;
  key->dwMessage = 257;
  l->InKey(key);
  EXPECT_EQ(l->m_nTop, 0);
}

TEST_F(ButtonTest, ListRowsOfAPageAndPagesPastTheEnds) {
  auto l = MakeList(12, 3);
  l->m_nTop = 4;
  l->m_pfnRowClick = DoNothing;
  l->Refresh(false, false);
  EXPECT_EQ(Rows(*l), (std::vector<std::string>{"r4:104", "r5:105", "r6:106"}));
  QButton* b = l->m_RowMenu.GetItem(2);
  EXPECT_EQ(
      std::vector<long>({b->m_rcArea.left, b->m_rcArea.top, b->m_rcArea.right, b->m_rcArea.bottom}),
      std::vector<long>({15, 60, 114, 80}));
  EXPECT_EQ(b->m_pfnClick, DoNothing);
  EXPECT_FALSE(b->m_bCenterCaption);
  for (int top : {12, -4, 2147483647 - 1}) {
    l->m_nTop = top;
    l->Refresh(false, true);
    EXPECT_EQ(Rows(*l), (std::vector<std::string>(3, ":-1"))) << top;
  }
  l->m_nTop = -1;
  l->Refresh(false, true);
  EXPECT_EQ(Rows(*l), (std::vector<std::string>{":-1", "r0:100", "r1:101"}));
  l->m_nRows = -3;
  l->Refresh(false, true);
  EXPECT_EQ(l->m_RowMenu.GetCount(), 0);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

// Rows share the image reads of one rebuild; their looks are still each
// their own and the same as a button made alone.
TEST_F(ButtonTest, ListRowLooksMatchAButtonMadeAlone) {
  PutImage("LISTROWAA1", 100, 20, 0x0456);
  auto l = MakeList(2, 3);
  l->DeleteItem(1);
  l->Refresh(false, true);
  QButton alone;
  alone.Create(tagRECT{15, 20, 114, 40}, "r0", "", "LISTROWAA", true);
  alone.SetFontSize(16);
  for (int look = 0; look < 4; ++look) {
    SURFACE* row = l->m_RowMenu.GetItem(0)->m_pImage[look];
    ASSERT_EQ(row == nullptr, alone.m_pImage[look] == nullptr) << look;
    for (int y = 0; row && y < 20; ++y)
      for (int x = 0; x < 100; ++x)
        ASSERT_EQ(row->GetPixel(x, y).GetColor(), alone.m_pImage[look]->GetPixel(x, y).GetColor())
            << look;
  }
  std::set<SURFACE*> looks;  // each row owns its looks
  for (unsigned i = 0; i < 3; ++i)
    for (SURFACE* s : l->m_RowMenu.GetItem(i)->m_pImage) looks.insert(s);
  EXPECT_EQ(looks.size(), 10u);  // 3 x 3 and the missing look
}

TEST_F(ButtonTest, ListDeletedRecordsAndLongTexts) {
  auto l = MakeList(4, 4);
  l->DeleteItem(2);
  l->DeleteItem(4);  // no such record
  EXPECT_EQ(l->GetCount(), 4);
  l->Refresh(false, true);
  EXPECT_EQ(Rows(*l), (std::vector<std::string>{"r0:100", "r1:101", ":-1", "r3:103"}));
  l->DeleteAll();
  EXPECT_EQ(l->GetCount(), 0);
  EXPECT_EQ(Rows(*l), (std::vector<std::string>(4, ":-1")));  // the rows stay, blank
  const std::string ascii(300, 'a'), gbk = std::string(104, 'a') + "\xD6\xD0";  // 中 would be cut
  l->Add(ascii.c_str(), "tip text that is far too long", 1);
  l->Add(gbk.c_str(), "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0", 2);
  l->Add(nullptr, nullptr, 3);
  EXPECT_EQ(std::string(l->GetRecord(0)->caption), ascii.substr(0, 105));
  EXPECT_STREQ(l->GetRecord(0)->tip, "tip text that");
  EXPECT_EQ(std::string(l->GetRecord(1)->caption), gbk.substr(0, 104));
  EXPECT_EQ(strlen(l->GetRecord(1)->tip), 12u);
  EXPECT_STREQ(l->GetRecord(2)->caption, "");
  EXPECT_EQ(l->GetRecord(3), nullptr);
  l->Refresh(false, true);
  EXPECT_STREQ(l->m_RowMenu.GetItem(0)->m_szCaption, "");  // 105 bytes: too long for a button
}

TEST_F(ButtonTest, ListPartsFollowAndOnlyTheMovingOnesMove) {
  auto l = MakeList(12, 3);
  l->Refresh(false, true);
  auto* part = new QArea(200, 200, 209, 209);
  auto* mover = new QArea(150, 10, 159, 19);
  l->m_pPart[8] = part;
  l->m_pMovePart[1] = mover;
  chains_->Add(l.get(), CHAIN_TOP);
  QAreaChain* top = chains_->GetChain(CHAIN_TOP);
  ASSERT_EQ(top->GetCount(), 7);  // list, part, row menu, three rows, moving part
  EXPECT_EQ(top->GetArea(1), part);
  EXPECT_EQ(top->GetArea(6), mover);
  l->Move(20, 6);  // by (10, -4)
  EXPECT_EQ(mover->m_rcArea.left, 160);
  EXPECT_EQ(mover->m_rcArea.top, 6);
  EXPECT_EQ(part->m_rcArea.left, 200);
  EXPECT_EQ(l->m_RowMenu.GetItem(2)->m_rcArea.top, 56);
  l->NextPage();  // later pages go where the rows went, shown
  EXPECT_EQ(l->m_RowMenu.GetItem(0)->m_rcArea.right, 124);
  EXPECT_EQ(l->m_RowMenu.GetItem(0)->m_dwState, 1u);
  l->SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(part->m_dwState, 2);
  EXPECT_EQ(mover->m_dwState, 2);
  l.reset();
  EXPECT_EQ(top->GetCount(), 0);
}

TEST_F(ButtonTest, ListBackgroundRefreshAndAMissingBackground) {
  PutImage("LISTBACK00", 120, 140, 0x0042);
  auto l = MakeList(0, 0, "LISTBACK00");
  ASSERT_TRUE(l->m_pBackImage);
  l->m_pOverlay = vm_->CreateSurface(4, 4, SS_DIB);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) l->m_pOverlay->SetPixel(x, y, x == 0 ? COLOR_KEY : 0x7000);
  l->m_pBackImage->SetPixel(50, 50, 0x1111);
  l->Refresh(true, false);
  for (auto [x, y, c] : {std::tuple{50, 50, 0x0042}, {5, 6, 0x0042}, {6, 6, 0x7000}})
    EXPECT_EQ(l->m_pBackImage->GetPixel(x, y).GetColor(), c);
  DIBSURFACE* frame = Frame();
  l->Show(frame);
  EXPECT_EQ(frame->GetPixel(16, 16).GetColor(), 0x7000);
  auto bare = MakeList(2, 2, "NOLISTBACK");
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text.rfind("Create ListBackImage error!\n", 0), 0u);
  bare->Refresh(true, true);  // nothing to refresh or draw, no fault
  bare->Show(frame);
}

}  // namespace
