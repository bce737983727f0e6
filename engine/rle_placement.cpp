// RLESURFACE::PlaceTogether: several pictures' blocks copied into one
// allocation in drawing order.
//
// A block holds native pointers into itself (its row table), so a copy is
// rebased: each row pointer keeps its offset from the block's start.  The
// blocks keep malloc's 16-byte alignment, which the row moves rely on no
// more than the first placement did.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

#include "engine/rle_layout.h"
#include "engine/rle_surface.h"

namespace {

constexpr size_t kAlign = 16;

size_t Rounded(size_t bytes) { return (bytes + kAlign - 1) / kAlign * kAlign; }

}  // namespace

bool RLESURFACE::PlaceTogether(RLESURFACE* const* pictures, size_t count) {
  std::vector<RLESURFACE*> placed;
  std::unordered_set<RLESURFACE*> seen;
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    RLESURFACE* p = pictures[i];
    if (!p || !p->m_pData || !seen.insert(p).second) continue;
    placed.push_back(p);
    total += Rounded(p->m_nBytes);
  }
  if (placed.empty()) return true;

  std::shared_ptr<void> shared(std::malloc(total), std::free);
  if (!shared.get()) return false;
  char* at = static_cast<char*>(shared.get());
  for (RLESURFACE* p : placed) {
    const char* old = static_cast<const char*>(p->m_pData);
    std::memcpy(at, old, p->m_nBytes);
    uint16_t** rows = tessera::RleRowTable(at);
    const int height = reinterpret_cast<const tessera::RleBlockHeader*>(at)->height;
    for (int y = 0; y < height; ++y)
      rows[y] = reinterpret_cast<uint16_t*>(at + (reinterpret_cast<const char*>(rows[y]) - old));
    p->ReleaseBlock();
    p->m_pData = at;
    p->m_pShared = shared;
    at += Rounded(p->m_nBytes);
  }
  return true;
}
