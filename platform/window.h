// Host service: windows and window messages.
//
// An HWND points at a window record owned by the platform layer.  The game
// creates one, installs its window procedure, and the engine talks to the
// game through synchronous messages: SendMessage calls the procedure at once
// (it may re-enter the engine) and returns its result.  A backend (the SDL
// one) may attach a real window to the record.  (The test-support library
// records the messages each window receives: ReceivedMessages in
// testing/headless_controls.h.)
#ifndef TESSERA_PLATFORM_WINDOW_H
#define TESSERA_PLATFORM_WINDOW_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>

#include "public/windows_types.h"

namespace tessera {

typedef LRESULT (*WindowProc)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

struct WindowMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

// The backend's part of a window, destroyed with the record.
class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
};

}  // namespace tessera

// The record behind an HWND.  Fields are public so that backends and tests
// can reach them; games use the functions below.
struct HWND__ {
  tessera::WindowProc proc = nullptr;
  void* user_data = nullptr;
  std::string title;         // GBK
  int32_t client_width = 0;  // size of the drawing area in pixels
  int32_t client_height = 0;
  bool full_screen = false;
  tessera::WindowBackend* backend = nullptr;  // owned
  uint32_t mouse_buttons = 0;                 // MK_ button flags held, kept by the input translator
};

namespace tessera {

// Creates a window record with the given client size (no real window; a
// backend adds one).  Free it with DestroyWindowRecord.
HWND CreateWindowRecord(int width, int height, WindowProc proc = nullptr);
void DestroyWindowRecord(HWND window);

void SetWindowProc(HWND window, WindowProc proc);

// Calls the window's procedure synchronously;
// returns the procedure's result (0 when there is none or window is null).
LRESULT SendMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Queues the message for the game's loop, which takes it with PeekMessage.
void PostMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Delivers the oldest posted message of any window through SendMessage;
// false when none is queued.
bool DispatchPostedMessage();

}  // namespace tessera

#pragma GCC visibility pop
#endif
