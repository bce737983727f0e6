// The run-length surfaces and the packed streams they are built from:
// exact run lists, streams decoded and encoded, damaged streams.
#include "engine/rle_surface.h"

#include <gtest/gtest.h>

#include "engine/packed_stream.h"
#include "engine/rle_layout.h"
#include "engine/rle_mask_surface.h"
#include "support/pixel_span.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

using Words = std::vector<uint16_t>;
constexpr uint16_t K = COLOR_KEY;

// A sprite whose opaque pixels come in stretches (as drawn images do), about
// `opaque_percent` of them opaque.  Opaque values avoid COLOR_KEY but may
// carry bit 15; equal neighbours are common so that fills appear.
std::unique_ptr<DIBSURFACE> MakeSprite(int w, int h, int opaque_percent, TestRandom& rnd) {
  auto s = MakeDib(w, h, COLOR_KEY);
  for (int y = 0; y < h; ++y) {
    int x = 0;
    while (x < w) {
      const bool opaque = rnd.Range(0, 99) < opaque_percent;
      const int len = rnd.Range(1, 40);
      uint16_t colour = static_cast<uint16_t>(rnd.Next());
      for (int i = 0; i < len && x < w; ++i, ++x) {
        if (!opaque) continue;
        if (rnd.Range(0, 3) == 0) colour = static_cast<uint16_t>(rnd.Next());
        if (colour == COLOR_KEY) colour = 0x1234;
        s->SetPixel(x, y, colour);
      }
    }
  }
  return s;
}

// The words of row y's run list, terminator included.
Words RowWords(RLESURFACE& s, int y) {
  Words out;
  const uint16_t* p = RleRowTable(s.GetBitmap())[y];
  for (;;) {
    const uint16_t h = *p++;
    out.push_back(h);
    if (h == 0) return out;
    for (int i = 0; i < RunCount(h); ++i) out.push_back(*p++);
  }
}

// The run lists of every row.
std::vector<Words> AllRows(RLESURFACE& s) {
  std::vector<Words> rows;
  for (int y = 0; y < s.GetHeight(); ++y) rows.push_back(RowWords(s, y));
  return rows;
}

std::unique_ptr<RLESURFACE> Encode(SURFACE* src) {
  auto rle = std::make_unique<RLESURFACE>(src->GetWidth(), src->GetHeight());
  EXPECT_EQ(rle->Initialize(), 1);
  EXPECT_EQ(rle->GetBitmap(), nullptr);
  EXPECT_EQ(rle->Initialize(src), 1);
  return rle;
}

// A run-length surface built from the stream; without `result`, the build
// must succeed.
std::unique_ptr<RLESURFACE> FromStream(int w, int h, const Words& words, int* result = nullptr) {
  auto rle = std::make_unique<RLESURFACE>(w, h);
  const std::vector<uint8_t> bytes = PackedStreamBytes(words);
  const int r = rle->Initialize(bytes.data(), bytes.size());
  if (result)
    *result = r;
  else
    EXPECT_EQ(r, 1) << "stream refused";
  return rle;
}

TEST(RleSurface, EncodesLongRunsAndGapsIn8BitHeaders) {
  auto src = MakeDib(700, 4, K);
  for (int x = 0; x < 300; ++x) src->SetPixel(x, 0, static_cast<uint16_t>(x));
  for (int x = 0; x < 255; ++x) src->SetPixel(x, 1, 0x8001);  // bit 15 is opaque here
  src->SetPixel(600, 2, 0x0777);
  // row 3: 600 transparent pixels only
  auto rle = Encode(src.get());
  auto* hd = static_cast<RleBlockHeader*>(rle->GetBitmap());
  EXPECT_EQ(hd->width, 700);
  EXPECT_EQ(hd->height, 4);
  EXPECT_EQ(RleRowTable(rle->GetBitmap())[0] + 1 + 255 + 1 + 45 + 1 + 1,
            RleRowTable(rle->GetBitmap())[1]);

  // 300 opaque: runs of 255 and 45; the 400 transparent pixels after them
  // reach a count of 255 once, which writes (255, 0).  Exactly 255 opaque:
  // one run of 255, and no empty header after it.
  Words row0{0x00FF}, row1{0x00FF};
  for (uint16_t x = 0; x < 300; ++x) {
    if (x == 255) row0.push_back(0x002D);
    row0.push_back(x);
  }
  row1.insert(row1.end(), 255, 0x8001);
  for (Words* w : {&row0, &row1}) w->insert(w->end(), {0xFF00, 0});
  // Transparency counted to 255 is written even with no run after it (row 3).
  EXPECT_EQ(
      AllRows(*rle),
      (std::vector<Words>{row0, row1, {0xFF00, 0xFF00, 0x5A01, 0x0777, 0}, {0xFF00, 0xFF00, 0}}));
  EXPECT_EQ(rle->GetFirstLinePos(), 0);
  // GetPixel walks the long runs and gaps (the key in a gap).
  EXPECT_EQ(PixelSpan(rle.get(), 0, 0, 700, 4), Pixels(src.get()));
}

// (Other run layouts are pinned by the random sprites below.)
TEST(RleSurface, EmptyRowsFirstLineAndPixelsOutside) {
  auto src = MakeDib(10, 3, K);
  auto empty = Encode(src.get());
  EXPECT_EQ(AllRows(*empty), std::vector<Words>(3, Words{0}));
  EXPECT_EQ(empty->GetFirstLinePos(), 3);
  src->SetPixel(9, 2, 0);
  auto last = Encode(src.get());
  EXPECT_EQ(last->GetFirstLinePos(), 2);
  EXPECT_EQ(RowWords(*last, 2), (Words{0x0901, 0x0000, 0}));
  for (auto [x, y] : {std::pair{-1, 2}, {10, 2}, {9, 3}, {9, -1}})
    EXPECT_EQ(last->GetPixel(x, y), K) << x << "," << y;
  RLESURFACE unbuilt(4, 4);
  EXPECT_EQ(unbuilt.GetPixel(0, 0), K);
}

TEST(RleSurface, SecondBuildKeepsTheFirstImage) {
  auto a = MakeDib(4, 1, 0x0001);
  auto b = MakeDib(4, 1, 0x0002);
  auto rle = Encode(a.get());
  void* block = rle->GetBitmap();
  EXPECT_EQ(rle->Initialize(b.get()), 1);
  unsigned short stream[] = {0x1001, 0x0003, 0xF000};
  EXPECT_EQ(rle->Initialize(stream), 1);
  EXPECT_EQ(rle->GetBitmap(), block);
  EXPECT_EQ(rle->GetPixel(0, 0), 0x0001);
  RLESURFACE none(4, 1);
  EXPECT_EQ(none.Initialize(static_cast<SURFACE*>(nullptr)), 0);
  EXPECT_FALSE(none.IsBuilt());
}

TEST(RleSurface, BuildsFromStreamsWithRowSkipsAndMissingRows) {
  // row 0: skip 2, literal 2 then fill 3 continue one run; skip 1; fill 1.
  // next row; row skip 2 (rows 1 and 2 empty); row 3: literal 1; end
  // without next row; rows 4 and 5 missing.
  const Words w = {0x0002, 0x1002, 0x0011, 0x0012, 0x2003, 0x0013, 0x0001,
                   0x2001, 0x0014, 0x8000, 0x4002, 0x1001, 0x0015, 0xF000};
  auto rle = FromStream(12, 6, w);
  EXPECT_TRUE(rle->IsBuilt());
  EXPECT_EQ(AllRows(*rle),
            (std::vector<Words>{{0x0205, 0x11, 0x12, 0x13, 0x13, 0x13, 0x0101, 0x14, 0},
                                {0},
                                {0},
                                {0x0001, 0x15, 0},
                                {0},
                                {0}}));
  EXPECT_EQ(rle->GetFirstLinePos(), 0);

  // The bare-pointer entry point gives the same block.
  std::vector<unsigned short> bare(w.begin(), w.end());
  RLESURFACE same(12, 6);
  ASSERT_EQ(same.Initialize(bare.data()), 1);
  EXPECT_EQ(AllRows(same), AllRows(*rle));
}

TEST(RleSurface, StreamRunsAreCutAtTheEdgesAndLongOnesSplit) {
  // 300 pixels in one fill: split 255 + 45.  A 300 gap keeps its low 8 bits
  // (44).  A literal running past the width keeps only what fits.  Rows
  // past the height are dropped.
  const Words w = {0x212C, 0x0009, 0x8000, 0x012C, 0x1001, 0x0001, 0x8000, 0x0FFF,
                   0x1003, 0x0002, 0x0003, 0x0004, 0x0000, 0x8000, 0x0136, 0x1003,
                   0x5,    0x6,    0x7,    0x8000, 0x2005, 0x0008, 0x8000, 0xF000};
  auto rle = FromStream(312, 4, w);
  Words row0 = RowWords(*rle, 0);
  ASSERT_EQ(row0.size(), 1u + 255 + 1 + 45 + 1);
  EXPECT_EQ(row0[0], 0x00FF);
  EXPECT_EQ(row0[256], 0x002D);
  EXPECT_EQ(RowWords(*rle, 1), (Words{0x2C01, 0x0001, 0}));
  // row 2: skip 4095 & 0xFF = 255, literal 3 starts at 255: all fit.
  EXPECT_EQ(RowWords(*rle, 2), (Words{0xFF03, 2, 3, 4, 0}));
  // row 3: gap 0x136 = 310 keeps 54; 3 pixels fit.
  EXPECT_EQ(RowWords(*rle, 3), (Words{0x3603, 5, 6, 7, 0}));
  // The gap of 40 places row 1's run at the width of 40: nothing is kept.
  auto narrow = FromStream(40, 2, {0x1005, 1, 2, 3, 4, 5, 0x8000, 0x0028, 0x1002, 6, 7, 0xF000});
  auto narrow3 = FromStream(3, 2, {0x1005, 1, 2, 3, 4, 5, 0x8000, 0x0002, 0x1002, 6, 7, 0xF000});
  EXPECT_EQ(AllRows(*narrow3), (std::vector<Words>{{0x0003, 1, 2, 3, 0}, {0x0201, 6, 0}}));
  EXPECT_EQ(AllRows(*narrow), (std::vector<Words>{{0x0005, 1, 2, 3, 4, 5, 0}, {0}}));
}

TEST(RleSurface, DamagedStreamsFailAndLeaveNoBlock) {
  // A literal cut short, no end, a fill without its pixel.
  for (const Words& w : {Words{0x1004, 1, 2, 3}, Words{0x1001, 1, 0x8000}, Words{0x2001}}) {
    int result = 1;
    auto cut = FromStream(8, 2, w, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(cut->GetBitmap(), nullptr);
    EXPECT_FALSE(cut->IsBuilt());
  }
  RLESURFACE empty(8, 2);
  EXPECT_EQ(empty.Initialize(nullptr, 0), 0);
  // A row skip drops a pending run (streams never put one there).
  auto dropped = FromStream(8, 3, {0x1002, 1, 2, 0x4002, 0x1001, 3, 0xF000});
  EXPECT_EQ(RowWords(*dropped, 0), Words{0});
  EXPECT_EQ(RowWords(*dropped, 2), (Words{0x0001, 3, 0}));
  // The dropped run is longer than everything kept: the block must still
  // have held it while it was pending.
  auto tall = FromStream(8, 1, {0x1008, 1, 2, 3, 4, 5, 6, 7, 8, 0x4001, 0xF000});
  EXPECT_EQ(RowWords(*tall, 0), Words{0});
  // The end operation keeps a run still open on its row.
  auto open_run = FromStream(4, 2, {0x0001, 0x1001, 5, 0xF000});
  EXPECT_EQ(AllRows(*open_run), (std::vector<Words>{{0x0101, 5, 0}, {0}}));
}

// Random sprites (some rows empty, at the top and the bottom too): the
// packed stream encoder's output decodes back to the sprite and builds the
// same run lists as encoding the sprite directly; the mask built from the
// sprite starts on the same row and answers 0x7FFF wherever it is opaque.
TEST(RleSurface, StreamsRunListsAndMasksAgreeOnRandomSprites) {
  TestRandom rnd(11);
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE(round);
    const int w = rnd.Range(1, 600), h = rnd.Range(1, 30);
    auto src = MakeSprite(w, h, rnd.Range(0, 100), rnd);
    for (int y = 0; y < h; ++y)
      if (rnd.Range(0, 4) == 0)
        for (int x = 0; x < w; ++x) src->SetPixel(x, y, K);
    const Words words = EncodePackedStream(src.get());
    const std::vector<uint8_t> bytes = PackedStreamBytes(words);
    auto decoded = MakeDib(w, h, 0x0BAD);
    ASSERT_TRUE(DecodePackedStream(bytes.data(), bytes.size(), decoded.get()));
    ASSERT_EQ(Pixels(decoded.get()), Pixels(src.get()));
    auto streamed = FromStream(w, h, words);
    auto encoded = Encode(src.get());
    // (Stream gaps keep their low 8 bits, so the stream build matches only
    // up to 255 pixels; wider sprites exercise the encoder and the mask.)
    if (w <= 254) {
      ASSERT_EQ(AllRows(*streamed), AllRows(*encoded));
      EXPECT_EQ(PixelSpan(streamed.get(), 0, 0, w, h), Pixels(src.get()));
    }
    RLEMASKSURFACE mask(w, h);
    ASSERT_EQ(mask.Initialize(src.get()), 1);
    EXPECT_EQ(mask.GetFirstLinePos(), encoded->GetFirstLinePos());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(mask.GetPixel(x, y), src->GetPixel(x, y) == K ? K : 0x7FFF) << x << "," << y;
  }
}

// Words from one row's run list to the next when a placed picture's rows
// are laid out evenly (every row at most one run: the longest list), else 0.
size_t EvenStride(const std::vector<Words>& rows) {
  size_t longest = 0;
  for (const Words& row : rows) {
    if (row.size() > 1 && row.size() != 2u + RunCount(row[0])) return 0;
    longest = std::max(longest, row.size());
  }
  return longest;
}

// Placing pictures together moves their blocks into one allocation in the
// order given, without changing what any of them holds or draws: rows of
// one run each evenly spaced, others back to back.  The allocation lives
// as long as the last picture in it.
TEST(RleSurface, PicturesPlacedTogetherDrawAsBeforeAndOutliveEachOther) {
  TestRandom rnd(23);
  auto draw = [](RLESURFACE& p) {
    auto d = MakeDib(p.GetWidth() + 6, p.GetHeight() + 4, 0x0BAD);
    p.Blit(d.get(), 3, 2);
    return Pixels(d.get());
  };
  std::vector<std::unique_ptr<RLESURFACE>> pics;
  std::vector<std::vector<Words>> rows;
  std::vector<std::vector<uint16_t>> drawn;
  for (int i = 0; i < 5; ++i) {
    // Some with one run a row (the drawing's fast path), some with many.
    auto src =
        MakeSprite(rnd.Range(1, 250), rnd.Range(1, 30), i < 2 ? 100 : rnd.Range(30, 90), rnd);
    pics.push_back(Encode(src.get()));
    rows.push_back(AllRows(*pics.back()));
    drawn.push_back(draw(*pics.back()));
  }
  auto unchanged = [&](int i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(AllRows(*pics[static_cast<size_t>(i)]), rows[static_cast<size_t>(i)]);
    EXPECT_EQ(draw(*pics[static_cast<size_t>(i)]), drawn[static_cast<size_t>(i)]);
  };

  // In the order 3, 0, 4, 1, 2: a repeat, a null and an unbuilt picture are
  // passed over.
  RLESURFACE unbuilt(4, 4);
  RLESURFACE* order[] = {pics[3].get(), nullptr,       pics[0].get(), &unbuilt,
                         pics[3].get(), pics[4].get(), pics[1].get(), pics[2].get()};
  void* before = pics[3]->GetBitmap();
  ASSERT_TRUE(RLESURFACE::PlaceTogether(order, std::size(order)));
  EXPECT_NE(pics[3]->GetBitmap(), before);
  EXPECT_EQ(unbuilt.GetBitmap(), nullptr);
  const size_t sequence[] = {3, 0, 4, 1, 2};
  int back_to_back = 0;
  for (size_t k = 0; k < 5; ++k) {
    const size_t i = sequence[k];
    SCOPED_TRACE(i);
    char* block = static_cast<char*>(pics[i]->GetBitmap());
    uint16_t** table = RleRowTable(block);
    const size_t h = static_cast<size_t>(pics[i]->GetHeight());
    const size_t stride = EvenStride(rows[i]);
    if (i < 2) {
      EXPECT_NE(stride, 0u);
    }
    back_to_back += stride == 0;
    // The lists start right after the table, each after the one before.
    size_t words = 0;
    for (size_t y = 0; y < h; ++y) {
      EXPECT_EQ(reinterpret_cast<char*>(table[y]) - block,
                static_cast<ptrdiff_t>(kRleTableOffset + sizeof(uint16_t*) * h + 2 * words));
      words += stride ? stride : rows[i][y].size();
    }
    // The next picture's block follows, at malloc's 16-byte alignment.
    if (k + 1 < 5) {
      const size_t bytes = kRleTableOffset + sizeof(uint16_t*) * h + 2 * words;
      EXPECT_EQ(static_cast<char*>(pics[sequence[k + 1]]->GetBitmap()) - block,
                static_cast<ptrdiff_t>((bytes + 15) / 16 * 16));
    }
  }
  EXPECT_GT(back_to_back, 0);
  for (int i = 0; i < 5; ++i) unchanged(i);

  // Placed again, two move to an allocation of their own; the first one
  // goes on holding the others while they are deleted one by one.
  RLESURFACE* again[] = {pics[1].get(), pics[0].get()};
  ASSERT_TRUE(RLESURFACE::PlaceTogether(again, std::size(again)));
  pics[3].reset();
  pics[4].reset();
  for (int i : {0, 1, 2}) unchanged(i);
  pics[2].reset();
  for (int i : {0, 1}) unchanged(i);
  EXPECT_TRUE(RLESURFACE::PlaceTogether(nullptr, 0));
}

Words StreamWords(RLEMASKSURFACE& m) {
  Words out;
  const uint16_t* p = RleMaskStream(m.GetBitmap());
  for (int rows = 0; rows < m.GetHeight(); ++p) {
    out.push_back(*p);
    if (*p == 0) ++rows;
  }
  return out;
}

TEST(RleMaskSurface, StoresTheHeadersOfEveryRowWithoutPixels) {
  auto src = MakeDib(600, 3, K);
  for (int x = 2; x < 5; ++x) src->SetPixel(x, 0, 0x1234);
  src->SetPixel(599, 2, 0);
  RLEMASKSURFACE mask(600, 3);
  EXPECT_EQ(mask.GetStyle(), SS_RLEMASK);
  EXPECT_EQ(mask.Initialize(), 1);
  EXPECT_EQ(mask.GetBitmap(), nullptr);
  EXPECT_EQ(mask.GetFirstLinePos(), 3);
  ASSERT_EQ(mask.Initialize(src.get()), 1);
  EXPECT_EQ(RleMaskStream(mask.GetBitmap()),
            reinterpret_cast<uint16_t*>(static_cast<char*>(mask.GetBitmap()) + kRleTableOffset +
                                        sizeof(void*)));
  // row 0: gap 2 run 3, then 595 transparent reach 255 twice; row 1 the
  // same twice more and 90 left; row 2: 255, 255, then (89, 1).
  EXPECT_EQ(StreamWords(mask),
            (Words{0x0203, 0xFF00, 0xFF00, 0, 0xFF00, 0xFF00, 0, 0xFF00, 0xFF00, 0x5901, 0}));
  EXPECT_EQ(mask.GetFirstLinePos(), 0);
  // (599, 2) is found after walking rows 0 and 1; outside is the key.
  EXPECT_EQ(mask.GetPixel(599, 2), 0x7FFF);
  EXPECT_EQ(mask.GetPixel(600, 2), K);
  EXPECT_EQ(mask.GetPixel(0, -1), K);
  // A second build changes nothing.
  auto other = MakeDib(600, 3, 0);
  EXPECT_EQ(mask.Initialize(other.get()), 1);
  EXPECT_EQ(mask.GetPixel(0, 1), K);
}

// The reference's own rounding: level 16 of white over black gives red 16,
// green and blue 15 (the wrapping 16-bit mix rounds the two low channels
// down).  Effect kinds other than FX_TRANS draw nothing.
TEST(RleSurface, HalfLevelOverBlackAndOtherEffectKinds) {
  auto src = MakeDib(7, 1, 0x7FFF);  // one run of odd length
  auto rle = Encode(src.get());
  auto dst = MakeDib(9, 1, 0x0000);
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = 16;
  rle->Blit(dst.get(), 1, 0, fx);
  const uint16_t m = 0x41EF;
  EXPECT_EQ(Pixels(dst.get()), (Words{0, m, m, m, m, m, m, m, 0}));
  for (int kind : {0, 2, 3, 4, 5, 7, 8, 9}) {
    auto none = MakeDib(9, 1, 0x0001);
    fx.kind = kind;
    fx.size = 1;
    fx.width = fx.height = 1;
    rle->Blit(none.get(), 0, 0, fx);
    EXPECT_EQ(Pixels(none.get()), Words(9, 1)) << kind;
  }
}

bool Decode(const Words& words, SURFACE* dst) {
  const std::vector<uint8_t> bytes = PackedStreamBytes(words);
  return DecodePackedStream(bytes.data(), bytes.size(), dst);
}

TEST(PackedStream, DecodesEveryOperationAtTheCursor) {
  auto dib = MakeDib(6, 5, 0x1111);
  // row 0: skip 1, literal 2, fill 4 with 0x0042 (one pixel falls off the
  // right edge); next row; row 1: fill 2; row skip 2 lands on row 3;
  // an unknown operation 0x3 is passed over; literal 1; end.
  const Words w = {0x0001, 0x1002, 0x0101, 0x0202, 0x2004, 0x0042, 0x8000,
                   0x2002, 0x7FFF, 0x4002, 0x3005, 0x1001, 0x0333, 0xF000};
  ASSERT_TRUE(Decode(w, dib.get()));
  const Words expect = {K,      0x0101, 0x0202, 0x0042, 0x0042, 0x0042,  //
                        0x7FFF, 0x7FFF, K,      K,      K,      K,       //
                        K,      K,      K,      K,      K,      K,       //
                        0x0333, K,      K,      K,      K,      K,       //
                        K,      K,      K,      K,      K,      K};
  EXPECT_EQ(Pixels(dib.get()), expect);
}

TEST(PackedStream, TruncatedStreamsFailWithoutReadingPastTheBuffer) {
  auto dib = MakeDib(4, 2, 0);
  // Literal of 3 with only 2 words present, as an exactly sized heap copy
  // so that the sanitizers see any over-read.
  const Words cut_literal = {0x1003, 0x0001, 0x0002};
  EXPECT_FALSE(Decode(cut_literal, dib.get()));
  EXPECT_EQ(dib->GetPixel(0, 0), COLOR_KEY);          // nothing of the cut run is written
  EXPECT_FALSE(Decode({0x2005}, dib.get()));          // fill without its pixel
  EXPECT_FALSE(Decode({0x1001, 0x0005}, dib.get()));  // no end operation
  EXPECT_EQ(dib->GetPixel(0, 0), 0x0005);             // whole operations before the cut are drawn
  std::vector<uint8_t> odd = {0x01, 0x10, 0x07, 0x00, 0x00};  // literal 1, then half a word
  EXPECT_FALSE(DecodePackedStream(odd.data(), odd.size(), dib.get()));
  EXPECT_FALSE(DecodePackedStream(nullptr, 0, dib.get()));
  EXPECT_TRUE(Decode({0xF000, 0x1FFF}, dib.get()));  // bytes after the end are not read
}

TEST(PackedStream, LengthOfABareStreamIncludesItsEnd) {
  const unsigned short s[] = {0x1002, 0xF000, 0xF000, 0x2003, 0xF000, 0x8000, 0xF000, 0x0000};
  // the literal's pixel 0xF000 and the fill's pixel 0xF000 are data, not ends
  EXPECT_EQ(PackedStreamLength(s), 14u);
}

TEST(PackedStream, EncoderSplitsLongFillsAndGapsAndSkipsEmptyRows) {
  // 5000 opaque pixels of one colour split into fills of at most 4095;
  // a gap of 4100 into two skips; a missing first row into a row skip.
  auto wide = MakeDib(9200, 2, COLOR_KEY);
  for (int x = 0; x < 5000; ++x) wide->SetPixel(x, 1, 0x0007);
  wide->SetPixel(9100, 1, 0x0001);
  wide->SetPixel(9101, 1, 0x0002);
  const Words expect = {0x4001, 0x2FFF, 0x0007, 0x2389, 0x0007, 0x0FFF,
                        0x0005, 0x1002, 0x0001, 0x0002, 0x8000, 0xF000};
  EXPECT_EQ(EncodePackedStream(wide.get()), expect);
}

TEST(PackedStream, HugeCursorMovesStayInside) {
  auto dib = MakeDib(4, 4, 0);
  Words w(2000, 0x0FFF);  // skip far right
  w.insert(w.end(), {0x1001, 0x7777});
  w.insert(w.end(), 2000, 0x4FFF);  // rows far below
  w.insert(w.end(), {0x2FFF, 0x7777, 0xF000});
  EXPECT_TRUE(Decode(w, dib.get()));
  for (uint16_t p : Pixels(dib.get())) EXPECT_EQ(p, COLOR_KEY);
}

}  // namespace
}  // namespace tessera::test
