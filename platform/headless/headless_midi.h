// The headless MIDI sequencer: plays nothing, keeps the state of each open
// device (playing or stopped, position on the engine clock) and can be told
// that its piece has ended.  It is the default MIDI backend.  (The
// test-support library reads the players' state and makes opening or
// playing fail: testing/headless_controls.h.)
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_MIDI_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_MIDI_H
#pragma GCC visibility push(default)  // reached by tessera_testing

#include <memory>
#include <string>
#include <vector>

#include "platform/mci.h"

namespace tessera {

class HeadlessMidiPlayer : public MidiPlayer {
 public:
  explicit HeadlessMidiPlayer(std::string path);
  ~HeadlessMidiPlayer() override;
  MCIERROR Play(bool from_start) override;
  MCIERROR Stop() override;
  bool TakeEnded() override;

  // The piece has played to its end: the player stops, goes back to the
  // start and reports the end at the next poll.
  void End();
  // Time played, by the engine clock.
  uint32_t Position() const;
  bool playing() const { return playing_; }
  const std::string& path() const { return path_; }  // native path of its file

 private:
  std::string path_;
  bool playing_ = false;
  bool ended_ = false;
  uint32_t position_ = 0;
  uint32_t started_ = 0;
};

std::unique_ptr<MidiPlayer> CreateHeadlessMidiPlayer(const std::string& path,
                                                     const std::vector<uint8_t>& bytes,
                                                     MCIERROR* error);

}  // namespace tessera

#pragma GCC visibility pop
#endif
