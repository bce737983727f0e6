// Maps drawn in the Tiled editor (.tmx), read with tinyxml2 and zlib, and
// turned into what the engine loads: a background picture, a cell grid,
// goods pictures.
//
// Supported: orthogonal, finite maps with square tiles; tile layers in CSV,
// base64, base64 + zlib or gzip, or plain <tile> elements; group layers
// (flattened); tilesets embedded or in external .tsx files, each one PNG
// image cut into a grid (margin and spacing allowed), tiles larger than
// the map's cell drawn from the cell's bottom-left as Tiled does; flipped
// tiles; tile animations (as goods frames); object layers.  Anything else
// (isometric or hexagonal maps, infinite maps, image layers, image
// collection tilesets, zstd layers, layer offsets) is refused with an
// error naming it, never read into a wrong map.
//
// Cell values: a tile layer named "blocked" is not drawn; its non-empty
// cells become 1.  A tile with the boolean property blocked = true makes
// its cell 1 wherever it is drawn.
#ifndef TESSERA_TOOLS_COMMON_TILED_MAP_H
#define TESSERA_TOOLS_COMMON_TILED_MAP_H

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/image_import.h"

namespace tessera::tools {

using tessera::RgbaImage;
using TiledProperties = std::map<std::string, std::string>;

struct TiledTile {
  bool blocked = false;
  std::vector<int> frames;  // local ids of an animation, in order
  TiledProperties properties;
};

struct TiledTileset {
  int firstgid = 0;
  std::string name;
  int tilewidth = 0, tileheight = 0, tilecount = 0, columns = 0, spacing = 0, margin = 0;
  std::string image;  // the PNG's path, relative paths resolved against the file naming it
  int imagewidth = 0, imageheight = 0;
  std::map<int, TiledTile> tiles;  // by local id, only tiles with something to say
  RgbaImage pixels;                // filled by LoadTilesetImages
};

struct TiledLayer {
  std::string name;
  bool visible = true;
  double opacity = 1.0;
  std::vector<uint32_t> gids;  // width * height of the map, flip bits kept
};

struct TiledObject {
  int id = 0;
  std::string name, type;  // UTF-8; type is Tiled's "type" or "class"
  double x = 0, y = 0, width = 0, height = 0;
  uint32_t gid = 0;  // a tile object's tile, 0 for other objects
  TiledProperties properties;
};

struct TiledMap {
  int width = 0, height = 0;          // in tiles
  int tilewidth = 0, tileheight = 0;  // pixels
  bool has_background = false;
  uint8_t background[3] = {0, 0, 0};
  TiledProperties properties;
  std::vector<TiledTileset> tilesets;  // by rising firstgid
  std::vector<TiledLayer> layers;      // tile layers, bottom first
  std::vector<TiledObject> objects;    // every object layer's, in order

  int PixelWidth() const { return width * tilewidth; }
  int PixelHeight() const { return height * tileheight; }
};

// Bits Tiled keeps in the top of a gid: flips and the hexagonal rotation.
constexpr uint32_t kFlipH = 0x80000000u, kFlipV = 0x40000000u, kFlipD = 0x20000000u;
constexpr uint32_t kGidMask = 0x0FFFFFFFu;

// Reads a file a map names (an external tileset) given its path; false when
// it cannot.
using TiledFileLoader = std::function<bool(const std::string& path, std::string& text)>;

// Limits of what is read: cells of the map and pixels of its picture.
struct TiledLimits {
  long long max_cells = 8192LL * 8192LL;
  long long max_pixels = static_cast<long long>(kMaxImportWidth) * kMaxImportHeight;
  // The largest picture a pack image record holds.
  int max_width = kMaxImportWidth;
  int max_height = kMaxImportHeight;
};

// Parses .tmx text.  `folder` is the map file's folder (ending in '/', or
// empty) for relative paths.  False with a message in `error` for damaged
// or unsupported input.
bool ParseTmx(const std::string& text, const std::string& folder, const TiledFileLoader& load,
              TiledMap& map, std::string& error, const TiledLimits& limits = TiledLimits());

// Reads every tileset's picture (PNG, or BMP) and checks that its grid of
// tiles fits in it.
bool LoadTilesetImages(TiledMap& map, std::string& error);

// The tileset holding a gid (flip bits ignored) and the tile's local id;
// null when no tileset has it.
const TiledTileset* FindTileset(const TiledMap& map, uint32_t gid, int* local);

// One tile's pixels as the map shows it (flips applied), in RGBA.
bool TilePixels(const TiledMap& map, uint32_t gid, RgbaImage& out, std::string& error);

// The visible tile layers but "blocked", drawn in order with their opacity
// over the map's background colour (black without one): an opaque picture
// of PixelWidth() x PixelHeight().  Needs LoadTilesetImages.
bool RenderBackground(const TiledMap& map, RgbaImage& picture, std::string& error);

// One byte per cell, row-major: 1 where blocked (see the top of this file).
std::vector<uint8_t> BlockedCells(const TiledMap& map);

}  // namespace tessera::tools

#endif
