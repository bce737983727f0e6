#include "gui/map/small_map.h"

#include <cstring>

#include "engine/surface.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "gui/chain_manager.h"
#include "gui/map/map.h"
#include "gui/map/map_object.h"
#include "input/mouse.h"
#include "public/engine.h"

QSmallMap::QSmallMap() = default;

QSmallMap::~QSmallMap() {
  ReleaseSurfaces();
  DelAllObject();
  if (m_pMap && m_pMap->GetSmallMap() == this) m_pMap->SetSmallMap(nullptr);
}

void QSmallMap::ReleaseSurfaces() {
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (vm) {
    if (m_pOverlay) vm->DeleteSurface(m_pOverlay);
    if (m_pPicture) vm->DeleteSurface(m_pPicture);
  } else {
    // Without the display manager the cached picture is the surface
    // cache's to free; the overlay is ours alone.
    delete m_pOverlay;
  }
  m_pOverlay = m_pPicture = nullptr;
}

bool QSmallMap::Init(QMap* map, const char* pictureId, const tagRECT& rect) {
  m_pMap = map;
  ACreate(rect.left, rect.top, rect.right, rect.bottom);
  m_pfnClick = &QSmallMap::OnClick;

  ReleaseSurfaces();
  CVIEWMANAGE* vm = AfxGetViewManager();
  const int w = GetWidth(), h = GetHeight();
  if (vm && w > 0 && h > 0) {
    m_pOverlay = vm->CreateSurface(w, h, SS_DIB);
    if (m_pOverlay) m_pOverlay->SetClipper({0, 0, w, h});
  }
  if (vm && pictureId) {
    char id[64] = {};
    std::strncpy(id, pictureId, sizeof id - 1);  // the loader takes a writable name
    m_pPicture = vm->CreateSurface(id, SS_DIB, true, false);
  }

  if (m_pMap) m_pMap->SetSmallMap(this);
  const bool added = AfxGetChainManager()->Add(this, CHAIN_TOP);
  return added && m_pOverlay && m_pPicture;
}

bool QSmallMap::AddDispObject(CMapObject* object, long radius, const PIXEL& colour) {
  for (const stDispObject& d : m_DispList)
    if (d.pObject == object) return false;
  m_DispList.push_back({object, static_cast<int32_t>(radius), colour});
  return true;
}

bool QSmallMap::DelDispObject(CMapObject* object) {
  for (auto it = m_DispList.begin(); it != m_DispList.end(); ++it)
    if (it->pObject == object) {
      m_DispList.erase(it);
      return true;
    }
  return false;
}

void QSmallMap::DelAllObject() { m_DispList.clear(); }

void QSmallMap::Show(SURFACE* target) {
  if (!m_pOverlay || !m_pPicture) return;
  tessera::FillKey(m_pOverlay);
  m_pPicture->Blit(m_pOverlay, 0, 0);

  const int w = GetWidth(), h = GetHeight();
  const int mw = m_pMap ? m_pMap->GetWidth() : 0, mh = m_pMap ? m_pMap->GetHeight() : 0;
  // The overlay is w x h; every write below stays on it.
  auto put = [&](int x, int y, PIXEL c) {
    if (x >= 0 && y >= 0 && x < w && y < h) m_pOverlay->SetPixel(x, y, c);
  };
  // A map without a size has nowhere to put discs or the frame.
  if (m_pMap && mw > 0 && mh > 0) {
    const long long u = m_pMap->GetUnitSize();
    for (const stDispObject& d : m_DispList) {
      const tagPOINT cell = d.pObject->GetNowPoint();
      const int cx = static_cast<int>(w * (cell.x * u) / mw),
                cy = static_cast<int>(h * (cell.y * u) / mh);
      const int r = d.nRadius;
      for (int py = cy - r; py < cy + r; ++py)
        for (int px = cx - r; px < cx + r; ++px)
          if ((px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r) put(px, py, d.Color);
    }

    const PIXEL white(255, 255, 255);
    const int rw = m_pMap->GetScreenWidth() * w / mw - 3,
              rh = m_pMap->GetScreenHeight() * h / mh - 3;
    const int x0 = m_pMap->GetNowLeft() * w / mw + 1, y0 = m_pMap->GetNowTop() * h / mh + 1;
    for (int i = 0; i < rw; ++i) {
      put(x0 + i, y0, white);
      put(x0 + i, y0 + rh, white);
    }
    for (int j = 0; j < rh; ++j) {
      put(x0, y0 + j, white);
      put(x0 + rw, y0 + j, white);
    }
  }

  DRAW_FX trans;
  trans.kind = FX_TRANS;
  trans.level = 20;
  m_pOverlay->Blit(target, m_rcArea.left, m_rcArea.top, trans);
}

void QSmallMap::OnClick(void* area) {
  auto* self = static_cast<QSmallMap*>(area);
  QMouse* mouse = AfxGetMouse();
  if (!self || !self->m_pMap || !mouse) return;
  const int w = self->GetWidth(), h = self->GetHeight();
  if (w <= 0 || h <= 0) return;
  const long x = static_cast<long>((mouse->m_ptMouse.x - self->m_rcArea.left) *
                                   static_cast<long long>(self->m_pMap->GetWidth()) / w);
  const long y = static_cast<long>((mouse->m_ptMouse.y - self->m_rcArea.top) *
                                   static_cast<long long>(self->m_pMap->GetHeight()) / h);
  self->m_pMap->MoveScreen(x, y);
}
