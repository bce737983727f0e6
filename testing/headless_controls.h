// What tests read from, and ask of, the headless backends and the window
// layer: the record of message boxes, the messages each window received,
// the headless audio log and its failures, the headless sequencer's state
// and failures.  The core library only offers the points to look in
// (platform/test_probes.h); the records and failures live here.
//
// The records start with the process (they are set up before main) and are
// emptied by ResetEngineForTests.
#ifndef TESSERA_TESTING_HEADLESS_CONTROLS_H
#define TESSERA_TESTING_HEADLESS_CONTROLS_H
#pragma GCC visibility push(default)  // test support: exported

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "platform/mci.h"
#include "platform/message_sink.h"
#include "platform/window.h"

namespace tessera {

// --- message boxes
struct MessageRecord {
  std::string caption;  // GBK, as the engine passed it
  std::string text;     // GBK
  MessageIcon icon;
};
// Every box shown through a headless sink since the last clear, oldest
// first, whichever sink instance showed it.
const std::vector<MessageRecord>& HeadlessMessages();
void ClearHeadlessMessages();

// --- window messages
// Every message the window received (sent, or posted and delivered) since
// it was created or the list was last cleared; tests may clear it.
std::vector<WindowMessage>& ReceivedMessages(HWND window);

// --- headless audio (the log's lines: platform/headless/headless_audio.h)
const std::vector<std::string>& HeadlessAudioLog();
void ClearHeadlessAudioLog();
// The next `times` calls named `call` (the log line's first word without
// the buffer number: "DirectSoundCreate", "SetVolume", "Lock", ...) fail
// with `code`.
void FailHeadlessAudioCall(const std::string& call, HRESULT code, int times = 1);
// Empties the log, forgets requested failures and restarts the numbering.
void ResetHeadlessAudio();
// A live buffer by its number, or null once it has been released.
SoftwareBuffer* HeadlessAudioBuffer(int number);
// Mixes every live headless buffer into `frames` stereo frames at `rate`
// (what the SDL backend would send to the sound card at that moment),
// advancing their positions; the system wave volume applies.
void MixHeadlessAudio(int16_t* out, size_t frames, uint32_t rate);

// --- headless MIDI sequencer
// What the newest open headless device is doing.
struct HeadlessMidiState {
  bool open = false;
  bool playing = false;
  uint32_t position_ms = 0;  // time played, by the engine clock
  std::string path;          // native path of its file
};
HeadlessMidiState HeadlessMidi();
// Lets every playing headless piece end as if it had played to its end
// (it stops and goes back to the start), then posts the notifications
// (PollMciNotifications).  Returns the number of pieces that ended.
int SimulateEndOfPiece();
// Makes the next player creation fail with `code` (0: no failure).
void FailNextHeadlessMidiOpen(MCIERROR code);
// Makes the next play command on a headless device fail with `code`.
void FailNextHeadlessMidiPlay(MCIERROR code);
// Forgets requested failures.
void ResetHeadlessMidi();

// Puts the host's sound services and the log back as a process starts
// them: no sequencer device open, full system volumes, empty headless audio
// and MIDI records and failures, an empty log.  Every engine reset ends
// with it.
void ResetHostServicesForTests();

// Fills in the core library's probes.  Done before main; ResetEngineForTests
// does it again in case a test cleared them.
void InstallHeadlessControls();

}  // namespace tessera

#pragma GCC visibility pop
#endif
