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
SURFACE* DecodePackImageRecord(CVIEWMANAGE* vm, const uint8_t* data, size_t size, SURFACE_STYLE style);

}  // namespace tessera

#endif
