// RLESURFACE::PlaceTogether: several pictures' blocks rebuilt one after
// another in one allocation, in drawing order.
//
// Each picture keeps the block layout every reader knows: its width and
// height, its row table, then its rows' run lists.  Only where the lists
// lie changes, so the copy goes row by row and the table is written anew.
// A picture whose rows hold at most one run each gets its lists at one
// fixed distance, the longest list's length: drawing then finds row j at
// the first row plus j times that distance, without reading the table,
// and the short rows' unused words cost less than the reads they save.
// Other pictures keep their lists back to back.  Each block starts at a
// multiple of 16 bytes, the alignment malloc gave it.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

#include "engine/pixel_block.h"
#include "engine/rle_layout.h"
#include "engine/rle_surface.h"

bool RLESURFACE::PlaceTogether(RLESURFACE* const* pictures, size_t count) {
  struct Place {
    RLESURFACE* picture;
    int height;
    size_t stride;  // words from one row's list to the next; 0: back to back
    size_t bytes;
  };
  std::vector<Place> places;
  std::unordered_set<RLESURFACE*> seen;
  size_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    RLESURFACE* p = pictures[i];
    if (!p || !p->m_pData || !seen.insert(p).second) continue;
    const int height = static_cast<const tessera::RleBlockHeader*>(p->m_pData)->height;
    uint16_t** rows = tessera::RleRowTable(p->m_pData);
    size_t words = 0, longest = 0;
    for (int y = 0; y < height; ++y) {
      const size_t n = tessera::RunListWords(rows[y]);
      words += n;
      longest = std::max(longest, n);
    }
    const size_t stride = p->m_bOneRunRows ? longest : 0;
    if (stride) words = stride * static_cast<size_t>(height);
    const size_t bytes = tessera::RleHeadBytes(height) + 2 * words;
    places.push_back({p, height, stride, bytes});
    total += tessera::AlignUp(bytes, 16);
  }
  if (places.empty()) return true;

  std::shared_ptr<void> shared(std::malloc(total), std::free);
  if (!shared.get()) return false;
  char* at = static_cast<char*>(shared.get());
  for (const Place& place : places) {
    RLESURFACE* p = place.picture;
    std::memcpy(at, p->m_pData, tessera::kRleTableOffset);
    uint16_t** from = tessera::RleRowTable(p->m_pData);
    uint16_t** to = tessera::RleRowTable(at);
    uint16_t* list = tessera::RleWords(at, place.height);
    for (int y = 0; y < place.height; ++y) {
      const size_t n = tessera::RunListWords(from[y]);
      std::memcpy(list, from[y], 2 * n);
      to[y] = list;
      list += place.stride ? place.stride : n;
    }
    p->ReleaseBlock();
    p->m_pData = at;
    p->m_nBytes = place.bytes;
    p->m_pShared = shared;
    p->NoteRowShape();
    at += tessera::AlignUp(place.bytes, 16);
  }
  return true;
}
