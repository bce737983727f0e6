// QAniCell: one frame of an animated area (QSprite, QGifSprite).
//
// The frame's image belongs to the animation that loaded it, which releases
// it through the display manager.  A sprite copies the delay, displacement
// and auto-stop mark from the frame's animation table row; a GIF sprite
// takes the file's delay value and never marks a frame auto-stop.
#ifndef TESSERA_GUI_ANI_CELL_H
#define TESSERA_GUI_ANI_CELL_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

class SURFACE;

struct QAniCell {
  SURFACE* m_pImage = nullptr;  // the frame's picture
  uint32_t m_dwDelay = 0;       // milliseconds the frame stays
  int32_t m_nX = 0;             // displacement applied when the frame is entered
  int32_t m_nY = 0;
  bool m_bAutoStop = false;  // playing stops when this frame ends
};

#pragma GCC visibility pop
#endif
