#include "common/png_image.h"

#include <png.h>

#include <cstring>

namespace tessera::tools {

namespace {

bool Finish(png_image& image, RgbaImage& out, std::string& error) {
  if (PNG_IMAGE_FAILED(image)) {
    error = image.message;
    png_image_free(&image);
    return false;
  }
  if (image.width == 0 || image.height == 0 || image.width > static_cast<unsigned>(kMaxPictureSide) ||
      image.height > static_cast<unsigned>(kMaxPictureSide) ||
      static_cast<long long>(image.width) * image.height > kMaxPicturePixels) {
    error = "picture of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
            " pixels is empty or too large";
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    error = image.message;
    png_image_free(&image);
    return false;
  }
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgba = std::move(pixels);
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, RgbaImage& out, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_file(&image, path.c_str());
  return Finish(image, out, error);
}

bool ReadPngMemory(const void* data, size_t size, RgbaImage& out, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&image, data, size);
  return Finish(image, out, error);
}

}  // namespace tessera::tools
