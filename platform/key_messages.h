// QKey records from the keyboard's window messages, for a game that hands
// keystrokes to the focused area from its window procedure:
//
//   LRESULT MyWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
//     QKey key;
//     if (tessera::KeyFromWindowMessage(msg, wp, &key) && AfxGetNowFocus()) {
//       *AfxGetKey() = key;                 // what the edit field reads
//       AfxGetNowFocus()->InKey(...);
//     }
//     ...
//   }
//
// The records are the ones tessera::sdl::TranslateEvent makes from the
// same SDL events (platform/sdl/sdl_input.h):
//   WM_CHAR b (b = 8, 9, 13, 27 or 32 and above)  cChar b, cVirtKey 0, dwMessage 258
//   WM_CHAR 22 (Ctrl+V)                           cVirtKey 214 (paste), cChar 0, dwMessage 256
//   WM_KEYDOWN of Page Up/Down, End, Home, the arrows, Insert, Delete
//                                                 cVirtKey the key, cChar 0, dwMessage 256
// Every other message (key up, other keys, mouse) gives no record: false.
#ifndef TESSERA_PLATFORM_KEY_MESSAGES_H
#define TESSERA_PLATFORM_KEY_MESSAGES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "public/qkey.h"
#include "public/windows_types.h"

namespace tessera {

bool KeyFromWindowMessage(UINT message, WPARAM wparam, QKey* key);

}  // namespace tessera

#pragma GCC visibility pop
#endif
