// Fuzzes the packed alpha image reader: a whole image (16-bit width and
// height, then the rows).  A readable image is then queried and drawn with
// clipping; nothing may read or write outside its buffers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/dle_surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image(data, data + size);  // exactly sized
  std::unique_ptr<DLESURFACE> d(tessera::LoadDleSurface(image.data(), image.size()));
  if (!d) return 0;
  volatile unsigned sum = 0;
  for (int y = 0; y < d->GetHeight() && y < 256; y += 3)
    for (int x = 0; x < d->GetWidth() && x < 256; x += 3)
      sum = sum + d->GetPixel(x, y) + d->GetAlphaPixel(x, y);
  d->PutAlphaPixel(1, 1, 7);
  d->SetPixel(2, 1, 0x1234);
  DIBSURFACE dst(80, 60);
  dst.Initialize();
  d->Blit(&dst, -5, -5);
  d->Blit(&dst, 40, 30);
  d->FillRect(PIXEL(0x0421));
  d->Blit(&dst, 0, 0);
  return 0;
}
