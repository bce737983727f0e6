// CRect: a rectangle with a constructor, as UpdateScreen takes it.  Which
// edges are inclusive is the user's to say (UpdateScreen: all four).
#ifndef TESSERA_PUBLIC_CRECT_H
#define TESSERA_PUBLIC_CRECT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "public/windows_types.h"

class CRect : public tagRECT {
 public:
  CRect() : tagRECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  CRect(const tagRECT& r) : tagRECT(r) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

#pragma GCC visibility pop
#endif
