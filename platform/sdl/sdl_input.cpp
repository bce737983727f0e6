// SDL input services (cursor position, clipboard, text-input rectangle)
// and the translator from SDL events to QKey records.
#include <SDL.h>

#include <string>

#include "platform/input_services.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/text_encoding.h"

namespace tessera::sdl {

namespace {

class SdlInputServices : public InputServices {
 public:
  bool GetCursorClientPos(HWND window, tagPOINT& point) override {
    SDL_Window* w = GetSdlWindow(window);
    if (!w) return false;
    int gx = 0, gy = 0, wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(w, &wx, &wy);
    point.x = gx - wx;
    point.y = gy - wy;
    return true;
  }
  bool GetClipboardText(std::string& gbk) override {
    if (!SDL_HasClipboardText()) return false;
    char* text = SDL_GetClipboardText();
    if (!text) return false;
    gbk = Utf8ToGbk(text);
    SDL_free(text);
    return true;
  }
  bool SetClipboardText(std::string_view gbk) override {
    return SDL_SetClipboardText(GbkToUtf8(gbk).c_str()) == 0;
  }
  void SetTextInputRect(HWND, const tagRECT& rect) override {
    SDL_Rect r{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    SDL_SetTextInputRect(&r);
  }
};

QKey Key(uint8_t ch, uint8_t vk, uint32_t message) {
  QKey k;
  k.cChar = ch;
  k.cVirtKey = vk;
  k.dwMessage = message;
  return k;
}

constexpr uint32_t kKeyDown = 256, kChar = 258;

}  // namespace

void InstallSdlInputServices() { SetInputServices(std::make_unique<SdlInputServices>()); }

int TranslateEvent(const SDL_Event& event, std::vector<QKey>& keys) {
  const size_t before = keys.size();
  if (event.type == SDL_TEXTINPUT) {
    for (unsigned char b : Utf8ToGbk(event.text.text)) keys.push_back(Key(b, 0, kChar));
  } else if (event.type == SDL_KEYDOWN) {
    const SDL_Keycode sym = event.key.keysym.sym;
    const bool ctrl = (event.key.keysym.mod & KMOD_CTRL) != 0;
    if (ctrl && sym == SDLK_v) {
      keys.push_back(Key(0, 214, kKeyDown));
    } else {
      switch (sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
          keys.push_back(Key(13, 0, kChar));
          break;
        case SDLK_BACKSPACE:
          keys.push_back(Key(8, 0, kChar));
          break;
        case SDLK_ESCAPE:
          keys.push_back(Key(27, 0, kChar));
          break;
        case SDLK_TAB:
          keys.push_back(Key(9, 0, kChar));
          break;
        case SDLK_PAGEUP:
          keys.push_back(Key(0, 33, kKeyDown));
          break;
        case SDLK_PAGEDOWN:
          keys.push_back(Key(0, 34, kKeyDown));
          break;
        case SDLK_END:
          keys.push_back(Key(0, 35, kKeyDown));
          break;
        case SDLK_HOME:
          keys.push_back(Key(0, 36, kKeyDown));
          break;
        case SDLK_LEFT:
          keys.push_back(Key(0, 37, kKeyDown));
          break;
        case SDLK_UP:
          keys.push_back(Key(0, 38, kKeyDown));
          break;
        case SDLK_RIGHT:
          keys.push_back(Key(0, 39, kKeyDown));
          break;
        case SDLK_DOWN:
          keys.push_back(Key(0, 40, kKeyDown));
          break;
        case SDLK_INSERT:
          keys.push_back(Key(0, 45, kKeyDown));
          break;
        case SDLK_DELETE:
          keys.push_back(Key(0, 46, kKeyDown));
          break;
        default:
          break;
      }
    }
  }
  return static_cast<int>(keys.size() - before);
}

}  // namespace tessera::sdl
