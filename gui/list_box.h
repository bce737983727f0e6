// QList: a paged list of text records on a background picture.
//
// The list keeps any number of records (caption, tip, data word) and shows
// one page of them as a column of image buttons, one per row, which its
// embedded menu builds anew on each page change.  The game sets the row
// count, the row height and the first visible record (public fields) and
// rebuilds the page with Refresh(false, ...); records are reached by index
// in constant time, so a page change costs the same over ten records or a
// million.  Up to eleven further areas (scroll buttons, bars) can be
// attached: the nine m_pPart follow the list's state, the two m_pMovePart
// also move with it; the list deletes all of them.
//
//   QList* list = new QList(tagRECT{500, 100, 699, 399}, tagRECT{510, 110, 689, 0},
//                           QPoint{0, 0}, "LISTROWAA", "LISTBACK00", false);
//   list->m_nRows = 10;  list->m_nRowHeight = 26;
//   list->m_pfnRowClick = OnRow;                // m_dwData of the row = record data
//   for (...) list->Add(name, "", itemId);
//   list->m_pPart[0] = upButton;  list->m_pPart[1] = downButton;
//   list->Refresh(false, true);
//   AfxGetChainManager()->Add(list, CHAIN_TOP);
//   in downButton's click:  list->NextPage();
#ifndef TESSERA_GUI_LIST_BOX_H
#define TESSERA_GUI_LIST_BOX_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/area.h"
#include "gui/button_menu.h"

typedef tagPOINT QPoint;

class QList : public QArea {
 public:
  // One record as the list keeps it.
  struct Record {
    char caption[106];
    char tip[14];
    unsigned long data;  // (unsigned long)-1 marks a deleted record
  };

  QList();
  QList(tagRECT area, tagRECT rows, QPoint overlay, const char* rowImage, const char* backImage,
        bool unfold);
  // State 4, then the eleven parts, the pictures, the records and the rows go.
  ~QList() override;

  // ACreate with the area; rows rectangle, overlay position, the row
  // menu's unfold flag and the row image base; with a background name the
  // background and its untouched copy (plain images).  A background that
  // does not load reports "Create ListBackImage error!\n%s %ld".
  void Create(tagRECT area, tagRECT rows, QPoint overlay, const char* rowImage,
              const char* backImage, bool unfold);
  // Appends a record.  A caption is kept to 105 bytes and a tip to 13,
  // never splitting a double-byte character.  True.
  bool Add(const char* caption, const char* tip, unsigned long data);
  // Empties the record at that position in place (caption, tip, data -1).
  void DeleteItem(unsigned long index);
  // Every row button blank (empty caption, data -1); all records deleted.
  void DeleteAll();
  // true: the background copy over the background, then the overlay.
  // false: the page rebuilt from record m_nTop with `center` captions.
  void Refresh(bool background, bool center);
  // The first visible record becomes count - rows (not below 0); rebuilt.
  void ToLastPage();
  // Paging for scroll buttons: the first page, and one page on or back,
  // staying between the first and the last page (a list left past its end
  // comes back to the last page).  Each rebuilds the page.
  void ToFirstPage();
  void NextPage();
  void PrevPage();

  int GetCount() const { return m_nCount; }
  // A record by position, null outside.
  const Record* GetRecord(long index) const;

  // The background's keyed blit; the rows are areas of their own.
  void Show(SURFACE* target) override;
  // Moves the list, its two moving parts, the row menu and the rows
  // rectangle by the same offset (the nine other parts stay).
  void Move(int x, int y) override;
  // As an area's, then the parts, the row menu and the moving parts follow.
  void SetState(unsigned long state, QAreaChain* chain) override;
  // Paging from the keyboard when the game gives the list the focus: on a
  // key-down record (message 256) Page Up (33) and Page Down (34) turn a
  // page, Home (36) and End (35) go to the first and the last page, Up (38)
  // and Down (40) scroll by one record.  Other keys are ignored.
  void InKey(QKey* key) override;

  AREA_CALLBACK m_pfnRowClick;  // given to every row button; null keeps theirs
  int32_t m_nRowHeight;
  int32_t m_nRows;
  int32_t m_nTop;         // first visible record
  QArea* m_pPart[9];      // follow the state; owned
  QArea* m_pMovePart[2];  // follow the state and move; owned
  SURFACE* m_pOverlay;    // composed onto the background by Refresh(true); owned
  SURFACE* m_pBackImage;  // owned
  QBtMenu m_RowMenu;
  bool m_bRowCenter;
  bool m_bRowGhost;
  int32_t m_nRowFontSize;
  char m_szRowImage[12];
  tagRECT m_rcRows;      // left and right of every row; the first row's top
  SURFACE* m_pBackCopy;  // owned
  QPoint m_ptOverlay;

 private:
  Record* At(long index) const;
  // The first visible record moved to `top`, kept between the first and
  // the last page, and the page rebuilt.
  void ScrollTo(int64_t top);
  void FreeRecords();
  // Records in blocks of 100, so that neither adding nor finding one walks
  // or moves the others.
  static constexpr int kBlock = 100;
  std::vector<std::unique_ptr<Record[]>> m_Blocks;
  int32_t m_nCount = 0;
};

#pragma GCC visibility pop
#endif
