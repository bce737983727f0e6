#include "public/engine.h"

#include <new>

#include "platform/headless/headless_audio.h"
#include "platform/mci.h"
#include "platform/system_volume.h"
#include "public/error_report.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/music.h"

namespace {
int g_screen_width = 800;
int g_screen_height = 600;
CDXSound* g_sound = nullptr;
DxSoundBuffer* g_sound_buffer = nullptr;
CMusic* g_music = nullptr;
}  // namespace

bool AfxCreateSound(void* window) {
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

void AfxFreeEngine(void) {
  // Each service joins this list, in its place in the order, as it lands.
  delete g_music;
  g_music = nullptr;
  delete g_sound_buffer;
  g_sound_buffer = nullptr;
  delete g_sound;
  g_sound = nullptr;
}

namespace tessera {
void ResetEngineForTests() {
  AfxFreeEngine();
  g_screen_width = 800;
  g_screen_height = 600;
  // The host's sound services back to their initial state: no sequencer
  // devices open, full system volumes, an empty headless log.
  ResetMciForTests();
  SystemVolumes().Reset();
  ResetHeadlessAudio();
}
}  // namespace tessera
