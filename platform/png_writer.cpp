#include "platform/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace tessera {

namespace {

bool WritePng(const std::string& path, const uint16_t* pixels, int width, int height,
              int pitch_bytes, bool rgb565) {
  if (width <= 0 || height <= 0 || !pixels) return false;
  const std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<size_t>(width) * 3);
  // volatile: it is set after setjmp and read after a possible longjmp.
  volatile bool ok = false;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const uint16_t* src = reinterpret_cast<const uint16_t*>(
          reinterpret_cast<const char*>(pixels) + static_cast<size_t>(y) * pitch_bytes);
      for (int x = 0; x < width; ++x) {
        const unsigned p = src[x];
        const unsigned r = rgb565 ? p >> 11 : (p >> 10) & 31, b = p & 31;
        const unsigned g = rgb565 ? (p >> 5) & 63 : (p >> 5) & 31;
        row[x * 3 + 0] = static_cast<png_byte>(r << 3 | r >> 2);
        row[x * 3 + 1] = static_cast<png_byte>(rgb565 ? (g << 2 | g >> 4) : (g << 3 | g >> 2));
        row[x * 3 + 2] = static_cast<png_byte>(b << 3 | b >> 2);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  bool written = (std::fclose(f) == 0) && ok;
  if (written) written = std::rename(tmp.c_str(), path.c_str()) == 0;
  if (!written) std::remove(tmp.c_str());
  return written;
}

}  // namespace

bool WritePng555(const std::string& path, const uint16_t* pixels, int width, int height,
                 int pitch_bytes) {
  return WritePng(path, pixels, width, height, pitch_bytes, false);
}

bool WritePng565(const std::string& path, const uint16_t* pixels, int width, int height,
                 int pitch_bytes) {
  return WritePng(path, pixels, width, height, pitch_bytes, true);
}

}  // namespace tessera
