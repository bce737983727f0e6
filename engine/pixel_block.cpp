#include "engine/pixel_block.h"

#include <cstdlib>
#include <limits>

namespace tessera {

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
  void* block = std::malloc(total ? total : 1);
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
