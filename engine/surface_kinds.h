// What the display manager needs of the surface kinds beyond SURFACE's own
// interface: writing opacity into an alpha-kind surface and building the
// run-length kinds from a plain surface.
#ifndef TESSERA_ENGINE_SURFACE_KINDS_H
#define TESSERA_ENGINE_SURFACE_KINDS_H

#include "engine/surface.h"

class CVIEWMANAGE;

namespace tessera {

// PutAlphaPixel on an alpha or double-alpha surface (opacity 0-31); other
// kinds are left alone.
void PutAlpha(SURFACE* s, int x, int y, char opacity);

// A run-length surface (style 1) or mask (style 3) encoded from `plain`,
// made through the manager's factory; null for other styles.
SURFACE* EncodeRuns(CVIEWMANAGE* vm, SURFACE* plain, SURFACE_STYLE style);

}  // namespace tessera

#endif
