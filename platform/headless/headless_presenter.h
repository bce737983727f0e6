// The headless presenter: no display, everything in memory.
//
// It keeps the window's picture (what windowed presentation copied there)
// and, full screen, the back buffer and the screen in the display's layout.
// It acts as a 5-5-5 or a 5-6-5 display, never loses its surfaces, and
// saves the last frame as PNG.  (The test-support library's TestPresenter,
// testing/test_presenter.h, adds failures on request and a record of the
// set-up steps.)
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_PRESENTER_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_PRESENTER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>
#include <vector>

#include "platform/presenter.h"

namespace tessera {

class HeadlessPresenter : public Presenter {
 public:
  // --- the display it acts as
  // 0x03E0 (5-5-5, the default) or 0x07E0 (5-6-5).
  void SetGreenMask(uint32_t mask) { green_mask_ = mask; }
  // The back buffer's pitch in bytes (1,600 by default; another value makes
  // the display manager copy row by row).
  void SetBackPitch(int pitch) { back_pitch_ = pitch; }

  // --- what it shows
  // The window's client picture (1-5-5-5), window_width x window_height.
  const std::vector<uint16_t>& WindowPicture() const { return window_; }
  int WindowWidth() const { return window_w_; }
  int WindowHeight() const { return window_h_; }
  HWND AttachedWindow() const { return attached_; }
  int WindowCopies() const { return window_copies_; }
  // The last rectangle copied to the window (x, y, w, h as asked).
  tagRECT LastCopy() const { return last_copy_; }
  // Full screen: the back buffer (800 x 600, rows back_pitch bytes apart)
  // and the screen after the last flip, both in the display's layout.
  const std::vector<uint8_t>& BackBuffer() const { return back_; }
  const std::vector<uint16_t>& Screen() const { return screen_; }  // 800 x 600
  int Flips() const { return flips_; }
  bool DisplayExists() const { return display_; }

  // --- Presenter
  void AttachWindow(HWND window, int width, int height) override;
  void DetachWindow(HWND window) override;
  bool CopyToWindow(HWND window, const uint16_t* frame, int pitch, int frame_w, int frame_h, int x,
                    int y, int w, int h) override;
  bool RunStep(DisplayStep step, HWND window) override;
  uint32_t GreenMask() override { return green_mask_; }
  bool LockBack(void** pixels, int* pitch) override;
  void UnlockBack() override { locked_ = false; }
  bool BlitBackToPrimary() override;
  bool IsBackLost() override { return false; }
  bool RestoreBack() override { return true; }
  bool IsPrimaryLost() override { return false; }
  bool RestorePrimary() override { return true; }
  void ReleaseDisplay() override;
  void RestoreWindow(HWND window, int width, int height) override;
  bool SaveFramePng(const std::string& native_path) override;

 private:
  uint32_t green_mask_ = 0x03E0;
  HWND attached_ = nullptr;
  int window_w_ = 0, window_h_ = 0;
  std::vector<uint16_t> window_;
  int window_copies_ = 0;
  tagRECT last_copy_{0, 0, 0, 0};
  bool display_ = false, primary_ = false, back_exists_ = false;
  int back_pitch_ = 1600;
  std::vector<uint8_t> back_;
  std::vector<uint16_t> screen_;
  bool locked_ = false;
  int flips_ = 0;
  bool last_was_full_screen_ = false;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
