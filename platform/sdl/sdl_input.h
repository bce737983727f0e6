// SDL input for a game: window messages from SDL events, and QKey records
// for the focused area.
//
// tessera::sdl::PumpEvents sends every mouse, wheel, key and text event to
// the game's window procedure as a window message (platform/
// window_messages.h); there tessera::KeyFromWindowMessage (platform/
// key_messages.h) makes the QKey records for the focused area.  A game that
// reads SDL events itself (say, from an SDL_AddEventWatch) gets the same
// records straight from them:
//
//   std::vector<QKey> keys;
//   tessera::sdl::TranslateEvent(event, keys);
//   for (const QKey& k : keys) { *AfxGetKey() = k; focused->InKey(...); }
#ifndef TESSERA_PLATFORM_SDL_SDL_INPUT_H
#define TESSERA_PLATFORM_SDL_SDL_INPUT_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <vector>

#include "platform/window.h"
#include "public/qkey.h"

union SDL_Event;

namespace tessera::sdl {

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

// The Windows virtual-key code of an SDL key code (SDL_Keycode), 0 for a
// key that has none.
uint8_t VirtualKeyOf(int32_t sdl_keycode);

// Appends the window messages of one SDL event as the event pump sends them
// to `window` and returns how many (0 for events that are not input).
// Mouse positions are scaled from the SDL window's size to the record's
// client size, so a stretched or full-screen window still reports client
// pixels.  The record keeps the buttons held between events.
int TranslateToMessages(HWND window, const SDL_Event& event, std::vector<WindowMessage>& out);

}  // namespace tessera::sdl

#pragma GCC visibility pop
#endif
