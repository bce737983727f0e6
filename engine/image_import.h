// Images from ordinary files into pack image records, and back.
//
// Game art is drawn as PNG (or BMP); the display manager loads pack image
// records (two little-endian 16-bit values, width and height, then a packed
// image stream, engine/packed_stream.h).  These functions are what
// `tessera-pack add-image` and `extract --png` are made of:
//
//   RgbaImage img;
//   std::string why;
//   if (!DecodeImageFile(bytes.data(), bytes.size(), &img, &why)) ...
//   auto colour = PackImageRecord(img, ImportStyle::kKeyed, 0xFF00FF);
//   res.AddDataToPack(colour.data(), colour.size(), "HERO000000", "\\game.pak", nullptr);
//
// The 1-5-5-5 colour of an 8-bit channel v is v >> 3; back to 8 bits it is
// (c << 3) | (c >> 2), so images whose channels are already of that form
// come back from a pack unchanged.
#ifndef TESSERA_ENGINE_IMAGE_IMPORT_H
#define TESSERA_ENGINE_IMAGE_IMPORT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessera {

// 8-bit red, green, blue, alpha per pixel, top row first.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  bool has_alpha = false;  // some pixel is not fully opaque
  uint8_t* At(int x, int y) {
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4];
  }
  const uint8_t* At(int x, int y) const {
    return &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4];
  }
};

// The largest image a pack image record can describe.
constexpr int kMaxImportWidth = 8000, kMaxImportHeight = 6000;

// A PNG (any colour type, through libpng) or a BMP (uncompressed 24- or
// 32-bit, bottom-up or top-down) from memory.  False with the reason in
// `error` for anything else, for damaged data and for images larger than
// a record can hold.
bool DecodeImageFile(const uint8_t* data, size_t size, RgbaImage* out, std::string* error);
bool DecodePngImage(const uint8_t* data, size_t size, RgbaImage* out, std::string* error);
bool DecodeBmpImage(const uint8_t* data, size_t size, RgbaImage* out, std::string* error);

// Writes an 8-bit RGBA PNG; false (no partial file left) on failure.
bool WriteRgbaPng(const std::string& native_path, const RgbaImage& image);

enum class ImportStyle {
  kPlain,  // every pixel drawn as it is (transparency ignored)
  kKeyed,  // pixels with alpha below 128, or of the key colour, become
           // COLOR_KEY: transparent in plain, run-length and mask surfaces
  kAlpha,  // every pixel's colour; the opacity goes in a second record
};

// The key colour value that means "no key colour".
constexpr uint32_t kNoKeyColour = 0xFFFFFFFF;

// The pack image record of an image: width, height and the packed stream of
// its colours.  `key_rgb` (0xRRGGBB, or kNoKeyColour) is used by kKeyed.
std::vector<uint8_t> PackImageRecord(const RgbaImage& image, ImportStyle style, uint32_t key_rgb);

// The opacity record that the display manager reads for an alpha surface
// (style 2, under the identifier whose first character is 'A'): a plain
// record whose blue channel is the opacity 0..31 (alpha >> 3).
std::vector<uint8_t> OpacityRecord(const RgbaImage& opacity);

// The opacity of each pixel taken from a companion image's blue channel,
// as the engine's "a_" bitmap companions carry it, into `image`'s alpha.
// False when the sizes differ.
bool ApplyOpacityImage(RgbaImage* image, const RgbaImage& opacity);

// A pack image record back into RGBA: COLOR_KEY pixels (and pixels never
// written) become transparent black, the rest opaque.  False for a record
// that is too short, of a size out of range or with a truncated stream.
bool DecodePackImageToRgba(const uint8_t* data, size_t size, RgbaImage* out);

}  // namespace tessera

#pragma GCC visibility pop
#endif
