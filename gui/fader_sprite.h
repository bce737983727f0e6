// QFaderSprite: a one-shot effect that plays the frames of an existing
// QSprite at a point and then closes itself.
//
//   // "boom0000": frames 00..04 drawn, frame 05 marked auto-stop
//   QFaderSprite* hit = new QFaderSprite(x, y, &boomSprite, true);
//   AfxGetChainManager()->Add(hit, CHAIN_TOP);   // then forget it
//
// The fader steps one frame each time more than the current frame's delay
// has passed.  Entering a frame marked auto-stop ends it before that frame
// is drawn: it changes to state 4, leaving its layer, and deletes itself
// when made with autoDelete (so it must then come from new).  An animation
// without an auto-stop frame loops until the fader is closed.  A moving
// fader (the sprite's m_bMove) whose next step would leave the screen ends
// the same way.  Every frame is drawn with the keyed blit.
//
// The sprite lends its frames and must outlive the fader.
#ifndef TESSERA_GUI_FADER_SPRITE_H
#define TESSERA_GUI_FADER_SPRITE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/area.h"

class QSprite;
struct QAniCell;

class QFaderSprite : public QArea {
 public:
  // ACreate(x, y, x, y), tag "QFS"; copies the sprite's frame count,
  // direction, moving and draw-previous flags.
  QFaderSprite(int x, int y, QSprite* sprite, bool autoDelete);

  void Show(SURFACE* target) override;
  // Chain handling as QArea's; state 4 also deletes the fader when
  // m_bAutoDelete is set.
  void SetState(unsigned long state, QAreaChain* chain) override;
  bool IsPointed(int, int) override { return false; }

  QSprite* m_pSprite;  // the frames' owner, not owned
  int32_t m_nNowp;
  int32_t m_nFrames;  // the sprite's frame count at construction
  bool m_bAutoDelete;
  SURFACE* m_pNowImage;
  bool m_bMove;
  bool m_bForward;
  bool m_bPlaying;
  bool m_bDrawPrevious;
  uint32_t m_dwFrameTime;  // when the current frame started, 0 = not started

 private:
  // The sprite's frame `index`, or null (also when the sprite lost frames
  // since the fader was made).
  QAniCell* Frame(int index) const;
  void Draw(SURFACE* target, SURFACE* image);
};

#pragma GCC visibility pop
#endif
