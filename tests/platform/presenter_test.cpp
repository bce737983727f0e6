// Presenters: PNG frames from the headless one, the SDL one on SDL's dummy
// video driver, and the input services.
#include <SDL.h>
#include <png.h>

#include <cstdio>
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
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::TempDir;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// Reads a PNG as 8-bit RGB with libpng's simplified interface.
std::vector<Rgb> ReadPng(const std::string& path, int* w, int* h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
  *w = static_cast<int>(image.width);
  *h = static_cast<int>(image.height);
  std::vector<Rgb> out;
  for (size_t i = 0; i + 2 < bytes.size(); i += 3)
    out.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
  return out;
}

TEST(PngWriter, WidensChannelsIn555And565) {
  TempDir dir;
  const uint16_t px555[3] = {0x7FFF, 0x0443, 0x8000 | (31 << 10)};
  ASSERT_TRUE(tessera::WritePng555(dir.File("a.png"), px555, 3, 1, 6));
  int w = 0, h = 0;
  auto img = ReadPng(dir.File("a.png"), &w, &h);
  ASSERT_EQ(img.size(), 3u);
  EXPECT_EQ(img[0], (Rgb{255, 255, 255}));
  EXPECT_EQ(img[1], (Rgb{8, 16, 24}));  // 1, 2, 3 widened: 8|0, 16|0, 24|0
  EXPECT_EQ(img[2], (Rgb{255, 0, 0}));  // bit 15 ignored
  const uint16_t px565[2] = {0xFFFF, static_cast<uint16_t>(1 << 11 | 2 << 5 | 3)};
  ASSERT_TRUE(tessera::WritePng565(dir.File("b.png"), px565, 2, 1, 4));
  img = ReadPng(dir.File("b.png"), &w, &h);
  ASSERT_EQ(img.size(), 2u);
  EXPECT_EQ(img[0], (Rgb{255, 255, 255}));
  EXPECT_EQ(img[1], (Rgb{8, 8, 24}));
  EXPECT_FALSE(tessera::WritePng565(dir.File("no/such/dir.png"), px565, 2, 1, 4));
}

TEST_F(EngineTest, HeadlessPresenterSavesTheLastFrame) {
  auto owned = std::make_unique<tessera::HeadlessPresenter>();
  tessera::HeadlessPresenter* p = owned.get();
  tessera::SetPresenter(std::move(owned));
  HWND window = tessera::CreateWindowRecord(16, 8);
  ASSERT_EQ(AfxCreateViewManager(16, 8, window), 1);
  DIBSURFACE* frame = AfxGetViewManager()->GetRenderSurface();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) frame->SetPixel(x, y, x < 8 ? 0x7C00 : 0x001F);
  AfxGetViewManager()->UpdateScreen();
  TempDir dir;
  ASSERT_TRUE(p->SaveFramePng(dir.File("f.png")));
  int w = 0, h = 0;
  auto img = ReadPng(dir.File("f.png"), &w, &h);
  ASSERT_EQ(w, 16);
  ASSERT_EQ(h, 8);
  EXPECT_EQ(img[0], (Rgb{255, 0, 0}));
  EXPECT_EQ(img[7 * 16 + 15], (Rgb{0, 0, 255}));

  // Full screen on a 5-6-5 display: the screen is saved from its layout.
  p->SetGreenMask(0x07E0);
  AfxDeleteViewManager();
  ASSERT_EQ(AfxCreateViewManager(800, 600, window), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  for (int x = 0; x < 800; ++x) vm->GetRenderSurface()->SetPixel(x, 0, 0x03E0);
  vm->UpdateScreen();
  ASSERT_TRUE(p->SaveFramePng(dir.File("g.png")));
  img = ReadPng(dir.File("g.png"), &w, &h);
  ASSERT_EQ(w, 800);
  EXPECT_EQ(img[5], (Rgb{0, 251, 0}));  // green 31 -> 62 of 63 -> 251 widened
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

// The SDL presenter for real, on SDL's dummy video driver.
TEST_F(EngineTest, SdlPresenterShowsFramesInAWindow) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  ASSERT_TRUE(tessera::sdl::UseSdlBackend());
  HWND window = tessera::sdl::CreateGameWindow("test", 64, 32);
  ASSERT_NE(window, nullptr);
  tessera::sdl::InstallSdlPresenter();
  ASSERT_EQ(AfxCreateViewManager(64, 32, window), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) vm->GetRenderSurface()->SetPixel(x, y, PIXEL(8, 16, 24));
  EXPECT_EQ(vm->UpdateScreen(), 1);
  EXPECT_EQ(vm->UpdateScreen(CRect(0, 0, 9, 9)), 1);
  TempDir dir;
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("sdl.png")));
  int w = 0, h = 0;
  auto img = ReadPng(dir.File("sdl.png"), &w, &h);
  ASSERT_EQ(w, 64);
  EXPECT_EQ(img[31 * 64 + 63], (Rgb{8, 16, 24}));

  // Full screen: 800 x 600 through the 5-6-5 back buffer, then back.
  vm->ResetViewManage(800, 600, window);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) vm->GetRenderSurface()->SetPixel(x, y, x < 400 ? 0x03E0 : 0x7C1F);
  ASSERT_EQ(vm->SwitchDisplayMode(DM_FULLSCREEN), 1);
  EXPECT_TRUE(window->full_screen);
  EXPECT_EQ(vm->UpdateScreen(), 1);
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("full.png")));
  img = ReadPng(dir.File("full.png"), &w, &h);
  ASSERT_EQ(w, 800);
  ASSERT_EQ(h, 600);
  EXPECT_EQ(img[10], (Rgb{0, 251, 0}));  // green 31 became 62 of 63
  EXPECT_EQ(img[599 * 800 + 799], (Rgb{255, 0, 255}));
  EXPECT_EQ(vm->SwitchDisplayMode(), 1);
  EXPECT_FALSE(window->full_screen);
  EXPECT_EQ(vm->UpdateScreen(), 1);

  // The input services on the same window: the clipboard keeps GBK text
  // through SDL's UTF-8, the cursor is reported relative to the window.
  tessera::sdl::InstallSdlInputServices();
  tessera::InputServices& in = tessera::GetInputServices();
  EXPECT_TRUE(
      in.SetClipboardText("\xD6\xD0"
                          "A"));
  std::string text;
  ASSERT_TRUE(in.GetClipboardText(text));
  EXPECT_EQ(text,
            "\xD6\xD0"
            "A");
  tagPOINT p{0, 0};
  EXPECT_TRUE(tessera::GetCursorClientPos(window, p));
  EXPECT_FALSE(tessera::GetCursorClientPos(nullptr, p));
  in.SetTextInputRect(window, tagRECT{0, 0, 10, 10});
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

}  // namespace
