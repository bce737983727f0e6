#include "engine/pixel_block.h"

#include <cstdlib>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tessera {

namespace {

// The memory of one pixel block.  A large picture -- a map's background,
// thousands of pixels wide -- starts on a 2 MiB boundary and asks the
// kernel for huge pages: a view of it jumps a whole picture row from row
// to row, so with 4 KiB pages nearly every row of a copy is another page
// to look up, and with 2 MiB pages a whole band of rows is one.  Only the
// 2 MiB pieces that lie wholly inside the block are advised (a huge page
// can only back those).  Where the kernel refuses (no transparent huge
// pages, another system) the block is ordinary memory.  Small blocks stay
// plain malloc: rounding them to huge pages would waste memory.  Either
// way the block is released with std::free, as every surface kind does.
void* AllocatePixelMemory(size_t bytes) {
  constexpr size_t kHugePage = size_t{2} << 20;
  if (bytes < kHugePage) return std::malloc(bytes ? bytes : 1);
  void* p = nullptr;
  if (posix_memalign(&p, kHugePage, bytes) != 0) return std::malloc(bytes);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  (void)madvise(p, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
#endif
  return p;
}

}  // namespace

void* AllocatePixelBlock(int32_t width, int32_t height, int32_t pitch, size_t extra) {
  if (width < 0 || height < 0 || pitch < 0) return nullptr;
  // Refuse sizes whose byte count would not fit a 32-bit pitch * height
  // product: no image the engine handles comes close, and it keeps every
  // later offset computation in range.
  const uint64_t rows_bytes = static_cast<uint64_t>(pitch) * static_cast<uint64_t>(height);
  if (rows_bytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return nullptr;
  const size_t head = RowsOffset(height);
  const size_t total = head + static_cast<size_t>(rows_bytes) + extra;
  if (total < head) return nullptr;
  void* block = AllocatePixelMemory(total);
  if (!block) return nullptr;
  PixelBlockHeader* h = BlockHeader(block);
  h->width = width;
  h->height = height;
  h->pitch = pitch;
  h->clip_left = 0;
  h->clip_top = 0;
  h->clip_right = width;
  h->clip_bottom = height;
  *reinterpret_cast<int32_t*>(static_cast<char*>(block) + 28) = 0;
  char* first = static_cast<char*>(block) + head;
  PIXEL** rows = BlockRows(block);
  for (int32_t i = 0; i < height; ++i)
    rows[i] = reinterpret_cast<PIXEL*>(first + static_cast<size_t>(i) * pitch);
  return block;
}

}  // namespace tessera
