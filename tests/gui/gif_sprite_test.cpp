// QGifSprite: frames composed from GIF files and pack resources, checked
// against giflib's own decoding of the same bytes; the frame clock and its
// wrap after the last frame, the grey first frame, drawing and bad input.
#include "gui/gif_sprite.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gif_samples.h"
#include "platform/headless/headless_message_sink.h"
#include "sprite_fixture.h"

namespace {

using tessera::test::RandomBytes;
using tessera::test::SampleFrame;

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

// A full-screen frame of random indices over 256 colours (the code width
// grows to 12 bits), an offset frame with its own small table and a
// transparent index, an interlaced frame of 3 colours with the global
// table, whose entry 2 is magenta.
std::vector<SampleFrame> Frames() {
  std::vector<SampleFrame> f(3);
  f[0] = {0, 0, 96, 64, false, {}, true, 0, 10, 0, RandomBytes(96 * 64, 256, 11)};
  const auto local = RandomBytes(12, 256, 12);
  f[1] = {17, 9, 31, 7, false, local, true, (2 << 2) | 1, 30, 3, RandomBytes(31 * 7, 4, 13)};
  f[2] = {5, 40, 40, 13, true, {}, true, 1 << 2, 0, 0, RandomBytes(40 * 13, 3, 14)};
  return f;
}

std::vector<uint8_t> GlobalTable() {
  std::vector<uint8_t> t = RandomBytes(256 * 3, 256, 15);
  t[6] = 0xFF, t[7] = 0x00, t[8] = 0xFF;  // entry 2: magenta
  return t;
}

class GifSpriteTest : public tessera::test::SpriteFixture {
 protected:
  void SetUp() override {
    SpriteFixture::SetUp();
    path_ = scratch() + "/anim.gif";
    tessera::test::WriteGif(path_, 96, 64, GlobalTable(), Frames());
    bytes_ = tessera::test::ReadFile(path_);
  }

  std::string path_, bytes_;
};

TEST_F(GifSpriteTest, FramesMatchGiflibFromFileAndPack) {
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
              (std::vector<uint32_t>{10, 30, 0}));
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
}

TEST_F(GifSpriteTest, FromTheGameDatabaseFolder) {
  // A name that is no file here is looked for beside the game database.
  std::filesystem::copy_file(path_, pack_dir_.File("game/flag0001.gif"));
  QGifSprite s;
  ASSERT_TRUE(s.LoadImages("flag0001.gif", true, false));
  EXPECT_EQ(s.GetFrameCount(), 3);
  EXPECT_FALSE(s.LoadImages("missing1.gif", true, false));
  EXPECT_EQ(s.GetFrameCount(), 0);
}

TEST_F(GifSpriteTest, FrameClockLoopsAfterTheLastFrame) {
  QGifSprite s(0, 0, 95, 63);
  ASSERT_TRUE(s.LoadImages(path_.c_str(), true, false));
  // Delays 10, 30 and 0, as milliseconds: a frame changes after more than
  // its delay since the Show that started its timer.
  struct Tick {
    uint32_t at;
    int index;
  } ticks[] = {{1000, 0}, {1010, 0}, {1011, 1}, {1012, 1}, {1042, 1},
               {1043, 2}, {1043, 2}, {1044, 0}, {1044, 0}, {1055, 1}};
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
  // Playing again, frame 1 starts its 30 ms afresh.
  s.Play();
  s.Show(frame_, 100, 50, false);
  clock_->Advance(31);
  s.Show(frame_, 100, 50, false);
  EXPECT_EQ(s.m_nNowp, 2);
}

TEST_F(GifSpriteTest, GreyFirstFramePartCopyAndHitTest) {
  // Four known colours and magenta on a 5 x 1 screen.
  const std::vector<uint8_t> table = {248, 0,  0,  0, 248, 0, 0, 0, 248, 255, 0, 255,
                                      120, 80, 40, 0, 0,   0, 0, 0, 0,   0,   0, 0};
  tessera::test::WriteGif(path_, 5, 1, table,
                          {{0, 0, 5, 1, false, {}, false, 0, 0, 0, {0, 1, 2, 3, 4}}});
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

TEST_F(GifSpriteTest, BadInputLeavesNoFrame) {
  QGifSprite s;
  for (const char* id : {static_cast<const char*>(nullptr), "gif"}) {
    tessera::ClearHeadlessMessages();
    EXPECT_FALSE(s.LoadImages(id, false, false));
    EXPECT_EQ(tessera::HeadlessMessages().size(), 1u);  // the text is checked with the sprite's
  }
  tessera::ClearHeadlessMessages();
  EXPECT_FALSE(s.LoadImages("nosuchid00", false, false));

  // Truncated (the reader's own suite tries every length), an unknown
  // extension label, a screen of 65535 x 65535 too big to compose: false,
  // no frame, no message -- also after a good load.
  std::vector<std::string> damaged = {bytes_.substr(0, bytes_.size() / 2), bytes_, bytes_};
  const size_t ext = bytes_.find("\x21\xF9");
  ASSERT_NE(ext, std::string::npos);
  damaged[1][ext + 1] = '\x33';
  damaged[2][6] = damaged[2][7] = damaged[2][8] = damaged[2][9] = '\xFF';
  for (size_t i = 0; i < damaged.size(); ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "broken%04d", static_cast<int>(i));
    tessera::test::AddToPack(AfxGetResource(), id, damaged[i]);
    ASSERT_TRUE(s.LoadImages(path_.c_str(), true, false));
    EXPECT_FALSE(s.LoadImages(id, false, false)) << i;
    EXPECT_EQ(s.GetFrameCount(), 0) << i;
    EXPECT_EQ(s.m_pGrayImage, nullptr);
    s.Show(frame_, 0, 0, false);
    s.Show(frame_, 0, 0, true);
  }
  EXPECT_TRUE(tessera::HeadlessMessages().empty());
}

}  // namespace
