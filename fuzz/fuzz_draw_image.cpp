// Fuzz target for the image tools.  The first byte chooses the reader:
//   even: the rest is a packed image stream with its width and height
//         header, fed to ImagePointed, Burrow, MarkMix and Color16To15;
//   odd:  the rest is a bitmap file cut into cells by PartitionBmp.
// The tools take bare stream pointers that must end in an end operation;
// the input is followed by enough end words that no count can run past it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "fuzz/fuzz_file.h"
#include "gui/draw_image.h"
#include "testing/headless_controls.h"

namespace {

void Streams(const uint8_t* data, size_t size) {
  std::vector<unsigned short> stream(size / 2 + 4096 + 2, 0xF000);
  std::memcpy(stream.data(), data, size / 2 * 2);
  if (size < 4) stream[0] = stream[1] = 8;
  static DIBSURFACE* surfaces[5] = {};
  if (!surfaces[0]) {
    for (int i = 0; i < 5; ++i) {
      surfaces[i] = new DIBSURFACE(16 + i, 12);
      surfaces[i]->Initialize();
    }
  }
  for (int i = 0; i < 5; ++i)
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16 + i; ++x)
        surfaces[i]->SetPixel(x, y, static_cast<unsigned short>(x * 31 + y * 7 + i));
  for (int y = -1; y < 4; ++y)
    for (int x = -1; x < 6; ++x) ImagePointed(stream.data(), 0, x, y);
  Burrow(surfaces[0], stream.data(), 3, 2);
  MarkMix(surfaces[0], stream.data(), surfaces[1], surfaces[2], surfaces[3], surfaces[4]);
  Color16To15(stream.data());
}

void Bitmaps(const uint8_t* data, size_t size) {
  const std::string& source = tessera::fuzz::ScratchPath(".bmp");
  static const std::string cell = [] {
    // An 8 x 4 template, 24 bits, rows of 24 bytes.
    std::string b(54 + 24 * 4, '\0');
    const unsigned char head[] = {'B', 'M', 150, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                  0,   0,   0,   8, 0, 0, 0, 4, 0, 0, 0,  1, 0, 24, 0};
    std::memcpy(&b[0], head, sizeof head);
    std::string path = tessera::fuzz::ScratchPath(".bmp") + ".cell";
    tessera::fuzz::WriteScratch(path, reinterpret_cast<const uint8_t*>(b.data()), b.size());
    return path;
  }();
  if (!tessera::fuzz::WriteScratch(source, data, size)) return;
  // Cells go to the scratch folder, overwriting the same few names; at most
  // a few hundred, as the source is kept small.
  if (size > 20000) return;
  std::string prefix = tessera::fuzz::ScratchPath(".cells");
  PartitionBmp(source.c_str(), cell.c_str(), prefix.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 0)
    Streams(data + 1, size - 1);
  else
    Bitmaps(data + 1, size - 1);
  tessera::ClearHeadlessMessages();
  return 0;
}
