// Moving a group of areas as one: menus and check groups are invisible
// areas whose parts (buttons, windows) are the areas that show.
#ifndef TESSERA_GUI_MOVE_PARTS_H
#define TESSERA_GUI_MOVE_PARTS_H

#include <vector>

namespace tessera {

// Moves every part by the same step, the one that brings the first part's
// top-left corner to (x, y), so that the parts keep their places relative
// to each other.  Nothing moves when there are no parts.
template <typename Part>
void MovePartsTo(const std::vector<Part*>& parts, int x, int y) {
  if (parts.empty()) return;
  const int dx = x - parts.front()->m_rcArea.left;
  const int dy = y - parts.front()->m_rcArea.top;
  for (Part* p : parts) p->Move(p->m_rcArea.left + dx, p->m_rcArea.top + dy);
}

}  // namespace tessera

#endif
