// Host service: the millisecond clock behind every engine timer.
//
// The engine reads one millisecond counter (what Windows calls timeGetTime /
// GetTickCount).  Games get the system's monotonic clock; tests
// install a ManualClock (testing/manual_clock.h) and move it by
// hand.  Engine timers use 0 for "not started", so a clock never reads 0
// after it has been installed.
#ifndef TESSERA_PLATFORM_CLOCK_H
#define TESSERA_PLATFORM_CLOCK_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>

namespace tessera {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t Milliseconds() = 0;
};

// Installs a clock; null reinstalls the system clock.
void SetClock(std::unique_ptr<Clock> clock);
Clock& GetClock();

// The current time in milliseconds from the installed clock.
uint32_t NowMs();

}  // namespace tessera

#pragma GCC visibility pop
#endif
