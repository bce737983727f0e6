// SDL events as the window messages a game's window procedure reads.
#include <SDL.h>

#include <cmath>

#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_input.h"
#include "platform/text_encoding.h"
#include "platform/window_messages.h"

namespace tessera::sdl {

namespace {

// Signed 16-bit halves, as Windows packs client positions.
LPARAM PackPoint(int x, int y) {
  return static_cast<LPARAM>((static_cast<uint32_t>(x) & 0xFFFF) |
                             (static_cast<uint32_t>(y) & 0xFFFF) << 16);
}

// The record's client position of an SDL window position.  The presenter
// stretches the frame over the whole window, so a window resized by the
// user or by a full-screen mode maps back proportionally.
void ToClient(HWND window, const SDL_Window* sdl_window, int* x, int* y) {
  if (!sdl_window) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(const_cast<SDL_Window*>(sdl_window), &w, &h);
  if (w > 0 && window->client_width > 0 && w != window->client_width)
    *x = static_cast<int>(static_cast<long long>(*x) * window->client_width / w);
  if (h > 0 && window->client_height > 0 && h != window->client_height)
    *y = static_cast<int>(static_cast<long long>(*y) * window->client_height / h);
}

uint32_t ButtonFlag(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return MK_LBUTTON;
    case SDL_BUTTON_RIGHT:
      return MK_RBUTTON;
    case SDL_BUTTON_MIDDLE:
      return MK_MBUTTON;
    case SDL_BUTTON_X1:
      return MK_XBUTTON1;
    case SDL_BUTTON_X2:
      return MK_XBUTTON2;
    default:
      return 0;
  }
}

uint32_t ButtonsOfState(uint32_t sdl_state) {
  uint32_t flags = 0;
  for (uint8_t b = SDL_BUTTON_LEFT; b <= SDL_BUTTON_X2; ++b)
    if (sdl_state & SDL_BUTTON(b)) flags |= ButtonFlag(b);
  return flags;
}

uint32_t ModifierFlags() {
  const SDL_Keymod mod = SDL_GetModState();
  return ((mod & KMOD_SHIFT) ? MK_SHIFT : 0) | ((mod & KMOD_CTRL) ? MK_CONTROL : 0);
}

// Down, up and double-click messages of a button, or 0 for a button
// Windows has no message for.
UINT ButtonMessage(uint8_t button, bool down, bool double_click) {
  const int offset = down ? (double_click ? 2 : 0) : 1;
  switch (button) {
    case SDL_BUTTON_LEFT:
      return WM_LBUTTONDOWN + offset;
    case SDL_BUTTON_RIGHT:
      return WM_RBUTTONDOWN + offset;
    case SDL_BUTTON_MIDDLE:
      return WM_MBUTTONDOWN + offset;
    case SDL_BUTTON_X1:
    case SDL_BUTTON_X2:
      return WM_XBUTTONDOWN + offset;
    default:
      return 0;
  }
}

// The character a key gives in a Windows message loop without text input:
// Enter, Backspace, Tab, Escape, and Ctrl with a letter.
int ControlCharacter(const SDL_Keysym& key) {
  switch (key.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_BACKSPACE:
      return 8;
    case SDLK_TAB:
      return 9;
    case SDLK_ESCAPE:
      return 27;
    default:
      break;
  }
  if ((key.mod & KMOD_CTRL) && !(key.mod & KMOD_ALT) && key.sym >= SDLK_a && key.sym <= SDLK_z)
    return key.sym - SDLK_a + 1;
  return 0;
}

}  // namespace

uint8_t VirtualKeyOf(int32_t sym) {
  if (sym >= SDLK_a && sym <= SDLK_z) return static_cast<uint8_t>('A' + (sym - SDLK_a));
  if (sym >= SDLK_0 && sym <= SDLK_9) return static_cast<uint8_t>(sym);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return static_cast<uint8_t>(VK_F1 + (sym - SDLK_F1));
  if (sym >= SDLK_F13 && sym <= SDLK_F24)
    return static_cast<uint8_t>(VK_F1 + 12 + (sym - SDLK_F13));
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9)
    return static_cast<uint8_t>(VK_NUMPAD0 + 1 + (sym - SDLK_KP_1));
  switch (sym) {
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_END:
      return VK_END;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_LGUI:
      return VK_LWIN;
    case SDLK_RGUI:
      return VK_RWIN;
    case SDLK_APPLICATION:
      return VK_APPS;
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
      return VK_SCROLL;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
    default:
      return 0;
  }
}

int TranslateToMessages(HWND window, const SDL_Event& e, std::vector<WindowMessage>& out) {
  if (!window) return 0;
  const size_t before = out.size();
  auto add = [&](UINT message, WPARAM wparam, LPARAM lparam) {
    out.push_back({message, wparam, lparam});
  };
  SDL_Window* sdl_window = GetSdlWindow(window);
  switch (e.type) {
    case SDL_MOUSEMOTION: {
      int x = e.motion.x, y = e.motion.y;
      ToClient(window, sdl_window, &x, &y);
      window->mouse_buttons = ButtonsOfState(e.motion.state);
      add(WM_MOUSEMOVE, window->mouse_buttons | ModifierFlags(), PackPoint(x, y));
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      // SDL counts quick clicks on one spot; Windows pairs them, so every
      // second click of a run is the double click.
      const bool double_click = down && e.button.clicks >= 2 && e.button.clicks % 2 == 0;
      const UINT message = ButtonMessage(e.button.button, down, double_click);
      if (message == 0) break;
      const uint32_t flag = ButtonFlag(e.button.button);
      if (down)
        window->mouse_buttons |= flag;
      else
        window->mouse_buttons &= ~flag;
      int x = e.button.x, y = e.button.y;
      ToClient(window, sdl_window, &x, &y);
      WPARAM wparam = window->mouse_buttons | ModifierFlags();
      if (e.button.button == SDL_BUTTON_X1) wparam |= static_cast<WPARAM>(XBUTTON1) << 16;
      if (e.button.button == SDL_BUTTON_X2) wparam |= static_cast<WPARAM>(XBUTTON2) << 16;
      add(message, wparam, PackPoint(x, y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      const float sign = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
      int x = 0, y = 0;
#if SDL_VERSION_ATLEAST(2, 26, 0)
      x = e.wheel.mouseX;
      y = e.wheel.mouseY;
#else
      SDL_GetMouseState(&x, &y);
#endif
      ToClient(window, sdl_window, &x, &y);
      const WPARAM flags = window->mouse_buttons | ModifierFlags();
      // A touchpad scrolls in fractions of a notch; Windows reports those
      // as deltas below 120.
      auto delta = [](float notches) {
        return (static_cast<WPARAM>(std::lround(notches * WHEEL_DELTA)) & 0xFFFF) << 16;
      };
#if SDL_VERSION_ATLEAST(2, 0, 18)
      const float dy = e.wheel.preciseY, dx = e.wheel.preciseX;
#else
      const float dy = static_cast<float>(e.wheel.y), dx = static_cast<float>(e.wheel.x);
#endif
      if (dy != 0) add(WM_MOUSEWHEEL, delta(sign * dy) | flags, PackPoint(x, y));
      if (dx != 0) add(WM_MOUSEHWHEEL, delta(sign * dx) | flags, PackPoint(x, y));
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const bool down = e.type == SDL_KEYDOWN;
      LPARAM lparam = 1;
      if (!down)
        lparam |= static_cast<LPARAM>(0xC0000000u);
      else if (e.key.repeat)
        lparam |= static_cast<LPARAM>(0x40000000u);
      add(down ? WM_KEYDOWN : WM_KEYUP, VirtualKeyOf(e.key.keysym.sym), lparam);
      if (down) {
        const int ch = ControlCharacter(e.key.keysym);
        if (ch) add(WM_CHAR, static_cast<WPARAM>(ch), lparam);
      }
      break;
    }
    case SDL_TEXTINPUT:
      for (unsigned char b : Utf8ToGbk(e.text.text)) add(WM_CHAR, b, 1);
      break;
    default:
      break;
  }
  return static_cast<int>(out.size() - before);
}

}  // namespace tessera::sdl
