// Tiled maps: the .tmx reader of tessera-map (XML, CSV, base64, zlib and
// gzip layers, tilesets, objects), then the drawing of the layers, the
// blocked cells and tile pictures over stand-in tileset pictures of the
// declared sizes.
#include <cstdint>
#include <string>

#include "common/tiled_map.h"

using namespace tessera::tools;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // External tilesets: one stand-in file, so their parsing is reached too.
  auto load = [](const std::string& path, std::string& out) {
    if (path != "ext.tsx") return false;
    out =
        "<tileset name=\"e\" tilewidth=\"4\" tileheight=\"4\" tilecount=\"4\" columns=\"2\">"
        "<image source=\"e.png\" width=\"8\" height=\"8\"/></tileset>";
    return true;
  };
  TiledLimits limits;
  limits.max_cells = 1 << 16;
  limits.max_pixels = 1 << 20;
  limits.max_width = limits.max_height = 4096;
  TiledMap map;
  std::string error;
  if (!ParseTmx(text, "", load, map, error, limits)) return 0;
  for (TiledTileset& ts : map.tilesets) {
    const long long rows = (ts.tilecount + ts.columns - 1) / ts.columns;
    const long long w = ts.margin + ts.columns * static_cast<long long>(ts.tilewidth + ts.spacing);
    const long long h = ts.margin + rows * (ts.tileheight + ts.spacing);
    if (w * h > (1 << 20)) return 0;
    ts.pixels.width = static_cast<int>(w);
    ts.pixels.height = static_cast<int>(h);
    ts.pixels.rgba.assign(static_cast<size_t>(w * h * 4), 0x80);
  }
  RgbaImage picture;
  if (RenderBackground(map, picture, error) &&
      picture.rgba.size() != static_cast<size_t>(map.PixelWidth()) * map.PixelHeight() * 4)
    __builtin_trap();
  if (BlockedCells(map).size() != static_cast<size_t>(map.width) * map.height) __builtin_trap();
  for (const TiledObject& o : map.objects) {
    RgbaImage tile;
    if (o.gid) TilePixels(map, o.gid, tile, error);
  }
  return 0;
}
