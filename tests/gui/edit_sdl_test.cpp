// Typing into an edit field through a real SDL window (dummy video
// driver): text-input events in UTF-8 arrive as GBK bytes, navigation keys
// and Ctrl+V as their records, paste reads SDL's clipboard, and the focus
// messages reach the same window procedure.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/view_manage.h"
#include "gui/edit.h"
#include "platform/key_messages.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

std::vector<UINT> g_focus;

// A game's window procedure: keys to the focused area, focus requests
// granted.
LRESULT GameProc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  if (tessera::KeyFromWindowMessage(message, wparam, AfxGetKey())) {
    if (AfxGetNowFocus()) AfxGetNowFocus()->InKey(AfxGetKey());
  } else if (message == AREA_MSG_GETFOCUS || message == AREA_MSG_LOSTFOCUS) {
    g_focus.push_back(message);
    if (message == AREA_MSG_GETFOCUS) AfxSetNowFocus(reinterpret_cast<QArea*>(lparam));
  }
  return 0;
}

class EditSdlTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_focus.clear();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_TRUE(tessera::sdl::UseSdlBackend());
    window_ = tessera::sdl::CreateGameWindow("edit", 320, 240, GameProc);
    ASSERT_NE(window_, nullptr);
    tessera::sdl::InstallSdlInputServices();
    ASSERT_EQ(AfxCreateViewManager(320, 240, window_), 1);
    id_ = SDL_GetWindowID(tessera::sdl::GetSdlWindow(window_));
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_SetModState(KMOD_NONE);
  }
  void TearDown() override {
    AfxFreeEngine();
    tessera::DestroyWindowRecord(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EngineTest::TearDown();
  }
  void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = id_;
    strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
    Push(e);
  }
  void Key(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = id_;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    Push(e);
  }
  void Push(SDL_Event& e) { ASSERT_EQ(SDL_PushEvent(&e), 1); }
  void Pump() { ASSERT_TRUE(tessera::sdl::PumpEvents(window_)); }

  HWND window_ = nullptr;
  Uint32 id_ = 0;
};

TEST_F(EditSdlTest, TypedChineseAndPasteReachTheFocusedEdit) {
  QEdit edit(10, 10, 209, 29, 64, nullptr, nullptr);
  AfxSetNowFocus(&edit);
  Text(
      "\xE4\xBD\xA0\xE5\xA5\xBD"
      "a");  // 你好a in UTF-8
  Pump();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(edit.GetText())),
            "\xC4\xE3\xBA\xC3"
            "a");
  // Ctrl+V pastes SDL's clipboard, converted to GBK.  (How each key maps
  // and what the field does with it are the platform's and the field's
  // own suites' business.)
  ASSERT_EQ(SDL_SetClipboardText("\xE4\xB8\xAD\xE6\x96\x87"
                                 "b"),
            0);  // 中文b
  Key(SDLK_v, KMOD_LCTRL);
  Pump();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(edit.GetText())),
            "\xC4\xE3\xBA\xC3"
            "a\xD6\xD0\xCE\xC4"
            "b");
  // Enter: the focus goes back to the game and the edit asks for it again.
  Key(SDLK_RETURN);
  Pump();
  EXPECT_EQ(g_focus, (std::vector<UINT>{AREA_MSG_LOSTFOCUS, AREA_MSG_GETFOCUS}));
  // The caret's place goes to SDL's input method without harm.
  edit.Show(AfxGetViewManager()->GetRenderSurface());
}

}  // namespace
