#include "platform/headless/headless_midi.h"

#include "platform/clock.h"
#include "platform/test_probes.h"

namespace tessera {

HeadlessMidiPlayer::HeadlessMidiPlayer(std::string path) : path_(std::move(path)) {
  if (Probes().midi_player) Probes().midi_player(this, true);
}

HeadlessMidiPlayer::~HeadlessMidiPlayer() {
  if (Probes().midi_player) Probes().midi_player(this, false);
}

MCIERROR HeadlessMidiPlayer::Play(bool from_start) {
  if (Probes().midi_play)
    if (MCIERROR code = Probes().midi_play()) return code;
  if (from_start) position_ = 0;
  if (!playing_ || from_start) started_ = NowMs();
  playing_ = true;
  return 0;
}

MCIERROR HeadlessMidiPlayer::Stop() {
  position_ = Position();
  playing_ = false;
  return 0;
}

bool HeadlessMidiPlayer::TakeEnded() {
  const bool e = ended_;
  ended_ = false;
  return e;
}

void HeadlessMidiPlayer::End() {
  playing_ = false;
  position_ = 0;
  ended_ = true;
}

uint32_t HeadlessMidiPlayer::Position() const {
  return playing_ ? position_ + (NowMs() - started_) : position_;
}

std::unique_ptr<MidiPlayer> CreateHeadlessMidiPlayer(const std::string& path,
                                                     const std::vector<uint8_t>&, MCIERROR* error) {
  if (Probes().midi_open)
    if (MCIERROR code = Probes().midi_open()) {
      *error = code;
      return nullptr;
    }
  return std::make_unique<HeadlessMidiPlayer>(path);
}

}  // namespace tessera
