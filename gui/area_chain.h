// QAreaChain: one layer of areas, an ordered list of QArea pointers.
//
// The order of insertion is the drawing order (first added is drawn first,
// later ones cover it); the reverse order is the hit-testing order.  The
// chain holds pointers only and never deletes an area.  Nodes come from
// blocks of 100 so that areas can come and go every frame without
// allocating; when the chain empties, every block is released.
#ifndef TESSERA_GUI_AREA_CHAIN_H
#define TESSERA_GUI_AREA_CHAIN_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>
#include <vector>

class QArea;
class SURFACE;

class QAreaChain {
 public:
  QAreaChain();
  // DeleteAll, then the node blocks go.
  ~QAreaChain();

  QAreaChain(const QAreaChain&) = delete;
  QAreaChain& operator=(const QAreaChain&) = delete;

  // Appends the area at the end (top of the layer): 1; 0 when it is in
  // the chain already.
  int Add(QArea* area);
  // Clears each of the engine's area pointers (under the mouse now, before,
  // focused) that equals the area, then unlinks it if present.  Always 0;
  // a null area does nothing.
  int Delete(QArea* area);
  // Takes the first area until none is left: Delete, then the area's own
  // SetState(4, null), so composite widgets close their parts.
  void DeleteAll();
  // The last area (topmost) in state 1 whose IsPointed(x, y) holds; null
  // if none.
  QArea* Search(int x, int y);
  // Show(target) of each area in state 1, first to last.
  void ShowAreas(SURFACE* target);
  // The pictures ShowAreas would draw now (DrawnPicture of each area in
  // state 1 that has one), first to last.
  std::vector<SURFACE*> DrawnPictures() const;

  // The number of areas, and the area at a position (0 first), null
  // outside; for the game and tests.
  int GetCount() const { return m_nCount; }
  QArea* GetArea(int index) const;

 private:
  struct Node {
    Node* next;
    Node* prev;
    QArea* area;
  };
  Node* Find(QArea* area) const;
  Node* NewNode();
  void FreeNode(Node* node);
  void ReleaseBlocks();

  Node* m_pHead;
  Node* m_pTail;
  int32_t m_nCount;
  std::vector<std::unique_ptr<Node[]>> m_Blocks;
  Node* m_pFree;
  int32_t m_nBlockSize;
  // Counts every link and unlink, so that ShowAreas can tell whether the
  // node it stands on is still where it was.
  uint32_t m_nChanges = 0;
};

#pragma GCC visibility pop
#endif
