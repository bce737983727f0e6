#include "testing/manual_clock.h"

#include <memory>

namespace tessera {

ManualClock* InstallManualClock(uint32_t start) {
  auto clock = std::make_unique<ManualClock>(start);
  ManualClock* raw = clock.get();
  SetClock(std::move(clock));
  return raw;
}

}  // namespace tessera
