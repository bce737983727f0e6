// QArea: rectangle checks, states and chain membership, focus messages,
// the tip, text width and outlined text output, the click sound.
#include "gui/area.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/dib_surface.h"
#include "engine/font_state.h"
#include "engine/view_manage.h"
#include "gui/area_chain.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_message_sink.h"
#include "platform/window.h"
#include "public/engine.h"
#include "sound/dx_sound_buffer.h"
#include "sound/wave_file.h"
#include "support/test_support.h"

namespace {

using tessera::HeadlessMessages;

class AreaTest : public tessera::test::EngineTest {
 protected:
  void TearDown() override {
    EngineTest::TearDown();
    if (window_) tessera::DestroyWindowRecord(window_);
  }
  HWND window_ = nullptr;
};

// Resize ends by calling the virtual Move, so a subclass moves its parts.
struct MoveSpy : QArea {
  using QArea::QArea;
  void Move(int left, int top) override {
    moves.push_back({left, top});
    QArea::Move(left, top);
  }
  std::vector<std::pair<int, int>> moves;
};

// A negative size is refused with its message and leaves state and
// callbacks alone; zero size is fine.  Resize stores the edges even when
// refused, and moves through the virtual Move only when accepted.
TEST_F(AreaTest, CreateResizeAndMove) {
  MoveSpy a(10, 10, 9, 9);
  EXPECT_TRUE(HeadlessMessages().empty());
  a.m_dwState = 2;
  a.m_pfnClick = DoNothing;
  a.ACreate(0, 10, 5, 8);  // negative height
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_EQ(HeadlessMessages()[0].text, "Set QArea coordinate error!");
  EXPECT_EQ(a.m_nHeight, -1);
  EXPECT_EQ(a.m_dwState, 2u);

  a.Resize(5, 6, 24, 16);
  EXPECT_EQ(a.moves, (std::vector<std::pair<int, int>>{{5, 6}}));
  a.Move(100, 200);
  EXPECT_EQ(a.m_rcArea.right, 119);
  EXPECT_EQ(a.m_rcArea.bottom, 210);
  a.m_bMovable = false;
  a.Move(0, 0);
  EXPECT_EQ(a.m_rcArea.left, 100);
  a.m_bMovable = true;
  a.Resize(50, 60, 49, 70);  // width 0
  EXPECT_EQ(HeadlessMessages().back().text, "Resize QWindow coordinate error!");
  EXPECT_EQ(a.m_rcArea.right, 49);
  EXPECT_EQ(a.moves.size(), 3u);  // the two Move calls, not this
}

TEST_F(AreaTest, SetStateMovesTheAreaInAndOutOfItsChain) {
  QAreaChain chain;
  QArea a(0, 0, 9, 9);
  a.SetState(1, nullptr);  // no chain known or given: not even the state
  EXPECT_EQ(a.m_dwState, 3u);
  a.SetState(1, &chain);
  a.SetState(1, nullptr);  // already in: not added twice
  EXPECT_EQ(a.m_pAreaChain, &chain);
  EXPECT_EQ(chain.GetCount(), 1);
  a.SetState(9, nullptr);  // any state but 4 stays in the chain
  EXPECT_EQ(a.m_dwState, 9u);
  EXPECT_EQ(chain.GetCount(), 1);
  a.SetState(4, nullptr);
  EXPECT_EQ(chain.GetCount(), 0);
  a.Show(nullptr);  // state 1 without joining the chain
  EXPECT_EQ(a.m_dwState, 1u);
  EXPECT_EQ(chain.GetCount(), 0);
  a.SetAreaChain(nullptr);  // ignored
  EXPECT_EQ(a.m_pAreaChain, &chain);
}

TEST_F(AreaTest, FocusMessagesReachTheGameWindow) {
  QArea a(0, 0, 9, 9), b(0, 0, 9, 9);
  a.GetFocus();  // no window yet: the flag only, no fault
  a.LostFocus();
  EXPECT_FALSE(a.m_bFocus);
  window_ = tessera::CreateWindowRecord(64, 48);
  ASSERT_EQ(AfxCreateViewManager(64, 48, window_), 1);
  // (message, wparam, lparam) of what the game's window received.
  auto sent = [this] {
    std::vector<std::vector<LPARAM>> v;
    for (const auto& m : tessera::ReceivedMessages(window_))
      v.push_back({LPARAM(m.message), LPARAM(m.wparam), m.lparam});
    return v;
  };
  const LPARAM pa = reinterpret_cast<LPARAM>(&a);
  a.GetFocus();  // not focused: asks with 1027
  EXPECT_TRUE(a.m_bFocus);
  a.LostFocus();       // not the focused area: no message
  AfxSetNowFocus(&a);  // stored first, so GetFocus sends nothing
  EXPECT_TRUE(a.m_bFocus);
  a.LostFocus();  // the focused area gives up: 1026; the pointer is the game's
  EXPECT_EQ(AfxGetNowFocus(), &a);
  AfxSetNowFocus(&b);       // the previous area is not told
  AfxSetNowFocus(nullptr);  // ignored
  EXPECT_EQ(AfxGetNowFocus(), &b);
  EXPECT_EQ(sent(), (std::vector<std::vector<LPARAM>>{{1027, 0, pa}, {1026, 0, pa}}));
}

// The default mouse-in copies the tip, cut at its 20 bytes when it fills
// them without a terminator.
TEST_F(AreaTest, DefaultMouseInCopiesTheTip) {
  QArea a(0, 0, 9, 9);
  strcpy(g_szTipText, "old text");
  a.m_pfnMouseIn(&a);
  EXPECT_STREQ(g_szTipText, "");
  memset(a.m_szTip, 'x', sizeof(a.m_szTip));
  a.m_pfnMouseIn(&a);
  EXPECT_EQ(std::string(g_szTipText), std::string(20, 'x'));
}

TEST_F(AreaTest, TextWidthIsHalfAFontCellPerByte) {
  QArea a(0, 0, 1, 1);
  EXPECT_EQ(a.GetTextWidth(nullptr, 16), 0);
  EXPECT_EQ(a.GetTextWidth("ab\xD6\xD0", 16), 32);  // ab中
  EXPECT_EQ(a.GetTextWidth("abc", 13), 19);         // rounded down
}

// A surface that records the text calls made on it.
class RecordingSurface : public DIBSURFACE {
 public:
  RecordingSurface() : DIBSURFACE(8, 8) { Initialize(); }
  void DrawTextA(int x, int y, PIXEL colour, char* text) override {
    calls.push_back({x, y, colour.GetColor(), tessera::CurrentFontSize()});
    EXPECT_STREQ(text, "Hi");
  }
  std::vector<std::vector<int>> calls;  // x, y, colour, font size
};

// The four outline offsets first, then the text; 24-bit colours reduced;
// the size is used for the call only, and 14 is no size.
TEST_F(AreaTest, TextOutDrawsTheOutlineFirstInTheChosenSize) {
  QArea a(0, 0, 1, 1);
  RecordingSurface s;
  tessera::SetCurrentFontSize(12);
  char text[] = "Hi", empty[] = "";
  a.TextOutA(&s, 10, 20, text, 24, true, 0xFF8040, 0x0810F8);
  const int edge = 1 << 10 | 2 << 5 | 31, fore = 31 << 10 | 16 << 5 | 8;
  const std::vector<std::vector<int>> want = {{9, 20, edge, 24},
                                              {11, 20, edge, 24},
                                              {10, 19, edge, 24},
                                              {10, 21, edge, 24},
                                              {10, 20, fore, 24}};
  EXPECT_EQ(s.calls, want);
  EXPECT_EQ(tessera::CurrentFontSize(), 12);
  s.calls.clear();
  a.TextOutA(&s, 1, 2, text, 14, false, 0xFFFFFF, 0);
  a.TextOutA(&s, 1, 2, empty, 24, true, 0, 0);
  EXPECT_EQ(s.calls, (std::vector<std::vector<int>>{{1, 2, 0x7FFF, 12}}));
  EXPECT_EQ(tessera::CurrentFontSize(), 12);
}

TEST_F(AreaTest, PlaySoundLoadsAndPlaysTheClickOnce) {
  QArea a(0, 0, 1, 1);
  ASSERT_TRUE(AfxCreateSound(nullptr));
  DxSoundBuffer* buffer = AfxGetSoundBuffer();
  tessera::ClearHeadlessAudioLog();
  a.PlaySoundA(AfxGetSound(), buffer);  // the file is missing
  EXPECT_LT(buffer->m_nCurrent, 0);
  for (const std::string& line : tessera::HeadlessAudioLog())
    EXPECT_EQ(line.find("Play"), std::string::npos);
  std::filesystem::create_directory("wav");
  const char samples[4] = {1, 2, 3, 4};
  tessera::test::WriteFile("wav/click.WAV", tessera::MakeWaveFile(1, 8000, 8, samples, 4));
  a.PlaySoundA(nullptr, buffer);
  a.PlaySoundA(AfxGetSound(), nullptr);
  a.PlaySoundA(AfxGetSound(), buffer);
  const auto& log = tessera::HeadlessAudioLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "#1 Play 0x0"), 1);
  tessera::ClearHeadlessAudioLog();
  a.m_szSound[0] = 0;  // no name: nothing
  a.PlaySoundA(AfxGetSound(), buffer);
  EXPECT_TRUE(tessera::HeadlessAudioLog().empty());
}

}  // namespace
