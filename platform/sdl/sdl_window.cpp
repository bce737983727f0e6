// Real windows for HWND records, and the SDL event pump.
#include <SDL.h>

#include <cstdio>

#include "platform/mci.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/text_encoding.h"

namespace tessera::sdl {

void InstallSdlMessageSink();

namespace {

class SdlWindowBackend : public WindowBackend {
 public:
  explicit SdlWindowBackend(SDL_Window* w) : window(w) {}
  ~SdlWindowBackend() override { SDL_DestroyWindow(window); }
  SDL_Window* window;
};

}  // namespace

bool UseSdlBackend() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "tessera: no SDL display: %s\n", SDL_GetError());
    return false;
  }
  InstallSdlMessageSink();
  return true;
}

HWND CreateGameWindow(std::string_view title_gbk, int width, int height, WindowProc proc) {
  const std::string title = GbkToUtf8(title_gbk);
  SDL_Window* w = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   width, height, SDL_WINDOW_SHOWN);
  if (!w) {
    std::fprintf(stderr, "tessera: cannot create a window: %s\n", SDL_GetError());
    return nullptr;
  }
  HWND record = CreateWindowRecord(width, height, proc);
  record->title = std::string(title_gbk);
  record->backend = new SdlWindowBackend(w);
  return record;
}

SDL_Window* GetSdlWindow(HWND window) {
  if (!window) return nullptr;
  auto* b = dynamic_cast<SdlWindowBackend*>(window->backend);
  return b ? b->window : nullptr;
}

bool PumpEvents(HWND window) {
  PollMciNotifications();  // music that ended on the audio thread
  while (DispatchPostedMessage()) {
  }
  SDL_Event e;
  bool running = true;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_QUIT) running = false;
    if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE &&
        SDL_GetWindowFromID(e.window.windowID) == GetSdlWindow(window))
      running = false;
  }
  return running;
}

}  // namespace tessera::sdl
