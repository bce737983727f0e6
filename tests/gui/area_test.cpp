// QArea: rectangle checks, states and chain membership, focus messages,
// text width and outlined text output, the click sound.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/view_manage.h"
#include "gui/area.h"
#include "gui/area_chain.h"
#include "gui/area_pointers.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/dx_sound.h"
#include "sound/dx_sound_buffer.h"
#include "sound/wave_file.h"
#include "support/test_support.h"

using tessera::test::EngineTest;

namespace {

int g_calls = 0;
void CountCall(void*) { ++g_calls; }

// Records every focus message a window procedure sees, with the focused
// area at that moment (the procedure runs inside the sending call).
struct FocusLog {
  UINT message;
  LPARAM area;
};
std::vector<FocusLog> g_focus_log;
LRESULT RecordingProc(HWND, UINT message, WPARAM, LPARAM lparam) {
  g_focus_log.push_back({message, lparam});
  return 0;
}

class AreaTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_calls = 0;
    g_focus_log.clear();
  }
  // A display manager on a headless window of 64 x 48.
  HWND MakeWindowedEngine() {
    window_ = tessera::CreateWindowRecord(64, 48, RecordingProc);
    EXPECT_EQ(AfxCreateViewManager(64, 48, window_), 1);
    return window_;
  }
  void TearDown() override {
    EngineTest::TearDown();
    if (window_) tessera::DestroyWindowRecord(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(AreaTest, ACreateAcceptsZeroSizeAndRefusesNegative) {
  QArea a(10, 10, 9, 9);
  EXPECT_EQ(a.m_nWidth, 0);
  EXPECT_EQ(a.m_nHeight, 0);
  EXPECT_EQ(a.m_dwState, 3u);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());

  a.m_dwState = 2;
  a.m_pfnClick = CountCall;
  a.ACreate(10, 10, 8, 20);
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text, "Set QArea coordinate error!");
  // The edges are stored, the rest is left as it was.
  EXPECT_EQ(a.m_rcArea.right, 8);
  EXPECT_EQ(a.m_nWidth, -1);
  EXPECT_EQ(a.m_dwState, 2u);
  EXPECT_EQ(a.m_pfnClick, &CountCall);

  // A negative height alone is refused too.
  a.ACreate(0, 10, 5, 8);
  EXPECT_EQ(tessera::HeadlessMessages().size(), 2u);
  EXPECT_EQ(a.m_dwState, 2u);
}

TEST_F(AreaTest, MoveAndResize) {
  QArea a(0, 0, 9, 4);
  a.Move(100, 200);
  EXPECT_EQ(a.m_rcArea.left, 100);
  EXPECT_EQ(a.m_rcArea.top, 200);
  EXPECT_EQ(a.m_rcArea.right, 109);
  EXPECT_EQ(a.m_rcArea.bottom, 204);

  a.m_bMovable = false;
  a.Move(0, 0);
  EXPECT_EQ(a.m_rcArea.left, 100);

  // Width 0: refused with the window's message, but the edges stay.
  a.m_bMovable = true;
  a.Resize(50, 60, 49, 70);
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_EQ(tessera::HeadlessMessages()[0].text, "Resize QWindow coordinate error!");
  EXPECT_EQ(a.m_rcArea.left, 50);
  EXPECT_EQ(a.m_rcArea.right, 49);
  EXPECT_EQ(a.m_nWidth, 0);
  EXPECT_EQ(a.m_nHeight, 11);
}

// Resize ends by calling the virtual Move, so a subclass moves its parts.
struct MoveSpy : QArea {
  using QArea::QArea;
  void Move(int left, int top) override {
    moves.push_back({left, top});
    QArea::Move(left, top);
  }
  std::vector<std::pair<int, int>> moves;
};

TEST_F(AreaTest, ResizeCallsTheVirtualMove) {
  MoveSpy a(0, 0, 9, 9);
  a.Resize(5, 6, 24, 16);
  ASSERT_EQ(a.moves.size(), 1u);
  EXPECT_EQ(a.moves[0], std::make_pair(5, 6));
  EXPECT_EQ(a.m_nWidth, 20);
  EXPECT_EQ(a.m_nHeight, 11);
  EXPECT_EQ(a.m_rcArea.right, 24);
  a.Resize(5, 6, 4, 16);
  EXPECT_EQ(a.moves.size(), 1u);
}

TEST_F(AreaTest, IsPointedOnlyInStateOneWithInclusiveEdges) {
  QArea a(10, 20, 19, 29);
  for (unsigned long state : {2ul, 3ul, 4ul, 0ul, 7ul}) {
    a.m_dwState = static_cast<uint32_t>(state);
    EXPECT_FALSE(a.IsPointed(15, 25)) << state;
  }
  a.m_dwState = 1;
  EXPECT_TRUE(a.IsPointed(10, 20));
  EXPECT_TRUE(a.IsPointed(19, 29));
  EXPECT_FALSE(a.IsPointed(9, 25));
  EXPECT_FALSE(a.IsPointed(20, 25));
  EXPECT_FALSE(a.IsPointed(15, 19));
  EXPECT_FALSE(a.IsPointed(15, 30));
}

TEST_F(AreaTest, SetStateMovesTheAreaInAndOutOfItsChain) {
  QAreaChain chain;
  QArea a(0, 0, 9, 9);
  // No chain known and none given: nothing, not even the state.
  a.SetState(1, nullptr);
  EXPECT_EQ(a.m_dwState, 3u);
  EXPECT_EQ(chain.GetCount(), 0);

  a.SetState(1, &chain);
  a.SetState(1, nullptr);
  EXPECT_EQ(a.m_pAreaChain, &chain);
  EXPECT_EQ(chain.GetCount(), 1);
  EXPECT_EQ(a.m_dwState, 1u);

  for (unsigned long s : {2ul, 3ul, 9ul}) {
    a.SetState(s, nullptr);
    EXPECT_EQ(a.m_dwState, s);
    EXPECT_EQ(chain.GetCount(), 1) << s;
  }
  a.SetState(4, nullptr);
  EXPECT_EQ(chain.GetCount(), 0);
  EXPECT_EQ(a.m_dwState, 4u);
  // Show sets state 1 but does not join the chain.
  a.Show(nullptr);
  EXPECT_EQ(a.m_dwState, 1u);
  EXPECT_EQ(chain.GetCount(), 0);

  // SetAreaChain ignores null.
  a.SetAreaChain(nullptr);
  EXPECT_EQ(a.m_pAreaChain, &chain);
}

TEST_F(AreaTest, DestructorLeavesTheChainAndTheEnginePointers) {
  QAreaChain chain;
  QArea keep(0, 0, 1, 1);
  keep.SetState(1, &chain);
  {
    QArea gone(0, 0, 1, 1);
    gone.SetState(1, &chain);
    AfxSetNowFocus(&gone);
    tessera::SetNowArea(&gone);
    tessera::SetPreArea(&gone);
    EXPECT_EQ(chain.GetCount(), 2);
  }
  EXPECT_EQ(chain.GetCount(), 1);
  EXPECT_EQ(chain.GetArea(0), &keep);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  EXPECT_EQ(AfxGetNowArea(), nullptr);
  EXPECT_EQ(AfxGetPreArea(), nullptr);
}

TEST_F(AreaTest, FocusMessagesReachTheGameWindow) {
  HWND window = MakeWindowedEngine();
  QArea a(0, 0, 9, 9), b(0, 0, 9, 9);

  // GetFocus of an area that is not focused asks for it: 1027, (0, area).
  a.GetFocus();
  EXPECT_TRUE(a.m_bFocus);
  ASSERT_EQ(tessera::ReceivedMessages(window).size(), 1u);
  EXPECT_EQ(tessera::ReceivedMessages(window)[0].message, 1027u);
  EXPECT_EQ(tessera::ReceivedMessages(window)[0].wparam, 0u);
  EXPECT_EQ(tessera::ReceivedMessages(window)[0].lparam, reinterpret_cast<LPARAM>(&a));
  ASSERT_EQ(g_focus_log.size(), 1u);
  EXPECT_EQ(g_focus_log[0].area, reinterpret_cast<LPARAM>(&a));

  // LostFocus of an area that is not focused: no message.
  a.LostFocus();
  EXPECT_FALSE(a.m_bFocus);
  EXPECT_EQ(tessera::ReceivedMessages(window).size(), 1u);

  // Focusing through the engine stores first, so GetFocus sends nothing.
  AfxSetNowFocus(&a);
  EXPECT_EQ(AfxGetNowFocus(), &a);
  EXPECT_TRUE(a.m_bFocus);
  EXPECT_EQ(tessera::ReceivedMessages(window).size(), 1u);

  // The focused area giving up: 1026 with its address.
  a.LostFocus();
  ASSERT_EQ(tessera::ReceivedMessages(window).size(), 2u);
  EXPECT_EQ(tessera::ReceivedMessages(window)[1].message, 1026u);
  EXPECT_EQ(tessera::ReceivedMessages(window)[1].lparam, reinterpret_cast<LPARAM>(&a));
  // The engine pointer is the game's to change.
  EXPECT_EQ(AfxGetNowFocus(), &a);

  // Moving the focus does not tell the previous area.
  AfxSetNowFocus(&b);
  EXPECT_TRUE(a.m_bFocus == false);
  EXPECT_EQ(AfxGetNowFocus(), &b);
  AfxSetNowFocus(nullptr);
  EXPECT_EQ(AfxGetNowFocus(), &b);
  EXPECT_EQ(tessera::ReceivedMessages(window).size(), 2u);
}

TEST_F(AreaTest, FocusWithoutAWindowSendsNothing) {
  QArea a(0, 0, 9, 9);
  a.GetFocus();
  EXPECT_TRUE(a.m_bFocus);
  AfxSetNowFocus(&a);
  a.LostFocus();
  EXPECT_FALSE(a.m_bFocus);
  EXPECT_TRUE(g_focus_log.empty());
}

TEST_F(AreaTest, DefaultMouseInCopiesTheTip) {
  QArea a(0, 0, 9, 9);
  strcpy(g_szTipText, "old text that is long");
  a.m_pfnMouseIn(&a);
  EXPECT_STREQ(g_szTipText, "");
  strcpy(a.m_szTip, "\xCE\xE4\xC6\xF7 sword");  // 武器 sword
  a.m_pfnMouseIn(&a);
  EXPECT_STREQ(g_szTipText, "\xCE\xE4\xC6\xF7 sword");
  // A tip filling all 20 bytes without a terminator is cut at 20.
  memset(a.m_szTip, 'x', sizeof(a.m_szTip));
  a.m_pfnMouseIn(&a);
  EXPECT_EQ(std::string(g_szTipText), std::string(20, 'x'));
}

TEST_F(AreaTest, TextWidthIsHalfAFontCellPerByte) {
  QArea a(0, 0, 1, 1);
  EXPECT_EQ(a.GetTextWidth(nullptr, 16), 0);
  EXPECT_EQ(a.GetTextWidth("", 16), 0);
  EXPECT_EQ(a.GetTextWidth("ab\xD6\xD0", 16), 32);  // ab中
  EXPECT_EQ(a.GetTextWidth("abc", 12), 18);
  EXPECT_EQ(a.GetTextWidth("abc", 13), 19);  // rounded down
}

// A surface that records the text calls made on it.
struct TextCall {
  int x, y;
  unsigned short colour;
  std::string text;
  int size;
};
class RecordingSurface : public DIBSURFACE {
 public:
  RecordingSurface() : DIBSURFACE(8, 8) { Initialize(); }
  void DrawTextA(int x, int y, PIXEL colour, char* text) override {
    calls.push_back({x, y, colour.GetColor(), text, tessera::CurrentFontSize()});
  }
  std::vector<TextCall> calls;
};

TEST_F(AreaTest, TextOutDrawsTheOutlineFirstInTheChosenSize) {
  QArea a(0, 0, 1, 1);
  RecordingSurface s;
  tessera::SetCurrentFontSize(12);
  char text[] = "Hi";
  a.TextOutA(&s, 10, 20, text, 24, true, 0xFF8040, 0x0810F8);
  ASSERT_EQ(s.calls.size(), 5u);
  const unsigned short outline = (0x08 >> 3) << 10 | (0x10 >> 3) << 5 | (0xF8 >> 3);
  const unsigned short fore = 31 << 10 | 16 << 5 | 8;
  const int expected[5][2] = {{9, 20}, {11, 20}, {10, 19}, {10, 21}, {10, 20}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s.calls[i].x, expected[i][0]) << i;
    EXPECT_EQ(s.calls[i].y, expected[i][1]) << i;
    EXPECT_EQ(s.calls[i].colour, i < 4 ? outline : fore) << i;
    EXPECT_EQ(s.calls[i].size, 24) << i;
    EXPECT_EQ(s.calls[i].text, "Hi");
  }
  EXPECT_EQ(tessera::CurrentFontSize(), 12);

  // Without outline: one call; size 14 keeps the current size.
  s.calls.clear();
  tessera::SetCurrentFontSize(16);
  a.TextOutA(&s, 1, 2, text, 14, false, 0xFFFFFF, 0);
  ASSERT_EQ(s.calls.size(), 1u);
  EXPECT_EQ(s.calls[0].size, 16);
  EXPECT_EQ(s.calls[0].colour, 0x7FFF);
  EXPECT_EQ(tessera::CurrentFontSize(), 16);

  // Empty text: nothing drawn, size unchanged.
  s.calls.clear();
  char empty[] = "";
  a.TextOutA(&s, 1, 2, empty, 24, true, 0, 0);
  EXPECT_TRUE(s.calls.empty());
  EXPECT_EQ(tessera::CurrentFontSize(), 16);
}

TEST_F(AreaTest, TextOutDrawsRealGlyphPixels) {
  // Through the real text drawing: the outline colour appears left of the
  // text colour, and both are the reduced 15-bit colours.
  QArea a(0, 0, 1, 1);
  DIBSURFACE s(40, 30);
  s.Initialize();
  DRAW_FX fill;
  fill.kind = FX_FILL;
  fill.colour = 0;
  s.Blit(&s, 0, 0, fill);
  char text[] = "I";
  a.TextOutA(&s, 10, 5, text, 16, true, 0xFFFFFF, 0xF80000);
  int fore = 0, back = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const unsigned short p = s.GetPixel(x, y);
      if (p == 0x7FFF) ++fore;
      else if (p == 0x7C00) ++back;
      else EXPECT_EQ(p, 0) << x << "," << y;
    }
  EXPECT_GT(fore, 0);
  EXPECT_GT(back, 0);
}

TEST_F(AreaTest, PlaySoundLoadsAndPlaysTheClickOnce) {
  QArea a(0, 0, 1, 1);
  ASSERT_TRUE(AfxCreateSound(nullptr));
  CDXSound* device = AfxGetSound();
  DxSoundBuffer* buffer = AfxGetSoundBuffer();
  tessera::ClearHeadlessAudioLog();
  // The file is missing: nothing is played.
  a.PlaySoundA(device, buffer);
  EXPECT_LT(buffer->m_nCurrent, 0);
  for (const std::string& line : tessera::HeadlessAudioLog()) EXPECT_EQ(line.find("Play"), std::string::npos);

  std::filesystem::create_directory("wav");
  const char samples[4] = {1, 2, 3, 4};
  tessera::test::WriteFile("wav/click.WAV", tessera::MakeWaveFile(1, 8000, 8, samples, 4));
  // No device or no buffer: nothing.
  a.PlaySoundA(nullptr, buffer);
  a.PlaySoundA(device, nullptr);
  EXPECT_TRUE(tessera::HeadlessAudioLog().empty());
  a.PlaySoundA(device, buffer);
  EXPECT_EQ(buffer->m_nCurrent, 0);
  ASSERT_FALSE(tessera::HeadlessAudioLog().empty());
  int plays = 0;
  for (const std::string& line : tessera::HeadlessAudioLog())
    if (line == "#1 Play 0x0") ++plays;
  EXPECT_EQ(plays, 1);

  // An empty name plays nothing.
  tessera::ClearHeadlessAudioLog();
  a.m_szSound[0] = 0;
  a.PlaySoundA(device, buffer);
  EXPECT_TRUE(tessera::HeadlessAudioLog().empty());
}

}  // namespace
