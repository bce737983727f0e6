// QArea: the base of every GUI element, of the maps and of the map manager.
//
// An area is a rectangle on the screen (edges inclusive) with a state, a
// focus flag, a tip text, a click sound, a three-letter class tag and eight
// event callbacks.  Areas do not own each other: they live in flat chains
// (gui/area_chain.h) inside the three layers of the chain manager
// (gui/chain_manager.h), which hold pointers only.
//
//   QArea* a = new QArea(10, 10, 49, 29);              // state 3, idle
//   a->m_pfnClick = OnClick;                            // void OnClick(void*)
//   AfxGetChainManager()->Add(a, CHAIN_TOP);            // state 1, shown
//   ...
//   delete a;                                           // leaves its chain
//
// Every callback is called with its own area as the argument.
#ifndef TESSERA_GUI_AREA_H
#define TESSERA_GUI_AREA_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "public/export.h"
#include "public/qkey.h"
#include "public/windows_types.h"

class SURFACE;
class QAreaChain;
class CDXSound;
class DxSoundBuffer;

// Area states (m_dwState).  Only state 1 is drawn and hit.
enum : unsigned long {
  QAREA_SHOW = 1,   // in its chain, drawn and hit; setting it appends the area
  QAREA_HIDE = 2,   // in its chain, neither drawn nor hit
  QAREA_IDLE = 3,   // as 2; the state ACreate leaves
  QAREA_CLOSE = 4,  // out of its chain
};

// Window messages an area sends to the game's window (the display
// manager's), synchronously, with wparam 0 and the area's address as lparam.
enum : UINT {
  AREA_MSG_LOSTFOCUS = 1026,  // the focused area gives the focus up
  AREA_MSG_GETFOCUS = 1027,   // an area that is not focused asks for it
};

// An event callback: called with the area whose slot it is.
typedef void (*AREA_CALLBACK)(void*);

// The default callback: ignores its argument.
TESSERA_API void DoNothing(void* area);

// The tip text the mouse cursor shows: written by mouse-in handlers (the
// default one copies the area's tip), 100 bytes and a terminator.
extern char g_szTipText[101];

class QArea {
 public:
  // Tag "Ara", m_dwData -1, no chain, no parent.  The rectangle and the
  // callbacks are set by ACreate, which every area needs before use.
  QArea();
  // The same, then ACreate(left, top, right, bottom).
  QArea(int left, int top, int right, int bottom);
  // Sets state 4, so an area that knows its chain leaves it and stops being
  // one of the engine's three area pointers.
  virtual ~QArea();

  QArea(const QArea&) = delete;
  QArea& operator=(const QArea&) = delete;

  // Stores the edges (inclusive) with width and height.  A negative width
  // or height reports "Set QArea coordinate error!" and leaves the rest as
  // it was; otherwise: movable, state 3, no focus, target itself, every
  // callback DoNothing but mouse-in (the tip handler), no tip, the sound
  // "wav\click.WAV".
  void ACreate(int left, int top, int right, int bottom);

  // Draws the area; this one draws nothing and sets state 1.
  virtual void Show(SURFACE* target);
  // Asks the caches for what Show will read, without waiting.  The chain
  // calls it twice for each area while it draws those before: step 1 for
  // the object of the picture Show draws (found through this area's own
  // fields, which the chain asked for a step earlier), step 2 for the
  // picture's pixels (found through that object).  This one asks for
  // nothing.
  virtual void PrefetchShow(int step) { (void)step; }
  // The picture Show draws now, if it draws one picture; null for this
  // one.  The chain manager places the pictures of a screen together in
  // memory by it.
  virtual SURFACE* DrawnPicture() { return nullptr; }
  // Moves the top-left corner to (left, top) when movable.
  virtual void Move(int left, int top);
  // Stores the edges, then Move(left, top) when width and height are at
  // least 1, else reports "Resize QWindow coordinate error!" (the edges stay).
  virtual void Resize(int left, int top, int right, int bottom);
  // State 1 and (x, y) inside the rectangle, edges included.
  virtual bool IsPointed(int x, int y);
  // A non-null chain becomes the area's chain; without any chain nothing
  // happens.  State 1 appends the area to its chain, state 4 removes it;
  // then the state is stored.
  virtual void SetState(unsigned long state, QAreaChain* chain);
  // Sets the focus flag; an area that is not the engine's focused area asks
  // the game for the focus with AREA_MSG_GETFOCUS.
  virtual void GetFocus();
  // Clears the focus flag; the focused area tells the game with
  // AREA_MSG_LOSTFOCUS.
  virtual void LostFocus();
  // A keystroke for the focused area; this one ignores it.
  virtual void InKey(QKey* key);

  // Stores a non-null chain; null is ignored.
  void SetAreaChain(QAreaChain* chain);
  void SetParentArea(QArea* parent);
  // strlen(text) * fontSize / 2: a byte is half a font cell wide.  0 for null.
  int GetTextWidth(const char* text, int fontSize);
  // Plays m_szSound once through the buffer when device, buffer and name
  // are there and the file loads.
  void PlaySoundA(CDXSound* device, DxSoundBuffer* buffer);
  // Draws GBK text in colour (0x00RRGGBB) at (x, y) with the font size
  // (12, 16 or 24; others keep the current one), optionally outlined one
  // pixel wide in outlineColor.  The display manager's font size is put
  // back afterwards.
  void TextOutA(SURFACE* target, int x, int y, char* text, int fontSize, bool outline,
                unsigned long color, unsigned long outlineColor);

  AREA_CALLBACK m_pfnClick;     // 0: clicked (an edit field's Enter on its target)
  AREA_CALLBACK m_pfnEvent1;    // 1: the game's
  AREA_CALLBACK m_pfnEvent2;    // 2: the game's
  AREA_CALLBACK m_pfnPress;     // 3: a mouse button went down on the area
  AREA_CALLBACK m_pfnEvent4;    // 4: the game's
  AREA_CALLBACK m_pfnHover;     // 5: the pointer rests or moves on the area
  AREA_CALLBACK m_pfnMouseIn;   // 6: became the area under the mouse
  AREA_CALLBACK m_pfnMouseOut;  // 7: stopped being the area under the mouse
  tagRECT m_rcArea;             // screen pixels, all edges inclusive
  int32_t m_nWidth;             // right - left + 1
  int32_t m_nHeight;            // bottom - top + 1
  bool m_bMovable;
  uint32_t m_dwState;
  bool m_bFocus;
  char m_szTip[20];
  char m_szSound[20];
  QArea* m_pTarget;   // whose click answers this area's commit
  intptr_t m_dwData;  // the owning widget's word; -1 for a free area
  char m_szType[4];   // class tag, "Ara" here
  QAreaChain* m_pAreaChain;
  QArea* m_pParentArea;  // kept for the game only
};

namespace tessera {
// The default mouse-in handler: copies the area's tip into g_szTipText.
void DefaultTipHandler(void* area);
// Sends a focus message (AREA_MSG_GETFOCUS or AREA_MSG_LOSTFOCUS) with the
// area to the display manager's window; nothing without one.
void SendFocusMessage(UINT message, QArea* area);
// Reduces 0x00RRGGBB to a 1-5-5-5 colour value (top five bits of each).
unsigned short RgbTo555(unsigned long rgb);
}  // namespace tessera

#pragma GCC visibility pop
#endif
