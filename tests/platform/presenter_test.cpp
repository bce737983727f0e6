// Presenters: PNG frames from the headless one, the SDL one on SDL's dummy
// video driver (its screenshot read back only when asked: every pixel as it
// was presented, a part update over the earlier frame, what was drawn but
// never presented not shown), and the input services.
#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/view_manage.h"
#include "platform/headless/headless_presenter.h"
#include "platform/input_services.h"
#include "platform/png_writer.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/png_files.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::ReadPng;
using tessera::test::TempDir;

TEST(PngWriter, WidensChannelsIn555) {
  TempDir dir;
  const uint16_t px555[3] = {0x7FFF, 0x0443, 0x8000 | (31 << 10)};
  ASSERT_TRUE(tessera::WritePng555(dir.File("a.png"), px555, 3, 1, 6));
  auto img = ReadPng(dir.File("a.png"));
  ASSERT_EQ(img.w, 3);
  EXPECT_EQ(img.Rgb(0, 0), 0xFFFFFFu);
  EXPECT_EQ(img.Rgb(1, 0), 0x081018u);  // 1, 2, 3 widened: 8|0, 16|0, 24|0
  EXPECT_EQ(img.Rgb(2, 0), 0xFF0000u);  // bit 15 ignored
  // The 5-6-5 widening is checked through the presenters' full-screen frames.
  EXPECT_FALSE(tessera::WritePng565(dir.File("no/such/dir.png"), px555, 3, 1, 6));
}

TEST_F(EngineTest, HeadlessPresenterSavesTheLastFrame) {
  auto owned = std::make_unique<tessera::HeadlessPresenter>();
  tessera::HeadlessPresenter* p = owned.get();
  tessera::SetPresenter(std::move(owned));
  HWND window = tessera::CreateWindowRecord(800, 600);
  ASSERT_EQ(AfxCreateViewManager(800, 600, window), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  vm->GetRenderSurface()->SetPixel(0, 0, 0x7C00);
  vm->GetRenderSurface()->SetPixel(799, 599, 0x001F);
  vm->UpdateScreen();
  TempDir dir;
  ASSERT_TRUE(p->SaveFramePng(dir.File("f.png")));
  auto img = ReadPng(dir.File("f.png"));
  ASSERT_EQ(img.w * img.h, 800 * 600);
  EXPECT_EQ(img.Rgb(0, 0), 0xFF0000u);
  EXPECT_EQ(img.Rgb(799, 599), 0x0000FFu);
  // Full screen on a 5-6-5 display: the screen is saved from its layout.
  p->SetGreenMask(0x07E0);
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  vm->GetRenderSurface()->SetPixel(5, 0, 0x03E0);
  vm->UpdateScreen();
  ASSERT_TRUE(p->SaveFramePng(dir.File("g.png")));
  EXPECT_EQ(ReadPng(dir.File("g.png")).Rgb(5, 0), 0x00FB00u);  // green 31 -> 62 of 63 -> 251
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

// The SDL presenter for real, on SDL's dummy video driver.
TEST_F(EngineTest, SdlPresenterShowsFramesInAWindow) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  ASSERT_TRUE(tessera::sdl::UseSdlBackend());
  constexpr int kW = 64, kH = 32;
  HWND window = tessera::sdl::CreateGameWindow("test", kW, kH);
  ASSERT_NE(window, nullptr);
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
  TempDir dir;
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("sdl.png")));
  ASSERT_TRUE(tessera::WritePng555(dir.File("want.png"), want.data(), kW, kH, 2 * kW));
  auto img = ReadPng(dir.File("sdl.png"));
  ASSERT_EQ(img.px.size(), size_t{kW * kH * 3});
  EXPECT_TRUE(img.px == ReadPng(dir.File("want.png")).px);

  // Full screen: 800 x 600 through the 5-6-5 back buffer, then back.
  vm->ResetViewManage(800, 600, window);
  vm->GetRenderSurface()->SetPixel(10, 0, 0x03E0);
  vm->GetRenderSurface()->SetPixel(799, 599, 0x7C1F);
  ASSERT_EQ(vm->SwitchDisplayMode(DM_FULLSCREEN), 1);
  EXPECT_TRUE(window->full_screen);
  EXPECT_EQ(vm->UpdateScreen(), 1);
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("full.png")));
  img = ReadPng(dir.File("full.png"));
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
  tessera::DestroyWindowRecord(window);
}

}  // namespace
