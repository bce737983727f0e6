#include "demo/village_scene.h"

#include <cstdio>
#include <cstring>

#include "engine/alpha_surface.h"
#include "engine/dib_surface.h"
#include "engine/view_manage.h"

namespace demo {

namespace {

PIXEL Rgb(int r, int g, int b) {
  return PIXEL(static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b));
}

void Fill(DIBSURFACE* frame, int x, int y, int w, int h, PIXEL colour) {
  DRAW_FX fx;
  fx.kind = FX_RECTFILL;
  fx.width = w;
  fx.height = h;
  fx.colour = colour;
  frame->Blit(frame, x, y, fx);
}

// Draws GBK text at the given size; the size stays selected afterwards.
void Text(CVIEWMANAGE* vm, DIBSURFACE* frame, int x, int y, FONTSIZE size, PIXEL colour, const char* gbk) {
  vm->SetFontSize(size);
  std::string copy(gbk);
  frame->DrawTextA(x, y, colour, copy.data());
}

}  // namespace

SURFACE* VillageScene::Get(const char* id, SURFACE_STYLE style) {
  std::string name(id);
  SURFACE* s = vm_->CreateSurface(name.data(), style, false, false);
  if (s) loaded_.push_back(s);
  return s;
}

bool VillageScene::Load(CVIEWMANAGE* vm, std::string* error) {
  vm_ = vm;
  struct Want {
    SURFACE** slot;
    const char* id;
    SURFACE_STYLE style;
  };
  std::vector<Want> wants = {
      {&grass_, "grass00000", SS_DIB},     {&road_, "road000000", SS_DIB},
      {&sign_, "sign000000", SS_DIB},      {&ghost_, "ghost00000", SS_ALPHA},
      {&plate_, "plate00000", SS_RLEMASK}, {&fog_, "fog0000000", SS_ALPHAONLY},
      {&lamp_, "lamp000000", SS_DLE},      {&banner_, "banner0000", SS_PSDALPHA},
      {&flag_, "flag000000", SS_DOUBLEALPHA},
  };
  char ids[8][11];  // the frame identifiers, used while loading
  for (int f = 0; f < 4; ++f) {
    std::snprintf(ids[f], sizeof ids[f], "hero%06d", f);
    std::snprintf(ids[4 + f], sizeof ids[4 + f], "elder%05d", f);
    wants.push_back({&hero_[f], ids[f], SS_RLE});
    wants.push_back({&elder_[f], ids[4 + f], SS_RLE});
  }
  for (const Want& w : wants) {
    *w.slot = Get(w.id, w.style);
    if (!*w.slot) {
      *error = std::string("cannot load ") + w.id;
      return false;
    }
  }
  // The fog carries only an opacity: give it a colour.
  static_cast<ALPHASURFACE*>(fog_)->FillRect(0, 0, 0, 0, Rgb(235, 235, 245));
  // The sign is drawn through the plate's outline.
  sign_->SetAttachedSurface(plate_, SF_MASK);
  return true;
}

VillageScene::~VillageScene() {
  for (SURFACE* s : loaded_) vm_->DeleteSurface(s);
}

void VillageScene::Click(int x, int y, int tick) { ripples_.push_back({x, y, tick}); }

void VillageScene::Draw(DIBSURFACE* frame, int tick) {
  // Ground: grass tiles with a road across (plain part copies).
  for (int y = 0; y < 600; y += 32)
    for (int x = 0; x < 800; x += 32) ((y >= 256 && y < 320) ? road_ : grass_)->Blit(frame, 0, 0, x, y, 32, 32);

  // Signs: through the plate mask, as a mosaic that sharpens, mirrored,
  // rotating.
  DRAW_FX fx;
  fx.kind = FX_MASK;
  sign_->Blit(frame, 40, 150, fx);
  fx.kind = FX_MOSAIC;
  fx.size = 12 - (tick / 8) % 12;
  sign_->Blit(frame, 160, 150, fx);
  fx.kind = FX_MIRROR;
  sign_->Blit(frame, 280, 150, fx);
  fx.kind = FX_ROTATE;
  fx.angle = 0.04f * static_cast<float>(tick);
  sign_->Blit(frame, 420, 150, fx);

  // The villagers walk the road (run-length sprites), the ghost fades
  // (alpha surface), a translucent villager stands by.
  const int step = tick % 4;
  const int walk = (tick * 5) % 940 - 70;
  hero_[step]->Blit(frame, walk, 248);
  elder_[step]->Blit(frame, 760 - walk, 262);
  ghost_->Blit(frame, 600, 360);
  fx.kind = FX_TRANS;
  fx.level = 8 + (tick % 48 < 24 ? tick % 24 : 23 - tick % 24);
  elder_[0]->Blit(frame, 680, 360, fx);

  // Evening light: the lamp glow (packed alpha), the banner and the flag
  // (layered images), the drifting fog (alpha only).
  lamp_->Blit(frame, 520, 340);
  banner_->Blit(frame, 40, 40);
  flag_->Blit(frame, 200, 30);
  fx.kind = FX_SECONDALPHA;
  flag_->Blit(frame, 280, 30, fx);
  fog_->Blit(frame, (tick * 2) % 900 - 160, 440);

  // Ripples where the player clicked.
  for (const Ripple& r : ripples_) {
    const int age = tick - r.tick;
    if (age < 0 || age > 20) continue;
    const int s = 4 + age * 2;
    Fill(frame, r.x - s, r.y - 1, 2 * s, 2, Rgb(255, 255, 255));
    Fill(frame, r.x - 1, r.y - s, 2, 2 * s, Rgb(255, 255, 255));
  }

  // Text in the three sizes, Chinese and ASCII, on a panel.
  Fill(frame, 20, 470, 480, 118, Rgb(24, 24, 48));
  Text(vm_, frame, 32, 478, FONT_24, Rgb(255, 230, 120), "\xB4\xE5\xD7\xAF Tessera");       // 村庄
  Text(vm_, frame, 32, 512, FONT_16, Rgb(255, 255, 255),
       "\xBB\xB6\xD3\xAD\xC0\xB4\xB5\xBD\xD0\xA1\xB4\xE5\xA3\xA1 Welcome to the village!");  // 欢迎来到小村！
  char line[64];
  std::snprintf(line, sizeof line, "frame %d  \xB5\xE3\xBB\xF7 %zu", tick, ripples_.size());  // 点击
  Text(vm_, frame, 32, 544, FONT_12, Rgb(180, 220, 255), line);
  Text(vm_, frame, 32, 564, FONT_12, Rgb(180, 180, 180),
       "\xB1\xE0\xBC\xAD\xCE\xC4\xD7\xD6 12 / 16 / 24");  // 编辑文字
}

}  // namespace demo
