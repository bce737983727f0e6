// ResetEngineForTests in the pixel-only build (TESSERA_PIXEL_ONLY, the ARM
// cross build).  That build holds the surfaces, their pixel loops, text
// drawing and the platform pieces they report through -- no view manager,
// packs, databases, GUI or sound -- so the engine-wide state to put back is
// theirs alone.  The full library's reset (testing/engine_reset.cpp) also
// frees what the other folders hold; exactly one of the two is built.
#include "testing/engine_reset.h"

#include "platform/glyph_source.h"
#include "platform/test_hooks.h"
#include "testing/headless_controls.h"

namespace tessera {

void ResetEngineForTests() {
  InstallHeadlessControls();
  ResetGlyphCacheForTests();
  ResetFontStateForTests();
  ForceNoMmxForTests(false);
  ForceNoAvx2ForTests(false);
  SetGlyphSource(nullptr);
  ResetHostServicesForTests();
}

}  // namespace tessera
