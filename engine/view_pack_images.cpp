// CVIEWMANAGE: surfaces from pack resources.
#include "engine/view_manage.h"

SURFACE* CVIEWMANAGE::LoadPackImage(char*, SURFACE_STYLE) { return nullptr; }
SURFACE* CVIEWMANAGE::CreateSurfaceFromPSD(char*, SURFACE_STYLE) { return nullptr; }
SURFACE* CVIEWMANAGE::CreateSurfaceFromDLE(char*) { return nullptr; }
