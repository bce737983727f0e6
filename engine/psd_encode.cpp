#include "engine/psd_encode.h"

#include <cstddef>

namespace tessera {

namespace {

void Be16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void Be32(std::vector<uint8_t>& out, uint32_t v) {
  Be16(out, v >> 16);
  Be16(out, v & 0xFFFF);
}

// PackBits: runs of 3 or more equal bytes become a repeat (count byte
// 257 - n), everything else literal pieces of at most 128 bytes.
void PackRow(const uint8_t* row, int w, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < w) {
    int run = 1;
    while (i + run < w && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(257 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    int lit = 0;
    while (i + lit < w && lit < 128) {
      if (i + lit + 2 < w && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2])
        break;
      ++lit;
    }
    out.push_back(static_cast<uint8_t>(lit - 1));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
}

// The stored (white-composed) value of colour c under alpha a.
uint8_t OnWhite(unsigned c, unsigned a) {
  if (a == 0) return static_cast<uint8_t>(c);
  const unsigned m = (c * a + 254) / 255;  // the colour's share, rounded up
  return static_cast<uint8_t>(m + 255 - a);
}

}  // namespace

std::vector<uint8_t> EncodePsdImage(int w, int h, const uint32_t* argb, bool packbits) {
  const size_t n = static_cast<size_t>(w) * h;
  bool opaque = true;
  for (size_t i = 0; i < n; ++i) opaque = opaque && (argb[i] >> 24) == 255;
  const int channels = opaque ? 3 : 4;

  std::vector<std::vector<uint8_t>> planes(channels, std::vector<uint8_t>(n));
  for (size_t i = 0; i < n; ++i) {
    const unsigned a = argb[i] >> 24;
    for (int c = 0; c < 3; ++c) {
      const unsigned v = (argb[i] >> (16 - 8 * c)) & 0xFF;
      planes[c][i] = opaque ? static_cast<uint8_t>(v) : OnWhite(v, a);
    }
    if (!opaque) planes[3][i] = static_cast<uint8_t>(a);
  }

  std::vector<uint8_t> out = {'8', 'B', 'P', 'S'};
  Be16(out, 1);
  out.insert(out.end(), 6, 0);
  Be16(out, static_cast<unsigned>(channels));
  Be32(out, static_cast<uint32_t>(h));
  Be32(out, static_cast<uint32_t>(w));
  Be16(out, 8);  // bits per channel
  Be16(out, 3);  // RGB
  Be32(out, 0);  // colour-mode data
  Be32(out, 0);  // image resources
  Be32(out, 0);  // layers and masks
  Be16(out, packbits ? 1 : 0);
  if (!packbits) {
    for (const auto& p : planes) out.insert(out.end(), p.begin(), p.end());
    return out;
  }
  std::vector<uint8_t> rows;
  std::vector<unsigned> counts;
  for (const auto& p : planes)
    for (int y = 0; y < h; ++y) {
      const size_t before = rows.size();
      PackRow(&p[static_cast<size_t>(y) * w], w, rows);
      counts.push_back(static_cast<unsigned>(rows.size() - before));
    }
  for (unsigned c : counts) Be16(out, c);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

}  // namespace tessera
