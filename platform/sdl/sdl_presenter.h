// The SDL2 presenter and input services, and the translator from SDL
// events to QKey records.
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

#include <vector>

#include "public/qkey.h"

union SDL_Event;

namespace tessera::sdl {

void InstallSdlPresenter();
void InstallSdlInputServices();

// Appends the QKey records of one SDL event and returns how many:
//  - text input (UTF-8, converted to GBK): one record per byte, cChar the
//    byte, cVirtKey 0, dwMessage 258;
//  - Enter, Backspace, Escape, Tab: cChar 13, 8, 27, 9, cVirtKey 0,
//    dwMessage 258;
//  - navigation keys (Page Up/Down 33/34, End 35, Home 36, arrows 37-40,
//    Insert 45, Delete 46): cVirtKey the Windows virtual-key code, cChar 0,
//    dwMessage 256;
//  - Ctrl+V: cVirtKey 214 (paste), cChar 0, dwMessage 256.
// Other events give nothing.
int TranslateEvent(const SDL_Event& event, std::vector<QKey>& keys);

}  // namespace tessera::sdl

#endif
