// The SDL2 presenter and input services (the translators from SDL events
// to QKey records and window messages are in sdl_input.h).
//
//   tessera::sdl::UseSdlBackend();
//   HWND w = tessera::sdl::CreateGameWindow(title, 800, 600, proc);
//   tessera::sdl::InstallSdlPresenter();     // before AfxCreateViewManager
//   tessera::sdl::InstallSdlInputServices();
//
// Windowed, frames go through a streaming texture of the window's size
// (1-5-5-5); full screen uses an 800 x 600 display mode and a 5-6-5
// streaming texture as the back buffer, so the display manager converts.
#ifndef TESSERA_PLATFORM_SDL_SDL_PRESENTER_H
#define TESSERA_PLATFORM_SDL_SDL_PRESENTER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "platform/sdl/sdl_input.h"

namespace tessera::sdl {

void InstallSdlPresenter();
void InstallSdlInputServices();

}  // namespace tessera::sdl

#pragma GCC visibility pop
#endif
