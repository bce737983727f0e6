// Surfaces used as the wrong kind: every entry point that draws into a
// destination or touches a clip rectangle takes the block through one
// accessor, so a run-length destination is an unsupported operation (the
// engine's fatal "doesn't support" report, nothing written) and a null or
// uninitialised one is refused quietly, the same way everywhere.
#include <gtest/gtest.h>

#include "engine/alpha_surface.h"
#include "engine/dib_surface.h"
#include "engine/dle_surface.h"
#include "engine/packed_stream.h"
#include "engine/rle_mask_surface.h"
#include "engine/rle_surface.h"
#include "sprite_images.h"
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

TEST_F(SurfaceKindGuardTest, ClipRectanglesOfRunLengthSurfacesAreUnsupported) {
  tagRECT r = {1, 1, 4, 4};
  EXPECT_EXIT(rle_->SetClipper(r), ::testing::ExitedWithCode(0), kUnsupported);
  EXPECT_EXIT(rle_->GetClipper(r), ::testing::ExitedWithCode(0), kUnsupported);
  RLEMASKSURFACE mask(8, 8);
  ASSERT_EQ(mask.Initialize(src_.get()), 1);
  EXPECT_EXIT(mask.SetClipper(r), ::testing::ExitedWithCode(0), kUnsupported);
}

TEST_F(SurfaceKindGuardTest, BlitsOntoRunLengthSurfacesAreUnsupported) {
  DRAW_FX trans;
  trans.kind = FX_TRANS;
  trans.level = 16;
  DRAW_FX mirror;
  mirror.kind = FX_MIRROR;
  DRAW_FX rotate;
  rotate.kind = FX_ROTATE;
  rotate.angle = 0.5f;
  EXPECT_EXIT(src_->Blit(rle_.get(), 0, 0), ::testing::ExitedWithCode(0), kUnsupported);
  EXPECT_EXIT(src_->Blit(rle_.get(), 0, 0, 0, 0, 4, 4), ::testing::ExitedWithCode(0), kUnsupported);
  EXPECT_EXIT(src_->Blit(rle_.get(), 0, 0, trans), ::testing::ExitedWithCode(0), kUnsupported);
  EXPECT_EXIT(src_->Blit(rle_.get(), 0, 0, mirror), ::testing::ExitedWithCode(0), kUnsupported);
  EXPECT_EXIT(src_->Blit(rle_.get(), 0, 0, rotate), ::testing::ExitedWithCode(0), kUnsupported);
  RLESURFACE other(8, 8);
  ASSERT_EQ(other.Initialize(src_.get()), 1);
  EXPECT_EXIT(other.Blit(rle_.get(), 0, 0), ::testing::ExitedWithCode(0), kUnsupported);
  ALPHASURFACE alpha(8, 8);
  ASSERT_NE(alpha.Initialize(), 0);
  EXPECT_EXIT(alpha.Blit(rle_.get(), 0, 0), ::testing::ExitedWithCode(0), kUnsupported);
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
}

TEST_F(SurfaceKindGuardTest, PackedAlphaSurfacesKeepTheirClipRectangle) {
  DLESURFACE dle(8, 8);
  tagRECT set = {1, 2, 5, 6}, got = {};
  dle.SetClipper(set);
  dle.GetClipper(got);
  EXPECT_EQ(got.left, 1);
  EXPECT_EQ(got.bottom, 6);
  EXPECT_EQ(PlainBlock(&dle), nullptr) << "not a destination for pixels";
  EXPECT_EQ(PlainBlock(&dle, BlockUse::kClip), dle.GetBitmap());
  EXPECT_EXIT(src_->Blit(&dle, 0, 0), ::testing::ExitedWithCode(0), kUnsupported);
}

}  // namespace
}  // namespace tessera::test
