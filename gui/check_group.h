// QCheck: a radio group of image-less windows in which the one active item
// shows the check-mark image.
//
// Each item is a QWindow of the group's item size; clicking an item (the
// game raises its click event) makes it the active one: the check mark
// moves from the previously active item to it.  Like a menu, the group is a
// 1 x 1 area at (-1, -1) that is never drawn or hit; it owns its items and
// brings them into its layer right after itself.
//
//   QCheck* sound = new QCheck(15, 15, "CHECKMARK0");   // items 16 x 16
//   sound->AddItem(600, 200);                            // checked
//   sound->AddItem(600, 230);
//   AfxGetChainManager()->Add(sound, CHAIN_TOP);
//   later:  sound->m_nActive is the chosen item
#ifndef TESSERA_GUI_CHECK_GROUP_H
#define TESSERA_GUI_CHECK_GROUP_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <vector>

#include "gui/area.h"

class QWindow;

class QCheck : public QArea {
 public:
  // Item size minus one (an item at (x, y) spans to (x + width, y + height))
  // and the check mark's pack identifier; active index 0; state 4.
  QCheck(int itemWidth, int itemHeight, const char* checkImage);
  // Leaves the chain with its items and deletes them.
  ~QCheck() override;

  // A new item at (x, y): the first one carries the check mark (a plain
  // image), the others none.  Its click makes it active.
  void AddItem(int x, int y);
  // Moves the check mark from the active item to the item at `index`, which
  // becomes active.  An index without item leaves no item checked and the
  // active index unchanged.  An item that loses the mark keeps the group's
  // item size.
  void SetActiveCheck(int index);
  int GetCount() const { return static_cast<int>(m_Items.size()); }
  // The item at a position, null outside.
  QWindow* GetItem(int index) const;
  // Deletes every item (each leaves its layer).
  void DeleteAll();

  // Moves the group's own area to (x, y) and every item by the offset that
  // brings the first item's top-left corner there.
  void Move(int x, int y) override;
  // Never hit: only the items are.
  bool IsPointed(int x, int y) override;
  // As an area's, then the items follow: state 1 brings them in after the
  // group, 2 and 3 pass on, 4 takes them out before the group.
  void SetState(unsigned long state, QAreaChain* chain) override;

  // The click handler of every item, called with the item.
  static void OnItemClick(void* item);

  int32_t m_nActive;
  char m_szCheckImage[12];
  int32_t m_nItemWidth;
  int32_t m_nItemHeight;

 private:
  std::vector<QWindow*> m_Items;  // owned, in order of adding
};

#pragma GCC visibility pop
#endif
