#include "gui/map/equip_pool.h"

#include <cstdio>
#include <cstring>

#include "engine/alpha_surface.h"
#include "engine/dle_surface.h"
#include "engine/view_manage.h"
#include "public/engine.h"

std::list<stEquipSurface> CEquipPool::s_EquipSurfaceList;
SURFACE*** CEquipPool::s_pLastSurface = nullptr;
long CEquipPool::s_nGeneration = 0;

namespace {
constexpr int kDirections = 8;

long Wrap(long v, long m) { return ((v % m) + m) % m; }

SURFACE*** NewArray(int slots) {
  auto** a = new SURFACE**[kDirections];
  for (int d = 0; d < kDirections; ++d) a[d] = new SURFACE*[slots > 0 ? slots : 1]();
  return a;
}

// The surfaces are deleted directly rather than through the display
// manager: an entry may outlive it (the map manager releases the pool at
// process exit), and nothing else holds them.
void FreeArray(SURFACE*** a, int slots) {
  if (!a) return;
  for (int d = 0; d < kDirections; ++d) {
    for (int f = 0; f < slots; ++f) delete a[d][f];
    delete[] a[d];
  }
  delete[] a;
}

int Blue(SURFACE* shape, int x, int y) {
  if (x >= shape->GetWidth() || y >= shape->GetHeight()) return 0;
  return shape->GetPixel(x, y).GetBlue();
}
}  // namespace

namespace tessera {
void EquipPictureId(char* id, long direction, int kind, long state, long role, long part, long item,
                    long frame) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%1ld%1ld%1ld%02ld%1ld%02ld%02ld", Wrap(direction, 10),
                Wrap(kind, 10), Wrap(state, 10), Wrap(role, 100), Wrap(part, 10), Wrap(item, 100),
                Wrap(frame, 100));
  std::memcpy(id, buffer, 11);  // every value was wrapped to its width: ten digits and the NUL
}
}  // namespace tessera

stEquipSurface* CEquipPool::Find(long role, long state, long item, long part) {
  for (auto& e : s_EquipSurfaceList)
    if (e.m_nRole == role && e.m_nItem == item && e.m_nState == state && e.m_nPart == part)
      return &e;
  return nullptr;
}

bool CEquipPool::CreateEquip(long role, long state, long item, long part, int frames) {
  if (stEquipSurface* e = Find(role, state, item, part)) {
    ++e->m_nRefCount;
    return true;
  }
  s_EquipSurfaceList.emplace_back();
  stEquipSurface& e = s_EquipSurfaceList.back();
  e.m_nRole = static_cast<int32_t>(role);
  e.m_nItem = static_cast<int32_t>(item);
  e.m_nState = static_cast<int32_t>(state);
  e.m_nPart = static_cast<int32_t>(part);
  e.m_nFrameNum = frames > 0 ? frames : 0;
  e.m_nCapacity = e.m_nFrameNum;
  e.m_nRefCount = 1;
  e.m_pSurface = LoadEquipToSurface(e, 1);
  e.m_pAlphaSurface = LoadEquipToSurface(e, 2);
  return true;
}

SURFACE*** CEquipPool::GetSurfaceArray(long role, long state, long item, long part, long& frames) {
  stEquipSurface* e = Find(role, state, item, part);
  frames = e ? e->m_nFrameNum : 0;
  return e ? e->m_pSurface : nullptr;
}

SURFACE*** CEquipPool::GetAlphaSurfaceArray(long role, long state, long item, long part,
                                            long& frames) {
  stEquipSurface* e = Find(role, state, item, part);
  frames = e ? e->m_nFrameNum : 0;
  return e ? e->m_pAlphaSurface : nullptr;
}

long CEquipPool::GetRefCount(long role, long state, long item, long part) {
  stEquipSurface* e = Find(role, state, item, part);
  return e ? e->m_nRefCount : 0;
}

void CEquipPool::FreeEntry(stEquipSurface& e) {
  if (s_pLastSurface == e.m_pSurface) s_pLastSurface = nullptr;
  FreeArray(e.m_pSurface, e.m_nCapacity);
  FreeArray(e.m_pAlphaSurface, e.m_nCapacity);
  e.m_pSurface = e.m_pAlphaSurface = nullptr;
}

bool CEquipPool::DeleteEquip(long role, long state, long item, long part) {
  for (auto it = s_EquipSurfaceList.begin(); it != s_EquipSurfaceList.end(); ++it) {
    if (it->m_nRole != role || it->m_nItem != item || it->m_nState != state || it->m_nPart != part)
      continue;
    if (--it->m_nRefCount <= 0) {
      FreeEntry(*it);
      s_EquipSurfaceList.erase(it);
    }
    return true;
  }
  return false;
}

void CEquipPool::ReleaseAll() {
  for (auto& e : s_EquipSurfaceList) FreeEntry(e);
  s_EquipSurfaceList.clear();
  s_pLastSurface = nullptr;
  ++s_nGeneration;
}

SURFACE*** CEquipPool::LoadEquipToSurface(stEquipSurface& e, int kind) {
  SURFACE*** a = NewArray(e.m_nCapacity);
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (kind == 1) s_pLastSurface = a;
  char id[16];
  for (int d = 0; d < kDirections; ++d) {
    for (int f = 0; f < e.m_nFrameNum; ++f) {
      tessera::EquipPictureId(id, d, kind, e.m_nState, e.m_nRole, e.m_nPart, e.m_nItem, f);
      SURFACE* s = vm ? vm->CreateSurfaceFromDLE(id) : nullptr;
      a[d][f] = s;
      if (kind == 1) {
        // The shortest direction sets the count for all eight.
        if (!s) {
          e.m_nFrameNum = f;
          break;
        }
      } else if (s && s_pLastSurface && s_pLastSurface[d][f]) {
        MixToAlphaSurface(s_pLastSurface[d][f], s);
      }
    }
  }
  return a;
}

void CEquipPool::MixToAlphaSurface(SURFACE* shape, SURFACE* target) {
  if (!shape || !target) return;
  const int w = target->GetWidth(), h = target->GetHeight();
  if (target->GetStyle() == SS_ALPHA) {
    auto* t = static_cast<ALPHASURFACE*>(target);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (t->GetAlphaPixel(x, y) != 32)
          t->PutAlphaPixel(x, y, static_cast<char>(Blue(shape, x, y)));
  } else if (target->GetStyle() == SS_DLE) {
    auto* t = static_cast<DLESURFACE*>(target);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (t->GetAlphaPixel(x, y) != 32)
          t->PutAlphaPixel(x, y, static_cast<unsigned char>(32 - Blue(shape, x, y)));
  }
}
