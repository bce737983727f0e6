// QList: paging at both ends and past them, rows for a page, deleted
// records, long texts, parts and moving, the background refresh.
#include "gui/list_box.h"

#include <set>
#include <string>
#include <vector>

#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"

namespace {

class ListTest : public tessera::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    PutImage("LISTROWAA0", 100, 20, 0x0123);
    PutImage("LISTBACK00", 120, 140, 0x0042);
  }
  // At (10, 10), rows from (15, 20), 20 pixels high; records "r<i>", data 100 + i.
  std::unique_ptr<QList> Make(int records, int rows, const char* back = "") {
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
};

TEST_F(ListTest, PagingArithmetic) {
  for (auto [records, rows, last] : {std::tuple{12, 5, 7}, {3, 5, 0}, {6, 5, 1}, {0, 5, 0}}) {
    auto l = Make(records, rows);
    l->ToLastPage();
    EXPECT_EQ(l->m_nTop, last) << records << " " << rows;
    EXPECT_EQ(l->m_RowMenu.GetCount(), rows);
  }
  auto few = Make(3, 5);
  few->ToLastPage();
  EXPECT_EQ(Rows(*few), (std::vector<std::string>{"r0:100", "r1:101", "r2:102", ":-1", ":-1"}));
  auto l = Make(12, 5);
  std::vector<int> tops;
  for (void (QList::*step)() : {&QList::NextPage, &QList::NextPage, &QList::NextPage,
                                &QList::PrevPage, &QList::PrevPage, &QList::PrevPage}) {
    (l.get()->*step)();
    tops.push_back(l->m_nTop);
  }
  EXPECT_EQ(tops, (std::vector<int>{5, 7, 7, 2, 0, 0}));
  l->m_nTop = 100;  // left past the end: the previous page is the last one
  l->PrevPage();
  EXPECT_EQ(l->m_nTop, 7);
}

TEST_F(ListTest, RowsOfAPageAndPagesPastTheEnds) {
  auto l = Make(12, 3);
  l->m_nTop = 4;
  l->m_pfnRowClick = DoNothing;
  l->m_nRowFontSize = 12;
  l->m_bRowGhost = true;
  l->Refresh(false, false);
  EXPECT_EQ(Rows(*l), (std::vector<std::string>{"r4:104", "r5:105", "r6:106"}));
  QButton* b = l->m_RowMenu.GetItem(2);
  EXPECT_EQ(b->m_rcArea.left, 15);
  EXPECT_EQ(b->m_rcArea.right, 114);
  EXPECT_EQ(b->m_rcArea.top, 60);
  EXPECT_EQ(b->m_rcArea.bottom, 80);
  EXPECT_EQ(b->m_pfnClick, DoNothing);
  EXPECT_FALSE(b->m_bCenterCaption);
  EXPECT_TRUE(b->m_bGhost);
  EXPECT_EQ(b->m_nFontSize, 12);
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
TEST_F(ListTest, RowLooksMatchAButtonMadeAlone) {
  PutImage("LISTROWAA1", 100, 20, 0x0456);
  auto l = Make(2, 3);
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

TEST_F(ListTest, DeletedRecordsAndLongTexts) {
  auto l = Make(4, 4);
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

TEST_F(ListTest, PartsFollowAndOnlyTheMovingOnesMove) {
  auto l = Make(12, 3);
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

// The game gives the list the focus when it asks (message 1027) and hands
// it key-down records: Page keys, Home, End and the arrows page it.
TEST_F(ListTest, KeyboardPaging) {
  tessera::SetWindowProc(window_, [](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
    if (m == AREA_MSG_GETFOCUS) AfxSetNowFocus(reinterpret_cast<QArea*>(l));
    return 0;
  });
  auto l = Make(12, 5);
  l->m_nTop = 2;
  l->GetFocus();
  ASSERT_EQ(AfxGetNowFocus(), l.get());
  std::vector<int> tops;
  for (int vk : {35, 33, 38, 40, 40, 36, 34, 65}) {  // End, PgUp, Up, Down, Down, Home, PgDn, A
    QKey* key = AfxGetKey();
    *key = QKey();
    key->cVirtKey = static_cast<uint8_t>(vk);
    key->dwMessage = 256;
    AfxGetNowFocus()->InKey(key);
    tops.push_back(l->m_nTop);
  }
  EXPECT_EQ(tops, (std::vector<int>{7, 2, 1, 2, 3, 0, 5, 5}));
  EXPECT_EQ(Rows(*l)[0], "r5:105");
  AfxGetKey()->dwMessage = 257;  // a key-up record pages nothing
  l->InKey(AfxGetKey());
  EXPECT_EQ(l->m_nTop, 5);
}

TEST_F(ListTest, BackgroundRefreshAndAMissingBackground) {
  auto l = Make(0, 0, "LISTBACK00");
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
  auto bare = Make(2, 2, "NOLISTBACK");
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text.rfind("Create ListBackImage error!\n", 0), 0u);
  bare->Refresh(true, true);  // nothing to refresh or draw, no fault
  bare->Show(frame);
}

}  // namespace
