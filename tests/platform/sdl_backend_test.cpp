// The SDL2 backend on SDL's dummy video driver: windows behind HWND
// records, the event pump, message boxes that fall back to the headless
// record when SDL cannot show them, the presenter and input services, mouse, wheel, key and text
// events reaching the game's window procedure as window messages, and UseSdlBackend refusing SDL's
// display-less fallbacks.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/view_manage.h"
#include "platform/input_services.h"
#include "platform/key_messages.h"
#include "platform/log.h"
#include "platform/message_sink.h"
#include "platform/png_writer.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/test_hooks.h"
#include "platform/window_messages.h"
#include "public/engine.h"
#include "public/error_report.h"
#include "support/png_files.h"
#include "support/scoped_env.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::test::Contains;

using tessera::WindowMessage;

LRESULT Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

class SdlBackendTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_TRUE(tessera::sdl::UseSdlBackend());
    window_ = tessera::sdl::CreateGameWindow("\xB4\xE5\xD7\xAF", 320, 240, Ignore);  // 村庄
    ASSERT_NE(window_, nullptr);
    id_ = SDL_GetWindowID(tessera::sdl::GetSdlWindow(window_));
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_SetModState(KMOD_NONE);
  }
  void TearDown() override {
    tessera::DestroyWindowRecord(window_);
    tessera::SetMessageSink(nullptr);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EngineTest::TearDown();
  }
  // Pushes the events, pumps once, and returns what the procedure got.
  std::vector<WindowMessage> Deliver(std::vector<SDL_Event> events) {
    tessera::ReceivedMessages(window_).clear();
    for (SDL_Event& e : events) EXPECT_EQ(SDL_PushEvent(&e), 1);
    EXPECT_TRUE(tessera::sdl::PumpEvents(window_));
    return tessera::ReceivedMessages(window_);
  }
  SDL_Event Button(Uint32 type, Uint8 button, int x, int y, Uint8 clicks = 1) {
    SDL_Event e{};
    e.type = type;
    e.button.windowID = id_;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    return e;
  }
  SDL_Event Motion(int x, int y, Uint32 state) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id_;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    return e;
  }
  SDL_Event Key(Uint32 type, SDL_Keycode sym, Uint16 mod = 0, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = id_;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.repeat = repeat;
    return e;
  }

  HWND window_ = nullptr;
  Uint32 id_ = 0;
};

LPARAM At(int x, int y) { return static_cast<LPARAM>((x & 0xFFFF) | (y & 0xFFFF) << 16); }

void ExpectMessages(const std::vector<WindowMessage>& got, const std::vector<WindowMessage>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].message, want[i].message) << "message " << i;
    EXPECT_EQ(got[i].wparam, want[i].wparam) << "message " << i;
    EXPECT_EQ(got[i].lparam, want[i].lparam) << "message " << i;
  }
}

TEST_F(SdlBackendTest, WindowPumpAndMessageBoxes) {
  SDL_Window* sw = tessera::sdl::GetSdlWindow(window_);
  int width = 0, height = 0;
  SDL_GetWindowSize(sw, &width, &height);
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(320, 240));
  EXPECT_STREQ(SDL_GetWindowTitle(sw), "村庄");
  // Posted messages reach the procedure on the next pump.
  tessera::ReceivedMessages(window_).clear();
  tessera::PostMessage(window_, 1026, 7, 0);
  EXPECT_TRUE(tessera::ReceivedMessages(window_).empty());
  ExpectMessages(Deliver({}), {{1026, 7, 0}});
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(tessera::sdl::PumpEvents(window_));
  // The dummy driver cannot show a box: the text goes to the headless record.
  ErrorBox("disk %d", 3);
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text, "disk 3");
  EXPECT_EQ(tessera::HeadlessMessages()[0].icon, tessera::MessageIcon::kStop);
}

TEST_F(SdlBackendTest, MouseButtonsCarryPositionAndHeldButtons) {
  // Left down, right down while left is held, moves with both, releases;
  // the flags are those held after each event.
  auto got = Deliver({Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20),
                      Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 11, 21),
                      Motion(300, 7, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK),
                      Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 12, 22),
                      Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 13, 23),
                      Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 2),
                      Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 1, 2),
                      Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X2, 3, 4), Motion(-5, 239, 0)});
  ExpectMessages(got, {{WM_LBUTTONDOWN, MK_LBUTTON, At(10, 20)},
                       {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, At(11, 21)},
                       {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, At(300, 7)},
                       {WM_LBUTTONUP, MK_RBUTTON, At(12, 22)},
                       {WM_RBUTTONUP, 0, At(13, 23)},
                       {WM_MBUTTONDOWN, MK_MBUTTON, At(1, 2)},
                       {WM_MBUTTONUP, 0, At(1, 2)},
                       {WM_XBUTTONDOWN, MK_XBUTTON2 | XBUTTON2 << 16, At(3, 4)},
                       {WM_MOUSEMOVE, 0, At(-5, 239)}});
  EXPECT_EQ(GET_X_LPARAM(got.back().lparam), -5);  // left of the window reads back negative
}

TEST_F(SdlBackendTest, EverySecondClickOfARunIsADoubleClick) {
  auto got = Deliver({Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5, 1),
                      Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 5, 1),
                      Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5, 2),
                      Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 5, 2),
                      Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5, 3),
                      Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 5, 2)});
  std::vector<UINT> messages;
  for (const WindowMessage& m : got) messages.push_back(m.message);
  EXPECT_EQ(messages, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                         WM_LBUTTONUP, WM_LBUTTONDOWN, WM_RBUTTONDBLCLK}));
  EXPECT_EQ(got[2].wparam, WPARAM{MK_LBUTTON});
}

TEST_F(SdlBackendTest, PositionsAreScaledToClientPixelsInAStretchedWindow) {
  // The frame is 320 x 240 and the window has been made twice as big.
  SDL_SetWindowSize(tessera::sdl::GetSdlWindow(window_), 640, 480);
  SDL_SetModState(KMOD_LCTRL);
  auto got = Deliver({Motion(639, 479, 0), Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 100, 201)});
  ExpectMessages(got, {{WM_MOUSEMOVE, MK_CONTROL, At(319, 239)},
                       {WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, At(50, 100)}});
}

TEST_F(SdlBackendTest, WheelGivesNotchesOf120AtThePointer) {
  SDL_Event up{};
  up.type = SDL_MOUSEWHEEL;
  up.wheel.windowID = id_;
  up.wheel.mouseX = 30;
  up.wheel.mouseY = 40;
  SDL_Event left = up;
  up.wheel.y = 1;
  up.wheel.preciseY = 1.0f;
  left.wheel.x = -2;
  left.wheel.preciseX = -2.0f;
  left.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  SDL_SetModState(KMOD_RSHIFT);
  auto got = Deliver({up, left});
  ExpectMessages(got, {{WM_MOUSEWHEEL, 120u << 16 | MK_SHIFT, At(30, 40)},
                       {WM_MOUSEHWHEEL, 240u << 16 | MK_SHIFT, At(30, 40)}});
}

TEST_F(SdlBackendTest, KeysGiveVirtualKeyCodesAndCharacters) {
  auto got = Deliver({Key(SDL_KEYDOWN, SDLK_LEFT), Key(SDL_KEYUP, SDLK_LEFT),
                      Key(SDL_KEYDOWN, SDLK_a), Key(SDL_KEYDOWN, SDLK_7, 0, 1),
                      Key(SDL_KEYDOWN, SDLK_F5), Key(SDL_KEYDOWN, SDLK_v, KMOD_LCTRL),
                      Key(SDL_KEYDOWN, SDLK_KP_4), Key(SDL_KEYDOWN, SDLK_SLASH)});
  const LPARAM once = 1, repeated = 0x40000001, released = static_cast<LPARAM>(0xC0000001u);
  ExpectMessages(got, {{WM_KEYDOWN, VK_LEFT, once},
                       {WM_KEYUP, VK_LEFT, released},
                       {WM_KEYDOWN, 'A', once},
                       {WM_KEYDOWN, '7', repeated},
                       {WM_KEYDOWN, VK_F1 + 4, once},
                       {WM_KEYDOWN, 'V', once},
                       {WM_CHAR, 22, once},
                       {WM_KEYDOWN, VK_NUMPAD0 + 4, once},
                       {WM_KEYDOWN, VK_OEM_2, once}});
}

// A game that builds QKey records from its window messages gets exactly
// what the SDL translator makes from the same events (text as one
// character message per GBK byte).
TEST_F(SdlBackendTest, KeyRecordsFromMessagesMatchTheSdlTranslator) {
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = id_;
  std::snprintf(text.text.text, sizeof text.text.text, "%s", "x\xE4\xB8\xAD ");  // "x中 "
  std::vector<SDL_Event> events = {text, Key(SDL_KEYUP, SDLK_LEFT),
                                   Key(SDL_KEYDOWN, SDLK_v, KMOD_RCTRL),
                                   Key(SDL_KEYDOWN, SDLK_a, KMOD_LCTRL)};
  // Navigation keys, a letter the text event carries, control characters.
  for (SDL_Keycode k : {SDLK_LEFT, SDLK_DELETE, SDLK_HOME, SDLK_END, SDLK_PAGEDOWN, SDLK_v,
                        SDLK_RETURN, SDLK_BACKSPACE, SDLK_ESCAPE, SDLK_TAB, SDLK_F2})
    events.push_back(Key(SDL_KEYDOWN, k));
  std::vector<QKey> want;
  for (const SDL_Event& e : events) tessera::sdl::TranslateEvent(e, want);
  std::vector<QKey> got;
  for (const WindowMessage& m : Deliver(events)) {
    QKey k;
    if (tessera::KeyFromWindowMessage(m.message, m.wparam, &k)) got.push_back(k);
  }
  ASSERT_EQ(got.size(), want.size());
  ASSERT_EQ(want.size(), 14u);  // 4 text bytes, 5 navigation keys, paste, 4 control characters
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].cChar, want[i].cChar) << i;
    EXPECT_EQ(got[i].cVirtKey, want[i].cVirtKey) << i;
    EXPECT_EQ(got[i].dwMessage, want[i].dwMessage) << i;
  }
  QKey k;
  EXPECT_FALSE(tessera::KeyFromWindowMessage(WM_MOUSEMOVE, 0, &k));
  EXPECT_FALSE(tessera::KeyFromWindowMessage(WM_CHAR, 'a', nullptr));
}

TEST_F(SdlBackendTest, EventsOfAnotherWindowGoToThatWindowsRecord) {
  HWND other = tessera::sdl::CreateGameWindow("other", 100, 100, Ignore);
  ASSERT_NE(other, nullptr);
  SDL_Event click = Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 9, 9);
  click.button.windowID = SDL_GetWindowID(tessera::sdl::GetSdlWindow(other));
  SDL_Event pushed = Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 9, 9);
  pushed.button.windowID = 0;  // names no window: the pumped one takes it
  auto got = Deliver({click, pushed});
  ExpectMessages(got, {{WM_LBUTTONUP, 0, At(9, 9)}});
  ExpectMessages(tessera::ReceivedMessages(other), {{WM_LBUTTONDOWN, MK_LBUTTON, At(9, 9)}});
  tessera::DestroyWindowRecord(other);
}

// The SDL presenter's screenshot is read back only when asked: every pixel
// as it was presented, a part update over the earlier frame, what was drawn
// but never presented not shown.
TEST_F(SdlBackendTest, PresenterShowsFramesAndInputServicesWork) {
  constexpr int kW = 320, kH = 240;
  HWND window = window_;
  tessera::sdl::InstallSdlPresenter();
  ASSERT_EQ(AfxCreateViewManager(kW, kH, window), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  SURFACE* frame = vm->GetRenderSurface();
  tessera::test::TestRandom rnd(1);
  tessera::test::FillRandom(frame, rnd, 30);  // bit 15 set on some: never shown
  std::vector<uint16_t> want = tessera::test::Pixels(frame);
  for (uint16_t& v : want) v &= 0x7FFF;
  ASSERT_EQ(vm->UpdateScreen(), 1);
  // A part update (the top-left 10 x 10) over it, and a pixel drawn
  // outside that part, never presented.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) frame->SetPixel(x, y, want[y * kW + x] = 0x1234);
  frame->SetPixel(40, 20, 0x7FFF);
  ASSERT_EQ(vm->UpdateScreen(CRect(0, 0, 9, 9)), 1);
  tessera::test::TempDir dir;
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("sdl.png")));
  ASSERT_TRUE(tessera::WritePng555(dir.File("want.png"), want.data(), kW, kH, 2 * kW));
  auto img = tessera::test::ReadPng(dir.File("sdl.png"));
  ASSERT_EQ(img.px.size(), size_t{kW * kH * 3});
  EXPECT_TRUE(img.px == tessera::test::ReadPng(dir.File("want.png")).px);

  // Full screen: 800 x 600 through the 5-6-5 back buffer, then back.
  vm->ResetViewManage(800, 600, window);
  vm->GetRenderSurface()->SetPixel(10, 0, 0x03E0);
  vm->GetRenderSurface()->SetPixel(799, 599, 0x7C1F);
  ASSERT_EQ(vm->SwitchDisplayMode(DM_FULLSCREEN), 1);
  EXPECT_TRUE(window->full_screen);
  EXPECT_EQ(vm->UpdateScreen(), 1);
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("full.png")));
  img = tessera::test::ReadPng(dir.File("full.png"));
  ASSERT_EQ(img.w * img.h, 800 * 600);
  EXPECT_EQ(img.Rgb(10, 0), 0x00FB00u);  // green 31 became 62 of 63
  EXPECT_EQ(img.Rgb(799, 599), 0xFF00FFu);
  EXPECT_EQ(vm->SwitchDisplayMode(), 1);
  EXPECT_FALSE(window->full_screen);
  EXPECT_EQ(vm->UpdateScreen(), 1);

  // The input services on the same window: the clipboard keeps GBK text
  // through SDL's UTF-8, the cursor is reported relative to the window.
  tessera::sdl::InstallSdlInputServices();
  tessera::InputServices& in = tessera::GetInputServices();
  EXPECT_TRUE(in.SetClipboardText("\xD6\xD0!"));
  std::string text;
  ASSERT_TRUE(in.GetClipboardText(text));
  EXPECT_EQ(text, "\xD6\xD0!");
  tagPOINT p{0, 0};
  EXPECT_TRUE(tessera::GetCursorClientPos(window, p));
  EXPECT_FALSE(tessera::GetCursorClientPos(nullptr, p));
  AfxFreeEngine();
}

// No display: false, quietly, unless a driver was asked for by name (as
// the fixture above asks for the dummy one).
TEST(SdlDisplay, RefusesToRunWithoutARealDisplay) {
  tessera::test::ScopedEnv driver("SDL_VIDEODRIVER", nullptr), display("DISPLAY", nullptr),
      wayland("WAYLAND_DISPLAY", nullptr), runtime("XDG_RUNTIME_DIR", nullptr);
  tessera::test::LogRecorder log(static_cast<int>(tessera::LogLevel::kInfo));
  const auto& lines = log.lines();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(tessera::sdl::UseSdlBackend());
  EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO));
  // Display names that no local X server answers: refused before SDL
  // starts, nothing falls back.
  for (const char* name : {":97", "unix:97", ":x"}) {
    setenv("DISPLAY", name, 1);
    EXPECT_FALSE(tessera::sdl::UseSdlBackend()) << name;
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO));
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "tessera: info: no SDL display: neither DISPLAY nor WAYLAND_DISPLAY is set");
  EXPECT_EQ(lines[1], "tessera: warning: no SDL display: x11: no X server answers at DISPLAY=:97");
  EXPECT_EQ(lines[2],
            "tessera: warning: no SDL display: x11: no X server answers at DISPLAY=unix:97");
}

#if defined(TESSERA_DEMO_PATH) && defined(TESSERA_DEMO_DATA_PATH)
// The sample game in a real SDL window on the dummy driver: a click pushed
// into SDL's queue reaches its window procedure and is counted.
TEST(SdlDemo, CountsAClickPushedIntoItsWindow) {
  tessera::test::TempDir dir;
  auto data = tessera::test::RunTool(TESSERA_DEMO_DATA_PATH, "'" + dir.File("data") + "'", dir);
  ASSERT_EQ(data.status, 0) << data.err;
  tessera::test::WriteFile(dir.File("script"), "3 click 120 340\n9 quit\n");
  auto run = tessera::test::RunTool("/usr/bin/env",
                                    "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy '" +
                                        std::string(TESSERA_DEMO_PATH) + "' --data '" +
                                        dir.File("data") + "' --script '" + dir.File("script") +
                                        "' --frames 30 --log '" + dir.File("log") + "'",
                                    dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string log = tessera::test::ReadFile(dir.File("log"));
  EXPECT_TRUE(Contains(log, "tessera-demo: SDL window\n"));
  EXPECT_TRUE(Contains(log, "frame 3 click 120 340 "));
  EXPECT_TRUE(Contains(log, "frames 10\n"));
}
#endif

}  // namespace
