// The default glyph source: FreeType over a font found by fontconfig.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/glyph_source.h"
#include "platform/service_slot.h"
#include "platform/text_encoding.h"

namespace tessera {

namespace {

// The first code point of a UTF-8 string, or -1.
long FirstCodePoint(const std::string& s) {
  if (s.empty()) return -1;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t n = s.size();
  if (p[0] < 0x80) return p[0];
  if ((p[0] & 0xE0) == 0xC0 && n >= 2) return ((p[0] & 0x1F) << 6) | (p[1] & 0x3F);
  if ((p[0] & 0xF0) == 0xE0 && n >= 3)
    return ((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
  if ((p[0] & 0xF8) == 0xF0 && n >= 4)
    return ((p[0] & 0x07L) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
  return -1;
}

// The font file and face index: TESSERA_FONT, else fontconfig's match.
bool FindFont(std::string* path, int* index) {
  if (const char* env = std::getenv("TESSERA_FONT"); env && *env) {
    *path = env;
    *index = 0;
    return true;
  }
  // A configuration of our own, destroyed after the look-up: the library's
  // default one is never freed.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return false;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("SimSun:lang=zh-cn"));
  if (!pattern) {
    FcConfigDestroy(config);
    return false;
  }
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  bool found = false;
  if (match) {
    FcChar8* file = nullptr;
    found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (found) {
      *path = reinterpret_cast<const char*>(file);
      if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    }
    FcPatternDestroy(match);
  }
  FcConfigDestroy(config);
  return found;
}

class FreeTypeGlyphSource : public GlyphSource {
 public:
  ~FreeTypeGlyphSource() override {
    for (FT_Face f : strike_faces_) FT_Done_Face(f);
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  bool Render(std::string_view gbk, int size, int cell_w, int cell_h,
              std::vector<uint8_t>& ink) override {
    if (!Open()) return false;
    ink.assign(static_cast<size_t>(cell_w) * cell_h, 0);
    long code = FirstCodePoint(GbkToUtf8(gbk));
    if (code <= 0x20) return true;  // control characters and space: empty cell
    FT_Face face = FaceFor(size, static_cast<FT_ULong>(code));
    if (!face) return true;
    FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
      return true;  // a character the font lacks shows as an empty cell
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    // A line of text drawn at the cell's top: the baseline lies at the
    // font's ascent below the top.
    const int ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    const int left = slot->bitmap_left, top = ascent - slot->bitmap_top;
    for (unsigned r = 0; r < bm.rows; ++r) {
      const int y = top + static_cast<int>(r);
      if (y < 0 || y >= cell_h) continue;
      const unsigned char* row = bm.buffer + static_cast<long>(r) * bm.pitch;
      for (unsigned c = 0; c < bm.width; ++c) {
        const int x = left + static_cast<int>(c);
        if (x < 0 || x >= cell_w) continue;
        bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[c >> 3] >> (7 - (c & 7))) & 1
                                                      : row[c] >= 128;
        if (on) ink[static_cast<size_t>(y) * cell_w + x] = 1;
      }
    }
    return true;
  }

 private:
  bool Open() {
    if (face_) return true;
    if (failed_) return false;
    std::string path;
    int index = 0;
    if (!FindFont(&path, &index) || FT_Init_FreeType(&library_) != 0 ||
        FT_New_Face(library_, path.c_str(), index, &face_) != 0) {
      std::fprintf(stderr, "tessera: no font for text drawing (%s)\n",
                   path.empty() ? "fontconfig found none" : path.c_str());
      face_ = nullptr;
      failed_ = true;
      return false;
    }
    // Other faces of the same file that carry hand-made bitmaps (strikes):
    // at a size they were drawn for they are far crisper than a scaled
    // outline (WenQuanYi Zen Hei's "Sharp" face has them for 12 to 16).
    for (long i = 0; i < face_->num_faces; ++i) {
      FT_Face other = nullptr;
      if (i == index || FT_New_Face(library_, path.c_str(), i, &other) != 0) continue;
      if (other->num_fixed_sizes > 0)
        strike_faces_.push_back(other);
      else
        FT_Done_Face(other);
    }
    return true;
  }

  // The face to render `code` at `size` pixels with, its size selected: a
  // face with a strike of exactly that height that has the character, else
  // the font's own face scaled.
  FT_Face FaceFor(int size, FT_ULong code) {
    for (FT_Face f : strike_faces_)
      for (int k = 0; k < f->num_fixed_sizes; ++k)
        if (f->available_sizes[k].height == size && FT_Get_Char_Index(f, code) != 0 &&
            FT_Select_Size(f, k) == 0)
          return f;
    if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size)) != 0) return nullptr;
    return face_;
  }

  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  std::vector<FT_Face> strike_faces_;
  bool failed_ = false;
};

using GlyphSlot = ServiceSlot<GlyphSource, FreeTypeGlyphSource>;

}  // namespace

std::unique_ptr<GlyphSource> MakeFreeTypeGlyphSource() {
  return std::make_unique<FreeTypeGlyphSource>();
}

void SetGlyphSource(std::unique_ptr<GlyphSource> source) { GlyphSlot::Set(std::move(source)); }

GlyphSource& GetGlyphSource() { return GlyphSlot::Get(); }

}  // namespace tessera
