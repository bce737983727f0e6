// Image files into RGBA and pack image records, and records back: BMP
// layouts the reader must get right, PNG kinds through libpng, and records
// that the display manager's own decoder reads the same way.
#include "engine/image_import.h"

#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "support/test_support.h"

namespace {

using tessera::RgbaImage;

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// A BMP with a 56-byte header: 32-bit pixels with the given masks, rows
// top-down when the height is negative.
std::string Bmp32(int w, int h, const std::vector<uint32_t>& words, const uint32_t masks[4]) {
  std::string s(14 + 56 + 4 * words.size(), '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 2, static_cast<uint32_t>(s.size()));
  Put32(s, 10, 14 + 56);
  Put32(s, 14, 56);
  Put32(s, 18, static_cast<uint32_t>(w));
  Put32(s, 22, static_cast<uint32_t>(h));
  s[26] = 1;
  s[28] = 32;
  Put32(s, 30, 3);
  for (int i = 0; i < 4; ++i) Put32(s, 54 + 4 * static_cast<size_t>(i), masks[i]);
  for (size_t i = 0; i < words.size(); ++i) Put32(s, 70 + 4 * i, words[i]);
  return s;
}

bool Decode(const std::string& bytes, RgbaImage* out, std::string* error) {
  return tessera::DecodeImageFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out,
                                  error);
}

std::vector<uint8_t> Px(const RgbaImage& img, int x, int y) {
  return {img.At(x, y), img.At(x, y) + 4};
}

TEST(ImageImport, BmpRowsBottomUpOrTopDownAndChannelMasks) {
  // 24-bit, bottom-up, rows padded: 3 x 2.
  RgbaImage img;
  std::string error;
  ASSERT_TRUE(Decode(
      tessera::test::Bitmap24(3, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}),
      &img, &error))
      << error;
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(Px(img, 0, 0), (std::vector<uint8_t>{1, 2, 3, 255}));
  EXPECT_EQ(Px(img, 2, 1), (std::vector<uint8_t>{0x10, 0x11, 0x12, 255}));
  EXPECT_FALSE(img.has_alpha);

  // 32-bit top-down with a 4-bit alpha in the top nibble and swapped
  // red/blue masks.
  const uint32_t masks[4] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xF0000000};
  ASSERT_TRUE(
      Decode(Bmp32(2, -2, {0xF0332211, 0x00000000, 0x80FFFFFF, 0xF0000080}, masks), &img, &error))
      << error;
  EXPECT_EQ(Px(img, 0, 0), (std::vector<uint8_t>{0x11, 0x22, 0x33, 255}));
  EXPECT_EQ(Px(img, 1, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(Px(img, 0, 1), (std::vector<uint8_t>{255, 255, 255, 136}));  // 8 of 15
  EXPECT_EQ(Px(img, 1, 1), (std::vector<uint8_t>{0x80, 0, 0, 255}));
  EXPECT_TRUE(img.has_alpha);
}

TEST(ImageImport, RefusesWhatItCannotReadWithAReason) {
  std::string ok = tessera::test::Bitmap24(4, 4, std::vector<uint32_t>(16, 0));
  std::string eight = ok, rle = ok, huge = ok, cut = ok.substr(0, ok.size() - 1), zero = ok;
  eight[28] = 8;
  Put32(rle, 30, 1);
  Put32(huge, 18, 8001);
  Put32(zero, 22, 0);
  struct Case {
    std::string bytes, why;
  } cases[] = {{eight, "8 bits per pixel is not supported"},
               {rle, "compressed BMP is not supported"},
               {huge, "8001 x 4 pixels"},
               {zero, "4 x 0 pixels"},
               {cut, "shorter than its rows"},
               {"GIF89a", "neither a PNG nor a BMP"},
               {std::string("\x89PNG\r\n\x1a\n", 8) + "IHDR", "not a readable PNG"}};
  for (const Case& c : cases) {
    RgbaImage img;
    std::string error;
    EXPECT_FALSE(Decode(c.bytes, &img, &error)) << c.why;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
  }
}

TEST(ImageImport, PalettePngWithTransparencyBecomesKeyedRecord) {
  // Written with libpng as an indexed image with a transparent entry.
  const uint8_t colormap[3 * 4] = {255, 0, 0, 255, 0, 0, 255, 0, 10, 20, 30, 255};
  const uint8_t indexes[4] = {0, 1, 2, 1};
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = 2;
  image.height = 2;
  image.format = PNG_FORMAT_RGBA_COLORMAP;
  image.colormap_entries = 3;
  std::vector<uint8_t> bytes(1024);
  png_alloc_size_t size = bytes.size();
  ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, indexes, 0, colormap));
  RgbaImage img;
  std::string error;
  ASSERT_TRUE(tessera::DecodeImageFile(bytes.data(), size, &img, &error)) << error;
  EXPECT_TRUE(img.has_alpha);
  const auto record =
      tessera::PackImageRecord(img, tessera::ImportStyle::kKeyed, tessera::kNoKeyColour);
  // The display manager's decoder reads the record.
  DIBSURFACE s(2, 2);
  s.Initialize();
  ASSERT_TRUE(tessera::DecodePackedStream(record.data() + 4, record.size() - 4, &s));
  EXPECT_EQ(record[0], 2);
  EXPECT_EQ(record[2], 2);
  EXPECT_EQ(s.GetPixel(0, 0).GetColor(), 31 << 10);
  EXPECT_EQ(s.GetPixel(1, 0).GetColor(), COLOR_KEY);
  EXPECT_EQ(s.GetPixel(0, 1).GetColor(), (10 >> 3) << 10 | (20 >> 3) << 5 | (30 >> 3));
  EXPECT_EQ(s.GetPixel(1, 1).GetColor(), COLOR_KEY);
}

TEST(ImageImport, RecordsDecodeBackAndBadRecordsAreRefused) {
  RgbaImage img;
  img.width = 5000;  // wide enough that fills and skips split at 4095
  img.height = 2;
  img.rgba.assign(static_cast<size_t>(img.width) * 2 * 4, 0);
  for (int x = 0; x < img.width; ++x) {
    uint8_t* top = img.At(x, 0);
    top[0] = 248, top[1] = 8, top[2] = 0, top[3] = 255;
    img.At(x, 1)[3] = x % 2 ? 255 : 0;  // alternate transparent pixels
  }
  const auto record =
      tessera::PackImageRecord(img, tessera::ImportStyle::kKeyed, tessera::kNoKeyColour);
  RgbaImage back;
  ASSERT_TRUE(tessera::DecodePackImageToRgba(record.data(), record.size(), &back));
  ASSERT_EQ(back.width, 5000);
  EXPECT_EQ(Px(back, 4999, 0), (std::vector<uint8_t>{255, 8, 0, 255}));
  EXPECT_EQ(Px(back, 4998, 1), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(Px(back, 4997, 1), (std::vector<uint8_t>{0, 0, 0, 255}));
  // Cut anywhere before the end operation: refused.
  for (size_t cut : {size_t{0}, size_t{3}, size_t{5}, record.size() - 2})
    EXPECT_FALSE(tessera::DecodePackImageToRgba(record.data(), cut, &back)) << cut;
  // A size out of range: refused.
  std::vector<uint8_t> wide = {0x41, 0x1F, 1, 0, 0x00, 0xF0};  // 8001 x 1
  EXPECT_FALSE(tessera::DecodePackImageToRgba(wide.data(), wide.size(), &back));

  // The opacity record keeps alpha >> 3 in the blue channel, opaque.
  img.At(0, 1)[3] = 200;
  const auto opacity = tessera::OpacityRecord(img);
  ASSERT_TRUE(tessera::DecodePackImageToRgba(opacity.data(), opacity.size(), &back));
  EXPECT_EQ(Px(back, 0, 1), (std::vector<uint8_t>{0, 0, (25 << 3) | (25 >> 2), 255}));
  EXPECT_EQ(Px(back, 2, 1), (std::vector<uint8_t>{0, 0, 0, 255}));
}

}  // namespace
