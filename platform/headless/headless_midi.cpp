#include "platform/headless/headless_midi.h"

#include <algorithm>

#include "platform/clock.h"

namespace tessera {

namespace {

class HeadlessMidiPlayer;

struct State {
  std::vector<HeadlessMidiPlayer*> live;  // in opening order
  MCIERROR fail_next = 0;
  MCIERROR fail_play = 0;
};

State& S() {
  static State state;
  return state;
}

class HeadlessMidiPlayer : public MidiPlayer {
 public:
  explicit HeadlessMidiPlayer(std::string path) : path_(std::move(path)) { S().live.push_back(this); }
  ~HeadlessMidiPlayer() override {
    auto& live = S().live;
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
  }
  MCIERROR Play(bool from_start) override {
    if (MCIERROR code = S().fail_play) {
      S().fail_play = 0;
      return code;
    }
    if (from_start) position_ = 0;
    if (!playing_ || from_start) started_ = NowMs();
    playing_ = true;
    return 0;
  }
  MCIERROR Stop() override {
    position_ = Position();
    playing_ = false;
    return 0;
  }
  bool TakeEnded() override {
    const bool e = ended_;
    ended_ = false;
    return e;
  }
  void End() {
    playing_ = false;
    position_ = 0;
    ended_ = true;
  }
  uint32_t Position() const { return playing_ ? position_ + (NowMs() - started_) : position_; }
  bool playing() const { return playing_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool playing_ = false;
  bool ended_ = false;
  uint32_t position_ = 0;
  uint32_t started_ = 0;
};

}  // namespace

std::unique_ptr<MidiPlayer> CreateHeadlessMidiPlayer(const std::string& path,
                                                     const std::vector<uint8_t>&,
                                                     MCIERROR* error) {
  if (S().fail_next) {
    *error = S().fail_next;
    S().fail_next = 0;
    return nullptr;
  }
  return std::make_unique<HeadlessMidiPlayer>(path);
}

HeadlessMidiState HeadlessMidi() {
  HeadlessMidiState state;
  if (S().live.empty()) return state;
  const HeadlessMidiPlayer* p = S().live.back();
  state.open = true;
  state.playing = p->playing();
  state.position_ms = p->Position();
  state.path = p->path();
  return state;
}

int SimulateEndOfPiece() {
  int ended = 0;
  for (HeadlessMidiPlayer* p : S().live) {
    if (!p->playing()) continue;
    p->End();
    ++ended;
  }
  PollMciNotifications();
  return ended;
}

void FailNextHeadlessMidiOpen(MCIERROR code) { S().fail_next = code; }

void FailNextHeadlessMidiPlay(MCIERROR code) { S().fail_play = code; }

void ResetHeadlessMidi() {
  S().fail_next = 0;
  S().fail_play = 0;
}

}  // namespace tessera
