// The particle pictures a data-set builder stores for CFader's overlays:
// twenty distinct pictures per kind that LoadParticle finds in a pack and
// the falling-flake overlay draws.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/particle_pictures.h"
#include "engine/fader.h"
#include "engine/view_manage.h"
#include "public/engine.h"
#include "support/surface_helpers.h"
#include "support/test_pack.h"
#include "support/test_support.h"

namespace {

using tessera::tools::ParticleKind;
using tessera::tools::PaintParticlePictures;

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

TEST_F(ParticlePicturesTest, TheFaderLoadsAndDrawsThem) {
  tessera::test::TempDir dir;
  std::unique_ptr<CRes> res;
  tessera::test::MakeTestPack(dir, &res);
  for (const auto& p : PaintParticlePictures("snowflak", ParticleKind::kSnow))
    tessera::test::AddToPack(res.get(), p.id, tessera::test::PackImage(p.image.get()));
  ASSERT_EQ(AfxCreateViewManager(160, 120, nullptr), 1);
  CVIEWMANAGE* vm = AfxGetViewManager();
  vm->Initialize(res.get());

  CFader snow;
  char name[] = "snowflak";
  ASSERT_TRUE(snow.LoadParticle(name));
  EXPECT_EQ(snow.m_nParticleSets, 4);
  for (auto& set : snow.m_pParticle)
    for (SURFACE* frame : set) ASSERT_NE(frame, nullptr);

  auto picture = tessera::test::MakeDib(160, 120, 0);
  auto target = tessera::test::MakeDib(160, 120, 0);
  snow.Initialize(picture.get(), target.get(), 0, 0, 160, 120, 10, 60);
  for (int i = 0; i < 10; ++i) snow.Draw();
  size_t lit = 0;
  for (uint16_t v : tessera::test::Pixels(target.get())) lit += v != 0;
  EXPECT_GT(lit, 100u);
}

}  // namespace
