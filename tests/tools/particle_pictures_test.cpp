// The particle pictures a data-set builder stores for CFader's overlays:
// twenty distinct keyed pictures per kind, named as LoadParticle looks them
// up ("<8 characters><set><frame>"; the loading and drawing themselves are
// the fader suite's).
#include "common/particle_pictures.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace {

using tessera::tools::PaintParticlePictures;
using tessera::tools::ParticleKind;

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
