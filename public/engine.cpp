#include "public/engine.h"

#include <new>

#include "database/pack_ani_database.h"
#include "engine/view_manage.h"
#include "input/mouse.h"
#include "pack/res.h"
#include "platform/test_hooks.h"
#include "public/error_report.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/music.h"

namespace {
CVIEWMANAGE* g_view_manager = nullptr;
int g_screen_width = 800;
int g_screen_height = 600;
QKey g_key;
CDXSound* g_sound = nullptr;
DxSoundBuffer* g_sound_buffer = nullptr;
CMusic* g_music = nullptr;
CRes* g_resource = nullptr;
CPackAniDataBase* g_ani_db = nullptr;
CPackAniDataBase* g_shared_ani_db = nullptr;
QMouse* g_mouse = nullptr;

template <typename T>
void Free(T*& p) {
  delete p;
  p = nullptr;
}
}  // namespace

bool AfxCreateSound(void* window) {
  // A second call replaces the device: the old buffers, then the old
  // device, go first (in the order AfxFreeEngine frees them), so nothing
  // leaks and no buffer outlives its device.
  Free(g_sound_buffer);
  Free(g_sound);
  g_sound = new (std::nothrow) CDXSound();
  if (!g_sound) return false;
  if (!g_sound->Create(window)) {
    delete g_sound;
    g_sound = nullptr;
    return false;
  }
  g_sound_buffer = new (std::nothrow) DxSoundBuffer();
  if (!g_sound_buffer) {
    ErrorBox(
        "\xB2\xBB\xC4\xDC\xB3\xF5\xCA\xBC\xBB\xAF\xD2\xF4\xD0\xA7\xCA\xFD\xBE\xDD\xC7\xF8\xA3\xA1");  // 不能初始化音效数据区！
    return false;
  }
  g_sound_buffer->Initialize(g_sound);
  return true;
}

CDXSound* AfxGetSound(void) { return g_sound; }
DxSoundBuffer* AfxGetSoundBuffer(void) { return g_sound_buffer; }

bool AfxCreateMusic(void* window) {
  delete g_music;
  g_music = new (std::nothrow) CMusic(window);
  if (!g_music) {
    ErrorBox(
        "\xB2\xBB\xC4\xDC\xB3\xF5\xCA\xBC\xBB\xAF\xD2\xF4\xC0\xD6\xA3\xA1");  // 不能初始化音乐！
    return false;
  }
  return true;
}

CMusic* AfxGetMusic(void) { return g_music; }

void AfxSetScreenWidth(int width) { g_screen_width = width & ~3; }
void AfxSetScreenHeight(int height) { g_screen_height = height & ~3; }
int AfxGetScreenWidth(void) { return g_screen_width; }
int AfxGetScreenHeight(void) { return g_screen_height; }
QKey* AfxGetKey(void) { return &g_key; }

void AfxCreateMouse(void) { g_mouse = new (std::nothrow) QMouse(); }
QMouse* AfxGetMouse(void) { return g_mouse; }

void AfxCreateResource(const char* dataBase, const char* root) {
  // A second call replaces the first set.  The old resource pack goes
  // before the new one is made: its destructor releases the databases and
  // the shared table objects, which the new one must create afresh.
  Free(g_resource);
  Free(g_ani_db);
  Free(g_shared_ani_db);
  g_resource = new (std::nothrow) CRes(dataBase, root);
  g_ani_db = new (std::nothrow) CPackAniDataBase(dataBase);
  g_shared_ani_db =
      new (std::nothrow) CPackAniDataBase(tessera::SharedPackDataBasePath(root).c_str());
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
  Free(g_music);
  Free(g_sound_buffer);
  Free(g_sound);
  Free(g_resource);
  Free(g_mouse);
  Free(g_view_manager);
  Free(g_ani_db);
  Free(g_shared_ani_db);
}

namespace tessera {
CPackAniDataBase* SharedAniDataBase() { return g_shared_ani_db; }

void ResetEntryStateForTests() {
  AfxFreeEngine();
  g_screen_width = 800;
  g_screen_height = 600;
  g_key = QKey();
}
}  // namespace tessera
