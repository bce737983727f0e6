#include "public/engine.h"

#include <new>

#include "database/database.h"
#include "database/pack_ani_database.h"
#include "engine/cpu_features.h"
#include "engine/fader_particles.h"
#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/button.h"
#include "gui/button_menu.h"
#include "gui/chain_manager.h"
#include "gui/map/map_manager.h"
#include "gui/map/equip_pool.h"
#include "gui/edit.h"
#include "gui/loop_led.h"
#include "gui/map/map_player.h"
#include "input/mouse.h"
#include "pack/res.h"
#include "platform/glyph_source.h"
#include "platform/headless/headless_audio.h"
#include "platform/input_services.h"
#include "platform/log.h"
#include "platform/mci.h"
#include "platform/presenter.h"
#include "platform/system_volume.h"
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
QArea* g_now_area = nullptr;
QArea* g_pre_area = nullptr;
QArea* g_now_focus = nullptr;

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
    ErrorBox("\xB2\xBB\xC4\xDC\xB3\xF5\xCA\xBC\xBB\xAF\xD2\xF4\xD0\xA7\xCA\xFD\xBE\xDD\xC7\xF8\xA3\xA1");  // 不能初始化音效数据区！
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
    ErrorBox("\xB2\xBB\xC4\xDC\xB3\xF5\xCA\xBC\xBB\xAF\xD2\xF4\xC0\xD6\xA3\xA1");  // 不能初始化音乐！
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

QArea* AfxGetNowArea(void) { return g_now_area; }
QArea* AfxGetPreArea(void) { return g_pre_area; }
QArea* AfxGetNowFocus(void) { return g_now_focus; }

void AfxSetNowFocus(QArea* area) {
  if (!area) return;
  g_now_focus = area;
  area->GetFocus();
}

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

void SetNowArea(QArea* area) { g_now_area = area; }
void SetPreArea(QArea* area) { g_pre_area = area; }

void ForgetArea(QArea* area) {
  if (g_now_area == area) g_now_area = nullptr;
  if (g_pre_area == area) g_pre_area = nullptr;
  if (g_now_focus == area) g_now_focus = nullptr;
}

void ResetEngineForTests() {
  ResetMapManagerForTests();
  AfxFreeEngine();
  AfxReleaseDataBase(nullptr);
  ResetSurfaceCacheForTests();
  ResetGlyphCacheForTests();
  ResetFontStateForTests();
  ResetFaderParticlesForTests();
  ForceNoMmxForTests(false);
  ForceNoAvx2ForTests(false);
  SetPresenter(nullptr);
  SetInputServices(nullptr);
  SetGlyphSource(nullptr);
  g_screen_width = 800;
  g_screen_height = 600;
  g_key = QKey();
  g_now_area = g_pre_area = g_now_focus = nullptr;
  g_szTipText[0] = 0;
  ResetChainManagerForTests();
  ResetButtonTimersForTests();
  ResetMenuTimersForTests();
  CEquipPool::ReleaseAll();
  ResetPlayerAnimationForTests();
  ResetTextInputRectForTests();
  ResetLoopLedTimerForTests();
  // The host's sound services back to their initial state: no sequencer
  // devices open, full system volumes, an empty headless log.
  ResetMciForTests();
  SystemVolumes().Reset();
  ResetHeadlessAudio();
  ResetLogForTests();
}
}  // namespace tessera
