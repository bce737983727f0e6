// QList: paging arithmetic at both ends, rows for a page (records, empty
// rows, identifiers, rectangles), pages past the end, deleting records,
// the attached parts, moving, the background refresh and bad input.
#include <cstring>
#include <string>
#include <vector>

#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/list_box.h"
#include "platform/headless/headless_message_sink.h"
#include "widget_fixture.h"

namespace {

using tessera::test::WidgetTest;

class ListTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    PutImage("LISTROWAA0", 100, 20, 0x0123);
    PutImage("LISTBACK00", 120, 140, 0x0042);
  }
  // A list at (10, 10) with rows from (15, 20), `rows` rows of 20 pixels
  // and `records` records "r<i>" with data 100 + i.
  std::unique_ptr<QList> Make(int records, int rows, const char* back = "LISTBACK00") {
    auto list = std::make_unique<QList>(tagRECT{10, 10, 129, 149}, tagRECT{15, 20, 114, 0}, QPoint{5, 6},
                                        "LISTROWAA", back, false);
    list->m_nRows = rows;
    list->m_nRowHeight = 20;
    for (int i = 0; i < records; ++i) list->Add(("r" + std::to_string(i)).c_str(), "", 100 + i);
    return list;
  }
  std::vector<std::string> Captions(QList& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.m_RowMenu.GetCount(); ++i) v.push_back(l.m_RowMenu.GetItem(static_cast<unsigned>(i))->m_szCaption);
    return v;
  }
  std::vector<intptr_t> Ids(QList& l) {
    std::vector<intptr_t> v;
    for (int i = 0; i < l.m_RowMenu.GetCount(); ++i) v.push_back(l.m_RowMenu.GetItem(static_cast<unsigned>(i))->m_dwData);
    return v;
  }
};

TEST_F(ListTest, LastPageArithmetic) {
  struct Case {
    int records, rows, top;
  } cases[] = {{12, 5, 7}, {3, 5, 0}, {5, 5, 0}, {6, 5, 1}, {0, 5, 0}, {10000, 10, 9990}};
  for (const Case& c : cases) {
    auto list = Make(c.records, c.rows, "");
    list->ToLastPage();
    EXPECT_EQ(list->m_nTop, c.top) << c.records << " " << c.rows;
    EXPECT_EQ(list->m_RowMenu.GetCount(), c.rows);
  }
  // Fewer records than rows: the rest are empty rows with identifier -1.
  auto list = Make(3, 5, "");
  list->ToLastPage();
  EXPECT_EQ(Captions(*list), (std::vector<std::string>{"r0", "r1", "r2", "", ""}));
  EXPECT_EQ(Ids(*list), (std::vector<intptr_t>{100, 101, 102, -1, -1}));
}

TEST_F(ListTest, PagingStaysBetweenTheFirstAndTheLastPage) {
  auto list = Make(12, 5, "");
  std::vector<int> tops;
  list->ToFirstPage();
  tops.push_back(list->m_nTop);
  for (int i = 0; i < 3; ++i) {
    list->NextPage();
    tops.push_back(list->m_nTop);
  }
  for (int i = 0; i < 3; ++i) {
    list->PrevPage();
    tops.push_back(list->m_nTop);
  }
  EXPECT_EQ(tops, (std::vector<int>{0, 5, 7, 7, 2, 0, 0}));
  list->m_nTop = 5;
  list->Refresh(false, true);
  EXPECT_EQ(Captions(*list), (std::vector<std::string>{"r5", "r6", "r7", "r8", "r9"}));

  auto few = Make(3, 5, "");
  few->NextPage();
  EXPECT_EQ(few->m_nTop, 0);
}

TEST_F(ListTest, RowsAreButtonsUnderEachOther) {
  auto list = Make(12, 3);
  list->m_nTop = 4;
  list->m_pfnRowClick = DoNothing;
  list->m_nRowFontSize = 12;
  list->m_bRowGhost = true;
  list->Refresh(false, false);
  EXPECT_FALSE(list->m_bRowCenter);
  ASSERT_EQ(list->m_RowMenu.GetCount(), 3);
  for (unsigned i = 0; i < 3; ++i) {
    QButton* b = list->m_RowMenu.GetItem(i);
    EXPECT_EQ(b->m_rcArea.left, 15);
    EXPECT_EQ(b->m_rcArea.right, 114);
    EXPECT_EQ(b->m_rcArea.top, 20 + 20 * static_cast<int>(i));
    EXPECT_EQ(b->m_rcArea.bottom, 40 + 20 * static_cast<int>(i));
    EXPECT_EQ(b->m_pfnClick, DoNothing);
    EXPECT_FALSE(b->m_bCenterCaption);
    EXPECT_TRUE(b->m_bGhost);
    EXPECT_EQ(b->m_nFontSize, 12);
    EXPECT_STREQ(b->m_szImageBase, "LISTROWAA");
    EXPECT_STREQ(b->m_szTip, "");
  }
  EXPECT_EQ(Ids(*list), (std::vector<intptr_t>{104, 105, 106}));
}

TEST_F(ListTest, PagesPastEitherEndShowEmptyRows) {
  auto list = Make(12, 4);
  for (int top : {12, 100, -4, -100000, 2147483647 - 2}) {
    list->m_nTop = top;
    list->Refresh(false, true);
    EXPECT_EQ(Ids(*list), (std::vector<intptr_t>{-1, -1, -1, -1})) << top;
  }
  list->m_nTop = -2;
  list->Refresh(false, true);
  EXPECT_EQ(Ids(*list), (std::vector<intptr_t>{-1, -1, 100, 101}));
  list->m_nTop = 10;
  list->Refresh(false, true);
  EXPECT_EQ(Captions(*list), (std::vector<std::string>{"r10", "r11", "", ""}));
  list->m_nRows = -3;  // no rows at all
  list->Refresh(false, true);
  EXPECT_EQ(list->m_RowMenu.GetCount(), 0);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(ListTest, DeletedRecordsKeepTheirPlace) {
  auto list = Make(12, 5);
  list->DeleteItem(2);
  list->DeleteItem(12);  // no such record
  EXPECT_EQ(list->GetCount(), 12);
  list->Refresh(false, true);
  EXPECT_EQ(Captions(*list), (std::vector<std::string>{"r0", "r1", "", "r3", "r4"}));
  EXPECT_EQ(Ids(*list), (std::vector<intptr_t>{100, 101, -1, 103, 104}));
  EXPECT_EQ(list->GetRecord(2)->data, static_cast<unsigned long>(-1));
  EXPECT_EQ(list->GetRecord(12), nullptr);

  list->DeleteAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->m_RowMenu.GetCount(), 5);  // the rows stay, blank
  EXPECT_EQ(Captions(*list), (std::vector<std::string>(5, "")));
  EXPECT_EQ(Ids(*list), (std::vector<intptr_t>(5, -1)));
  list->Add("again", "", 7);
  list->Refresh(false, true);
  EXPECT_EQ(Captions(*list)[0], "again");
}

TEST_F(ListTest, LongTextsAreCutBetweenWholeCharacters) {
  auto list = Make(0, 1);
  const std::string ascii(300, 'a');
  std::string gbk(104, 'a');
  gbk += "\xD6\xD0";  // 中: bytes 105 and 106 would not both fit
  list->Add(ascii.c_str(), "tip text that is far too long", 1);
  list->Add(gbk.c_str(), "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0", 2);  // 7 characters, 14 bytes
  list->Add(nullptr, nullptr, 3);
  EXPECT_EQ(std::string(list->GetRecord(0)->caption), ascii.substr(0, 105));
  EXPECT_EQ(std::string(list->GetRecord(0)->tip), "tip text that");
  EXPECT_EQ(std::string(list->GetRecord(1)->caption), gbk.substr(0, 104));
  EXPECT_EQ(std::string(list->GetRecord(1)->tip), std::string("\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0"));
  EXPECT_STREQ(list->GetRecord(2)->caption, "");
  // A row of a 105-byte caption: too long for the button, shown empty.
  list->Refresh(false, true);
  EXPECT_STREQ(list->m_RowMenu.GetItem(0)->m_szCaption, "");
}

TEST_F(ListTest, PartsFollowTheListAndOnlyTheMovingOnesMove) {
  auto list = Make(12, 3);
  list->Refresh(false, true);
  auto* part = new QArea(200, 200, 209, 209);
  auto* mover = new QArea(150, 10, 159, 19);
  list->m_pPart[8] = part;
  list->m_pMovePart[1] = mover;
  chains_->Add(list.get(), CHAIN_TOP);
  QAreaChain* top = chains_->GetChain(CHAIN_TOP);
  // The list, its part, the row menu and its three rows, the moving part.
  EXPECT_EQ(top->GetCount(), 7);
  EXPECT_EQ(top->GetArea(0), list.get());
  EXPECT_EQ(top->GetArea(1), part);
  EXPECT_EQ(top->GetArea(6), mover);
  EXPECT_EQ(part->m_dwState, 1u);

  list->Move(20, 6);  // by (10, -4)
  EXPECT_EQ(list->m_rcArea.left, 20);
  EXPECT_EQ(list->m_rcArea.bottom, 145);
  EXPECT_EQ(mover->m_rcArea.left, 160);
  EXPECT_EQ(mover->m_rcArea.top, 6);
  EXPECT_EQ(part->m_rcArea.left, 200);
  EXPECT_EQ(part->m_rcArea.top, 200);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(list->m_RowMenu.GetItem(i)->m_rcArea.left, 25);
    EXPECT_EQ(list->m_RowMenu.GetItem(i)->m_rcArea.top, 16 + 20 * static_cast<int>(i));
  }
  // The next page is built where the rows went.
  list->NextPage();
  EXPECT_EQ(list->m_RowMenu.GetItem(0)->m_rcArea.left, 25);
  EXPECT_EQ(list->m_RowMenu.GetItem(0)->m_rcArea.right, 124);
  EXPECT_EQ(list->m_RowMenu.GetItem(0)->m_rcArea.top, 16);
  EXPECT_EQ(list->m_RowMenu.GetItem(0)->m_dwState, 1u);  // a shown list shows its new rows
  EXPECT_EQ(top->GetCount(), 7);

  list->SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(part->m_dwState, 2u);
  EXPECT_EQ(mover->m_dwState, 2u);
  EXPECT_EQ(list->m_RowMenu.GetItem(2)->m_dwState, 2u);
  list->SetState(QAREA_SHOW, nullptr);
  // A row click goes through the chain manager to the row's record.
  MoveTo(30, 20);
  ASSERT_EQ(AfxGetNowArea(), list->m_RowMenu.GetItem(0));
  EXPECT_EQ(AfxGetNowArea()->m_dwData, 103);

  list.reset();  // deletes the parts, which leave the layer
  EXPECT_EQ(top->GetCount(), 0);
}

TEST_F(ListTest, BackgroundRefreshComposesTheOverlayOnTheUntouchedCopy) {
  auto list = Make(0, 0);
  ASSERT_NE(list->m_pBackImage, nullptr);
  ASSERT_NE(list->m_pBackCopy, nullptr);
  EXPECT_NE(list->m_pBackImage, list->m_pBackCopy);
  list->m_pOverlay = vm_->CreateSurface(4, 4, SS_DIB);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) list->m_pOverlay->SetPixel(x, y, x == 0 ? COLOR_KEY : 0x7000);
  list->m_pBackImage->SetPixel(50, 50, 0x1111);  // scribbled on
  list->Refresh(true, false);
  EXPECT_EQ(list->m_pBackImage->GetPixel(50, 50).GetColor(), 0x0042);
  EXPECT_EQ(list->m_pBackImage->GetPixel(5, 6).GetColor(), 0x0042);  // key pixel of the overlay
  EXPECT_EQ(list->m_pBackImage->GetPixel(6, 6).GetColor(), 0x7000);
  EXPECT_EQ(list->m_pBackImage->GetPixel(9, 9).GetColor(), 0x0042);
  EXPECT_TRUE(list->m_bRowCenter);  // the second argument only counts for pages

  auto frame = Frame();
  list->m_dwState = 1;
  list->Show(frame.get());
  EXPECT_EQ(frame->GetPixel(10, 10).GetColor(), 0x0042);
  EXPECT_EQ(frame->GetPixel(16, 16).GetColor(), 0x7000);
  EXPECT_EQ(frame->GetPixel(9, 10).GetColor(), 0);

  tessera::ClearHeadlessMessages();
  auto bare = Make(2, 2, "NOLISTBACK");
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text.rfind("Create ListBackImage error!\n", 0), 0u);
  EXPECT_EQ(bare->m_pBackImage, nullptr);
  bare->Refresh(true, true);  // nothing to refresh, no fault
  bare->Show(frame.get());
  bare->ToLastPage();
  EXPECT_EQ(bare->m_RowMenu.GetCount(), 2);
}

}  // namespace
