// The headless MIDI sequencer: plays nothing, keeps the state of each open
// device (playing or stopped, position on the engine clock) and can
// simulate the end of a piece.  It is the default MIDI backend.
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_MIDI_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_MIDI_H
#pragma GCC visibility push(default)  // test controls: reached by tessera_testing

#include <memory>
#include <string>
#include <vector>

#include "platform/mci.h"

namespace tessera {

std::unique_ptr<MidiPlayer> CreateHeadlessMidiPlayer(const std::string& path,
                                                     const std::vector<uint8_t>& bytes,
                                                     MCIERROR* error);

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

void ResetHeadlessMidi();

}  // namespace tessera

#pragma GCC visibility pop
#endif
