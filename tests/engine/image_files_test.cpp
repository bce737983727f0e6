// Bitmap and layered-image files: exact bytes written, conversions read
// (also from files that ImageMagick writes at test time), bad input.
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/bmp_file.h"
#include "engine/psd_decode.h"
#include "engine/view_manage.h"
#include "layered_image_bytes.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::ReadFile;
using tessera::test::TempDir;
using tessera::test::WriteFile;

using tessera::test::Bitmap24;

bool RunConvert(const std::string& args) {
  return std::system(("convert " + args + " 2>/dev/null").c_str()) == 0;
}

class ImageFilesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(AfxCreateViewManager(64, 64, nullptr), 1);
    vm = AfxGetViewManager();
  }
  SURFACE* Load(const std::string& path, SURFACE_STYLE style) {
    std::string copy = path;
    return vm->LoadBMP(copy.data(), style);
  }
  CVIEWMANAGE* vm = nullptr;
  TempDir dir;
};

// Rows bottom-up, each padded to 4 bytes, channels shifted up to 8 bits;
// read back, the same colours.
TEST_F(ImageFilesTest, SaveBmpWritesExactBytesAndReadsThemBack) {
  SURFACE* s = vm->CreateSurface(3, 2, SS_DIB);
  const uint16_t px[2][3] = {{0x7FFF, 0x0443, 0xFC1F}, {0x0001, 0x0020, 0x0400}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) s->SetPixel(x, y, px[y][x]);
  std::string path = dir.File("out.bmp");
  EXPECT_EQ(vm->SaveBMP(s, path.data()), 1);
  const std::string expected = std::string(
      "BM\x4E\0\0\0\0\0\0\0\x36\0\0\0"  // size 78, offset 54
      "\x28\0\0\0\x03\0\0\0\x02\0\0\0\x01\0\x18\0"
      "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
      "\x08\0\0\0\x08\0\0\0\x08"  // the bottom row first: blue, green, red 1
      "\0\0\0"
      "\xF8\xF8\xF8"  // 0x7FFF
      "\x18\x10\x08"  // 0x0443: blue 3, green 2, red 1
      "\xF8\x00\xF8"  // 0xFC1F: red 63 << 3 keeps its low byte
      "\0\0\0",
      78);
  EXPECT_EQ(ReadFile(path), expected);
  SURFACE* back = Load(path, SS_DIB);
  ASSERT_NE(back, nullptr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)  // (248, 0, 248) is a colour: the key loses its mark
      EXPECT_EQ(back->GetPixel(x, y).GetColor(), px[y][x] & 0x7FFF);
  vm->DeleteSurface(s);
  vm->DeleteSurface(back);
}

// 24-bit files from an independent writer: channels cut to 5 bits,
// magenta is the key, almost magenta a colour.  (Row order is in the
// round trip above.)
TEST_F(ImageFilesTest, LoadBmpReadsImageMagickFiles) {
  const std::string path = dir.File("magick.bmp");
  ASSERT_TRUE(RunConvert(
      "-size 1x1 xc:'rgb(255,0,255)' xc:'rgb(255,255,255)' xc:'rgb(8,16,24)' xc:black "
      "xc:'rgb(255,0,254)' xc:'rgb(7,7,15)' xc:'rgb(200,100,50)' +append -type TrueColor BMP3:" +
      path));
  ASSERT_EQ(ReadFile(path).at(28), 24);
  SURFACE* s = Load(path, SS_DIB);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->GetWidth(), 7);
  const uint16_t want[7] = {
      0xFC1F, 0x7FFF, 0x0443, 0x0000, 0x7C1F, 0x0001, PIXEL(200, 100, 50).GetColor()};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(s->GetPixel(i, 0).GetColor(), want[i]) << i;
  vm->DeleteSurface(s);
}

TEST_F(ImageFilesTest, BadBitmapsGiveNull) {
  const std::string good = Bitmap24(4, 4, std::vector<uint32_t>(16, 0x102030));
  auto patched = [&](size_t at, int v) {
    std::string b = good;
    b[at] = static_cast<char>(v);
    return b;
  };
  struct Case {
    const char* name;
    std::string bytes;
  } const cases[] = {{"signature", patched(0, 'X')},
                     {"16 bits", patched(28, 16)},
                     {"8 bits", patched(28, 8)},
                     {"truncated rows", good.substr(0, good.size() - 5)},
                     {"header only", good.substr(0, 20)},
                     {"huge width", patched(21, 0x7F)},
                     {"negative height", patched(25, 0xFF)},
                     {"offset past the end", patched(13, 0x10)}};
  for (const Case& c : cases) {
    const std::string path = dir.File("bad.bmp");
    WriteFile(path, c.bytes);
    EXPECT_EQ(Load(path, SS_DIB), nullptr) << c.name;
  }
  // A sound file is not touched at other styles either.
  WriteFile(dir.File("ok.bmp"), good);
  EXPECT_EQ(Load(dir.File("ok.bmp"), SS_PSDALPHA), nullptr);
  EXPECT_EQ(Load(dir.File("ok.bmp"), static_cast<SURFACE_STYLE>(9)), nullptr);
}

using ImageFilesDeathTest = ImageFilesTest;

TEST_F(ImageFilesDeathTest, MissingBitmapIsFatal) {
  EXPECT_EXIT(Load("no\\such.bmp", SS_DIB), ::testing::ExitedWithCode(0),
              "MSGBOX \\[Error\\] Can't Open BMP file \\[no\\\\such.bmp\\]");
  std::string path = dir.File("nodir/x.bmp");
  SURFACE* s = vm->CreateSurface(2, 2, SS_DIB);
  EXPECT_EXIT(vm->SaveBMP(s, path.data()), ::testing::ExitedWithCode(0), "Can't Open BMP file");
  vm->DeleteSurface(s);
}

TEST_F(ImageFilesTest, FactoryRefusesUnknownStyles) {
  EXPECT_EQ(vm->CreateSurface(10, 10, SS_PSDALPHA), nullptr);
  EXPECT_EQ(vm->CreateSurface(10, 10, static_cast<SURFACE_STYLE>(9)), nullptr);
  SURFACE* s = vm->CreateSurface(10, 10, SS_DIB);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetOwner(), vm);
  EXPECT_TRUE(vm->DeleteSurface(s));
  EXPECT_FALSE(vm->DeleteSurface(nullptr));
}

using tessera::test::Psd;

TEST(PsdDecode, ColoursComeBackFromWhite) {
  // Alpha 128, stored colour 191: ((191 + 129) mod 256) * 255 / 128 = 127.
  const std::string f = Psd(1, 1, {{191}, {0}, {255}, {128}}, false);
  tessera::PsdImage img;
  ASSERT_TRUE(tessera::DecodePsd(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &img));
  EXPECT_EQ(img.bgra[2], 127);
  EXPECT_EQ(img.bgra[1], (129 * 255 / 128) & 0xFF);  // 256 -> kept to 8 bits: 0
  EXPECT_EQ(img.bgra[0], (128 * 255 / 128) & 0xFF);
  EXPECT_EQ(tessera::PsdOpacity(&img.bgra[0]), 16);
}

TEST(PsdDecode, PackBitsCount128EndsTheImage) {
  std::string f = Psd(2, 2, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}, true);
  // The first row of the first channel: replace it by 128 (the end).
  const size_t data = f.size() - 6 * 3;  // six rows of "\x01 a b"
  f[data] = static_cast<char>(128);
  tessera::PsdImage img;
  ASSERT_TRUE(tessera::DecodePsd(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &img));
  EXPECT_EQ(img.bgra[2], 0);  // nothing was decoded
  EXPECT_EQ(img.bgra[0], 0);
}

TEST(PsdDecode, BadHeadersAndOverrunsAreRefused) {
  const std::string good = Psd(
      4, 2, {{1, 2, 3, 4, 5, 6, 7, 8}, {0, 0, 0, 0, 0, 0, 0, 0}, {9, 9, 9, 9, 9, 9, 9, 9}}, true);
  tessera::PsdImage img;
  auto decode = [&](const std::string& f) {
    return tessera::DecodePsd(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &img);
  };
  ASSERT_TRUE(decode(good));
  auto patched = [&](size_t at, uint8_t v) {
    std::string f = good;
    f[at] = static_cast<char>(v);
    return f;
  };
  EXPECT_FALSE(decode(patched(0, '9')));    // signature
  EXPECT_FALSE(decode(patched(5, 2)));      // version 2
  EXPECT_FALSE(decode(patched(13, 2)));     // 2 channels
  EXPECT_FALSE(decode(patched(13, 5)));     // 5 channels
  EXPECT_FALSE(decode(patched(23, 16)));    // 16 bits per channel
  EXPECT_FALSE(decode(patched(25, 4)));     // CMYK
  EXPECT_FALSE(decode(patched(29, 200)));   // colour-mode section past the end
  EXPECT_FALSE(decode(patched(33, 0xF0)));  // resources past the end
  EXPECT_FALSE(decode(patched(45, 2)));     // compression 2
  EXPECT_FALSE(decode(patched(17, 0)));     // height 0
  EXPECT_FALSE(decode(patched(18, 0xFF)));  // width far too large
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(decode(good.substr(0, cut))) << cut;
  // A literal run longer than the row.
  const size_t first_row = good.size() - 18;  // rows: 5 + 5 + 4 x 2 bytes
  EXPECT_FALSE(decode(patched(first_row, 5)));
  // A repeat longer than the row.
  EXPECT_FALSE(decode(patched(good.size() - 2, static_cast<uint8_t>(257 - 5))));
  EXPECT_FALSE(tessera::DecodePsd(nullptr, 10, &img));
}

TEST(PsdDecode, ReadsImageMagickFiles) {
  TempDir dir;
  const std::string path = dir.File("m.psd");
  ASSERT_TRUE(
      RunConvert("-size 1x1 xc:'rgb(10,20,30)' xc:'rgb(255,255,255)' xc:'rgb(8,16,24)' "
                 "+append -alpha off -depth 8 " +
                 path));
  const std::string f = ReadFile(path);
  tessera::PsdImage img;
  ASSERT_TRUE(tessera::DecodePsd(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &img));
  ASSERT_EQ(img.width, 3);
  EXPECT_EQ(img.channels, 3);
  EXPECT_EQ((std::vector<uint16_t>{tessera::PsdPixel(&img.bgra[0]), tessera::PsdPixel(&img.bgra[4]),
                                   tessera::PsdPixel(&img.bgra[8])}),
            (std::vector<uint16_t>{PIXEL(10, 20, 30).GetColor(), 0x7FFF, 0x0443}));
  EXPECT_EQ(img.bgra[3], 255);  // three channels are opaque
  EXPECT_EQ(tessera::PsdOpacity(&img.bgra[4]), 31);
}

}  // namespace
