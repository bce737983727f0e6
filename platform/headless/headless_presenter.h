// The headless presenter: no display, everything in memory.
//
// It keeps the window's picture (what windowed presentation copied there)
// and, full screen, the back buffer and the screen in the display's layout.
// It acts as a 5-5-5 or a 5-6-5 display, fails any set-up step on request,
// records the steps it was asked to run, and saves the last frame as PNG.
#ifndef TESSERA_PLATFORM_HEADLESS_HEADLESS_PRESENTER_H
#define TESSERA_PLATFORM_HEADLESS_HEADLESS_PRESENTER_H
#pragma GCC visibility push(default)  // test controls: reached by tessera_testing

#include <set>
#include <string>
#include <vector>

#include "platform/presenter.h"

namespace tessera {

class HeadlessPresenter : public Presenter {
 public:
  // --- what tests set
  // 0x03E0 (5-5-5, the default) or 0x07E0 (5-6-5).
  void SetGreenMask(uint32_t mask) { green_mask_ = mask; }
  // The step fails from now on (until cleared).
  void FailStep(DisplayStep step) { failing_.insert(step); }
  void ClearFailures() { failing_.clear(); }
  // The back buffer's pitch in bytes (1,600 by default; another value makes
  // the display manager copy row by row).
  void SetBackPitch(int pitch) { back_pitch_ = pitch; }
  void SetLockFails(bool fails) { lock_fails_ = fails; }
  void SetBlitFails(bool fails) { blit_fails_ = fails; }
  // Marks a surface lost, and whether restoring it works.
  void SetBackLost(bool lost, bool restorable) { back_lost_ = lost, back_restorable_ = restorable; }
  void SetPrimaryLost(bool lost, bool restorable) {
    primary_lost_ = lost, primary_restorable_ = restorable;
  }

  // --- what tests read
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
  const std::vector<DisplayStep>& StepsRun() const { return steps_; }
  int WindowRestores() const { return restores_; }

  // --- Presenter
  void AttachWindow(HWND window, int width, int height) override;
  void DetachWindow(HWND window) override;
  bool CopyToWindow(HWND window, const uint16_t* frame, int pitch, int frame_w, int frame_h,
                    int x, int y, int w, int h) override;
  bool RunStep(DisplayStep step, HWND window) override;
  uint32_t GreenMask() override { return green_mask_; }
  bool LockBack(void** pixels, int* pitch) override;
  void UnlockBack() override { locked_ = false; }
  bool BlitBackToPrimary() override;
  bool IsBackLost() override { return back_lost_; }
  bool RestoreBack() override;
  bool IsPrimaryLost() override { return primary_lost_; }
  bool RestorePrimary() override;
  void ReleaseDisplay() override;
  void RestoreWindow(HWND window, int width, int height) override;
  bool SaveFramePng(const std::string& native_path) override;

 private:
  uint32_t green_mask_ = 0x03E0;
  std::set<DisplayStep> failing_;
  std::vector<DisplayStep> steps_;
  HWND attached_ = nullptr;
  int window_w_ = 0, window_h_ = 0;
  std::vector<uint16_t> window_;
  int window_copies_ = 0;
  tagRECT last_copy_{0, 0, 0, 0};
  bool display_ = false, primary_ = false, back_exists_ = false;
  int back_pitch_ = 1600;
  std::vector<uint8_t> back_;
  std::vector<uint16_t> screen_;
  bool locked_ = false, lock_fails_ = false, blit_fails_ = false;
  bool back_lost_ = false, back_restorable_ = true;
  bool primary_lost_ = false, primary_restorable_ = true;
  int flips_ = 0, restores_ = 0;
  bool last_was_full_screen_ = false;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
