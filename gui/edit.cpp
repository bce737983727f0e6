#include "gui/edit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/font_state.h"
#include "engine/surface.h"
#include "engine/view_manage.h"
#include "gui/area_chain.h"
#include "platform/clock.h"
#include "platform/input_services.h"
#include "platform/test_hooks.h"
#include "public/engine.h"
#include "sound/dx_sound_buffer.h"

namespace {

constexpr int kTextBytes = 199;  // the buffer's room for text, terminator apart
constexpr uint8_t kEnter = 13, kBackspace = 8, kEscape = 27;
constexpr uint8_t kEnd = 35, kHome = 36, kLeft = 37, kRight = 39, kDelete = 46, kPaste = 214;
constexpr uint32_t kKeyDown = 256;

bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsSecond(unsigned char b) { return b >= 0x40 && b <= 0xFE; }
bool IsFontSize(int size) { return size == 12 || size == 16 || size == 24; }
// Bytes the field takes: 20-126 and 128-255.
bool IsTypable(unsigned char b) { return (b >= 20 && b <= 126) || b >= 128; }

// Loads the wave file into the engine's buffer and plays it once, when
// there is a sound device.
void PlayEditSound(const char* file) {
  DxSoundBuffer* buffer = AfxGetSoundBuffer();
  if (!AfxGetSound() || !buffer) return;
  if (buffer->Load(file)) buffer->Play(0, 0, 0);
}

// The rectangle last given to the input method.
tagRECT g_input_rect{0, 0, 0, 0};

const char kTypeSound[] = "wav\\MsgType.wav";
const char kBackSound[] = "wav\\MsgBack.wav";
const char kBellSound[] = "wav\\MsgBell.wav";

// The click callback of an edit made with the full constructor: asks the
// game for the focus.
void RequestFocus(void* area) {
  QArea* a = static_cast<QArea*>(area);
  a->m_bFocus = true;
  tessera::SendFocusMessage(AREA_MSG_GETFOCUS, a);
}

}  // namespace

namespace tessera {
void ResetTextInputRectForTests() { g_input_rect = tagRECT{0, 0, 0, 0}; }
}  // namespace tessera

QEdit::QEdit()
    : m_szText{},
      m_TextColor(static_cast<unsigned short>(0x7FFF)),
      m_bPassword(false),
      m_bSingleLine(true),
      m_pfnEnter(DoNothing),
      m_pCursor{},
      m_nCursorFrame(0),
      m_nCaret(0),
      m_nMaxLen(0),
      m_dwCursorTime(0),
      m_nFontSize(12),
      m_nEditWidth(0) {
  memcpy(m_szType, "Edt", 4);
}

QEdit::QEdit(int left, int top, int right, int bottom, int maxLen, char* cursorImage,
             unsigned char* text)
    : QEdit() {
  m_nMaxLen = std::min(maxLen, kTextBytes);
  Create(left, top, right, bottom, maxLen, cursorImage, text);
  m_pfnClick = RequestFocus;
}

QEdit::~QEdit() {
  SetState(QAREA_CLOSE, nullptr);
  for (SURFACE*& s : m_pCursor) {
    delete s;
    s = nullptr;
  }
}

void QEdit::Create(int left, int top, int right, int bottom, int, char* cursorImage,
                   unsigned char* text) {
  ACreate(left, top, right, bottom);
  m_nEditWidth = right - left;
  if (text) {
    const size_t n = strnlen(reinterpret_cast<char*>(text), kTextBytes);
    memcpy(m_szText, text, n);
    m_szText[n] = 0;
  }
  if (cursorImage && cursorImage[0]) {
    CVIEWMANAGE* vm = AfxGetViewManager();
    for (int i = 0; i < 3; ++i) {
      char name[16];
      snprintf(name, sizeof(name), "%.9s%d", cursorImage, i);
      delete m_pCursor[i];
      m_pCursor[i] = vm ? vm->CreateSurface(name, SS_DIB, false, false) : nullptr;
    }
  }
}

int QEdit::Room() const { return std::clamp(m_nMaxLen, 0, kTextBytes); }

int QEdit::Length() const { return static_cast<int>(strnlen(m_szText, kTextBytes)); }

void QEdit::SetText(char* text) {
  const int room = Room();
  const size_t n = text ? strnlen(text, static_cast<size_t>(room)) : 0;
  memcpy(m_szText, text ? text : "", n);
  m_szText[n] = 0;
  m_nCaret = 0;
}

unsigned char* QEdit::GetText() { return reinterpret_cast<unsigned char*>(m_szText); }

void QEdit::ClearEdit() {
  memset(m_szText, 0, static_cast<size_t>(std::clamp(m_nMaxLen, 0, kTextBytes + 1)));
  m_nCaret = 0;
}

int QEdit::CheckIsHalfChinese(unsigned char* text, int start, int pos) {
  if (!text || pos < 1 || start < 0) return 0;
  const unsigned char* t = text + start;
  for (int i = 0; i < pos;) {
    if (t[i] == 0) return 0;  // past the end of the text
    if (IsLead(t[i]) && IsSecond(t[i + 1])) {
      if (i + 1 == pos) return 1;
      i += 2;
    } else {
      i += 1;
    }
  }
  return 0;
}

int QEdit::IsFirstAlphabetInCharacter(int start, int pos) {
  m_szText[kTextBytes] = 0;  // a game may have filled the buffer whole
  if (start < 0 || start > kTextBytes) return 0;
  return CheckIsHalfChinese(reinterpret_cast<unsigned char*>(m_szText), start, pos);
}

void QEdit::Insert(unsigned char b) {
  const int room = Room(), length = Length();
  if (m_bDropSecond) {
    m_bDropSecond = false;
    if (IsSecond(b)) return;
  }
  if (m_nCaret < 0 || m_nCaret > room - 1 || m_nCaret > length || length >= room - 1) return;
  if (b >= 0x80 && length == room - 2) {
    // Room for one byte: take it only when it completes the character
    // whose first byte stands before the caret, never to begin one that
    // could not be finished.
    const int c = m_nCaret;
    const unsigned char before = c >= 1 ? static_cast<unsigned char>(m_szText[c - 1]) : 0;
    const bool completes = c >= 1 && IsLead(before) && !IsFirstAlphabetInCharacter(0, c - 1) &&
                           !IsSecond(static_cast<unsigned char>(m_szText[c]));
    if (!completes) {
      m_bDropSecond = IsLead(b);
      return;
    }
  }
  const int tail = length - m_nCaret + 1;  // the bytes from the caret on, terminator included
  memmove(m_szText + m_nCaret + 1, m_szText + m_nCaret, static_cast<size_t>(tail));
  m_szText[m_nCaret] = static_cast<char>(b);
  ++m_nCaret;
}

void QEdit::DeleteForward() {
  const int n = Length(), c = m_nCaret;
  if (c < 0 || c >= n) return;
  const int count = (c + 1 <= n - 1 && IsFirstAlphabetInCharacter(0, c + 1)) ? 2 : 1;
  const int tail = n - c - count + 1;  // the bytes after the deleted ones, terminator included
  memmove(m_szText + c, m_szText + c + count, static_cast<size_t>(tail));
}

void QEdit::DeleteBackward() {
  const int n = Length(), c = m_nCaret;
  if (c < 1 || c > n) return;
  const int count = IsFirstAlphabetInCharacter(0, c - 1) ? 2 : 1;
  const int tail = n - c + 1;  // the bytes from the caret on, terminator included
  memmove(m_szText + c - count, m_szText + c, static_cast<size_t>(tail));
  m_nCaret = c - count;
}

void QEdit::Paste() {
  std::string clip;
  if (!tessera::GetInputServices().GetClipboardText(clip)) return;  // silent
  PlayEditSound(kBackSound);
  const size_t take = std::min(clip.size(), static_cast<size_t>(Room()));
  for (size_t i = 0; i < take; ++i) {
    const unsigned char b = static_cast<unsigned char>(clip[i]);
    if (b == 0) break;
    if (IsTypable(b)) Insert(b);
  }
}

void QEdit::InKey(QKey* key) {
  if (!key) return;
  m_szText[kTextBytes] = 0;
  m_nCaret = std::clamp(m_nCaret, 0, Length());
  if (key->cChar == kEnter) {
    PlayEditSound(kBellSound);
    tessera::SendFocusMessage(AREA_MSG_LOSTFOCUS, this);
    if (m_pTarget && m_pTarget->m_pfnClick) m_pTarget->m_pfnClick(m_pTarget);
    if (m_pfnEnter) m_pfnEnter(this);
    return;
  }
  const int length = Length();
  switch (key->cVirtKey) {
    case kEnd:
      PlayEditSound(kBackSound);
      m_nCaret = length;
      return;
    case kHome:
      PlayEditSound(kBackSound);
      m_nCaret = 0;
      return;
    case kLeft:
      if (m_nCaret > 0)
        m_nCaret = std::max(0, m_nCaret - (IsFirstAlphabetInCharacter(0, m_nCaret - 1) ? 2 : 1));
      return;
    case kRight:
      if (m_nCaret >= length) return;
      m_nCaret = std::min(length, m_nCaret + (IsFirstAlphabetInCharacter(0, m_nCaret + 1) ? 2 : 1));
      return;
    case kDelete:
      PlayEditSound(kBackSound);
      DeleteForward();
      return;
    case kPaste:
      Paste();
      return;
    default:
      break;
  }
  switch (key->cChar) {
    case kBackspace:
      PlayEditSound(kBackSound);
      DeleteBackward();
      return;
    case kEscape:
      return;
    default:
      if (key->dwMessage == kKeyDown) PlayEditSound(kTypeSound);
      if (IsTypable(key->cChar)) Insert(key->cChar);
      return;
  }
}

void QEdit::SetState(unsigned long state, QAreaChain* chain) {
  if (chain) m_pAreaChain = chain;
  switch (state) {
    case QAREA_SHOW:
      if (m_pAreaChain) m_pAreaChain->Add(this);
      break;
    case QAREA_HIDE:
      if (m_bFocus) tessera::SendFocusMessage(AREA_MSG_LOSTFOCUS, this);
      break;
    case QAREA_IDLE:
      ClearEdit();
      break;
    case QAREA_CLOSE:
      if (m_pAreaChain) m_pAreaChain->Delete(this);
      if (m_bFocus && AfxGetViewManager()) tessera::SendFocusMessage(AREA_MSG_LOSTFOCUS, this);
      break;
    default:
      break;
  }
  m_dwState = static_cast<uint32_t>(state);
}

QEdit::Layout QEdit::Measure(int f) const {
  const int half = f / 2, length = Length();
  const int caret = std::clamp(m_nCaret, 0, length);
  Layout out{0, length, caret * half, 0};
  if (m_bPassword) return out;
  const int k = half > 0 ? m_nEditWidth / half : 0;
  if (k <= 0) return Layout{0, 0, 0, 0};
  QEdit* self = const_cast<QEdit*>(this);
  if (m_bSingleLine) {
    if (length <= k) return Layout{0, length, caret * half, 0};
    int s = std::clamp(caret - k, 0, length - k);
    if (self->IsFirstAlphabetInCharacter(0, s)) ++s;
    int count = std::min(k, length - s);
    if (count == k && self->IsFirstAlphabetInCharacter(0, s + k)) --count;
    return Layout{s, count, (caret - s) * half, 0};
  }
  // Several lines: pieces of k bytes, one less where a piece would end on
  // the first byte of a character.  The caret stands in the piece that
  // holds its index (at the end of the last piece after the text).
  int start = 0, line = 0;
  while (true) {
    int n = std::min(k, length - start);
    if (start + n < length && self->IsFirstAlphabetInCharacter(0, start + n)) --n;
    if (n <= 0) n = std::min(2, length - start);  // a field narrower than one character
    if (caret < start + n || start + n >= length)
      return Layout{0, length, (caret - start) * half, line};
    start += n;
    ++line;
  }
}

void QEdit::Show(SURFACE* target) {
  m_szText[kTextBytes] = 0;
  const int y =
      m_rcArea.top + (m_rcArea.bottom - m_rcArea.top - tessera::CurrentFontSize()) / 2 - 3;
  const uint32_t now = tessera::NowMs();
  if (m_dwCursorTime == 0) m_dwCursorTime = now;
  if (now - m_dwCursorTime > 100) {
    m_nCursorFrame = (m_nCursorFrame + 1) % 3;
    m_dwCursorTime = 0;
  }
  const int previous = tessera::CurrentFontSize();
  if (IsFontSize(m_nFontSize)) tessera::SetCurrentFontSize(m_nFontSize);
  const int f = m_nFontSize;
  const Layout at = Measure(f);
  const int left = m_rcArea.left;
  char shown[kTextBytes + 1];
  if (target && m_bPassword) {
    const int n = Length();
    memset(shown, '*', static_cast<size_t>(n));
    shown[n] = 0;
    const PIXEL white(static_cast<unsigned short>(0x7FFF));
    target->DrawTextA(left + 1, y + 1, white, shown);
    target->DrawTextA(left, y, white, shown);
  } else if (target && m_bSingleLine) {
    memcpy(shown, m_szText + at.first, static_cast<size_t>(at.count));
    shown[at.count] = 0;
    target->DrawTextA(left, y, m_TextColor, shown);
  } else if (target) {
    const int half = f / 2, length = Length();
    const int k = half > 0 ? m_nEditWidth / half : 0;
    for (int start = 0, line = 0; k > 0 && start < length; ++line) {
      int n = std::min(k, length - start);
      if (start + n < length && IsFirstAlphabetInCharacter(0, start + n)) --n;
      if (n <= 0) n = std::min(2, length - start);
      memcpy(shown, m_szText + start, static_cast<size_t>(n));
      shown[n] = 0;
      target->DrawTextA(left, y + line * f, m_TextColor, shown);
      start += n;
    }
  }
  if (IsFontSize(previous)) tessera::SetCurrentFontSize(previous);
  if (!m_bFocus) return;
  const int cx = left + at.caretX, cy = y + at.caretLine * f;
  SURFACE* caret = m_nCursorFrame >= 0 && m_nCursorFrame < 3 ? m_pCursor[m_nCursorFrame] : nullptr;
  if (caret && target) caret->Blit(target, cx, cy);
  // The input method puts its composition window at the caret.
  const tagRECT rect{cx, cy, cx + std::max(f, 1), cy + std::max(f, 1)};
  // Told only when it changes (one rectangle for every field: the focus
  // may move from field to field).
  tagRECT& last = g_input_rect;
  if (rect.left != last.left || rect.top != last.top || rect.right != last.right ||
      rect.bottom != last.bottom) {
    last = rect;
    CVIEWMANAGE* vm = AfxGetViewManager();
    tessera::GetInputServices().SetTextInputRect(vm ? vm->GetMainWnd() : nullptr, rect);
  }
}
