// The GIF reader and QGifSprite against files written and decoded by giflib
// (independent of the reader), hand-made LZW streams and files, every
// truncation; the sprite's frame clock and its wrap after the last frame,
// the grey first frame, drawing and bad input.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gui/gif_file.h"
#include "gui/gif_lzw.h"
#include "gui/gif_sprite.h"
#include "gui_fixture.h"
#include "platform/headless/headless_message_sink.h"
#include "support/surface_helpers.h"

namespace {

struct SampleFrame {
  int left, top, width, height;
  bool interlace;
  std::vector<uint8_t> local;  // RGB triples, empty for none
  bool control;
  uint8_t control_packed;
  uint16_t delay;
  uint8_t transparent;
  std::vector<uint8_t> pixels;  // top-to-bottom rows
};

ColorMapObject* MakeMap(const std::vector<uint8_t>& rgb) {
  const int n = static_cast<int>(rgb.size() / 3);
  std::vector<GifColorType> colors(static_cast<size_t>(n));
  for (int i = 0; i < n; i++)
    colors[static_cast<size_t>(i)] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  return GifMakeMapObject(n, colors.data());
}

// Writes a GIF with giflib; interlaced frames are handed over in the
// standard's pass order, as giflib expects.
void WriteGif(const std::string& path, int sw, int sh, const std::vector<uint8_t>& global,
              const std::vector<SampleFrame>& frames) {
  int err = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
  ASSERT_NE(gif, nullptr);
  bool any_control = false;
  for (const auto& f : frames) any_control |= f.control;
  EGifSetGifVersion(gif, any_control);
  ColorMapObject* gmap = global.empty() ? nullptr : MakeMap(global);
  ASSERT_EQ(EGifPutScreenDesc(gif, sw, sh, 8, 0, gmap), GIF_OK);
  GifFreeMapObject(gmap);
  for (const auto& f : frames) {
    if (f.control) {
      const uint8_t g[4] = {f.control_packed, static_cast<uint8_t>(f.delay & 0xFF),
                            static_cast<uint8_t>(f.delay >> 8), f.transparent};
      ASSERT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, g), GIF_OK);
    }
    // giflib keeps a copy of the previous local table and drops it without
    // freeing when the next image has none.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
    ColorMapObject* lmap = f.local.empty() ? nullptr : MakeMap(f.local);
    ASSERT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, lmap), GIF_OK);
    GifFreeMapObject(lmap);
    std::vector<int> order;
    if (f.interlace) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; p++)
        for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
    } else {
      for (int y = 0; y < f.height; y++) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(f.pixels.begin() + y * f.width,
                                    f.pixels.begin() + (y + 1) * f.width);
      ASSERT_EQ(EGifPutLine(gif, row.data(), f.width), GIF_OK);
    }
  }
  ASSERT_EQ(EGifCloseFile(gif, &err), GIF_OK);
}

std::vector<uint8_t> RandomBytes(size_t n, int range, unsigned seed) {
  std::vector<uint8_t> v(n);
  uint32_t s = seed * 2654435761u + 1;
  for (auto& b : v) {
    s = s * 1103515245u + 12345u;
    b = static_cast<uint8_t>((s >> 16) % static_cast<uint32_t>(range));
  }
  return v;
}

// Over a 96 x 64 screen: a full-screen frame of random indices over 256
// colours (long runs of new codes fill the table and the code width grows
// to 12 bits); an offset frame with its own 4-colour table, a transparent
// index and a delay that needs both bytes; an interlaced frame of 3 colours
// (long strings) with a height that is not a multiple of 8 and no control
// data after frames that had some.
std::vector<SampleFrame> Frames() {
  std::vector<SampleFrame> f(3);
  f[0] = {0, 0, 96, 64, false, {}, true, 0, 10, 0, RandomBytes(96 * 64, 256, 11)};
  const auto local = RandomBytes(12, 256, 12);
  f[1] = {17, 9, 31, 7, false, local, true, (2 << 2) | 2 | 1, 300, 3, RandomBytes(31 * 7, 4, 13)};
  f[2] = {5, 40, 40, 13, true, {}, false, 0, 0, 0, RandomBytes(40 * 13, 3, 14)};
  return f;
}

// Entry 2 is magenta, the key colour.
std::vector<uint8_t> GlobalTable() {
  std::vector<uint8_t> t = RandomBytes(256 * 3, 256, 15);
  t[6] = 0xFF, t[7] = 0x00, t[8] = 0xFF;
  return t;
}

void ExpectFrame(const stGifFrame* got, const SampleFrame& want) {
  ASSERT_NE(got, nullptr);
  ASSERT_NE(got->m_pPixels, nullptr);
  const auto& c = got->m_Control;
  EXPECT_EQ(
      std::vector<int>({got->m_wLeft, got->m_wTop, got->m_wWidth, got->m_wHeight, got->m_bInterlace,
                        got->m_bLocalTable, got->m_nLocalColors * 3, c.m_bPresent}),
      std::vector<int>({want.left, want.top, want.width, want.height, want.interlace,
                        !want.local.empty(), static_cast<int>(want.local.size()), want.control}));
  if (!want.local.empty()) {
    EXPECT_EQ(std::vector<uint8_t>(got->m_pLocalTable, got->m_pLocalTable + want.local.size()),
              want.local);
  }
  if (want.control) {
    EXPECT_EQ(std::vector<int>(
                  {c.m_nDisposal, c.m_bUserInput, c.m_bTransparent, c.m_wDelay, c.m_byTransparent}),
              std::vector<int>({(want.control_packed >> 2) & 7, (want.control_packed & 2) != 0,
                                (want.control_packed & 1) != 0, want.delay, want.transparent}));
  }
  EXPECT_EQ(std::vector<uint8_t>(got->m_pPixels, got->m_pPixels + want.width * want.height),
            want.pixels);
}

// A reference composition from giflib's decoding: frame 0 over the key
// colour, each later frame over the previous picture, transparent indices
// skipped, magenta as the key colour, indices past a table black.
std::vector<std::vector<uint16_t>> GiflibPictures(const std::string& path) {
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  EXPECT_NE(gif, nullptr);
  if (!gif) return {};
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  const int w = gif->SWidth, h = gif->SHeight;
  std::vector<std::vector<uint16_t>> out;
  std::vector<uint16_t> picture(static_cast<size_t>(w) * h, COLOR_KEY);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& im = gif->SavedImages[i];
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : gif->SColorMap;
    for (int y = 0; y < im.ImageDesc.Height; ++y)
      for (int x = 0; x < im.ImageDesc.Width; ++x) {
        const int index = im.RasterBits[y * im.ImageDesc.Width + x];
        if (index == gcb.TransparentColor) continue;
        const int px = im.ImageDesc.Left + x, py = im.ImageDesc.Top + y;
        if (px >= w || py >= h) continue;
        GifColorType c{0, 0, 0};
        if (map && index < map->ColorCount) c = map->Colors[index];
        picture[static_cast<size_t>(py) * w + px] =
            c.Red == 255 && c.Green == 0 && c.Blue == 255
                ? COLOR_KEY
                : static_cast<uint16_t>((c.Red >> 3) << 10 | (c.Green >> 3) << 5 | (c.Blue >> 3));
      }
    out.push_back(picture);
  }
  DGifCloseFile(gif, &err);
  return out;
}

// Packs codes least-significant bit first; each pair is (code, bits).
std::string PackCodes(const std::vector<std::pair<int, int>>& codes) {
  std::string out;
  uint32_t acc = 0;
  int n = 0;
  for (auto [code, bits] : codes) {
    acc |= static_cast<uint32_t>(code) << n;
    n += bits;
    while (n >= 8) {
      out += static_cast<char>(acc & 0xFF);
      acc >>= 8;
      n -= 8;
    }
  }
  if (n > 0) out += static_cast<char>(acc & 0xFF);
  return out;
}

// A GIF89a with a 4-colour global table around the given blocks.
std::string HandGif(const std::string& blocks) {
  std::string g = "GIF89a";
  g += std::string("\x05\x00\x01\x00\x81\x00\x00", 7);
  g += std::string("\x00\x00\x00\xFF\xFF\xFF\xFF\x00\xFF\x00\xFF\x00", 12);
  return g + blocks + "\x3B";
}

std::string Image(int w, int h, uint8_t packed, int code_size, const std::string& data) {
  std::string s = "\x2C";
  s += std::string(4, '\0');
  for (int v : {w & 0xFF, w >> 8, h & 0xFF, h >> 8, int(packed), code_size})
    s += static_cast<char>(v);
  for (size_t i = 0; i < data.size(); i += 255) {
    const std::string part = data.substr(i, 255);
    s += static_cast<char>(part.size());
    s += part;
  }
  s += '\0';
  return s;
}

// Clear, 1, then the code being defined (6 = "1 1"), then 6 again; the
// entry 7 makes the next free code 8, so the end code takes 4 bits.
const std::vector<std::pair<int, int>> kKwk = {{4, 3}, {1, 3}, {6, 3}, {6, 3}, {5, 4}};

TEST(GifLzwTest, HandMadeCodeStreams) {
  using Codes = std::vector<std::pair<int, int>>;
  const struct {
    const char* what;
    Codes codes;
    int code_size;
    size_t room;
    bool ok;
    std::vector<uint8_t> want;
  } cases[] = {
      {"kwk", kKwk, 2, 5, true, std::vector<uint8_t>(5, 1)},
      {"one pixel too many", kKwk, 2, 4, false, {}},
      {"code past the table", {{4, 3}, {1, 3}, {7, 3}, {5, 3}}, 2, 10, false, {}},
      {"first code no colour", {{6, 3}, {5, 3}}, 2, 10, false, {}},
      {"first after clear no colour", {{4, 3}, {2, 3}, {4, 3}, {6, 3}}, 2, 10, false, {}},
      // 0 1 2 add entries 6 and 7 (the width becomes 4 for the clear); after
      // the clear 6 is the code being defined again and 3 bits suffice.
      {"clear resets",
       {{4, 3}, {0, 3}, {1, 3}, {2, 3}, {4, 4}, {3, 3}, {6, 3}, {5, 3}},
       2,
       10,
       true,
       {0, 1, 2, 3, 3, 3}},
      {"data runs out", {{4, 3}, {2, 3}}, 2, 10, true, {2}},
      {"code size 0", kKwk, 0, 10, false, {}},
      {"code size 9", kKwk, 9, 10, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string data = PackCodes(c.codes);
    std::vector<uint8_t> out(c.room, 0xEE);
    size_t written = 0;
    EXPECT_EQ(tessera::DecodeGifLzw(c.code_size, reinterpret_cast<const uint8_t*>(data.data()),
                                    data.size(), out.data(), out.size(), &written),
              c.ok);
    out.resize(written);
    if (c.ok) {
      EXPECT_EQ(out, c.want);
    }
  }
}

class GifTest : public tessera::test::SpriteFixture {
 protected:
  void SetUp() override {
    SpriteFixture::SetUp();
    path_ = scratch() + "/anim.gif";
    WriteGif(path_, 96, 64, GlobalTable(), Frames());
    bytes_ = tessera::test::ReadFile(path_);
  }
  // Opens `bytes` from memory; they must outlive `gif`.
  static int Open(QGifFile& gif, const std::string& bytes) {
    return gif.Open(bytes.data(), static_cast<long>(bytes.size()));
  }

  std::string path_, bytes_;
};

// Load-all from the file, streaming from the file, from memory; the frames
// repeat after the last one.
TEST_F(GifTest, ReadsGiflibFramesInAllThreeModes) {
  const auto frames = Frames();
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    QGifFile gif;
    ASSERT_EQ(mode < 2 ? gif.Open(path_.c_str(), mode == 0) : Open(gif, bytes_), 1);
    EXPECT_STREQ(gif.m_szVersion, "89a");
    EXPECT_EQ((std::vector<int>{gif.m_wScreenWidth, gif.m_wScreenHeight, gif.m_bGlobalTable,
                                gif.m_nGlobalColors, gif.m_nColorResolution, gif.m_nFrameCount,
                                gif.m_bAllLoaded}),
              (std::vector<int>{96, 64, 1, 256, 8, 3, mode == 0}));
    EXPECT_EQ(std::vector<uint8_t>(&gif.m_GlobalTable[0][0], &gif.m_GlobalTable[0][0] + 768),
              GlobalTable());
    for (int round = 0; round < 2; round++)
      for (const auto& f : frames) ExpectFrame(gif.GetNextFrame(), f);
    gif.Close();
    EXPECT_EQ(gif.GetNextFrame(), nullptr);
  }
}

TEST_F(GifTest, AcceptsVersionsUpTo89aAndRefusesTheRest) {
  for (const char* v : {"87a", "90a"}) {
    std::string b = bytes_;
    b.replace(3, 3, v);
    QGifFile gif;
    EXPECT_EQ(Open(gif, b), std::string(v) == "87a" ? 1 : 0) << v;
  }
  std::string bad = bytes_;
  bad[0] = 'g';
  QGifFile gif;
  EXPECT_EQ(Open(gif, bad), 0);
  EXPECT_EQ(gif.Open(nullptr, 10L), 0);
  EXPECT_EQ(gif.Open(bytes_.data(), 0L), 0);
  EXPECT_EQ(gif.Open((scratch() + "/missing.gif").c_str(), true), 0);
}

TEST_F(GifTest, HandMadeFiles) {
  const std::string kwk = PackCodes(kKwk);
  const std::string control = std::string("\x21\xF9\x04\x05\x0A\x00\x02\x00", 8);
  {
    // Comment, application, plain-text and stray zero bytes pass; the
    // control data reaches the image.
    const std::string g =
        HandGif(std::string("\x21\xFE\x02hi\x00\x00\x21\xFF\x01x\x00\x21\x01\x00", 15) + control +
                Image(5, 1, 0, 2, kwk));
    QGifFile gif;
    ASSERT_EQ(Open(gif, g), 1);
    stGifFrame* f = gif.GetNextFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(f->m_pPixels, f->m_pPixels + 5), std::vector<uint8_t>(5, 1));
    EXPECT_EQ(f->m_Control.m_wDelay, 10);
  }
  // Labels other than 0x01, 0xF9, 0xFE, 0xFF fail; so does a file without
  // an image, an unknown block, and an image larger than its data allows.
  for (const std::string& blocks :
       {std::string("\x21\x02\x00", 3) + Image(5, 1, 0, 2, kwk),
        std::string("\x21\x00\x00", 3) + Image(5, 1, 0, 2, kwk), std::string(),
        std::string("\x42") + Image(5, 1, 0, 2, kwk), Image(4, 1, 0, 2, kwk),
        Image(0, 0, 0, 2, kwk), Image(5, 1, 0, 12, kwk)}) {
    const std::string g = HandGif(blocks);
    QGifFile gif;
    const bool decoded = Open(gif, g) && gif.GetNextFrame() != nullptr;
    tessera::test::WriteFile(scratch() + "/h.gif", g);
    EXPECT_EQ(gif.Open((scratch() + "/h.gif").c_str(), true), 0);
    EXPECT_FALSE(decoded);
  }
  // A frame placed past the logical screen is read as it is: placing it is
  // the painter's business.  A frame of 65535 x 65535 is refused without
  // asking for its 4 GB.
  std::string far = Image(5, 1, 0, 2, kwk);
  far[1] = far[3] = '\xF0';
  far[2] = far[4] = '\xFF';
  std::string huge = Image(5, 1, 0, 2, kwk);
  huge[5] = huge[6] = huge[7] = huge[8] = '\xFF';
  const std::string g = HandGif(far + huge);
  QGifFile gif;
  ASSERT_EQ(Open(gif, g), 1);
  EXPECT_EQ(gif.m_nFrameCount, 2);
  stGifFrame* f = gif.GetNextFrame();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->m_wLeft, 0xFFF0);
  EXPECT_EQ(f->m_wTop, 0xFFF0);
  EXPECT_EQ(f->m_pPixels[4], 1);
  EXPECT_EQ(gif.GetNextFrame(), nullptr);
}

TEST_F(GifTest, EveryTruncationFails) {
  auto frames = Frames();
  frames[0] = {0, 0, 20, 10, false, {}, false, 0, 0, 0, RandomBytes(200, 256, 7)};
  WriteGif(path_, 96, 64, GlobalTable(), frames);
  const std::string bytes = tessera::test::ReadFile(path_);
  for (size_t n = 0; n < bytes.size(); n++) {
    // A heap copy of exactly n bytes, so that an overread shows under ASan.
    std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    QGifFile gif;
    EXPECT_EQ(gif.Open(cut.data(), static_cast<long>(n)), 0) << n;
  }
  tessera::test::WriteFile(path_, bytes.substr(0, bytes.size() - 1));
  QGifFile gif;
  EXPECT_EQ(gif.Open(path_.c_str(), true), 0);
  EXPECT_EQ(gif.Open(path_.c_str(), false), 0);
}

TEST_F(GifTest, SpriteFramesMatchGiflibFromFileAndPack) {
  const auto want = GiflibPictures(path_);
  ASSERT_EQ(want.size(), 3u);
  tessera::test::AddToPack(AfxGetResource(), "animgif000", bytes_);
  QGifSprite file, pack;
  ASSERT_TRUE(file.LoadImages(path_.c_str(), true, false));  // load-all from the file
  ASSERT_TRUE(pack.LoadImages("animgif000", false, false));  // streaming from memory
  for (QGifSprite* s : {&file, &pack}) {
    ASSERT_EQ(s->GetFrameCount(), 3);
    for (int i = 0; i < 3; ++i) {
      SURFACE* image = s->GetFrame(i)->m_pImage;
      ASSERT_EQ(image->GetWidth(), 96);
      EXPECT_EQ(tessera::test::Pixels(image), want[static_cast<size_t>(i)]) << "frame " << i;
    }
    EXPECT_EQ((std::vector<uint32_t>{s->GetFrame(0)->m_dwDelay, s->GetFrame(1)->m_dwDelay,
                                     s->GetFrame(2)->m_dwDelay}),
              (std::vector<uint32_t>{10, 300, 0}));
  }
  // The transparent index of frame 1 kept frame 0's pixels somewhere, and
  // the magenta of frame 2 became the key colour somewhere.
  int kept = 0, keyed = 0;
  for (size_t p = 0; p < want[1].size(); ++p) {
    const int x = static_cast<int>(p % 96), y = static_cast<int>(p / 96);
    if (x >= 17 && x < 48 && y >= 9 && y < 16 && want[1][p] == want[0][p]) ++kept;
    if (want[2][p] == COLOR_KEY && want[1][p] != COLOR_KEY) ++keyed;
  }
  EXPECT_GT(kept, 10);
  EXPECT_GT(keyed, 10);
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
  // A name that is no file here is looked for beside the game database.
  std::filesystem::copy_file(path_, pack_dir_.File("game/flag0001.gif"));
  ASSERT_TRUE(file.LoadImages("flag0001.gif", true, false));
  EXPECT_EQ(file.GetFrameCount(), 3);
  EXPECT_FALSE(file.LoadImages("missing1.gif", true, false));
  EXPECT_EQ(file.GetFrameCount(), 0);
}

TEST_F(GifTest, SpriteFrameClockLoopsAfterTheLastFrame) {
  QGifSprite s(0, 0, 95, 63);
  ASSERT_TRUE(s.LoadImages(path_.c_str(), true, false));
  // Delays 10, 300 and 0, as milliseconds: a frame changes after more than
  // its delay since the Show that started its timer.
  struct Tick {
    uint32_t at;
    int index;
  } ticks[] = {{1000, 0}, {1010, 0}, {1011, 1}, {1012, 1}, {1312, 1},
               {1313, 2}, {1313, 2}, {1314, 0}, {1314, 0}, {1325, 1}};
  const auto want = GiflibPictures(path_);
  for (const Tick& t : ticks) {
    clock_->Set(t.at);
    s.Show(frame_, 100, 50, false);
    EXPECT_EQ(s.m_nNowp, t.index) << t.at;
    // The frame drawn is the one current after the step.
    uint16_t expect = want[static_cast<size_t>(t.index)][10 * 96 + 20];
    if (expect == COLOR_KEY) expect = frame_->GetPixel(120, 60).GetColor();
    EXPECT_EQ(frame_->GetPixel(120, 60).GetColor(), expect) << t.at;
  }
  // Stopped: the frame stays, nothing is drawn.
  s.Stop();
  ClearFrame();
  clock_->Advance(1000);
  s.Show(frame_, 100, 50, false);
  EXPECT_EQ(s.m_nNowp, 1);
  EXPECT_EQ(frame_->GetPixel(101, 51).GetColor(), 0);
  // Playing again, frame 1 starts its 300 ms afresh.
  s.Play();
  s.Show(frame_, 100, 50, false);
  clock_->Advance(301);
  s.Show(frame_, 100, 50, false);
  EXPECT_EQ(s.m_nNowp, 2);
}

TEST_F(GifTest, SpriteGreyFirstFramePartCopyAndHitTest) {
  // Four known colours and magenta on a 5 x 1 screen.
  const std::vector<uint8_t> table = {248, 0,  0,  0, 248, 0, 0, 0, 248, 255, 0, 255,
                                      120, 80, 40, 0, 0,   0, 0, 0, 0,   0,   0, 0};
  WriteGif(path_, 5, 1, table, {{0, 0, 5, 1, false, {}, false, 0, 0, 0, {0, 1, 2, 3, 4}}});
  QGifSprite s(10, 10, 14, 10);
  ASSERT_TRUE(s.LoadImages(path_.c_str(), true, false));
  ASSERT_NE(s.m_pGrayImage, nullptr);
  // grey = 0.3 R + 0.59 G + 0.11 B + 0.5, from the 5-bit channels times 8.
  const int grey[] = {74, 146, 27, -1, 88};
  for (int x = 0; x < 5; ++x) {
    const uint16_t g = s.m_pGrayImage->GetPixel(x, 0).GetColor();
    if (grey[x] < 0) {
      EXPECT_EQ(g, COLOR_KEY);
    } else {
      const unsigned v = static_cast<unsigned>(grey[x]) >> 3;
      EXPECT_EQ(g, v << 10 | v << 5 | v) << x;
    }
  }
  // The grey flag draws the grey first frame whatever the current frame.
  s.Show(frame_, 30, 20, true);
  EXPECT_EQ(frame_->GetPixel(30, 20).GetColor(), s.m_pGrayImage->GetPixel(0, 0).GetColor());
  EXPECT_EQ(frame_->GetPixel(33, 20).GetColor(), 0);  // keyed: left alone
  // The part form copies a part opaquely, key colour included.
  s.Show(frame_, 2, 0, 50, 20, 3, 1, false);
  EXPECT_EQ(frame_->GetPixel(50, 20).GetColor(),
            s.GetFrame(0)->m_pImage->GetPixel(2, 0).GetColor());
  EXPECT_EQ(frame_->GetPixel(51, 20).GetColor(), COLOR_KEY);
  s.Show(frame_, 0, 0, 60, 20, 2, 1, true);
  EXPECT_EQ(frame_->GetPixel(61, 20).GetColor(), s.m_pGrayImage->GetPixel(1, 0).GetColor());
  // Hit testing follows the key colour, and needs state 1.
  EXPECT_FALSE(s.IsPointed(10, 10));
  s.Show(frame_);  // a layer's Show marks it shown
  EXPECT_TRUE(s.IsPointed(10, 10));
  EXPECT_FALSE(s.IsPointed(13, 10));  // magenta
  EXPECT_FALSE(s.IsPointed(15, 10));
}

TEST_F(GifTest, SpriteBadInputLeavesNoFrame) {
  QGifSprite s;
  for (const char* id : {static_cast<const char*>(nullptr), "gif"}) {
    tessera::ClearHeadlessMessages();
    EXPECT_FALSE(s.LoadImages(id, false, false));
    EXPECT_EQ(tessera::HeadlessMessages().size(), 1u);  // the text is checked with the sprite's
  }
  tessera::ClearHeadlessMessages();
  EXPECT_FALSE(s.LoadImages("nosuchid00", false, false));
  // Truncated (the reader is tried at every length above), an unknown
  // extension label, a screen of 65535 x 65535 too big to compose: false,
  // no frame, no message -- also after a good load.
  std::vector<std::string> damaged = {bytes_.substr(0, bytes_.size() / 2), bytes_, bytes_};
  const size_t ext = bytes_.find("\x21\xF9");
  ASSERT_NE(ext, std::string::npos);
  damaged[1][ext + 1] = '\x33';
  damaged[2][6] = damaged[2][7] = damaged[2][8] = damaged[2][9] = '\xFF';
  for (size_t i = 0; i < damaged.size(); ++i) {
    const std::string id = "broken000" + std::to_string(i);
    tessera::test::AddToPack(AfxGetResource(), id, damaged[i]);
    ASSERT_TRUE(s.LoadImages(path_.c_str(), true, false));
    EXPECT_FALSE(s.LoadImages(id.c_str(), false, false)) << i;
    EXPECT_EQ(s.GetFrameCount(), 0) << i;
    EXPECT_EQ(s.m_pGrayImage, nullptr);
    s.Show(frame_, 0, 0, false);
    s.Show(frame_, 0, 0, true);
  }
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

}  // namespace
