#include "gui/area.h"

#include <cstring>

#include "engine/font_state.h"
#include "engine/surface.h"
#include "engine/view_manage.h"
#include "gui/area_chain.h"
#include "platform/window.h"
#include "public/engine.h"
#include "public/error_report.h"
#include "sound/dx_sound_buffer.h"

char g_szTipText[101];

void DoNothing(void*) {}

namespace tessera {

void DefaultTipHandler(void* area) {
  const QArea* a = static_cast<const QArea*>(area);
  // m_szTip is 20 bytes and may lack a terminator if the game filled it
  // whole; never read past it.
  size_t n = strnlen(a->m_szTip, sizeof(a->m_szTip));
  memcpy(g_szTipText, a->m_szTip, n);
  g_szTipText[n] = 0;
}

unsigned short RgbTo555(unsigned long rgb) {
  const unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return static_cast<unsigned short>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

}  // namespace tessera

QArea::QArea() {
  // Everything ACreate sets is zeroed here too, so an area that was never
  // completed holds no garbage.
  m_pfnClick = m_pfnEvent1 = m_pfnEvent2 = m_pfnPress = nullptr;
  m_pfnEvent4 = m_pfnHover = m_pfnMouseIn = m_pfnMouseOut = nullptr;
  m_rcArea = tagRECT{0, 0, 0, 0};
  m_nWidth = m_nHeight = 0;
  m_bMovable = false;
  m_dwState = 0;
  m_bFocus = false;
  memset(m_szTip, 0, sizeof(m_szTip));
  memset(m_szSound, 0, sizeof(m_szSound));
  m_pTarget = nullptr;
  m_dwData = -1;
  memcpy(m_szType, "Ara", 4);
  m_pAreaChain = nullptr;
  m_pParentArea = nullptr;
}

QArea::QArea(int left, int top, int right, int bottom) : QArea() {
  ACreate(left, top, right, bottom);
}

QArea::~QArea() { SetState(QAREA_CLOSE, nullptr); }

void QArea::ACreate(int left, int top, int right, int bottom) {
  m_rcArea = tagRECT{left, top, right, bottom};
  // 64-bit arithmetic: edges at the ends of the int range must not wrap.
  const int64_t w = int64_t(right) - left + 1, h = int64_t(bottom) - top + 1;
  m_nWidth = static_cast<int32_t>(w);
  m_nHeight = static_cast<int32_t>(h);
  if (w < 0 || h < 0) {
    ErrorBox("Set QArea coordinate error!");
    return;
  }
  m_bMovable = true;
  m_dwState = QAREA_IDLE;
  m_bFocus = false;
  m_pTarget = this;
  m_pfnClick = m_pfnEvent1 = m_pfnEvent2 = m_pfnPress = DoNothing;
  m_pfnEvent4 = m_pfnHover = m_pfnMouseOut = DoNothing;
  m_pfnMouseIn = tessera::DefaultTipHandler;
  memset(m_szTip, 0, sizeof(m_szTip));
  memset(m_szSound, 0, sizeof(m_szSound));
  strcpy(m_szSound, "wav\\click.WAV");
}

void QArea::Show(SURFACE*) { m_dwState = QAREA_SHOW; }

void QArea::Move(int left, int top) {
  if (!m_bMovable) return;
  m_rcArea.left = left;
  m_rcArea.top = top;
  m_rcArea.right = static_cast<int32_t>(int64_t(left) + m_nWidth - 1);
  m_rcArea.bottom = static_cast<int32_t>(int64_t(top) + m_nHeight - 1);
}

void QArea::Resize(int left, int top, int right, int bottom) {
  m_rcArea = tagRECT{left, top, right, bottom};
  const int64_t w = int64_t(right) - left + 1, h = int64_t(bottom) - top + 1;
  m_nWidth = static_cast<int32_t>(w);
  m_nHeight = static_cast<int32_t>(h);
  if (w >= 1 && h >= 1)
    Move(left, top);
  else
    ErrorBox("Resize QWindow coordinate error!");
}

bool QArea::IsPointed(int x, int y) {
  return m_dwState == QAREA_SHOW && x >= m_rcArea.left && x <= m_rcArea.right &&
         y >= m_rcArea.top && y <= m_rcArea.bottom;
}

void QArea::SetState(unsigned long state, QAreaChain* chain) {
  if (chain) m_pAreaChain = chain;
  if (!m_pAreaChain) return;
  if (state == QAREA_SHOW)
    m_pAreaChain->Add(this);
  else if (state == QAREA_CLOSE)
    m_pAreaChain->Delete(this);
  m_dwState = static_cast<uint32_t>(state);
}

namespace tessera {
void SendFocusMessage(UINT message, QArea* area) {
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (!vm || !vm->GetMainWnd()) return;
  tessera::SendMessage(vm->GetMainWnd(), message, 0, reinterpret_cast<LPARAM>(area));
}
}  // namespace tessera

void QArea::GetFocus() {
  m_bFocus = true;
  if (AfxGetNowFocus() != this) tessera::SendFocusMessage(AREA_MSG_GETFOCUS, this);
}

void QArea::LostFocus() {
  m_bFocus = false;
  if (AfxGetNowFocus() == this) tessera::SendFocusMessage(AREA_MSG_LOSTFOCUS, this);
}

void QArea::InKey(QKey*) {}

void QArea::SetAreaChain(QAreaChain* chain) {
  if (chain) m_pAreaChain = chain;
}

void QArea::SetParentArea(QArea* parent) { m_pParentArea = parent; }

int QArea::GetTextWidth(const char* text, int fontSize) {
  if (!text) return 0;
  return static_cast<int>(static_cast<unsigned>(strlen(text)) * static_cast<unsigned>(fontSize) /
                          2);
}

void QArea::PlaySoundA(CDXSound* device, DxSoundBuffer* buffer) {
  if (!device || !buffer || !m_szSound[0]) return;
  // The name is 20 bytes and may fill them all; hand over a terminated copy.
  char name[sizeof(m_szSound) + 1];
  memcpy(name, m_szSound, sizeof(m_szSound));
  name[sizeof(m_szSound)] = 0;
  if (buffer->Load(name)) buffer->Play(0, 0, 0);
}

namespace {
bool IsFontSize(int size) { return size == 12 || size == 16 || size == 24; }
}  // namespace

void QArea::TextOutA(SURFACE* target, int x, int y, char* text, int fontSize, bool outline,
                     unsigned long color, unsigned long outlineColor) {
  const int previous = tessera::CurrentFontSize();
  if (IsFontSize(fontSize)) tessera::SetCurrentFontSize(fontSize);
  if (target && text && text[0]) {
    const PIXEL fore(tessera::RgbTo555(color));
    if (outline) {
      const PIXEL back(tessera::RgbTo555(outlineColor));
      target->DrawTextA(x - 1, y, back, text);
      target->DrawTextA(x + 1, y, back, text);
      target->DrawTextA(x, y - 1, back, text);
      target->DrawTextA(x, y + 1, back, text);
    }
    target->DrawTextA(x, y, fore, text);
  }
  if (IsFontSize(previous)) tessera::SetCurrentFontSize(previous);
}
