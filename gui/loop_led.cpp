#include "gui/loop_led.h"

#include <algorithm>
#include <cstring>

#include "gui/edit.h"
#include "platform/clock.h"
#include "platform/test_hooks.h"

namespace {
// The step timer shared by every marquee: 0 = not started.
uint32_t g_step_time = 0;
constexpr uint32_t kStepMs = 201;
constexpr size_t kLead = 16;  // spaces before each message
}  // namespace

namespace tessera {
void ResetLoopLedTimerForTests() { g_step_time = 0; }
}  // namespace tessera

QLoopLED::QLoopLED(QEdit* edit) : m_pEdit(edit), m_Slot{}, m_szView{}, m_szRing{}, m_nOffset(0) {
  memcpy(m_szType, "LLd", 4);
  ACreate(-1, -1, -1, -1);
  memset(m_szView, ' ', sizeof(m_szView) - 1);
}

void QLoopLED::AddText(char* text, int mode) {
  if (!text || !text[0]) return;
  int chosen = -1;
  for (int i = 0; i < 8; ++i)
    if (m_Slot[i].count != -1 && (chosen < 0 || m_Slot[i].count < m_Slot[chosen].count)) chosen = i;
  Slot& slot = m_Slot[chosen < 0 ? 0 : chosen];
  memset(slot.text, ' ', kLead);
  const size_t n = strnlen(text, sizeof(slot.text) - 1 - kLead);
  memcpy(slot.text + kLead, text, n);
  slot.text[kLead + n] = 0;
  if (mode == 1)
    slot.count = -1;
  else if (mode == 2)
    slot.count = 3000;
  else if (mode == 3)
    slot.count = 300;
}

void QLoopLED::Show(SURFACE*) {
  const uint32_t now = tessera::NowMs();
  if (g_step_time == 0) g_step_time = now;
  if (now - g_step_time < kStepMs) return;
  g_step_time = 0;
  Step();
}

void QLoopLED::Step() {
  size_t length = 0;
  m_szRing[0] = 0;
  for (Slot& slot : m_Slot) {
    if (slot.count != -1 && slot.count < 2) continue;
    const size_t n =
        std::min(strnlen(slot.text, sizeof(slot.text) - 1), sizeof(m_szRing) - 1 - length);
    memcpy(m_szRing + length, slot.text, n);
    length += n;
    m_szRing[length] = 0;
    if (slot.count != -1) --slot.count;
  }
  if (length == 0) return;
  // A message may have dropped out since the last step.
  if (m_nOffset < 0 || static_cast<size_t>(m_nOffset) >= length) m_nOffset = 0;
  const size_t off = static_cast<size_t>(m_nOffset);
  const size_t n = std::min(length - off, sizeof(m_szView) - 1);
  memcpy(m_szView, m_szRing + off, n);
  m_szView[n] = 0;
  // Step one byte to land on the first byte of a Chinese character, else
  // two (one character or two letters).
  const unsigned char b0 = static_cast<unsigned char>(m_szRing[off]);
  const unsigned char b1 = static_cast<unsigned char>(m_szRing[off + 1]);
  m_nOffset += (b0 < 0x80 && b1 >= 0x80) ? 1 : 2;
  if (static_cast<size_t>(m_nOffset) >= std::min(length, sizeof(m_szRing))) m_nOffset = 0;
  if (m_pEdit) m_pEdit->SetText(m_szView);
}
