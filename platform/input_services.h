// Host services for input: the mouse position, the clipboard and the place
// of the input method's composition window.
//
// Headless (the default): the cursor position is what a test set, the
// clipboard is a byte string, the text-input rectangle is recorded.  The
// SDL backend (platform/sdl/) asks SDL.
#ifndef TESSERA_PLATFORM_INPUT_SERVICES_H
#define TESSERA_PLATFORM_INPUT_SERVICES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <memory>
#include <string>
#include <string_view>

#include "public/windows_types.h"

namespace tessera {

class InputServices {
 public:
  virtual ~InputServices() = default;
  // The mouse position relative to the window's client area (positions
  // outside the window included).  False when unknown.
  virtual bool GetCursorClientPos(HWND window, tagPOINT& point) = 0;
  // The clipboard's text in GBK; false when it holds none.
  virtual bool GetClipboardText(std::string& gbk) = 0;
  virtual bool SetClipboardText(std::string_view gbk) = 0;
  // Where the input method should put its composition window.
  virtual void SetTextInputRect(HWND window, const tagRECT& rect) = 0;
};

class HeadlessInputServices : public InputServices {
 public:
  bool GetCursorClientPos(HWND, tagPOINT& point) override {
    point = cursor;
    return true;
  }
  bool GetClipboardText(std::string& gbk) override {
    if (!clipboard_has_text) return false;
    gbk = clipboard;
    return true;
  }
  bool SetClipboardText(std::string_view gbk) override {
    clipboard.assign(gbk);
    clipboard_has_text = true;
    return true;
  }
  void SetTextInputRect(HWND, const tagRECT& rect) override { text_input_rect = rect; }

  tagPOINT cursor{0, 0};
  std::string clipboard;
  bool clipboard_has_text = false;
  tagRECT text_input_rect{0, 0, 0, 0};
};

// Installs the services; null reinstalls fresh headless ones.
void SetInputServices(std::unique_ptr<InputServices> services);
InputServices& GetInputServices();

// Shorthand for GetInputServices().GetCursorClientPos.
bool GetCursorClientPos(HWND window, tagPOINT& point);

}  // namespace tessera

#pragma GCC visibility pop
#endif
