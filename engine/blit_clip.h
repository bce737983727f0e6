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

// Clipping of a part blit (source rectangle sx, sy, w, h to dx, dy): a
// negative source origin moves the destination instead, the destination
// rectangle is cut by the clip rectangle and the source rectangle by the
// source size.  False when nothing is left.  64-bit arithmetic throughout,
// so extreme arguments cannot overflow.
inline bool ClipPartBlit(const PixelBlockHeader& dst, int src_w, int src_h, int sx, int sy, int dx,
                         int dy, int w, int h, BlitRect* out) {
  long long sx0 = sx, sy0 = sy, dx0 = dx, dy0 = dy;
  if (sx0 < 0) {
    dx0 -= sx0;
    sx0 = 0;
  }
  if (sy0 < 0) {
    dy0 -= sy0;
    sy0 = 0;
  }
  long long sright = sx0 + w, sbottom = sy0 + h;
  const long long dright = dx0 + w, dbottom = dy0 + h;
  if (dst.clip_left > dx0) {
    sx0 += dst.clip_left - dx0;
    dx0 = dst.clip_left;
  }
  if (dst.clip_top > dy0) {
    sy0 += dst.clip_top - dy0;
    dy0 = dst.clip_top;
  }
  if (dright > dst.clip_right) sright -= dright - dst.clip_right;
  if (dbottom > dst.clip_bottom) sbottom -= dbottom - dst.clip_bottom;
  if (sright > src_w) sright = src_w;
  if (sbottom > src_h) sbottom = src_h;
  const long long cw = sright - sx0, ch = sbottom - sy0;
  if (cw <= 0 || ch <= 0) return false;
  *out = {static_cast<int>(sx0), static_cast<int>(sy0), static_cast<int>(dx0),
          static_cast<int>(dy0), static_cast<int>(cw),  static_cast<int>(ch)};
  return true;
}

}  // namespace tessera

#endif
