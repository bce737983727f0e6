#include "gui/gif_lzw.h"

#include <cstring>
#include <vector>

namespace tessera {

namespace {
constexpr int kMaxCodes = 4096;
constexpr int kMaxBits = 12;
}  // namespace

bool DecodeGifLzw(int code_size, const uint8_t* data, size_t size, uint8_t* out, size_t out_size,
                  size_t* written) {
  *written = 0;
  if (code_size < 1 || code_size > 8) return false;

  // Each table entry is its prefix code, its last byte, its first byte and
  // its length, so that a string can be written backwards straight into the
  // output without a stack.
  uint16_t prefix[kMaxCodes];
  uint8_t suffix[kMaxCodes];
  uint8_t first[kMaxCodes];
  uint16_t length[kMaxCodes];

  const int clear = 1 << code_size;
  const int end = clear + 1;
  for (int i = 0; i < clear; i++) {
    prefix[i] = 0;
    suffix[i] = static_cast<uint8_t>(i);
    first[i] = static_cast<uint8_t>(i);
    length[i] = 1;
  }

  int bits = code_size + 1;
  int next = clear + 2;
  int prev = -1;
  size_t pos = 0;  // output written
  size_t in = 0;   // next input byte
  uint32_t acc = 0;
  int acc_bits = 0;

  for (;;) {
    while (acc_bits < bits && in < size) {
      acc |= static_cast<uint32_t>(data[in++]) << acc_bits;
      acc_bits += 8;
    }
    if (acc_bits < bits) break;  // out of data ends the image
    const int code = static_cast<int>(acc & ((1u << bits) - 1));
    acc >>= bits;
    acc_bits -= bits;

    if (code == clear) {
      bits = code_size + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) break;

    if (prev < 0) {
      if (code >= clear) {
        *written = pos;
        return false;
      }
      if (pos >= out_size) {
        *written = pos;
        return false;
      }
      out[pos++] = static_cast<uint8_t>(code);
      prev = code;
      continue;
    }

    uint8_t head;
    if (code < next) {
      const size_t len = length[code];
      if (len > out_size - pos) {
        *written = pos;
        return false;
      }
      int k = code;
      for (size_t i = len; i-- > 0;) {
        out[pos + i] = suffix[k];
        k = prefix[k];
      }
      pos += len;
      head = first[code];
    } else if (code == next && next < kMaxCodes) {
      // The code being defined right now: the previous string and its own
      // first byte.
      const size_t len = static_cast<size_t>(length[prev]) + 1;
      if (len > out_size - pos) {
        *written = pos;
        return false;
      }
      head = first[prev];
      int k = prev;
      for (size_t i = len - 1; i-- > 0;) {
        out[pos + i] = suffix[k];
        k = prefix[k];
      }
      out[pos + len - 1] = head;
      pos += len;
    } else {
      *written = pos;
      return false;  // a code past the table
    }

    if (next < kMaxCodes) {
      prefix[next] = static_cast<uint16_t>(prev);
      suffix[next] = head;
      first[next] = first[prev];
      length[next] = static_cast<uint16_t>(length[prev] + 1);
      next++;
      if (next >= (1 << bits) && bits < kMaxBits) bits++;
    }
    prev = code;
  }
  *written = pos;
  return true;
}

void DeinterlaceGifRows(uint8_t* pixels, int width, int height) {
  if (width <= 0 || height <= 1) return;
  const size_t row = static_cast<size_t>(width);
  std::vector<uint8_t> copy(pixels, pixels + row * static_cast<size_t>(height));
  static const int kStart[4] = {0, 4, 2, 1};
  static const int kStep[4] = {8, 8, 4, 2};
  int stored = 0;
  for (int pass = 0; pass < 4; pass++) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) {
      std::memcpy(pixels + row * static_cast<size_t>(y),
                  copy.data() + row * static_cast<size_t>(stored), row);
      stored++;
    }
  }
}

}  // namespace tessera
