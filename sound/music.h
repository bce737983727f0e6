// Background music from MIDI files, one piece at a time, through the
// sequencer's string commands under the device alias MUSIC.
//
//   CMusic* music = AfxGetMusic();
//   music->Play("music\\town.mid");   // notifies the window when it ends
//   ... on MM_MCINOTIFY: music->Restart();
//
// Muting stops the music and turns the play commands into successful
// no-operations.  Freeing the player neither stops nor closes the device.
#ifndef TESSERA_SOUND_MUSIC_H
#define TESSERA_SOUND_MUSIC_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "public/windows_types.h"

class CMusic {
 public:
  explicit CMusic(void* window);
  CMusic& operator=(const CMusic&) = default;

  // Closes every sequencer device, opens `file` as MUSIC and plays it from
  // the start with notification.  False for a null name or when a command
  // fails (the old music is closed by then).
  bool Play(const char* file);
  // Closes every sequencer device; works also when muted.
  bool Stop();
  // Stops MUSIC where it is.
  bool Pause();
  // Plays MUSIC on from where it stopped, with notification.
  bool Resume();
  // Plays MUSIC again from the start, with notification; a failure is also
  // reported on the standard output.
  bool Restart();
  // Stores `mute`; a non-zero value stops the music.
  void Mute(int mute);

  HWND m_hNotifyWnd;
  int32_t m_bMute;
};

#pragma GCC visibility pop
#endif
