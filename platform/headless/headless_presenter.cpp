#include "platform/headless/headless_presenter.h"

#include <algorithm>
#include <cstring>

#include "platform/png_writer.h"
#include "platform/window.h"

namespace tessera {

namespace {
constexpr int kScreenW = 800, kScreenH = 600;
}

void HeadlessPresenter::AttachWindow(HWND window, int width, int height) {
  attached_ = window;
  window_w_ = std::max(width, 0);
  window_h_ = std::max(height, 0);
  window_.assign(static_cast<size_t>(window_w_) * window_h_, 0);
}

void HeadlessPresenter::DetachWindow(HWND window) {
  if (window == attached_) attached_ = nullptr;
}

bool HeadlessPresenter::CopyToWindow(HWND window, const uint16_t* frame, int pitch, int frame_w,
                                     int frame_h, int x, int y, int w, int h) {
  if (!window || window != attached_ || !frame) return false;
  ++window_copies_;
  last_copy_ = {x, y, w, h};
  last_was_full_screen_ = false;
  // Only the part inside both the frame and the window's client area.
  const long long x0 = std::max(0, x), y0 = std::max(0, y);
  const long long x1 = std::min<long long>({static_cast<long long>(x) + w, frame_w, window_w_});
  const long long y1 = std::min<long long>({static_cast<long long>(y) + h, frame_h, window_h_});
  // One memcpy a row: this runs every frame of every headless test and demo.
  for (long long row = y0; row < y1 && x0 < x1; ++row)
    std::memcpy(&window_[static_cast<size_t>(row * window_w_ + x0)],
                reinterpret_cast<const char*>(frame) + row * pitch + 2 * x0,
                static_cast<size_t>(x1 - x0) * 2);
  return true;
}

bool HeadlessPresenter::RunStep(DisplayStep step, HWND window) {
  switch (step) {
    case DisplayStep::kCreateDisplay:
      display_ = true;
      break;
    case DisplayStep::kWindowTopmost:
      if (window) {
        window->client_width = kScreenW;
        window->client_height = kScreenH;
        window->full_screen = true;
      }
      break;
    case DisplayStep::kPrimarySurface:
      primary_ = true;
      screen_.assign(static_cast<size_t>(kScreenW) * kScreenH, 0);
      break;
    case DisplayStep::kBackSurface:
      back_exists_ = true;
      back_.assign(static_cast<size_t>(back_pitch_) * kScreenH, 0);
      break;
    default:
      break;
  }
  return true;
}

bool HeadlessPresenter::LockBack(void** pixels, int* pitch) {
  if (!back_exists_ || locked_) return false;
  locked_ = true;
  *pixels = back_.data();
  *pitch = back_pitch_;
  return true;
}

bool HeadlessPresenter::BlitBackToPrimary() {
  if (!back_exists_ || !primary_) return false;
  for (int y = 0; y < kScreenH; ++y)
    std::memcpy(&screen_[static_cast<size_t>(y) * kScreenW],
                &back_[static_cast<size_t>(y) * back_pitch_], kScreenW * 2);
  ++flips_;
  last_was_full_screen_ = true;
  return true;
}

void HeadlessPresenter::ReleaseDisplay() {
  back_exists_ = primary_ = display_ = false;
  back_.clear();
}

void HeadlessPresenter::RestoreWindow(HWND window, int width, int height) {
  if (window) {
    window->client_width = width;
    window->client_height = height;
    window->full_screen = false;
  }
}

bool HeadlessPresenter::SaveFramePng(const std::string& native_path) {
  if (last_was_full_screen_ && !screen_.empty())
    return green_mask_ == 0x03E0
               ? WritePng555(native_path, screen_.data(), kScreenW, kScreenH, kScreenW * 2)
               : WritePng565(native_path, screen_.data(), kScreenW, kScreenH, kScreenW * 2);
  return WritePng555(native_path, window_.data(), window_w_, window_h_, window_w_ * 2);
}

}  // namespace tessera
