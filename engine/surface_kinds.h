// What the display manager needs of the surface kinds beyond SURFACE's own
// interface: writing opacity into an alpha-kind surface and building the
// run-length kinds from a plain surface.
#ifndef TESSERA_ENGINE_SURFACE_KINDS_H
#define TESSERA_ENGINE_SURFACE_KINDS_H

#include <cstddef>
#include <cstdint>

#include "engine/surface.h"

class CVIEWMANAGE;

namespace tessera {

// The kinds whose object is an ALPHASURFACE underneath: colour rows with one
// opacity plane after each (two for the double-alpha kind).  A layered
// image and an image-opacity alpha are alpha surfaces too.
inline bool IsAlphaKind(SURFACE_STYLE s) {
  return s == SS_ALPHA || s == SS_PSDALPHA || s == SS_DOUBLEALPHA || s == SS_ALPHAONLY;
}

// The kinds whose colours are plain rows of a pixel block (a plain surface
// and every alpha kind), so that the block's rows and clip can be used
// directly.
inline bool HasPlainRows(SURFACE_STYLE s) { return s == SS_DIB || IsAlphaKind(s); }

// A plain surface of w x h from the display manager, so that it is made and
// owned like every other engine surface; without a manager (a game or tool
// that draws on surfaces of its own) the same plain surface made directly.
SURFACE* NewPlainSurface(int w, int h);

// Fills the whole surface with the colour key (nothing of it shows until
// something is drawn into it).
void FillKey(SURFACE* s);

// PutAlphaPixel on an alpha or double-alpha surface (opacity 0-31); other
// kinds are left alone.
void PutAlpha(SURFACE* s, int x, int y, char opacity);

// A run-length surface (style 1) or mask (style 3) encoded from `plain`,
// made through the manager's factory; null for other styles.
SURFACE* EncodeRuns(CVIEWMANAGE* vm, SURFACE* plain, SURFACE_STYLE style);

// A surface of style 0, 1 or 3 from a pack image record of `size` bytes
// (16-bit width 1-8000, 16-bit height 1-6000, packed image stream), made
// through the manager's factory.  Null for other styles, sizes out of range
// or a stream that runs past the record.
SURFACE* DecodePackImageRecord(CVIEWMANAGE* vm, const uint8_t* data, size_t size,
                               SURFACE_STYLE style);

}  // namespace tessera

#endif
