#include "demo/showcase.h"

#include <cmath>
#include <memory>

#include "engine/pixel_block.h"

namespace demo {

namespace {

PIXEL Rgb(int r, int g, int b) {
  return PIXEL(static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b));
}

// A village tile: grass with darker tufts, painted by code.
std::unique_ptr<DIBSURFACE> PaintGrassTile() {
  auto tile = std::make_unique<DIBSURFACE>(32, 32);
  tile->Initialize();
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int n = (x * 7 + y * 13 + (x * y) % 5) % 17;
      tile->SetPixel(x, y, n < 3 ? Rgb(40, 120, 40) : Rgb(70, 160 + n, 60));
    }
  return tile;
}

// A character: a keyed 48 x 64 sprite with a head, a robe and a shadow line.
std::unique_ptr<DIBSURFACE> PaintCharacter(int r, int g, int b) {
  auto s = std::make_unique<DIBSURFACE>(48, 64);
  s->Initialize();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 48; ++x) {
      PIXEL p = COLOR_KEY;
      const int hx = x - 24, hy = y - 14;
      if (hx * hx + hy * hy < 100) p = Rgb(240, 200, 160);              // head
      if (hy * hy + hx * hx < 100 && y < 10) p = Rgb(40, 30, 20);       // hair
      if (y >= 24 && y < 60 && std::abs(hx) < 6 + (y - 24) / 3) p = Rgb(r + (x % 4) * 4, g, b);  // robe
      if (y >= 60 && std::abs(hx) < 16) p = Rgb(20, 50, 20);            // shadow
      s->SetPixel(x, y, p);
    }
  return s;
}

// A signboard with stripes, for the rotation, mosaic and mirror effects.
std::unique_ptr<DIBSURFACE> PaintSign() {
  auto s = std::make_unique<DIBSURFACE>(96, 64);
  s->Initialize();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 96; ++x) {
      PIXEL p = Rgb(150 + (y % 8) * 10, 100, 50);
      if (x < 4 || y < 4 || x >= 92 || y >= 60) p = Rgb(80, 50, 20);
      if (y >= 24 && y < 40 && x >= 12 && x < 12 + (x / 12 % 2 ? 70 : 70)) p = Rgb(250, 230, 120);
      if (x >= 60 && x < 84 && y >= 8 && y < 20) p = Rgb(200, 40, 40);
      s->SetPixel(x, y, p);
    }
  return s;
}

}  // namespace

void DrawShowcase(DIBSURFACE* frame, int tick) {
  static auto grass = PaintGrassTile();
  static auto hero = PaintCharacter(60, 90, 200);
  static auto elder = PaintCharacter(180, 60, 60);
  static auto sign = PaintSign();

  // Ground: the tile copied across the frame (part copies).
  for (int y = 0; y < 600; y += 32)
    for (int x = 0; x < 800; x += 32) grass->Blit(frame, 0, 0, x, y, 32, 32);

  // A road: rectangle fills.
  DRAW_FX fill;
  fill.kind = FX_RECTFILL;
  fill.colour = Rgb(170, 140, 90);
  fill.width = 800;
  fill.height = 64;
  frame->Blit(frame, 0, 268, fill);

  // Characters walking along the road (keyed blits), one mirrored.
  const int walk = (tick * 6) % 900 - 50;
  hero->Blit(frame, walk, 236);
  DRAW_FX mirror;
  mirror.kind = FX_MIRROR;
  elder->Blit(frame, 760 - walk, 250, mirror);

  // A ghost at three opacities (translucent blits).
  DRAW_FX trans;
  trans.kind = FX_TRANS;
  for (int i = 0; i < 3; ++i) {
    trans.level = 8 + 8 * i;
    elder->Blit(frame, 40 + 70 * i, 60, trans);
  }

  // The sign: plain, mosaic at two sizes, rotating.
  sign->Blit(frame, 300, 40);
  DRAW_FX mosaic;
  mosaic.kind = FX_MOSAIC;
  mosaic.size = 4;
  sign->Blit(frame, 420, 40, mosaic);
  mosaic.size = 8 + (tick / 10) % 3 * 4;
  sign->Blit(frame, 540, 40, mosaic);
  DRAW_FX rotate;
  rotate.kind = FX_ROTATE;
  rotate.angle = 0.05f * static_cast<float>(tick);
  sign->Blit(frame, 640, 420, rotate);

  // A framed panel at the bottom: a filled box with a translucent shade.
  fill.colour = Rgb(30, 30, 60);
  fill.width = 360;
  fill.height = 120;
  frame->Blit(frame, 20, 460, fill);
  trans.level = 12;
  for (int x = 0; x < 3; ++x) hero->Blit(frame, 40 + x * 100, 490, trans);
}

}  // namespace demo
