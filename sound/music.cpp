#include "sound/music.h"

#include <cstdio>
#include <string>

#include "platform/log.h"
#include "platform/mci.h"

using tessera::MciSendString;

CMusic::CMusic(void* window) : m_hNotifyWnd(static_cast<HWND>(window)), m_bMute(0) {}

bool CMusic::Play(const char* file) {
  if (!file) return false;
  if (m_bMute) return true;
  // The path is formatted into a 256-byte command, so at most 223 bytes of
  // it fit; a longer one is cut there.
  char open[256];
  std::snprintf(open, sizeof open, "open %s type sequencer alias MUSIC", file);
  if (MciSendString("close all", nullptr) != 0) return false;
  MCIERROR code = MciSendString(open, nullptr);
  if (code == 0) code = MciSendString("play MUSIC from 0 notify", m_hNotifyWnd);
  if (code != 0) {
    char text[128] = "";
    tessera::MciGetErrorString(code, text, sizeof text);
    tessera::LogWarning(std::string("cannot play music ") + file, text);
  }
  return code == 0;
}

bool CMusic::Stop() { return MciSendString("close all", nullptr) == 0; }

bool CMusic::Pause() {
  if (m_bMute) return true;
  return MciSendString("stop MUSIC", nullptr) == 0;
}

bool CMusic::Resume() {
  if (m_bMute) return true;
  return MciSendString("play MUSIC notify", m_hNotifyWnd) == 0;
}

bool CMusic::Restart() {
  if (m_bMute) return true;
  const MCIERROR code = MciSendString("play MUSIC from 0 notify", m_hNotifyWnd);
  if (code == 0) return true;
  std::printf("ERROR: %s\r\n", "Sequencer device did not open!");
  char text[128];
  if (tessera::MciGetErrorString(code, text, sizeof text))
    std::printf("%s\r\n", text);
  else
    std::printf("0x%08X returned!\r\n", static_cast<unsigned>(code));
  std::fflush(stdout);
  return false;
}

void CMusic::Mute(int mute) {
  m_bMute = mute;
  if (mute) Stop();
}
