// Surfaces used as the wrong kind: every entry point that draws into a
// destination or touches a clip rectangle takes the block through one
// accessor, so a run-length destination is an unsupported operation (the
// engine's fatal "doesn't support" report, nothing written) and a null or
// uninitialised one is refused quietly, the same way everywhere.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include "engine/alpha_surface.h"
#include "engine/dib_surface.h"
#include "engine/dle_surface.h"
#include "engine/double_alpha_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_mask_surface.h"
#include "engine/rle_surface.h"
#include "support/surface_helpers.h"
#include "support/test_support.h"

namespace tessera::test {
namespace {

class SurfaceKindGuardTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    src_ = MakeDib(8, 8, 0x1234);
    rle_ = std::make_unique<RLESURFACE>(8, 8);
    ASSERT_EQ(rle_->Initialize(src_.get()), 1);
  }
  std::unique_ptr<DIBSURFACE> src_;
  std::unique_ptr<RLESURFACE> rle_;
};

const char kUnsupported[] = "MSGBOX \\[Error\\] the function doesn't support\\.";

// Each kind's unsupported operations end the process with the engine's
// report and their own number; drawing into a run-length surface or
// setting its clip (every entry point takes the block through one
// accessor) ends it before anything is written; a surface that cannot get
// its memory ends it too.
TEST_F(SurfaceKindGuardTest, UnsupportedOperationsAndMissingMemoryEndTheProcess) {
  RLEMASKSURFACE mask(8, 8);
  ASSERT_EQ(mask.Initialize(src_.get()), 1);
  RLESURFACE other(8, 8);
  ASSERT_EQ(other.Initialize(src_.get()), 1);
  ALPHASURFACE alpha(8, 8);
  ASSERT_NE(alpha.Initialize(), 0);
  const std::vector<uint8_t> dle_bytes =
      EncodeDleImage(2, 1, std::vector<uint16_t>(2, 1).data(), std::vector<uint8_t>(2, 0).data());
  std::unique_ptr<DLESURFACE> dle(LoadDleSurface(dle_bytes.data(), dle_bytes.size()));
  ASSERT_NE(dle, nullptr);
  SURFACE* dib = src_.get();
  SURFACE* rle = rle_.get();
  tagRECT r = {1, 1, 4, 4};
  DRAW_FX none, trans, mirror, rotate;
  trans.kind = FX_TRANS;
  trans.level = 16;
  mirror.kind = FX_MIRROR;
  rotate.kind = FX_ROTATE;
  rotate.angle = 0.5f;
  const std::string no_memory_dib = "MSGBOX \\[Error\\] Can't create bitmap";
  const std::string no_memory_alpha = "MSGBOX \\[Error\\] Can't create Alhpa Channel bitmap";
  const std::string unsupported = kUnsupported;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { dle->Blit(dib, 0, 0, none); }, unsupported + "1"},
      {[&] { rle->SetPixel(0, 0, 1); }, unsupported + "2"},
      {[&] { rle->Blit(dib, 0, 0, 0, 0, 1, 1); }, unsupported + "3"},
      {[&] { dle->Blit(dib, 0, 0, 0, 0, 1, 1); }, unsupported + "3"},
      {[&] { mask.Blit(dib, 0, 0); }, unsupported + "4"},
      {[&] { mask.SetPixel(0, 0, 0); }, unsupported + "5"},
      {[&] { mask.Blit(dib, 0, 0, 0, 0, 1, 1); }, unsupported + "6"},
      {[&] { mask.Blit(dib, 0, 0, none); }, unsupported + "7"},
      {[&] { rle->SetClipper(r); }, unsupported},
      {[&] { rle->GetClipper(r); }, unsupported},
      {[&] { mask.SetClipper(r); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, 0, 0, 4, 4); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, trans); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, mirror); }, unsupported},
      {[&] { dib->Blit(rle, 0, 0, rotate); }, unsupported},
      {[&] { other.Blit(rle, 0, 0); }, unsupported},
      {[&] { alpha.Blit(rle, 0, 0); }, unsupported},
      {[&] { dib->Blit(dle.get(), 0, 0); }, unsupported},
      {[] { DIBSURFACE(1 << 20, 1 << 20).Initialize(); }, no_memory_dib},
      {[] { ALPHASURFACE(100000, 100000).Initialize(); }, no_memory_alpha},
      {[] { DOUBLEALPHASURFACE(100000, 100000).Initialize(); }, no_memory_alpha},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EXIT(cases[i].first(), ::testing::ExitedWithCode(0), cases[i].second) << "case " << i;
  // The report comes before anything is written: the run table is intact.
  EXPECT_EQ(rle_->GetPixel(3, 3), 0x1234);
  // A packed stream is not decoded into one either (a plain refusal).
  const std::vector<uint8_t> stream = PackedStreamBytes(EncodePackedStream(src_.get()));
  EXPECT_FALSE(DecodePackedStream(stream.data(), stream.size(), rle_.get()));
}

TEST_F(SurfaceKindGuardTest, NullAndUninitialisedSurfacesAreRefusedQuietly) {
  DIBSURFACE blank(8, 8);  // never initialised: no block
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  src_->Blit(nullptr, 0, 0);
  src_->Blit(nullptr, 0, 0, 0, 0, 4, 4);
  src_->Blit(nullptr, 0, 0, fx);
  src_->Blit(&blank, 0, 0);
  src_->Blit(&blank, 0, 0, fx);
  blank.Blit(src_.get(), 0, 0);  // an uninitialised source draws nothing
  rle_->Blit(nullptr, 0, 0);
  rle_->Blit(&blank, 0, 0);
  tagRECT r = {1, 2, 3, 4};
  blank.SetClipper(r);
  blank.GetClipper(r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(src_->GetPixel(0, 0), 0x1234);
  EXPECT_EQ(PlainBlock(nullptr), nullptr);
  EXPECT_EQ(PlainBlock(&blank), nullptr);
  EXPECT_EQ(PlainBlock(rle_.get()), nullptr);
  EXPECT_EQ(PlainBlock(src_.get()), src_->GetBitmap());
  // A packed alpha surface keeps a clip rectangle, yet is no destination.
  DLESURFACE dle(8, 8);
  tagRECT set = {1, 2, 5, 6}, got = {};
  dle.SetClipper(set);
  dle.GetClipper(got);
  EXPECT_EQ(got.left, 1);
  EXPECT_EQ(got.bottom, 6);
  EXPECT_EQ(PlainBlock(&dle), nullptr);
  EXPECT_EQ(PlainBlock(&dle, BlockUse::kClip), dle.GetBitmap());
}

}  // namespace
}  // namespace tessera::test
