#include "engine/glyph_cache.h"

#include <cstdlib>
#include <vector>

#include "platform/glyph_source.h"
#include "platform/test_hooks.h"

namespace tessera {

namespace {

// Owns the cache; its destructor runs when the library is unloaded (or the
// process ends) and frees every glyph's pixel array.
struct GlyphCache {
  std::vector<stGlyphFont> fonts;
  size_t rendered = 0;

  void Clear() {
    for (stGlyphFont& f : fonts)
      for (auto& g : f.glyphs) std::free(g.second.pixels);
    fonts.clear();
    rendered = 0;
  }
  ~GlyphCache() { Clear(); }
};

GlyphCache g_cache;

}  // namespace

stGlyphFont& FindGlyphFont(int size, PIXEL colour) {
  for (stGlyphFont& f : g_cache.fonts)
    if (f.size == size && f.colour.GetColor() == colour.GetColor()) return f;
  g_cache.fonts.emplace_back();
  stGlyphFont& f = g_cache.fonts.back();
  f.size = size;
  f.colour = colour;
  return f;
}

const stGlyph* FindGlyph(stGlyphFont& font, int code, std::string_view gbk) {
  auto it = font.glyphs.find(code);
  if (it != font.glyphs.end()) return &it->second;
  const int w = font.size, h = font.size * 3 / 2;
  std::vector<uint8_t> ink;
  if (!GetGlyphSource().Render(gbk, font.size, w, h, ink) ||
      ink.size() != static_cast<size_t>(w) * h)
    return nullptr;
  auto* pixels = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * w * h));
  if (!pixels) return nullptr;
  const uint32_t colour = font.colour.GetColor();
  for (int i = 0; i < w * h; ++i) pixels[i] = ink[i] ? colour : COLOR_KEY;
  ++g_cache.rendered;
  stGlyph& g = font.glyphs[code];
  g.width = w;
  g.height = h;
  g.pixels = pixels;
  return &g;
}

size_t GlyphFontCount() { return g_cache.fonts.size(); }
size_t GlyphRenderCount() { return g_cache.rendered; }
void ResetGlyphCacheForTests() { g_cache.Clear(); }

}  // namespace tessera
