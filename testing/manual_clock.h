// A clock that moves only when told to, for deterministic tests.
//
//   auto* clock = tessera::InstallManualClock();   // reads 1000
//   clock->Advance(400);                            // now 1400
#ifndef TESSERA_TESTING_MANUAL_CLOCK_H
#define TESSERA_TESTING_MANUAL_CLOCK_H
#pragma GCC visibility push(default)  // test support: exported

#include "platform/clock.h"

namespace tessera {

class ManualClock : public Clock {
 public:
  explicit ManualClock(uint32_t start = 1000) : now_(start) {}
  uint32_t Milliseconds() override { return now_; }
  void Set(uint32_t ms) { now_ = ms; }
  void Advance(uint32_t ms) { now_ += ms; }

 private:
  uint32_t now_;
};

// Installs a new manual clock starting at `start` (1000 or later) and
// returns it; it stays owned by the clock service.
ManualClock* InstallManualClock(uint32_t start = 1000);

}  // namespace tessera

#pragma GCC visibility pop
#endif
