#include "input/mouse.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/surface.h"
#include "engine/view_manage.h"
#include "gui/dialog.h"
#include "platform/input_services.h"
#include "platform/window.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace tessera {
int32_t NextCursorFrame(int32_t frame, unsigned short key) {
  switch (key) {
    case 0:
    case 8:
    case 32:
    case 128:
      return frame >= 14 ? 0 : frame + 1;
    case 1:
    case 2:
    case 4:
      return 15;
    default:
      return frame;
  }
}

tagPOINT TipBoxPosition(int x, int y) {
  return tagPOINT{x >= 400 ? x - kTipBoxWidth : x, y >= 500 ? y - 20 : y};
}
}  // namespace tessera

QMouse::QMouse()
    : m_ptMouse{0, 0},
      m_wKey(0),
      m_bKeep(false),
      m_nFrame(0),
      m_pFrame{},
      m_pShadow(nullptr),
      m_pPressShadow(nullptr),
      m_pTipDialog(new QDialog()),
      m_bTip(false) {
  m_pTipDialog->SetFormat(2, 10, 0xFFFFFF, 0);
  m_pTipDialog->SetFontSize(12);
  if (AfxGetViewManager()) CreateTipBox();
}

void QMouse::CreateTipBox() {
  m_pTipDialog->Create(0, 0, tessera::kTipBoxWidth, tessera::kTipBoxHeight, nullptr);
}

QMouse::~QMouse() {
  for (SURFACE*& s : m_pFrame) {
    delete s;
    s = nullptr;
  }
  delete m_pShadow;
  delete m_pPressShadow;
  delete m_pTipDialog;
}

namespace {
// The surface of pack identifier `id`, or null (no display manager, or no
// such image).
SURFACE* LoadImage(char* id, SURFACE_STYLE style) {
  CVIEWMANAGE* vm = AfxGetViewManager();
  return vm ? vm->CreateSurface(id, style, false, false) : nullptr;
}

void Replace(SURFACE*& slot, char* id, SURFACE_STYLE style) {
  delete slot;
  slot = nullptr;
  slot = LoadImage(id, style);
}
}  // namespace

void QMouse::LoadCursorA(const char* base) {
  if (!base || strlen(base) < 8) {
    ErrorBox("Null ID to loadCursor!\n%s %ld", __FILE__, (long)__LINE__);
    return;
  }
  std::string id;
  for (int i = 0; i < 15; ++i) {
    char digits[16];
    snprintf(digits, sizeof(digits), "%02d", i);
    id = std::string(base) + digits;
    Replace(m_pFrame[i], id.data(), SS_RLE);
  }
  struct {
    SURFACE** slot;
    int number;
    SURFACE_STYLE style;
  } const rest[] = {
      {&m_pFrame[15], 15, SS_RLE}, {&m_pShadow, 16, SS_DIB}, {&m_pPressShadow, 17, SS_DIB}};
  for (const auto& r : rest) {
    char digits[16];
    snprintf(digits, sizeof(digits), "%-2d", r.number);
    id = std::string(base) + digits;
    Replace(*r.slot, id.data(), r.style);
  }
}

void QMouse::SetMousePos(unsigned long x, unsigned long y) {
  m_ptMouse.x = static_cast<int32_t>(x);
  m_ptMouse.y = static_cast<int32_t>(y);
}

void QMouse::SetMouseKey(unsigned short key) {
  if (key != m_wKey) {
    m_wKey = key;
    m_bKeep = false;
  } else {
    m_bKeep = true;
  }
}

void QMouse::Show() {
  CVIEWMANAGE* vm = AfxGetViewManager();
  HWND window = vm ? vm->GetMainWnd() : nullptr;
  tagPOINT pt = m_ptMouse;
  if (tessera::GetCursorClientPos(window, pt)) m_ptMouse = pt;
  const int x = m_ptMouse.x, y = m_ptMouse.y;
  if (x < 0 || y < 0 || x >= AfxGetScreenWidth() || y >= AfxGetScreenHeight()) {
    // Outside the game area the platform's own cursor takes over.
    tessera::SendMessage(window, tessera::kSetCursorMessage, 0, 0);
    return;
  }
  m_nFrame = tessera::NextCursorFrame(m_nFrame, m_wKey);
  if (vm && vm->GetRenderSurface()) Draw();
}

void QMouse::Draw() {
  SURFACE* frame = AfxGetViewManager()->GetRenderSurface();
  const int x = m_ptMouse.x, y = m_ptMouse.y;
  if (m_bTip && m_pTipDialog) {
    // A cursor made before the display manager gets its box's surfaces now.
    if (!m_pTipDialog->m_pBackSurface) CreateTipBox();
    const tagPOINT at = tessera::TipBoxPosition(x, y);
    m_pTipDialog->Move(at.x, at.y);
    // An empty tip hides the box; the same tip is not laid out again.
    m_pTipDialog->SetContent(g_szTipText, nullptr);
    m_pTipDialog->Show(frame);
  }
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 20;
  if (m_nFrame == 15) {
    if (m_pPressShadow) m_pPressShadow->Blit(frame, x, y, fx);
  } else if (m_pShadow) {
    m_pShadow->Blit(frame, x, y + 2, fx);
  }
  if (m_pFrame[m_nFrame]) m_pFrame[m_nFrame]->Blit(frame, x, y);
}
