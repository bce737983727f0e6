// The GIF reader against files written by giflib (independent of the
// reader) and against hand-made LZW streams.
#include "gui/gif_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif_samples.h"
#include "gui/gif_lzw.h"
#include "support/test_support.h"

namespace {

using tessera::test::RandomBytes;
using tessera::test::SampleFrame;
using tessera::test::TempDir;
using tessera::test::WriteGif;

std::vector<SampleFrame> ThreeFrames() {
  std::vector<SampleFrame> frames(3);
  // A full-screen frame of random indices: long runs of new codes fill the
  // table and make the code width grow to 12 bits.
  frames[0] = {0, 0, 160, 120, false, {}, false, 0, 0, 0, RandomBytes(160 * 120, 256, 1)};
  // A small offset frame with its own 4-colour table and control data.
  const auto local = RandomBytes(12, 256, 2);
  frames[1] = {
      17, 9, 31, 7, false, local, true, (2 << 2) | 2 | 1, 10, 3, RandomBytes(31 * 7, 4, 3)};
  // Interlaced, with a height that is not a multiple of 8, and few colours
  // so that strings get long.
  frames[2] = {5, 100, 40, 13, true, {}, true, 1 << 2, 0xABCD, 0, RandomBytes(40 * 13, 3, 4)};
  return frames;
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

TEST(GifFileTest, ReadsGiflibFramesInAllThreeModes) {
  TempDir dir;
  const std::string path = dir.File("three.gif");
  const std::vector<uint8_t> global = RandomBytes(256 * 3, 256, 9);
  const auto frames = ThreeFrames();
  WriteGif(path, 200, 150, global, frames);

  // Load-all from the file, streaming from the file, from memory; the
  // frames repeat after the last one.
  const std::string bytes = tessera::test::ReadFile(path);
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    QGifFile gif;
    ASSERT_EQ(mode < 2 ? gif.Open(path.c_str(), mode == 0)
                       : gif.Open(bytes.data(), static_cast<long>(bytes.size())),
              1);
    EXPECT_STREQ(gif.m_szVersion, "89a");
    EXPECT_EQ((std::vector<int>{gif.m_wScreenWidth, gif.m_wScreenHeight, gif.m_bGlobalTable,
                                gif.m_nGlobalColors, gif.m_nColorResolution, gif.m_nFrameCount,
                                gif.m_bAllLoaded}),
              (std::vector<int>{200, 150, 1, 256, 8, 3, mode == 0}));
    EXPECT_EQ(std::vector<uint8_t>(&gif.m_GlobalTable[0][0], &gif.m_GlobalTable[0][0] + 768),
              global);
    for (int round = 0; round < 2; round++)
      for (const auto& f : frames) ExpectFrame(gif.GetNextFrame(), f);
    gif.Close();
    EXPECT_EQ(gif.GetNextFrame(), nullptr);
  }
}

TEST(GifFileTest, AcceptsVersionsUpTo89a) {
  TempDir dir;
  const std::string path = dir.File("v.gif");
  std::vector<SampleFrame> one = {
      {0, 0, 4, 2, false, {}, false, 0, 0, 0, {0, 1, 2, 3, 3, 2, 1, 0}}};
  WriteGif(path, 4, 2, RandomBytes(12, 256, 5), one);
  std::string bytes = tessera::test::ReadFile(path);
  ASSERT_EQ(bytes.substr(0, 6), "GIF87a");
  for (const char* v : {"87a", "89a", "90a"}) {
    std::string b = bytes;
    b.replace(3, 3, v);
    QGifFile gif;
    const bool ok = std::string(v) <= "89a";
    EXPECT_EQ(gif.Open(b.data(), static_cast<long>(b.size())), ok ? 1 : 0) << v;
    if (ok) ExpectFrame(gif.GetNextFrame(), one[0]);
  }
  std::string bad = bytes;
  bad[0] = 'g';
  QGifFile gif;
  EXPECT_EQ(gif.Open(bad.data(), static_cast<long>(bad.size())), 0);
  EXPECT_EQ(gif.Open(nullptr, 10L), 0);
  EXPECT_EQ(gif.Open(bytes.data(), 0L), 0);
  EXPECT_EQ(gif.Open(dir.File("missing.gif").c_str(), true), 0);
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
  s += static_cast<char>(w & 0xFF);
  s += static_cast<char>(w >> 8);
  s += static_cast<char>(h & 0xFF);
  s += static_cast<char>(h >> 8);
  s += static_cast<char>(packed);
  s += static_cast<char>(code_size);
  for (size_t i = 0; i < data.size(); i += 255) {
    const std::string part = data.substr(i, 255);
    s += static_cast<char>(part.size());
    s += part;
  }
  s += '\0';
  return s;
}

std::vector<uint8_t> Decode(const std::string& data, int code_size, size_t out_size, bool* ok) {
  std::vector<uint8_t> out(out_size, 0xEE);
  size_t written = 0;
  *ok = tessera::DecodeGifLzw(code_size, reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                              out.data(), out.size(), &written);
  out.resize(written);
  return out;
}

TEST(GifLzwTest, HandMadeCodeStreams) {
  using Codes = std::vector<std::pair<int, int>>;
  // Clear, 1, then the code being defined (6 = "1 1"), then 6 again; the
  // entry 7 makes the next free code 8, so the end code takes 4 bits.
  const Codes kwk = {{4, 3}, {1, 3}, {6, 3}, {6, 3}, {5, 4}};
  const struct {
    const char* what;
    Codes codes;
    int code_size;
    size_t room;
    bool ok;
    std::vector<uint8_t> want;
  } cases[] = {
      {"kwk", kwk, 2, 5, true, std::vector<uint8_t>(5, 1)},
      {"one pixel too many", kwk, 2, 4, false, {}},
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
      {"code size 0", kwk, 0, 10, false, {}},
      {"code size 9", kwk, 9, 10, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bool ok = !c.ok;
    const auto out = Decode(PackCodes(c.codes), c.code_size, c.room, &ok);
    EXPECT_EQ(ok, c.ok);
    if (c.ok) {
      EXPECT_EQ(out, c.want);
    }
  }
}

TEST(GifFileTest, HandMadeFiles) {
  const std::string kwk = PackCodes({{4, 3}, {1, 3}, {6, 3}, {6, 3}, {5, 4}});
  const std::string control = std::string("\x21\xF9\x04\x05\x0A\x00\x02\x00", 8);
  {
    // Comment, application, plain-text and stray zero bytes pass; the
    // control data reaches the image.
    const std::string g =
        HandGif(std::string("\x21\xFE\x02hi\x00\x00\x21\xFF\x01x\x00\x21\x01\x00", 15) + control +
                Image(5, 1, 0, 2, kwk));
    QGifFile gif;
    ASSERT_EQ(gif.Open(g.data(), static_cast<long>(g.size())), 1);
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
    const int streaming = gif.Open(g.data(), static_cast<long>(g.size()));
    const bool decoded = streaming && gif.GetNextFrame() != nullptr;
    TempDir dir;
    tessera::test::WriteFile(dir.File("h.gif"), g);
    EXPECT_EQ(gif.Open(dir.File("h.gif").c_str(), true), 0);
    EXPECT_FALSE(decoded);
  }
  {
    // A frame placed past the logical screen is read as it is: placing it
    // is the painter's business.  A frame of 65535 x 65535 is refused
    // without asking for its 4 GB.
    std::string far = Image(5, 1, 0, 2, kwk);
    far[1] = far[3] = '\xF0';
    far[2] = far[4] = '\xFF';
    std::string huge = Image(5, 1, 0, 2, kwk);
    huge[5] = huge[6] = huge[7] = huge[8] = '\xFF';
    const std::string g = HandGif(far + huge);
    QGifFile gif;
    ASSERT_EQ(gif.Open(g.data(), static_cast<long>(g.size())), 1);
    EXPECT_EQ(gif.m_nFrameCount, 2);
    stGifFrame* f = gif.GetNextFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->m_wLeft, 0xFFF0);
    EXPECT_EQ(f->m_wTop, 0xFFF0);
    EXPECT_EQ(f->m_pPixels[4], 1);
    EXPECT_EQ(gif.GetNextFrame(), nullptr);
  }
  {
    // Short data leaves the rest of the frame at index 0.
    const std::string g = HandGif(Image(5, 2, 0, 2, PackCodes({{4, 3}, {3, 3}, {3, 3}})));
    QGifFile gif;
    ASSERT_EQ(gif.Open(g.data(), static_cast<long>(g.size())), 1);
    stGifFrame* f = gif.GetNextFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(f->m_pPixels, f->m_pPixels + 10),
              (std::vector<uint8_t>{3, 3, 0, 0, 0, 0, 0, 0, 0, 0}));
  }
}

TEST(GifFileTest, EveryTruncationFails) {
  TempDir dir;
  const std::string path = dir.File("t.gif");
  auto frames = ThreeFrames();
  frames[0] = {0, 0, 20, 10, false, {}, false, 0, 0, 0, RandomBytes(200, 256, 7)};
  WriteGif(path, 200, 150, RandomBytes(768, 256, 8), frames);
  const std::string bytes = tessera::test::ReadFile(path);
  for (size_t n = 0; n < bytes.size(); n++) {
    // A heap copy of exactly n bytes, so that an overread shows under ASan.
    std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    QGifFile gif;
    EXPECT_EQ(gif.Open(cut.data(), static_cast<long>(n)), 0) << n;
  }
  const std::string cut_path = dir.File("cut.gif");
  tessera::test::WriteFile(cut_path, bytes.substr(0, bytes.size() - 1));
  QGifFile gif;
  EXPECT_EQ(gif.Open(cut_path.c_str(), true), 0);
  EXPECT_EQ(gif.Open(cut_path.c_str(), false), 0);
}

}  // namespace
