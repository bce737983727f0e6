// The run encoder shared by RLESURFACE and RLEMASKSURFACE: turns one row of
// pixels into run headers (and, for RLESURFACE, the run pixels after each
// header), in the layout of engine/rle_layout.h.
//
// A pixel equal to COLOR_KEY is transparent, any other opaque.  A run or a
// gap reaching 255 pixels is written out at once (a gap as the header
// (255, 0), a run as (gap, 255)), so no count ever exceeds 8 bits.
// Transparency after the last run of a row is not stored, except for the
// (255, 0) headers written while it was counted.  The row ends with 0.
#ifndef TESSERA_ENGINE_RLE_ENCODER_H
#define TESSERA_ENGINE_RLE_ENCODER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/pixel.h"

class SURFACE;

namespace tessera {

// Appends the run list of row[0, width) to out.
void EncodeRunRow(const uint16_t* row, int width, bool with_pixels, std::vector<uint16_t>* out);

// Encodes every row of `src` over width x height (pixels outside `src` read
// as COLOR_KEY).  row_starts receives each row's first word index.  A plain
// surface is read row by row, any other kind through GetPixel.
void EncodeRunImage(SURFACE* src, int width, int height, bool with_pixels,
                    std::vector<uint16_t>* out, std::vector<size_t>* row_starts);

}  // namespace tessera

#endif
