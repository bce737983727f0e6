// QWindow: a panel with one background image.
//
// The image comes from the display manager (by pack identifier, optionally
// through the surface cache) and gives the window its size.  It is drawn
// with the plain keyed blit when the opacity level is above 28, otherwise
// translucently at that level.  Only the image's opaque pixels are hit, so
// clicks go through the transparent parts of a panel to what lies below.
//
//   QWindow* panel = new QWindow(100, 400, 100, 400, name, QWIN_DIB);  // sized by the image
//   panel->m_nAlpha = 20;                                            // translucent
//   AfxGetChainManager()->Add(panel, CHAIN_TOP);
//   ...
//   delete panel;   // leaves its layer, releases the image
#ifndef TESSERA_GUI_WINDOW_H
#define TESSERA_GUI_WINDOW_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/area.h"

class SURFACE;

// Flag bits of QWindow::SetBackImage: the lowest set one of the first four
// chooses the surface style; bit 5 loads through the surface cache.
enum : int {
  QWIN_DIB = 1,
  QWIN_RLE = 2,
  QWIN_ALPHA = 4,
  QWIN_PSDALPHA = 8,
  QWIN_CACHED = 32,
};

class QWindow : public QArea {
 public:
  // No image, level 31, tag "Win", state 4.
  QWindow();
  // The same, then Create, then state 4.
  QWindow(int left, int top, int right, int bottom, char* image, int flags);
  // Leaves its chain and releases the image through the display manager.
  ~QWindow() override;

  // ACreate, then SetBackImage(image, flags).
  void Create(int left, int top, int right, int bottom, char* image, int flags);
  // Releases the current image.  A null name leaves the window without
  // one.  Otherwise the image is loaded in the style of the flags (see
  // above) and the window takes its size at its top-left corner; no style
  // bit, or a failed load, reports "Could not create surface! %s %d".
  void SetBackImage(char* image, int flags);

  // Draws the image at the top-left corner (keyed above level 28, else
  // translucent at m_nAlpha) and sets state 1; nothing without an image.
  void Show(SURFACE* target) override;
  // QArea::Resize, then the rectangle snaps back to the image's size.
  void Resize(int left, int top, int right, int bottom) override;
  // Inside the rectangle (whatever the state) and not on a key-coloured
  // pixel of the image; a window without image is hit everywhere inside.
  bool IsPointed(int x, int y) override;

  int32_t m_nAlpha;       // 0..32; above 28 the keyed blit
  SURFACE* m_pBackImage;  // released through the display manager

 private:
  void FitImage();
};

namespace tessera {
// Releases a surface that came from the display manager: through it when it
// exists, else straight through the surface cache (or deleted when the
// cache does not hold it), so an area outliving the display manager still
// frees its image.  The pointer is left null, so that a second release of
// the same field does nothing.
void ReleaseViewSurface(SURFACE*& surface);

// The pack image `id` as a plain surface from the display manager; null
// without a manager or an id.
SURFACE* LoadViewSurface(const char* id);
}  // namespace tessera

#pragma GCC visibility pop
#endif
