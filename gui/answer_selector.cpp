#include "gui/answer_selector.h"

#include <cstring>

#include "gui/area_chain.h"
#include "gui/button.h"
#include "input/mouse.h"
#include "public/engine.h"

namespace {

// "请选择答案" (choose an answer), the main button's tip after a choice.
const char kChooseTip[] = "\xC7\xEB\xD1\xA1\xD4\xF1\xB4\xF0\xB0\xB8";

void SetPartState(QArea* part, unsigned long state, QAreaChain* chain) {
  if (part) part->SetState(state, chain);
}

// The mouse button is taken as released: the click that opened or closed
// the answers must not count as held on the part that appears under it.
void ReleaseMouseKey() {
  if (QMouse* mouse = AfxGetMouse()) mouse->SetMouseKey(0);
}

}  // namespace

QSelectBt::QSelectBt()
    : m_pMainButton(nullptr), m_pAnswer{}, m_pPanel(nullptr), m_szImageBase{}, m_pChain(nullptr) {
  memcpy(m_szType, "SBt", 4);
  ACreate(-1, -1, -1, -1);
  m_dwState = QAREA_CLOSE;
}

QSelectBt::~QSelectBt() {
  SetState(QAREA_CLOSE, nullptr);
  delete m_pMainButton;
  for (QButton*& a : m_pAnswer) {
    delete a;
    a = nullptr;
  }
  delete m_pPanel;
  m_pMainButton = nullptr;
  m_pPanel = nullptr;
}

bool QSelectBt::IsPointed(int, int) { return false; }

void QSelectBt::SetState(unsigned long state, QAreaChain* chain) {
  QArea::SetState(state, chain);
  if (!m_pAreaChain) return;
  SetPartState(m_pMainButton, state, m_pAreaChain);
  SetPartState(m_pPanel, state, m_pAreaChain);
  for (QButton* a : m_pAnswer) SetPartState(a, state, m_pAreaChain);
  m_pChain = m_pAreaChain;
  if (m_pMainButton) {
    m_pMainButton->m_pfnClick = OnOpen;
    m_pMainButton->m_dwData = reinterpret_cast<intptr_t>(this);
  }
  for (QButton* a : m_pAnswer)
    if (a) {
      a->m_pfnClick = OnChoose;
      a->m_dwData = reinterpret_cast<intptr_t>(this);
    }
}

void QSelectBt::OnOpen(void* p) {
  QButton* main = static_cast<QButton*>(p);
  QSelectBt* sel = reinterpret_cast<QSelectBt*>(main->m_dwData);
  // Back to its normal look for the next time it shows.
  QButton::OnClick(main);
  SetPartState(main, QAREA_HIDE, nullptr);
  SetPartState(sel->m_pPanel, QAREA_SHOW, nullptr);
  for (QButton* a : sel->m_pAnswer) SetPartState(a, QAREA_SHOW, nullptr);
  ReleaseMouseKey();
}

void QSelectBt::OnChoose(void* p) {
  QButton* answer = static_cast<QButton*>(p);
  QSelectBt* sel = reinterpret_cast<QSelectBt*>(answer->m_dwData);
  QButton::OnClick(answer);
  SetPartState(sel->m_pMainButton, QAREA_SHOW, nullptr);
  SetPartState(sel->m_pPanel, QAREA_HIDE, nullptr);
  for (QButton* a : sel->m_pAnswer) SetPartState(a, QAREA_HIDE, nullptr);
  int index = 0;  // a part that is not one of the four counts as A
  for (int i = 0; i < 4; ++i)
    if (sel->m_pAnswer[i] == answer) index = i;
  sel->m_nAnswer = index;
  ReleaseMouseKey();
  if (!sel->m_pMainButton) return;
  char base[sizeof(sel->m_szImageBase)];
  memcpy(base, sel->m_szImageBase, sizeof(base));
  base[sizeof(base) - 1] = 0;
  if (strlen(base) >= 8) base[7] = static_cast<char>('A' + index);
  sel->m_pMainButton->ChangeImage("", kChooseTip, base);
}
