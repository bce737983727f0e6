// GIF sprites from pack resources: the bytes a pack hands over, composed
// into frame surfaces with the grey first frame, then stepped and drawn.
#include <cstddef>
#include <cstdint>

#include "engine/dib_surface.h"
#include "gui/gif_sprite.h"
#include "testing/manual_clock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tessera::ManualClock* clock = tessera::InstallManualClock(1000);
  static DIBSURFACE* target = [] {
    auto* s = new DIBSURFACE(64, 48);
    s->Initialize();
    return s;
  }();
  // Large logical screens only cost time and memory (every frame is a
  // surface of that size); the sprite's own limit is checked by the tests.
  if (size >= 10 && static_cast<long>(data[6] | data[7] << 8) * (data[8] | data[9] << 8) > 65536)
    return 0;
  QGifSprite sprite(0, 0, 63, 47);
  if (sprite.LoadFromData(reinterpret_cast<const char*>(data), static_cast<long>(size))) {
    for (int i = 0; i <= sprite.GetFrameCount(); ++i) {
      clock->Advance(70000);
      sprite.Show(target, -3, -2, false);
      sprite.Show(target, 1, 1, 0, 0, 70, 50, false);
    }
    sprite.Show(target, 5, 5, true);
    (void)sprite.IsPointed(3, 3);
  }
  return 0;
}
