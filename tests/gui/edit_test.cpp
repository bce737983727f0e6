// QEdit and QLoopLED: typing, caret and deletion over whole GBK characters,
// paste, key sounds, focus messages, what Show draws; the marquee's slots,
// steps and ring.
#include "gui/edit.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gui/area_chain.h"
#include "gui/loop_led.h"
#include "gui_fixture.h"
#include "platform/headless/headless_audio.h"
#include "platform/input_services.h"
#include "sound/dx_sound_buffer.h"
#include "sound/wave_file.h"

namespace {

const std::string kNi = "\xC4\xE3";  // 你
constexpr unsigned short kWhite = 0x7FFF, kRed = 0x7C00;
using Strings = std::vector<std::string>;
using Dots = std::vector<std::pair<int, int>>;

// Everything the game's window and the callbacks see, in order.
Strings g_log;
LRESULT LogProc(HWND, UINT message, WPARAM, LPARAM) {
  g_log.push_back(std::to_string(message));
  return 0;
}

// Ink at column 0 of the row (first byte % 8), so a drawn text can be read
// back.
class RowGlyphs : public tessera::GlyphSource {
 public:
  bool Render(std::string_view gbk, int, int w, int h, std::vector<uint8_t>& ink) override {
    ink.assign(static_cast<size_t>(w) * h, 0);
    ink[static_cast<size_t>(static_cast<unsigned char>(gbk[0]) % 8) * w] = 1;
    return true;
  }
};

class EditTest : public tessera::test::GuiTest {
 protected:
  void SetUp() override {
    g_log.clear();
    proc_ = LogProc;
    GuiTest::SetUp();
    tessera::SetGlyphSource(std::make_unique<RowGlyphs>());
  }
  // At (10, 20), 20 high: the text's top is 21 at font 12.
  std::unique_ptr<QEdit> Make(int maxLen, std::string text = "", int width = 96) {
    return std::make_unique<QEdit>(10, 20, 10 + width, 40, maxLen, nullptr,
                                   reinterpret_cast<unsigned char*>(text.data()));
  }
  static void Type(QEdit& e, const std::string& bytes) {
    for (unsigned char b : bytes) Send(e, b, 0, 258);
  }
  static void Send(QEdit& e, uint8_t ch, uint8_t vk, uint32_t message) {
    QKey k;
    k.cChar = ch;
    k.cVirtKey = vk;
    k.dwMessage = message;
    e.InKey(&k);
  }
  static void Key(QEdit& e, uint8_t vk) { Send(e, 0, vk, 256); }
  static std::string Text(QEdit& e) { return reinterpret_cast<char*>(e.GetText()); }
  tessera::HeadlessInputServices& Input() {
    return static_cast<tessera::HeadlessInputServices&>(tessera::GetInputServices());
  }
  // The sound device with the three key sounds present.
  DxSoundBuffer* Sounds() {
    EXPECT_TRUE(AfxCreateSound(nullptr));
    std::filesystem::create_directory("wav");
    const char samples[4] = {1, 2, 3, 4};
    for (const char* name : {"wav/MsgType.wav", "wav/MsgBack.wav", "wav/MsgBell.wav"})
      tessera::test::WriteFile(name, tessera::MakeWaveFile(1, 8000, 8, samples, 4));
    return AfxGetSoundBuffer();
  }
  // The sound played since the audio log was cleared, "" for none.
  static std::string Played(DxSoundBuffer* b) {
    bool played = false;
    for (const std::string& line : tessera::HeadlessAudioLog())
      played |= line.find(" Play ") != std::string::npos;
    return played && b->m_nCurrent >= 0 ? b->m_Sounds[static_cast<size_t>(b->m_nCurrent)]->szName
                                        : "";
  }
  // One marquee step: a frame that starts the shared timer, then one 201 ms
  // later.
  void Step(QLoopLED& led) {
    led.Show(nullptr);
    clock_->Advance(201);
    led.Show(nullptr);
  }
  // The dots of colour `c` on a cleared frame after Show, left to right.
  Dots Drawn(QEdit& e, unsigned short c = kRed) {
    e.Show(Frame());
    Dots d = Find(vm_->GetRenderSurface(), c);
    std::sort(d.begin(), d.end());
    return d;
  }
};

// Bytes 0-19, 27 (Escape) and 127 are not text; 20-126 and 128-255 are.
TEST_F(EditTest, OnlyTextBytesAreTyped) {
  auto e = Make(64);
  std::string all;
  for (int b = 1; b <= 40; ++b) all += static_cast<char>(b);
  Type(*e, all + "\x7F\x80\xFF");
  std::string want;
  for (int b = 20; b <= 40; ++b)
    if (b != 27) want += static_cast<char>(b);
  EXPECT_EQ(Text(*e), want + "\x80\xFF");
}

// A room of 64 holds 63 bytes; a character that cannot be finished is
// refused whole (its second byte does not turn into a letter) and the next
// key is typed; the second half of a character already begun is taken.
TEST_F(EditTest, OneByteOfRoomTakesOnlyASecondHalf) {
  const std::string a62(62, 'a');
  const std::string a61 = a62.substr(1);
  for (auto [before, typed, want] : {std::tuple{a62, kNi + "b", a62 + "b"},
                                     {a62, std::string("\x81@c"), a62 + "c"},
                                     {a61, kNi, a61 + kNi}}) {
    auto e = Make(64);
    Type(*e, before + typed);
    EXPECT_EQ(Text(*e), want) << typed;
    EXPECT_EQ(e->m_nCaret, static_cast<int>(want.size()));
  }
}

// Left, Right, Home and End in turn, each with the caret it leaves; a
// second byte in 0x40-0x7E still belongs to its character.
TEST_F(EditTest, CaretMovesOverWholeCharacters) {
  struct {
    std::string text;
    int start;
    std::vector<std::pair<uint8_t, int>> keys;
  } const cases[] = {
      {"a" + kNi + "b",
       3,
       {{37, 1}, {37, 0}, {37, 0}, {39, 1}, {39, 3}, {39, 4}, {39, 4}, {36, 0}, {35, 4}}},
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
}

TEST_F(EditTest, DeletionTakesWholeCharacters) {
  const std::string t = "a" + kNi + "b";
  struct {
    std::string text;
    int caret;
    bool backspace;
    std::string want;
    int caret_after;
  } const cases[] = {
      {t, 3, true, "ab", 1},
      {t, 1, false, "ab", 1},
      {t, 4, false, t, 4},
      {t, 0, true, t, 0},
      // A lone first half at the end is one byte.
      {"ab\xC4", 3, true, "ab", 2},
      {"ab\xC4", 2, false, "ab", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " " + std::to_string(c.caret) + (c.backspace ? " backspace" : " delete"));
    auto e = Make(64, c.text);
    e->m_nCaret = c.caret;
    if (c.backspace)
      Type(*e, "\x08");
    else
      Key(*e, 46);
    EXPECT_EQ(Text(*e), c.want);
    EXPECT_EQ(e->m_nCaret, c.caret_after);
  }
}

// Pairs are counted from the start given: from byte 2 the second half
// 0xE3 and 'b' read as a pair.
TEST_F(EditTest, HalfCharacterTest) {
  QEdit e;
  std::string s = "a" + kNi + "b" + kNi;
  auto* t = reinterpret_cast<unsigned char*>(s.data());
  const int want[] = {0, 0, 1, 0, 0, 1, 0, 0, 0};
  for (int pos = 0; pos <= 8; ++pos) EXPECT_EQ(e.CheckIsHalfChinese(t, 0, pos), want[pos]) << pos;
  EXPECT_EQ(e.CheckIsHalfChinese(t, 2, 1), 1);
  EXPECT_EQ(e.CheckIsHalfChinese(t, 0, -1), 0);
  EXPECT_EQ(e.CheckIsHalfChinese(nullptr, 0, 1), 0);
}

// Paste types the clipboard at the caret within the room: line breaks are
// not text, a character cut by the room is dropped whole and the next key
// typed; an empty clipboard does nothing, not even a sound.
TEST_F(EditTest, PasteTypesTheClipboardWithinTheRoom) {
  DxSoundBuffer* sounds = Sounds();
  auto e = Make(64);
  tessera::ClearHeadlessAudioLog();
  Key(*e, 214);
  EXPECT_EQ(Text(*e), "");
  EXPECT_EQ(Played(sounds), "");
  const std::string q62(62, 'q');
  const struct {
    std::string start;
    int caret;
    std::string clip, want;
    int caret_after;
  } cases[] = {
      {"", 0, std::string(300, 'p'), std::string(63, 'p'), 63},
      {"", 0, "ab\r\ncd", "abcd", 4},
      {q62, 62, kNi + "z", q62 + "z", 63},
      {"[]", 1, kNi, "[" + kNi + "]", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    auto f = Make(64, c.start);
    f->m_nCaret = c.caret;
    Input().SetClipboardText(c.clip);
    Key(*f, 214);
    EXPECT_EQ(Text(*f), c.want);
    EXPECT_EQ(f->m_nCaret, c.caret_after);
  }
  EXPECT_EQ(Played(sounds), "wav\\MsgBack.wav");
}

TEST_F(EditTest, EachKeyPlaysItsSound) {
  DxSoundBuffer* sounds = Sounds();
  auto e = Make(64, "abc");
  e->m_nCaret = 1;
  const std::string back = "wav\\MsgBack.wav", type = "wav\\MsgType.wav", bell = "wav\\MsgBell.wav";
  struct {
    uint8_t ch, vk;
    uint32_t message;
    std::string sound;
  } const keys[] = {
      {0, 35, 256, back},  {0, 37, 256, ""},  {0, 46, 256, back}, {8, 0, 258, back},
      {'x', 0, 256, type}, {'x', 0, 258, ""}, {27, 0, 256, ""},   {13, 0, 258, bell},
  };
  for (const auto& k : keys) {
    tessera::ClearHeadlessAudioLog();
    Send(*e, k.ch, k.vk, k.message);
    EXPECT_EQ(Played(sounds), k.sound) << int(k.ch) << " " << int(k.vk);
  }
}

void LogEnter(void*) { g_log.push_back("enter"); }
void LogTargetClick(void*) { g_log.push_back("target"); }

// Enter: the focus is given up (1026), the target (the edit itself by
// default, which asks for the focus again with 1027) is clicked, then the
// commit callback; the text stays.
TEST_F(EditTest, EnterHandsTheFocusBackThenCommits) {
  auto e = Make(64, "hello");
  e->m_pfnEnter = LogEnter;
  AfxSetNowFocus(e.get());
  g_log.clear();
  Type(*e, "\r");
  EXPECT_EQ(g_log, (Strings{"1026", "1027", "enter"}));
  EXPECT_EQ(Text(*e), "hello");
  for (const auto& m : tessera::ReceivedMessages(window_))
    EXPECT_EQ(m.lparam, reinterpret_cast<LPARAM>(e.get()));
  QArea send(0, 0, 9, 9);
  send.m_pfnClick = LogTargetClick;
  e->m_pTarget = &send;
  g_log.clear();
  Type(*e, "\r");
  EXPECT_EQ(g_log, (Strings{"1026", "target", "enter"}));
}

// Hide and close give the focus back; idle empties the text; close leaves
// the chain; a focused edit deleted tells the game.
TEST_F(EditTest, StatesHandTheFocusBackAndIdleEmpties) {
  auto e = Make(64, "abc");
  chains_->Add(e.get(), CHAIN_TOP);
  AfxSetNowFocus(e.get());
  g_log.clear();
  e->SetState(QAREA_HIDE, nullptr);
  EXPECT_EQ(Text(*e), "abc");
  e->SetState(QAREA_IDLE, nullptr);
  EXPECT_EQ(Text(*e), "");
  e->SetState(QAREA_CLOSE, nullptr);
  EXPECT_EQ(chains_->GetChain(CHAIN_TOP)->GetCount(), 0);
  EXPECT_EQ(AfxGetNowFocus(), nullptr);
  auto g = Make(64);
  g->SetState(QAREA_HIDE, nullptr);  // without the focus: nothing to give back
  AfxSetNowFocus(g.get());
  g.reset();
  EXPECT_EQ(g_log, (Strings{"1026", "1026", "1026"}));
}

// The dots a text shows from byte `from` to `to` (exclusive): letters 6
// pixels apart, a character 12, each on row 21 + first byte % 8.
Dots Expected(const std::string& t, size_t from, size_t to) {
  Dots d;
  for (size_t i = from, x = 10; i < to; ++i) {
    d.emplace_back(static_cast<int>(x), 21 + static_cast<unsigned char>(t[i]) % 8);
    const bool wide = static_cast<unsigned char>(t[i]) >= 0x81;
    x += wide ? 12 : 6;
    i += wide;
  }
  return d;
}

// 96 pixels at font 12 show 16 bytes: the view scrolls to keep the caret in
// it, never cutting a character at either edge and never starting on a
// second half.
TEST_F(EditTest, LongTextScrollsWithoutCuttingCharacters) {
  std::string letters;
  for (int i = 0; i < 30; ++i) letters += static_cast<char>('h' + i % 8);  // rows 0..7 in turn
  const std::string h15(15, 'h');
  const struct {
    std::string text;
    int caret;
    size_t from, to;
  } cases[] = {
      {letters, 30, 14, 30},
      {h15 + kNi + "h", 0, 0, 15},  // the character straddling the edge is left out
      {"h" + kNi + std::string(16, 'h'), 18, 3, 19},  // the view would start on the second half
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " caret " + std::to_string(c.caret));
    auto e = Make(64, c.text);
    e->m_TextColor = PIXEL(kRed);
    e->m_nCaret = c.caret;
    EXPECT_EQ(Drawn(*e), Expected(c.text, c.from, c.to));
  }
}

// The caret image blinks through its frames more than 100 ms apart, at the
// caret's place, only with the focus; the input method's rectangle follows.
TEST_F(EditTest, CaretBlinksAndTheInputMethodFollowsIt) {
  for (int i = 0; i < 3; ++i)
    PutImage("EditCurs0" + std::to_string(i), 2, 12, static_cast<unsigned short>(0x0100 * (i + 1)));
  std::string text(30, 'h');
  char cursor[] = "EditCurs0xyz";
  QEdit e(10, 20, 106, 40, 64, cursor, reinterpret_cast<unsigned char*>(text.data()));
  e.m_nCaret = 30;
  EXPECT_TRUE(Drawn(e, 0x0100).empty());  // no focus: no caret
  AfxSetNowFocus(&e);
  std::vector<int> frames;
  for (int i = 0; i < 6; ++i) {
    e.Show(Frame());
    frames.push_back(e.m_nCursorFrame);
    const auto caret =
        Find(vm_->GetRenderSurface(), static_cast<unsigned short>(0x0100 * (e.m_nCursorFrame + 1)));
    ASSERT_EQ(caret.size(), 24u);
    EXPECT_EQ(caret.front(), std::make_pair(106, 21));  // 96 pixels right of the left edge
    clock_->Advance(i % 2 ? 101 : 0);
  }
  EXPECT_EQ(frames, (std::vector<int>{0, 0, 1, 1, 2, 2}));
  const tagRECT r = Input().text_input_rect;
  EXPECT_EQ(std::vector<long>({r.left, r.top, r.bottom}), std::vector<long>({106, 21, 33}));
}

// One white star per byte ('*' is row 2), drawn twice one pixel apart.
TEST_F(EditTest, PasswordShowsOneStarPerByte) {
  auto e = Make(64, "h" + kNi);
  e->m_bPassword = true;
  e->m_TextColor = PIXEL(kRed);
  EXPECT_TRUE(Drawn(*e).empty());
  EXPECT_EQ(Drawn(*e, kWhite), (Dots{{10, 23}, {11, 24}, {16, 23}, {17, 24}, {22, 23}, {23, 24}}));
}

// 48 pixels: 8 bytes a line.  Line 1 holds 7 letters (the character would
// be cut), line 2 the character and two letters; the caret (byte 11) is on
// line 2 after 4 bytes.
TEST_F(EditTest, SeveralLinesWrapWithoutCuttingCharacters) {
  auto e = Make(64, std::string(7, 'h') + kNi + "hh", 48);
  e->m_bSingleLine = false;
  e->m_TextColor = PIXEL(kRed);
  e->m_nCaret = 11;
  AfxSetNowFocus(e.get());
  const Dots dots = Drawn(*e);
  EXPECT_EQ(std::count_if(dots.begin(), dots.end(), [](auto d) { return d.second < 33; }), 7);
  EXPECT_EQ(dots.size(), 10u);
  EXPECT_EQ(Input().text_input_rect.left, 10 + 4 * 6);  // the caret's place on line 2
  EXPECT_EQ(Input().text_input_rect.top, 21 + 12);
}

// The buffer holds 199 bytes and a terminator whatever room is asked;
// SetText keeps the room; a caret out of range is brought back; a zero
// room takes nothing; a font size with no font draws nothing.
TEST_F(EditTest, OverlongTextsAndBadValuesStayInsideTheBuffer) {
  std::string big(500, 'b');
  QEdit full(10, 20, 106, 40, 500, nullptr, reinterpret_cast<unsigned char*>(big.data()));
  EXPECT_EQ(full.m_nMaxLen, 199);
  EXPECT_EQ(Text(full).size(), 199u);
  auto e = Make(64, big);
  e->SetText(big.data());
  EXPECT_EQ(Text(*e).size(), 64u);
  EXPECT_EQ(e->m_nCaret, 0);
  e->SetMaxTextLength(1000);
  e->ClearEdit();
  Type(*e, std::string(300, 'c'));
  EXPECT_EQ(Text(*e).size(), 198u);
  e->m_nCaret = 5000;
  Type(*e, "\x08");
  EXPECT_EQ(Text(*e).size(), 197u);
  e->m_nCaret = -7;
  Key(*e, 46);
  EXPECT_EQ(Text(*e).size(), 196u);
  auto z = Make(0);
  Type(*z, "abc");
  EXPECT_EQ(Text(*z), "");
  e->SetFontSize(1);
  EXPECT_TRUE(Drawn(*e, 0x7FFF).empty());
}

// Without messages the edit keeps its text; the first step comes more than
// 200 ms after the frame that started the shared timer, two bytes a step
// until the end of the ring, then back to the start.
TEST_F(EditTest, LedStepsEvery201MillisecondsOrMore) {
  auto edit = Make(199);
  QLoopLED led(edit.get());
  char keep[] = "keep";
  edit->SetText(keep);
  Step(led);
  EXPECT_EQ(Text(*edit), "keep");
  char text[] = "ABCDEFGH";
  led.AddText(text, 1);
  led.Show(nullptr);
  clock_->Advance(200);
  led.Show(nullptr);
  EXPECT_EQ(Text(*edit), "keep");  // not stepped yet
  clock_->Advance(1);
  led.Show(nullptr);
  EXPECT_EQ(Text(*edit), std::string(16, ' ') + "ABCDEFGH");
  for (int i = 0; i < 11; ++i) Step(led);
  EXPECT_EQ(Text(*edit), "GH");
  Step(led);
  EXPECT_EQ(Text(*edit), std::string(16, ' ') + "ABCDEFGH");
}

TEST_F(EditTest, LedLandsOnTheFirstByteOfAChineseCharacter) {
  auto edit = Make(199);
  QLoopLED led(edit.get());
  // 16 spaces, "a", 你: from offset 16 ('a' then a high byte) the step is 1.
  char text[] = "a\xC4\xE3z";
  led.AddText(text, 1);
  for (int i = 0; i < 9; ++i) Step(led);
  EXPECT_EQ(Text(*edit), "a\xC4\xE3z");
  Step(led);
  EXPECT_EQ(Text(*edit), "\xC4\xE3z");
}

TEST_F(EditTest, LedTimedMessagesDropOutAndPermanentOnesStay) {
  auto edit = Make(199);
  QLoopLED led(edit.get());
  char a[] = "AAA", b[] = "BBB";
  led.AddText(a, 3);
  led.AddText(b, 1);
  for (int i = 0; i < 299; ++i) Step(led);
  EXPECT_NE(std::string(led.m_szRing).find("AAA"), std::string::npos);
  Step(led);  // the 300th step
  EXPECT_EQ(std::string(led.m_szRing), std::string(16, ' ') + "BBB");
  EXPECT_EQ(led.m_Slot[1].count, -1);
  // The view never reads past the shorter ring.
  EXPECT_LE(led.m_nOffset, 19);
}

TEST_F(EditTest, LedNewMessagesTakeTheSlotWithTheSmallestCount) {
  auto edit = Make(199);
  QLoopLED led(edit.get());
  char t[] = "x";
  for (int mode : {1, 2, 3, 2, 1, 2, 2, 2}) led.AddText(t, mode);
  EXPECT_EQ((std::vector<int>{led.m_Slot[0].count, led.m_Slot[1].count, led.m_Slot[2].count,
                              led.m_Slot[4].count}),
            (std::vector<int>{-1, 3000, 300, -1}));
  // The ninth goes to the smallest count (slot 2), keeping its count with
  // an unknown mode.
  char ninth[] = "ninth";
  led.AddText(ninth, 7);
  EXPECT_EQ(std::string(led.m_Slot[2].text), std::string(16, ' ') + "ninth");
  EXPECT_EQ(led.m_Slot[2].count, 300);
  // Permanent slots are kept while any other exists; all permanent: slot 0.
  for (auto& slot : led.m_Slot) slot.count = -1;
  led.m_Slot[5].count = 9;
  char tenth[] = "tenth";
  led.AddText(tenth, 1);
  EXPECT_EQ(std::string(led.m_Slot[5].text), std::string(16, ' ') + "tenth");
  char last[] = "last";
  led.AddText(last, 1);
  EXPECT_EQ(std::string(led.m_Slot[0].text), std::string(16, ' ') + "last");
  char empty[] = "";  // ignored
  led.AddText(empty, 2);
  EXPECT_EQ(std::string(led.m_Slot[0].text), std::string(16, ' ') + "last");
}

TEST_F(EditTest, LedFullRingIsCutAndTheViewIs139Bytes) {
  auto edit = Make(199);
  QLoopLED led(edit.get());
  std::string big(200, 'R');
  for (int i = 0; i < 8; ++i) led.AddText(big.data(), 1);
  Step(led);
  EXPECT_EQ(std::string(led.m_szRing).size(), 1112u);  // 8 x 139
  EXPECT_EQ(Text(*edit).size(), 139u);
}

}  // namespace
