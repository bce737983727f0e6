// QBtMenu: a set of buttons built from InItem records, which unfold one
// after another when the menu is shown.
//
// The menu itself is a 1 x 1 area at (-1, -1) that is never drawn or hit;
// it owns its buttons and brings them into its layer right after itself, so
// a layer holds the menu and then its buttons in item order.  While
// unfolding, each button is hidden (look -1), then shows its hover look for
// one step, then settles on its normal look; the delay between steps is
// shared by every menu of the process, starts at 10 ms and halves with each
// unfolded button, so that after the first few items each step is one frame.
//
//   InItem items[2] = {};
//   strcpy(items[0].szCaption, "Save"); strcpy(items[0].szImage, "BTNMENUAA");
//   items[0].nID = 1; items[0].pfnClick = OnSave; items[0].rect = {700, 10, 779, 33};
//   ...
//   QBtMenu* bar = new QBtMenu(2, items);          // font 16, unfolding
//   AfxGetChainManager()->Add(bar, CHAIN_TOP);
//   in OnSave(void* p):  static_cast<QButton*>(p)->m_dwData == 1
#ifndef TESSERA_GUI_BUTTON_MENU_H
#define TESSERA_GUI_BUTTON_MENU_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <vector>

#include "gui/area.h"

class QButton;

// One menu item as the game describes it.
struct InItem {
  char szCaption[106];     // NUL-terminated
  char szTip[106];         // NUL-terminated; the button keeps at most 19 bytes
  int32_t nID;             // stored in the button's m_dwData
  char szImage[12];        // image base: nine characters and a NUL
  AREA_CALLBACK pfnClick;  // the button's click callback; null keeps its own
  tagRECT rect;            // the button's rectangle, edges inclusive
};

class QBtMenu : public QArea {
 public:
  // Unfolding, font size 12, flashing buttons, no ghost; state 4.
  QBtMenu();
  // The same with font size 16, then Create; state 4.
  QBtMenu(int count, InItem* items);
  // Leaves the chain with its buttons and deletes them.
  ~QBtMenu() override;

  // ACreate at (-1, -1, -1, -1), then SetContent.  Returns the number of
  // buttons the menu has afterwards.
  int Create(int count, InItem* items);
  // Replaces every button by one per record, in order (null: nothing).
  void SetContent(int count, InItem* items);
  // Appends one button; it joins the layer at the menu's next state 1.
  void AddItem(InItem& item, bool centerCaption);
  // Deletes every button (each leaves its layer).
  void DeleteAll();
  // The button at a position, null outside.
  QButton* GetItem(unsigned index);
  int GetCount() const { return static_cast<int>(m_Buttons.size()); }
  // Every button's hover callback: the button's own hover handler, or
  // DoNothing.
  void SetBtMouseStand(bool on);

  // Drives the unfolding; draws nothing.
  void Show(SURFACE* target) override;
  // Moves the menu's own area to (x, y) and every button by the offset that
  // brings the first button's top-left corner there.
  void Move(int x, int y) override;
  // The menu is never hit, wherever it has been moved: only its buttons are.
  bool IsPointed(int x, int y) override;
  // As an area's, then the buttons follow: state 1 brings them into the
  // chain after the menu (hidden, to unfold, when m_bUnfold is set), 2 and
  // 3 pass on, 4 takes them out before the menu.
  void SetState(unsigned long state, QAreaChain* chain) override;

  bool m_bUnfold;
  int32_t m_nFontSize;  // given to each new button
  bool m_bGhost;        // given to each new button
  bool m_bFlash;        // given to each new button
  int32_t m_nUnfolded;  // buttons unfolded since the last show

 private:
  QButton* MakeButton(const InItem& item, bool centerCaption);
  std::vector<QButton*> m_Buttons;  // owned, in item order
};

namespace tessera {
// The shared delay between unfolding steps (10 ms at start) and the shared
// unfolding timer (0: not started).
uint32_t MenuUnfoldDelay();
uint32_t MenuUnfoldTimer();
}  // namespace tessera

#pragma GCC visibility pop
#endif
