#include "public/engine.h"

#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "engine/cpu_features.h"
#include "platform/glyph_source.h"
#include "platform/input_services.h"
#include "platform/presenter.h"

namespace {
CVIEWMANAGE* g_view_manager = nullptr;
int g_screen_width = 800;
int g_screen_height = 600;
}  // namespace

void AfxSetScreenWidth(int width) { g_screen_width = width & ~3; }
void AfxSetScreenHeight(int height) { g_screen_height = height & ~3; }
int AfxGetScreenWidth(void) { return g_screen_width; }
int AfxGetScreenHeight(void) { return g_screen_height; }

int AfxCreateViewManager(int width, int height, HWND window) {
  if (g_view_manager) return 1;
  g_view_manager = new CVIEWMANAGE(width, height, window);
  // The resource pack joins here once it exists (AfxGetResource()).
  return g_view_manager->Initialize(nullptr);
}

CVIEWMANAGE* AfxGetViewManager(void) { return g_view_manager; }

void AfxDeleteViewManager(void) {
  delete g_view_manager;
  g_view_manager = nullptr;
}

void AfxFreeEngine(void) {
  // Each service joins this list, in its place in the order, as it lands.
  // music player, wave buffer, sound device, resource pack, mouse cursor:
  AfxDeleteViewManager();
  // animation table, shared animation table.
}

namespace tessera {
void ResetEngineForTests() {
  AfxFreeEngine();
  ResetSurfaceCacheForTests();
  ResetGlyphCacheForTests();
  ResetFontStateForTests();
  ForceNoMmxForTests(false);
  SetPresenter(nullptr);
  SetInputServices(nullptr);
  SetGlyphSource(nullptr);
  g_screen_width = 800;
  g_screen_height = 600;
}
}  // namespace tessera
