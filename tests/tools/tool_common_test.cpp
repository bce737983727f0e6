// The helpers the data-set builders share: the GIF writer, read back by
// giflib and by the GIF sprite; and the particle pictures stored for
// CFader's overlays, twenty distinct keyed pictures per kind, named as
// LoadParticle looks them up ("<8 characters><set><frame>"; the loading and
// drawing themselves are the fader suite's).
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/gif_writer.h"
#include "common/particle_pictures.h"
#include "gui/gif_sprite.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::tools::EncodeGif;
using tessera::tools::GifFrameSpec;
using tessera::tools::PaintParticlePictures;
using tessera::tools::ParticleKind;

struct Reader {
  const std::string* bytes;
  size_t pos;
};
int ReadBytes(GifFileType* gif, GifByteType* out, int n) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const size_t k = std::min(static_cast<size_t>(n), r->bytes->size() - r->pos);
  std::copy_n(r->bytes->data() + r->pos, k, out);
  r->pos += k;
  return static_cast<int>(k);
}

std::vector<uint8_t> Indices(size_t n, int colours, uint32_t seed) {
  tessera::test::TestRandom rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng.Next() % static_cast<uint32_t>(colours));
  return v;
}

TEST(GifWriterTest, GiflibReadsWhatItWrites) {
  // Palettes of 2, 5 (padded to 8) and 256 colours: code sizes 2, 3 and 8,
  // with enough pixels for many clear codes.
  for (int colours : {2, 5, 256}) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < colours; ++i)
      palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
    std::vector<GifFrameSpec> frames(3);
    frames[0] = {0, 0, 40, 30, Indices(1200, colours, 1), 7, -1};
    frames[1] = {5, 6, 11, 13, Indices(143, colours, 2), 0, 1};
    frames[2] = {39, 29, 1, 1, Indices(1, colours, 3), 65535, 0};
    const std::string gif = EncodeGif(40, 30, palette, frames);
    ASSERT_FALSE(gif.empty());
    Reader reader{&gif, 0};
    int err = 0;
    GifFileType* g = DGifOpen(&reader, ReadBytes, &err);
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(DGifSlurp(g), GIF_OK) << colours;
    EXPECT_EQ(g->SWidth, 40);
    ASSERT_EQ(g->ImageCount, 3);
    for (int i = 0; i < 3; ++i) {
      const SavedImage& im = g->SavedImages[i];
      EXPECT_EQ(im.ImageDesc.Left, frames[i].left);
      EXPECT_EQ(im.ImageDesc.Width, frames[i].width);
      EXPECT_EQ(std::vector<uint8_t>(im.RasterBits, im.RasterBits + frames[i].pixels.size()),
                frames[i].pixels);
      GraphicsControlBlock gcb{};
      ASSERT_EQ(DGifSavedExtensionToGCB(g, i, &gcb), GIF_OK);
      EXPECT_EQ(gcb.DelayTime, frames[i].delay);
      EXPECT_EQ(gcb.TransparentColor, frames[i].transparent);
    }
    for (int i = 0; i < colours; ++i) EXPECT_EQ(g->SColorMap->Colors[i].Green, 255 - i);
    DGifCloseFile(g, &err);

    // The sprite takes it too.
    QGifSprite sprite;
    ASSERT_TRUE(sprite.LoadFromData(gif.data(), static_cast<long>(gif.size())));
    EXPECT_EQ(sprite.GetFrameCount(), 3);
    EXPECT_EQ(sprite.GetFrame(2)->m_dwDelay, 65535u);
  }
}

TEST(GifWriterTest, RefusesWhatItCannotWrite) {
  const std::vector<uint8_t> two = {0, 0, 0, 255, 255, 255};
  EXPECT_TRUE(EncodeGif(4, 4, {}, {{0, 0, 1, 1, {0}, 0, -1}}).empty());
  EXPECT_TRUE(EncodeGif(4, 4, std::vector<uint8_t>(257 * 3), {{0, 0, 1, 1, {0}, 0, -1}}).empty());
  EXPECT_TRUE(EncodeGif(4, 4, two, {{0, 0, 2, 2, {0, 1, 0}, 0, -1}}).empty());
  EXPECT_TRUE(EncodeGif(4, 4, two, {{3, 0, 2, 1, {0, 1}, 0, -1}}).empty());
  EXPECT_FALSE(EncodeGif(4, 4, two, {{2, 3, 2, 1, {0, 1}, 0, -1}}).empty());
}

class ParticlePicturesTest : public tessera::test::EngineTest {};

TEST_F(ParticlePicturesTest, TwentyDistinctPicturesPerKind) {
  for (ParticleKind kind : {ParticleKind::kSnow, ParticleKind::kLeaves, ParticleKind::kMotes}) {
    const auto pictures = PaintParticlePictures("particle", kind);
    ASSERT_EQ(pictures.size(), 20u);
    std::set<std::vector<uint16_t>> distinct;
    for (size_t i = 0; i < pictures.size(); ++i) {
      const auto& p = pictures[i];
      EXPECT_EQ(p.id, "particle" + std::to_string(i / 5) + std::to_string(i % 5));
      const std::vector<uint16_t> px = tessera::test::Pixels(p.image.get());
      size_t keyed = 0;
      for (uint16_t v : px) keyed += v == COLOR_KEY;
      // A particle on a transparent field, corners clear.
      EXPECT_GT(keyed, px.size() / 4) << p.id;
      EXPECT_LT(keyed, px.size()) << p.id;
      EXPECT_EQ(px.front(), COLOR_KEY) << p.id;
      distinct.insert(px);
    }
    // Frames animate and sets differ: no two pictures alike.
    EXPECT_EQ(distinct.size(), 20u) << static_cast<int>(kind);
  }
  EXPECT_TRUE(PaintParticlePictures("short", ParticleKind::kSnow).empty());
  EXPECT_TRUE(PaintParticlePictures("too_long_", ParticleKind::kSnow).empty());
}

}  // namespace
