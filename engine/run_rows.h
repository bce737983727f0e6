// Kernels for the short runs of the run-length blits.  Sprite runs are a
// few to a few dozen pixels long, so a call per run must cost little: both
// kernels cover a run with 8-pixel steps whose last step overlaps the
// previous one (copy), or is computed from the untouched destination first
// (mix), and handle runs shorter than 8 pixels without a per-pixel loop.
// The copy moves 16-byte blocks through std::memcpy with a constant size,
// which every compiler turns into one vector load and store (SSE2 on x86,
// NEON on ARM), so this header needs no intrinsics.
#ifndef TESSERA_ENGINE_RUN_ROWS_H
#define TESSERA_ENGINE_RUN_ROWS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tessera {

// Copies n pixels (n >= 0) between buffers that do not overlap; either may
// be unaligned (packed stream and packed alpha data are byte streams).
// Inline: the keyed run blit calls it once per run.
inline void CopyRun(void* dst, const void* src, int n) {
  auto* d = static_cast<uint8_t*>(dst);
  auto* s = static_cast<const uint8_t*>(src);
  const size_t bytes = 2 * static_cast<size_t>(n > 0 ? n : 0);
  if (bytes >= 16) {
    struct Block {
      uint8_t b[16];
    } blk;
    for (size_t i = 0; i + 16 < bytes; i += 16) {
      std::memcpy(&blk, s + i, 16);
      std::memcpy(d + i, &blk, 16);
    }
    std::memcpy(&blk, s + bytes - 16, 16);
    std::memcpy(d + bytes - 16, &blk, 16);
    return;
  }
  // Two overlapping moves of 8, 4 or 2 bytes cover any length below 16.
  if (bytes >= 8) {
    uint64_t a, b;
    std::memcpy(&a, s, 8);
    std::memcpy(&b, s + bytes - 8, 8);
    std::memcpy(d, &a, 8);
    std::memcpy(d + bytes - 8, &b, 8);
  } else if (bytes >= 4) {
    uint32_t a, b;
    std::memcpy(&a, s, 4);
    std::memcpy(&b, s + bytes - 4, 4);
    std::memcpy(d, &a, 4);
    std::memcpy(d + bytes - 4, &b, 4);
  } else if (bytes == 2) {
    std::memcpy(d, s, 2);
  }
}

// The translucent mix of every source pixel over the destination, no key
// test: the formula of TransMixPixel (engine/pixel_rows.h) with weight a.
void MixRun(uint16_t* dst, const uint16_t* src, int n, int a);

}  // namespace tessera

#endif
