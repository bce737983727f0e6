// A 24-bit bitmap file written byte by byte, independently of the engine's
// own writer, for the reader's tests.
#ifndef TESSERA_TESTS_ENGINE_TEST_BITMAPS_H
#define TESSERA_TESTS_ENGINE_TEST_BITMAPS_H

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::test {

// w x h pixels given top row first as 0xRRGGBB.
inline std::string Bitmap24(int w, int h, const std::vector<uint32_t>& rgb) {
  const int row = (3 * w + 3) & ~3;
  std::string s(54 + static_cast<size_t>(row) * h, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
  };
  s[0] = 'B';
  s[1] = 'M';
  put32(2, static_cast<uint32_t>(s.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  s[26] = 1;
  s[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = rgb[static_cast<size_t>(y) * w + x];
      const size_t at = 54 + static_cast<size_t>(h - 1 - y) * row + 3 * x;
      s[at] = static_cast<char>(c & 0xFF);
      s[at + 1] = static_cast<char>((c >> 8) & 0xFF);
      s[at + 2] = static_cast<char>((c >> 16) & 0xFF);
    }
  return s;
}

}  // namespace tessera::test

#endif
