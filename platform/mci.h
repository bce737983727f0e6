// Host service: the string-command interface of the MIDI sequencer.
//
// The music player sends text commands; this interpreter understands
// exactly the ones it sends (keywords in any letter case):
//
//   close all                                   closes every open device
//   close <alias>
//   open <file> type sequencer alias <alias>    checks and loads a MIDI file
//   play <alias> [from 0] [notify]              plays on, or from the start
//   stop <alias>                                stops, keeping the position
//
// A result of 0 means success; the MCIERR_* codes below name the failures
// and MciGetErrorString gives their texts.  Each open device gets a player
// from the installed MIDI backend: the headless one (default; it keeps the
// state and a position on the engine clock, and can simulate the end of a
// piece, platform/headless/headless_midi.h) or the SDL one, which renders
// through FluidSynth into the audio output (platform/sdl/sdl_audio.h).
//
// When a piece that was played with "notify" ends by itself, the window
// given with that play command receives MM_MCINOTIFY (wParam
// MCI_NOTIFY_SUCCESSFUL, lParam the device id) through PostMessage.
// Stopping or closing a device posts nothing.  Players that run on the
// audio thread only flag the end; PollMciNotifications, called by the
// game's loop (tessera::sdl::PumpEvents does), turns the flags into
// messages on the game's thread.
#ifndef TESSERA_PLATFORM_MCI_H
#define TESSERA_PLATFORM_MCI_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "public/windows_types.h"

typedef DWORD MCIERROR;

#define MM_MCINOTIFY 0x03B9
#define MCI_NOTIFY_SUCCESSFUL 0x0001

#define MCIERR_BASE 256
#define MCIERR_UNRECOGNIZED_KEYWORD (MCIERR_BASE + 3)
#define MCIERR_UNRECOGNIZED_COMMAND (MCIERR_BASE + 5)
#define MCIERR_HARDWARE (MCIERR_BASE + 6)
#define MCIERR_INVALID_DEVICE_NAME (MCIERR_BASE + 7)
#define MCIERR_MISSING_COMMAND_STRING (MCIERR_BASE + 11)
#define MCIERR_FILE_NOT_FOUND (MCIERR_BASE + 19)
#define MCIERR_OUTOFRANGE (MCIERR_BASE + 26)
#define MCIERR_UNSUPPORTED_FUNCTION (MCIERR_BASE + 18)
#define MCIERR_MISSING_PARAMETER (MCIERR_BASE + 61)
#define MCIERR_DUPLICATE_ALIAS (MCIERR_BASE + 33)
#define MCIERR_INVALID_FILE (MCIERR_BASE + 40)
#define MCIERR_SEQ_NOMIDIPRESENT (MCIERR_BASE + 87)

namespace tessera {

// Sends one command; `notify` is the window for "notify" (may be null).
MCIERROR MciSendString(const char* command, HWND notify);

// The text of an error code, copied into `text` (at most size - 1 bytes
// and a terminator); false, with `text` empty, for a code it does not know.
bool MciGetErrorString(MCIERROR code, char* text, unsigned size);

// Posts the end notifications that players have flagged since the last
// call.  Cheap when nothing has ended.
void PollMciNotifications();

// One command as the interpreter received it, with its outcome; the log is
// kept for tests and diagnostics (last 1000 commands).
struct MciCommand {
  std::string command;
  HWND notify;
  MCIERROR result;
};
const std::vector<MciCommand>& MciCommandLog();
void ClearMciCommandLog();

// An open sequencer device's player.
class MidiPlayer {
 public:
  virtual ~MidiPlayer() = default;  // closing the device
  // Plays from the start (`from_start`) or on from where it stopped.
  virtual MCIERROR Play(bool from_start) = 0;
  // Stops where it is.
  virtual MCIERROR Stop() = 0;
  // True once after the piece has ended by itself (not after Stop).
  virtual bool TakeEnded() = 0;
};

// Makes the player for a checked MIDI file: `path` is the native path,
// `bytes` the file's contents.  Returns null with *error set when it cannot.
typedef std::function<std::unique_ptr<MidiPlayer>(
    const std::string& path, const std::vector<uint8_t>& bytes, MCIERROR* error)>
    MidiPlayerFactory;
// Installs a backend; an empty factory reinstalls the headless one.
void SetMidiPlayerFactory(MidiPlayerFactory factory);

}  // namespace tessera

#pragma GCC visibility pop
#endif
