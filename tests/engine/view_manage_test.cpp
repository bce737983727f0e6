// The display manager: the frame, windowed and full-screen presentation,
// the 5-6-5 conversion, the set-up steps and their fatal messages, fonts.
#include "engine/view_manage.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/cpu_features.h"
#include "engine/font_state.h"
#include "engine/pixel_block.h"
#include "platform/headless/headless_presenter.h"
#include "platform/test_hooks.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::DisplayStep;
using HeadlessPresenter = tessera::TestPresenter;  // fails on request
using tessera::test::EngineTest;
using tessera::test::TestRandom;

class ViewManageTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    auto p = std::make_unique<HeadlessPresenter>();
    presenter = p.get();
    tessera::SetPresenter(std::move(p));
    window = tessera::CreateWindowRecord(800, 600);
  }
  void TearDown() override {
    EngineTest::TearDown();
    tessera::DestroyWindowRecord(window);
  }
  CVIEWMANAGE* Create(int w = 800, int h = 600) {
    EXPECT_EQ(AfxCreateViewManager(w, h, window), 1);
    return AfxGetViewManager();
  }
  // Fills the frame with reproducible pixels, bit 15 included.
  void Paint(DIBSURFACE* frame, uint64_t seed) {
    TestRandom rnd(seed);
    for (int y = 0; y < frame->GetHeight(); ++y)
      for (int x = 0; x < frame->GetWidth(); ++x)
        frame->SetPixel(x, y, static_cast<unsigned short>(rnd.Next()));
  }

  HeadlessPresenter* presenter = nullptr;
  HWND window = nullptr;
};

TEST_F(ViewManageTest, OneManagerWithAFrameOfPitchTwiceTheWidth) {
  CVIEWMANAGE* vm = Create(640, 480);
  DIBSURFACE* frame = vm->GetRenderSurface();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(tessera::BlockHeader(frame->GetBitmap())->pitch, 1280);
  // A second create keeps the first manager.
  EXPECT_EQ(AfxCreateViewManager(320, 200, nullptr), 1);
  EXPECT_EQ(AfxGetViewManager(), vm);
  EXPECT_EQ(vm->GetRenderSurface()->GetWidth(), 640);
  AfxDeleteViewManager();
  EXPECT_EQ(AfxGetViewManager(), nullptr);
  AfxDeleteViewManager();  // nothing to delete
  // Without a window there is nothing to present to.
  EXPECT_EQ(AfxCreateViewManager(32, 32, nullptr), 1);
  EXPECT_EQ(AfxGetViewManager()->UpdateScreen(), 0);
  AfxFreeEngine();
  EXPECT_EQ(AfxGetViewManager(), nullptr);
}

// The whole frame, then rectangles whose right and bottom are inclusive:
// inside, partly outside, at the ends of the int range, and inverted.
TEST_F(ViewManageTest, WindowedUpdatesCopyTheFrameOrARectangle) {
  CVIEWMANAGE* vm = Create(64, 48);
  DIBSURFACE* frame = vm->GetRenderSurface();
  Paint(frame, 7);
  EXPECT_EQ(vm->UpdateScreen(), 1);
  ASSERT_EQ(presenter->WindowWidth(), 64);
  EXPECT_EQ(presenter->WindowPicture(), tessera::test::Pixels(frame));
  DRAW_FX fill;
  fill.kind = FX_FILL;
  frame->Blit(frame, 0, 0, fill);  // colour 0 everywhere
  vm->UpdateScreen();
  fill.colour = 0x1234;
  frame->Blit(frame, 0, 0, fill);
  auto copied = [&] {
    return std::count(presenter->WindowPicture().begin(), presenter->WindowPicture().end(), 0x1234);
  };
  EXPECT_EQ(vm->UpdateScreen(CRect(0, 0, 9, 9)), 1);
  EXPECT_EQ(copied(), 100);
  EXPECT_EQ(presenter->WindowPicture()[9 * 64 + 9], 0x1234);
  EXPECT_EQ(presenter->WindowPicture()[10 * 64 + 9], 0);
  EXPECT_EQ(vm->UpdateScreen(CRect(60, 40, 69, 49)), 1);
  EXPECT_EQ(copied(), 100 + 4 * 8);
  EXPECT_EQ(presenter->LastCopy().right, 10);  // width as asked
  // Edges at the ends of the int range must not overflow, and cover the
  // whole frame (a copy starting at INT_MIN once copied nothing).
  for (int y = 0; y < 48; ++y) frame->SetPixel(63, y, 0x4321);
  EXPECT_EQ(vm->UpdateScreen(CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX)), 1);
  EXPECT_EQ(
      std::count(presenter->WindowPicture().begin(), presenter->WindowPicture().end(), 0x4321), 48);
  EXPECT_EQ(vm->UpdateScreen(CRect(5, 5, 2, 2)), 1);
  EXPECT_EQ(presenter->LastCopy().right, 0);
}

TEST_F(ViewManageTest, FullScreenSetUpRunsEveryStepInOrder) {
  CVIEWMANAGE* vm = Create();
  EXPECT_EQ(vm->SwitchDisplayMode(DM_FULLSCREEN), 1);
  EXPECT_EQ(vm->IsFullScreen(), 1);
  const std::vector<DisplayStep> expected = {
      DisplayStep::kCreateDisplay, DisplayStep::kExclusiveLevel, DisplayStep::kDisplayMode,
      DisplayStep::kWindowTopmost, DisplayStep::kPrimarySurface, DisplayStep::kCreateClipper,
      DisplayStep::kClipperWindow, DisplayStep::kAttachClipper,  DisplayStep::kPixelFormat,
      DisplayStep::kBackSurface,   DisplayStep::kInputMethod};
  EXPECT_EQ(presenter->StepsRun(), expected);
  EXPECT_TRUE(window->full_screen);
  // Back to the window: normal cooperation, display released, window restored.
  EXPECT_EQ(vm->SwitchDisplayMode(), 1);
  EXPECT_EQ(vm->IsFullScreen(), 0);
  EXPECT_EQ(presenter->StepsRun().back(), DisplayStep::kNormalLevel);
  EXPECT_FALSE(presenter->DisplayExists());
  EXPECT_EQ(presenter->WindowRestores(), 1);
  EXPECT_FALSE(window->full_screen);
  EXPECT_EQ(vm->SwitchDisplayMode(static_cast<DISPLAY_MODE>(2)), 0);
}

TEST_F(ViewManageTest, QuietStepsMayFail) {
  presenter->FailStep(DisplayStep::kWindowTopmost);
  presenter->FailStep(DisplayStep::kInputMethod);
  CVIEWMANAGE* vm = Create();
  EXPECT_EQ(vm->SwitchDisplayMode(DM_FULLSCREEN), 1);
  EXPECT_EQ(vm->UpdateScreen(), 1);
}

// The 5-6-5 rule, written out per pixel.
uint16_t Reference565(uint16_t p) {
  const unsigned r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
  return static_cast<uint16_t>(r << 11 | g << 6 | b);
}

// Full screen presents the whole frame on every update (a rectangle
// update too): converted to 5-6-5 when the display's green mask says so,
// copied row by row when the back surface's pitch differs, a smaller frame
// top-left on black.
TEST_F(ViewManageTest, FullScreenPresentsTheFrameConvertedAndPlaced) {
  const struct {
    bool rgb565;
    int pitch, w, h;
  } cases[] = {{true, 0, 800, 600}, {false, 1664, 800, 600}, {true, 0, 640, 480}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << (c.rgb565 ? " 565" : " 555"));
    auto fresh = std::make_unique<HeadlessPresenter>();
    presenter = fresh.get();
    tessera::SetPresenter(std::move(fresh));
    if (c.rgb565) presenter->SetGreenMask(0x07E0);
    if (c.pitch) presenter->SetBackPitch(c.pitch);
    CVIEWMANAGE* vm = Create(c.w, c.h);
    vm->SwitchDisplayMode(DM_FULLSCREEN);
    DIBSURFACE* frame = vm->GetRenderSurface();
    Paint(frame, 11);
    EXPECT_EQ(vm->UpdateScreen(), 1);
    const std::vector<uint16_t>& screen = presenter->Screen();
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        const uint16_t p = frame->GetPixel(x, y);
        const uint16_t want = x >= c.w || y >= c.h ? 0 : c.rgb565 ? Reference565(p) : p;
        ASSERT_EQ(screen[y * 800 + x], want) << x << "," << y;
      }
    EXPECT_EQ(vm->UpdateScreen(CRect(0, 0, 0, 0)), 1);
    EXPECT_EQ(presenter->Flips(), 2);
    EXPECT_EQ(presenter->WindowCopies(), 0);
    AfxDeleteViewManager();
  }
}

TEST_F(ViewManageTest, FullScreenPresentFailsWhenLockOrBlitFails) {
  CVIEWMANAGE* vm = Create();
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  presenter->SetLockFails(true);
  EXPECT_EQ(vm->UpdateScreen(), 0);
  presenter->SetLockFails(false);
  presenter->SetBlitFails(true);
  EXPECT_EQ(vm->UpdateScreen(), 0);
  presenter->SetBlitFails(false);
  EXPECT_EQ(vm->UpdateScreen(), 1);
}

TEST_F(ViewManageTest, RestoreDDrawSetsUpAgainOnlyWhenASurfaceStaysLost) {
  CVIEWMANAGE* vm = Create();
  vm->RestoreDDraw();  // windowed: nothing
  EXPECT_TRUE(presenter->StepsRun().empty());
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  const size_t steps = presenter->StepsRun().size();
  presenter->SetBackLost(true, true);  // restorable: nothing more
  vm->RestoreDDraw();
  EXPECT_EQ(presenter->StepsRun().size(), steps);
  presenter->SetPrimaryLost(true, false);
  vm->RestoreDDraw();
  // Windowed (normal cooperation) and full screen again.
  EXPECT_EQ(presenter->StepsRun().size(), 2 * steps + 1);
  EXPECT_EQ(vm->IsFullScreen(), 1);
}

TEST_F(ViewManageTest, ResetViewManageTakesTheNewSizeWindowed) {
  CVIEWMANAGE* vm = Create();
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  vm->GetRenderSurface()->SetClipper(tagRECT{5, 5, 10, 10});
  HWND other = tessera::CreateWindowRecord(320, 240);
  vm->ResetViewManage(320, 240, other);
  EXPECT_EQ(vm->IsFullScreen(), 0);
  EXPECT_EQ(vm->GetMainWnd(), other);
  tagRECT clip;
  vm->GetRenderSurface()->GetClipper(clip);
  EXPECT_EQ(clip.right, 320);
  EXPECT_EQ(clip.bottom, 240);
  EXPECT_EQ(presenter->AttachedWindow(), other);
  EXPECT_FALSE(presenter->DisplayExists());
  AfxDeleteViewManager();
  tessera::DestroyWindowRecord(other);
}

using ViewManageDeathTest = ViewManageTest;

void ExpectFatalStep(HeadlessPresenter* presenter, HWND window, DisplayStep step) {
  presenter->FailStep(step);
  AfxCreateViewManager(800, 600, window);
  AfxGetViewManager()->SwitchDisplayMode(DM_FULLSCREEN);
}

TEST_F(ViewManageDeathTest, EveryReportedSetUpStepFailureIsFatal) {
  struct Case {
    DisplayStep step;
    const char* message;
  };
  const Case cases[] = {
      {DisplayStep::kCreateDisplay, "MSGBOX \\[Error\\] Fail to initialize Direct Draw!!!"},
      {DisplayStep::kExclusiveLevel, "MSGBOX \\[Error\\] Fail to Set Cooperative Level!!!"},
      {DisplayStep::kDisplayMode, "MSGBOX \\[Error\\] Fail to Set Display Mode!!!"},
      {DisplayStep::kPrimarySurface, "MSGBOX \\[Error\\] Fail to create primary surface"},
      {DisplayStep::kCreateClipper, "MSGBOX \\[Error\\] Create Clipper FAILED"},
      {DisplayStep::kClipperWindow, "MSGBOX \\[Error\\] Set HWnd FAILED"},
      {DisplayStep::kAttachClipper,
       "MSGBOX \\[Error\\] Set Clipper FAILED!!!!\nYour Video Card doesn't support clipper so "
       "you can't run the game in full screen!"},
      {DisplayStep::kPixelFormat, "MSGBOX \\[Error\\] Fail to get the pixel format!!!"},
      {DisplayStep::kBackSurface,
       "MSGBOX \\[Error\\] Fail to Create Back surface!!!This program need 2M Video Ram"},
  };
  for (const Case& c : cases)
    EXPECT_EXIT(ExpectFatalStep(presenter, window, c.step), ::testing::ExitedWithCode(0), c.message)
        << static_cast<int>(c.step);
}

TEST_F(ViewManageDeathTest, RefusedNormalCooperationIsFatal) {
  CVIEWMANAGE* vm = Create();
  vm->SwitchDisplayMode(DM_FULLSCREEN);
  presenter->FailStep(DisplayStep::kNormalLevel);
  EXPECT_EXIT(vm->SwitchDisplayMode(DM_WINDOW), ::testing::ExitedWithCode(0),
              "MSGBOX \\[Error\\] Fail to Set Cooperative Level\n");
}

TEST_F(ViewManageDeathTest, AProcessorWithoutMmxIsFatal) {
  tessera::ForceNoMmxForTests(true);
  EXPECT_EXIT(CVIEWMANAGE(800, 600, window), ::testing::ExitedWithCode(0),
              "MSGBOX \\[Error\\] Sorry.Your CPU doesn't support MMX.\nThe program can't run "
              "properly!");
}

}  // namespace
