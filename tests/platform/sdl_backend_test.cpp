// The SDL2 backend on SDL's dummy video driver (set for every test by
// CTest): windows behind HWND records, the event pump, and message boxes
// that fall back to the headless line when SDL cannot show them.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/headless/headless_message_sink.h"
#include "public/error_report.h"
#include "support/test_support.h"

namespace {

class SdlBackendTest : public tessera::test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_TRUE(tessera::sdl::UseSdlBackend());
  }
  void TearDown() override {
    tessera::SetMessageSink(nullptr);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EngineTest::TearDown();
  }
};

LRESULT Proc(HWND w, UINT msg, WPARAM, LPARAM) {
  if (msg == 1026) ++*static_cast<int*>(w->user_data);
  return 0;
}

TEST_F(SdlBackendTest, WindowRecordCarriesARealWindowOfTheChosenSize) {
  HWND w = tessera::sdl::CreateGameWindow("\xB4\xE5\xD7\xAF", 640, 480, Proc);  // 村庄
  ASSERT_NE(w, nullptr);
  SDL_Window* sw = tessera::sdl::GetSdlWindow(w);
  ASSERT_NE(sw, nullptr);
  int width = 0, height = 0;
  SDL_GetWindowSize(sw, &width, &height);
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(640, 480));
  EXPECT_STREQ(SDL_GetWindowTitle(sw), "村庄");

  // Posted messages reach the procedure on the next pump.
  int count = 0;
  w->user_data = &count;
  tessera::PostMessage(w, 1026, 0, 0);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(tessera::sdl::PumpEvents(w));
  EXPECT_EQ(count, 1);

  SDL_Event quit;
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(tessera::sdl::PumpEvents(w));
  tessera::DestroyWindowRecord(w);
}

TEST_F(SdlBackendTest, MessageBoxesNeverGetLost) {
  // The dummy driver cannot show a box: the text goes to the headless log.
  ErrorBox("disk %d", 3);
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text, "disk 3");
  EXPECT_EQ(tessera::HeadlessMessages()[0].icon, tessera::MessageIcon::kStop);
}

}  // namespace
