// Screenshots of the SDL presenter read its texture back only when asked:
// every pixel must come back as it was presented (all 32 levels of each
// channel), a part update must show over the earlier frame, and what was
// drawn but never presented must not show.
#include <SDL.h>
#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/view_manage.h"
#include "platform/png_writer.h"
#include "platform/presenter.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_presenter.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::TempDir;

std::vector<png_byte> PngBytes(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
  return bytes;
}

TEST_F(EngineTest, SdlScreenshotGivesThePresentedPixelsExactly) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  ASSERT_TRUE(tessera::sdl::UseSdlBackend());
  constexpr int kW = 64, kH = 32;
  HWND window = tessera::sdl::CreateGameWindow("shot", kW, kH);
  ASSERT_NE(window, nullptr);
  tessera::sdl::InstallSdlPresenter();
  ASSERT_EQ(AfxCreateViewManager(kW, kH, window), 1);
  SURFACE* frame = AfxGetViewManager()->GetRenderSurface();
  std::vector<uint16_t> want(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      // Red and green walk all 32 levels, blue mixes; bit 15 set on some.
      const uint16_t v =
          static_cast<uint16_t>((x % 32) << 10 | ((x + y) % 32) << 5 | (x * 7 + y * 3) % 32);
      frame->SetPixel(x, y, static_cast<uint16_t>(v | ((x + y) % 5 == 0 ? 0x8000 : 0)));
      want[y * kW + x] = v;
    }
  ASSERT_EQ(AfxGetViewManager()->UpdateScreen(), 1);
  // A part update (the top-left 10 x 10) over it, and a pixel drawn
  // outside that part, never presented.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      frame->SetPixel(x, y, 0x1234);
      want[y * kW + x] = 0x1234;
    }
  frame->SetPixel(40, 20, 0x7FFF);
  ASSERT_EQ(AfxGetViewManager()->UpdateScreen(CRect(0, 0, 9, 9)), 1);

  TempDir dir;
  ASSERT_TRUE(tessera::GetPresenter().SaveFramePng(dir.File("shot.png")));
  ASSERT_TRUE(tessera::WritePng555(dir.File("want.png"), want.data(), kW, kH, 2 * kW));
  const std::vector<png_byte> got = PngBytes(dir.File("shot.png")),
                              expected = PngBytes(dir.File("want.png"));
  ASSERT_EQ(got.size(), size_t{kW * kH * 3});
  EXPECT_TRUE(got == expected);
  AfxFreeEngine();
  tessera::DestroyWindowRecord(window);
}

}  // namespace
