// Host service: presenting frames (the display and device-context services
// the display manager uses).
//
// The display manager keeps the frame in memory as 16-bit 1-5-5-5 rows and
// asks the presenter to show it.  Windowed, a rectangle of the frame is
// copied to the same place of the window.  Full screen goes through the
// steps of a display set-up, each of which the presenter may refuse; then
// frames are written into a locked back buffer in the display's own pixel
// layout (5-5-5 or 5-6-5) and flipped to the screen.
//
// The headless presenter (platform/headless/headless_presenter.h) is the
// default; the SDL one (platform/sdl/) shows real windows.
#ifndef TESSERA_PLATFORM_PRESENTER_H
#define TESSERA_PLATFORM_PRESENTER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <memory>
#include <string>

#include "public/windows_types.h"

namespace tessera {

// The set-up steps of full-screen presentation, in their order.
enum class DisplayStep {
  kCreateDisplay = 1,  // the display object
  kExclusiveLevel,     // exclusive full-screen cooperation for the window
  kDisplayMode,        // 800 x 600, 16 bits per pixel
  kWindowTopmost,      // window on top of all at (0, 0), 800 x 600
  kPrimarySurface,     // the visible surface
  kCreateClipper,
  kClipperWindow,  // bind the clipper to the window
  kAttachClipper,  // attach the clipper to the primary surface
  kPixelFormat,    // read the primary surface's pixel format
  kBackSurface,    // the 800 x 600 back buffer
  kInputMethod,    // composition window of the input method at (0, 0)
  kNormalLevel,    // back to normal cooperation (leaving full screen)
};

class Presenter {
 public:
  virtual ~Presenter() = default;

  // Windowed presentation.  Attach is called when the display manager sets
  // up its frame of width x height for the window; Detach when it lets go.
  virtual void AttachWindow(HWND window, int width, int height) = 0;
  virtual void DetachWindow(HWND window) = 0;
  // Copies the rectangle (x, y, w, h) of the frame -- 1-5-5-5 pixels,
  // frame_w x frame_h, `pitch` bytes from row to row -- to the same place of
  // the window.  The rectangle may reach outside the frame; only the part
  // inside is copied.  False when the platform refuses.
  virtual bool CopyToWindow(HWND window, const uint16_t* frame, int pitch, int frame_w, int frame_h,
                            int x, int y, int w, int h) = 0;

  // Full screen.  Runs one set-up step; false when it fails.
  virtual bool RunStep(DisplayStep step, HWND window) = 0;
  // The green mask of the display's pixel format (0x03E0 for 5-5-5, 0x07E0
  // for 5-6-5); valid after kPixelFormat.
  virtual uint32_t GreenMask() = 0;
  // Locks the back buffer (800 x 600): its pixels and pitch in bytes.
  virtual bool LockBack(void** pixels, int* pitch) = 0;
  virtual void UnlockBack() = 0;
  // Shows the back buffer on the screen.
  virtual bool BlitBackToPrimary() = 0;
  // Lost surfaces: whether one is lost, and an attempt to restore it.
  virtual bool IsBackLost() = 0;
  virtual bool RestoreBack() = 0;
  virtual bool IsPrimaryLost() = 0;
  virtual bool RestorePrimary() = 0;
  // Releases the back surface, the primary surface and the display object
  // (each if it exists).
  virtual void ReleaseDisplay() = 0;
  // Gives the window a plain pop-up style, centres it on the screen at
  // width x height and shows it.
  virtual void RestoreWindow(HWND window, int width, int height) = 0;

  // Saves the last presented frame (the window's picture, or the screen
  // when the last presentation was full screen) as a PNG file at a native
  // path.  False when there is none or the file cannot be written.
  virtual bool SaveFramePng(const std::string& native_path) = 0;
};

// Installs a presenter; null reinstalls a fresh headless one.
void SetPresenter(std::unique_ptr<Presenter> presenter);
Presenter& GetPresenter();

}  // namespace tessera

#pragma GCC visibility pop
#endif
