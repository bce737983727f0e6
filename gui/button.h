// QButton: an image button with four looks and a caption.
//
// The looks (0 normal, 1 hover, 2 pressed, 3 disabled) are pack images
// named by a nine-character base and the look's digit: the base "BTNOKAAAA"
// loads "BTNOKAAAA0" .. "BTNOKAAAA3", each first as a layered image with
// opacity and otherwise as a run-length image.  The caption is printed into
// every look once, when the looks are loaded, so drawing a button is one
// blit.  The button's own event callbacks switch the look; the game raises
// press, click and hover itself, the chain manager raises mouse-in and
// mouse-out (which also put up and take down the tip).
//
//   QButton* ok = new QButton(tagRECT{300, 400, 379, 423}, "OK", "Accept", "BTNOKAAAA");
//   ok->m_pfnClick = OnOk;                        // replaces the look reset
//   AfxGetChainManager()->Add(ok, CHAIN_TOP);
//   on mouse down over it:  AfxGetNowArea()->m_pfnPress(AfxGetNowArea());
//
// The press handler also plays the area's click sound (m_szSound, by
// default "wav\click.WAV") through the engine's wave buffer when the sound
// device exists; empty m_szSound to keep a button silent.
#ifndef TESSERA_GUI_BUTTON_H
#define TESSERA_GUI_BUTTON_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>

#include "gui/area.h"

class QBtMenu;

class QButton : public QArea {
 public:
  // Looks of m_nImage.
  enum : int32_t {
    LOOK_HIDDEN = -1,
    LOOK_NORMAL = 0,
    LOOK_HOVER = 1,
    LOOK_PRESSED = 2,
    LOOK_DISABLED = 3
  };

  // Enabled, not flashing, no looks; Create completes it.
  QButton();
  // Create with a centred caption.
  QButton(tagRECT rect, const char* caption, const char* tip, const char* imageBase);
  // Leaves the chain and frees the four looks.
  ~QButton() override;

  // ACreate with the rectangle, the caption placement, look 0, unfold,
  // ghost and flash off, font size 12, state 4; then ChangeImage and the
  // button's own press, click, hover, mouse-in and mouse-out handlers.
  void Create(tagRECT rect, const char* caption, const char* tip, const char* imageBase,
              bool centerCaption = true);
  // Takes a caption shorter than 105 bytes and a tip shorter than 20
  // (longer ones are ignored and the old text stays); with an image base
  // of at least nine characters reloads the four looks and prints the
  // caption into them.  A missing disabled look becomes a copy of the
  // normal image without caption; other missing looks stay empty.
  void ChangeImage(const char* caption, const char* tip, const char* imageBase);
  // Stores the caption font size (12, 16 or 24) and reloads the looks.
  void SetFontSize(int size);
  // Look 0 when enabled, look 3 when not; a disabled button is never
  // pointed and its handlers do nothing.
  void Enable(bool on);
  void SetFlash(bool on);

  // The current look's keyed blit at the top-left corner; with m_bGhost the
  // look at level 21 and the caption printed opaquely over it.  Nothing for
  // look -1 or a look without image.
  void Show(SURFACE* target) override;
  // Step 1 the current look's object, step 2 its block when it is a
  // run-length one.
  void PrefetchShow(int step) override;
  // The current look.
  SURFACE* DrawnPicture() override { return CurrentLook(); }
  // Shown, enabled, not hidden, inside the rectangle, and not on a key
  // coloured pixel of a look without an opacity or mask plane.
  bool IsPointed(int x, int y) override;

  // The button's event handlers, called with the button.  A game that
  // replaces a slot can still call them from its own callback.
  static void OnPress(void* button);     // look 2, click sound
  static void OnClick(void* button);     // look 0
  static void OnHover(void* button);     // look 1, or back to 0 when flashing
  static void OnMouseIn(void* button);   // look 1 and the tip
  static void OnMouseOut(void* button);  // look 0, tip cleared

  bool m_bEnable;
  bool m_bFlash;          // a resting mouse returns the look to normal after 200 ms
  bool m_bUnfold;         // the owning menu's unfold flag, kept for the game
  bool m_bCenterCaption;  // else the caption starts 5 pixels from the left
  bool m_bGhost;          // translucent look (level 21), opaque caption
  char m_szCaption[107];
  int32_t m_nImage;      // current look, or -1 (a menu item not unfolded yet)
  SURFACE* m_pImage[4];  // owned
  int32_t m_nFontSize;
  char m_szImageBase[10];

 private:
  friend class QBtMenu;
  // Create with the caption font size already chosen, so a menu's item is
  // loaded once instead of once per font size.
  void Create(tagRECT rect, const char* caption, const char* tip, const char* imageBase,
              bool centerCaption, int fontSize);
  void FreeLooks();
  // The image of look m_nImage; null for look -1 or a look without image.
  SURFACE* CurrentLook() const {
    return m_nImage >= 0 && m_nImage <= 3 ? m_pImage[m_nImage] : nullptr;
  }
  SURFACE* LoadLook(const char* base, int digit, bool withCaption);
  void PrintCaption(SURFACE* target, int x0, int y0);
  // The current look copied onto a key-filled plain surface for the ghost
  // effect, kept between frames until the look or its images change.
  std::unique_ptr<SURFACE> m_pGhostCopy;
  SURFACE* m_pGhostSource = nullptr;
};

namespace tessera {
// While one of these exists, buttons that print a caption into their looks
// read each look image from the packs once and share it (the printed looks
// are new images, so the shared one is only read).  A list rebuilding a
// page of rows with one image base makes one for the rebuild; nothing is
// kept after it, so images changed in the packs are seen next time.
class LookImageScope {
 public:
  LookImageScope();
  ~LookImageScope();
  LookImageScope(const LookImageScope&) = delete;
  LookImageScope& operator=(const LookImageScope&) = delete;
};

// The process-wide flash timer of flashing buttons (0: not started).
uint32_t ButtonFlashTimer();
}  // namespace tessera

#pragma GCC visibility pop
#endif
