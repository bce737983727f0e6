// The process-wide glyph cache of text drawing.
//
// One stGlyphFont per (font size, colour), found by a linear search; inside
// it, one stGlyph per character code, rendered once through the installed
// glyph source (platform/glyph_source.h) and kept until the library is
// unloaded, when a static object's destructor frees every pixel array.
#ifndef TESSERA_ENGINE_GLYPH_CACHE_H
#define TESSERA_ENGINE_GLYPH_CACHE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <map>
#include <string_view>

#include "engine/pixel.h"

// One cached character: width x height values, row after row, each either
// the text colour (low 16 bits) or COLOR_KEY for background.
struct stGlyph {
  int width = 0;               // 12, 16 or 24
  int height = 0;              // 18, 24 or 36
  uint32_t* pixels = nullptr;  // malloc'ed, owned by the cache
};

// The glyphs of one font size and colour.  A code is the byte value of a
// single byte (sign-extended: bytes 128-255 give negative codes) or
// first byte * 256 + second byte of a double-byte character.
struct stGlyphFont {
  int size = 0;
  PIXEL colour = 0;
  std::map<int, stGlyph> glyphs;
};

namespace tessera {

// The entry for (size, colour), appended empty when there is none.
stGlyphFont& FindGlyphFont(int size, PIXEL colour);

// The glyph of `code` (whose GBK bytes are `gbk`) in `font`, rendered and
// inserted when missing.  Null when it cannot be rendered.
const stGlyph* FindGlyph(stGlyphFont& font, int code, std::string_view gbk);

// Number of (size, colour) entries, and of glyphs rendered since the last
// reset; for tests.
size_t GlyphFontCount();
size_t GlyphRenderCount();

}  // namespace tessera

#pragma GCC visibility pop
#endif
