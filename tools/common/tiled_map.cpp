#include "common/tiled_map.h"

#include <tinyxml2.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tessera::tools {

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

bool Err(std::string& error, const std::string& text) {
  error = text;
  return false;
}

std::string Attr(const XMLElement* e, const char* name, const char* fallback = "") {
  const char* v = e->Attribute(name);
  return v ? v : fallback;
}

// A whole-number attribute; `fallback` when it is absent.  False for text
// that is not a number in [lo, hi].
bool IntAttr(const XMLElement* e, const char* name, int fallback, int lo, int hi, int& out,
             std::string& error) {
  const char* v = e->Attribute(name);
  if (!v) {
    out = fallback;
    return true;
  }
  char* end = nullptr;
  errno = 0;
  long long n = std::strtoll(v, &end, 10);
  if (end == v || *end != 0 || errno || n < lo || n > hi)
    return Err(error, std::string("<") + e->Name() + "> attribute " + name + "=\"" + v +
                          "\" is not a number from " + std::to_string(lo) + " to " +
                          std::to_string(hi));
  out = static_cast<int>(n);
  return true;
}

bool DoubleAttr(const XMLElement* e, const char* name, double fallback, double& out,
                std::string& error) {
  const char* v = e->Attribute(name);
  if (!v) {
    out = fallback;
    return true;
  }
  char* end = nullptr;
  double d = std::strtod(v, &end);
  if (end == v || *end != 0 || !std::isfinite(d) || std::fabs(d) > 1e9)
    return Err(error, std::string("<") + e->Name() + "> attribute " + name + "=\"" + v +
                          "\" is not a number");
  out = d;
  return true;
}

bool ReadProperties(const XMLElement* parent, TiledProperties& out) {
  const XMLElement* props = parent->FirstChildElement("properties");
  if (!props) return true;
  for (const XMLElement* p = props->FirstChildElement("property"); p;
       p = p->NextSiblingElement("property")) {
    const char* name = p->Attribute("name");
    if (!name) continue;
    const char* value = p->Attribute("value");
    if (!value) value = p->GetText();
    out[name] = value ? value : "";
  }
  return true;
}

bool IsTrue(const std::string& v) { return v == "true" || v == "1"; }

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Resolve(const std::string& folder, const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return folder + path;
}

// Base64 (RFC 4648, whitespace ignored, padding optional).
bool DecodeBase64(const char* text, std::vector<uint8_t>& out, std::string& error) {
  uint32_t acc = 0;
  int bits = 0;
  bool padding = false;
  for (const char* p = text; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (std::isspace(c)) continue;
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else if (c == '=') {
      padding = true;
      continue;
    } else
      return Err(error, "layer data is not base64");
    if (padding) return Err(error, "layer data has base64 after its padding");
    acc = acc << 6 | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  return true;
}

// zlib or gzip data inflated into exactly `want` bytes.
bool Inflate(const std::vector<uint8_t>& in, size_t want, std::vector<uint8_t>& out,
             std::string& error) {
  out.assign(want, 0);
  z_stream zs;
  std::memset(&zs, 0, sizeof zs);
  if (inflateInit2(&zs, 15 + 32) != Z_OK) return Err(error, "zlib cannot start");
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(want);
  int rc = inflate(&zs, Z_FINISH);
  const size_t produced = want - zs.avail_out;
  bool longer = false;
  if (rc != Z_STREAM_END && zs.avail_out == 0) {
    // The buffer is full but the stream goes on: one more byte tells
    // whether it holds more cells than the map.
    uint8_t extra;
    zs.next_out = &extra;
    zs.avail_out = 1;
    rc = inflate(&zs, Z_FINISH);
    longer = zs.avail_out == 0;
  }
  inflateEnd(&zs);
  if (longer) return Err(error, "layer data holds more cells than the map");
  if (rc != Z_STREAM_END)
    return Err(error, "layer data does not inflate (damaged or cut compressed data)");
  if (produced != want)
    return Err(error, "layer data holds " + std::to_string(produced / 4) + " cells, the map " +
                          std::to_string(want / 4));
  return true;
}

bool DecodeLayerData(const XMLElement* data, size_t cells, std::vector<uint32_t>& gids,
                     std::string& error) {
  const std::string encoding = Attr(data, "encoding");
  const std::string compression = Attr(data, "compression");
  gids.clear();
  if (!compression.empty() && compression != "zlib" && compression != "gzip")
    return Err(error, "layer compression \"" + compression +
                          "\" is not supported (use zlib, gzip or none)");
  if (data->FirstChildElement("chunk"))
    return Err(error, "layer data in chunks (an infinite map) is not supported");
  if (encoding.empty()) {
    if (!compression.empty()) return Err(error, "compressed layer data without an encoding");
    for (const XMLElement* t = data->FirstChildElement("tile"); t;
         t = t->NextSiblingElement("tile")) {
      if (gids.size() >= cells) return Err(error, "layer data holds more cells than the map");
      unsigned v = 0;
      const char* g = t->Attribute("gid");
      if (g) {
        char* end = nullptr;
        unsigned long long n = std::strtoull(g, &end, 10);
        if (end == g || *end || n > 0xFFFFFFFFull)
          return Err(error, std::string("tile gid \"") + g + "\" is not a number");
        v = static_cast<unsigned>(n);
      }
      gids.push_back(v);
    }
  } else if (encoding == "csv") {
    if (!compression.empty()) return Err(error, "compressed CSV layer data is not supported");
    const char* p = data->GetText();
    unsigned long long n = 0;
    bool in_number = false;
    for (; p && *p; ++p) {
      const unsigned char c = static_cast<unsigned char>(*p);
      if (c >= '0' && c <= '9') {
        n = n * 10 + (c - '0');
        if (n > 0xFFFFFFFFull) return Err(error, "a CSV cell is larger than a gid can be");
        in_number = true;
      } else if (c == ',' || std::isspace(c)) {
        if (c == ',' && !in_number) return Err(error, "an empty CSV cell");
        if (in_number) {
          if (gids.size() >= cells) return Err(error, "layer data holds more cells than the map");
          gids.push_back(static_cast<uint32_t>(n));
        }
        n = 0;
        in_number = false;
      } else {
        return Err(error, std::string("CSV layer data holds the character '") +
                              static_cast<char>(c) + "'");
      }
    }
    if (in_number) {
      if (gids.size() >= cells) return Err(error, "layer data holds more cells than the map");
      gids.push_back(static_cast<uint32_t>(n));
    }
  } else if (encoding == "base64") {
    std::vector<uint8_t> bytes;
    const char* text = data->GetText();
    if (!DecodeBase64(text ? text : "", bytes, error)) return false;
    std::vector<uint8_t> raw;
    if (compression.empty()) {
      raw = std::move(bytes);
    } else if (!Inflate(bytes, cells * 4, raw, error)) {
      return false;
    }
    if (raw.size() != cells * 4)
      return Err(error, "layer data holds " + std::to_string(raw.size() / 4) + " cells, the map " +
                            std::to_string(cells));
    gids.resize(cells);
    for (size_t i = 0; i < cells; ++i)
      gids[i] = static_cast<uint32_t>(raw[4 * i]) | static_cast<uint32_t>(raw[4 * i + 1]) << 8 |
                static_cast<uint32_t>(raw[4 * i + 2]) << 16 |
                static_cast<uint32_t>(raw[4 * i + 3]) << 24;
  } else {
    return Err(error, "layer encoding \"" + encoding + "\" is not supported");
  }
  if (gids.size() != cells)
    return Err(error, "layer data holds " + std::to_string(gids.size()) + " cells, the map " +
                          std::to_string(cells));
  return true;
}

bool ReadTileset(const XMLElement* ts, const std::string& folder, int firstgid, TiledTileset& out,
                 std::string& error) {
  out.firstgid = firstgid;
  out.name = Attr(ts, "name");
  const std::string what = "tileset \"" + out.name + "\": ";
  if (!IntAttr(ts, "tilewidth", 0, 1, 4096, out.tilewidth, error) ||
      !IntAttr(ts, "tileheight", 0, 1, 4096, out.tileheight, error) ||
      !IntAttr(ts, "spacing", 0, 0, 4096, out.spacing, error) ||
      !IntAttr(ts, "margin", 0, 0, 4096, out.margin, error) ||
      !IntAttr(ts, "tilecount", 0, 0, 1 << 22, out.tilecount, error) ||
      !IntAttr(ts, "columns", 0, 0, 1 << 16, out.columns, error))
    return Err(error, what + error);
  if (out.tilewidth <= 0 || out.tileheight <= 0) return Err(error, what + "no tile size");
  if (const XMLElement* off = ts->FirstChildElement("tileoffset")) {
    int x = 0, y = 0;
    if (!IntAttr(off, "x", 0, -65536, 65536, x, error) ||
        !IntAttr(off, "y", 0, -65536, 65536, y, error))
      return Err(error, what + error);
    if (x || y) return Err(error, what + "a tile offset is not supported");
  }
  const XMLElement* image = ts->FirstChildElement("image");
  if (!image) return Err(error, what + "an image collection (no single image) is not supported");
  const std::string source = Attr(image, "source");
  if (source.empty()) return Err(error, what + "embedded image data is not supported");
  out.image = Resolve(folder, source);
  if (!IntAttr(image, "width", 0, 0, kMaxImportWidth, out.imagewidth, error) ||
      !IntAttr(image, "height", 0, 0, kMaxImportWidth, out.imageheight, error))
    return Err(error, what + error);
  if (out.columns == 0 && out.imagewidth > 0)
    out.columns = (out.imagewidth - 2 * out.margin + out.spacing) / (out.tilewidth + out.spacing);
  if (out.tilecount == 0 && out.imageheight > 0 && out.columns > 0)
    out.tilecount = out.columns * ((out.imageheight - 2 * out.margin + out.spacing) /
                                   (out.tileheight + out.spacing));
  if (out.columns <= 0 || out.tilecount <= 0) return Err(error, what + "no tiles");
  if (static_cast<long long>(firstgid) + out.tilecount > static_cast<long long>(kGidMask))
    return Err(error, what + "gids out of range");
  for (const XMLElement* t = ts->FirstChildElement("tile"); t; t = t->NextSiblingElement("tile")) {
    int id = 0;
    if (!IntAttr(t, "id", -1, 0, out.tilecount - 1, id, error)) return Err(error, what + error);
    if (id < 0) return Err(error, what + "a <tile> without an id");
    if (t->FirstChildElement("image"))
      return Err(error, what + "tiles with images of their own are not supported");
    TiledTile& tile = out.tiles[id];
    ReadProperties(t, tile.properties);
    auto b = tile.properties.find("blocked");
    tile.blocked = b != tile.properties.end() && IsTrue(b->second);
    if (const XMLElement* anim = t->FirstChildElement("animation"))
      for (const XMLElement* f = anim->FirstChildElement("frame"); f;
           f = f->NextSiblingElement("frame")) {
        int frame = 0;
        if (!IntAttr(f, "tileid", 0, 0, out.tilecount - 1, frame, error))
          return Err(error, what + error);
        tile.frames.push_back(frame);
      }
  }
  return true;
}

struct Parser {
  TiledMap& map;
  const std::string& folder;
  const TiledFileLoader& load;
  const TiledLimits& limits;
  std::string& error;

  bool Layer(const XMLElement* e, bool visible, double opacity) {
    TiledLayer layer;
    layer.name = Attr(e, "name");
    const std::string what = "layer \"" + layer.name + "\": ";
    int w = 0, h = 0, vis = 1;
    double op = 1, ox = 0, oy = 0, px = 1, py = 1;
    if (!IntAttr(e, "width", map.width, 0, 1 << 30, w, error) ||
        !IntAttr(e, "height", map.height, 0, 1 << 30, h, error) ||
        !IntAttr(e, "visible", 1, 0, 1, vis, error) || !DoubleAttr(e, "opacity", 1, op, error) ||
        !DoubleAttr(e, "offsetx", 0, ox, error) || !DoubleAttr(e, "offsety", 0, oy, error) ||
        !DoubleAttr(e, "parallaxx", 1, px, error) || !DoubleAttr(e, "parallaxy", 1, py, error))
      return Err(error, what + error);
    if (w != map.width || h != map.height)
      return Err(error, what + "its size differs from the map's");
    if (ox != 0 || oy != 0) return Err(error, what + "a layer offset is not supported");
    if (px != 1 || py != 1) return Err(error, what + "a parallax factor is not supported");
    layer.visible = visible && vis == 1;
    layer.opacity = std::clamp(op, 0.0, 1.0) * opacity;
    const XMLElement* data = e->FirstChildElement("data");
    if (!data) return Err(error, what + "no <data>");
    if (!DecodeLayerData(data, static_cast<size_t>(map.width) * map.height, layer.gids, error))
      return Err(error, what + error);
    map.layers.push_back(std::move(layer));
    return true;
  }

  bool Objects(const XMLElement* group, bool visible) {
    int vis = 1;
    if (!IntAttr(group, "visible", 1, 0, 1, vis, error)) return false;
    // Objects of hidden layers, and hidden objects, are not imported.
    if (!visible || vis == 0) return true;
    for (const XMLElement* o = group->FirstChildElement("object"); o;
         o = o->NextSiblingElement("object")) {
      TiledObject obj;
      int ovis = 1;
      if (!IntAttr(o, "id", 0, 0, 1 << 30, obj.id, error) ||
          !IntAttr(o, "visible", 1, 0, 1, ovis, error) || !DoubleAttr(o, "x", 0, obj.x, error) ||
          !DoubleAttr(o, "y", 0, obj.y, error) || !DoubleAttr(o, "width", 0, obj.width, error) ||
          !DoubleAttr(o, "height", 0, obj.height, error))
        return false;
      double rotation = 0;
      if (!DoubleAttr(o, "rotation", 0, rotation, error)) return false;
      if (rotation != 0)
        return Err(error,
                   "object " + std::to_string(obj.id) + ": rotated objects are not supported");
      if (!ovis) continue;
      obj.name = Attr(o, "name");
      obj.type = Attr(o, "type", Attr(o, "class").c_str());
      if (const char* g = o->Attribute("gid")) {
        char* end = nullptr;
        unsigned long long n = std::strtoull(g, &end, 10);
        if (end == g || *end || n > 0xFFFFFFFFull || (n & kGidMask) == 0)
          return Err(error,
                     "object " + std::to_string(obj.id) + ": gid \"" + g + "\" is not a tile");
        obj.gid = static_cast<uint32_t>(n);
      }
      if (o->Attribute("template"))
        return Err(error,
                   "object " + std::to_string(obj.id) + ": object templates are not supported");
      ReadProperties(o, obj.properties);
      map.objects.push_back(std::move(obj));
    }
    return true;
  }

  bool Children(const XMLElement* parent, bool visible, double opacity, int depth) {
    if (depth > 32) return Err(error, "groups nested too deep");
    for (const XMLElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement()) {
      const std::string name = e->Name();
      if (name == "layer") {
        if (!Layer(e, visible, opacity)) return false;
      } else if (name == "objectgroup") {
        if (!Objects(e, visible)) return false;
      } else if (name == "group") {
        int vis = 1;
        double op = 1, ox = 0, oy = 0;
        if (!IntAttr(e, "visible", 1, 0, 1, vis, error) ||
            !DoubleAttr(e, "opacity", 1, op, error) || !DoubleAttr(e, "offsetx", 0, ox, error) ||
            !DoubleAttr(e, "offsety", 0, oy, error))
          return false;
        if (ox != 0 || oy != 0)
          return Err(error, "group \"" + Attr(e, "name") + "\": a layer offset is not supported");
        if (!Children(e, visible && vis == 1, opacity * std::clamp(op, 0.0, 1.0), depth + 1))
          return false;
      } else if (name == "imagelayer") {
        return Err(error,
                   "image layer \"" + Attr(e, "name") + "\" is not supported (draw it as tiles)");
      }
    }
    return true;
  }

  bool Tileset(const XMLElement* e) {
    int firstgid = 0;
    if (!IntAttr(e, "firstgid", 0, 1, static_cast<int>(kGidMask), firstgid, error)) return false;
    if (firstgid < 1) return Err(error, "a tileset without firstgid");
    TiledTileset ts;
    const char* source = e->Attribute("source");
    if (!source) return ReadTileset(e, folder, firstgid, ts, error) && Add(std::move(ts));
    const std::string path = Resolve(folder, source);
    std::string text;
    if (!load || !load(path, text))
      return Err(error, "external tileset " + path + " cannot be read");
    XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
      return Err(error, "external tileset " + path + " is not XML: " + doc.ErrorStr());
    const XMLElement* root = doc.FirstChildElement("tileset");
    if (!root) return Err(error, "external tileset " + path + " has no <tileset>");
    if (root->Attribute("source"))
      return Err(error, "external tileset " + path + " names another tileset");
    return ReadTileset(root, FolderOf(path), firstgid, ts, error) && Add(std::move(ts));
  }

  bool Add(TiledTileset&& ts) {
    for (const TiledTileset& t : map.tilesets)
      if (ts.firstgid < t.firstgid + t.tilecount && t.firstgid < ts.firstgid + ts.tilecount)
        return Err(error, "tilesets \"" + t.name + "\" and \"" + ts.name + "\" share gids");
    map.tilesets.push_back(std::move(ts));
    std::sort(map.tilesets.begin(), map.tilesets.end(),
              [](const TiledTileset& a, const TiledTileset& b) { return a.firstgid < b.firstgid; });
    return true;
  }
};

// Undoes the display flips of a tile: the tile's own pixel for pixel
// (x, y) of the tile as drawn (dw x dh).
inline void SourcePixel(uint32_t gid, int x, int y, int dw, int dh, int& sx, int& sy) {
  const int x1 = (gid & kFlipH) ? dw - 1 - x : x;
  const int y1 = (gid & kFlipV) ? dh - 1 - y : y;
  if (gid & kFlipD) {
    sx = y1;
    sy = x1;
  } else {
    sx = x1;
    sy = y1;
  }
}

}  // namespace

bool ParseTmx(const std::string& text, const std::string& folder, const TiledFileLoader& load,
              TiledMap& map, std::string& error, const TiledLimits& limits) {
  map = TiledMap();
  XMLDocument doc;
  if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
    return Err(error, std::string("not XML: ") + doc.ErrorStr());
  const XMLElement* root = doc.FirstChildElement("map");
  if (!root) return Err(error, "no <map> element (not a Tiled map)");
  const std::string orientation = Attr(root, "orientation");
  if (orientation != "orthogonal")
    return Err(error,
               "orientation \"" + orientation + "\" is not supported (only orthogonal maps)");
  int infinite = 0;
  if (!IntAttr(root, "infinite", 0, 0, 1, infinite, error)) return false;
  if (infinite)
    return Err(error, "infinite maps are not supported (resize the map to a fixed size)");
  if (!IntAttr(root, "width", 0, 1, 1 << 20, map.width, error) ||
      !IntAttr(root, "height", 0, 1, 1 << 20, map.height, error) ||
      !IntAttr(root, "tilewidth", 0, 1, 4096, map.tilewidth, error) ||
      !IntAttr(root, "tileheight", 0, 1, 4096, map.tileheight, error))
    return false;
  if (map.width <= 0 || map.height <= 0 || map.tilewidth <= 0 || map.tileheight <= 0)
    return Err(error, "the map has no size or no tile size");
  if (map.tilewidth != map.tileheight)
    return Err(error, "tiles of " + std::to_string(map.tilewidth) + " x " +
                          std::to_string(map.tileheight) +
                          " are not square; the engine's cells are");
  if (static_cast<long long>(map.width) * map.height > limits.max_cells)
    return Err(error, "the map has more cells than " + std::to_string(limits.max_cells));
  const long long pw = static_cast<long long>(map.width) * map.tilewidth;
  const long long ph = static_cast<long long>(map.height) * map.tileheight;
  if (pw > limits.max_width || ph > limits.max_height || pw * ph > limits.max_pixels)
    return Err(error, "the map's picture of " + std::to_string(pw) + " x " + std::to_string(ph) +
                          " pixels is too large");
  const std::string bg = Attr(root, "backgroundcolor");
  if (!bg.empty()) {
    std::string hex = bg[0] == '#' ? bg.substr(1) : bg;
    if ((hex.size() != 6 && hex.size() != 8) ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      return Err(error, "backgroundcolor \"" + bg + "\" is not #RRGGBB");
    const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
    map.background[0] = static_cast<uint8_t>(v >> 16);
    map.background[1] = static_cast<uint8_t>(v >> 8);
    map.background[2] = static_cast<uint8_t>(v);
    map.has_background = true;
  }
  ReadProperties(root, map.properties);
  Parser p{map, folder, load, limits, error};
  for (const XMLElement* e = root->FirstChildElement("tileset"); e;
       e = e->NextSiblingElement("tileset"))
    if (!p.Tileset(e)) return false;
  return p.Children(root, true, 1.0, 0);
}

bool LoadTilesetImages(TiledMap& map, std::string& error) {
  for (TiledTileset& ts : map.tilesets) {
    std::string bytes;
    if (std::FILE* f = std::fopen(ts.image.c_str(), "rb")) {
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
      std::fclose(f);
    } else {
      return Err(error, "tileset \"" + ts.name + "\": " + ts.image + ": cannot be read");
    }
    if (!DecodeImageFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &ts.pixels,
                         &error))
      return Err(error, "tileset \"" + ts.name + "\": " + ts.image + ": " + error);
    const int rows = (ts.tilecount + ts.columns - 1) / ts.columns;
    const long long right =
        ts.margin + static_cast<long long>(ts.columns) * (ts.tilewidth + ts.spacing) - ts.spacing;
    const long long bottom =
        ts.margin + static_cast<long long>(rows) * (ts.tileheight + ts.spacing) - ts.spacing;
    if (right > ts.pixels.width || bottom > ts.pixels.height)
      return Err(error, "tileset \"" + ts.name + "\": " + std::to_string(ts.tilecount) +
                            " tiles of " + std::to_string(ts.tilewidth) + " x " +
                            std::to_string(ts.tileheight) + " do not fit in " + ts.image + " (" +
                            std::to_string(ts.pixels.width) + " x " +
                            std::to_string(ts.pixels.height) + ")");
  }
  return true;
}

const TiledTileset* FindTileset(const TiledMap& map, uint32_t gid, int* local) {
  const uint32_t id = gid & kGidMask;
  const TiledTileset* found = nullptr;
  for (const TiledTileset& ts : map.tilesets)
    if (static_cast<uint32_t>(ts.firstgid) <= id) found = &ts;
  if (!found ||
      id - static_cast<uint32_t>(found->firstgid) >= static_cast<uint32_t>(found->tilecount))
    return nullptr;
  if (local) *local = static_cast<int>(id - static_cast<uint32_t>(found->firstgid));
  return found;
}

bool TilePixels(const TiledMap& map, uint32_t gid, RgbaImage& out, std::string& error) {
  int local = 0;
  const TiledTileset* ts = FindTileset(map, gid, &local);
  if (!ts) return Err(error, "gid " + std::to_string(gid & kGidMask) + " is in no tileset");
  if (ts->pixels.rgba.empty())
    return Err(error, "tileset \"" + ts->name + "\" has no pixels loaded");
  const bool d = (gid & kFlipD) != 0;
  out.width = d ? ts->tileheight : ts->tilewidth;
  out.height = d ? ts->tilewidth : ts->tileheight;
  out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
  const int ox = ts->margin + (local % ts->columns) * (ts->tilewidth + ts->spacing);
  const int oy = ts->margin + (local / ts->columns) * (ts->tileheight + ts->spacing);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      int sx, sy;
      SourcePixel(gid, x, y, out.width, out.height, sx, sy);
      std::memcpy(&out.rgba[(static_cast<size_t>(y) * out.width + x) * 4],
                  ts->pixels.At(ox + sx, oy + sy), 4);
    }
  return true;
}

bool RenderBackground(const TiledMap& map, RgbaImage& picture, std::string& error) {
  const int W = map.PixelWidth(), H = map.PixelHeight();
  std::vector<uint8_t> rgb(static_cast<size_t>(W) * H * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) std::memcpy(&rgb[i], map.background, 3);
  RgbaImage tile;
  for (const TiledLayer& layer : map.layers) {
    if (!layer.visible || EqualsNoCase(layer.name, "blocked")) continue;
    const int opacity = static_cast<int>(std::lround(layer.opacity * 255));
    if (opacity <= 0) continue;
    uint32_t last = 0;
    for (int row = 0; row < map.height; ++row)
      for (int col = 0; col < map.width; ++col) {
        const uint32_t gid = layer.gids[static_cast<size_t>(row) * map.width + col];
        if ((gid & kGidMask) == 0) continue;
        if (gid != last || tile.rgba.empty()) {
          if (!TilePixels(map, gid, tile, error))
            return Err(error, "layer \"" + layer.name + "\": " + error);
          last = gid;
        }
        // Tiles are anchored at the cell's bottom-left corner.
        const int x0 = col * map.tilewidth;
        const int y0 = (row + 1) * map.tileheight - tile.height;
        for (int y = std::max(0, -y0); y < tile.height && y0 + y < H; ++y)
          for (int x = 0; x < tile.width && x0 + x < W; ++x) {
            const uint8_t* s = tile.At(x, y);
            const int a = s[3] * opacity / 255;
            if (a == 0) continue;
            uint8_t* d = &rgb[(static_cast<size_t>(y0 + y) * W + x0 + x) * 3];
            for (int c = 0; c < 3; ++c)
              d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (255 - a) + 127) / 255);
          }
      }
  }
  picture.width = W;
  picture.height = H;
  picture.has_alpha = false;
  picture.rgba.resize(static_cast<size_t>(W) * H * 4);
  for (size_t i = 0, n = static_cast<size_t>(W) * H; i < n; ++i) {
    std::memcpy(&picture.rgba[4 * i], &rgb[3 * i], 3);
    picture.rgba[4 * i + 3] = 255;
  }
  return true;
}

std::vector<uint8_t> BlockedCells(const TiledMap& map) {
  std::vector<uint8_t> cells(static_cast<size_t>(map.width) * map.height, 0);
  for (const TiledLayer& layer : map.layers) {
    const bool blocking = EqualsNoCase(layer.name, "blocked");
    for (size_t i = 0; i < cells.size(); ++i) {
      const uint32_t gid = layer.gids[i];
      if ((gid & kGidMask) == 0) continue;
      if (blocking) {
        cells[i] = 1;
        continue;
      }
      int local = 0;
      const TiledTileset* ts = FindTileset(map, gid, &local);
      if (!ts) continue;
      auto t = ts->tiles.find(local);
      if (t != ts->tiles.end() && t->second.blocked) cells[i] = 1;
    }
  }
  return cells;
}

}  // namespace tessera::tools
