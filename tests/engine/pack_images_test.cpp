// Surfaces by pack identifier: every style, over a real resource pack, and
// bad pack images.  Also the loaders' other styles (bitmaps into run-length
// and alpha surfaces, layered images into alpha surfaces).
#include <filesystem>
#include <string>
#include <vector>

#include "database/schema.h"
#include "engine/alpha_surface.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_surface.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "layered_image_bytes.h"
#include "pack/res.h"
#include "public/engine.h"
#include "support/test_pack.h"
#include "support/test_support.h"

namespace {

using tessera::test::AddToPack;
using tessera::test::EngineTest;
using tessera::test::Le16;
using tessera::test::MakeTestPack;
using tessera::test::PackImage;
using tessera::test::TempDir;
using tessera::test::WriteFile;

class PackImagesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    MakeTestPack(dir, &res);
    ASSERT_TRUE(res);
    ASSERT_EQ(AfxCreateViewManager(64, 64, nullptr), 1);
    vm = AfxGetViewManager();
    vm->Initialize(res.get());  // the manager keeps this pack
    // A 7 x 5 picture: a keyed corner, colours whose blue runs 0..31.
    picture = vm->CreateSurface(7, 5, SS_DIB);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x)
        picture->SetPixel(x, y, static_cast<unsigned short>((x + y * 7) % 32 | (y << 10)));
    picture->SetPixel(0, 0, COLOR_KEY);
    Add("Bpic000001", PackImage(picture));
  }
  void TearDown() override {
    delete picture;
    AfxFreeEngine();
    res.reset();
    EngineTest::TearDown();
  }
  void Add(const char* id, const std::string& bytes) { AddToPack(res.get(), id, bytes); }
  SURFACE* Load(const char* id, SURFACE_STYLE style) {
    std::string copy = id;
    return vm->CreateSurface(copy.data(), style, false, false);
  }

  TempDir dir;
  std::unique_ptr<CRes> res;
  CVIEWMANAGE* vm = nullptr;
  SURFACE* picture = nullptr;
};

// The mask style answers 0x7FFF where the picture is not keyed.
TEST_F(PackImagesTest, PlainRunLengthAndMaskStyles) {
  for (SURFACE_STYLE style : {SS_DIB, SS_RLE, SS_RLEMASK}) {
    SURFACE* s = Load("Bpic000001", style);
    ASSERT_NE(s, nullptr) << style;
    EXPECT_EQ(s->GetStyle(), style);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const uint16_t p = picture->GetPixel(x, y).GetColor();
        ASSERT_EQ(s->GetPixel(x, y).GetColor(), style != SS_RLEMASK || p == COLOR_KEY ? p : 0x7FFF)
            << style;
      }
    vm->DeleteSurface(s);
  }
  char id[] = "Bpic000001";  // through the cache: one surface per identifier
  EXPECT_EQ(vm->CreateSurface(id, SS_DIB, true, false), vm->CreateSurface(id, SS_DIB, true, false));
}

TEST_F(PackImagesTest, AlphaStylesTakeOpacityFromBlue) {
  Add("Apic000001", PackImage(picture));  // the "A" companion
  auto* a = static_cast<ALPHASURFACE*>(Load("Bpic000001", SS_ALPHA));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetPixel(3, 2).GetColor(), picture->GetPixel(3, 2).GetColor());
  // Blue b is the opacity: stored weight 32 - b, opacity 31 stores 0.
  EXPECT_EQ(a->GetAlphaPixel(3, 2), 32 - 17);
  EXPECT_EQ(a->GetAlphaPixel(0, 0), 0);  // COLOR_KEY's blue is 31
  vm->DeleteSurface(a);

  auto* only = static_cast<ALPHASURFACE*>(Load("Apic000001", SS_ALPHAONLY));
  ASSERT_NE(only, nullptr);
  EXPECT_EQ(only->GetPixel(3, 2).GetColor(), 0);
  EXPECT_EQ(only->GetAlphaPixel(2, 1), 32 - 9);
  vm->DeleteSurface(only);

  Add("Bnocompan1", PackImage(picture));  // no "Anocompan1"
  EXPECT_EQ(Load("Bnocompan1", SS_ALPHA), nullptr);
}

TEST_F(PackImagesTest, BadPackImagesGiveNull) {
  std::string good = PackImage(picture);
  std::string wide = good;
  wide.replace(0, 2, Le16(8001));
  Add("wide000001", wide);
  std::string flat = good;
  flat.replace(2, 2, Le16(0));
  Add("flat000001", flat);
  Add("cut0000001", good.substr(0, good.size() - 3));
  Add("tiny000001", "\x07");
  for (const char* id : {"wide000001", "flat000001", "cut0000001", "tiny000001", "none000001"})
    for (SURFACE_STYLE style : {SS_DIB, SS_RLE, SS_RLEMASK})
      EXPECT_EQ(Load(id, style), nullptr) << id << " " << style;
  Add("good000001", good);
  EXPECT_EQ(Load("good000001", static_cast<SURFACE_STYLE>(8)), nullptr);
  // Without a resource pack nothing loads.
  CVIEWMANAGE bare(8, 8, nullptr);
  bare.Initialize(nullptr);
  char id[] = "good000001";
  EXPECT_EQ(bare.CreateSurface(id, SS_DIB, false, false), nullptr);
}

TEST_F(PackImagesTest, TheEntryFunctionsHandTheResourcePackOver) {
  AfxDeleteViewManager();
  AfxCreateResource((dir.path() + "\\game\\game.mdb").c_str(), (dir.path() + "\\").c_str());
  ASSERT_EQ(AfxCreateViewManager(32, 32, nullptr), 1);
  vm = AfxGetViewManager();
  SURFACE* s = Load("Bpic000001", SS_DIB);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetPixel(6, 4).GetColor(), picture->GetPixel(6, 4).GetColor());
  delete s;
}

TEST_F(PackImagesTest, LayeredImagesIntoAlphaSurfaces) {
  // Three pixels: white at alpha 0, (10, 20, 30) opaque, blue at alpha 128.
  const std::string psd =
      tessera::test::Psd(3, 1, {{255, 10, 0}, {255, 20, 0}, {255, 30, 255}, {0, 255, 128}}, false);
  auto* a = static_cast<ALPHASURFACE*>(
      vm->LoadPSD(reinterpret_cast<const unsigned char*>(psd.data()), psd.size(), SS_ALPHA));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetPixel(0, 0).GetColor(), 0x7FFF);  // alpha 0 keeps its colour
  EXPECT_EQ(a->GetAlphaPixel(0, 0), 32);
  EXPECT_EQ(a->GetPixel(1, 0).GetColor(), PIXEL(10, 20, 30).GetColor());
  EXPECT_EQ(a->GetAlphaPixel(1, 0), 0);
  EXPECT_EQ(a->GetAlphaPixel(2, 0), 32 - 16);
  vm->DeleteSurface(a);
  // The pack paths: styles 4 and 5 by identifier, CreateSurfaceFromPSD, and
  // the cache's file flag with style 4.
  Add("Lpsd000001", psd);
  char id[] = "Lpsd000001";
  const struct {
    SURFACE* s;
    SURFACE_STYLE style;
  } loaded[] = {{Load(id, SS_PSDALPHA), SS_ALPHA},
                {Load(id, SS_DOUBLEALPHA), SS_DOUBLEALPHA},
                {vm->CreateSurfaceFromPSD(id, SS_ALPHA), SS_ALPHA},
                {vm->CreateSurface(id, SS_PSDALPHA, true, true), SS_ALPHA}};
  for (const auto& l : loaded) {
    ASSERT_NE(l.s, nullptr) << l.style;
    EXPECT_EQ(l.s->GetStyle(), l.style);
    EXPECT_EQ(l.s->GetPixel(1, 0).GetColor(), PIXEL(10, 20, 30).GetColor());
  }
  for (int i = 0; i < 3; ++i) vm->DeleteSurface(loaded[i].s);
  EXPECT_EQ(vm->LoadPSD(reinterpret_cast<const unsigned char*>(psd.data()), psd.size(), SS_DIB),
            nullptr);
  EXPECT_EQ(vm->LoadPSD(nullptr, SS_ALPHA), nullptr);
  // Raw image data one byte short.
  EXPECT_EQ(
      vm->LoadPSD(reinterpret_cast<const unsigned char*>(psd.data()), psd.size() - 1, SS_ALPHA),
      nullptr);
}

std::string Bitmap2(uint32_t left, uint32_t right) {
  return tessera::test::Bitmap24(2, 1, {left, right});
}

TEST_F(PackImagesTest, BitmapsIntoRunLengthAndAlphaSurfaces) {
  // Engine paths are relative with backslashes: work inside the folder.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::filesystem::create_directories("pic");
  WriteFile("pic/x.bmp", Bitmap2(0xFF00FF, 0x081018));
  std::filesystem::create_directories("a_pic");
  WriteFile("a_pic/x.bmp", Bitmap2(0x0000F8, 0x000080));
  char path[] = "pic\\x.bmp";
  SURFACE* rle = vm->LoadBMP(path, SS_RLE);
  ASSERT_NE(rle, nullptr);
  EXPECT_EQ(rle->GetPixel(0, 0).GetColor(), 0xFC1F);
  EXPECT_EQ(rle->GetPixel(1, 0).GetColor(), 0x0443);
  SURFACE* mask = vm->LoadBMP(path, SS_RLEMASK);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->GetPixel(1, 0).GetColor(), 0x7FFF);
  auto* alpha = static_cast<ALPHASURFACE*>(vm->LoadBMP(path, SS_ALPHA));
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->GetPixel(1, 0).GetColor(), 0x0443);
  EXPECT_EQ(alpha->GetAlphaPixel(0, 0), 0);        // blue 0xF8 >> 3 = 31: opaque
  EXPECT_EQ(alpha->GetAlphaPixel(1, 0), 32 - 16);  // 0x80 >> 3 = 16
  vm->DeleteSurface(rle);
  vm->DeleteSurface(mask);
  vm->DeleteSurface(alpha);
  // An opacity companion of another size: no surface.
  WriteFile("pic/y.bmp", Bitmap2(0, 0));
  WriteFile("a_pic/y.bmp", tessera::test::Bitmap24(3, 1, {0, 0, 0}));
  char other[] = "pic\\y.bmp";
  EXPECT_EQ(vm->LoadBMP(other, SS_ALPHA), nullptr);
  std::filesystem::current_path(cwd);
}

TEST_F(PackImagesTest, PackedAlphaImages) {
  const uint16_t colours[6] = {1, 2, 3, 4, 5, 6};
  const uint8_t weights[6] = {0, 32, 10, 32, 32, 0};
  const std::vector<uint8_t> dle = tessera::EncodeDleImage(3, 2, colours, weights);
  Add("Ddle000001", std::string(dle.begin(), dle.end()));
  char id[] = "Ddle000001";
  SURFACE* const loaded[] = {Load(id, SS_DLE), vm->CreateSurfaceFromDLE(id),
                             vm->CreateSurface(id, SS_DLE, true, true)};
  for (SURFACE* s : loaded) {
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetStyle(), SS_DLE);
    EXPECT_EQ(s->GetOwner(), vm);
    EXPECT_EQ(s->GetPixel(2, 0).GetColor(), 3);
    EXPECT_EQ(s->GetPixel(1, 0).GetColor(), 0);  // weight 32: no segment
  }
  vm->DeleteSurface(loaded[0]);
  vm->DeleteSurface(loaded[1]);
  Add("Dbad000001", std::string(dle.begin(), dle.end() - 3));
  EXPECT_EQ(Load("Dbad000001", SS_DLE), nullptr);
  char missing[] = "Dnone00001";
  EXPECT_EQ(vm->CreateSurfaceFromDLE(missing), nullptr);
}

}  // namespace
