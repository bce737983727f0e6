// The variable-length LZW code of GIF image data.
#ifndef TESSERA_GUI_GIF_LZW_H
#define TESSERA_GUI_GIF_LZW_H

#include <cstddef>
#include <cstdint>

namespace tessera {

// Decodes the concatenated data sub-blocks of one image (`data`, `size`)
// with the initial code size `code_size` into `out`, which holds `out_size`
// colour indices.  Codes are read least-significant bit first, starting at
// code_size + 1 bits and growing to 12; the clear code resets the table, the
// end code or the end of the data ends the image.  Fails (false) for a code
// size outside 1..8, a first code after a clear that is not a colour index,
// a code past the table, or output beyond `out_size`.  `*written` receives
// the number of indices produced (also on failure).
bool DecodeGifLzw(int code_size, const uint8_t* data, size_t size, uint8_t* out, size_t out_size,
                  size_t* written);

// Reorders an interlaced image (rows stored in the four passes 0, 8, 16 ...;
// 4, 12 ...; 2, 6 ...; 1, 3 ...) to top-to-bottom rows.
void DeinterlaceGifRows(uint8_t* pixels, int width, int height);

}  // namespace tessera

#endif
