#include "support/png_files.h"

#include <png.h>

namespace tessera::test {

PngImage ReadPng(const std::string& path, bool alpha) {
  PngImage out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  out.px.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.px.data(), 0, nullptr)) return PngImage();
  out.w = static_cast<int>(image.width);
  out.h = static_cast<int>(image.height);
  out.channels = alpha ? 4 : 3;
  return out;
}

bool WritePng(const std::string& path, const PngImage& img) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(img.w);
  image.height = static_cast<png_uint_32>(img.h);
  image.format = img.channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, img.px.data(), 0, nullptr) != 0;
}

}  // namespace tessera::test
