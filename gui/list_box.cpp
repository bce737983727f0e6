#include "gui/list_box.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/view_manage.h"
#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/window.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace {

// Copies at most `limit` bytes of `text` into `out` (limit + 1 bytes),
// stopping before a double-byte GBK character that would be cut in two.
void CopyWhole(char* out, size_t limit, const char* text) {
  size_t n = 0;
  if (text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    while (s[n]) {
      const bool pair = s[n] >= 0x81 && s[n] <= 0xFE && s[n + 1] >= 0x40 && s[n + 1] <= 0xFE;
      const size_t step = pair ? 2 : 1;
      if (n + step > limit) break;
      n += step;
    }
    memcpy(out, text, n);
  }
  out[n] = 0;
}

// Keeps a 64-bit result inside a 32-bit field.
int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

}  // namespace

QList::QList()
    : m_pfnRowClick(nullptr),
      m_nRowHeight(0),
      m_nRows(0),
      m_nTop(0),
      m_pPart{},
      m_pMovePart{},
      m_pOverlay(nullptr),
      m_pBackImage(nullptr),
      m_bRowCenter(true),
      m_bRowGhost(false),
      m_nRowFontSize(16),
      m_szRowImage{},
      m_rcRows{0, 0, 0, 0},
      m_pBackCopy(nullptr),
      m_ptOverlay{0, 0} {
  memcpy(m_szType, "Lst", 4);
}

QList::QList(tagRECT area, tagRECT rows, QPoint overlay, const char* rowImage,
             const char* backImage, bool unfold)
    : QList() {
  Create(area, rows, overlay, rowImage, backImage, unfold);
}

QList::~QList() {
  SetState(QAREA_CLOSE, nullptr);
  for (QArea*& p : m_pPart) {
    delete p;
    p = nullptr;
  }
  for (QArea*& p : m_pMovePart) {
    delete p;
    p = nullptr;
  }
  tessera::ReleaseViewSurface(m_pBackImage);
  tessera::ReleaseViewSurface(m_pBackCopy);
  tessera::ReleaseViewSurface(m_pOverlay);
  FreeRecords();
  m_RowMenu.DeleteAll();
}

void QList::Create(tagRECT area, tagRECT rows, QPoint overlay, const char* rowImage,
                   const char* backImage, bool unfold) {
  ACreate(area.left, area.top, area.right, area.bottom);
  m_rcRows = rows;
  m_RowMenu.Move(rows.left, rows.top);
  m_ptOverlay = overlay;
  m_RowMenu.m_bUnfold = unfold;
  CopyWhole(m_szRowImage, sizeof(m_szRowImage) - 1, rowImage);
  if (backImage && backImage[0]) {
    tessera::ReleaseViewSurface(m_pBackImage);
    tessera::ReleaseViewSurface(m_pBackCopy);
    m_pBackImage = tessera::LoadViewSurface(backImage);
    m_pBackCopy = tessera::LoadViewSurface(backImage);
    if (!m_pBackImage || !m_pBackCopy)
      ErrorBox("Create ListBackImage error!\n%s %ld", __FILE__, (long)__LINE__);
  }
}

QList::Record* QList::At(long index) const {
  if (index < 0 || index >= m_nCount) return nullptr;
  return &m_Blocks[static_cast<size_t>(index / kBlock)][index % kBlock];
}

const QList::Record* QList::GetRecord(long index) const { return At(index); }

bool QList::Add(const char* caption, const char* tip, unsigned long data) {
  if (m_nCount % kBlock == 0) m_Blocks.emplace_back(new Record[kBlock]);
  Record* r = &m_Blocks.back()[m_nCount % kBlock];
  CopyWhole(r->caption, sizeof(r->caption) - 1, caption);
  CopyWhole(r->tip, sizeof(r->tip) - 1, tip);
  r->data = data;
  ++m_nCount;
  return true;
}

void QList::DeleteItem(unsigned long index) {
  if (index >= static_cast<unsigned long>(m_nCount)) return;
  Record* r = At(static_cast<long>(index));
  r->caption[0] = 0;
  r->tip[0] = 0;
  r->data = static_cast<unsigned long>(-1);
}

void QList::FreeRecords() {
  m_Blocks.clear();
  m_nCount = 0;
}

void QList::DeleteAll() {
  for (int i = 0; i < m_RowMenu.GetCount(); ++i) {
    QButton* b = m_RowMenu.GetItem(static_cast<unsigned>(i));
    b->ChangeImage("", "", m_szRowImage);
    b->m_dwData = -1;
  }
  FreeRecords();
}

void QList::Refresh(bool background, bool center) {
  if (background) {
    if (!m_pBackImage || !m_pBackCopy) return;
    m_pBackCopy->Blit(m_pBackImage, 0, 0, 0, 0, m_pBackCopy->GetWidth(), m_pBackCopy->GetHeight());
    if (m_pOverlay) m_pOverlay->Blit(m_pBackImage, m_ptOverlay.x, m_ptOverlay.y);
    return;
  }
  m_bRowCenter = center;
  // Every row prints its caption into the same images.
  tessera::LookImageScope shared_looks;
  const unsigned long state = m_RowMenu.m_dwState;
  m_RowMenu.SetState(QAREA_CLOSE, nullptr);
  m_RowMenu.DeleteAll();
  m_RowMenu.m_nFontSize = m_nRowFontSize;
  m_RowMenu.m_bGhost = m_bRowGhost;
  const int top = m_RowMenu.m_rcArea.top;
  for (int i = 0; i < m_nRows; ++i) {
    // A row past either end of the records is an empty button.
    const Record* r = At(static_cast<long>(m_nTop) + i);
    InItem item;
    memset(&item, 0, sizeof(item));
    if (r) memcpy(item.szCaption, r->caption, sizeof(r->caption));
    item.nID = r ? static_cast<int32_t>(r->data) : -1;
    memcpy(item.szImage, m_szRowImage, sizeof(item.szImage));
    item.pfnClick = m_pfnRowClick;
    item.rect.left = m_rcRows.left;
    item.rect.right = m_rcRows.right;
    item.rect.top = Clamp32(int64_t(top) + int64_t(i) * m_nRowHeight);
    item.rect.bottom = Clamp32(int64_t(item.rect.top) + m_nRowHeight);
    m_RowMenu.AddItem(item, m_bRowCenter);
  }
  m_RowMenu.SetState(state, m_pAreaChain);
}

void QList::ToLastPage() {
  m_nTop = std::max(0, m_nCount - m_nRows);
  Refresh(false, m_bRowCenter);
}

void QList::ScrollTo(int64_t top) {
  const int64_t last = std::max<int64_t>(0, int64_t(m_nCount) - std::max(0, m_nRows));
  m_nTop = Clamp32(std::max<int64_t>(0, std::min(top, last)));
  Refresh(false, m_bRowCenter);
}

void QList::ToFirstPage() { ScrollTo(0); }

void QList::NextPage() { ScrollTo(int64_t(m_nTop) + std::max(0, m_nRows)); }

void QList::PrevPage() { ScrollTo(int64_t(m_nTop) - std::max(0, m_nRows)); }

void QList::InKey(QKey* key) {
  if (!key || key->dwMessage != 256) return;
  switch (key->cVirtKey) {
    case 33:
      PrevPage();
      break;
    case 34:
      NextPage();
      break;
    case 35:
      ToLastPage();
      break;
    case 36:
      ToFirstPage();
      break;
    case 38:
      ScrollTo(int64_t(m_nTop) - 1);
      break;
    case 40:
      ScrollTo(int64_t(m_nTop) + 1);
      break;
    default:
      break;
  }
}

void QList::Show(SURFACE* target) {
  if (m_pBackImage && target) m_pBackImage->Blit(target, m_rcArea.left, m_rcArea.top);
}

void QList::Move(int x, int y) {
  if (!m_bMovable) return;
  const int dx = x - m_rcArea.left, dy = y - m_rcArea.top;
  QArea::Move(x, y);
  for (QArea* p : m_pMovePart)
    if (p) p->Move(p->m_rcArea.left + dx, p->m_rcArea.top + dy);
  m_RowMenu.Move(m_RowMenu.m_rcArea.left + dx, m_RowMenu.m_rcArea.top + dy);
  // The rows of later pages go where the current ones went.
  m_rcRows.left += dx;
  m_rcRows.right += dx;
  m_rcRows.top += dy;
  m_rcRows.bottom += dy;
}

void QList::SetState(unsigned long state, QAreaChain* chain) {
  QArea::SetState(state, chain);
  if (!m_pAreaChain) return;
  for (QArea* p : m_pPart)
    if (p) p->SetState(state, m_pAreaChain);
  m_RowMenu.SetState(state, m_pAreaChain);
  for (QArea* p : m_pMovePart)
    if (p) p->SetState(state, m_pAreaChain);
}
