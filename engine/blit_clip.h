// Clipping of a whole-surface blit against the destination's clip
// rectangle, shared by every surface kind.
//
// A source of W x H placed at (x, y): the part left of the clip rectangle is
// skipped (skip_x columns), the width is cut at the right edge; the same for
// rows.  The result is the source rectangle (skip_x, skip_y, w, h) and the
// destination origin (x, y) of the visible part.
#ifndef TESSERA_ENGINE_BLIT_CLIP_H
#define TESSERA_ENGINE_BLIT_CLIP_H

#include "engine/pixel_block.h"

namespace tessera {

struct BlitRect {
  int skip_x, skip_y;  // first visible source column and row
  int x, y;            // destination of the first visible pixel
  int w, h;            // visible size, both >= 1
};

// False when nothing is visible.
inline bool ClipWholeBlit(const PixelBlockHeader& dst, int src_w, int src_h, int x, int y,
                          BlitRect* out) {
  // 64-bit intermediates: positions near INT_MAX must not overflow.
  long long sx = 0, sy = 0, dx = x, dy = y;
  if (dst.clip_left > dx) {
    sx = dst.clip_left - dx;
    dx = dst.clip_left;
  }
  long long w = src_w - sx;
  if (dx + w > dst.clip_right) w = dst.clip_right - dx;
  if (w < 1) return false;
  if (dst.clip_top > dy) {
    sy = dst.clip_top - dy;
    dy = dst.clip_top;
  }
  long long h = src_h - sy;
  if (dy + h > dst.clip_bottom) h = dst.clip_bottom - dy;
  if (h < 1) return false;
  *out = {static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(dx),
          static_cast<int>(dy), static_cast<int>(w),  static_cast<int>(h)};
  return true;
}

}  // namespace tessera

#endif
