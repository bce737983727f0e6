#include "engine/bmp_file.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace tessera {

namespace {

// Larger images than this are refused before anything is allocated.
constexpr int64_t kMaxPixels = int64_t{1} << 26;

}  // namespace

BmpResult DecodeBmp(const uint8_t* file, size_t size, BmpImage* out) {
  if (!file || size < 30 || file[0] != 'B' || file[1] != 'M') return BmpResult::kBadHeader;
  const uint16_t bits = Le16(file + 28);
  if (bits != 24 && bits != 8) return BmpResult::kBadHeader;
  if (bits != 24) return BmpResult::kUnsupported;
  const int32_t w = static_cast<int32_t>(Le32(file + 18));
  const int32_t h = static_cast<int32_t>(Le32(file + 22));
  const uint32_t offset = Le32(file + 10), file_size = Le32(file + 2);
  if (w <= 0 || h <= 0 || int64_t{w} * h > kMaxPixels) return BmpResult::kBadData;
  if (offset > size || file_size < offset) return BmpResult::kBadData;
  // What the reader takes: file size minus offset bytes, as far as the file goes.
  const size_t available = std::min<size_t>(file_size - offset, size - offset);
  const size_t row_bytes = (3 * static_cast<size_t>(w) + 3) & ~size_t{3};
  if (row_bytes * static_cast<size_t>(h) > available) return BmpResult::kBadData;
  const uint8_t* data = file + offset;
  out->width = w;
  out->height = h;
  out->pixels.resize(static_cast<size_t>(w) * h);
  out->blue.resize(static_cast<size_t>(w) * h);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = data + row_bytes * static_cast<size_t>(h - 1 - y);
    uint16_t* px = &out->pixels[static_cast<size_t>(y) * w];
    uint8_t* bl = &out->blue[static_cast<size_t>(y) * w];
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
      bl[x] = b;
      px[x] = (r == 255 && g == 0 && b == 255)
                  ? 0xFC1F
                  : static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
    }
  }
  return BmpResult::kOk;
}

std::string EncodeBmp(const uint16_t* pixels, int32_t w, int32_t h) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  const size_t row_bytes = (3 * static_cast<size_t>(w) + 3) & ~size_t{3};
  const size_t total = 54 + row_bytes * static_cast<size_t>(h);
  std::string s;
  s.reserve(total);
  s += "BM";
  PutLe32(s, static_cast<uint32_t>(total));
  PutLe16(s, 0);
  PutLe16(s, 0);
  PutLe32(s, 54);
  PutLe32(s, 40);
  PutLe32(s, static_cast<uint32_t>(w));
  PutLe32(s, static_cast<uint32_t>(h));
  PutLe16(s, 1);
  PutLe16(s, 24);
  for (int i = 0; i < 6; ++i) PutLe32(s, 0);
  for (int32_t y = h - 1; y >= 0; --y) {
    const uint16_t* row = pixels + static_cast<size_t>(y) * w;
    for (int32_t x = 0; x < w; ++x) {
      const unsigned p = row[x];
      s.push_back(static_cast<char>(((p & 31) << 3) & 0xFF));
      s.push_back(static_cast<char>((((p >> 5) & 31) << 3) & 0xFF));
      s.push_back(static_cast<char>(((p >> 10) << 3) & 0xFF));
    }
    s.append(row_bytes - 3 * static_cast<size_t>(w), '\0');
  }
  return s;
}

}  // namespace tessera
