// Host service: rendering one character into a monochrome cell.
//
// Text drawing asks the installed glyph source once per character, size and
// colour and caches the result.  The default source renders with FreeType:
// the font is the file named by the environment variable TESSERA_FONT when
// set, otherwise what fontconfig finds for "SimSun:lang=zh-cn" (WenQuanYi
// Zen Hei on Debian).  Rendering is monochrome, so every glyph pixel is
// either ink or background and text shows in exactly its colour.  Tests may
// install a simpler source.
#ifndef TESSERA_PLATFORM_GLYPH_SOURCE_H
#define TESSERA_PLATFORM_GLYPH_SOURCE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tessera {

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  // Renders the one- or two-byte GBK character `gbk` with the font size
  // `size` (12, 16 or 24 pixels) into a cell of cell_w x cell_h, its text
  // origin at the cell's top-left corner like a line of text drawn there.
  // `ink` is resized to cell_w * cell_h, row after row, 1 for ink and 0 for
  // background.  False when the character cannot be rendered at all (no
  // font); text drawing then stops at that character.
  virtual bool Render(std::string_view gbk, int size, int cell_w, int cell_h,
                      std::vector<uint8_t>& ink) = 0;
};

// Installs a source; null reinstalls the FreeType one.
void SetGlyphSource(std::unique_ptr<GlyphSource> source);
GlyphSource& GetGlyphSource();

// The FreeType source (a new instance; the font is opened on first use).
std::unique_ptr<GlyphSource> MakeFreeTypeGlyphSource();

}  // namespace tessera

#pragma GCC visibility pop
#endif
