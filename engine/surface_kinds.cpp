#include "engine/surface_kinds.h"

#include "engine/dib_surface.h"
#include "engine/view_manage.h"
#include "public/error_report.h"

namespace tessera {

void PutAlpha(SURFACE*, int, int, char) {}

SURFACE* EncodeRuns(CVIEWMANAGE*, SURFACE*, SURFACE_STYLE) { return nullptr; }

}  // namespace tessera

SURFACE* CVIEWMANAGE::CreateSurface(int width, int height, SURFACE_STYLE style) {
  SURFACE* s = nullptr;
  switch (style) {
    case SS_DIB: s = new DIBSURFACE(width, height); break;
    default: return nullptr;
  }
  if (!s->Initialize()) DebugOut("Can't create surface", __FILE__, __LINE__);
  s->SetOwner(this);
  return s;
}
