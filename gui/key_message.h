// QKey records from the window messages a game's window procedure receives,
// so that a game can hand its focused edit field the same records a test
// feeds it:
//
//   LRESULT Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
//     QKey* key = AfxGetKey();
//     if (tessera::KeyFromMessage(msg, wp, key) && AfxGetNowFocus())
//       AfxGetNowFocus()->InKey(key);
//     ...
//   }
//
//  - WM_CHAR (258) with one byte of text (GBK, a Chinese character in two
//    messages) or a control character (13 Enter, 8 Backspace, 27 Escape,
//    9 Tab): cChar the byte, cVirtKey 0, dwMessage 258;
//  - WM_CHAR 22 (Ctrl+V): the paste key, cVirtKey 214, cChar 0, dwMessage
//    256;
//  - WM_KEYDOWN (256) of Page Up/Down, End, Home, the arrows, Insert and
//    Delete (33-40, 45, 46): cVirtKey the key, cChar 0, dwMessage 256.
// Any other message gives no record (false) and leaves the record as it
// was; the game's own three words are never touched.
#ifndef TESSERA_GUI_KEY_MESSAGE_H
#define TESSERA_GUI_KEY_MESSAGE_H

#include "public/qkey.h"
#include "public/windows_types.h"

namespace tessera {
bool KeyFromMessage(UINT message, WPARAM wparam, QKey* key);
}  // namespace tessera

#endif
