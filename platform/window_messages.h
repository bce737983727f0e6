// The window messages that mouse and keyboard input arrive as, with their
// button flags and virtual-key codes.
//
// A game written for this engine reads input in its window procedure.  The
// SDL backend's event pump (platform/sdl/sdl_backend.h) sends these
// messages with the usual parameter packing:
//
//   mouse messages   lParam = x | (y << 16), each a signed 16-bit client
//                    pixel position (read back with GET_X_LPARAM and
//                    GET_Y_LPARAM); wParam = the MK_ flags held after the
//                    event.  WM_MOUSEWHEEL / WM_MOUSEHWHEEL carry the
//                    distance in the high word of wParam (120 per notch,
//                    positive away from the user and to the right).
//                    WM_XBUTTON* carry XBUTTON1 or XBUTTON2 in the high word.
//   WM_KEYDOWN/UP    wParam = the virtual-key code (VK_ names below, 'A'-'Z'
//                    and '0'-'9' for letters and digits); lParam = repeat
//                    count 1, bit 30 set on auto-repeat and on key up, bit
//                    31 set on key up.
//   WM_CHAR          wParam = one byte of GBK text; a Chinese character
//                    comes as two messages, lead byte first.  Enter,
//                    Backspace, Tab and Escape also give WM_CHAR 13, 8, 9,
//                    27 after their WM_KEYDOWN, and Ctrl+A..Z give 1..26.
//
// Names are guarded so that a game that also defines them keeps its own.
#ifndef TESSERA_PLATFORM_WINDOW_MESSAGES_H
#define TESSERA_PLATFORM_WINDOW_MESSAGES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "public/windows_types.h"

#ifndef WM_KEYDOWN
#define WM_SETCURSOR 0x0020
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_XBUTTONDOWN 0x020B
#define WM_XBUTTONUP 0x020C
#define WM_XBUTTONDBLCLK 0x020D
#define WM_MOUSEHWHEEL 0x020E

#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010
#define MK_XBUTTON1 0x0020
#define MK_XBUTTON2 0x0040
#define XBUTTON1 0x0001
#define XBUTTON2 0x0002
#define WHEEL_DELTA 120

#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_OEM_1 0xBA     // ;
#define VK_OEM_PLUS 0xBB  // =
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF  // /
#define VK_OEM_3 0xC0  // `
#define VK_OEM_4 0xDB  // [
#define VK_OEM_5 0xDC  // backslash
#define VK_OEM_6 0xDD  // ]
#define VK_OEM_7 0xDE  // '
#endif

#ifndef GET_X_LPARAM
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>((lp)&0xFFFF)))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(((lp) >> 16) & 0xFFFF)))
#endif
#ifndef GET_WHEEL_DELTA_WPARAM
#define GET_WHEEL_DELTA_WPARAM(wp) (static_cast<short>(((wp) >> 16) & 0xFFFF))
#endif

#pragma GCC visibility pop
#endif
