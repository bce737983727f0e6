// QMouse: button state, the frame sequence, drawing of shadow and cursor
// on the render surface, the hand-over outside the game area, and loading
// the eighteen cursor images from a pack.
#include "input/mouse.h"

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/rle_surface.h"
#include "engine/view_manage.h"
#include "gui/dialog.h"
#include "gui/gui_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/input_services.h"
#include "public/engine.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::GuiTest;

constexpr unsigned short kFrameColour = 0x03E0;   // green
constexpr unsigned short kShadowColour = 0x7C00;  // red
constexpr unsigned short kPressColour = 0x001F;   // blue

// The widget fixture's engine (320 x 240, a test pack, the cursor).
class MouseTest : public GuiTest {
 protected:
  using GuiTest::GuiTest;
  void SetUp() override {
    GuiTest::SetUp();
    mouse_ = AfxGetMouse();
    ASSERT_NE(mouse_, nullptr);
  }
  void PutCursor(int x, int y) {
    static_cast<tessera::HeadlessInputServices&>(tessera::GetInputServices()).cursor =
        tagPOINT{x, y};
  }
  static SURFACE* Solid(int w, int h, unsigned short colour) {
    return tessera::test::MakeDib(w, h, colour).release();
  }
  // The pixel a translucent blit at level 20 of `colour` leaves on black,
  // from the surface's own effect blit on a fresh black surface.
  unsigned short ShadowOnBlack(unsigned short colour) {
    std::unique_ptr<SURFACE> src(Solid(1, 1, colour)), dst(Solid(1, 1, 0));
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = 20;
    src->Blit(dst.get(), 0, 0, fx);
    return dst->GetPixel(0, 0);
  }

  // The points of `r` (right and bottom exclusive) outside `minus`, row by row.
  static std::vector<std::pair<int, int>> Points(tagRECT r, tagRECT minus = {0, 0, 0, 0}) {
    std::vector<std::pair<int, int>> out;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (x < minus.left || x >= minus.right || y < minus.top || y >= minus.bottom)
          out.emplace_back(x, y);
    return out;
  }

  QMouse* mouse_ = nullptr;
};

TEST_F(MouseTest, ButtonStateAndFrameSequence) {
  // The same key again is held; a change of key is not.
  const std::pair<int, bool> steps[] = {{1, false}, {1, true}, {0, false}, {0, true}};
  for (auto [key, held] : steps) {
    mouse_->SetMouseKey(key);
    EXPECT_EQ(mouse_->GetMouseKey(), key);
    EXPECT_EQ(mouse_->IsKeep(), held) << key;
  }
  using tessera::NextCursorFrame;
  for (unsigned short key : {0, 8, 32, 128}) {
    // From the pressed frame (15) the animation starts again at 0.
    EXPECT_EQ((std::vector<int>{NextCursorFrame(0, key), NextCursorFrame(13, key),
                                NextCursorFrame(14, key), NextCursorFrame(15, key)}),
              (std::vector<int>{1, 14, 0, 0}))
        << key;
  }
  for (unsigned short key : {1, 2, 4}) EXPECT_EQ(NextCursorFrame(3, key), 15);
  for (unsigned short key : {3, 16, 64, 256}) EXPECT_EQ(NextCursorFrame(7, key), 7);
}

// The shadow is drawn translucently (level 20) two pixels below the
// pointer, then the frame at the pointer; pressed (frame 15), the press
// shadow at the pointer itself.  A missing frame image leaves the shadow.
TEST_F(MouseTest, DrawsTheShadowThenTheFrame) {
  mouse_->m_pFrame[1] = Solid(3, 2, kFrameColour);
  mouse_->m_pFrame[15] = Solid(2, 2, kFrameColour);
  mouse_->m_pShadow = Solid(3, 3, kShadowColour);
  mouse_->m_pPressShadow = Solid(4, 4, kPressColour);
  const struct {
    int key, x, y, frame;
    tagRECT drawn, shadow;
    unsigned short colour;
  } cases[] = {{0, 10, 20, 1, {10, 20, 13, 22}, {10, 22, 13, 25}, kShadowColour},
               {1, 30, 10, 15, {30, 10, 32, 12}, {30, 10, 34, 14}, kPressColour}};
  for (const auto& c : cases) {
    DIBSURFACE* f = Frame();
    PutCursor(c.x, c.y);
    mouse_->SetMouseKey(c.key);
    mouse_->Show();
    ASSERT_EQ(mouse_->m_nFrame, c.frame);
    const unsigned short shadow = ShadowOnBlack(c.colour);
    ASSERT_TRUE(shadow != 0 && shadow != c.colour);
    const auto frame = Points(c.drawn), rest = Points(c.shadow, c.drawn);
    EXPECT_EQ(Find(f, kFrameColour), frame);
    EXPECT_EQ(Find(f, shadow), rest);
    EXPECT_EQ(Find(f, 0).size(), size_t(kW * kH) - frame.size() - rest.size());
  }
  DIBSURFACE* f = Frame();
  mouse_->SetMouseKey(0);
  mouse_->Show();  // frame 0, no image
  EXPECT_EQ(f->GetPixel(30, 10), 0);
  EXPECT_EQ(f->GetPixel(30, 12), ShadowOnBlack(kShadowColour));
}

TEST_F(MouseTest, OutsideTheGameAreaHandsTheCursorBack) {
  mouse_->m_pFrame[1] = Solid(2, 2, kFrameColour);
  mouse_->m_pShadow = Solid(2, 2, kShadowColour);
  const auto& got = tessera::ReceivedMessages(window_);
  for (const tagPOINT& p : {tagPOINT{-1, 10}, {kW, 10}, {10, -1}, {10, kH}}) {
    DIBSURFACE* f = Frame();
    tessera::ReceivedMessages(window_).clear();
    PutCursor(p.x, p.y);
    mouse_->Show();
    EXPECT_EQ(mouse_->m_ptMouse.x, p.x);
    EXPECT_EQ(mouse_->m_ptMouse.y, p.y);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(std::vector<long>({long(got[0].message), long(got[0].wparam), long(got[0].lparam)}),
              std::vector<long>({32, 0, 0}));
    EXPECT_EQ(mouse_->m_nFrame, 0);
    EXPECT_EQ(Find(f, 0).size(), size_t(kW * kH));  // nothing drawn
  }
  // The last pixel inside: drawn, no message.
  tessera::ReceivedMessages(window_).clear();
  PutCursor(kW - 1, kH - 1);
  mouse_->Show();
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(vm_->GetRenderSurface()->GetPixel(kW - 1, kH - 1), kFrameColour);
}

TEST_F(MouseTest, ShortOrNullBaseIsRefused) {
  mouse_->m_pShadow = Solid(2, 2, kShadowColour);
  SURFACE* kept = mouse_->m_pShadow;
  mouse_->LoadCursorA(nullptr);
  mouse_->LoadCursorA("MOUSE00");
  ASSERT_EQ(tessera::HeadlessMessages().size(), 2u);
  for (const auto& m : tessera::HeadlessMessages())
    EXPECT_TRUE(
        std::regex_match(m.text, std::regex("Null ID to loadCursor!\n.*mouse\\.cpp [0-9]+")))
        << m.text;
  EXPECT_EQ(mouse_->m_pShadow, kept);
}

// Cursor images from a real pack: every identifier with its style; missing
// ones give null and replace what was there.
TEST_F(MouseTest, LoadsTheEighteenImagesFromThePack) {
  // Image n is (n + 1) pixels wide, so each slot shows which one it holds.
  for (int n : {0, 7, 14, 15, 16, 17})
    PutImage("CURSORAB" + std::string(n < 10 ? "0" : "") + std::to_string(n), n + 1, 2,
             static_cast<unsigned short>(n));
  mouse_->m_pFrame[3] = Solid(1, 1, 0);  // replaced by null: no image 03
  mouse_->LoadCursorA("CURSORAB");
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
  for (int n = 0; n < 16; ++n) {
    SURFACE* s = mouse_->m_pFrame[n];
    if (n == 0 || n == 7 || n == 14 || n == 15) {
      ASSERT_NE(s, nullptr) << n;
      EXPECT_EQ(s->GetWidth(), n + 1);
      EXPECT_NE(dynamic_cast<RLESURFACE*>(s), nullptr) << n;
    } else {
      EXPECT_EQ(s, nullptr) << n;
    }
  }
  ASSERT_NE(mouse_->m_pShadow, nullptr);
  ASSERT_NE(mouse_->m_pPressShadow, nullptr);
  EXPECT_EQ(mouse_->m_pShadow->GetWidth(), 17);
  EXPECT_EQ(mouse_->m_pPressShadow->GetWidth(), 18);
  EXPECT_NE(dynamic_cast<DIBSURFACE*>(mouse_->m_pShadow), nullptr);
  EXPECT_NE(dynamic_cast<DIBSURFACE*>(mouse_->m_pPressShadow), nullptr);
  mouse_->LoadCursorA("CURSORAB");  // again: the old surfaces are freed
  // Freed after the resource pack, before the display manager: a cursor
  // holding surfaces goes cleanly with the engine (the sanitizers see it).
  AfxFreeEngine();
  EXPECT_EQ(AfxGetMouse(), nullptr);
  EXPECT_EQ(AfxGetViewManager(), nullptr);
}

// The tip box on a full 800 x 600 screen (the widget fixture's glyphs ink
// only the top-left pixel of each character cell).
class TipBoxTest : public MouseTest {
 protected:
  TipBoxTest() : MouseTest(800, 600) {}
  // Draws the cursor at (x, y) on a black frame; the white pixels.
  std::vector<std::pair<int, int>> ShowAt(int x, int y) {
    PutCursor(x, y);
    DIBSURFACE* f = Frame();
    mouse_->Show();
    return Find(f, 0x7FFF);
  }
};

// The box goes its width (120) left of the pointer from x 400 on and 20
// up from y 500 on, to stay on the screen; where its text lands inside it
// is the wrapping test's.
TEST(TipBox, StaysOnTheScreen) {
  const std::pair<tagPOINT, tagPOINT> cases[] = {{{399, 499}, {399, 499}},
                                                 {{400, 500}, {280, 480}}};
  for (const auto& [at, want] : cases) {
    const tagPOINT got = tessera::TipBoxPosition(at.x, at.y);
    EXPECT_EQ(std::make_pair(got.x, got.y), std::make_pair(want.x, want.y)) << at.x;
  }
}

// Nothing without the flag or with an empty tip; the cursor is drawn over
// the box.  (When the flag is raised, and with which text, is the chain
// manager's business and checked in its suite.)
TEST_F(TipBoxTest, LongTipsWrapAtTenBytesUnderTheCursor) {
  strcpy(g_szTipText, "hello world!");
  EXPECT_TRUE(ShowAt(350, 250).empty());
  mouse_->SetTip(true);
  // Two lines of at most ten bytes, white on a black outline: "hello worl"
  // (60 pixels, at (30, 7) of the box at the pointer) and "d!" (at (54, 20)).
  const auto white = ShowAt(350, 250);
  ASSERT_EQ(white.size(), 12u);
  EXPECT_EQ(white.front(), std::make_pair(380, 257));
  EXPECT_EQ(white[9], std::make_pair(434, 257));
  EXPECT_EQ(white[10], std::make_pair(404, 270));
  // A 100 x 15 cursor frame covers the box's first line only.
  mouse_->m_pFrame[1] = Solid(100, 15, kFrameColour);
  mouse_->m_nFrame = 0;  // the next Show draws frame 1
  EXPECT_EQ(ShowAt(350, 250).size(), 2u);
  g_szTipText[0] = 0;
  EXPECT_TRUE(ShowAt(350, 250).empty());
  EXPECT_EQ(mouse_->m_pTipDialog->m_dwState, QAREA_HIDE);
}

TEST_F(TipBoxTest, CursorMadeBeforeTheDisplayManagerDrawsItsTipLater) {
  AfxFreeEngine();
  AfxCreateMouse();
  mouse_ = AfxGetMouse();
  EXPECT_EQ(mouse_->m_pTipDialog->m_pBackSurface, nullptr);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
  ASSERT_EQ(AfxCreateViewManager(kW, kH, window_), 1);
  vm_ = AfxGetViewManager();
  strcpy(g_szTipText, "ab");
  mouse_->SetTip(true);
  EXPECT_EQ(ShowAt(10, 10).size(), 2u);
}

}  // namespace
