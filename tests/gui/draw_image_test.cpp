// Image tools: stream colour conversion, hit tests, stamping, mark mixing
// and cutting bitmaps into cells.
#include "gui/draw_image.h"

#include <vector>

#include "engine/bmp_file.h"
#include "engine/dib_surface.h"
#include "engine/packed_stream.h"
#include "pack/qres.h"
#include "platform/headless/headless_message_sink.h"
#include "support/surface_helpers.h"

namespace tessera::test {
namespace {

// A stream with its width and height header.
std::vector<unsigned short> Stream(int w, int h, std::vector<unsigned short> ops) {
  std::vector<unsigned short> s = {static_cast<unsigned short>(w), static_cast<unsigned short>(h)};
  s.insert(s.end(), ops.begin(), ops.end());
  return s;
}

unsigned short Op(unsigned op, unsigned n) { return PackWord(op, n); }

class DrawImageTest : public EngineTest {};

// Only the colour words of literals and fills change; 5-6-5 green 0x0020
// (the lowest green bit alone) vanishes, 0x0040 becomes 0x0020.
TEST_F(DrawImageTest, Color16To15DropsTheLowGreenBit) {
  auto s = Stream(8, 2,
                  {Op(kPackSkip, 1), Op(kPackLiteral, 4), 0xFFFF, 0xF800, 0x0020, 0x0040,
                   Op(kPackFill, 3), 0x07E0, Op(kPackNextRow, 0), Op(kPackRowSkip, 1),
                   Op(kPackLiteral, 1), 0x001F, Op(kPackEnd, 0), 0xFFFF /* after the end */});
  auto want = s;
  for (auto [i, word] : {std::pair{4, 0x7FFF}, {5, 0x7C00}, {6, 0}, {7, 0x0020}, {9, 0x03E0}})
    want[i] = static_cast<unsigned short>(word);
  Color16To15(s.data());
  EXPECT_EQ(s, want);
  Color16To15(nullptr);
}

TEST_F(DrawImageTest, ImagePointedRunsAndBounds) {
  // Row 0: a run of 5 from column 10; row 1: a fill of 3 from column 0;
  // row skip 2 keeps the column: row 3 starts its run at column 3.
  auto s =
      Stream(20, 6,
             {Op(kPackSkip, 10), Op(kPackLiteral, 5), 1, 2, 3, 4, 5, Op(kPackNextRow, 0),
              Op(kPackFill, 3), 7, Op(kPackRowSkip, 2), Op(kPackLiteral, 1), 9, Op(kPackEnd, 0)});
  auto edge = Stream(4, 1,
                     {Op(kPackSkip, 2), Op(kPackFill, 2), 1, Op(kPackNextRow, 0), Op(kPackFill, 1),
                      1, Op(kPackEnd, 0)});
  // Width and height themselves are accepted, beyond them not.
  for (auto [image, x, y, hit] : {std::tuple{&s, 15, 0, true},
                                  {&s, 9, 0, false},
                                  {&s, 4, 1, false},
                                  {&s, 0, 3, false},
                                  {&s, 4, 3, true},
                                  {&s, 10, 2, false},
                                  {&edge, 4, 0, true},
                                  {&edge, 1, 1, true},
                                  {&edge, 5, 0, false},
                                  {&edge, 0, 2, false},
                                  {&edge, -1, 0, false}})
    EXPECT_EQ(ImagePointed(image->data(), 0, x, y), hit) << x << "," << y;
  EXPECT_FALSE(ImagePointed(nullptr, 0, 0, 0));
}

TEST_F(DrawImageTest, BurrowCutsHolesAndPaintsInsideTheShape) {
  auto surface = MakeDib(6, 3, 0x1111);
  surface->SetPixel(2, 0, COLOR_KEY);  // a transparent spot
  surface->SetPixel(3, 1, COLOR_KEY);
  // At (1, 0): row 0 literal [0, 0x2222, 0x3333]; row 1 fill 0 x2 then fill
  // 0x4444 x3 (over the transparent spot at 3, 1).
  auto s = Stream(6, 2,
                  {Op(kPackLiteral, 3), 0, 0x2222, 0x3333, Op(kPackNextRow, 0), Op(kPackFill, 1), 0,
                   Op(kPackFill, 3), 0x4444, Op(kPackEnd, 0)});
  ASSERT_TRUE(Burrow(surface.get(), s.data(), 1, 0));
  // Black holes the opaque pixel at 1; 0x2222 does not paint the
  // transparent spot at 2; 0x3333 paints 3.  Next row returns to the
  // stamp's left edge (column 1).
  const unsigned short K = COLOR_KEY;
  EXPECT_EQ(Pixels(surface.get()),
            (std::vector<uint16_t>{0x1111, K, K, 0x3333, 0x1111, 0x1111,  //
                                   0x1111, K, 0x4444, K, 0x4444, 0x1111,  //
                                   0x1111, 0x1111, 0x1111, 0x1111, 0x1111, 0x1111}));

  // A zero pixel over a transparent spot leaves the key.
  auto zero = Stream(1, 1, {Op(kPackLiteral, 1), 0, Op(kPackEnd, 0)});
  ASSERT_TRUE(Burrow(surface.get(), zero.data(), 2, 0));
  EXPECT_EQ(surface->GetPixel(2, 0), COLOR_KEY);

  // Outside the surface refused; y = height accepted with nothing inside.
  for (auto [x, y, ok] : {std::tuple{6, 0, false}, {-1, 0, false}, {0, 4, false}, {5, 3, true}})
    EXPECT_EQ(Burrow(surface.get(), s.data(), x, y), ok) << x << "," << y;
  EXPECT_FALSE(Burrow(nullptr, s.data(), 0, 0));
  EXPECT_FALSE(Burrow(surface.get(), nullptr, 0, 0));
}

TEST_F(DrawImageTest, MarkMixWeighsMaterialsByTheTargetsBlue) {
  auto target = MakeDib(6, 1, 0x0010);  // blue 16: half weight
  target->SetPixel(5, 0, 0x001F);       // blue 31
  auto red = MakeDib(6, 1, 0x7FFF);     // white: 31, 31, 31
  auto green = MakeDib(6, 1, 0x03E0);   // pure green
  auto blue = MakeDib(6, 1, 0x001E);
  auto other = MakeDib(6, 1, 0xFC00);  // mark bit and red 31: red reads 63
  auto mark = Stream(6, 1,
                     {Op(kPackLiteral, 5), 0x7C00, 0x03E0, 0x001F, 0x7FE0, 0x1234, Op(kPackFill, 1),
                      0x5555, Op(kPackEnd, 0)});
  ASSERT_TRUE(MarkMix(target.get(), mark.data(), red.get(), green.get(), blue.get(), other.get()));
  const std::vector<uint16_t> want = {
      15 << 10 | 15 << 5 | 15,  // red surface, white, halved
      15 << 5,                  // green surface
      15,                       // blue surface: 30 * 16 / 32
      31 << 10,                 // literal 0x7FE0: other, red 63 * 16 / 32 = 31
      15 << 10 | 15 << 5 | 15,  // any other literal: white
      31 << 10,                 // fill of another colour: other, 63 * 31 / 32 = 61, held to 31
  };
  EXPECT_EQ(Pixels(target.get()), want);
  EXPECT_FALSE(MarkMix(target.get(), mark.data(), red.get(), green.get(), blue.get(), nullptr));
  EXPECT_FALSE(MarkMix(nullptr, mark.data(), red.get(), green.get(), blue.get(), other.get()));
}

// A 24-bit bitmap whose pixel (x, y) (from the top) is colour(x, y).
std::string Bitmap(int w, int h, uint32_t (*colour)(int, int)) {
  std::vector<uint32_t> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rgb.push_back(colour(x, y) & 0xFFFFFF);
  return Bitmap24(w, h, rgb);
}

TEST_F(DrawImageTest, PartitionBmpCutsCellsFromTheTop) {
  TempDir dir;
  WriteFile(dir.File("big.bmp"),
            Bitmap(640, 480, [](int x, int y) { return static_cast<uint32_t>(x * 7 + y * 1000); }));
  std::string tmpl = Bitmap(64, 48, [](int, int) { return 0x123456u; });
  tmpl += "tail";  // bytes after the rows are kept as the template has them
  WriteFile(dir.File("cell.bmp"), tmpl);
  std::string prefix = dir.path() + "/out";
  EXPECT_EQ(PartitionBmp(dir.File("big.bmp").c_str(), dir.File("cell.bmp").c_str(), prefix.c_str()),
            100);
  EXPECT_TRUE(HeadlessMessages().empty());
  // Cell 13 is row 1, column 3: source pixels x 192..255, y 48..95.
  std::string cell = ReadFile(prefix + "C00013.BMP");
  ASSERT_EQ(cell.size(), tmpl.size());
  EXPECT_EQ(cell.substr(0, 54), tmpl.substr(0, 54));
  EXPECT_EQ(cell.substr(cell.size() - 4), "tail");
  std::string want = Bitmap(
      64, 48, [](int x, int y) { return static_cast<uint32_t>((x + 192) * 7 + (y + 48) * 1000); });
  EXPECT_EQ(cell.substr(54, want.size() - 54), want.substr(54));
  EXPECT_FALSE(ReadFile(prefix + "C00099.BMP").empty());
  EXPECT_TRUE(ReadFile(prefix + "C00100.BMP").empty());
}

TEST_F(DrawImageTest, PartitionBmpFailures) {
  TempDir dir;
  WriteFile(dir.File("big.bmp"), Bitmap(100, 50, [](int, int) { return 0u; }));
  WriteFile(dir.File("cell.bmp"), Bitmap(30, 25, [](int, int) { return 0u; }));
  std::string prefix = dir.path() + "/c";
  // 100 is not a multiple of 30: nothing written.
  EXPECT_EQ(PartitionBmp(dir.File("big.bmp").c_str(), dir.File("cell.bmp").c_str(), prefix.c_str()),
            0);
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_EQ(
      PartitionBmp(dir.File("none.bmp").c_str(), dir.File("cell.bmp").c_str(), prefix.c_str()), 0);
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_EQ(HeadlessMessages()[0].text, "Open bmp file failed! PartitionBmp");
  WriteFile(dir.File("notbmp.bmp"), std::string(100, 'x'));
  EXPECT_EQ(
      PartitionBmp(dir.File("big.bmp").c_str(), dir.File("notbmp.bmp").c_str(), prefix.c_str()), 0);
  EXPECT_EQ(HeadlessMessages().back().text, "Open template file failed! PartitionBmp");
  // Rows promised by the header but missing from the file.
  std::string cut = Bitmap(100, 50, [](int, int) { return 0u; });
  WriteFile(dir.File("cut.bmp"), cut.substr(0, cut.size() - 400));
  EXPECT_EQ(PartitionBmp(dir.File("cut.bmp").c_str(), dir.File("big.bmp").c_str(), prefix.c_str()),
            0);
  EXPECT_EQ(HeadlessMessages().back().text, "Open bmp file failed! PartitionBmp");
  // A folder that does not exist: the first cell cannot be created.
  WriteFile(dir.File("small.bmp"), Bitmap(50, 25, [](int, int) { return 0u; }));
  std::string nowhere = dir.path() + "/no/such/dir/";
  EXPECT_EQ(
      PartitionBmp(dir.File("big.bmp").c_str(), dir.File("small.bmp").c_str(), nowhere.c_str()), 0);
  EXPECT_EQ(HeadlessMessages().back().text, "Create CellBmp file failed! PartitionBmp");
}

TEST_F(DrawImageTest, AddBmpToPackStoresADecodableStream) {
  TempDir dir;
  const unsigned short K = 0x7C1F;  // magenta as a bitmap holds it
  const int w = 7, h = 5;
  std::vector<uint16_t> pixels = {
      K,      K,      K,      K,      K,      K,      K,       //
      0x1234, 0x1234, 0x1234, K,      0x0001, 0x0002, K,       //
      K,      K,      K,      K,      K,      K,      K,       //
      K,      K,      K,      K,      K,      K,      K,       //
      0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x0400,  //
  };
  WriteFile(dir.File("pic.bmp"), EncodeBmp(pixels.data(), w, h));
  std::string error;
  ASSERT_TRUE(CreateQresFiles(dir.File("res.dbf"), dir.File("res.idx"), 10, 40, error)) << error;
  ASSERT_TRUE(CreatePackFile(dir.File("img.pak"), error));
  QRES res(dir.File("res.dbf").c_str(), dir.File("res.idx").c_str());
  ASSERT_TRUE(AddBmpToPack(dir.File("pic.bmp").c_str(), &res, "PIC0000001",
                           dir.File("img.pak").c_str(), "x"));
  EXPECT_TRUE(HeadlessMessages().empty());

  unsigned char* buffer = nullptr;
  int n = res.LoadData(buffer, "PIC0000001");
  ASSERT_GT(n, 4);
  EXPECT_EQ(buffer[0] | buffer[1] << 8, w);
  EXPECT_EQ(buffer[2] | buffer[3] << 8, h);
  DIBSURFACE decoded(w, h);
  decoded.Initialize();
  ASSERT_TRUE(DecodePackedStream(buffer + 4, static_cast<size_t>(n - 1 - 4), &decoded));
  for (uint16_t& p : pixels) p = p == K ? COLOR_KEY : p;  // magenta read as the key
  EXPECT_EQ(Pixels(&decoded), pixels);
  delete[] buffer;
}

TEST_F(DrawImageTest, AddBmpToPackFailures) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(CreateQresFiles(dir.File("res.dbf"), dir.File("res.idx"), 10, 40, error)) << error;
  ASSERT_TRUE(CreatePackFile(dir.File("img.pak"), error));
  QRES res(dir.File("res.dbf").c_str(), dir.File("res.idx").c_str());
  std::string pak = dir.File("img.pak");

  EXPECT_FALSE(AddBmpToPack(dir.File("none.bmp").c_str(), &res, "A", pak.c_str(), ""));
  ASSERT_EQ(HeadlessMessages().size(), 1u);
  EXPECT_EQ(HeadlessMessages()[0].text.find("Open bmp file failed! "), 0u);

  uint16_t one = 0x1234;
  WriteFile(dir.File("ok.bmp"), EncodeBmp(&one, 1, 1));
  EXPECT_FALSE(AddBmpToPack(dir.File("ok.bmp").c_str(), nullptr, "A", pak.c_str(), ""));
  EXPECT_EQ(HeadlessMessages().back().text.find("QRES object is null! "), 0u);

  ClearHeadlessMessages();
  WriteFile(dir.File("short.bmp"), "BM");
  EXPECT_FALSE(AddBmpToPack(dir.File("short.bmp").c_str(), &res, "A", pak.c_str(), ""));
  EXPECT_TRUE(HeadlessMessages().empty());
  EXPECT_EQ(ReadFile(pak), "");  // nothing added
}

}  // namespace
}  // namespace tessera::test
