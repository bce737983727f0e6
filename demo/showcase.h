// The showcase scene of the sample game: one 800 x 600 frame composed from
// surfaces with every effect the engine draws, animated by a frame number.
#ifndef TESSERA_DEMO_SHOWCASE_H
#define TESSERA_DEMO_SHOWCASE_H

#include "engine/dib_surface.h"

namespace demo {

// Draws frame number `tick` of the showcase onto `frame` (800 x 600).
void DrawShowcase(DIBSURFACE* frame, int tick);

}  // namespace demo

#endif
