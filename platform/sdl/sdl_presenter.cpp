// The SDL2 presenter: a renderer on the game's window, a streaming texture
// for windowed frames and a 5-6-5 one for the full-screen back buffer.
//
// Screenshots read the texture back when one is asked for (through a render
// target of the texture's size, a 1:1 copy with blending off, so every
// pixel comes back exactly), so presenting a frame copies it once, into the
// texture.  A renderer without render targets keeps a copy of every frame
// instead, as the only way to have its pixels later.
#include "platform/sdl/sdl_presenter.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/log.h"
#include "platform/png_writer.h"
#include "platform/presenter.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/window.h"

namespace tessera::sdl {

namespace {

constexpr int kScreenW = 800, kScreenH = 600;

class SdlPresenter : public Presenter {
 public:
  ~SdlPresenter() override { Destroy(); }

  void AttachWindow(HWND window, int width, int height) override {
    Destroy();
    keep_copies_ = true;
    hwnd_ = window;
    sdl_window_ = GetSdlWindow(window);
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    frame_.assign(static_cast<size_t>(width_) * height_, 0);
    if (!sdl_window_ || width_ == 0 || height_ == 0) return;
    renderer_ = SDL_CreateRenderer(sdl_window_, -1, 0);
    if (!renderer_) renderer_ = SDL_CreateRenderer(sdl_window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
      LogWarning("no SDL renderer", SDL_GetError());
      return;
    }
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB1555, SDL_TEXTUREACCESS_STREAMING,
                                 width_, height_);
    if (!texture_) {
      LogWarning("no SDL texture", SDL_GetError());
      return;
    }
    keep_copies_ = !SDL_RenderTargetSupported(renderer_);
    // The window shows black until the game draws: a screenshot before then
    // gives black too.
    SDL_UpdateTexture(texture_, nullptr, frame_.data(), 2 * width_);
    if (!keep_copies_) frame_ = std::vector<uint16_t>();
  }

  void DetachWindow(HWND window) override {
    if (window == hwnd_) Destroy();
  }

  bool CopyToWindow(HWND window, const uint16_t* frame, int pitch, int frame_w, int frame_h, int x,
                    int y, int w, int h) override {
    if (window != hwnd_ || !frame || !texture_) return false;
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 =
        static_cast<int>(std::min<long long>({static_cast<long long>(x) + w, frame_w, width_}));
    const int y1 =
        static_cast<int>(std::min<long long>({static_cast<long long>(y) + h, frame_h, height_}));
    if (x1 > x0 && y1 > y0) {
      const uint16_t* first =
          reinterpret_cast<const uint16_t*>(reinterpret_cast<const char*>(frame) +
                                            static_cast<long>(y0) * pitch) +
          x0;
      SDL_Rect r{x0, y0, x1 - x0, y1 - y0};
      // The texture ignores bit 15 (no blending), so pixels show as they are.
      if (SDL_UpdateTexture(texture_, &r, first, pitch) != 0) return false;
      for (int row = y0; keep_copies_ && row < y1; ++row)
        std::memcpy(&frame_[static_cast<size_t>(row) * width_ + x0],
                    reinterpret_cast<const char*>(frame) + static_cast<long>(row) * pitch + 2 * x0,
                    2 * static_cast<size_t>(x1 - x0));
    }
    last_full_screen_ = false;
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    return true;
  }

  bool RunStep(DisplayStep step, HWND window) override {
    SDL_Window* w = GetSdlWindow(window);
    switch (step) {
      case DisplayStep::kCreateDisplay:
        return w != nullptr && renderer_ != nullptr;
      case DisplayStep::kExclusiveLevel:
        return true;
      case DisplayStep::kDisplayMode: {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_RGB565, kScreenW, kScreenH, 0, nullptr};
        return SDL_SetWindowDisplayMode(w, &mode) == 0;
      }
      case DisplayStep::kWindowTopmost:
        SDL_SetWindowSize(w, kScreenW, kScreenH);
        if (SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN) != 0) return false;
        window->client_width = kScreenW;
        window->client_height = kScreenH;
        window->full_screen = true;
        return true;
      case DisplayStep::kPrimarySurface:
        return renderer_ != nullptr;
      case DisplayStep::kCreateClipper:
      case DisplayStep::kClipperWindow:
      case DisplayStep::kAttachClipper:  // SDL clips to the window itself
      case DisplayStep::kPixelFormat:
        return true;
      case DisplayStep::kBackSurface:
        if (back_) SDL_DestroyTexture(back_);
        back_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                  kScreenW, kScreenH);
        if (!back_) return false;
        {
          const std::vector<uint16_t> black(static_cast<size_t>(kScreenW) * kScreenH, 0);
          SDL_UpdateTexture(back_, nullptr, black.data(), 2 * kScreenW);
          back_copy_.assign(keep_copies_ ? black.size() : 0, 0);
        }
        return true;
      case DisplayStep::kInputMethod: {
        SDL_Rect r{0, 0, 0, 0};
        SDL_SetTextInputRect(&r);
        return true;
      }
      case DisplayStep::kNormalLevel:
        return SDL_SetWindowFullscreen(w, 0) == 0;
    }
    return false;
  }

  uint32_t GreenMask() override { return 0x07E0; }  // the back buffer is 5-6-5

  bool LockBack(void** pixels, int* pitch) override {
    if (!back_ || locked_) return false;
    if (SDL_LockTexture(back_, nullptr, pixels, pitch) != 0) return false;
    locked_pixels_ = *pixels;
    locked_pitch_ = *pitch;
    locked_ = true;
    return true;
  }

  void UnlockBack() override {
    if (!locked_) return;
    // Without render targets the texture cannot be read back: keep what was
    // written, for screenshots.
    for (int y = 0; keep_copies_ && !back_copy_.empty() && y < kScreenH; ++y)
      std::memcpy(&back_copy_[static_cast<size_t>(y) * kScreenW],
                  static_cast<char*>(locked_pixels_) + static_cast<long>(y) * locked_pitch_,
                  2 * kScreenW);
    SDL_UnlockTexture(back_);
    locked_ = false;
  }

  bool BlitBackToPrimary() override {
    if (!back_ || !renderer_) return false;
    SDL_RenderClear(renderer_);
    if (SDL_RenderCopy(renderer_, back_, nullptr, nullptr) != 0) return false;
    SDL_RenderPresent(renderer_);
    last_full_screen_ = true;
    return true;
  }

  // SDL restores its textures itself.
  bool IsBackLost() override { return false; }
  bool RestoreBack() override { return true; }
  bool IsPrimaryLost() override { return false; }
  bool RestorePrimary() override { return true; }

  // Releasing the display gives the desktop its own mode back.
  void ReleaseDisplay() override {
    if (back_) SDL_DestroyTexture(back_);
    back_ = nullptr;
    if (sdl_window_ && (SDL_GetWindowFlags(sdl_window_) & SDL_WINDOW_FULLSCREEN))
      SDL_SetWindowFullscreen(sdl_window_, 0);
    if (hwnd_) hwnd_->full_screen = false;
  }

  void RestoreWindow(HWND window, int width, int height) override {
    SDL_Window* w = GetSdlWindow(window);
    if (!w) return;
    SDL_SetWindowFullscreen(w, 0);
    SDL_SetWindowSize(w, width, height);
    SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_ShowWindow(w);
    window->client_width = width;
    window->client_height = height;
    window->full_screen = false;
  }

  bool SaveFramePng(const std::string& native_path) override {
    if (last_full_screen_ && back_) {
      if (keep_copies_)
        return WritePng565(native_path, back_copy_.data(), kScreenW, kScreenH, 2 * kScreenW);
      std::vector<uint16_t> px;
      return ReadBack(back_, kScreenW, kScreenH, true, px) &&
             WritePng565(native_path, px.data(), kScreenW, kScreenH, 2 * kScreenW);
    }
    if (keep_copies_ || !texture_)
      return WritePng555(native_path, frame_.data(), width_, height_, 2 * width_);
    std::vector<uint16_t> px;
    return ReadBack(texture_, width_, height_, false, px) &&
           WritePng555(native_path, px.data(), width_, height_, 2 * width_);
  }

 private:
  // The w x h pixels of `texture` as 5-6-5 (wide_green) or 1-5-5-5 with
  // bit 15 clear.  Drawn 1:1 into an 8-bit-per-channel target: each 5- or
  // 6-bit channel comes back as its value in the top bits of a byte.
  bool ReadBack(SDL_Texture* texture, int w, int h, bool wide_green, std::vector<uint16_t>& out) {
    if (!renderer_ || w <= 0 || h <= 0) return false;
    SDL_Texture* target =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    if (!target) return false;
    std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
    const bool ok =
        SDL_SetRenderTarget(renderer_, target) == 0 &&
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE) == 0 &&
        SDL_RenderCopy(renderer_, texture, nullptr, nullptr) == 0 &&
        SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(), 4 * w) == 0;
    SDL_SetRenderTarget(renderer_, nullptr);
    SDL_DestroyTexture(target);
    if (!ok) return false;
    out.resize(argb.size());
    for (size_t i = 0; i < argb.size(); ++i) {
      const uint32_t r = (argb[i] >> 16) & 0xFF, g = (argb[i] >> 8) & 0xFF, b = argb[i] & 0xFF;
      out[i] = static_cast<uint16_t>(wide_green ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
                                                : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
    }
    return true;
  }

  void Destroy() {
    if (back_) SDL_DestroyTexture(back_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    back_ = texture_ = nullptr;
    renderer_ = nullptr;
    hwnd_ = nullptr;
    sdl_window_ = nullptr;
  }

  HWND hwnd_ = nullptr;
  SDL_Window* sdl_window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Texture* back_ = nullptr;
  int width_ = 0, height_ = 0;
  // Copies of what the window and the screen show (1-5-5-5, 5-6-5), kept
  // only when the renderer cannot read its textures back.
  std::vector<uint16_t> frame_;
  std::vector<uint16_t> back_copy_;
  bool keep_copies_ = true;
  bool locked_ = false, last_full_screen_ = false;
  void* locked_pixels_ = nullptr;
  int locked_pitch_ = 0;
};

}  // namespace

void InstallSdlPresenter() { SetPresenter(std::make_unique<SdlPresenter>()); }

}  // namespace tessera::sdl
