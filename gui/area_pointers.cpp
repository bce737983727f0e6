// The area under the mouse now, the one before the last change and the
// area with the input focus.  They belong to the GUI: the chain manager
// sets the first two while hit testing, areas leaving a chain clear them,
// and the entry functions only hand them out.
#include "gui/area_pointers.h"

#include "gui/area.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

namespace {
QArea* g_now_area = nullptr;
QArea* g_pre_area = nullptr;
QArea* g_now_focus = nullptr;
}  // namespace

QArea* AfxGetNowArea(void) { return g_now_area; }
QArea* AfxGetPreArea(void) { return g_pre_area; }
QArea* AfxGetNowFocus(void) { return g_now_focus; }

void AfxSetNowFocus(QArea* area) {
  if (!area) return;
  g_now_focus = area;
  area->GetFocus();
}

namespace tessera {
void SetNowArea(QArea* area) { g_now_area = area; }
void SetPreArea(QArea* area) { g_pre_area = area; }

void ForgetArea(QArea* area) {
  if (g_now_area == area) g_now_area = nullptr;
  if (g_pre_area == area) g_pre_area = nullptr;
  if (g_now_focus == area) g_now_focus = nullptr;
}

void ResetAreaPointersForTests() {
  g_now_area = g_pre_area = g_now_focus = nullptr;
  g_szTipText[0] = 0;
}
}  // namespace tessera
