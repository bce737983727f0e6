// A small GIF89a writer for data-set builders: an animated picture for
// QGifSprite, painted by code, without an image library.
//
//   std::vector<uint8_t> palette = {...};          // RGB triples, up to 256
//   std::vector<GifFrameSpec> frames = {{0, 0, 32, 32, pixels0, 12}, ...};
//   std::string gif = EncodeGif(32, 32, palette, frames);
//   res->AddDataToPack(bytes, size, "flaggif000", "\\village.pak", "demo");
//
// The image data is valid LZW that never grows past its first code width
// (a clear code before the table would widen), so files are about 10 %
// larger than their pixels; fine for the small animations of a demo.
#ifndef TESSERA_TOOLS_COMMON_GIF_WRITER_H
#define TESSERA_TOOLS_COMMON_GIF_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::tools {

struct GifFrameSpec {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width x height colour indices, top row first
  uint16_t delay = 0;           // the control extension's delay value
  int transparent = -1;         // transparent colour index, -1 for none
};

// The GIF89a file (global table of `palette`, padded to a power of two;
// an endless-loop application extension; one control extension and one
// image per frame).  Empty when a frame's pixel count is not width x
// height, a frame reaches past the logical screen, or the palette holds
// no colour or more than 256.
std::string EncodeGif(int width, int height, const std::vector<uint8_t>& palette,
                      const std::vector<GifFrameSpec>& frames);

}  // namespace tessera::tools

#endif
