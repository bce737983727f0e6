// tessera-pack's image pipeline end to end: PNG and BMP files into a pack
// by the tool, loaded by the display manager as a game loads them, and
// extracted again as PNG; compact; pack names as people type them.
#include <png.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/alpha_surface.h"
#include "engine/view_manage.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

using tessera::test::ReadFile;
using tessera::test::WriteFile;

struct Rgba {
  std::vector<uint8_t> px;
  int w = 0, h = 0;
  uint8_t* At(int x, int y) { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
};

// A channel value that survives 5 bits: (c << 3) | (c >> 2).
uint8_t Exact(int c5) { return static_cast<uint8_t>((c5 << 3) | (c5 >> 2)); }

bool WritePng(const std::string& path, Rgba& img) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(img.w);
  image.height = static_cast<png_uint_32>(img.h);
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, img.px.data(), 0, nullptr) != 0;
}

Rgba ReadPngFile(const std::string& path) {
  Rgba out;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  image.format = PNG_FORMAT_RGBA;
  out.w = static_cast<int>(image.width);
  out.h = static_cast<int>(image.height);
  out.px.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.px.data(), 0, nullptr)) out = Rgba();
  return out;
}

// 9 x 6 pixels of varied colours; column 0 fully transparent, column 1
// magenta, the rest opaque except a few half-transparent ones.
Rgba Sample() {
  Rgba img;
  img.w = 9;
  img.h = 6;
  img.px.resize(9 * 6 * 4);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      uint8_t* p = img.At(x, y);
      p[0] = Exact((x * 7 + y * 3) % 32);
      p[1] = Exact((x * 5 + y * 11) % 32);
      p[2] = Exact((x + y * 13) % 32);
      p[3] = x == 0 ? 0 : (x == 8 && y % 2) ? Exact(12 + y) : 255;
      if (x == 1) p[0] = 255, p[1] = 0, p[2] = 255;
    }
  return img;
}

// The weight an alpha surface stores for an opacity 0..31.
int Weight(int opacity) { return opacity == 31 ? 0 : 32 - opacity; }

uint16_t Pixel555(const uint8_t* p) { return static_cast<uint16_t>((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3)); }

LRESULT NoProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

class PackImageToolTest : public tessera::test::EngineTest {
 protected:
  using Result = tessera::test::ToolResult;
  Result Run(const std::string& args) { return tessera::test::RunTool(TESSERA_TOOL_PATH, args, dir_); }
  void TearDown() override {
    AfxFreeEngine();
    if (window_) tessera::DestroyWindowRecord(window_);
    EngineTest::TearDown();
  }
  // The engine on the game database, as a game starts it.
  CVIEWMANAGE* Engine(const std::string& db) {
    AfxCreateResource(db.c_str(), (scratch() + "/").c_str());
    window_ = tessera::CreateWindowRecord(64, 64, NoProc);
    EXPECT_TRUE(AfxCreateViewManager(64, 64, window_));
    return AfxGetViewManager();
  }
  SURFACE* Load(CVIEWMANAGE* vm, const char* id, SURFACE_STYLE style) {
    std::string name = id;
    return vm->CreateSurface(name.data(), style, false, false);
  }

  tessera::test::TempDir dir_;
  HWND window_ = nullptr;
};

TEST_F(PackImageToolTest, PngRoundTripsThroughThePackInEveryStyle) {
  Rgba img = Sample();
  ASSERT_TRUE(WritePng("art.png", img));
  ASSERT_EQ(Run("create-db data/Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack data/Game.mdb game.pak").status, 0);
  Result r = Run("add-image data/Game.mdb game.pak keyed art.png");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Run("add-image data/Game.mdb game.pak plain art.png --style plain").status, 0);
  ASSERT_EQ(Run("add-image data/Game.mdb game.pak nokey art.png --key none").status, 0);
  ASSERT_EQ(Run("add-image data/Game.mdb game.pak ghost art.png --style alpha").status, 0);
  EXPECT_EQ(Run("list data/Game.mdb").out.find("Ahost\t\\game.pak"), 0u);  // the opacity, first by name

  CVIEWMANAGE* vm = Engine("data/Game.mdb");
  SURFACE* keyed = Load(vm, "keyed", SS_DIB);
  SURFACE* plain = Load(vm, "plain", SS_DIB);
  SURFACE* nokey = Load(vm, "nokey", SS_DIB);
  SURFACE* rle = Load(vm, "keyed", SS_RLE);
  auto* ghost = static_cast<ALPHASURFACE*>(Load(vm, "ghost", SS_ALPHA));
  ASSERT_TRUE(keyed && plain && nokey && rle && ghost);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* p = img.At(x, y);
      const uint16_t colour = Pixel555(p);
      const bool clear = p[3] < 128;
      const bool magenta = p[0] == 255 && p[1] == 0 && p[2] == 255;
      SCOPED_TRACE(testing::Message() << x << "," << y);
      EXPECT_EQ(keyed->GetPixel(x, y).GetColor(), clear || magenta ? COLOR_KEY : colour);
      EXPECT_EQ(nokey->GetPixel(x, y).GetColor(), clear ? COLOR_KEY : colour);
      EXPECT_EQ(plain->GetPixel(x, y).GetColor(), colour);
      EXPECT_EQ(rle->GetPixel(x, y).GetColor(), keyed->GetPixel(x, y).GetColor());
      EXPECT_EQ(ghost->GetAlphaPixel(x, y), Weight(p[3] >> 3));
    }
  for (SURFACE* s : {keyed, plain, nokey, rle, static_cast<SURFACE*>(ghost)}) vm->DeleteSurface(s);

  // Back to PNG: exact where the pack keeps colour, transparent where keyed.
  ASSERT_EQ(Run("extract data/Game.mdb keyed k.png --png").status, 0);
  ASSERT_EQ(Run("extract data/Game.mdb ghost g.png --png --alpha").status, 0);
  Rgba k = ReadPngFile("k.png"), g = ReadPngFile("g.png");
  ASSERT_EQ(k.w, img.w);
  ASSERT_EQ(g.h, img.h);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* p = img.At(x, y);
      const bool gone = p[3] < 128 || (p[0] == 255 && p[1] == 0 && p[2] == 255);
      const std::vector<uint8_t> want_k = gone ? std::vector<uint8_t>{0, 0, 0, 0}
                                                 : std::vector<uint8_t>{p[0], p[1], p[2], 255};
      EXPECT_EQ(std::vector<uint8_t>(k.At(x, y), k.At(x, y) + 4), want_k) << x << "," << y;
      EXPECT_EQ(std::vector<uint8_t>(g.At(x, y), g.At(x, y) + 4), std::vector<uint8_t>(p, p + 4)) << x << "," << y;
    }
  // A plain resource is not an image: refused, nothing written.
  WriteFile("note.txt", "hello");
  ASSERT_EQ(Run("add data/Game.mdb game.pak note note.txt").status, 0);
  Result bad = Run("extract data/Game.mdb note n.png --png");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "tessera-pack: cannot extract note as PNG: not a pack image record\n");
  EXPECT_FALSE(std::filesystem::exists("n.png"));
}

TEST_F(PackImageToolTest, BmpFilesAndACompanionOpacityFile) {
  // 3 x 2: magenta top left; the a_ companion's blue channel is the opacity.
  WriteFile("hero.bmp", tessera::test::Bitmap24(3, 2, {0xFF00FF, 0x102030, 0xF8F8F8, 0x000000, 0x808080, 0x0000FF}));
  WriteFile("a_hero.bmp", tessera::test::Bitmap24(3, 2, {0x000000, 0x0000FF, 0x000080, 0x000010, 0x000008, 0x0000F8}));
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb \\\\g.pak").status, 0);
  ASSERT_EQ(Run("add-image Game.mdb g.pak hero hero.bmp").status, 0);
  ASSERT_EQ(Run("add-image Game.mdb g.pak soft hero.bmp --style alpha").status, 0);
  // Another key colour, given explicitly.
  ASSERT_EQ(Run("add-image Game.mdb g.pak grey hero.bmp --key 808080").status, 0);
  CVIEWMANAGE* vm = Engine("./Game.mdb");  // the engine finds packs by the last separator
  SURFACE* hero = Load(vm, "hero", SS_DIB);
  auto* soft = static_cast<ALPHASURFACE*>(Load(vm, "soft", SS_ALPHA));
  SURFACE* grey = Load(vm, "grey", SS_DIB);
  ASSERT_TRUE(hero && soft && grey);
  EXPECT_EQ(hero->GetPixel(0, 0).GetColor(), COLOR_KEY);
  EXPECT_EQ(hero->GetPixel(1, 0).GetColor(), (0x10 >> 3) << 10 | (0x20 >> 3) << 5 | (0x30 >> 3));
  EXPECT_EQ(grey->GetPixel(0, 0).GetColor(), 0x7C1F);  // magenta is a colour now
  EXPECT_EQ(grey->GetPixel(1, 1).GetColor(), COLOR_KEY);
  const int opacity[6] = {0, 31, 16, 2, 1, 31};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(soft->GetAlphaPixel(i % 3, i / 3), Weight(opacity[i])) << i;
  for (SURFACE* s : {hero, static_cast<SURFACE*>(soft), grey}) vm->DeleteSurface(s);
}

TEST_F(PackImageToolTest, RefusesWhatItCannotConvertBeforeWritingAnything) {
  Rgba img = Sample();
  for (int i = 3; i < static_cast<int>(img.px.size()); i += 4) img.px[static_cast<size_t>(i)] = 255;
  ASSERT_TRUE(WritePng("opaque.png", img));
  WriteFile("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "garbage");
  std::string eight = tessera::test::Bitmap24(2, 2, {0, 0, 0, 0});
  eight[28] = 8;
  WriteFile("eight.bmp", eight);
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb p.pak").status, 0);
  struct Case {
    std::string args;
    int status;
    std::string err_part;
  } cases[] = {
      {"opaque.png --style alpha", 1, "has no transparency and no a_ companion"},
      {"broken.png", 1, "cannot read image broken.png: "},
      {"eight.bmp", 1, "not supported"},
      {"missing.png", 1, "cannot read image missing.png: No such file"},
      {"opaque.png --style glossy", 2, "--style is plain, keyed or alpha"},
      {"opaque.png --key 12345", 2, "--key is six hexadecimal digits"},
  };
  for (const Case& c : cases) {
    Result r = Run("add-image Game.mdb p.pak img " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.err_part), std::string::npos) << c.args << ": " << r.err;
  }
  Result r = Run("add-image Game.mdb p.pak Aimg opaque.png --style alpha --alpha-file opaque.png");
  EXPECT_EQ(r.status, 2);  // "A..." is the opacity's own name
  EXPECT_EQ(ReadFile("p.pak"), "");
  EXPECT_EQ(Run("list Game.mdb").out, "");
}

TEST_F(PackImageToolTest, AddDirConvertsImagesAndSaysWhatItSkipped) {
  std::filesystem::create_directories("art/sub");
  Rgba img = Sample();
  ASSERT_TRUE(WritePng("art/tree.png", img));
  ASSERT_TRUE(WritePng("art/a_tree.png", img));
  WriteFile("art/rock.BMP", tessera::test::Bitmap24(1, 1, {0x123456}));
  WriteFile("art/a_rock.BMP", tessera::test::Bitmap24(1, 1, {0x000080}));
  WriteFile("art/notes.txt", "x");
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb p.pak").status, 0);
  Result r = Run("add-dir Game.mdb p.pak art --images --style alpha");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("[1/2] added art/rock.BMP as rock"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[2/2] added art/tree.png as tree"), std::string::npos) << r.out;
  const size_t read = std::filesystem::file_size("art/rock.BMP") + std::filesystem::file_size("art/tree.png");
  EXPECT_NE(r.out.find("added 2 files (" + std::to_string(read) + " bytes read, "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("skipped 4:\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  skipped a_tree.png: opacity companion"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  skipped notes.txt: not a PNG or BMP file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  skipped sub: a folder"), std::string::npos) << r.out;
  const std::string list = Run("list Game.mdb").out;
  for (const char* id : {"Aock\t", "Aree\t", "rock\t", "tree\t"}) EXPECT_NE(list.find(id), std::string::npos) << id;
}

TEST_F(PackImageToolTest, CompactDropsOrphanBytesAndKeepsEveryResource) {
  WriteFile("a", std::string(1000, 'a'));
  WriteFile("b1", std::string(300, 'b'));
  WriteFile("b2", "second b");
  WriteFile("c", "");
  WriteFile("d", std::string(70000, 'd') + "end");
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb p.pak").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb q.pak").status, 0);
  for (const char* args : {"p.pak a a", "p.pak b b1", "p.pak c c", "q.pak d d", "p.pak b b2", "q.pak a2 a"})
    ASSERT_EQ(Run(std::string("add Game.mdb ") + args).status, 0) << args;
  EXPECT_EQ(Run("verify Game.mdb --strict").status, 1);  // b1's 300 bytes
  Result r = Run("compact Game.mdb");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("300 orphan bytes removed"), std::string::npos) << r.out;
  EXPECT_EQ(Run("verify Game.mdb --strict").status, 0);
  EXPECT_EQ(std::filesystem::file_size("p.pak"), 1000u + 8u);
  EXPECT_FALSE(std::filesystem::exists("p.pak.bak"));
  for (const char* id : {"a", "b", "c", "d", "a2"}) {
    ASSERT_EQ(Run(std::string("extract Game.mdb ") + id + " out").status, 0) << id;
    const std::string want = std::string(id) == "b" ? "b2" : std::string(id) == "a2" ? "a" : id;
    EXPECT_EQ(ReadFile("out"), ReadFile(want)) << id;
  }
  // Nothing left to drop: the pack stays as it is.
  r = Run("compact Game.mdb p.pak");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0 orphan bytes removed"), std::string::npos) << r.out;
  // A row past its pack's end stops compact before it touches anything.
  std::filesystem::resize_file("q.pak", 100);
  r = Run("compact Game.mdb");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("range past the end of the pack (see verify)"), std::string::npos) << r.err;
  EXPECT_EQ(std::filesystem::file_size("q.pak"), 100u);
}

TEST_F(PackImageToolTest, PackNamesAreOrdinaryPathsOrTheEnginesForms) {
  std::filesystem::create_directories("data/art");
  std::filesystem::create_directories("root/data");
  ASSERT_EQ(Run("create-db data/Game.mdb").status, 0);
  const std::string abs = std::filesystem::absolute("data").string();
  struct Case {
    std::string typed;
    std::string file;  // empty: refused with status 2
  } cases[] = {
      {"game", "data/game"},
      {"sub/x.pak", "data/sub/x.pak"},
      {"./y.pak", "data/y.pak"},
      {"'\\z.pak'", "data/z.pak"},
      {"'*data\\s.pak' --root root", "root/data/s.pak"},
      {"'" + abs + "/w.pak'", "data/w.pak"},
      {"../up.pak", ""},
      {"'sub/../../up.pak'", ""},
      {"art", ""},
      {"art/", ""},
      {"''", ""},
      {"'" + std::filesystem::absolute("elsewhere.pak").string() + "'", ""},
      {"'*../up.pak' --root root", ""},
  };
  for (const Case& c : cases) {
    Result r = Run("create-pack data/Game.mdb " + c.typed);
    if (c.file.empty()) {
      EXPECT_EQ(r.status, 2) << c.typed << ": " << r.out;
      EXPECT_NE(r.err.find("usage: tessera-pack"), std::string::npos) << c.typed;
    } else {
      EXPECT_EQ(r.status, 0) << c.typed << ": " << r.err;
      EXPECT_TRUE(std::filesystem::is_regular_file(c.file)) << c.typed;
    }
  }
  EXPECT_FALSE(std::filesystem::exists("datagame"));
  EXPECT_FALSE(std::filesystem::exists("up.pak"));
  // The row records the engine's form, which the engine finds again.
  WriteFile("f", "bytes");
  ASSERT_EQ(Run("add data/Game.mdb sub/x.pak f f").status, 0);
  EXPECT_EQ(Run("list data/Game.mdb").out, "f\t\\sub\\x.pak\t0\t5\t5\n");
  ASSERT_EQ(Run("extract data/Game.mdb f out").status, 0);
  EXPECT_EQ(ReadFile("out"), "bytes");
}

}  // namespace
