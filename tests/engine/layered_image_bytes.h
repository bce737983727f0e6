// Layered images written by hand for the decoder and loader tests: the
// file layout byte by byte, channels raw or packed.
#ifndef TESSERA_TESTS_ENGINE_LAYERED_IMAGE_BYTES_H
#define TESSERA_TESTS_ENGINE_LAYERED_IMAGE_BYTES_H

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::test {

inline void Be16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v >> 8));
  s.push_back(static_cast<char>(v));
}
inline void Be32(std::string& s, uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}

// A layered image written by hand: channels of w x h bytes, raw or packed.
inline std::string Psd(int w, int h, const std::vector<std::vector<uint8_t>>& planes,
                       bool packbits) {
  std::string s = "8BPS";
  Be16(s, 1);
  s.append(6, '\0');
  Be16(s, static_cast<unsigned>(planes.size()));
  Be32(s, static_cast<uint32_t>(h));
  Be32(s, static_cast<uint32_t>(w));
  Be16(s, 8);
  Be16(s, 3);
  Be32(s, 0);  // colour mode data
  Be32(s, 6);  // image resources, skipped
  s += "abcdef";
  Be32(s, 0);  // layers
  Be16(s, packbits ? 1 : 0);
  if (!packbits) {
    for (const auto& p : planes) s.append(p.begin(), p.end());
    return s;
  }
  std::string rows;
  std::vector<unsigned> counts;
  for (const auto& p : planes)
    for (int y = 0; y < h; ++y) {
      // One literal run per row, except rows of equal bytes: one repeat.
      std::string r;
      const uint8_t* row = &p[static_cast<size_t>(y) * w];
      bool same = w > 1;
      for (int x = 1; x < w; ++x) same = same && row[x] == row[0];
      if (same) {
        r.push_back(static_cast<char>(257 - w));
        r.push_back(static_cast<char>(row[0]));
      } else {
        r.push_back(static_cast<char>(w - 1));
        r.append(reinterpret_cast<const char*>(row), w);
      }
      counts.push_back(static_cast<unsigned>(r.size()));
      rows += r;
    }
  for (unsigned c : counts) Be16(s, c);
  return s + rows;
}

}  // namespace tessera::test

#endif
