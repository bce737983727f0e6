// Text drawing: placement, advance, the GBK double-byte rule, the glyph
// cache, clipping, and real glyphs from FreeType.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/glyph_cache.h"
#include "platform/glyph_source.h"
#include "support/scoped_env.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::ScopedEnv;

// Ink: the whole first column of the cell, plus one pixel in row 1 at a
// column given by the character's first byte, so that tests can tell where
// each cell was placed and which character it was.
class ColumnGlyphs : public tessera::GlyphSource {
 public:
  explicit ColumnGlyphs(std::vector<std::string>* calls) : calls_(calls) {}
  bool Render(std::string_view gbk, int, int w, int h, std::vector<uint8_t>& ink) override {
    calls_->emplace_back(gbk);
    ink.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) ink[static_cast<size_t>(y) * w] = 1;
    ink[w + 1 + static_cast<unsigned char>(gbk[0]) % (w - 1)] = 1;
    return true;
  }

 private:
  std::vector<std::string>* calls_;
};

class TextDrawTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    tessera::SetGlyphSource(std::make_unique<ColumnGlyphs>(&calls));
    surface.Initialize();
    Clear();
  }
  void Clear() {
    for (int y = 0; y < surface.GetHeight(); ++y)
      for (int x = 0; x < surface.GetWidth(); ++x) surface.SetPixel(x, y, 0);
  }
  // Columns of row `y` that hold the colour.
  std::vector<int> InkColumns(int y, unsigned short colour) {
    std::vector<int> cols;
    for (int x = 0; x < surface.GetWidth(); ++x)
      if (surface.GetPixel(x, y).GetColor() == colour) cols.push_back(x);
    return cols;
  }
  void Draw(int x, int y, unsigned short colour, const std::string& text) {
    std::string copy = text;
    surface.DrawTextA(x, y, colour, copy.data());
  }

  std::vector<std::string> calls;
  DIBSURFACE surface{120, 60};
};

TEST_F(TextDrawTest, SingleBytesAdvanceHalfTheSizeInEachFont) {
  const int sizes[] = {12, 16, 24};
  for (int size : sizes) {
    Clear();
    tessera::SetCurrentFontSize(size);
    Draw(3, 2, 0x1234, "AB");
    // Column 0 of each cell is ink on every row of the cell.
    EXPECT_EQ(InkColumns(2 + size * 3 / 2 - 1, 0x1234), (std::vector<int>{3, 3 + size / 2}))
        << size;
    EXPECT_TRUE(InkColumns(2 + size * 3 / 2, 0x1234).empty()) << "cell height " << size;
    EXPECT_TRUE(InkColumns(1, 0x1234).empty());
  }
}

// A lead byte of 0x81 or above with a trail of 0x40 or above is one
// character, a full size wide, cached under both bytes; anything else is a
// single byte, those of 128-255 cached under negative (sign-extended) codes.
TEST_F(TextDrawTest, DoubleByteRule) {
  tessera::SetCurrentFontSize(16);
  Draw(10, 0, 0x03E0, "\xD6\xD0" + std::string("A"));  // 中A
  EXPECT_EQ(InkColumns(5, 0x03E0), (std::vector<int>{10, 26}));
  Draw(0, 20, 0x03E0, "\x81\x40");  // the lowest lead and trail: one character
  Draw(0, 40, 0x03E0, "\xA1\x3F");  // trail below 0x40: two single bytes
  Draw(0, 40, 0x03E0, "x\xB0");     // a lone lead byte at the end: single
  EXPECT_EQ(calls,
            (std::vector<std::string>{"\xD6\xD0", "A", "\x81\x40", "\xA1", "\x3F", "x", "\xB0"}));
  stGlyphFont& font = tessera::FindGlyphFont(16, 0x03E0);
  EXPECT_EQ(font.glyphs.count(0xD6 * 256 + 0xD0), 1u);
  EXPECT_EQ(font.glyphs.count(-0x50), 1u);  // 0xB0
  // Unlit pixels are the key (the surfaces here are black, so a black
  // glyph background would not show).
  EXPECT_EQ(font.glyphs.at('A').pixels[2], COLOR_KEY);
}

// One cache entry per (size, colour), made even by an empty string; each
// character rendered once per entry; sizes other than 12, 16 and 24 draw
// nothing and make no entry.
TEST_F(TextDrawTest, EachCharacterIsRenderedOncePerSizeAndColour) {
  tessera::SetCurrentFontSize(16);
  Draw(0, 0, 0x001F, "");
  EXPECT_EQ(tessera::GlyphFontCount(), 1u);
  Draw(0, 0, 0x001F, "ABA");
  Draw(0, 30, 0x001F, "BA");
  EXPECT_EQ(calls.size(), 2u);
  Draw(0, 0, 0x001E, "A");  // another colour: its own entry and glyph
  tessera::SetCurrentFontSize(24);
  Draw(0, 0, 0x001F, "A");  // another size too
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_EQ(tessera::GlyphFontCount(), 3u);
  tessera::SetCurrentFontSize(20);
  Draw(0, 0, 0x7FFF, "AB");
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_EQ(tessera::GlyphFontCount(), 3u);
}

TEST_F(TextDrawTest, TextIsCutAtTheClipRectangle) {
  tessera::SetCurrentFontSize(16);
  surface.SetClipper(tagRECT{20, 10, 60, 20});
  Draw(12, 4, 0x4210, "ABCDEFGHIJ");
  // Cells start at 12, 20, 28, ...; 12 is left of the clip, 60 is its end.
  EXPECT_EQ(InkColumns(12, 0x4210), (std::vector<int>{20, 28, 36, 44, 52}));
  EXPECT_TRUE(InkColumns(9, 0x4210).empty());
  EXPECT_TRUE(InkColumns(20, 0x4210).empty());
  // At the ends of the int range: no overflow into the surface (the
  // sanitizer build sees a stray write).
  Draw(INT_MIN, INT_MIN, 0x4210, "AB");
  Draw(INT_MAX - 3, 0, 0x4210, "ABCD");
}

class FailingGlyphs : public tessera::GlyphSource {
 public:
  bool Render(std::string_view gbk, int, int w, int h, std::vector<uint8_t>& ink) override {
    if (gbk == "B") return false;
    ink.assign(static_cast<size_t>(w) * h, 1);
    return true;
  }
};

TEST_F(TextDrawTest, DrawingStopsAtACharacterThatCannotBeRendered) {
  tessera::SetGlyphSource(std::make_unique<FailingGlyphs>());
  tessera::SetCurrentFontSize(12);
  Draw(0, 0, 0x7FFF, "ABC");
  EXPECT_EQ(InkColumns(0, 0x7FFF).size(), 12u);  // only A's cell
}

// The real renderer: FreeType with the font fontconfig finds draws
// monochrome glyphs inside their cells.  TESSERA_FONT names the font file;
// one that cannot be opened stops text drawing at the first character
// (nothing drawn, nothing rendered).
TEST_F(EngineTest, FreeTypeGlyphsAreMonochromeAndTesseraFontChoosesTheFile) {
  auto surface = tessera::test::MakeDib(64, 40, 0);
  DIBSURFACE& s = *surface;
  tessera::SetCurrentFontSize(16);
  char text[] =
      "\xD6\xD0"
      "A";  // 中A
  s.DrawTextA(4, 4, 0x7C00, text);
  int ink_cn = 0, ink_a = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) {
      const unsigned short p = s.GetPixel(x, y).GetColor();
      ASSERT_TRUE(p == 0 || p == 0x7C00) << "smoothing at " << x << "," << y;
      if (p == 0) continue;
      EXPECT_GE(y, 4);  // everything lies inside the two cells
      EXPECT_LT(y, 4 + 24);
      if (x < 20)
        ++ink_cn;
      else
        ++ink_a;
    }
  EXPECT_GT(ink_cn, 20);  // the character's strokes
  EXPECT_GT(ink_a, 8);
  EXPECT_EQ(tessera::GlyphRenderCount(), 2u);

  auto white = [&s] {
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 64; ++x) n += s.GetPixel(x, y).GetColor() == 0x7FFF;
    return n;
  };
  char ab[] = "AB";
  {
    ScopedEnv font("TESSERA_FONT", "/no/such/font.ttf");
    tessera::SetGlyphSource(nullptr);
    s.DrawTextA(0, 0, 0x7FFF, ab);
    EXPECT_EQ(white(), 0);
    EXPECT_EQ(tessera::GlyphRenderCount(), 2u);
  }
  {
    ScopedEnv font("TESSERA_FONT", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc");
    tessera::SetGlyphSource(nullptr);
    s.DrawTextA(0, 0, 0x7FFF, ab);
  }
  tessera::SetGlyphSource(nullptr);
  EXPECT_GT(white(), 10);
  EXPECT_EQ(tessera::GlyphRenderCount(), 4u);
}

}  // namespace
