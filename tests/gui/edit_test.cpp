// QEdit: typing within the room, the caret over whole GBK characters,
// deletion, paste, the sounds of the keys, the Enter message order, the
// state changes, and what Show draws (scrolling, wrapping, passwords, the
// blinking caret and the input method's rectangle).
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/font_state.h"
#include "gui/area_chain.h"
#include "gui/chain_manager.h"
#include "gui/edit.h"
#include "gui_fixture.h"
#include "platform/headless/headless_audio.h"
#include "testing/manual_clock.h"
#include "platform/input_services.h"
#include "sound/dx_sound_buffer.h"
#include "sound/wave_file.h"

namespace {

using tessera::test::GuiTest;

const std::string kNi = "\xC4\xE3";  // 你
constexpr unsigned short kWhite = 0x7FFF, kRed = 0x7C00, kGrey = 0x4210;

// Everything the game's window and the callbacks see, in order.
std::vector<std::string> g_log;
LRESULT LogProc(HWND, UINT message, WPARAM, LPARAM) {
  g_log.push_back(std::to_string(message));
  return 0;
}
void LogEnter(void*) { g_log.push_back("enter"); }
void LogTargetClick(void*) { g_log.push_back("target"); }

// Ink at column 0 of the row (byte % 8), so a drawn text can be read back.
class RowGlyphs : public tessera::GlyphSource {
 public:
  bool Render(std::string_view gbk, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 0);
    ink[static_cast<size_t>(static_cast<unsigned char>(gbk[0]) % 8) * w] = 1;
    return true;
  }
};

class EditTest : public GuiTest {
 protected:
  void SetUp() override {
    g_log.clear();
    proc_ = LogProc;
    GuiTest::SetUp();
  }
  std::unique_ptr<QEdit> Make(int maxLen, const std::string& text = "", int right = 96) {
    std::string copy = text;
    auto e = std::make_unique<QEdit>(10, 20, 10 + right, 40, maxLen, nullptr,
                                     reinterpret_cast<unsigned char*>(copy.data()));
    return e;
  }
  static void Type(QEdit& e, const std::string& bytes, uint32_t message = 258) {
    for (unsigned char b : bytes) {
      QKey k;
      k.cChar = b;
      k.dwMessage = message;
      e.InKey(&k);
    }
  }
  static void Key(QEdit& e, uint8_t vk) {
    QKey k;
    k.cVirtKey = vk;
    k.dwMessage = 256;
    e.InKey(&k);
  }
  static std::string Text(QEdit& e) { return reinterpret_cast<char*>(e.GetText()); }
  tessera::HeadlessInputServices& Input() {
    return static_cast<tessera::HeadlessInputServices&>(tessera::GetInputServices());
  }
  // Sound device with the three wave files present.
  DxSoundBuffer* Sounds() {
    EXPECT_TRUE(AfxCreateSound(nullptr));
    std::filesystem::create_directory("wav");
    const char samples[4] = {1, 2, 3, 4};
    for (const char* name : {"wav/MsgType.wav", "wav/MsgBack.wav", "wav/MsgBell.wav"})
      tessera::test::WriteFile(name, tessera::MakeWaveFile(1, 8000, 8, samples, 4));
    return AfxGetSoundBuffer();
  }
  // The sound played last ("" when nothing played since the log was
  // cleared).
  static std::string Played(DxSoundBuffer* b) {
    bool played = false;
    for (const std::string& line : tessera::HeadlessAudioLog())
      if (line.find(" Play ") != std::string::npos) played = true;
    if (!played || b->m_nCurrent < 0) return "";
    return b->m_Sounds[static_cast<size_t>(b->m_nCurrent)]->szName;
  }
};

TEST_F(EditTest, FullConstructorCapsTheRoomAndAsksForTheFocusOnClick) {
  unsigned char text[] = "hi";
  QEdit e(10, 20, 106, 40, 500, nullptr, text);
  EXPECT_EQ(e.m_nMaxLen, 199);
  e.m_pfnClick(&e);
  EXPECT_TRUE(e.m_bFocus);
  EXPECT_EQ(g_log, std::vector<std::string>{"1027"});
}

TEST_F(EditTest, TypingStopsOneByteShortOfTheRoom) {
  auto e = Make(64);
  Type(*e, std::string(70, 'x'));
  EXPECT_EQ(Text(*e), std::string(63, 'x'));
  EXPECT_EQ(e->m_nCaret, 63);
  // Bytes 0-19 and 127 are not text; 20-126 and 128-255 are.
  auto f = Make(64);
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  Type(*f, all.substr(0, 40));
  std::string want;
  for (int b = 20; b <= 40; ++b)
    if (b != 27) want += static_cast<char>(b);  // 27 is Escape
  EXPECT_EQ(Text(*f), want);
  f->ClearEdit();
  Type(*f, "\x7F\x80\xFF");
  EXPECT_EQ(Text(*f), "\x80\xFF");
}

TEST_F(EditTest, OneByteOfRoomTakesOnlyASecondHalf) {
  // 62 bytes in a room of 64: one more byte fits.
  struct {
    std::string before, typed, want;
  } const cases[] = {
      // A character that cannot be finished is refused whole: its second
      // byte does not turn into a stray letter, and the next key is typed.
      {std::string(62, 'a'), kNi + "b", std::string(62, 'a') + "b"},
      {std::string(62, 'a'), "\x81\x40" "c", std::string(62, 'a') + "c"},
      // The second half of a character already begun is taken.
      {std::string(61, 'a'), kNi, std::string(61, 'a') + kNi},
      // ASCII is always taken while there is room.
      {std::string(62, 'a'), "bc", std::string(62, 'a') + "b"},
  };
  for (const auto& c : cases) {
    auto e = Make(64);
    Type(*e, c.before + c.typed);
    EXPECT_EQ(Text(*e), c.want) << c.typed;
    EXPECT_LE(Text(*e).size(), 63u);
  }
}

TEST_F(EditTest, CaretMovesOverWholeCharacters) {
  // Left, Right, Home and End in turn, each with the caret it leaves; a
  // second byte in 0x40-0x7E still belongs to its character.
  struct {
    std::string text;
    int start;
    std::vector<std::pair<uint8_t, int>> keys;
  } const cases[] = {
      {"a" + kNi + "b", 3, {{37, 1}, {37, 0}, {37, 0}, {39, 1}, {39, 3}, {39, 4}, {39, 4}, {36, 0}, {35, 4}}},
      {"x\x81\x40y", 3, {{37, 1}, {39, 3}}},
  };
  for (const auto& c : cases) {
    auto e = Make(64, c.text);
    e->m_nCaret = c.start;
    for (auto [vk, want] : c.keys) {
      Key(*e, vk);
      EXPECT_EQ(e->m_nCaret, want) << c.text << " key " << int(vk);
    }
  }
  // Typing in the middle.
  auto e = Make(64, "a" + kNi + "b");
  e->m_nCaret = 1;
  Type(*e, "Z");
  EXPECT_EQ(Text(*e), "aZ" + kNi + "b");
  EXPECT_EQ(e->m_nCaret, 2);
}

TEST_F(EditTest, DeletionTakesWholeCharacters) {
  struct {
    std::string text;
    int caret;
    bool backspace;
    std::string want;
    int caret_after;
  } const cases[] = {
      {"a" + kNi + "b", 3, true, "ab", 1},
      {"a" + kNi + "b", 1, false, "ab", 1},
      {"a" + kNi + "b", 4, false, "a" + kNi + "b", 4},
      {"a" + kNi + "b", 0, true, "a" + kNi + "b", 0},
      {"a" + kNi + "b", 4, true, "a" + kNi, 3},
      {"a" + kNi + "b", 0, false, kNi + "b", 0},
      {kNi + kNi, 2, true, kNi, 0},
      {kNi + kNi, 2, false, kNi, 2},
      {"x\x81\x40", 3, true, "x", 1},
      // A lone first half at the end is one byte.
      {"ab\xC4", 3, true, "ab", 2},
      {"ab\xC4", 2, false, "ab", 2},
  };
  for (const auto& c : cases) {
    auto e = Make(64, c.text);
    e->m_nCaret = c.caret;
    if (c.backspace)
      Type(*e, "\x08");
    else
      Key(*e, 46);
    EXPECT_EQ(Text(*e), c.want) << c.text << " " << c.caret << " " << c.backspace;
    EXPECT_EQ(e->m_nCaret, c.caret_after) << c.text << " " << c.caret << " " << c.backspace;
  }
}

TEST_F(EditTest, HalfCharacterTest) {
  QEdit e;
  std::string s = "a" + kNi + "b" + kNi;
  auto* t = reinterpret_cast<unsigned char*>(s.data());
  const int want[] = {0, 0, 1, 0, 0, 1, 0, 0, 0};
  for (int pos = 0; pos <= 8; ++pos) EXPECT_EQ(e.CheckIsHalfChinese(t, 0, pos), want[pos]) << pos;
  // From another start the pairs are counted from there.
  // From byte 2: the second half 0xE3 and 'b' (0x62) read as a pair.
  EXPECT_EQ(e.CheckIsHalfChinese(t, 2, 1), 1);
  EXPECT_EQ(e.CheckIsHalfChinese(t, 3, 1), 0);
  EXPECT_EQ(e.CheckIsHalfChinese(t, 3, 2), 1);
  EXPECT_EQ(e.CheckIsHalfChinese(t, 0, -1), 0);
  EXPECT_EQ(e.CheckIsHalfChinese(nullptr, 0, 1), 0);
}

TEST_F(EditTest, PasteTypesTheClipboardWithinTheRoom) {
  DxSoundBuffer* sounds = Sounds();
  auto e = Make(64);
  // No text on the clipboard: nothing, not even a sound.
  tessera::ClearHeadlessAudioLog();
  Key(*e, 214);
  EXPECT_EQ(Text(*e), "");
  EXPECT_EQ(Played(sounds), "");

  Input().SetClipboardText(std::string(300, 'p'));
  Key(*e, 214);
  EXPECT_EQ(Text(*e), std::string(63, 'p'));
  EXPECT_EQ(Played(sounds), "wav\\MsgBack.wav");

  // Line breaks are not text; a character cut by the room is dropped whole
  // and the next key is typed.
  auto f = Make(64, "");
  Input().SetClipboardText("ab\r\ncd");
  Key(*f, 214);
  EXPECT_EQ(Text(*f), "abcd");
  auto g = Make(64);
  Input().SetClipboardText(std::string(62, 'q') + kNi);
  Key(*g, 214);
  EXPECT_EQ(Text(*g), std::string(62, 'q'));
  Type(*g, "z");
  EXPECT_EQ(Text(*g), std::string(62, 'q') + "z");
  // Pasted at the caret.
  auto h = Make(64, "[]");
  h->m_nCaret = 1;
  Input().SetClipboardText(kNi);
  Key(*h, 214);
  EXPECT_EQ(Text(*h), "[" + kNi + "]");
  EXPECT_EQ(h->m_nCaret, 3);
}

TEST_F(EditTest, EachKeyPlaysItsSound) {
  DxSoundBuffer* sounds = Sounds();
  auto e = Make(64, "abc");
  e->m_nCaret = 1;
  struct {
    uint8_t ch, vk;
    uint32_t message;
    const char* sound;
  } const keys[] = {
      {0, 35, 256, "wav\\MsgBack.wav"}, {0, 36, 256, "wav\\MsgBack.wav"}, {0, 37, 256, ""},
      {0, 39, 256, ""},                 {0, 46, 256, "wav\\MsgBack.wav"}, {8, 0, 258, "wav\\MsgBack.wav"},
      {'x', 0, 256, "wav\\MsgType.wav"}, {'x', 0, 258, ""},               {27, 0, 256, ""},
      // Nothing to delete at the start: the sound still plays.
      {0, 36, 256, "wav\\MsgBack.wav"}, {8, 0, 258, "wav\\MsgBack.wav"},  {13, 0, 258, "wav\\MsgBell.wav"},
  };
  for (const auto& k : keys) {
    tessera::ClearHeadlessAudioLog();
    QKey key;
    key.cChar = k.ch;
    key.cVirtKey = k.vk;
    key.dwMessage = k.message;
    e->InKey(&key);
    EXPECT_EQ(Played(sounds), k.sound) << int(k.ch) << " " << int(k.vk);
  }
}

TEST_F(EditTest, EnterHandsTheFocusBackThenCommits) {
  auto e = Make(64, "hello");
  e->m_pfnEnter = LogEnter;
  AfxSetNowFocus(e.get());
  g_log.clear();
  Type(*e, "\r");
  // Lost focus, then the default target (the edit) asks for it again, then
  // the commit.
  EXPECT_EQ(g_log, (std::vector<std::string>{"1026", "1027", "enter"}));
  EXPECT_EQ(Text(*e), "hello");
  ASSERT_EQ(tessera::ReceivedMessages(window_).size(), 2u);
  EXPECT_EQ(tessera::ReceivedMessages(window_)[0].lparam, reinterpret_cast<LPARAM>(e.get()));
  EXPECT_EQ(tessera::ReceivedMessages(window_)[1].lparam, reinterpret_cast<LPARAM>(e.get()));

  // Another target answers instead.
  QArea send(0, 0, 9, 9);
  send.m_pfnClick = LogTargetClick;
  e->m_pTarget = &send;
  g_log.clear();
  Type(*e, "\r");
  EXPECT_EQ(g_log, (std::vector<std::string>{"1026", "target", "enter"}));
}

TEST_F(EditTest, StatesHandTheFocusBackAndIdleEmpties) {
  auto e = Make(64, "abc");
  CChainManager* chains = AfxGetChainManager();
  chains->Add(e.get(), CHAIN_TOP);
  EXPECT_EQ(chains->GetChain(CHAIN_TOP)->GetCount(), 1);
  AfxSetNowFocus(e.get());
  g_log.clear();
  e->SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(g_log, std::vector<std::string>{"1026"});
  EXPECT_EQ(Text(*e), "abc");
  e->SetState(QAREA_IDLE, nullptr);
  EXPECT_EQ(Text(*e), "");
  EXPECT_EQ(e->m_dwState, QAREA_IDLE);
  g_log.clear();
  e->SetState(QAREA_CLOSE, nullptr);
  EXPECT_EQ(chains->GetChain(CHAIN_TOP)->GetCount(), 0);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  EXPECT_EQ(g_log, std::vector<std::string>{"1026"});
  // Without a chain the state is still stored.
  QEdit free_edit;
  free_edit.ACreate(0, 0, 9, 9);
  free_edit.SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(free_edit.m_dwState, QAREA_HIDE);
  // Deleting a focused edit tells the game.
  auto g = Make(64);
  AfxSetNowFocus(g.get());
  g_log.clear();
  g.reset();
  EXPECT_EQ(g_log, std::vector<std::string>{"1026"});
}

class EditDrawTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    tessera::SetGlyphSource(std::make_unique<RowGlyphs>());
  }
  // The glyph origins of colour `c` on the frame with their byte's row:
  // (x, y) of each dot.
  std::vector<std::pair<int, int>> Dots(unsigned short c) { return Find(vm_->GetRenderSurface(), c); }
};

TEST_F(EditDrawTest, LongTextScrollsToKeepTheCaretInView) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += static_cast<char>('h' + i % 8);  // rows 0..7 in turn
  auto e = Make(64, text);  // 96 wide at font 12: 16 bytes
  e->m_TextColor = PIXEL(kRed);
  e->m_nCaret = 30;
  ClearFrame();
  e->Show(vm_->GetRenderSurface());
  // y = 20 + (20 - 12) / 2 - 3 = 21; bytes 14..29 at 6-pixel steps.
  const auto dots = Dots(kRed);
  ASSERT_EQ(dots.size(), 16u);
  std::vector<std::pair<int, int>> want;
  for (int i = 0; i < 16; ++i) want.emplace_back(10 + 6 * i, 21 + (14 + i) % 8);
  std::sort(want.begin(), want.end(), [](auto a, auto b) { return a.second != b.second ? a.second < b.second : a.first < b.first; });
  EXPECT_EQ(dots, want);

  // Caret at 0: the start is shown.
  e->m_nCaret = 0;
  ClearFrame();
  e->Show(vm_->GetRenderSurface());
  EXPECT_EQ(Dots(kRed).front(), std::make_pair(10, 21));
  // A short text is shown from its start whatever the caret.
  auto s = Make(64, "hij");
  s->m_TextColor = PIXEL(kRed);
  s->m_nCaret = 3;
  ClearFrame();
  s->Show(vm_->GetRenderSurface());
  EXPECT_EQ(Dots(kRed), (std::vector<std::pair<int, int>>{{10, 21}, {16, 22}, {22, 23}}));
}

TEST_F(EditDrawTest, NoCharacterIsCutAtEitherEdge) {
  // 15 letters and a character, caret at the end (17), 16 bytes shown:
  // the view is bytes 1..16.
  auto e = Make(64, std::string(15, 'h') + kNi);
  e->m_TextColor = PIXEL(kRed);
  e->m_nCaret = 17;
  ClearFrame();
  e->Show(vm_->GetRenderSurface());
  EXPECT_EQ(Dots(kRed).size(), 15u);  // 14 letters and the character
  // A character straddling the right edge (bytes 15..16 of a view of
  // 0..15) is left out.
  auto f = Make(64, std::string(15, 'h') + kNi + "h");
  f->m_TextColor = PIXEL(kRed);
  f->m_nCaret = 0;
  ClearFrame();
  f->Show(vm_->GetRenderSurface());
  EXPECT_EQ(Dots(kRed).size(), 15u);  // 15 letters, not the half character
  // The view starting on a second half moves on by one.
  auto g = Make(64, "h" + kNi + std::string(16, 'h'));
  g->m_TextColor = PIXEL(kRed);
  g->m_nCaret = 18;  // s = 2, the second half of the character: 3..18 shown
  ClearFrame();
  g->Show(vm_->GetRenderSurface());
  const auto dots = Dots(kRed);
  EXPECT_EQ(dots.size(), 16u);
  EXPECT_EQ(dots.front().first, 10);
}

TEST_F(EditDrawTest, CaretBlinksAndTheInputMethodFollowsIt) {
  for (int i = 0; i < 3; ++i) AddSolidImage("EditCurs0" + std::to_string(i), 2, 12, static_cast<unsigned short>(0x0100 * (i + 1)));
  std::string text(30, 'h');
  char cursor[] = "EditCurs0xyz";
  auto* clock = tessera::InstallManualClock(1000);
  QEdit e(10, 20, 106, 40, 64, cursor, reinterpret_cast<unsigned char*>(text.data()));
  ASSERT_NE(e.m_pCursor[2], nullptr);
  e.m_nCaret = 30;
  // Without the focus: no caret.
  ClearFrame();
  e.Show(vm_->GetRenderSurface());
  EXPECT_TRUE(Find(vm_->GetRenderSurface(), 0x0100).empty());
  AfxSetNowFocus(&e);
  std::vector<int> frames;
  for (int i = 0; i < 6; ++i) {
    ClearFrame();
    e.Show(vm_->GetRenderSurface());
    frames.push_back(e.m_nCursorFrame);
    const unsigned short colour = static_cast<unsigned short>(0x0100 * (e.m_nCursorFrame + 1));
    const auto caret = Find(vm_->GetRenderSurface(), colour);
    ASSERT_EQ(caret.size(), 24u);
    EXPECT_EQ(caret.front(), std::make_pair(106, 21));  // 96 pixels right of the left edge
    clock->Advance(i % 2 ? 101 : 0);
  }
  // The frame advances only after more than 100 ms.
  EXPECT_EQ(frames, (std::vector<int>{0, 0, 1, 1, 2, 2}));
  tagRECT r = Input().text_input_rect;
  EXPECT_EQ(r.left, 106);
  EXPECT_EQ(r.top, 21);
  EXPECT_EQ(r.bottom, 33);
  e.m_nCaret = 0;
  e.Show(vm_->GetRenderSurface());
  EXPECT_EQ(Input().text_input_rect.left, 10);
}

TEST_F(EditDrawTest, PasswordShowsOneStarPerByte) {
  auto e = Make(64, "h" + kNi);
  e->m_bPassword = true;
  e->m_TextColor = PIXEL(kRed);
  ClearFrame();
  e->Show(vm_->GetRenderSurface());
  EXPECT_TRUE(Dots(kRed).empty());
  // '*' is 42: row 2.  Three stars, drawn twice (one pixel down-right).
  const auto dots = Dots(kWhite);
  EXPECT_EQ(dots, (std::vector<std::pair<int, int>>{{10, 23}, {16, 23}, {22, 23}, {11, 24}, {17, 24}, {23, 24}}));
}

TEST_F(EditDrawTest, SeveralLinesWrapWithoutCuttingCharacters) {
  // 48 wide at font 12: 8 bytes per line.
  auto e = Make(64, std::string(7, 'h') + kNi + "hh", 48);
  e->m_bSingleLine = false;
  e->m_TextColor = PIXEL(kRed);
  e->m_nCaret = 11;
  AfxSetNowFocus(e.get());
  ClearFrame();
  e->Show(vm_->GetRenderSurface());
  const auto dots = Dots(kRed);
  // Line 1 (y 21): 7 letters; line 2 (y 33): the character and two letters.
  int first = 0, second = 0;
  for (auto [x, y] : dots) {
    if (y < 33) ++first;
    else ++second;
  }
  EXPECT_EQ(first, 7);
  EXPECT_EQ(second, 3);
  // The caret's line: the second, after 4 bytes of it.
  EXPECT_EQ(Input().text_input_rect.left, 10 + 4 * 6);
  EXPECT_EQ(Input().text_input_rect.top, 21 + 12);
}

TEST_F(EditTest, OverlongTextsAndBadValuesStayInsideTheBuffer) {
  std::string big(500, 'b');
  auto e = Make(64, big);
  EXPECT_EQ(Text(*e).size(), 199u);  // Create copies whole texts up to the buffer
  e->SetText(big.data());
  EXPECT_EQ(Text(*e).size(), 64u);
  EXPECT_EQ(e->m_nCaret, 0);
  // A room beyond the buffer is used as 199.
  e->SetMaxTextLength(1000);
  e->ClearEdit();
  Type(*e, std::string(300, 'c'));
  EXPECT_EQ(Text(*e).size(), 198u);
  // A caret set out of range by the game is brought back.
  e->m_nCaret = 5000;
  Type(*e, "\x08");
  EXPECT_EQ(Text(*e).size(), 197u);
  e->m_nCaret = -7;
  Key(*e, 46);
  EXPECT_EQ(Text(*e).size(), 196u);
  // A zero room takes nothing.
  auto z = Make(0);
  Type(*z, "abc");
  EXPECT_EQ(Text(*z), "");
  // A font size that selects no font draws no text and does not divide by
  // zero.
  e->SetFontSize(1);
  e->Show(vm_->GetRenderSurface());
}

}  // namespace
