// The opaque runs of a plain picture: for each row, where the pixels
// without the transparency mark (bit 15) start and how many follow.
//
// A map sprite's frames are drawn many times each frame and never change,
// so their runs are found once; drawing copies each run with memcpy, which
// skips transparent pixels without reading them and leaves the pixels
// behind untouched.  The result is bit for bit the keyed blit
// (SURFACE::Blit(dst, x, y)) of the same picture, clipped the same way.
#ifndef TESSERA_GUI_MAP_OPAQUE_RUNS_H
#define TESSERA_GUI_MAP_OPAQUE_RUNS_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <vector>

class SURFACE;

namespace tessera {

class OpaqueRuns {
 public:
  // Whether the runs describe `s` as it is laid out now (same surface, same
  // pixel block, same size).
  bool Describes(SURFACE* s) const;
  // Finds the runs of a plain (style 0) surface; false for other kinds,
  // which then draw with their own keyed blit.
  bool Build(SURFACE* s);
  // Draws the picture the runs were built from with its top-left corner at
  // (x, y) of `dst` (a surface of the plain block layout), clipped to its
  // clip rectangle.
  void Draw(SURFACE* dst, int x, int y) const;

 private:
  SURFACE* surface_ = nullptr;
  void* block_ = nullptr;
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> first_;  // height_ + 1 entries: the row's first run in starts_
  std::vector<uint16_t> starts_, lengths_;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
