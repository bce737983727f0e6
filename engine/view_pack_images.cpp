// CVIEWMANAGE: surfaces from pack resources.
//
// A pack image record is two little-endian 16-bit values, width (1-8000)
// and height (1-6000), and a packed image stream; layered images (styles 4
// and 5) and packed alpha images (style 7) have their own formats.  Every
// reader is bounded by the resource's length: a stream that runs past it is
// bad input and gives null.
#include <cstring>
#include <memory>
#include <string>

#include "engine/alpha_surface.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_mask_surface.h"
#include "engine/rle_surface.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "pack/res.h"

namespace {

// A resource's bytes, freed with the object.
struct Resource {
  unsigned char* data = nullptr;
  size_t size = 0;
  ~Resource() { delete[] data; }
};

bool LoadResource(CRes* res, const char* id, Resource* out) {
  if (!res || !id) return false;
  const int n = res->LoadData(out->data, id);
  if (n <= 0) {
    out->data = nullptr;
    return false;
  }
  out->size = static_cast<size_t>(n - 1);
  return true;
}

// Width and height of a pack image record, when both are in range.
bool RecordSize(const uint8_t* data, size_t size, int* w, int* h) {
  if (size < 4) return false;
  *w = tessera::LoadLittle16(data);
  *h = tessera::LoadLittle16(data + 2);
  return *w >= 1 && *w <= 8000 && *h >= 1 && *h <= 6000;
}

// A packed alpha surface of `vm` from a whole packed alpha image.
SURFACE* PackedAlpha(CVIEWMANAGE* vm, const Resource& r) {
  DLESURFACE* s = tessera::LoadDleSurface(r.data, r.size);
  if (s) s->SetOwner(vm);
  return s;
}

}  // namespace

namespace tessera {

SURFACE* DecodePackImageRecord(CVIEWMANAGE* vm, const uint8_t* data, size_t size,
                               SURFACE_STYLE style) {
  int w = 0, h = 0;
  if (!RecordSize(data, size, &w, &h)) return nullptr;
  const uint8_t* stream = data + 4;
  const size_t stream_size = size - 4;
  switch (style) {
    case SS_DIB: {
      SURFACE* s = vm->CreateSurface(w, h, SS_DIB);
      if (!DecodePackedStream(stream, stream_size, s)) {
        delete s;
        return nullptr;
      }
      return s;
    }
    case SS_RLE: {
      auto* s = static_cast<RLESURFACE*>(vm->CreateSurface(w, h, SS_RLE));
      if (!s->Initialize(stream, stream_size)) {
        delete s;
        return nullptr;
      }
      return s;
    }
    case SS_RLEMASK: {
      std::unique_ptr<SURFACE> plain(vm->CreateSurface(w, h, SS_DIB));
      if (!DecodePackedStream(stream, stream_size, plain.get())) return nullptr;
      auto* mask = static_cast<RLEMASKSURFACE*>(vm->CreateSurface(w, h, SS_RLEMASK));
      if (!mask->Initialize(plain.get())) {
        delete mask;
        return nullptr;
      }
      return mask;
    }
    default:
      return nullptr;
  }
}

}  // namespace tessera

SURFACE* CVIEWMANAGE::LoadPackImage(char* id, SURFACE_STYLE style) {
  Resource r;
  if (!LoadResource(m_pRes, id, &r)) return nullptr;
  if (style == SS_PSDALPHA) return LoadPSD(r.data, r.size, SS_ALPHA);
  if (style == SS_DOUBLEALPHA) return LoadPSD(r.data, r.size, SS_DOUBLEALPHA);
  if (style == SS_DLE) return PackedAlpha(this, r);
  if (style == SS_DIB || style == SS_RLE || style == SS_RLEMASK)
    return tessera::DecodePackImageRecord(this, r.data, r.size, style);
  int w = 0, h = 0;
  if (!RecordSize(r.data, r.size, &w, &h)) return nullptr;
  const uint8_t* stream = r.data + 4;
  const size_t stream_size = r.size - 4;
  switch (style) {
    case SS_ALPHA: {
      SURFACE* s = CreateSurface(w, h, SS_ALPHA);
      std::string companion(id);
      companion[0] = 'A';
      if (!tessera::DecodePackedStream(stream, stream_size, s) ||
          !LoadOpacityFromPack(s, companion.data())) {
        delete s;
        return nullptr;
      }
      return s;
    }
    case SS_ALPHAONLY: {
      SURFACE* s = CreateSurface(w, h, SS_ALPHA);
      // The colour plane is not loaded; it is set to black so that a blit
      // of the surface is the same every time.
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s->SetPixel(x, y, PIXEL(static_cast<unsigned short>(0)));
      if (!LoadOpacityFromPack(s, id)) {
        delete s;
        return nullptr;
      }
      return s;
    }
    default:
      return nullptr;
  }
}

bool CVIEWMANAGE::LoadOpacityFromPack(SURFACE* alpha, char* id) {
  std::unique_ptr<SURFACE> helper(LoadPackImage(id, SS_DIB));
  if (!helper) return false;
  auto* a = static_cast<ALPHASURFACE*>(alpha);
  for (int y = 0; y < a->GetHeight(); ++y)
    for (int x = 0; x < a->GetWidth(); ++x)
      a->PutAlphaPixel(x, y, static_cast<char>(helper->GetPixel(x, y).GetBlue()));
  return true;
}

SURFACE* CVIEWMANAGE::CreateSurfaceFromPSD(char* id, SURFACE_STYLE style) {
  Resource r;
  if (!LoadResource(m_pRes, id, &r)) return nullptr;
  return LoadPSD(r.data, r.size, style);
}

SURFACE* CVIEWMANAGE::CreateSurfaceFromDLE(char* id) {
  Resource r;
  if (!LoadResource(m_pRes, id, &r)) return nullptr;
  return PackedAlpha(this, r);
}
