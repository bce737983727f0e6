#include "gui/window.h"

#include <cstdio>
#include <cstring>

#include "engine/surface.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace tessera {
void ReleaseViewSurface(SURFACE*& surface) {
  SURFACE* s = surface;
  surface = nullptr;
  if (!s) return;
  if (CVIEWMANAGE* vm = AfxGetViewManager()) {
    vm->DeleteSurface(s);
    return;
  }
  CSurfaceManager& cache = GetSurfaceManager();
  if (cache.IsHaveSurface(s))
    cache.DeleteSurface(s);
  else
    delete s;
}

SURFACE* LoadViewSurface(const char* id) {
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (!vm || !id || !id[0]) return nullptr;
  // The loader takes a writable name; hand it a copy.
  char name[64];
  snprintf(name, sizeof(name), "%s", id);
  return vm->CreateSurface(name, SS_DIB, false, false);
}
}  // namespace tessera

QWindow::QWindow() : m_nAlpha(31), m_pBackImage(nullptr) {
  memcpy(m_szType, "Win", 4);
  m_dwState = QAREA_CLOSE;
}

QWindow::QWindow(int left, int top, int right, int bottom, char* image, int flags) : QWindow() {
  Create(left, top, right, bottom, image, flags);
  SetState(QAREA_CLOSE, nullptr);
  m_dwState = QAREA_CLOSE;
}

QWindow::~QWindow() {
  SetState(QAREA_CLOSE, nullptr);
  tessera::ReleaseViewSurface(m_pBackImage);
}

void QWindow::Create(int left, int top, int right, int bottom, char* image, int flags) {
  ACreate(left, top, right, bottom);
  SetBackImage(image, flags);
}

void QWindow::SetBackImage(char* image, int flags) {
  tessera::ReleaseViewSurface(m_pBackImage);
  if (!image) return;
  SURFACE_STYLE style;
  if (flags & QWIN_DIB)
    style = SS_DIB;
  else if (flags & QWIN_RLE)
    style = SS_RLE;
  else if (flags & QWIN_ALPHA)
    style = SS_ALPHA;
  else if (flags & QWIN_PSDALPHA)
    style = SS_PSDALPHA;
  else {
    ErrorBox("Could not create surface! %s %d", __FILE__, __LINE__);
    return;
  }
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (vm) m_pBackImage = vm->CreateSurface(image, style, (flags & QWIN_CACHED) != 0, false);
  if (!m_pBackImage) {
    ErrorBox("Could not create surface! %s %d", __FILE__, __LINE__);
    return;
  }
  FitImage();
}

void QWindow::FitImage() {
  m_nWidth = m_pBackImage->GetWidth();
  m_nHeight = m_pBackImage->GetHeight();
  m_rcArea.right = static_cast<int32_t>(int64_t(m_rcArea.left) + m_nWidth - 1);
  m_rcArea.bottom = static_cast<int32_t>(int64_t(m_rcArea.top) + m_nHeight - 1);
}

void QWindow::Show(SURFACE* target) {
  if (!m_pBackImage) return;
  if (m_nAlpha > 28) {
    m_pBackImage->Blit(target, m_rcArea.left, m_rcArea.top);
  } else {
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.width = m_rcArea.right - m_rcArea.left;
    fx.height = m_rcArea.bottom - m_rcArea.top;
    fx.level = m_nAlpha;
    m_pBackImage->Blit(target, m_rcArea.left, m_rcArea.top, fx);
  }
  m_dwState = QAREA_SHOW;
}

void QWindow::Resize(int left, int top, int right, int bottom) {
  QArea::Resize(left, top, right, bottom);
  if (m_pBackImage) FitImage();
}

bool QWindow::IsPointed(int x, int y) {
  if (x < m_rcArea.left || x > m_rcArea.right || y < m_rcArea.top || y > m_rcArea.bottom)
    return false;
  if (!m_pBackImage) return true;
  return m_pBackImage->GetPixel(x - m_rcArea.left, y - m_rcArea.top).GetColor() != COLOR_KEY;
}
