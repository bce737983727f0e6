// Image files and the surface cache: bitmap bytes written and read (also
// files that ImageMagick writes at test time), layered images decoded and
// encoded, bad input, and surfaces shared by name.
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/bmp_file.h"
#include "engine/psd_decode.h"
#include "engine/psd_encode.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "layered_image_bytes.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

using tessera::test::Bitmap24;
using tessera::test::EngineTest;
using tessera::test::Psd;
using tessera::test::ReadFile;
using tessera::test::TempDir;
using tessera::test::WriteFile;

bool RunConvert(const std::string& args) {
  return std::system(("convert " + args + " 2>/dev/null").c_str()) == 0;
}

// A 2 x 1 bitmap whose first pixel has the given blue byte.
std::string SmallBitmap(uint8_t blue) { return Bitmap24(2, 1, {blue, 0}); }

class ImageFilesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(AfxCreateViewManager(64, 64, nullptr), 1);
    vm = AfxGetViewManager();
    path = dir.File("a.bmp");
    WriteFile(path, SmallBitmap(0xF8));
  }
  SURFACE* Load(const std::string& file, SURFACE_STYLE style) {
    std::string copy = file;
    return vm->LoadBMP(copy.data(), style);
  }
  // Through the cache, by file name.
  SURFACE* Request(const std::string& name, SURFACE_STYLE style = SS_DIB) {
    std::string copy = name;
    return vm->CreateSurface(copy.data(), style, true, true);
  }
  CVIEWMANAGE* vm = nullptr;
  TempDir dir;
  std::string path;
};

// Rows bottom-up, each padded to 4 bytes, channels shifted up to 8 bits;
// read back, the same colours.
TEST_F(ImageFilesTest, SaveBmpWritesExactBytesAndReadsThemBack) {
  SURFACE* s = vm->CreateSurface(3, 2, SS_DIB);
  const uint16_t px[2][3] = {{0x7FFF, 0x0443, 0xFC1F}, {0x0001, 0x0020, 0x0400}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) s->SetPixel(x, y, px[y][x]);
  std::string out = dir.File("out.bmp");
  EXPECT_EQ(vm->SaveBMP(s, out.data()), 1);
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
  EXPECT_EQ(ReadFile(out), expected);
  SURFACE* back = Load(out, SS_DIB);
  ASSERT_NE(back, nullptr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)  // (248, 0, 248) is a colour: the key loses its mark
      EXPECT_EQ(back->GetPixel(x, y).GetColor(), px[y][x] & 0x7FFF);
  vm->DeleteSurface(s);
  vm->DeleteSurface(back);
}

// 24-bit files from an independent writer: channels cut to 5 bits,
// magenta is the key, almost magenta a colour.
TEST_F(ImageFilesTest, LoadBmpReadsImageMagickFiles) {
  const std::string file = dir.File("magick.bmp");
  ASSERT_TRUE(RunConvert(
      "-size 1x1 xc:'rgb(255,0,255)' xc:'rgb(255,255,255)' xc:'rgb(8,16,24)' xc:black "
      "xc:'rgb(255,0,254)' xc:'rgb(7,7,15)' xc:'rgb(200,100,50)' +append -type TrueColor BMP3:" +
      file));
  ASSERT_EQ(ReadFile(file).at(28), 24);
  SURFACE* s = Load(file, SS_DIB);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->GetWidth(), 7);
  const uint16_t want[7] = {
      0xFC1F, 0x7FFF, 0x0443, 0x0000, 0x7C1F, 0x0001, PIXEL(200, 100, 50).GetColor()};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(s->GetPixel(i, 0).GetColor(), want[i]) << i;
  vm->DeleteSurface(s);
}

TEST_F(ImageFilesTest, BadBitmapsAndStylesGiveNull) {
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
    WriteFile(dir.File("bad.bmp"), c.bytes);
    EXPECT_EQ(Load(dir.File("bad.bmp"), SS_DIB), nullptr) << c.name;
  }
  for (int style : {static_cast<int>(SS_PSDALPHA), 9}) {
    EXPECT_EQ(Load(path, static_cast<SURFACE_STYLE>(style)), nullptr) << style;
    EXPECT_EQ(vm->CreateSurface(10, 10, static_cast<SURFACE_STYLE>(style)), nullptr) << style;
  }
  SURFACE* s = vm->CreateSurface(10, 10, SS_DIB);
  EXPECT_EQ(s->GetOwner(), vm);
  EXPECT_TRUE(vm->DeleteSurface(s));
  EXPECT_FALSE(vm->DeleteSurface(nullptr));
}

using ImageFilesDeathTest = ImageFilesTest;

TEST_F(ImageFilesDeathTest, MissingBitmapIsFatal) {
  EXPECT_EXIT(Load("no\\such.bmp", SS_DIB), ::testing::ExitedWithCode(0),
              "MSGBOX \\[Error\\] Can't Open BMP file \\[no\\\\such.bmp\\]");
  std::string out = dir.File("nodir/x.bmp");
  SURFACE* s = vm->CreateSurface(2, 2, SS_DIB);
  EXPECT_EXIT(vm->SaveBMP(s, out.data()), ::testing::ExitedWithCode(0), "Can't Open BMP file");
  vm->DeleteSurface(s);
}

TEST_F(ImageFilesTest, CacheSharesOneSurfaceByNameUntilTheLastRelease) {
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  SURFACE* a = Request(path);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetPixel(0, 0).GetColor(), 0x001F);
  EXPECT_EQ(Request(path, SS_RLE), a);  // a second style gets the first surface
  EXPECT_EQ(a->GetStyle(), SS_DIB);
  EXPECT_EQ(tessera::CachedCount(cache, path.c_str()), 2);
  EXPECT_TRUE(cache.IsHaveSurface(a));
  EXPECT_FALSE(vm->DeleteSurface(a));  // count 2 -> 1, kept
  EXPECT_EQ(tessera::CachedCount(cache, path.c_str()), 1);
  EXPECT_TRUE(vm->DeleteSurface(a));  // destroyed
  EXPECT_EQ(tessera::CachedCount(cache, path.c_str()), 0);
  EXPECT_EQ(tessera::CachedNames(cache), 0u);
  EXPECT_FALSE(cache.IsHaveSurface(a));
  // By name: the same counting; unknown and empty names release nothing.
  Request(path);
  Request(path);
  EXPECT_EQ((std::vector<bool>{cache.DeleteSurface(path.c_str()), cache.DeleteSurface(path.c_str()),
                               cache.DeleteSurface(path.c_str()), cache.DeleteSurface(""),
                               cache.DeleteSurface(static_cast<const char*>(nullptr))}),
            (std::vector<bool>{false, true, false, false, false}));
  // A surface made directly is not the cache's: destroyed directly.
  SURFACE* own = vm->CreateSurface(4, 4, SS_DIB);
  EXPECT_FALSE(cache.DeleteSurface(own));
  EXPECT_TRUE(vm->DeleteSurface(own));
  EXPECT_FALSE(cache.DeleteSurface(static_cast<SURFACE*>(nullptr)));
}

// Failed loads leave no record (and are tried again); names up to 128
// characters; without a display manager nothing loads.
TEST_F(ImageFilesTest, CacheRecordsOnlyLoadedSurfacesWithNamesUpTo128Characters) {
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  const std::string bad = dir.File("bad.bmp");
  WriteFile(bad, "BX not a bitmap at all, long enough for a header");
  EXPECT_EQ(Request(bad), nullptr);
  EXPECT_EQ(tessera::CachedNames(cache), 0u);
  WriteFile(bad, SmallBitmap(0));
  EXPECT_NE(Request(bad), nullptr);
  std::string exact = dir.path() + "/";
  exact += std::string(128 - exact.size() - 4, 'n') + ".bmp";
  ASSERT_EQ(exact.size(), 128u);
  WriteFile(exact, SmallBitmap(1));
  EXPECT_NE(Request(exact), nullptr);
  const std::string longer = exact.substr(0, exact.size() - 4) + "n.bmp";
  WriteFile(longer, SmallBitmap(1));
  EXPECT_EQ(Request(longer), nullptr);
  EXPECT_EQ(Request(""), nullptr);
  EXPECT_EQ(tessera::CachedNames(cache), 2u);
  AfxDeleteViewManager();
  EXPECT_EQ(cache.CreateSurface(path.c_str(), SS_DIB, true), nullptr);
}

TEST_F(ImageFilesTest, DestroyingACacheDestroysEverySurface) {
  auto* cache = new CSurfaceManager;
  SURFACE* a = cache->CreateSurface(path.c_str(), SS_DIB, true);
  cache->CreateSurface(path.c_str(), SS_DIB, true);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(tessera::CachedCount(*cache, path.c_str()), 2);
  delete cache;  // frees the surface whatever its count (checked by the sanitizer build)
}

bool DecodePsd(const std::string& f, tessera::PsdImage* img) {
  return tessera::DecodePsd(reinterpret_cast<const uint8_t*>(f.data()), f.size(), img);
}

TEST(PsdDecode, ColoursComeBackFromWhiteAndPackBits128EndsTheImage) {
  // Alpha 128, stored colour 191: ((191 + 129) mod 256) * 255 / 128 = 127.
  tessera::PsdImage img;
  ASSERT_TRUE(DecodePsd(Psd(1, 1, {{191}, {0}, {255}, {128}}, false), &img));
  EXPECT_EQ(img.bgra[2], 127);
  EXPECT_EQ(img.bgra[1], (129 * 255 / 128) & 0xFF);  // 256 -> kept to 8 bits: 0
  EXPECT_EQ(img.bgra[0], (128 * 255 / 128) & 0xFF);
  EXPECT_EQ(tessera::PsdOpacity(&img.bgra[0]), 16);
  std::string f = Psd(2, 2, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}}, true);
  f[f.size() - 6 * 3] = static_cast<char>(128);  // the first row of six "\x01 a b"
  ASSERT_TRUE(DecodePsd(f, &img));
  EXPECT_EQ(img.bgra[2], 0);  // nothing was decoded
  EXPECT_EQ(img.bgra[0], 0);
}

TEST(PsdDecode, BadHeadersAndOverrunsAreRefused) {
  const std::string good = Psd(
      4, 2, {{1, 2, 3, 4, 5, 6, 7, 8}, {0, 0, 0, 0, 0, 0, 0, 0}, {9, 9, 9, 9, 9, 9, 9, 9}}, true);
  tessera::PsdImage img;
  ASSERT_TRUE(DecodePsd(good, &img));
  auto patched = [&](size_t at, uint8_t v) {
    std::string f = good;
    f[at] = static_cast<char>(v);
    return f;
  };
  const std::pair<size_t, uint8_t> bad[] = {
      {0, '9'},                                           // signature
      {5, 2},                                             // version 2
      {13, 2},                                            // 2 channels
      {13, 5},                                            // 5 channels
      {23, 16},                                           // 16 bits per channel
      {25, 4},                                            // CMYK
      {29, 200},                                          // colour-mode section past the end
      {33, 0xF0},                                         // resources past the end
      {45, 2},                                            // compression 2
      {17, 0},                                            // height 0
      {18, 0xFF},                                         // width far too large
      {good.size() - 18, 5},                              // a literal longer than the row
      {good.size() - 2, static_cast<uint8_t>(257 - 5)}};  // a repeat longer than the row
  for (const auto& [at, v] : bad) EXPECT_FALSE(DecodePsd(patched(at, v), &img)) << at;
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(DecodePsd(good.substr(0, cut), &img));
  EXPECT_FALSE(tessera::DecodePsd(nullptr, 10, &img));
}

TEST(PsdDecode, ReadsImageMagickFiles) {
  TempDir dir;
  const std::string path = dir.File("m.psd");
  ASSERT_TRUE(
      RunConvert("-size 1x1 xc:'rgb(10,20,30)' xc:'rgb(255,255,255)' xc:'rgb(8,16,24)' "
                 "+append -alpha off -depth 8 " +
                 path));
  tessera::PsdImage img;
  ASSERT_TRUE(DecodePsd(ReadFile(path), &img));
  ASSERT_EQ(img.width, 3);
  EXPECT_EQ(img.channels, 3);
  EXPECT_EQ((std::vector<uint16_t>{tessera::PsdPixel(&img.bgra[0]), tessera::PsdPixel(&img.bgra[4]),
                                   tessera::PsdPixel(&img.bgra[8])}),
            (std::vector<uint16_t>{PIXEL(10, 20, 30).GetColor(), 0x7FFF, 0x0443}));
  EXPECT_EQ(img.bgra[3], 255);  // three channels are opaque
  EXPECT_EQ(tessera::PsdOpacity(&img.bgra[4]), 31);
}

// The writer against the decoder: opaque pixels (runs and noise, raw and
// packed) exactly; translucent ones come back from the white composite
// within the rounding of alpha.
TEST(PsdEncode, ImagesRoundTripThroughTheDecoder) {
  tessera::test::TestRandom rng(4);
  for (bool packed : {false, true}) {
    std::vector<uint32_t> px(37 * 5);
    for (size_t i = 0; i < px.size(); ++i)
      px[i] = 0xFF000000u | (i % 7 < 4 ? 0x123456u : (rng.Next() & 0xFFFFFF));
    auto bytes = tessera::EncodePsdImage(37, 5, px.data(), packed);
    tessera::PsdImage img;
    ASSERT_TRUE(tessera::DecodePsd(bytes.data(), bytes.size(), &img)) << packed;
    EXPECT_EQ(img.channels, 3);
    ASSERT_EQ(img.width, 37);
    ASSERT_EQ(img.height, 5);
    for (size_t i = 0; i < px.size(); ++i) {
      const uint8_t* p = &img.bgra[i * 4];
      ASSERT_EQ(p[2] << 16 | p[1] << 8 | p[0], static_cast<int>(px[i] & 0xFFFFFF)) << i;
    }
  }
  std::vector<uint32_t> px;
  for (unsigned a : {0u, 1u, 17u, 128u, 254u, 255u})
    for (unsigned c : {0u, 10u, 128u, 255u})
      px.push_back(a << 24 | c << 16 | (255 - c) << 8 | c / 2);
  auto bytes = tessera::EncodePsdImage(static_cast<int>(px.size()), 1, px.data(), true);
  tessera::PsdImage img;
  ASSERT_TRUE(tessera::DecodePsd(bytes.data(), bytes.size(), &img));
  EXPECT_EQ(img.channels, 4);
  for (size_t i = 0; i < px.size(); ++i) {
    const unsigned a = px[i] >> 24;
    const uint8_t* p = &img.bgra[i * 4];
    EXPECT_EQ(p[3], a);
    for (int c = 0; c < 3; ++c) {
      const int want = (px[i] >> (16 - 8 * c)) & 0xFF, got = p[2 - c];
      if (a == 0 || a == 255)
        EXPECT_EQ(got, want) << i << " channel " << c;
      else
        EXPECT_NEAR(got, want, 255.0 / a + 1) << i << " channel " << c;
    }
  }
}

}  // namespace
