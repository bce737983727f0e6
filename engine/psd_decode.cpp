#include "engine/psd_decode.h"

#include "platform/byte_order.h"

namespace tessera {

namespace {

// The format's own limit on either side.
constexpr uint32_t kMaxSide = 30000;

// Byte index of the working image that channel c fills.
constexpr int kChannelByte[4] = {2, 1, 0, 3};

}  // namespace

bool DecodePsd(const uint8_t* data, size_t size, PsdImage* out) {
  if (!data || size < 26 || data[0] != '8' || data[1] != 'B' || data[2] != 'P' || data[3] != 'S')
    return false;
  const int channels = Be16(data + 12);
  const uint32_t h = Be32(data + 14), w = Be32(data + 18);
  if (Be16(data + 4) != 1 || (channels != 3 && channels != 4) || Be16(data + 22) != 8 ||
      Be16(data + 24) != 3)
    return false;
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return false;
  // Three sections, each a 32-bit length and that many bytes.
  size_t pos = 26;
  for (int section = 0; section < 3; ++section) {
    if (size - pos < 4) return false;
    const uint32_t length = Be32(data + pos);
    pos += 4;
    if (length > size - pos) return false;
    pos += length;
  }
  if (size - pos < 2) return false;
  const uint16_t compression = Be16(data + pos);
  pos += 2;
  const size_t rows = static_cast<size_t>(channels) * h;
  if (compression == 0) {
    if (static_cast<uint64_t>(rows) * w > size - pos) return false;
  } else if (compression == 1) {
    if (rows * 2 > size - pos) return false;
    pos += rows * 2;
    // Every row needs at least two bytes per 128 pixels it produces.
    if (static_cast<uint64_t>(rows) * 2 * ((w + 127) / 128) > size - pos) return false;
  } else {
    return false;
  }

  out->width = static_cast<int32_t>(w);
  out->height = static_cast<int32_t>(h);
  out->channels = channels;
  // A 3-channel image is opaque: alpha starts at 255 and is never written.
  out->bgra.assign(static_cast<size_t>(w) * h * 4, 0);
  if (channels == 3)
    for (size_t i = 3; i < out->bgra.size(); i += 4) out->bgra[i] = 255;

  bool ended = false;  // a PackBits count of 128 ends the whole image
  for (int c = 0; c < channels && !ended; ++c) {
    const int byte = kChannelByte[c];
    for (uint32_t y = 0; y < h && !ended; ++y) {
      uint8_t* dst = &out->bgra[(static_cast<size_t>(y) * w) * 4 + byte];
      if (compression == 0) {
        for (uint32_t x = 0; x < w; ++x) dst[4 * x] = data[pos + x];
        pos += w;
        continue;
      }
      uint32_t x = 0;
      while (x < w) {
        if (pos >= size) return false;
        const uint8_t n = data[pos++];
        if (n < 128) {
          const uint32_t count = n + 1u;
          if (count > w - x || count > size - pos) return false;
          for (uint32_t i = 0; i < count; ++i) dst[4 * (x + i)] = data[pos + i];
          pos += count;
          x += count;
        } else if (n > 128) {
          const uint32_t count = 257u - n;
          if (count > w - x || pos >= size) return false;
          const uint8_t v = data[pos++];
          for (uint32_t i = 0; i < count; ++i) dst[4 * (x + i)] = v;
          x += count;
        } else {
          ended = true;
          break;
        }
      }
    }
  }

  if (channels == 4) {
    // The merged image is composed on white: take each colour back from it.
    for (size_t i = 0; i < out->bgra.size(); i += 4) {
      const unsigned a = out->bgra[i + 3];
      if (a == 0) continue;
      for (int k = 0; k < 3; ++k) {
        const unsigned c = out->bgra[i + k];
        out->bgra[i + k] = static_cast<uint8_t>(((((c + a + 1) % 256) * 255) / a) & 0xFF);
      }
    }
  }
  return true;
}

}  // namespace tessera
