#include "gui/check_group.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "gui/area_chain.h"
#include "gui/move_parts.h"
#include "gui/window.h"

QCheck::QCheck(int itemWidth, int itemHeight, const char* checkImage)
    : m_nActive(0), m_szCheckImage{}, m_nItemWidth(itemWidth), m_nItemHeight(itemHeight) {
  ACreate(-1, -1, -1, -1);
  m_dwState = QAREA_CLOSE;
  if (checkImage) snprintf(m_szCheckImage, sizeof(m_szCheckImage), "%s", checkImage);
}

QCheck::~QCheck() {
  SetState(QAREA_CLOSE, nullptr);
  DeleteAll();
}

void QCheck::AddItem(int x, int y) {
  char image[sizeof(m_szCheckImage)];
  memcpy(image, m_szCheckImage, sizeof(image));
  QWindow* item = new (std::nothrow) QWindow(x, y, x + m_nItemWidth, y + m_nItemHeight,
                                             m_Items.empty() ? image : nullptr, QWIN_DIB);
  if (!item) return;
  item->m_dwData = reinterpret_cast<intptr_t>(this);
  item->m_pfnClick = OnItemClick;
  m_Items.push_back(item);
}

QWindow* QCheck::GetItem(int index) const {
  return index >= 0 && index < GetCount() ? m_Items[static_cast<size_t>(index)] : nullptr;
}

void QCheck::SetActiveCheck(int index) {
  if (QWindow* old = GetItem(m_nActive)) {
    old->SetBackImage(nullptr, QWIN_DIB);
    // Back to the item size the image had replaced.
    old->m_rcArea.right = old->m_rcArea.left + m_nItemWidth;
    old->m_rcArea.bottom = old->m_rcArea.top + m_nItemHeight;
    old->m_nWidth = m_nItemWidth + 1;
    old->m_nHeight = m_nItemHeight + 1;
  }
  QWindow* item = GetItem(index);
  if (!item) return;
  char image[sizeof(m_szCheckImage)];
  memcpy(image, m_szCheckImage, sizeof(image));
  item->SetBackImage(image, QWIN_DIB);
  m_nActive = index;
}

void QCheck::DeleteAll() {
  std::vector<QWindow*> items;
  items.swap(m_Items);
  for (QWindow* w : items) delete w;
}

void QCheck::Move(int x, int y) {
  QArea::Move(x, y);
  tessera::MovePartsTo(m_Items, x, y);
}

bool QCheck::IsPointed(int, int) { return false; }

void QCheck::SetState(unsigned long state, QAreaChain* chain) {
  if (chain) m_pAreaChain = chain;
  if (!m_pAreaChain) return;
  m_dwState = static_cast<uint32_t>(state);
  switch (state) {
    case QAREA_SHOW:
      m_pAreaChain->Add(this);
      for (QWindow* w : m_Items) w->SetState(QAREA_SHOW, m_pAreaChain);
      break;
    case QAREA_HIDE:
    case QAREA_IDLE:
      for (QWindow* w : m_Items) w->SetState(state, m_pAreaChain);
      break;
    case QAREA_CLOSE:
      for (QWindow* w : m_Items) w->SetState(QAREA_CLOSE, m_pAreaChain);
      m_pAreaChain->Delete(this);
      break;
    default:
      break;
  }
}

void QCheck::OnItemClick(void* p) {
  QWindow* item = static_cast<QWindow*>(p);
  QCheck* group = reinterpret_cast<QCheck*>(item->m_dwData);
  for (int i = 0; i < group->GetCount(); ++i)
    if (group->m_Items[static_cast<size_t>(i)] == item) {
      group->SetActiveCheck(i);
      return;
    }
}
