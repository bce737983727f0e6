#include "testing/test_presenter.h"

namespace tessera {

bool TestPresenter::RunStep(DisplayStep step, HWND window) {
  steps_.push_back(step);
  if (failing_.count(step)) return false;
  return HeadlessPresenter::RunStep(step, window);
}

bool TestPresenter::LockBack(void** pixels, int* pitch) {
  return !lock_fails_ && HeadlessPresenter::LockBack(pixels, pitch);
}

bool TestPresenter::BlitBackToPrimary() {
  return !blit_fails_ && HeadlessPresenter::BlitBackToPrimary();
}

bool TestPresenter::RestoreBack() {
  if (back_restorable_) back_lost_ = false;
  return !back_lost_;
}

bool TestPresenter::RestorePrimary() {
  if (primary_restorable_) primary_lost_ = false;
  return !primary_lost_;
}

void TestPresenter::RestoreWindow(HWND window, int width, int height) {
  ++restores_;
  HeadlessPresenter::RestoreWindow(window, width, height);
}

}  // namespace tessera
