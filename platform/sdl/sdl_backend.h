// The SDL2 backend: real message boxes and a real window behind an HWND.
//
//   tessera::sdl::UseSdlBackend();            // installs the SDL services
//   HWND w = tessera::sdl::CreateGameWindow("村庄", 800, 600, MyWindowProc);
//   while (tessera::sdl::PumpEvents(w)) { ... draw a frame ... }
//
// Games that want no display (tests, servers) simply never call it: the
// headless services are the default.
#ifndef TESSERA_PLATFORM_SDL_SDL_BACKEND_H
#define TESSERA_PLATFORM_SDL_SDL_BACKEND_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string_view>

#include "platform/window.h"

struct SDL_Window;

namespace tessera::sdl {

// Initialises SDL's video subsystem and installs the SDL message sink.
// Only a real display counts: X11 when DISPLAY is set, Wayland when
// WAYLAND_DISPLAY is; SDL's offscreen and dummy drivers are taken only
// when SDL_VIDEODRIVER names them (tests do).  False when there is no
// display (a log line says why: info level when no display is named,
// warning when the named one cannot be opened); the headless services
// then stay installed and the game can run headless.
bool UseSdlBackend();

// Creates a window record with a real SDL window of the given client size
// and GBK title.  Null when the window cannot be created.
HWND CreateGameWindow(std::string_view title_gbk, int width, int height, WindowProc proc = nullptr);

// The SDL window behind a record made by CreateGameWindow, else null.
SDL_Window* GetSdlWindow(HWND window);

// Posts the music's end notifications (tessera::PollMciNotifications),
// delivers posted messages and handles every pending SDL event: mouse,
// wheel, key and text events are sent to the window procedure as window
// messages (platform/window_messages.h, TranslateToMessages in
// sdl_input.h) -- to the record of the SDL window they happened in, or to
// `window` when they name none of ours.  False once the user has asked to
// quit (SDL_QUIT, or the window's close button).
bool PumpEvents(HWND window);

}  // namespace tessera::sdl

#pragma GCC visibility pop
#endif
