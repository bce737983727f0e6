// tessera-pack end to end: a database and a pack built from a folder of
// files, listed, extracted and verified, then damaged and verified again;
// PNG and BMP files into a pack, loaded by the display manager as a game
// loads them and extracted again as PNG; compact; pack names as people type
// them, and the name rules themselves; wrong arguments and a full disk
// that change nothing.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "database/database.h"
#include "database/pack_res_database.h"
#include "engine/alpha_surface.h"
#include "engine/view_manage.h"
#include "pack/pack_name.h"
#include "platform/window.h"
#include "public/engine.h"
#include "support/png_files.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

using Rgba = PngImage;

// A channel value that survives 5 bits: (c << 3) | (c >> 2).
uint8_t Exact(int c5) { return static_cast<uint8_t>((c5 << 3) | (c5 >> 2)); }

// 9 x 6 pixels of varied colours; column 0 fully transparent, column 1
// magenta, the rest opaque except a few half-transparent ones.
Rgba Sample() {
  Rgba img{9, 6, 4, std::vector<uint8_t>(9 * 6 * 4)};
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

uint16_t Pixel555(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3));
}

LRESULT NoProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

class PackToolTest : public EngineTest {
 protected:
  using Result = ToolResult;
  Result Run(const std::string& args) { return RunTool(TESSERA_TOOL_PATH, args, dir_); }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }
  void TearDown() override {
    AfxFreeEngine();
    if (window_) DestroyWindowRecord(window_);
    EngineTest::TearDown();
  }
  // The engine on the game database, as a game starts it.
  CVIEWMANAGE* Engine(const std::string& db) {
    AfxCreateResource(db.c_str(), (scratch() + "/").c_str());
    window_ = CreateWindowRecord(64, 64, NoProc);
    EXPECT_TRUE(AfxCreateViewManager(64, 64, window_));
    return AfxGetViewManager();
  }
  SURFACE* Load(CVIEWMANAGE* vm, const char* id, SURFACE_STYLE style) {
    std::string name = id;
    return vm->CreateSurface(name.data(), style, false, false);
  }

  TempDir dir_;
  HWND window_ = nullptr;
};

TEST_F(PackToolTest, BuildsListsExtractsAndVerifiesAPackFromAFolder) {
  std::filesystem::create_directories(dir_.File("src"));
  std::filesystem::create_directories(dir_.File("game"));
  std::string big;
  for (int i = 0; i < 70000; ++i) big += static_cast<char>(i * 31 + 7);
  WriteFile(dir_.File("src/hero.bmp"), big);
  WriteFile(dir_.File("src/map01.map"), "tiles");
  WriteFile(dir_.File("src/empty.txt"), "");
  std::string db = dir_.File("game/game.mdb");

  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  ASSERT_EQ(Run("create-shared --root " + Q(dir_.path())).status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("data/Pack.mdb")));
  ASSERT_EQ(Run("create-pack " + Q(db) + " '\\main.pak'").status, 0);
  EXPECT_EQ(ReadFile(dir_.File("game/main.pak")), "");
  Result added = Run("add-dir " + Q(db) + " '\\main.pak' " + Q(dir_.File("src")));
  ASSERT_EQ(added.status, 0) << added.err;

  // Name order: empty, hero, map01.
  Result list = Run("list " + Q(db));
  ASSERT_EQ(list.status, 0);
  EXPECT_EQ(list.out,
            "empty\t\\main.pak\t0\t0\t0\n"
            "hero\t\\main.pak\t0\t70000\t70000\n"
            "map01\t\\main.pak\t70000\t70005\t5\n");
  EXPECT_EQ(ReadFile(dir_.File("game/main.pak")), big + "tiles");

  ASSERT_EQ(Run("extract " + Q(db) + " hero " + Q(dir_.File("hero.out"))).status, 0);
  EXPECT_EQ(ReadFile(dir_.File("hero.out")), big);
  ASSERT_EQ(Run("extract " + Q(db) + " empty " + Q(dir_.File("empty.out"))).status, 0);
  EXPECT_EQ(ReadFile(dir_.File("empty.out")), "");

  EXPECT_EQ(Run("verify " + Q(db)).status, 0);
  // Rows that share bytes; b and c only touch, e is empty.
  WriteFile(dir_.File("game/o.pak"), std::string(100, 'x'));
  {
    CDataBase conn;
    ASSERT_TRUE(conn.ConnectAccess(db.c_str()));
    for (const char* row : {"('a','\\o.pak',0,40)", "('b','\\o.pak',30,60)",
                            "('c','\\o.pak',60,100)", "('e','\\o.pak',50,50)"})
      ASSERT_TRUE(
          conn.ExecuteCommand((std::string("INSERT INTO [RESTABLE] VALUES ") + row).c_str()));
  }
  Result shared = Run("verify " + Q(db));
  EXPECT_EQ(shared.status, 1);
  EXPECT_TRUE(
      Contains(shared.out, "overlap a [0, 40) and b [30, 60) in " + dir_.File("game/o.pak")));
  EXPECT_FALSE(Contains(shared.out, "overlap b"));
  EXPECT_TRUE(Contains(
      shared.out, "7 rows, 2 pack files, 0 dangling rows, 1 overlapping rows, 0 orphan bytes"));

  // A pack cut short: the rows past its end dangle.
  std::string pack = ReadFile(dir_.File("game/main.pak"));
  WriteFile(dir_.File("game/main.pak"), pack.substr(0, 100));
  Result cut = Run("verify " + Q(db));
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.out.find("dangling hero: range past the end of the pack [0, 70000)"),
            std::string::npos)
      << cut.out;
  EXPECT_EQ(cut.out.find("dangling empty"), std::string::npos);
  std::filesystem::remove(dir_.File("game/main.pak"));
  Result gone = Run("verify " + Q(db));
  EXPECT_EQ(gone.status, 1);
  EXPECT_TRUE(Contains(gone.out, "dangling empty: pack file missing"));
}

TEST_F(PackToolTest, AFullDiskAddsNothingAndSaysSo) {
  std::string db = dir_.File("game.mdb");
  ASSERT_EQ(Run("create-db " + Q(db)).status, 0);
  ASSERT_EQ(Run("create-pack " + Q(db) + " '\\p.pak'").status, 0);
  std::filesystem::create_directories(dir_.File("src"));
  WriteFile(dir_.File("src/a.bin"), std::string(100000, 'a'));
  WriteFile(dir_.File("src/b.bin"), std::string(150000, 'b'));
  WriteFile(dir_.File("src/c.bin"), std::string(100000, 'c'));
  WriteFile(dir_.File("one.bin"), std::string(300000, '1'));
  // No file may pass 200,000 bytes: a fits, b does not.
  Result dir_run, one_run;
  int code = RunUnderFileSizeLimit(200000, [&] {
    dir_run = Run("add-dir " + Q(db) + " '\\p.pak' " + Q(dir_.File("src")));
    one_run = Run("add " + Q(db) + " '\\p.pak' one " + Q(dir_.File("one.bin")));
    return dir_run.status * 10 + one_run.status;
  });
  EXPECT_EQ(code, 11);
  // The output of the last run (the child's copies of the results are
  // gone with it): "added" is never printed, the reason is.
  Result last = {0, ReadFile(dir_.File("stdout.txt")), ReadFile(dir_.File("stderr.txt"))};
  EXPECT_EQ(last.out, "");
  EXPECT_TRUE(Contains(last.err, "tessera-pack: nothing added to \\p.pak: "));
  EXPECT_TRUE(
      Contains(last.err, "one.bin: only 200000 of 300000 bytes reached \\p.pak (disk full?)"));
  // No row, no stray bytes: the pack is cut back.
  EXPECT_EQ(Run("list " + Q(db)).out, "");
  EXPECT_EQ(ReadFile(dir_.File("p.pak")), "");
  Result verify = Run("verify --strict " + Q(db));
  EXPECT_EQ(verify.status, 0) << verify.out;
}

TEST_F(PackToolTest, PngRoundTripsThroughThePackInEveryStyle) {
  Rgba img = Sample();
  ASSERT_TRUE(WritePng("art.png", img));
  ASSERT_EQ(Run("create-db data/Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack data/Game.mdb game.pak").status, 0);
  Result r = Run("add-image data/Game.mdb game.pak keyed art.png");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Run("add-image data/Game.mdb game.pak plain art.png --style plain").status, 0);
  ASSERT_EQ(Run("add-image data/Game.mdb game.pak nokey art.png --key none").status, 0);
  ASSERT_EQ(Run("add-image data/Game.mdb game.pak ghost art.png --style alpha").status, 0);
  EXPECT_EQ(Run("list data/Game.mdb").out.find("Ahost\t\\game.pak"),
            0u);  // the opacity, first by name

  // Back to PNG: exact where the pack keeps colour, transparent where keyed.
  ASSERT_EQ(Run("extract data/Game.mdb keyed k.png --png").status, 0);
  ASSERT_EQ(Run("extract data/Game.mdb ghost g.png --png --alpha").status, 0);
  Rgba k = ReadPng("k.png", true), g = ReadPng("g.png", true);
  ASSERT_EQ(k.w, img.w);
  ASSERT_EQ(g.h, img.h);

  CVIEWMANAGE* vm = Engine("data/Game.mdb");
  SURFACE* keyed = Load(vm, "keyed", SS_DIB);
  SURFACE* plain = Load(vm, "plain", SS_DIB);
  SURFACE* nokey = Load(vm, "nokey", SS_DIB);
  auto* ghost = static_cast<ALPHASURFACE*>(Load(vm, "ghost", SS_ALPHA));
  ASSERT_TRUE(keyed && plain && nokey && ghost);
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
      EXPECT_EQ(ghost->GetAlphaPixel(x, y), Weight(p[3] >> 3));
      const std::vector<uint8_t> want_k = clear || magenta
                                              ? std::vector<uint8_t>{0, 0, 0, 0}
                                              : std::vector<uint8_t>{p[0], p[1], p[2], 255};
      EXPECT_EQ(std::vector<uint8_t>(k.At(x, y), k.At(x, y) + 4), want_k);
      EXPECT_EQ(std::vector<uint8_t>(g.At(x, y), g.At(x, y) + 4), std::vector<uint8_t>(p, p + 4));
    }
  for (SURFACE* s : {keyed, plain, nokey, static_cast<SURFACE*>(ghost)}) vm->DeleteSurface(s);
}

TEST_F(PackToolTest, BmpFilesAndACompanionOpacityFile) {
  // 3 x 2: magenta top left; the a_ companion's blue channel is the opacity.
  WriteFile("hero.bmp",
            Bitmap24(3, 2, {0xFF00FF, 0x102030, 0xF8F8F8, 0x000000, 0x808080, 0x0000FF}));
  WriteFile("a_hero.bmp",
            Bitmap24(3, 2, {0x000000, 0x0000FF, 0x000080, 0x000010, 0x000008, 0x0000F8}));
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

// Wrong arguments and input the pack cannot store: the status, the reason
// (exact where it ends in a line break), and nothing written.
TEST_F(PackToolTest, WrongArgumentsAndUnstorableInputChangeNothing) {
  Rgba img = Sample();
  for (size_t i = 3; i < img.px.size(); i += 4) img.px[i] = 255;
  ASSERT_TRUE(WritePng("opaque.png", img));
  WriteFile("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "garbage");
  std::string eight = Bitmap24(2, 2, {0, 0, 0, 0});
  eight[28] = 8;
  WriteFile("eight.bmp", eight);
  WriteFile("f.bin", "data");
  WriteFile("note.txt", "hello");
  std::filesystem::create_directories("folder");
  std::filesystem::create_directories("src");
  WriteFile("src/a_very_long_name.bmp", "x");
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb p.pak").status, 0);
  ASSERT_EQ(Run("add Game.mdb p.pak note note.txt").status, 0);
  const std::string pack = ReadFile("p.pak"), list = Run("list Game.mdb").out;
  const struct Case {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"create-db Game.mdb", 1, ""},  // never replaces a database
      {"list f.bin", 1, ""},
      {"extract Game.mdb nothing out", 1, ""},
      {"add Game.mdb '\\none.pak' x f.bin", 1,
       "tessera-pack: cannot add f.bin: no pack file ./none.pak (create it with create-pack)\n"},
      // U+1F600 has no GBK form: it would become '?' and could name another
      // resource.
      {"add Game.mdb p.pak 'a\xF0\x9F\x98\x80' f.bin", 1, "has characters GBK cannot hold"},
      {"extract Game.mdb 'a\xF0\x9F\x98\x80' out", 1, ""},
      {"add Game.mdb p.pak x folder", 1, "folder: not a regular file"},
      {"add-dir Game.mdb p.pak src", 1, "use --prefix"},
      {"extract Game.mdb note n.png --png", 1,
       "tessera-pack: cannot extract note as PNG: not a pack image record\n"},
      {"add-image Game.mdb p.pak img opaque.png --style alpha", 1,
       "has no transparency and no a_ companion"},
      {"add-image Game.mdb p.pak img broken.png", 1, "cannot read image broken.png: "},
      {"add-image Game.mdb p.pak img eight.bmp", 1, "not supported"},
      {"add-image Game.mdb p.pak img missing.png", 1,
       "cannot read image missing.png: No such file"},
      {"add-image Game.mdb p.pak img opaque.png --style glossy", 2,
       "--style is plain, keyed or alpha"},
      {"add-image Game.mdb p.pak img opaque.png --key 12345", 2, "--key is six hexadecimal digits"},
      // "A..." is the opacity's own name.
      {"add-image Game.mdb p.pak Aimg opaque.png --style alpha --alpha-file opaque.png", 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Result r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (!c.err.empty() && c.err.back() == '\n')
      EXPECT_EQ(r.err, c.err);
    else
      EXPECT_TRUE(Contains(r.err, c.err));
  }
  EXPECT_EQ(ReadFile("p.pak"), pack);
  EXPECT_EQ(Run("list Game.mdb").out, list);
  EXPECT_FALSE(std::filesystem::exists("n.png"));
  EXPECT_FALSE(std::filesystem::exists("out"));
  // What was refused works when it can be stored: a prefix for long names,
  // a GBK identifier.
  ASSERT_EQ(Run("add-dir Game.mdb p.pak src --prefix img").status, 0);
  EXPECT_EQ(Run("add Game.mdb p.pak '\xE4\xB8\xAD' f.bin").status, 0);
  EXPECT_TRUE(Contains(Run("list Game.mdb").out, "img0000000\t\\p.pak\t5\t6\t1\n"));
}

TEST_F(PackToolTest, AddDirConvertsImagesAndSaysWhatItSkipped) {
  std::filesystem::create_directories("art/sub");
  Rgba img = Sample();
  ASSERT_TRUE(WritePng("art/tree.png", img));
  ASSERT_TRUE(WritePng("art/a_tree.png", img));
  WriteFile("art/rock.BMP", Bitmap24(1, 1, {0x123456}));
  WriteFile("art/a_rock.BMP", Bitmap24(1, 1, {0x000080}));
  WriteFile("art/notes.txt", "x");
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb p.pak").status, 0);
  Result r = Run("add-dir Game.mdb p.pak art --images --style alpha");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "[1/2] added art/rock.BMP as rock"));
  EXPECT_TRUE(Contains(r.out, "[2/2] added art/tree.png as tree"));
  const size_t read =
      std::filesystem::file_size("art/rock.BMP") + std::filesystem::file_size("art/tree.png");
  EXPECT_NE(r.out.find("added 2 files (" + std::to_string(read) + " bytes read, "),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(Contains(r.out, "skipped 4:\n"));
  EXPECT_TRUE(Contains(r.out, "  skipped a_tree.png: opacity companion"));
  EXPECT_TRUE(Contains(r.out, "  skipped notes.txt: not a PNG or BMP file"));
  EXPECT_TRUE(Contains(r.out, "  skipped sub: a folder"));
  const std::string list = Run("list Game.mdb").out;
  for (const char* id : {"Aock\t", "Aree\t", "rock\t", "tree\t"}) EXPECT_TRUE(Contains(list, id));
}

TEST_F(PackToolTest, CompactDropsOrphanBytesAndKeepsEveryResource) {
  WriteFile("a", std::string(1000, 'a'));
  WriteFile("b1", std::string(300, 'b'));
  WriteFile("b2", "second b");
  WriteFile("c", "");
  WriteFile("d", std::string(70000, 'd') + "end");
  ASSERT_EQ(Run("create-db Game.mdb").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb p.pak").status, 0);
  ASSERT_EQ(Run("create-pack Game.mdb q.pak").status, 0);
  for (const char* args :
       {"p.pak a a", "p.pak b b1", "p.pak c c", "q.pak d d", "p.pak b b2", "q.pak a2 a"})
    ASSERT_EQ(Run(std::string("add Game.mdb ") + args).status, 0) << args;
  // b1's 300 bytes are orphans: reported, and only --strict fails on them.
  Result orphans = Run("verify Game.mdb");
  EXPECT_EQ(orphans.status, 0);
  EXPECT_TRUE(Contains(orphans.out, "orphan bytes [1000, 1300)"));
  EXPECT_EQ(Run("verify Game.mdb --strict").status, 1);
  Result r = Run("compact Game.mdb");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "300 orphan bytes removed"));
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
  EXPECT_TRUE(Contains(r.out, "0 orphan bytes removed"));
  // A row past its pack's end stops compact before it touches anything.
  std::filesystem::resize_file("q.pak", 100);
  r = Run("compact Game.mdb");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "range past the end of the pack (see verify)"));
  EXPECT_EQ(std::filesystem::file_size("q.pak"), 100u);
}

TEST_F(PackToolTest, PackNamesAreOrdinaryPathsOrTheEnginesForms) {
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
      {"'*data\\s.pak' --root root", "root/data/s.pak"},
      {"'" + abs + "/w.pak'", "data/w.pak"},
      {"art", ""},  // the name rules themselves have their own table
      {"'" + std::filesystem::absolute("elsewhere.pak").string() + "'", ""},
      {"'*../up.pak' --root root", ""},
  };
  for (const Case& c : cases) {
    Result r = Run("create-pack data/Game.mdb " + c.typed);
    if (c.file.empty()) {
      EXPECT_EQ(r.status, 2) << c.typed << ": " << r.out;
      EXPECT_TRUE(Contains(r.err, "usage: tessera-pack"));
    } else {
      EXPECT_EQ(r.status, 0) << c.typed << ": " << r.err;
      EXPECT_TRUE(std::filesystem::is_regular_file(c.file)) << c.typed;
    }
  }
  EXPECT_FALSE(std::filesystem::exists("up.pak"));  // not even through the root
  // The row records the engine's form, which the engine finds again.
  WriteFile("f", "bytes");
  ASSERT_EQ(Run("add data/Game.mdb sub/x.pak f f").status, 0);
  EXPECT_EQ(Run("list data/Game.mdb").out, "f\t\\sub\\x.pak\t0\t5\t5\n");
  ASSERT_EQ(Run("extract data/Game.mdb f out").status, 0);
  EXPECT_EQ(ReadFile("out"), "bytes");
}

// Typed pack names to the names RESTABLE records.
TEST(PackName, OrdinaryPathsBecomeTheEnginesForm) {
  const struct {
    std::string typed, recorded;  // recorded empty: refused
  } table[] = {
      {"game.pak", "\\game.pak"},
      {"a//b\\./c.pak", "\\a\\b\\c.pak"},
      {"\\game.pak", "\\game.pak"},
      {"*data\\x.pak", "*data\\x.pak"},
      {"*data//x.pak", "*data\\x.pak"},
      {"./././g", "\\g"},
      {"", ""},
      {".", ""},
      {"a/..", ""},
      {"..\\x.pak", ""},
      {"*", ""},
      {"\\", ""},
      {"x.pak/", ""},
      {"bad\tname.pak", ""},
      {std::string(256, 'p'), ""},
      {std::string(254, 'p'), "\\" + std::string(254, 'p')},
  };
  for (const auto& row : table) {
    std::string name = "unchanged", error;
    const bool ok = NormalizePackName(row.typed, "nowhere/db/Game.mdb", "nowhere/", &name, &error);
    EXPECT_EQ(ok, !row.recorded.empty()) << row.typed << ": " << error;
    if (ok) {
      EXPECT_EQ(name, row.recorded) << row.typed;
    } else {
      EXPECT_EQ(name, "unchanged") << row.typed;
      EXPECT_FALSE(error.empty()) << row.typed;
    }
  }
}

}  // namespace
}  // namespace tessera::test
