#include "gui/button_menu.h"

#include <cstring>
#include <new>

#include "gui/area_chain.h"
#include "gui/button.h"
#include "gui/move_parts.h"
#include "platform/clock.h"
#include "platform/test_hooks.h"

namespace {

// Shared by every menu of the process.  The delay is never restored: the
// first items a game ever unfolds take their time, later ones a frame each.
constexpr uint32_t kFirstUnfoldDelay = 10;
uint32_t g_unfold_delay = kFirstUnfoldDelay;
uint32_t g_unfold_timer = 0;

// A terminated copy of a fixed-size text field that may fill its array.
template <size_t N>
struct FieldText {
  explicit FieldText(const char (&field)[N]) {
    memcpy(text, field, N);
    text[N] = 0;
  }
  char text[N + 1];
};

}  // namespace

namespace tessera {
uint32_t MenuUnfoldDelay() { return g_unfold_delay; }
uint32_t MenuUnfoldTimer() { return g_unfold_timer; }
void ResetMenuTimersForTests() {
  g_unfold_delay = kFirstUnfoldDelay;
  g_unfold_timer = 0;
}
}  // namespace tessera

QBtMenu::QBtMenu()
    : m_bUnfold(true), m_nFontSize(12), m_bGhost(false), m_bFlash(true), m_nUnfolded(0) {
  memcpy(m_szType, "Bmu", 4);
  ACreate(-1, -1, -1, -1);
  m_dwState = QAREA_CLOSE;
}

QBtMenu::QBtMenu(int count, InItem* items) : QBtMenu() {
  m_nFontSize = 16;
  Create(count, items);
  m_dwState = QAREA_CLOSE;
}

QBtMenu::~QBtMenu() {
  SetState(QAREA_CLOSE, nullptr);
  DeleteAll();
}

int QBtMenu::Create(int count, InItem* items) {
  ACreate(-1, -1, -1, -1);
  SetContent(count, items);
  return GetCount();
}

QButton* QBtMenu::MakeButton(const InItem& item, bool centerCaption) {
  QButton* b = new (std::nothrow) QButton();
  if (!b) return nullptr;
  // The record's texts may fill their arrays; the button refuses what is
  // too long, so terminated copies are all it needs.
  const FieldText<sizeof(item.szCaption)> caption(item.szCaption);
  const FieldText<sizeof(item.szTip)> tip(item.szTip);
  const FieldText<sizeof(item.szImage)> image(item.szImage);
  b->Create(item.rect, caption.text, tip.text, image.text, centerCaption, m_nFontSize);
  if (item.pfnClick) b->m_pfnClick = item.pfnClick;
  b->m_bUnfold = m_bUnfold;
  b->m_dwData = item.nID;
  b->m_bGhost = m_bGhost;
  b->m_bFlash = m_bFlash;
  b->SetParentArea(this);
  m_Buttons.push_back(b);
  return b;
}

void QBtMenu::SetContent(int count, InItem* items) {
  if (!items) return;
  m_nUnfolded = 0;
  DeleteAll();
  // Items often share their images (a bar of one button picture).
  tessera::LookImageScope shared_looks;
  for (int i = 0; i < count; ++i)
    if (!MakeButton(items[i], true)) break;
}

void QBtMenu::AddItem(InItem& item, bool centerCaption) {
  m_nUnfolded = 0;
  MakeButton(item, centerCaption);
}

void QBtMenu::DeleteAll() {
  // Taken out of the list first: a button's destructor may run chain code.
  std::vector<QButton*> buttons;
  buttons.swap(m_Buttons);
  for (QButton* b : buttons) delete b;
}

QButton* QBtMenu::GetItem(unsigned index) {
  return index < m_Buttons.size() ? m_Buttons[index] : nullptr;
}

void QBtMenu::SetBtMouseStand(bool on) {
  for (QButton* b : m_Buttons) b->m_pfnHover = on ? QButton::OnHover : DoNothing;
}

void QBtMenu::Show(SURFACE*) {
  if (!m_bUnfold || m_nUnfolded >= GetCount()) return;
  const uint32_t now = tessera::NowMs();
  if (g_unfold_timer == 0) {
    g_unfold_timer = now;
    return;
  }
  if (now - g_unfold_timer <= g_unfold_delay) return;
  QButton* b = m_Buttons[static_cast<size_t>(m_nUnfolded)];
  if (b->m_nImage == QButton::LOOK_HIDDEN && b->m_bEnable) {
    b->m_nImage = QButton::LOOK_HOVER;
  } else {
    // A disabled item settles on its disabled look, skipping the hover step.
    b->m_nImage = b->m_bEnable ? QButton::LOOK_NORMAL : QButton::LOOK_DISABLED;
    ++m_nUnfolded;
    g_unfold_delay /= 2;
  }
  // The next step is measured from this one, so that with frames longer
  // than the delay each step takes exactly one frame; after the last item
  // the timer stops.
  g_unfold_timer = m_nUnfolded < GetCount() ? now : 0;
}

void QBtMenu::Move(int x, int y) {
  QArea::Move(x, y);
  tessera::MovePartsTo(m_Buttons, x, y);
}

bool QBtMenu::IsPointed(int, int) { return false; }

void QBtMenu::SetState(unsigned long state, QAreaChain* chain) {
  if (chain) m_pAreaChain = chain;
  if (!m_pAreaChain) return;
  m_dwState = static_cast<uint32_t>(state);
  switch (state) {
    case QAREA_SHOW:
      m_pAreaChain->Add(this);
      for (QButton* b : m_Buttons) {
        b->SetState(QAREA_SHOW, m_pAreaChain);
        if (m_bUnfold) b->m_nImage = QButton::LOOK_HIDDEN;
      }
      if (m_bUnfold) m_nUnfolded = 0;
      break;
    case QAREA_HIDE:
    case QAREA_IDLE:
      for (QButton* b : m_Buttons) b->SetState(state, m_pAreaChain);
      break;
    case QAREA_CLOSE:
      for (QButton* b : m_Buttons) b->SetState(QAREA_CLOSE, m_pAreaChain);
      m_pAreaChain->Delete(this);
      break;
    default:
      break;
  }
}
