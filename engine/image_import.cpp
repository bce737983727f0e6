#include "engine/image_import.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "engine/pixel.h"
#include "platform/byte_order.h"

namespace tessera {

namespace {

bool SizeFits(long long w, long long h, std::string* error) {
  if (w < 1 || h < 1 || w > kMaxImportWidth || h > kMaxImportHeight) {
    *error = "image of " + std::to_string(w) + " x " + std::to_string(h) +
             " pixels; a pack image holds 1 x 1 to " + std::to_string(kMaxImportWidth) + " x " +
             std::to_string(kMaxImportHeight);
    return false;
  }
  return true;
}

// One channel of a 32-bit pixel through its mask, scaled to 8 bits.
uint8_t MaskChannel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const uint32_t max = mask >> shift;
  const uint32_t v = (pixel & mask) >> shift;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

uint16_t ToPixel(const uint8_t* rgba) {
  return static_cast<uint16_t>((rgba[0] >> 3) << 10 | (rgba[1] >> 3) << 5 | (rgba[2] >> 3));
}

uint8_t Expand5(unsigned c) { return static_cast<uint8_t>((c << 3) | (c >> 2)); }

// A record from 1-5-5-5 pixels, COLOR_KEY transparent.
std::vector<uint8_t> RecordOf(int w, int h, const std::vector<uint16_t>& pixels) {
  DIBSURFACE picture(w, h);
  picture.Initialize();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) picture.SetPixel(x, y, pixels[static_cast<size_t>(y) * w + x]);
  std::vector<uint16_t> words = {static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
  const std::vector<uint16_t> ops = EncodePackedStream(&picture);
  words.insert(words.end(), ops.begin(), ops.end());
  return PackedStreamBytes(words);
}

}  // namespace

bool DecodePngImage(const uint8_t* data, size_t size, RgbaImage* out, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    *error = std::string("not a readable PNG: ") + image.message;
    return false;
  }
  if (!SizeFits(image.width, image.height, error)) {
    png_image_free(&image);
    return false;
  }
  out->has_alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = PNG_FORMAT_RGBA;
  out->width = static_cast<int>(image.width);
  out->height = static_cast<int>(image.height);
  out->rgba.assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, out->rgba.data(), 0, nullptr)) {
    *error = std::string("damaged PNG: ") + image.message;
    png_image_free(&image);
    return false;
  }
  // An alpha channel that is opaque everywhere carries no transparency.
  if (out->has_alpha) {
    out->has_alpha = false;
    for (size_t i = 3; i < out->rgba.size() && !out->has_alpha; i += 4)
      out->has_alpha = out->rgba[i] != 255;
  }
  return true;
}

bool DecodeBmpImage(const uint8_t* data, size_t size, RgbaImage* out, std::string* error) {
  if (size < 54 || data[0] != 'B' || data[1] != 'M') {
    *error = "not a BMP file";
    return false;
  }
  const uint32_t offset = Le32(data + 10), header = Le32(data + 14);
  const int32_t width = static_cast<int32_t>(Le32(data + 18)),
                height = static_cast<int32_t>(Le32(data + 22));
  const unsigned bits = data[28] | data[29] << 8;
  const uint32_t compression = Le32(data + 30);
  if (header < 40 || header > size - 14) {
    *error = "BMP with an unknown header";
    return false;
  }
  if (bits != 24 && bits != 32) {
    *error = "BMP of " + std::to_string(bits) +
             " bits per pixel is not supported (save it as 24-bit, or as PNG)";
    return false;
  }
  uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  if (compression == 3 && bits == 32) {
    if (size < 14 + 40 + 12) {
      *error = "BMP colour masks missing";
      return false;
    }
    for (int i = 0; i < 3; ++i) masks[i] = Le32(data + 54 + 4 * i);
    if (header >= 56) masks[3] = Le32(data + 66);
  } else if (compression != 0) {
    *error = "compressed BMP is not supported (save it uncompressed, or as PNG)";
    return false;
  }
  const long long h = height < 0 ? -static_cast<long long>(height) : height;
  if (!SizeFits(width, h, error)) return false;
  const size_t stride = bits == 24 ? (3 * static_cast<size_t>(width) + 3) & ~static_cast<size_t>(3)
                                   : 4 * static_cast<size_t>(width);
  if (offset > size || (size - offset) / stride < static_cast<size_t>(h)) {
    *error = "BMP pixel data shorter than its rows";
    return false;
  }
  out->width = width;
  out->height = static_cast<int>(h);
  out->has_alpha = false;
  out->rgba.assign(static_cast<size_t>(width) * out->height * 4, 0);
  for (int y = 0; y < out->height; ++y) {
    const int file_row = height < 0 ? y : out->height - 1 - y;
    const uint8_t* row = data + offset + static_cast<size_t>(file_row) * stride;
    for (int x = 0; x < width; ++x) {
      uint8_t* px = out->At(x, y);
      if (bits == 24) {
        px[0] = row[3 * x + 2];
        px[1] = row[3 * x + 1];
        px[2] = row[3 * x];
        px[3] = 255;
      } else {
        const uint32_t v = Le32(row + 4 * x);
        px[0] = MaskChannel(v, masks[0]);
        px[1] = MaskChannel(v, masks[1]);
        px[2] = MaskChannel(v, masks[2]);
        px[3] = masks[3] ? MaskChannel(v, masks[3]) : 255;
        out->has_alpha = out->has_alpha || px[3] != 255;
      }
    }
  }
  return true;
}

bool DecodeImageFile(const uint8_t* data, size_t size, RgbaImage* out, std::string* error) {
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return DecodePngImage(data, size, out, error);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmpImage(data, size, out, error);
  *error = "neither a PNG nor a BMP file";
  return false;
}

bool WriteRgbaPng(const std::string& native_path, const RgbaImage& img) {
  if (img.width < 1 || img.height < 1 ||
      img.rgba.size() != static_cast<size_t>(img.width) * img.height * 4)
    return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(img.width);
  image.height = static_cast<png_uint_32>(img.height);
  image.format = PNG_FORMAT_RGBA;
  const std::string temp = native_path + ".part";
  if (!png_image_write_to_file(&image, temp.c_str(), 0, img.rgba.data(), 0, nullptr)) {
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), native_path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::vector<uint8_t> PackImageRecord(const RgbaImage& image, ImportStyle style, uint32_t key_rgb) {
  std::vector<uint16_t> pixels(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      bool transparent = false;
      if (style == ImportStyle::kKeyed) {
        const uint32_t rgb =
            static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
        transparent = p[3] < 128 || (key_rgb != kNoKeyColour && rgb == key_rgb);
      }
      // A converted colour never has bit 15, so it never reads as the key.
      pixels[static_cast<size_t>(y) * image.width + x] = transparent ? COLOR_KEY : ToPixel(p);
    }
  return RecordOf(image.width, image.height, pixels);
}

std::vector<uint8_t> OpacityRecord(const RgbaImage& opacity) {
  std::vector<uint16_t> pixels(static_cast<size_t>(opacity.width) * opacity.height);
  for (int y = 0; y < opacity.height; ++y)
    for (int x = 0; x < opacity.width; ++x)
      pixels[static_cast<size_t>(y) * opacity.width + x] =
          static_cast<uint16_t>(opacity.At(x, y)[3] >> 3);
  return RecordOf(opacity.width, opacity.height, pixels);
}

bool ApplyOpacityImage(RgbaImage* image, const RgbaImage& opacity) {
  if (image->width != opacity.width || image->height != opacity.height) return false;
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) image->At(x, y)[3] = opacity.At(x, y)[2];
  image->has_alpha = true;
  return true;
}

namespace {

// Writes a stream's pixels into a w x h buffer, dropping what falls outside.
struct BufferWriter {
  std::vector<uint16_t>& px;
  int w, h;
  long long x = 0, y = 0;
  void Put(uint16_t c) {
    if (x >= 0 && x < w && y >= 0 && y < h)
      px[static_cast<size_t>(y) * w + static_cast<size_t>(x)] = c;
    ++x;
  }
  void Skip(int n) { x += n; }
  void Literal(const uint8_t* words, int n) {
    for (int i = 0; i < n; ++i) Put(LoadLittle16(words + 2 * i));
  }
  void Fill(uint16_t c, int n) {
    const long long end = x + n;
    while (x < end && x < w) Put(c);
    x = end;  // the rest of a long fill falls off the row
  }
  void RowSkip(int n) {
    y += n;
    x = 0;
  }
  void NextRow() {
    ++y;
    x = 0;
  }
};

}  // namespace

bool DecodePackImageToRgba(const uint8_t* data, size_t size, RgbaImage* out) {
  if (!data || size < 4) return false;
  const int w = LoadLittle16(data), h = LoadLittle16(data + 2);
  if (w < 1 || w > kMaxImportWidth || h < 1 || h > kMaxImportHeight) return false;
  std::vector<uint16_t> px(static_cast<size_t>(w) * h, COLOR_KEY);
  BufferWriter writer{px, w, h};
  if (!WalkPackedStream(data + 4, size - 4, writer)) return false;
  out->width = w;
  out->height = h;
  out->has_alpha = false;
  out->rgba.assign(px.size() * 4, 0);
  for (size_t i = 0; i < px.size(); ++i) {
    if (px[i] == COLOR_KEY) {
      out->has_alpha = true;
      continue;
    }
    uint8_t* p = &out->rgba[4 * i];
    p[0] = Expand5(px[i] >> 10 & 31);
    p[1] = Expand5(px[i] >> 5 & 31);
    p[2] = Expand5(px[i] & 31);
    p[3] = 255;
  }
  return true;
}

}  // namespace tessera
