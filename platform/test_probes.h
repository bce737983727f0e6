// Where the platform layer lets the test-support library (tessera_testing)
// look in and make calls fail.  Every probe is empty by default: a game pays
// one null check per call and keeps no record of anything.  Only
// tessera_testing fills them in (testing/headless_controls.cpp, which keeps
// the records and the requested failures); games never see this header.
#ifndef TESSERA_PLATFORM_TEST_PROBES_H
#define TESSERA_PLATFORM_TEST_PROBES_H
#pragma GCC visibility push(default)  // reached by tessera_testing

#include <string>
#include <string_view>

#include "platform/dsound_types.h"
#include "platform/mci.h"
#include "platform/message_sink.h"
#include "platform/window.h"

namespace tessera {

class SoftwareBuffer;
class HeadlessMidiPlayer;

struct TestProbes {
  // --- windows (platform/window.cpp)
  // A message reached a window: sent, or posted and then delivered.
  void (*window_message)(HWND window, const WindowMessage& message) = nullptr;
  // The window record is about to be freed.
  void (*window_destroyed)(HWND window) = nullptr;

  // --- headless message boxes (platform/headless/headless_message_sink.cpp)
  void (*message_box)(std::string_view caption_gbk, std::string_view text_gbk,
                      MessageIcon icon) = nullptr;

  // --- headless audio (platform/headless/headless_audio.cpp)
  // A call on the device or one of its buffers: `call` is its name
  // ("SetVolume"), `line` the call with its arguments.  Returns the failure
  // to answer with, DS_OK to let the call run.
  HRESULT (*audio_call)(const char* call, const std::string& line) = nullptr;
  // The call last reported was refused by the buffer itself with `code`.
  void (*audio_refused)(HRESULT code) = nullptr;
  // The number the next buffer gets (0: buffers are not numbered).
  int (*audio_next_number)() = nullptr;
  // Buffer `number` was created, or released (buffer null).
  void (*audio_buffer)(int number, SoftwareBuffer* buffer) = nullptr;

  // --- headless MIDI sequencer (platform/headless/headless_midi.cpp)
  // A player was opened, or is being closed.
  void (*midi_player)(HeadlessMidiPlayer* player, bool open) = nullptr;
  // Opening a player, or a play command: the failure to answer with (0:
  // none).
  MCIERROR (*midi_open)() = nullptr;
  MCIERROR (*midi_play)() = nullptr;
};

// The one set of probes of the process.
TestProbes& Probes();

}  // namespace tessera

#pragma GCC visibility pop
#endif
