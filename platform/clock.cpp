#include "platform/clock.h"

#include <chrono>

namespace tessera {

namespace {

// Milliseconds since the clock was created, plus 1000 so that the value is
// never 0 (the engine's "timer not started").
class SystemClock : public Clock {
 public:
  uint32_t Milliseconds() override {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    return 1000u + static_cast<uint32_t>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::unique_ptr<Clock>& Slot() {
  static std::unique_ptr<Clock> clock;
  return clock;
}

}  // namespace

void SetClock(std::unique_ptr<Clock> clock) { Slot() = std::move(clock); }

Clock& GetClock() {
  if (!Slot()) Slot() = std::make_unique<SystemClock>();
  return *Slot();
}

uint32_t NowMs() { return GetClock().Milliseconds(); }

}  // namespace tessera
