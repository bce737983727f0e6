// Fuzzes the packed image stream readers with a pack image record: 16-bit
// width and height, then the stream.  The stream is decoded into a plain
// surface and built into a run-length surface, which is then drawn with
// clipping; none of it may read or write outside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int w = data[0] | data[1] << 8, h = data[2] | data[3] << 8;
  // The view manager accepts up to 8000 x 6000; smaller keeps runs fast.
  if (w < 1 || h < 1 || w > 1024 || h > 1024) return 0;
  // An exactly sized copy, so that any over-read is caught.
  std::vector<uint8_t> stream(data + 4, data + size);

  DIBSURFACE plain(w, h);
  plain.Initialize();
  tessera::DecodePackedStream(stream.data(), stream.size(), &plain);

  RLESURFACE rle(w, h);
  if (!rle.Initialize(stream.data(), stream.size())) return 0;
  volatile unsigned sum = 0;
  for (int y = 0; y < h; y += 7)
    for (int x = 0; x < w; x += 5) sum = sum + rle.GetPixel(x, y);
  (void)rle.GetFirstLinePos();
  DIBSURFACE dst(64, 48);
  dst.Initialize();
  rle.Blit(&dst, -3, -2);
  rle.Blit(&dst, 60, 40);
  rle.Blit(&dst, 0, 0);
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 13;
  rle.Blit(&dst, -w / 2, 5, fx);
  return 0;
}
