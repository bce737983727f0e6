// Pack image records (width, height, packed image stream) as the display
// manager decodes them into plain, run-length and mask surfaces.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "engine/surface_kinds.h"
#include "engine/view_manage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The factory needs a manager; its frame is never set up here.
  static CVIEWMANAGE* vm = new CVIEWMANAGE(8, 8, nullptr);
  // Large images only cost time (every pixel is filled first); the size
  // limits themselves are checked by the unit tests.
  if (size >= 4 && static_cast<long>(data[0] | data[1] << 8) * (data[2] | data[3] << 8) > 65536)
    return 0;
  for (SURFACE_STYLE style : {SS_DIB, SS_RLE, SS_RLEMASK}) {
    SURFACE* s = tessera::DecodePackImageRecord(vm, data, size, style);
    if (s) {
      (void)s->GetPixel(s->GetWidth() - 1, s->GetHeight() - 1);
      delete s;
    }
  }
  return 0;
}
