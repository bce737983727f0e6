// CSurfaceManager: the cache of named surfaces.
//
// One surface per name (a pack identifier or a bitmap file path, compared
// byte for byte), with a count of the requests not yet released.  The
// second request for a name returns the surface already loaded; the surface
// is destroyed when its last user releases it.  The display manager uses the
// one process-wide instance (GetSurfaceManager) for CreateSurface with the
// cached flag and for DeleteSurface.
#ifndef TESSERA_ENGINE_SURFACE_MANAGER_H
#define TESSERA_ENGINE_SURFACE_MANAGER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <list>
#include <string>

#include "engine/surface.h"

class CSurfaceManager;

namespace tessera {
// The count of a name (0 when it is not cached) and the number of records.
int CachedCount(const CSurfaceManager& cache, const char* name);
size_t CachedNames(const CSurfaceManager& cache);
}  // namespace tessera

class CSurfaceManager {
 public:
  CSurfaceManager() = default;
  // Destroys every cached surface whatever its count.
  virtual ~CSurfaceManager();
  // Copies share the surfaces; the engine never copies a cache.
  CSurfaceManager(const CSurfaceManager&) = default;
  CSurfaceManager& operator=(const CSurfaceManager&) = default;

  // The surface of `name`, loaded through the current display manager on
  // the first request: by pack identifier when `file` is false; when true,
  // style 4 as a layered image resource (into an alpha surface), style 7 as
  // a packed alpha resource, any other style as a bitmap file path.  Names
  // that are empty or longer than 128 characters, and failed loads, give
  // null and record nothing.
  SURFACE* CreateSurface(const char* name, unsigned long style, bool file);
  // Release by name or by surface: false when unknown, or when the count was
  // above 1 (it is decreased); true when the surface was destroyed.
  bool DeleteSurface(const char* name);
  bool DeleteSurface(SURFACE* surface);
  bool IsHaveSurface(SURFACE* surface);

  friend int tessera::CachedCount(const CSurfaceManager& cache, const char* name);
  friend size_t tessera::CachedNames(const CSurfaceManager& cache);

 private:
  struct Record {
    SURFACE* surface;
    std::string name;
    int references;
  };
  bool Release(std::list<Record>::iterator it);

  std::list<Record> m_Records;  // in insertion order
};

namespace tessera {
// The display manager's process-wide cache.
CSurfaceManager& GetSurfaceManager();
}  // namespace tessera

#pragma GCC visibility pop
#endif
