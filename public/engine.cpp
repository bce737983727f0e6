#include "public/engine.h"

#include <new>

#include "database/database.h"
#include "database/pack_ani_database.h"
#include "pack/res.h"

namespace {
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

void AfxFreeEngine(void) {
  // Music player, wave buffer and sound device go first, as they land.
  Free(g_resource);
  // Mouse cursor, then display manager, as they land.
  Free(g_ani_db);
  Free(g_shared_ani_db);
}

namespace tessera {
CPackAniDataBase* SharedAniDataBase() { return g_shared_ani_db; }

void ResetEngineForTests() {
  AfxFreeEngine();
  AfxReleaseDataBase(nullptr);
  g_screen_width = 800;
  g_screen_height = 600;
}
}  // namespace tessera
