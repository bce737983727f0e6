// QFaderText: a floating word -- it fades in, drifts and flies away, then
// deletes itself.
//
//   new QFaderText(text, 400, 300, 0xFFE000, 0, 16, 100);  // from new only
//   AfxGetChainManager()->Add(...);                          // the game adds it
//
// The text is drawn once, outlined in black, on a plain picture of 1.5
// times its width and font size, and shown translucently at the opacity
// level m_nLevel (0-32) with its top edge centred on (m_nX, m_nY).  Each
// Show counts a frame; the text closes -- state 4, which leaves its layer
// and deletes it -- when the count reaches m_nLife, when it has drifted off
// the left or top edge, or when its level fell below 1.
//
// Modes (frame numbers counted from 1):
//   0  fade in over frames 1-29 (level frame + 1), sink one pixel on each
//      even frame of 30-49, rest until 57, then rise 9 pixels and lose 2
//      levels per frame: gone at frame 73 unless its life is shorter.
//   1  slide in from the right at full level over frames 1-29, settle back
//      over 30-35, rest until 69, then fly off to the left faster and
//      faster.
//   other  stay in place at level 1 until the life ends.
#ifndef TESSERA_GUI_FADER_TEXT_H
#define TESSERA_GUI_FADER_TEXT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/area.h"

class QFaderText : public QArea {
 public:
  // ACreate(-1, -1, -1, -1); the text picture in `color` (0x00RRGGBB) at
  // `fontSize` (12, 16 or 24; others draw in the current size).  An empty
  // text makes no picture: the fader counts its frames without drawing.
  QFaderText(char* text, int x, int y, unsigned long color, int mode, int fontSize, int life);
  ~QFaderText() override;

  void Show(SURFACE* target) override;
  // Chain handling as QArea's; state 4 also deletes the fader.
  void SetState(unsigned long state, QAreaChain* chain) override;

  SURFACE* m_pTextImage;  // owned
  int32_t m_nX;           // centre of the text's top edge
  int32_t m_nY;
  int32_t m_nFrame;      // frames shown so far
  int32_t m_nLife;       // frames before it closes
  int32_t m_nLevel;      // opacity 0-32, starts at 1
  int32_t m_nTextWidth;  // bytes x font size / 2
  int32_t m_nFontSize;
  int32_t m_nMode;
};

#pragma GCC visibility pop
#endif
