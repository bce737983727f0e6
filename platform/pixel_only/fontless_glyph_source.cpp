// The glyph source slot of the pixel-only build (TESSERA_PIXEL_ONLY, the ARM
// cross build): that build leaves FreeType and fontconfig out, so the
// source a program gets when it installs none has no font.  It answers as
// the FreeType source does on a system where no font is found: nothing can
// be rendered, and text drawing stops at the first character.  A program
// (or a test) that wants text installs its own source with SetGlyphSource.
// The full library takes the slot from platform/freetype_glyph_source.cpp
// instead; exactly one of the two is built.
#include "platform/glyph_source.h"
#include "platform/service_slot.h"

namespace tessera {

namespace {

class FontlessGlyphSource : public GlyphSource {
 public:
  bool Render(std::string_view, int, int, int, std::vector<uint8_t>& ink) override {
    ink.clear();
    return false;
  }
};

using GlyphSlot = ServiceSlot<GlyphSource, FontlessGlyphSource>;

}  // namespace

void SetGlyphSource(std::unique_ptr<GlyphSource> source) { GlyphSlot::Set(std::move(source)); }

GlyphSource& GetGlyphSource() { return GlyphSlot::Get(); }

}  // namespace tessera
