// CPlayerEquip: one equipment layer of a walking character (a body part or
// a worn item), drawn for a state, a direction and an animation frame, and
// optionally tinted.
//
// The layer takes its pictures from the process-wide pool
// (gui/map/equip_pool.h) for states 0 (standing) and 1 (walking); states 2
// and 3 have none and draw nothing.  With a tint colour (any value but 0)
// the layer's tint picture is filled with the colour and laid over the
// picture through its own opacity, so one set of pictures serves every
// colour of an item.
//
//   auto* coat = new CPlayerEquip;
//   coat->Init(role, item, 2, PIXEL(200, 40, 40));   // part 2, reddish
//   coat->Show(frame, x, y, state, direction, animFrame, false, false);
#ifndef TESSERA_GUI_MAP_PLAYER_EQUIP_H
#define TESSERA_GUI_MAP_PLAYER_EQUIP_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "engine/pixel.h"

class SURFACE;

class CPlayerEquip {
 public:
  CPlayerEquip();
  // Gives the layer's pictures back to the pool.
  virtual ~CPlayerEquip();

  CPlayerEquip(const CPlayerEquip&) = delete;
  CPlayerEquip& operator=(const CPlayerEquip&) = delete;

  // Stores role, item, part and tint, and takes the pool's pictures for
  // states 1 and 0 with 4 frames asked for each.  A second Init gives the
  // first one's pictures back first.  Returns true.
  bool Init(long role, long item, long part, const PIXEL& colour);

  // Frame count of the standing state; the size of its picture for
  // direction 0, frame 0 (0 when that picture is missing).
  long GetFrameNumber();
  long GetWidth();
  long GetHeight();
  void SetCurColor(const PIXEL& colour) { m_Color = colour; }
  PIXEL GetCurColor() { return m_Color; }
  long GetRole() const { return m_nRole; }
  long GetItem() const { return m_nItem; }
  long GetPart() const { return m_nPart; }

  // Draws frame `frame` of direction `direction` in state `state` at
  // (x, y): nothing for a state outside 0..3 or without pictures, a
  // direction outside 0..7, or a frame at or past the state's frame count.
  // Untinted layers blit the picture; tinted ones go through
  // ChangeEquipColor, brightened when `bright`.  The first flag is unused.
  virtual void Show(SURFACE* target, long x, long y, long state, long direction, long frame, bool,
                    bool bright);

  int32_t m_nRole = 0;
  int32_t m_nItem = 0;
  int32_t m_nPart = 0;
  PIXEL m_Color = 0;
  // Per state 0..3: pictures and tint pictures [direction][frame] (the
  // pool's, not owned) and the frame count.
  SURFACE*** m_pSurface[4];
  SURFACE*** m_pAlphaSurface[4];
  long m_nFrameNum[4];

 protected:
  // Fills the tint picture with the colour (keeping its opacity), then
  // draws the picture and the tint picture at (x, y).  With `bright` each
  // channel of the colour, widened to 8 bits, gains 80, or becomes 255 from
  // 175 up.  Nothing unless all three surfaces exist; returns true.
  bool ChangeEquipColor(SURFACE* tint, SURFACE* picture, PIXEL colour, SURFACE* target, long x,
                        long y, bool bright);

 private:
  void Release();
  bool m_bInit = false;
  long m_nGeneration = 0;  // the pool's generation when the pictures were taken
};

namespace tessera {
// The brightened form of a 1-5-5-5 tint colour (see ChangeEquipColor).
PIXEL BrightTint(PIXEL colour);
}  // namespace tessera

#pragma GCC visibility pop
#endif
