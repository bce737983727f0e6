#include "engine/surface_kinds.h"

#include "engine/alpha_surface.h"
#include "engine/dib_surface.h"
#include "engine/double_alpha_surface.h"
#include "engine/rle_mask_surface.h"
#include "engine/rle_surface.h"
#include "engine/view_manage.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace tessera {

SURFACE* NewPlainSurface(int w, int h) {
  if (CVIEWMANAGE* vm = AfxGetViewManager()) return vm->CreateSurface(w, h, SS_DIB);
  auto* s = new DIBSURFACE(w, h);
  s->Initialize();
  return s;
}

void FillKey(SURFACE* s) {
  DRAW_FX fx;
  fx.kind = FX_FILL;
  fx.colour = COLOR_KEY;
  s->Blit(s, 0, 0, fx);
}

void PutAlpha(SURFACE* s, int x, int y, char opacity) {
  if (auto* alpha = dynamic_cast<ALPHASURFACE*>(s)) alpha->PutAlphaPixel(x, y, opacity);
}

SURFACE* EncodeRuns(CVIEWMANAGE* vm, SURFACE* plain, SURFACE_STYLE style) {
  if (!plain || (style != SS_RLE && style != SS_RLEMASK)) return nullptr;
  SURFACE* s = vm->CreateSurface(plain->GetWidth(), plain->GetHeight(), style);
  if (!s) return nullptr;
  const int built = style == SS_RLE ? static_cast<RLESURFACE*>(s)->Initialize(plain)
                                    : static_cast<RLEMASKSURFACE*>(s)->Initialize(plain);
  if (!built) {
    delete s;
    return nullptr;
  }
  return s;
}

}  // namespace tessera

SURFACE* CVIEWMANAGE::CreateSurface(int width, int height, SURFACE_STYLE style) {
  SURFACE* s = nullptr;
  switch (style) {
    case SS_DIB:
      s = new DIBSURFACE(width, height);
      break;
    case SS_RLE:
      s = new RLESURFACE(width, height);
      break;
    case SS_ALPHA:
      s = new ALPHASURFACE(width, height);
      break;
    case SS_RLEMASK:
      s = new RLEMASKSURFACE(width, height);
      break;
    case SS_DOUBLEALPHA:
      s = new DOUBLEALPHASURFACE(width, height);
      break;
    default:
      return nullptr;
  }
  if (!s->Initialize()) DebugOut("Can't create surface", __FILE__, __LINE__);
  s->SetOwner(this);
  return s;
}
