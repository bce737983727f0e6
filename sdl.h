// Tessera's SDL2 backend: a real window, presenter, sound and input.
//
//   if (tessera::sdl::UseSdlBackend()) {           // false without a display
//     window = tessera::sdl::CreateGameWindow("...", 800, 600, WindowProc);
//     tessera::sdl::InstallSdlPresenter();
//     tessera::sdl::InstallSdlInputServices();
//     tessera::sdl::UseSdlAudio();
//   }
//   while (tessera::sdl::PumpEvents(window)) { ... draw a frame ... }
//
//   #include <tessera/tessera.h>
//   #include <tessera/sdl.h>      // link with tessera-sdl (tessera::sdl)
//
// A game that never includes it runs on the headless services.
#ifndef TESSERA_SDL_H
#define TESSERA_SDL_H

#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_presenter.h"

#endif
