// tessera-demo-data: builds the sample game's data set in a folder.
//
//   tessera-demo-data FOLDER [--maps DIR] [--map-tool PATH]
//   tessera-demo-data --tileset FILE
//
// Every image is painted by code and written through the library's own
// classes: packed image streams, packed alpha images and layered images go
// into a pack file through CRes, which records them in the game database.
// The folder then holds, as a game would ship it:
//
//   data/Pack.mdb      the shared pack database (empty tables)
//   data/Village.mdb   the game database: RESTABLE rows for every image
//   data/village.pak   the pack file
//   wav/*.WAV          the GUI click (the engine's default area sound) and
//                      the game's effects
//   music/*.mid        a tune for the title, the village and the house
//   maps/              the Tiled maps copied from DIR (demo/maps), imported
//                      with `tessera-map import-tiled` into the game database
//                      (their backgrounds into a pack, their cells into
//                      data/NAME.map)
//
// --tileset paints the maps' tileset picture (demo/maps/tiles.png is made
// by it) and writes it as PNG.
//
// Identifiers are ten bytes, a base name padded with digits, as the engine
// builds them for animation frames (hero000000 .. hero000003).
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/particle_pictures.h"
#include "common/tool_common.h"
#include "database/database.h"
#include "database/pack_ani_database.h"
#include "database/schema.h"
#include "engine/dib_surface.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/psd_encode.h"
#include "engine/view_manage.h"
#include "pack/res.h"
#include "platform/path.h"
#include "platform/png_writer.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/midi_file.h"
#include "sound/wave_file.h"

namespace {

using tessera::tools::Fail;
const char kProgram[] = "tessera-demo-data";
const char kPack[] = "\\village.pak";

PIXEL Rgb(int r, int g, int b) {
  return PIXEL(static_cast<unsigned char>(r), static_cast<unsigned char>(g),
               static_cast<unsigned char>(b));
}

// A w x h image painted pixel by pixel.
std::unique_ptr<DIBSURFACE> Paint(int w, int h, const std::function<PIXEL(int, int)>& at) {
  auto s = std::make_unique<DIBSURFACE>(w, h);
  s->Initialize();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s->SetPixel(x, y, at(x, y));
  return s;
}

// --- the maps' tileset: 8 x 4 tiles of 32 x 32, every tile opaque (a tree
// is painted with its grass) so that layers simply cover each other.
enum Tile {
  kGrass,
  kFlowers,
  kTallGrass,
  kPath,
  kWater,
  kShore,
  kSand,
  kStone,
  kTree,
  kBush,
  kFence,
  kWell,
  kRoof,
  kRoofEdge,
  kWall,
  kDoor,
  kFloor,
  kRug,
  kInnerWall,
  kTable,
  kChest,
  kBed,
  kWindowWall,
  kHearth,
  kBlockedMark,
  kVoid,
  kTileCount
};
constexpr int kTileSize = 32, kTileColumns = 8, kTileRows = 4;

// A small deterministic noise in 0..15.
int Noise(int x, int y, int salt) {
  unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
               static_cast<unsigned>(salt) * 2147483647u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<int>((h >> 16) & 15);
}

PIXEL TilePixel(int tile, int x, int y) {
  const int n = Noise(x, y, tile);
  const int cx = x - 16, cy = y - 16, d2 = cx * cx + cy * cy;
  switch (tile) {
    case kGrass:
      return Rgb(60 + n, 140 + n * 2, 50);
    case kFlowers:
      if ((x % 11 == 3 && y % 9 == 4) || (x % 13 == 8 && y % 7 == 2))
        return n & 1 ? Rgb(250, 240, 90) : Rgb(240, 120, 160);
      return Rgb(60 + n, 140 + n * 2, 50);
    case kTallGrass:
      return (x + n) % 5 == 0 ? Rgb(40, 110, 35) : Rgb(55 + n, 125 + n, 45);
    case kPath:
      return Rgb(180 + n * 2, 150 + n, 100 + n);
    case kWater:
      return ((x + y * 2 + n / 4) % 16 == 0) ? Rgb(150, 200, 240) : Rgb(40, 90 + n, 170 + n * 2);
    case kShore:
      return y < 8 + n / 4 ? Rgb(200, 185, 130) : Rgb(50, 110 + n, 180 + n);
    case kSand:
      return Rgb(210 + n, 195 + n, 140);
    case kStone:
      return ((x / 8 + y / 8) % 2) ? Rgb(140 + n, 140 + n, 150) : Rgb(120 + n, 120 + n, 130);
    case kTree:
      if (d2 < 196) return Rgb(30 + n * 2, 100 + n * 3, 30);
      if (std::abs(cx) < 3 && cy > 0) return Rgb(100, 70, 40);
      return Rgb(60 + n, 140 + n * 2, 50);
    case kBush:
      return d2 < 100 + n * 4 ? Rgb(40 + n, 120 + n * 2, 40) : Rgb(60 + n, 140 + n * 2, 50);
    case kFence:
      if ((y > 8 && y < 13) || (y > 20 && y < 25) || (x % 16 < 4)) return Rgb(150, 110, 60);
      return Rgb(60 + n, 140 + n * 2, 50);
    case kWell:
      if (d2 < 100) return Rgb(20, 40, 90);
      if (d2 < 196) return Rgb(150 + n, 150 + n, 160);
      return Rgb(60 + n, 140 + n * 2, 50);
    case kRoof:
      return (y % 8 < 2) ? Rgb(120, 40, 30) : Rgb(180 + n, 60, 40);
    case kRoofEdge:
      return y > 24 ? Rgb(90, 60, 40) : (y % 8 < 2) ? Rgb(120, 40, 30) : Rgb(180 + n, 60, 40);
    case kWall:
      return (y % 10 == 0 || (x + (y / 10) * 8) % 16 == 0) ? Rgb(150, 130, 110)
                                                           : Rgb(220, 205, 180 + n);
    case kDoor:
      if (x > 6 && x < 26 && y > 4)
        return x == 22 && y == 18 ? Rgb(250, 220, 80) : Rgb(110 + n, 70, 35);
      return Rgb(220, 205, 180 + n);
    case kFloor:
      return (y % 8 == 0) ? Rgb(120, 80, 45) : Rgb(170 + n, 120 + n, 70);
    case kRug:
      return (x < 3 || y < 3 || x > 28 || y > 28) ? Rgb(200, 170, 60) : Rgb(150 + n, 40, 50);
    case kInnerWall:
      return y > 26 ? Rgb(90, 60, 40) : Rgb(200, 190, 160 + n);
    case kTable:
      return (x > 3 && x < 29 && y > 6 && y < 24) ? Rgb(140 + n, 90, 50)
                                                  : Rgb(170 + n, 120 + n, 70);
    case kChest:
      if (x > 4 && x < 28 && y > 8 && y < 28)
        return y == 14 ? Rgb(230, 200, 80) : Rgb(120 + n, 70, 30);
      return Rgb(170 + n, 120 + n, 70);
    case kBed:
      return y < 10 ? Rgb(240, 240, 240) : Rgb(60, 90, 170 + n);
    case kWindowWall:
      if (x > 8 && x < 24 && y > 6 && y < 20)
        return (x == 16 || y == 13) ? Rgb(90, 60, 40) : Rgb(160, 210, 250);
      return y > 26 ? Rgb(90, 60, 40) : Rgb(200, 190, 160 + n);
    case kHearth:
      if (y > 12 && x > 6 && x < 26) return (n > 8) ? Rgb(250, 160, 40) : Rgb(200, 60, 20);
      return Rgb(110 + n, 110 + n, 115);
    case kBlockedMark:
      return (x == y || x == 31 - y) ? Rgb(255, 0, 0) : Rgb(255, 255, 255);
    case kVoid:
      return Rgb(12, 10, 16);
    default:
      return Rgb(0, 0, 0);
  }
}

std::unique_ptr<DIBSURFACE> PaintTileset() {
  return Paint(kTileSize * kTileColumns, kTileSize * kTileRows, [](int x, int y) {
    const int tile = (y / kTileSize) * kTileColumns + x / kTileSize;
    return tile < kTileCount ? TilePixel(tile, x % kTileSize, y % kTileSize) : Rgb(0, 0, 0);
  });
}

// --- the title picture: the village at dusk, roofs against the sky.
PIXEL TitlePixel(int x, int y) {
  const int n = Noise(x, y, 7) / 4;
  if (y < 380) {
    // The sky, from deep blue to orange at the horizon, with stars.
    if (y < 220 && Noise(x, y, 3) == 0 && Noise(y, x, 4) == 0 && Noise(x + y, x, 5) < 4)
      return Rgb(255, 255, 220);
    const int t = y * 255 / 380;
    const int sx = x - 600, sy = y - 370;
    if (sx * sx + sy * sy < 2500) return Rgb(255, 200 - n, 90);  // the setting sun
    return Rgb(30 + t * 2 / 3, 30 + t / 3, 90 - t / 4);
  }
  // Houses: a row of roofs and walls with lit windows.
  const int house = x / 160, hx = x % 160;
  const int roof_top = 380 + std::abs(hx - 80) / 2 - 20 + house % 2 * 10;
  if (hx > 20 && hx < 140 && y > roof_top && y < 440) return Rgb(70 + n, 25, 20);
  if (hx > 30 && hx < 130 && y >= 440 && y < 520) {
    if ((hx - 50) % 40 < 16 && y > 460 && y < 485) return Rgb(250, 210, 100);
    return Rgb(60 + n, 50, 45);
  }
  return Rgb(25 + n, 50 + n, 25);  // the dark meadow
}

// --- the mouse cursor: fifteen frames of a glinting arrow, a pressed frame
// and two shadows.
PIXEL CursorPixel(int x, int y, int frame, bool pressed, bool shadow) {
  const bool inside =
      y < 22 && x <= y / 2 + (y < 16 ? y / 2 : 0) && x < 14 && !(y > 16 && x < (y - 16) * 2);
  if (!inside) return COLOR_KEY;
  if (shadow) return Rgb(0, 0, 0);
  const bool edge = x == 0 || x == y / 2 + (y < 16 ? y / 2 : 0) || y == 21;
  if (edge) return pressed ? Rgb(120, 40, 0) : Rgb(40, 20, 0);
  const int glint = (x + y + frame * 2) % 30 < 4 ? 60 : 0;
  return pressed ? Rgb(250, 160, 60)
                 : Rgb(std::min(255, 220 + glint), std::min(255, 190 + glint), 90 + glint);
}

// --- sounds: short tones written as 16-bit mono waves.
std::string ToneWave(const std::vector<std::pair<double, double>>& notes, double decay) {
  const int rate = 22050;
  std::vector<int16_t> samples;
  for (const auto& [hz, seconds] : notes) {
    const int count = static_cast<int>(seconds * rate);
    for (int i = 0; i < count; ++i) {
      const double t = static_cast<double>(i) / rate;
      const double v = std::sin(2 * M_PI * hz * t) * std::exp(-t * decay) * 9000;
      samples.push_back(static_cast<int16_t>(v));
    }
  }
  return tessera::MakeWaveFile(1, rate, 16, samples.data(), samples.size() * 2);
}

std::vector<tessera::MidiNote> Tune(const std::vector<int>& keys, uint32_t step) {
  std::vector<tessera::MidiNote> notes;
  uint32_t at = 0;
  for (int key : keys) {
    if (key > 0) notes.push_back({at, step - step / 8, static_cast<uint8_t>(key), 90, 0});
    at += step;
  }
  return notes;
}

// --- widgets.  A plank button in four looks (normal, hover, pressed,
// disabled), corners in the key colour.
PIXEL PlankPixel(int x, int y, int w, int h, int look, int hue) {
  const int r = 6;
  const int cx = x < r ? r - x : x >= w - r ? x - (w - r - 1) : 0;
  const int cy = y < r ? r - y : y >= h - r ? y - (h - r - 1) : 0;
  if (cx * cx + cy * cy > r * r) return COLOR_KEY;
  const bool edge =
      cx * cx + cy * cy > (r - 2) * (r - 2) || x < 2 || y < 2 || x >= w - 2 || y >= h - 2;
  static const int base[3][3] = {{110, 70, 35}, {50, 80, 120}, {60, 100, 60}};
  const int* c = base[hue % 3];
  const int lift = look == 1 ? 40 : look == 2 ? -30 : 0;
  const int grain = (y * 3 + (x / 7) % 3) % 9;
  if (look == 3) return edge ? Rgb(90, 90, 90) : Rgb(140 + grain, 140 + grain, 140 + grain);
  if (edge) return look == 1 ? Rgb(250, 220, 120) : Rgb(c[0] / 2, c[1] / 2, c[2] / 2);
  return Rgb(std::clamp(c[0] + lift + grain, 0, 255), std::clamp(c[1] + lift + grain, 0, 255),
             std::clamp(c[2] + lift + grain, 0, 255));
}

// A panel of dark wood with a light frame (dialogs, list, windows).
PIXEL PanelPixel(int x, int y, int w, int h) {
  if (x < 3 || y < 3 || x >= w - 3 || y >= h - 3) return Rgb(210, 180, 110);
  if (x < 5 || y < 5 || x >= w - 5 || y >= h - 5) return Rgb(70, 45, 25);
  return Rgb(40 + (y % 6 == 0 ? 6 : 0), 30, 24);
}

// A speech bubble frame.  A character's bubble is a 128 x 120 dialog that
// centres its text lines both ways, so each frame is as big as the dialog
// with a rounded white box of `w` x `h` in the middle and a tail below it.
PIXEL BubblePixel(int x, int y, int w, int h) {
  const int left = (128 - w) / 2, top = 60 - h / 2, r = 7;
  const int bx = x - left, by = y - top;
  if (by >= h && by < h + 8 && bx >= 20 + (by - h) && bx < 32 - (by - h)) return Rgb(250, 250, 240);
  if (bx < 0 || by < 0 || bx >= w || by >= h) return COLOR_KEY;
  const int cx = bx < r ? r - bx : bx >= w - r ? bx - (w - r - 1) : 0;
  const int cy = by < r ? r - by : by >= h - r ? by - (h - r - 1) : 0;
  const int d = cx * cx + cy * cy;
  if (d > r * r) return COLOR_KEY;
  return d > (r - 2) * (r - 2) || (!cx && !cy && (bx < 2 || by < 2 || bx >= w - 2 || by >= h - 2))
             ? Rgb(60, 60, 60)
             : Rgb(250, 250, 240);
}

// Bars of the life gauge: a red bar whose highlight runs along it.
PIXEL BarPixel(int x, int y, int frame) {
  const int shine = std::abs(x - frame * 4) < 6 ? 50 : 0;
  return Rgb(std::min(255, 190 + shine + (y < 4 ? 40 : 0)), 30 + shine + (y < 4 ? 40 : 0),
             40 + shine);
}

// A little bird in flight, four frames of flapping wings.
PIXEL BirdPixel(int x, int y, int frame) {
  const int cx = x - 16, cy = y - 12;
  if (cx * cx / 4 + cy * cy < 12) return Rgb(70, 60, 90);
  if (cx > 6 && cx < 10 && cy > -2 && cy < 1) return Rgb(240, 180, 40);
  const int lift = (frame == 0 ? -8 : frame == 1 ? -3 : frame == 2 ? 4 : -3);
  const int wing = std::abs(cx) < 12 ? cy - lift * (12 - std::abs(cx)) / 12 : 99;
  if (std::abs(cx) > 2 && wing >= -1 && wing <= 1) return Rgb(50, 45, 70);
  return COLOR_KEY;
}

// A sparkle for the one-shot effect at a click: a star that grows and fades.
PIXEL SparklePixel(int x, int y, int frame) {
  const int cx = std::abs(x - 16), cy = std::abs(y - 16), size = 4 + frame * 3;
  if ((cx < 2 && cy < size) || (cy < 2 && cx < size) || (cx == cy && cx < size * 2 / 3))
    return frame < 3 ? Rgb(255, 250, 180) : Rgb(255, 200, 90);
  return COLOR_KEY;
}

// A pendant, an apple, a letter, as goods on the map and icons.
PIXEL GoodsPixel(int item, int x, int y) {
  const int cx = x - 16, cy = y - 18, d2 = cx * cx + cy * cy;
  switch (item) {
    case 1:  // the jade pendant on its cord
      if (d2 < 64 && d2 > 9) return Rgb(80 + (x + y) % 3 * 20, 200, 120);
      if (std::abs(cx) == (cy + 16) / 2 && cy < -7) return Rgb(180, 40, 40);
      return COLOR_KEY;
    case 2:  // an apple
      if (d2 < 81) return cx < -2 && cy < -2 ? Rgb(255, 140, 140) : Rgb(210, 30, 30);
      if (std::abs(cx) < 2 && cy > -13 && cy < -8) return Rgb(90, 60, 20);
      return COLOR_KEY;
    default:  // a letter
      if (std::abs(cx) < 11 && std::abs(cy) < 8)
        return std::abs(cx) == std::abs(cy) + 3 ? Rgb(150, 150, 150) : Rgb(245, 240, 225);
      return COLOR_KEY;
  }
}

// A signpost, and a torch whose flame flickers in four frames.
PIXEL SignpostPixel(int x, int y) {
  if (x >= 14 && x < 18 && y >= 12) return Rgb(100, 70, 40);
  if (y >= 4 && y < 14 && x >= 4 && x < 28)
    return (y == 8 && x > 7 && x < 24) ? Rgb(60, 40, 20) : Rgb(190, 150, 90);
  return COLOR_KEY;
}

PIXEL TorchPixel(int x, int y, int frame) {
  if (x >= 14 && x < 18 && y >= 14) return Rgb(90, 60, 30);
  const int sway = (frame % 2 ? 1 : -1) * (frame / 2 + 1) / 2;
  const int fx = x - 16 - sway, fy = y - 9, r = 6 - (frame == 3);
  if (fx * fx + fy * fy * 2 / 3 < r * r)
    return fx * fx + fy * fy < 6 ? Rgb(255, 250, 180) : Rgb(250, 150 + frame * 15, 40);
  return COLOR_KEY;
}

// --- walking characters: six equipment parts of role 0, item 0, in 8
// directions, standing and walking, 4 frames each, as packed alpha
// pictures of the character's 7 x 7 cell box (224 x 224) with the feet at
// the standing cell (column 3, row 5).  The parts are numbered so that the
// engine's drawing orders put them on top of each other rightly whichever
// way the character faces: 3 legs, 4 shirt, 5 hands, 2 belt, 1 head with
// its hair, 0 hat.  The shirt and the hat are painted in greys: their tint
// pictures take the game's colours, strongest where the grey is brightest.
struct Ink {
  PIXEL colour;
  int opacity;  // 0..31
};

enum FigurePart {
  kHat = 0,
  kHead = 1,
  kBelt = 2,
  kLegs = 3,
  kShirt = 4,
  kHands = 5,
  kFigureParts = 6
};

Ink FigurePixel(int part, int direction, int state, int frame, int x, int y) {
  const Ink none{PIXEL(0), 0};
  const bool walking = state == 1;
  const int bob = walking && frame % 2 == 1 ? -1 : 0;
  const int swing = walking ? (frame == 1 ? 4 : frame == 3 ? -4 : 0) : 0;
  const bool back = direction == 0 || direction == 1 || direction == 7;
  const int side = direction >= 1 && direction <= 3 ? 1 : direction >= 5 ? -1 : 0;
  const int fx = x - 112, fy = y - 186 - bob;  // feet at (112, 186)
  const int hx = fx - side * 2, hy = fy + 46;  // head centre
  switch (part) {
    case kHead: {  // face, eyes and hair
      const int d = hx * hx + hy * hy;
      if (d > 81) return none;
      const bool hair = back ? hy < 6 : (hy < -3 || (side && hx * side < -2 && hy < 3));
      if (hair) return {Rgb(60, 40, 25), 31};
      if (d > 64) return none;
      if (!back && hy == -1 && (hx == -3 + side * 2 || hx == 3 + side * 2))
        return {Rgb(30, 20, 20), 31};
      return {Rgb(240, 200, 160), 31};
    }
    case kLegs: {
      const int leg = fy >= -14 && fy < -2 ? 1 : fy >= -2 && fy <= 0 ? 2 : 0;
      if (!leg) return none;
      const int shift = (fy + 14) * swing / 14;
      const bool left = std::abs(fx + 4 + shift) <= 2, right = std::abs(fx - 4 - shift) <= 2;
      if (left || right) return leg == 2 ? Ink{Rgb(50, 30, 20), 31} : Ink{Rgb(70, 60, 90), 31};
      return none;
    }
    case kHands: {
      const int hand_y = fy + 20, hand_dx = 11 + (side ? -4 : 0);
      if (hand_y * hand_y + (fx - hand_dx + swing / 2) * (fx - hand_dx + swing / 2) <= 4 ||
          hand_y * hand_y + (fx + hand_dx + swing / 2) * (fx + hand_dx + swing / 2) <= 4)
        return {Rgb(240, 200, 160), 31};
      return none;
    }
    case kShirt: {  // torso and sleeves
      if (fy >= -37 && fy < -14 && std::abs(fx - side) <= 8 + (fy + 37) / 8) {
        const int shade = 24 - std::abs(fx) / 3;
        return {Rgb(shade * 8, shade * 8, shade * 8), 31};
      }
      if (fy >= -36 && fy < -22 && std::abs(fx) >= 9 && std::abs(fx) <= 12)
        return {Rgb(150, 150, 150), 31};
      return none;
    }
    case kBelt:
      if (fy >= -17 && fy < -14 && std::abs(fx - side) <= 10)
        return {fx == side ? Rgb(220, 190, 60) : Rgb(80, 50, 30), 31};
      return none;
    default: {  // a round hat with a brim
      const int cy = hy + 8;
      if (cy >= 0 && cy <= 2 && std::abs(hx) <= 13) return {Rgb(200, 200, 200), 31};
      if (cy < 0 && cy >= -6 && std::abs(hx) <= 7 + cy / 2) return {Rgb(230, 230, 230), 31};
      return none;
    }
  }
}

class Builder {
 public:
  Builder(const std::string& root)
      : root_(root + "/"), db_(root_ + "data\\Village.mdb"), res_(nullptr) {}

  bool Create() {
    std::error_code ec;
    for (const char* dir : {"data", "wav", "music", "maps"})
      std::filesystem::create_directories(root_ + dir, ec);
    for (const std::string& path : {db_, root_ + "data\\Pack.mdb"}) {
      std::filesystem::remove(tessera::NativePath(path), ec);
      std::string error;
      if (!tessera::CreateDataBaseFile(path, &error)) return Report(error);  // names the file
    }
    const std::string pack = tessera::NativePath(root_ + "data\\village.pak");
    if (std::FILE* f = std::fopen(pack.c_str(), "wb")) {
      std::fclose(f);
    } else {
      return Report(pack + ": cannot create");
    }
    res_ = std::make_unique<CRes>(db_.c_str(), root_.c_str());
    return true;
  }

  // A plain image as a pack image record: width, height, packed stream.
  bool AddStream(const char* id, SURFACE* image) {
    std::vector<uint8_t> bytes = Header(image->GetWidth(), image->GetHeight());
    const std::vector<uint8_t> stream =
        tessera::PackedStreamBytes(tessera::EncodePackedStream(image));
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return Add(id, bytes);
  }

  // A packed alpha image from colours and opacities (0..31).
  bool AddDle(const char* id, int w, int h, const std::function<PIXEL(int, int)>& colour,
              const std::function<int(int, int)>& opacity) {
    std::vector<uint16_t> colours;
    std::vector<uint8_t> weights;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        colours.push_back(colour(x, y));
        const int a = opacity(x, y);
        weights.push_back(static_cast<uint8_t>(a == 31 ? 0 : 32 - a));
      }
    return Add(id, tessera::EncodeDleImage(w, h, colours.data(), weights.data()));
  }

  bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = tessera::OpenFile(root_ + path, "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0)
      return Report(tessera::NativePath(root_ + path) + ": cannot write");
    return ok || Report(tessera::NativePath(root_ + path) + ": cannot write");
  }

  bool WriteSounds() {
    bool ok = WriteFile("wav\\click.WAV", tessera::MakeClickWave());
    ok &= WriteFile("wav\\pickup.WAV", ToneWave({{660, 0.08}, {880, 0.08}, {1320, 0.12}}, 12));
    ok &= WriteFile("wav\\reward.WAV",
                    ToneWave({{523, 0.1}, {659, 0.1}, {784, 0.1}, {1047, 0.3}}, 6));
    ok &= WriteFile("wav\\door.WAV", ToneWave({{110, 0.06}, {80, 0.18}}, 20));
    ok &= WriteFile("wav\\bell.WAV", ToneWave({{1568, 0.5}}, 5));
    ok &= WriteFile("wav\\well.WAV", ToneWave({{300, 0.05}, {240, 0.05}, {200, 0.2}}, 9));
    ok &= WriteFile("wav\\wing.WAV", ToneWave({{180, 0.04}, {150, 0.04}}, 30));
    // The edit field's typing, editing and Enter sounds.
    ok &= WriteFile("wav\\MsgType.wav", ToneWave({{1200, 0.02}}, 60));
    ok &= WriteFile("wav\\MsgBack.wav", ToneWave({{800, 0.03}}, 50));
    ok &= WriteFile("wav\\MsgBell.wav", ToneWave({{988, 0.08}, {1319, 0.12}}, 15));
    // Title: a slow rising line; village: a lively walk; house: a calm tune.
    const struct {
      const char* file;
      std::vector<int> keys;
      uint32_t step;
    } tunes[] = {
        {"music\\title.mid", {60, 64, 67, 72, 71, 67, 64, 0, 62, 65, 69, 74, 72, 0, 0, 0}, 480},
        {"music\\village.mid",
         {67, 69, 71, 67, 69, 71, 72, 74, 72, 71, 69, 67, 69, 67, 64, 0},
         240},
        {"music\\house.mid", {57, 60, 64, 60, 57, 60, 65, 60, 55, 59, 62, 59, 57, 0, 0, 0}, 360},
    };
    for (const auto& t : tunes)
      if (!tessera::WriteMidiFile(root_ + t.file, Tune(t.keys, t.step)))
        ok &= Report(tessera::NativePath(root_ + t.file) + ": cannot write");
    return ok;
  }

  // Copies the Tiled maps (and their tileset) into maps/ and imports each
  // .tmx with the map tool, run in the data folder so that the cell files
  // land in data/.
  bool ImportMaps(const std::string& maps, const std::string& tool) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path into = fs::path(tessera::NativePath(root_)) / "maps";
    fs::create_directories(into, ec);
    std::vector<std::string> tmx;
    for (const auto& entry : fs::directory_iterator(maps, ec)) {
      fs::copy_file(entry.path(), into / entry.path().filename(),
                    fs::copy_options::overwrite_existing, ec);
      if (ec) return Report(entry.path().string() + ": cannot copy: " + ec.message());
      if (entry.path().extension() == ".tmx") tmx.push_back(entry.path().filename().string());
    }
    if (ec) return Report(maps + ": cannot read: " + ec.message());
    if (tmx.empty()) return Report(maps + ": no .tmx map there");
    std::sort(tmx.begin(), tmx.end());
    const std::string tool_path = fs::absolute(tool, ec).string();
    for (const std::string& name : tmx) {
      const std::string command = "cd '" + tessera::NativePath(root_) + "' && '" + tool_path +
                                  "' import-tiled 'data/Village.mdb' 'maps/" + name +
                                  "' >/dev/null";
      if (std::system(command.c_str()) != 0)
        return Report("maps/" + name + ": import-tiled failed");
      ++maps_;
    }
    return true;
  }

  int maps() const { return maps_; }

  // The mini-map's picture of each imported map: its background, read back
  // through the display manager as the game reads it, reduced to w x h.
  bool AddSmallMaps(const std::vector<std::pair<std::string, std::string>>& maps, int w, int h) {
    HWND window = tessera::CreateWindowRecord(800, 600);
    AfxCreateResource(db_.c_str(), root_.c_str());
    AfxCreateViewManager(800, 600, window);
    CVIEWMANAGE* vm = AfxGetViewManager();
    bool ok = vm != nullptr;
    for (const auto& [name, id] : maps) {
      if (!ok) break;
      tessera::RecordsetPtr rs;
      CDataBase* db = AfxGetDataBase(db_.c_str());
      char picture[32] = {};
      const std::string sql = "SELECT PICINFO FROM MAPTABLE WHERE NAME = '" + name + "'";
      if (!db || !db->OpenSource(sql.c_str(), rs) || !rs || rs->IsEOF() ||
          !rs->GetText(0, picture, sizeof picture)) {
        ok = Report("map " + name + ": no MAPTABLE row after the import");
        break;
      }
      SURFACE* back = vm->CreateSurface(picture, SS_DIB, false, false);
      if (!back) {
        ok = Report("map " + name + ": its picture " + picture + " does not load");
        break;
      }
      const int bw = back->GetWidth(), bh = back->GetHeight();
      auto small =
          Paint(w, h, [&](int x, int y) { return back->GetPixel(x * bw / w, y * bh / h); });
      vm->DeleteSurface(back);
      ok &= AddStream(id.c_str(), small.get());
    }
    AfxFreeEngine();
    tessera::DestroyWindowRecord(window);
    return ok;
  }

  // A frame animation: pack images base + "00".. and their animation rows
  // (delay in ms; the last frame stops the animation when `auto_stop`).
  bool AddAnimation(const char* base, int frames, int delay, int w, int h, bool auto_stop,
                    const std::function<PIXEL(int, int, int)>& paint, int dx = 0) {
    if (!ani_) ani_ = std::make_unique<CPackAniDataBase>(db_.c_str());
    bool ok = true;
    for (int f = 0; f < frames; ++f) {
      char id[16];
      std::snprintf(id, sizeof id, "%.8s%02d", base, f % 100);
      ok &= AddStream(id, Paint(w, h, [&](int x, int y) { return paint(x, y, f); }).get());
      stPackAniInfo row;
      std::snprintf(row.szID, sizeof row.szID, "%.11s", id);
      row.nDelay = delay;
      row.nNumber = frames;
      row.nX = dx;
      row.bAutoStop = auto_stop && f == frames - 1;
      std::snprintf(row.szImageType, sizeof row.szImageType, "RLE");
      if (!ani_->AddAni(row)) ok &= Report(std::string("cannot add the animation row ") + id);
    }
    return ok;
  }

  // An animated GIF (written with giflib) as a pack resource: a flag
  // waving in `frames` frames, 100 ms each, looping.
  bool AddGif(const char* id, int w, int h, int frames) {
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &bytes,
        [](GifFileType* g, const GifByteType* data, int n) {
          static_cast<std::string*>(g->UserData)
              ->append(reinterpret_cast<const char*>(data), static_cast<size_t>(n));
          return n;
        },
        &error);
    if (!gif) return Report(std::string(id) + ": giflib cannot start");
    GifColorType colours[16] = {};
    for (int i = 0; i < 8; ++i)
      colours[i] = {static_cast<GifByteType>(120 + i * 16), static_cast<GifByteType>(20 + i * 8),
                    30};
    for (int i = 8; i < 16; ++i)
      colours[i] = {240, static_cast<GifByteType>(200 + (i - 8) * 6), 60};
    colours[15] = {255, 0, 255};  // magenta: transparent on screen
    ColorMapObject* map = GifMakeMapObject(16, colours);
    bool ok = map && EGifPutScreenDesc(gif, w, h, 4, 0, map) == GIF_OK;
    EGifSetGifVersion(gif, true);
    const unsigned char loop[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
         EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int f = 0; ok && f < frames; ++f) {
      const unsigned char gce[4] = {0, 10, 0, 0};  // no transparency, 10 hundredths
      ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) == GIF_OK &&
           EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
      for (int y = 0; ok && y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const double wave = std::sin((x * 0.25) - f * (2 * M_PI / frames)) * 4 * x / w;
          const int top = 6 + static_cast<int>(wave), bottom = h - 10 + static_cast<int>(wave);
          GifPixelType c = 15;
          if (x < 3)
            c = 2;  // the pole
          else if (y >= top && y < bottom)
            c = static_cast<GifPixelType>(((y - top) * 2 / std::max(1, bottom - top) ? 8 : 0) + 3 +
                                          (x + f) % 4);
          line[static_cast<size_t>(x)] = c;
        }
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
      }
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (!ok) return Report(std::string(id) + ": giflib cannot write");
    return Add(id, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }

  int added() const { return added_; }

 private:
  static std::vector<uint8_t> Header(int w, int h) {
    return {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(h),
            static_cast<uint8_t>(h >> 8)};
  }

  bool Add(const char* id, std::vector<uint8_t> bytes) {
    if (!res_->AddDataToPack(bytes.data(), static_cast<long>(bytes.size()), id, kPack, "demo"))
      return Report(std::string("cannot add ") + id);
    ++added_;
    return true;
  }

  bool Report(const std::string& what) {
    Fail(kProgram, what);
    return false;
  }

  std::string root_;
  std::string db_;
  std::unique_ptr<CRes> res_;
  std::unique_ptr<CPackAniDataBase> ani_;
  int added_ = 0;
  int maps_ = 0;
};

bool Build(Builder& b, const std::string& maps, const std::string& tool) {
  if (!b.Create()) return false;
  bool ok = true;
  // The title picture, and the mouse cursor (run-length frames, plain
  // shadows).
  ok &= b.AddStream("title00000", Paint(800, 600, TitlePixel).get());
  for (int f = 0; f < 18; ++f) {
    char id[16];
    std::snprintf(id, sizeof id, "MOUSE000%02d", f % 100);
    const bool pressed = f == 15, shadow = f >= 16;
    ok &= b.AddStream(id, Paint(16, 24, [&](int x, int y) {
                            return CursorPixel(x, y, f, pressed, shadow);
                          }).get());
  }
  // Buttons: the title menu's planks, the small buttons of the game's
  // menu bar and list rows, the answer selector's buttons.
  auto looks = [&](const char* base, int w, int h, int hue) {
    for (int look = 0; look < 4; ++look) {
      char id[16];
      std::snprintf(id, sizeof id, "%.9s%d", base, look);
      ok &= b.AddStream(
          id, Paint(w, h, [=](int x, int y) { return PlankPixel(x, y, w, h, look, hue); }).get());
    }
  };
  looks("BTNTITLEA", 180, 40, 0);
  looks("BTNSMALLA", 72, 26, 1);
  looks("LISTROWAA", 150, 22, 2);
  looks("QSELECTXA", 120, 26, 1);
  for (const char* base : {"QSELECTAA", "QSELECTBA", "QSELECTCA", "QSELECTDA"})
    looks(base, 120, 26, 2);
  for (const char* base : {"ANSWERAAA", "ANSWERBAA", "ANSWERCAA", "ANSWERDAA"})
    looks(base, 300, 26, 0);
  // Panels: the conversation, the answer panel, the list, the chat line.
  ok &= b.AddStream("talkpanel0",
                    Paint(520, 120, [](int x, int y) { return PanelPixel(x, y, 520, 120); }).get());
  ok &= b.AddStream("answerback",
                    Paint(320, 70, [](int x, int y) { return PanelPixel(x, y, 320, 70); }).get());
  ok &= b.AddStream("LISTBACK00",
                    Paint(170, 150, [](int x, int y) { return PanelPixel(x, y, 170, 150); }).get());
  ok &= b.AddStream("hudpanel00",
                    Paint(800, 40, [](int x, int y) { return PanelPixel(x, y, 800, 40); }).get());
  ok &= b.AddStream("pwEditBack",
                    Paint(496, 30, [](int x, int y) { return PanelPixel(x, y, 496, 30); }).get());
  for (int f = 0; f < 3; ++f) {  // the caret, bright to dim
    char id[16];
    std::snprintf(id, sizeof id, "EditCurs0%d", f);
    ok &= b.AddStream(id, Paint(2, 14, [f](int, int) {
                            return Rgb(255 - f * 60, 255 - f * 60, 255 - f * 40);
                          }).get());
  }
  // Speech bubble frames for texts of growing length: 2 lines of 8
  // characters, then 2 to 6 lines of 14, 13 pixels a line.
  const int bubble[6][2] = {{64, 40}, {100, 40}, {100, 53}, {100, 66}, {100, 79}, {100, 92}};
  for (int i = 0; i < 6; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "PPlyDlg%03d", i);
    const int w = bubble[i][0], h = bubble[i][1];
    ok &= b.AddStream(id,
                      Paint(128, 120, [=](int x, int y) { return BubblePixel(x, y, w, h); }).get());
  }
  // The life gauge: 40 bar images (the most it takes), its frame behind.
  for (int f = 0; f < 40; ++f) {
    char id[16];
    std::snprintf(id, sizeof id, "LIFEBAR0%02d", f);
    ok &= b.AddStream(id, Paint(120, 12, [=](int x, int y) { return BarPixel(x, y, f); }).get());
  }
  ok &= b.AddStream("LIFEBACK00", Paint(122, 14, [](int x, int y) {
                                    return (x == 0 || y == 0 || x == 121 || y == 13)
                                               ? Rgb(230, 200, 120)
                                               : Rgb(40, 10, 10);
                                  }).get());
  // Goods and their icons.
  ok &= b.AddStream("pendant000",
                    Paint(32, 32, [](int x, int y) { return GoodsPixel(1, x, y); }).get());
  ok &= b.AddStream("apple00000",
                    Paint(32, 32, [](int x, int y) { return GoodsPixel(2, x, y); }).get());
  ok &= b.AddStream("letter0000",
                    Paint(32, 32, [](int x, int y) { return GoodsPixel(3, x, y); }).get());
  // Animations: birds crossing the sky, the sparkle at a click (stops by
  // itself), and a flag as an animated GIF.
  ok &= b.AddAnimation("birdfly0", 4, 120, 32, 24, false, BirdPixel, 3);
  ok &= b.AddAnimation("sparkle0", 6, 60, 32, 32, true, SparklePixel);
  ok &= b.AddGif("flaggif000", 48, 40, 8);
  // Goods pictures named by the maps' objects, and the leaves that drift
  // over the village.
  ok &= b.AddStream("signpost00", Paint(32, 32, SignpostPixel).get());
  for (int f = 0; f < 4; ++f) {
    char id[16];
    std::snprintf(id, sizeof id, "torchani%02d", f);
    ok &= b.AddStream(id, Paint(32, 32, [f](int x, int y) { return TorchPixel(x, y, f); }).get());
  }
  for (auto& p :
       tessera::tools::PaintParticlePictures("leaves00", tessera::tools::ParticleKind::kLeaves))
    ok &= b.AddStream(p.id.c_str(), p.image.get());
  // The walking characters' equipment: "d k s rr p ii ff" (direction, kind
  // 1 picture / 2 tint, state, role, part, item, frame).
  for (int part = 0; part < kFigureParts; ++part)
    for (int state = 0; state < 2; ++state)
      for (int d = 0; d < 8; ++d)
        for (int f = 0; f < 4; ++f)
          for (int kind = 1; kind <= 2; ++kind) {
            char id[16];
            std::snprintf(id, sizeof id, "%d%d%d00%d00%02d", d, kind, state, part, f);
            const bool tinted = part == kShirt || part == kHat;
            ok &= b.AddDle(
                id, 224, 224,
                [=](int x, int y) { return FigurePixel(part, d, state, f, x, y).colour; },
                [=](int x, int y) {
                  return kind == 2 && !tinted ? 0 : FigurePixel(part, d, state, f, x, y).opacity;
                });
          }
  ok &= b.WriteSounds();
  if (ok && !maps.empty())
    ok &= b.ImportMaps(maps, tool) &&
          b.AddSmallMaps({{"village", "smallvil00"}, {"house", "smallhou00"}}, 169, 127);
  return ok;
}

// The folder this program was started from (the map tool is built beside
// it).
std::string OwnFolder() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : self.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = tessera::tools::Args(argc, argv);
  static const char kUsage[] =
      "usage: tessera-demo-data FOLDER [--maps DIR] [--map-tool PATH] | --tileset FILE\n";
  static const char kHelp[] =
      "Usage: tessera-demo-data FOLDER [--maps DIR] [--map-tool PATH]\n"
      "       tessera-demo-data --tileset FILE\n"
      "Builds the sample game's data set in FOLDER: databases, pack, sounds, and the\n"
      "Tiled maps of DIR imported with the map tool (PATH, by default tessera-map\n"
      "beside this program).  --tileset paints the maps' tileset picture into FILE\n"
      "(PNG).  Options: --help, --version.  Exit status 0 done, 1 failure, 2 usage\n"
      "error.\n";
  if (int rc = tessera::tools::HelpOrVersion(args, kProgram, kHelp); rc >= 0) return rc;
  if (!args.empty() && args[0] == "--tileset") {
    if (args.size() != 2)
      return tessera::tools::UsageError(kProgram, kUsage, "--tileset needs FILE");
    auto tiles = PaintTileset();
    std::vector<uint16_t> pixels;
    for (int y = 0; y < tiles->GetHeight(); ++y)
      for (int x = 0; x < tiles->GetWidth(); ++x)
        pixels.push_back(tiles->GetPixel(x, y).GetColor());
    if (!tessera::WritePng555(args[1], pixels.data(), tiles->GetWidth(), tiles->GetHeight(),
                              tiles->GetWidth() * 2))
      return Fail(kProgram, args[1] + ": cannot write");
    return 0;
  }
  std::string folder, maps, tool = OwnFolder() + "/tessera-map";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--maps" || args[i] == "--map-tool") {
      if (i + 1 >= args.size())
        return tessera::tools::UsageError(kProgram, kUsage, args[i] + " needs a value");
      (args[i] == "--maps" ? maps : tool) = args[i + 1];
      ++i;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      // An option that is not one is refused rather than made into a folder.
      return tessera::tools::UsageError(kProgram, kUsage, "unknown option " + args[i]);
    } else if (folder.empty()) {
      folder = args[i];
    } else {
      return tessera::tools::UsageError(kProgram, kUsage, "one FOLDER only");
    }
  }
  if (folder.empty()) return tessera::tools::UsageError(kProgram, kUsage, "no FOLDER");
  tessera::tools::UseToolMessages(kProgram);
  Builder builder(folder);
  const bool ok = Build(builder, maps, tool);
  AfxReleaseDataBase(nullptr);
  if (!ok) return 1;
  std::printf("%s: %d images, %d maps, sounds and tunes in %s\n", kProgram, builder.added(),
              builder.maps(), folder.c_str());
  return 0;
}
