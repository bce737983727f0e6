// QMouse: the engine's software mouse cursor and its record of the mouse.
//
// It keeps the position and the button state the game reports, an animated
// cursor of fifteen frames plus a pressed frame, a translucent shadow for
// each, and the tip flag the chain manager sets.  The game calls Show once
// per frame after the GUI layers; it reads the platform's cursor position,
// hands the cursor back to the platform outside the game area (message 32
// to the game's window), and otherwise draws onto the display manager's
// render surface: the tip box when the chain manager says the pointer has
// rested (the engine's tip text in a 120 x 40 dialog, two lines of ten
// bytes, white with a black outline, beside the pointer and kept on an
// 800 x 600 screen), then the shadow, then the cursor frame.
//
//   AfxCreateMouse();
//   AfxGetMouse()->LoadCursorA("MOUSE000");   // MOUSE00000 .. MOUSE00017
//   each frame:  chains->ShowAll(frame); AfxGetMouse()->Show();
#ifndef TESSERA_INPUT_MOUSE_H
#define TESSERA_INPUT_MOUSE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "public/windows_types.h"

class SURFACE;
class QDialog;

class QMouse {
 public:
  QMouse();
  // Deletes the frames, both shadows and the tip box.
  ~QMouse();

  QMouse(const QMouse&) = delete;
  QMouse& operator=(const QMouse&) = delete;

  // Loads the eighteen images of the pack identifiers base + "00" .. "14"
  // (animation, run-length), "15" (pressed, run-length), "16" and "17"
  // (shadows, plain); each replaces the old one, a missing one leaves null.
  // A null base or one shorter than 8 characters reports
  // "Null ID to loadCursor!\n%s %ld" and changes nothing.
  void LoadCursorA(const char* base);
  void SetMousePos(unsigned long x, unsigned long y);
  // A new value is stored and clears the held flag; the same value again
  // sets it.
  void SetMouseKey(unsigned short key);
  unsigned short GetMouseKey() { return m_wKey; }
  bool IsKeep() { return m_bKeep; }
  void SetTip(bool on) { m_bTip = on; }
  // Draws the cursor; see the top of the file.
  void Show();

  tagPOINT m_ptMouse;       // client pixels
  uint16_t m_wKey;          // buttons, as the game reports them
  bool m_bKeep;             // the last SetMouseKey repeated the value
  int32_t m_nFrame;         // 0-14 animation, 15 pressed
  SURFACE* m_pFrame[16];    // owned
  SURFACE* m_pShadow;       // owned
  SURFACE* m_pPressShadow;  // owned
  QDialog* m_pTipDialog;    // the tip box, owned; in no layer
  bool m_bTip;

 private:
  void Draw();
  // The tip box's surfaces need the display manager: made at construction
  // when it exists, else on the first tip drawn.
  void CreateTipBox();
};

namespace tessera {
// The platform's set-cursor message, sent to the game's window when the
// mouse is outside the game area.
constexpr UINT kSetCursorMessage = 32;
// The frame after `frame` for the button state `key` (0, 8, 32, 128 animate
// and wrap to 0 from any frame of 14 or more; 1, 2, 4 press; others keep).
int32_t NextCursorFrame(int32_t frame, unsigned short key);
// The tip box's size in pixels.
constexpr int kTipBoxWidth = 120;
constexpr int kTipBoxHeight = 40;
// Where the tip box (120 x 40) goes for the mouse at (x, y): beside the
// pointer, 120 pixels to the left from x = 400 on and 20 pixels up from
// y = 500 on, so that it stays on an 800 x 600 screen.
tagPOINT TipBoxPosition(int x, int y);
}  // namespace tessera

#pragma GCC visibility pop
#endif
