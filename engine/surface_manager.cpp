#include "engine/surface_manager.h"

#include <cstring>

#include "engine/view_manage.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

namespace {
constexpr size_t kMaxName = 128;
bool ValidName(const char* name) {
  if (!name || !*name) return false;
  return strnlen(name, kMaxName + 1) <= kMaxName;
}
}  // namespace

CSurfaceManager::~CSurfaceManager() {
  for (Record& r : m_Records) delete r.surface;
  m_Records.clear();
}

SURFACE* CSurfaceManager::CreateSurface(const char* name, unsigned long style, bool file) {
  if (!ValidName(name)) return nullptr;
  for (Record& r : m_Records) {
    if (r.name == name) {
      ++r.references;
      return r.surface;
    }
  }
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (!vm) return nullptr;
  // The loaders take writable names; give them a copy.
  char buffer[kMaxName + 1];
  std::strcpy(buffer, name);
  SURFACE* s;
  if (!file)
    s = vm->CreateSurface(buffer, static_cast<SURFACE_STYLE>(style), false, false);
  else if (style == SS_PSDALPHA)
    s = vm->CreateSurfaceFromPSD(buffer, SS_ALPHA);
  else if (style == SS_DLE)
    s = vm->CreateSurfaceFromDLE(buffer);
  else
    s = vm->LoadBMP(buffer, static_cast<SURFACE_STYLE>(style));
  if (!s) return nullptr;
  m_Records.push_back(Record{s, name, 1});
  return s;
}

bool CSurfaceManager::Release(std::list<Record>::iterator it) {
  if (it->references > 1) {
    --it->references;
    return false;
  }
  delete it->surface;
  m_Records.erase(it);
  return true;
}

bool CSurfaceManager::DeleteSurface(const char* name) {
  if (!ValidName(name)) return false;
  for (auto it = m_Records.begin(); it != m_Records.end(); ++it)
    if (it->name == name) return Release(it);
  return false;
}

bool CSurfaceManager::DeleteSurface(SURFACE* surface) {
  if (!surface) return false;
  for (auto it = m_Records.begin(); it != m_Records.end(); ++it)
    if (it->surface == surface) return Release(it);
  return false;
}

bool CSurfaceManager::IsHaveSurface(SURFACE* surface) {
  for (const Record& r : m_Records)
    if (r.surface == surface) return true;
  return false;
}

namespace tessera {

int CachedCount(const CSurfaceManager& cache, const char* name) {
  if (!name) return 0;
  for (const CSurfaceManager::Record& r : cache.m_Records)
    if (r.name == name) return r.references;
  return 0;
}

size_t CachedNames(const CSurfaceManager& cache) { return cache.m_Records.size(); }

CSurfaceManager& GetSurfaceManager() {
  static CSurfaceManager cache;
  return cache;
}

void ResetSurfaceCacheForTests() {
  CSurfaceManager& cache = GetSurfaceManager();
  CSurfaceManager old(cache);  // takes the surfaces and destroys them
  cache = CSurfaceManager();
}

}  // namespace tessera
