#include "public/engine.h"

#include <new>

#include "database/database.h"
#include "database/pack_ani_database.h"
#include "engine/cpu_features.h"
#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "pack/res.h"
#include "platform/glyph_source.h"
#include "platform/input_services.h"
#include "platform/presenter.h"

namespace {
CVIEWMANAGE* g_view_manager = nullptr;
int g_screen_width = 800;
int g_screen_height = 600;
CRes* g_resource = nullptr;
CPackAniDataBase* g_ani_db = nullptr;
CPackAniDataBase* g_shared_ani_db = nullptr;

template <typename T>
void Free(T*& p) {
  delete p;
  p = nullptr;
}
}  // namespace

void AfxSetScreenWidth(int width) { g_screen_width = width & ~3; }
void AfxSetScreenHeight(int height) { g_screen_height = height & ~3; }
int AfxGetScreenWidth(void) { return g_screen_width; }
int AfxGetScreenHeight(void) { return g_screen_height; }

void AfxCreateResource(const char* dataBase, const char* root) {
  // A second call replaces the first set.  The old resource pack goes
  // before the new one is made: its destructor releases the databases and
  // the shared table objects, which the new one must create afresh.
  Free(g_resource);
  Free(g_ani_db);
  Free(g_shared_ani_db);
  g_resource = new (std::nothrow) CRes(dataBase, root);
  g_ani_db = new (std::nothrow) CPackAniDataBase(dataBase);
  g_shared_ani_db = new (std::nothrow) CPackAniDataBase(tessera::SharedPackDataBasePath(root).c_str());
}

CRes* AfxGetResource(void) { return g_resource; }
CPackAniDataBase* AfxGetAniDataBase(void) { return g_ani_db; }

int AfxCreateViewManager(int width, int height, HWND window) {
  if (g_view_manager) return 1;
  g_view_manager = new CVIEWMANAGE(width, height, window);
  return g_view_manager->Initialize(g_resource);
}

CVIEWMANAGE* AfxGetViewManager(void) { return g_view_manager; }

void AfxDeleteViewManager(void) { Free(g_view_manager); }

void AfxFreeEngine(void) {
  // Music player, wave buffer and sound device go first, as they land.
  Free(g_resource);
  // Mouse cursor, as it lands.
  Free(g_view_manager);
  Free(g_ani_db);
  Free(g_shared_ani_db);
}

namespace tessera {
CPackAniDataBase* SharedAniDataBase() { return g_shared_ani_db; }

void ResetEngineForTests() {
  AfxFreeEngine();
  AfxReleaseDataBase(nullptr);
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
