#include "platform/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace tessera {

bool WritePng16(const std::string& path, const uint16_t* pixels, int w, int h, int pitch,
                bool rgb565) {
  if (w <= 0 || h <= 0 || !pixels) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(f);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(w) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    const uint16_t* src =
        reinterpret_cast<const uint16_t*>(reinterpret_cast<const char*>(pixels) + static_cast<long>(y) * pitch);
    for (int x = 0; x < w; ++x) {
      const unsigned p = src[x];
      unsigned r, g, b;
      if (rgb565) {
        r = (p >> 11) & 31;
        g = (p >> 5) & 63;
        b = p & 31;
        g = (g << 2) | (g >> 4);
      } else {
        r = (p >> 10) & 31;
        g = (p >> 5) & 31;
        b = p & 31;
        g = (g << 3) | (g >> 2);
      }
      row[3 * x] = static_cast<png_byte>((r << 3) | (r >> 2));
      row[3 * x + 1] = static_cast<png_byte>(g);
      row[3 * x + 2] = static_cast<png_byte>((b << 3) | (b >> 2));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace tessera
