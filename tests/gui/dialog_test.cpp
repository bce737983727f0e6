// QDialog and QWindow: line breaking over GBK text, auto-size, text layout,
// the picture's pulse and bad input; the window's image, hit test, drawing,
// style flags, cache and failure message.
#include "gui/dialog.h"

#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "engine/font_state.h"
#include "engine/rle_surface.h"
#include "engine/surface_manager.h"
#include "gui/window.h"
#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "support/pixel_span.h"
#include "support/surface_helpers.h"
#include "testing/manual_clock.h"

namespace {

using tessera::test::GuiTest;
using tessera::test::PixelSpan;
using Lines = std::vector<std::string>;

constexpr unsigned short kWhite = 0x7FFF, kRed = 0x7C00, kGrey = 0x4210, kBlue = 0x001F;

// The non-empty prefix of the 30 lines, trailing empty lines dropped.
Lines Break(const std::string& text, int lines, int chars) {
  char out[30][70];
  memset(out, 'x', sizeof(out));
  tessera::BreakDialogLines(text.c_str(), lines, chars, out);
  Lines got;
  for (auto& line : out) got.emplace_back(line);
  while (!got.empty() && got.back().empty()) got.pop_back();
  return got;
}

const std::string kNi = "\xC4\xE3";   // 你
const std::string kHao = "\xBA\xC3";  // 好
const std::string kNiHao = kNi + kHao;
std::string Letters(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

TEST(DialogLines, BreaksBetweenWholeCharactersAndAtLineFeeds) {
  struct Case {
    std::string text;
    int lines, chars;
    Lines want;
  } const cases[] = {
      // A first half in the last column starts the next line.
      {Letters(13) + kNi + "b", 6, 14, {Letters(13), kNi + "b"}},
      // Whole characters fill the line exactly.
      {kNiHao + kNiHao + kNiHao + kNiHao, 6, 14, {kNiHao + kNiHao + kNiHao + kNi, kHao}},
      // A line feed read in the next line's first column gives an empty line.
      {Letters(14) + "\nz", 6, 14, {Letters(14), "", "z"}},
      // Only 0xA1-0xFE count as halves: a lead byte of 0x81 is cut off.
      {Letters(13) + "\x81@c", 6, 14, {Letters(13) + "\x81", "@c"}},
      // A lone first half at the end is never shown.
      {"abc\xC4", 6, 14, {"abc"}},
      // ... nor before a line feed, which then shows as an empty line.
      {"ab\xC4\ncd", 6, 14, {"ab", "", "cd"}},
      // Text beyond the last line is dropped.
      {Letters(40), 2, 14, {Letters(14), Letters(28).substr(14)}},
      // Limits: 30 lines of 69 bytes at most, whatever is asked.
      {std::string(69 * 31, 'q'), 100, 500, Lines(30, std::string(69, 'q'))},
      {"abc", -1, 14, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Break(c.text, c.lines, c.chars), c.want) << c.text;
}

TEST(DialogLines, AutoSizeRows) {
  struct {
    size_t length;
    int row, lines, chars;
  } const rows[] = {{1, 0, 2, 8}, {14, 0, 2, 8}, {15, 1, 2, 14}, {57, 4, 5, 14}, {1999, 5, 6, 14}};
  for (const auto& r : rows) {
    const tessera::DialogAutoSize a = tessera::DialogAutoSizeFor(r.length);
    EXPECT_EQ(a.row, r.row) << r.length;
    EXPECT_EQ(a.lines, r.lines) << r.length;
    EXPECT_EQ(a.lineChars, r.chars) << r.length;
    EXPECT_EQ(a.frame, "PPlyDlg00" + std::to_string(r.row)) << r.length;
  }
}

class DialogTest : public GuiTest {
 protected:
  // Text-colour pixels of the dialog's text surface.
  std::vector<std::pair<int, int>> Dots(QDialog& d) { return Find(d.m_pTextSurface, kWhite); }
  // A 6 x 4 window image with a transparent left column.
  void PutPanel() { PutImage(panel_, 6, 4, kBlue, tagRECT{0, 0, 1, 4}); }
  char panel_[16] = "PANEL00000";
};

// Without an image: a plain key-coloured background of the rectangle's
// size, closed, never pointed.  A name of exactly ten characters is
// background and frame; another length is no image name.
TEST_F(DialogTest, BackgroundFromTheImageOrPlain) {
  QDialog d(10, 20, 130, 60, nullptr);
  ASSERT_NE(d.m_pBackSurface, nullptr);
  EXPECT_EQ(Find(d.m_pBackSurface, COLOR_KEY).size(), 120u * 40u);
  d.m_dwState = QAREA_SHOW;
  EXPECT_FALSE(d.IsPointed(50, 30));
  PutImage("BUBBLE0000", 30, 12, kRed);
  char name[] = "BUBBLE0000", shorter[] = "BUBBLE000";
  QDialog e(0, 0, 99, 49, name), f(0, 0, 99, 49, shorter);
  ASSERT_NE(e.m_pFrameSurface, nullptr);
  EXPECT_EQ(e.m_pBackSurface->GetWidth(), 30);
  EXPECT_EQ(f.m_pFrameSurface, nullptr);
  EXPECT_EQ(f.m_pBackSurface->GetWidth(), 99);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

// A missing frame image or no display manager: reported, no background,
// and then nothing is laid out or drawn.
TEST_F(DialogTest, NoBackgroundIsReportedAndNothingIsDrawn) {
  char name[] = "NOFRAME000";
  QDialog d(0, 0, 99, 49, name);
  EXPECT_EQ(d.m_pBackSurface, nullptr);
  ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
  EXPECT_TRUE(std::regex_match(tessera::HeadlessMessages()[0].text,
                               std::regex("Failed to find image data from "
                                          "Pack!NOFRAME000\n .*dialog\\.cpp [0-9]+")))
      << tessera::HeadlessMessages()[0].text;
  d.SetContent("hello", nullptr);
  d.Show(Frame(kGrey));
  EXPECT_EQ(Find(vm_->GetRenderSurface(), kGrey).size(), size_t(kW * kH));
  AfxDeleteViewManager();
  QDialog e(0, 0, 99, 49, nullptr);
  EXPECT_EQ(e.m_pBackSurface, nullptr);
  EXPECT_TRUE(std::regex_match(tessera::HeadlessMessages().back().text,
                               std::regex("Could not create surface!\n .*dialog\\.cpp [0-9]+")));
  e.SetContent("hello", nullptr);
  EXPECT_EQ(e.m_pTextSurface, nullptr);
}

TEST_F(DialogTest, LinesAreCentredWithTheirOutline) {
  // 120 x 40 of text surface; two lines at font 12 (line height 13):
  // y0 = (40 - 26) / 2 = 7.
  QDialog d(10, 20, 130, 60, nullptr);
  d.SetFormat(6, 14, 0xFFFFFF, 0xFF0000);
  d.SetContent(("abcd\n" + kNi + "x").c_str(), nullptr);
  ASSERT_NE(d.m_pTextSurface, nullptr);
  // "abcd": width 24, x = 48; each byte half a cell.  Second line
  // (3 bytes, width 18): x = 51; the Chinese character is a full cell.
  const std::vector<std::pair<int, int>> want = {{48, 7}, {54, 7},  {60, 7},
                                                 {66, 7}, {51, 20}, {63, 20}};
  EXPECT_EQ(Dots(d), want);
  // The outline (its offsets are the area's text output's) in the edge colour.
  EXPECT_EQ(Find(d.m_pTextSurface, kRed).size(), 4u * want.size());
  // The current font size is left as it was.
  EXPECT_EQ(tessera::CurrentFontSize(), 12);

  // Left-aligned, font 16 (line height 17): y0 = (40 - 34) / 2 = 3.
  tessera::SetCurrentFontSize(24);
  d.m_bCenter = false;
  d.SetFontSize(16);
  d.SetContent(("ab\n" + kNi).c_str(), nullptr);
  const std::vector<std::pair<int, int>> left = {{0, 3}, {8, 3}, {0, 20}};
  EXPECT_EQ(Dots(d), left);
  EXPECT_EQ(tessera::CurrentFontSize(), 24);
}

TEST_F(DialogTest, ShowDrawsTheBackgroundThenTheText) {
  PutImage("BUBBLE0000", 20, 10, kRed);
  char name[] = "BUBBLE0000";
  QDialog d(30, 40, 50, 50, name);
  d.SetContent("a", nullptr);
  for (bool trans : {true, false}) {
    d.m_bTrans = trans;
    DIBSURFACE* f = Frame(kGrey);
    d.Show(f);
    const unsigned short back = trans ? tessera::test::ReferenceTransMix(kRed, kGrey, 14) : kRed;
    EXPECT_EQ(PixelSpan(f, 29, 40, 3), (std::vector<uint16_t>{kGrey, back, back}));
    EXPECT_EQ(PixelSpan(f, 49, 49, 2), (std::vector<uint16_t>{back, kGrey}));
    // One line in a 20 x 10 box: y0 = (10 - 13) / 2 = -1, x = (20 - 6) / 2 = 7.
    EXPECT_EQ(f->GetPixel(37, 40).GetColor(), 0);  // the outline below the dot
    EXPECT_EQ(Find(f, kWhite).size(), 0u);         // the dot itself is above the box
  }
}

TEST_F(DialogTest, SameTextIsNotLaidOutAgainAndEmptyTextHides) {
  QDialog d(0, 0, 120, 40, nullptr);
  d.SetContent("abc", nullptr);
  const auto first = Dots(d);
  // A new format is used only by the next layout: the same text keeps the
  // old lines but shows the dialog again.
  d.SetFormat(6, 1, 0xFFFFFF, 0);
  d.m_dwState = QAREA_HIDE;
  d.SetContent("abc", nullptr);
  EXPECT_EQ(d.m_dwState, QAREA_SHOW);
  EXPECT_STREQ(d.m_szLine[0], "abc");
  EXPECT_EQ(Dots(d), first);
  d.SetContent("abcd", nullptr);
  EXPECT_STREQ(d.m_szLine[0], "a");
  EXPECT_STREQ(d.m_szLine[3], "d");

  d.SetContent("", nullptr);
  EXPECT_EQ(d.m_dwState, QAREA_HIDE);
  d.Show(Frame(kGrey));
  EXPECT_EQ(Find(vm_->GetRenderSurface(), kGrey).size(), size_t(kW * kH));
  // Both null: nothing at all.
  d.m_dwState = QAREA_IDLE;
  d.SetContent(nullptr, nullptr);
  EXPECT_EQ(d.m_dwState, QAREA_IDLE);
}

// Auto-size picks the lines, their width and the frame (composed into the
// background at (0, 0)) for the length; without frame images the text
// still shows.
TEST_F(DialogTest, AutoSizePicksTheFrameForTheLength) {
  QDialog bare(0, 0, 150, 100, nullptr);
  bare.m_bAutoSize = true;
  bare.SetContent("hi", nullptr);
  EXPECT_EQ(bare.m_pFrameSurface, nullptr);
  EXPECT_EQ(Dots(bare).size(), 2u);
  for (int row = 0; row < 6; ++row) PutImage("PPlyDlg00" + std::to_string(row), 10 + row, 5, kRed);
  QDialog d(0, 0, 150, 100, nullptr);
  d.m_bAutoSize = true;
  d.SetContent(Letters(42).c_str(), nullptr);  // the rows by length are pinned above
  EXPECT_EQ(d.m_nLines, 3);
  EXPECT_EQ(d.m_nLineChars, 14);
  ASSERT_NE(d.m_pFrameSurface, nullptr);
  EXPECT_EQ(PixelSpan(d.m_pBackSurface, 11, 4, 2), (std::vector<uint16_t>{kRed, COLOR_KEY}));
  d.SetContent(Letters(300).c_str(), nullptr);  // a longer text replaces the frame
  EXPECT_EQ(d.m_pFrameSurface->GetWidth(), 15);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(DialogTest, OverlongTextIsCutAndBadBytesStayInside) {
  QDialog d(0, 0, 150, 100, nullptr);
  d.SetFormat(30, 69, 0xFFFFFF, 0);
  std::string big(5000, 0);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(0xA1 + i % 90);
  d.SetContent(big.c_str(), nullptr);
  EXPECT_EQ(strlen(d.m_szContent), 1999u);
  EXPECT_EQ(memcmp(d.m_szContent, big.data(), 1999), 0);
  // The same long text again is recognised as the same.
  d.SetFormat(1, 1, 0xFFFFFF, 0);
  d.SetContent(big.c_str(), nullptr);
  EXPECT_GT(strlen(d.m_szLine[1]), 0u);
  // A lone first half as the whole text: shown (state 1) but empty.
  d.SetContent("\xC4", nullptr);
  EXPECT_EQ(d.m_dwState, QAREA_SHOW);
  EXPECT_STREQ(d.m_szLine[0], "");
}

TEST_F(DialogTest, PictureIsCentredAtTheBottomAndPulses) {
  PutImage("FACE000000", 40, 20, kRed);
  QDialog d(0, 0, 100, 50, nullptr);
  d.SetContent(nullptr, "FACE000000");
  ASSERT_NE(d.m_pFrameSurface, nullptr);
  // 40 x 20 in 100 x 50: at (30, 30).
  const auto red = Find(d.m_pBackSurface, kRed);
  ASSERT_EQ(red.size(), 800u);
  EXPECT_EQ(red.front(), std::make_pair(30, 30));
  EXPECT_EQ(red.back(), std::make_pair(69, 49));

  // Each step needs a frame to start the timer and one more than 50 ms
  // later (50 exactly is not enough); drawn at the level over what lies
  // below.
  DIBSURFACE* f = vm_->GetRenderSurface();
  std::vector<int> levels;
  for (int i = 0; i < 40; ++i) {
    d.Show(f);  // starts the timer
    clock_->Advance(i == 0 ? 50 : 51);
    d.Show(Frame(kGrey));  // steps and draws
    levels.push_back(d.m_nPulseLevel);
    ASSERT_EQ(f->GetPixel(30, 30).GetColor(),
              tessera::test::ReferenceTransMix(kRed, kGrey, 32 - d.m_nPulseLevel))
        << i;
  }
  // Up to 32, then between 8 and 32.
  std::vector<int> want = {0};
  for (int l = 2; l <= 32; l += 2) want.push_back(l);
  for (int l = 30; l >= 8; l -= 2) want.push_back(l);
  for (int l = 10; l <= 30; l += 2) want.push_back(l);
  EXPECT_EQ(levels, want);

  // A text switches back to text mode; an empty text with the picture
  // again loads it again.
  d.SetContent("ab", nullptr);
  EXPECT_STREQ(d.m_szImage, "");
  d.SetContent("", "FACE000000");
  EXPECT_STREQ(d.m_szContent, "");
  EXPECT_STREQ(d.m_szImage, "FACE000000");
  // A missing picture stops quietly.
  tessera::ClearHeadlessMessages();
  d.SetContent(nullptr, "NOFACE0000");
  EXPECT_EQ(d.m_pFrameSurface, nullptr);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

// The hit test ignores the state (a closed window is hit too) and misses
// the transparent column.
TEST_F(DialogTest, WindowTakesTheImageSizeAndIsHitOnlyOnOpaquePixels) {
  PutPanel();
  QWindow w(20, 30, 99, 99, panel_, QWIN_DIB);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_EQ(w.m_rcArea.right, 25);
  EXPECT_EQ(w.m_rcArea.bottom, 33);
  for (auto [x, y, hit] : {std::tuple{20, 31, false},
                           {21, 30, true},
                           {25, 33, true},
                           {26, 33, false},
                           {25, 34, false},
                           {19, 31, false}})
    EXPECT_EQ(w.IsPointed(x, y), hit) << x << "," << y;
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(DialogTest, WindowDrawsKeyedAboveLevel28AndTranslucentBelow) {
  PutPanel();
  QWindow w(10, 10, 10, 10, panel_, QWIN_DIB);
  for (int level : {29, 28, 0}) {
    DIBSURFACE* f = Frame(kGrey);
    w.m_dwState = QAREA_HIDE;
    w.m_nAlpha = level;
    w.Show(f);
    EXPECT_EQ(w.m_dwState, QAREA_SHOW) << level;
    const unsigned short want =
        level > 28 ? kBlue : tessera::test::ReferenceTransMix(kBlue, kGrey, 32 - level);
    for (int y = 9; y <= 14; ++y)
      for (int x = 9; x <= 16; ++x) {
        const bool image = x >= 11 && x <= 15 && y >= 10 && y <= 13;
        ASSERT_EQ(f->GetPixel(x, y).GetColor(), image ? want : kGrey)
            << level << " " << x << "," << y;
      }
  }
}

// Resize snaps back to the image; without one the rectangle is taken.
TEST_F(DialogTest, WindowResizeSnapsBackToTheImage) {
  PutPanel();
  QWindow w(10, 10, 10, 10, panel_, QWIN_DIB), bare;
  w.Resize(40, 50, 100, 100);
  EXPECT_EQ(w.m_rcArea.right, 45);
  EXPECT_EQ(w.m_rcArea.bottom, 53);
  bare.ACreate(0, 0, 9, 9);
  bare.Resize(5, 5, 24, 14);
  EXPECT_EQ(bare.m_rcArea.right, 24);
}

TEST_F(DialogTest, WindowStyleComesFromTheLowestFlagBit) {
  PutPanel();
  QWindow w;
  w.ACreate(0, 0, 9, 9);
  w.SetBackImage(panel_, QWIN_RLE | QWIN_ALPHA);
  EXPECT_NE(dynamic_cast<RLESURFACE*>(w.m_pBackImage), nullptr);
  w.SetBackImage(panel_, QWIN_DIB | QWIN_RLE);
  ASSERT_NE(w.m_pBackImage, nullptr);
  EXPECT_EQ(w.m_pBackImage->GetStyle(), SS_DIB);
  w.SetBackImage(nullptr, QWIN_DIB);  // drops the image
  EXPECT_EQ(w.m_pBackImage, nullptr);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

TEST_F(DialogTest, WindowCachedImageIsSharedAndReleased) {
  PutPanel();
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  {
    QWindow a(0, 0, 0, 0, panel_, QWIN_DIB | QWIN_CACHED),
        b(50, 0, 50, 0, panel_, QWIN_DIB | QWIN_CACHED);
    ASSERT_NE(a.m_pBackImage, nullptr);
    EXPECT_EQ(a.m_pBackImage, b.m_pBackImage);
    QWindow c(0, 0, 0, 0, panel_, QWIN_DIB);  // a plain load is not cached
    EXPECT_NE(c.m_pBackImage, a.m_pBackImage);
    EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 2);
  }
  EXPECT_EQ(tessera::CachedCount(cache, "PANEL00000"), 0);
}

// No style bit or a missing image: reported, no image, the rectangle as
// given and hit everywhere in any state, nothing drawn.
TEST_F(DialogTest, WindowNoStyleOrMissingImageIsReportedAndLeavesNoImage) {
  PutPanel();
  char missing[] = "NOSUCH0000";
  for (auto [name, flags] : {std::pair{panel_, 0}, {missing, int(QWIN_DIB)}}) {
    SCOPED_TRACE(std::string(name) + " " + std::to_string(flags));
    tessera::ClearHeadlessMessages();
    QWindow w(10, 10, 29, 19, name, flags);
    EXPECT_EQ(w.m_pBackImage, nullptr);
    ASSERT_EQ(tessera::HeadlessMessages().size(), 1u);
    EXPECT_TRUE(std::regex_match(tessera::HeadlessMessages()[0].text,
                                 std::regex("Could not create surface! .*window\\.cpp [0-9]+")))
        << tessera::HeadlessMessages()[0].text;
    EXPECT_TRUE(w.IsPointed(29, 19));
    EXPECT_FALSE(w.IsPointed(30, 19));
    DIBSURFACE* f = Frame(kGrey);
    w.Show(f);
    EXPECT_EQ(Find(f, kGrey).size(), size_t(kW * kH));
  }
}

}  // namespace
