// Layered image files ("8BPS"): the decoder behind CVIEWMANAGE::LoadPSD,
// as a pure function over bytes.
//
// Only the merged image is read: version 1, 3 or 4 channels of 8 bits, RGB
// colour mode; the colour-mode, image-resource and layer sections are
// skipped by their lengths; compression 0 (raw rows, channel after channel)
// or 1 (PackBits rows after a table of row byte counts).  All numbers are
// big-endian.
#ifndef TESSERA_ENGINE_PSD_DECODE_H
#define TESSERA_ENGINE_PSD_DECODE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessera {

struct PsdImage {
  int32_t width = 0;
  int32_t height = 0;
  int channels = 0;
  // The working image: 4 bytes per pixel, blue, green, red, alpha.  With 4
  // channels the colours are already taken back from the white background;
  // with 3 channels alpha is 255 (opaque).
  std::vector<uint8_t> bgra;
};

// False on a bad header, an unknown compression, lengths that run past the
// data, or a PackBits run that overruns its row.  `size` bounds every read.
bool DecodePsd(const uint8_t* data, size_t size, PsdImage* out);

// The engine's pixel of a working-image pixel and its opacity (0-31).
inline uint16_t PsdPixel(const uint8_t* bgra) {
  return static_cast<uint16_t>((bgra[2] & 0xF8) << 7 | (bgra[1] & 0xF8) << 2 | bgra[0] >> 3);
}
inline int PsdOpacity(const uint8_t* bgra) { return bgra[3] >> 3; }

}  // namespace tessera

#endif
