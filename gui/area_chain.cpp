#include "gui/area_chain.h"

#include "gui/area.h"
#include "gui/area_pointers.h"
#include "public/engine.h"

QAreaChain::QAreaChain()
    : m_pHead(nullptr), m_pTail(nullptr), m_nCount(0), m_pFree(nullptr), m_nBlockSize(100) {}

QAreaChain::~QAreaChain() {
  DeleteAll();
  ReleaseBlocks();
}

QAreaChain::Node* QAreaChain::Find(QArea* area) const {
  for (Node* n = m_pHead; n; n = n->next)
    if (n->area == area) return n;
  return nullptr;
}

QAreaChain::Node* QAreaChain::NewNode() {
  if (!m_pFree) {
    // A new block, threaded onto the free list.
    m_Blocks.emplace_back(new Node[m_nBlockSize]);
    Node* block = m_Blocks.back().get();
    for (int i = 0; i < m_nBlockSize; ++i) {
      block[i].next = i + 1 < m_nBlockSize ? &block[i + 1] : nullptr;
      block[i].prev = nullptr;
      block[i].area = nullptr;
    }
    m_pFree = block;
  }
  Node* n = m_pFree;
  m_pFree = n->next;
  return n;
}

void QAreaChain::FreeNode(Node* node) {
  node->area = nullptr;
  node->prev = nullptr;
  node->next = m_pFree;
  m_pFree = node;
}

void QAreaChain::ReleaseBlocks() {
  m_Blocks.clear();
  m_pFree = nullptr;
}

int QAreaChain::Add(QArea* area) {
  if (Find(area)) return 0;
  Node* n = NewNode();
  n->area = area;
  n->next = nullptr;
  n->prev = m_pTail;
  if (m_pTail)
    m_pTail->next = n;
  else
    m_pHead = n;
  m_pTail = n;
  ++m_nCount;
  ++m_nChanges;
  return 1;
}

int QAreaChain::Delete(QArea* area) {
  if (!area) return 0;
  tessera::ForgetArea(area);
  Node* n = Find(area);
  if (!n) return 0;
  (n->prev ? n->prev->next : m_pHead) = n->next;
  (n->next ? n->next->prev : m_pTail) = n->prev;
  FreeNode(n);
  ++m_nChanges;
  if (--m_nCount == 0) ReleaseBlocks();
  return 0;
}

void QAreaChain::DeleteAll() {
  while (m_pHead) {
    QArea* area = m_pHead->area;
    Delete(area);
    // The area may remove further areas (its parts) or delete itself here.
    area->SetState(QAREA_CLOSE, nullptr);
  }
  ReleaseBlocks();
}

QArea* QAreaChain::Search(int x, int y) {
  for (Node* n = m_pTail; n; n = n->prev)
    if (n->area->m_dwState == QAREA_SHOW && n->area->IsPointed(x, y)) return n->area;
  return nullptr;
}

void QAreaChain::ShowAreas(SURFACE* target) {
  // Drawn by position: an area may leave the chain while it draws (a fading
  // sprite closes and deletes itself), or remove or add others, so the node
  // held across Show may be gone.  While the chain is unchanged the walk
  // steps to the next node; after any change it finds position i + 1 from
  // the head, so the area that moves into a freed position waits for the
  // next frame either way.  A frame with no changes costs one pass.
  Node* n = m_pHead;
  for (int i = 0; i < m_nCount && n; ++i) {
    const uint32_t before = m_nChanges;
    QArea* area = n->area;
    // What the areas ahead will read is asked for while this one draws:
    // drawing a frame pushes the few hundred area objects and their
    // pictures out of the caches, and each Show would otherwise wait for
    // its own, one read after another.  In three steps, each needing what
    // the one before asked for: the object of the fourth area ahead (its
    // first 512 bytes hold the fields the common kinds read to draw), the
    // picture object of the third, and the picture's pixels of the second.
    // One area's drawing is about the time a read from memory takes.  Only
    // hints: a node that Show removes leaves at worst a wasted request.
    Node* ahead = n->next ? n->next->next : nullptr;
    if (ahead) {
      ahead->area->PrefetchShow(2);
      if (Node* third = ahead->next) {
        third->area->PrefetchShow(1);
        if (third->next) {
          const char* object = reinterpret_cast<const char*>(third->next->area);
          for (int b = 0; b < 512; b += 64) __builtin_prefetch(object + b);
        }
      }
    }
    if (area->m_dwState == QAREA_SHOW) area->Show(target);
    if (m_nChanges == before) {
      n = n->next;
    } else {
      n = m_pHead;
      for (int k = 0; n && k <= i; ++k) n = n->next;
    }
  }
}

std::vector<SURFACE*> QAreaChain::DrawnPictures() const {
  std::vector<SURFACE*> pictures;
  for (Node* n = m_pHead; n; n = n->next)
    if (n->area->m_dwState == QAREA_SHOW)
      if (SURFACE* s = n->area->DrawnPicture()) pictures.push_back(s);
  return pictures;
}

QArea* QAreaChain::GetArea(int index) const {
  if (index < 0) return nullptr;
  Node* n = m_pHead;
  for (int i = 0; n && i < index; ++i) n = n->next;
  return n ? n->area : nullptr;
}
