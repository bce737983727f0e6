// The surface cache: sharing by name, counting, release, name limits.
#include <string>
#include <vector>

#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "public/engine.h"
#include "support/test_support.h"

namespace {

using tessera::test::EngineTest;
using tessera::test::TempDir;
using tessera::test::WriteFile;

// A 2 x 1 bitmap whose first pixel has the given blue byte.
std::string SmallBitmap(uint8_t blue) { return tessera::test::Bitmap24(2, 1, {blue, 0}); }

class SurfaceCacheTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(AfxCreateViewManager(32, 32, nullptr), 1);
    vm = AfxGetViewManager();
    path = dir.File("a.bmp");
    WriteFile(path, SmallBitmap(0xF8));
  }
  SURFACE* Request(const std::string& name, SURFACE_STYLE style = SS_DIB) {
    std::string copy = name;
    return vm->CreateSurface(copy.data(), style, true, true);
  }
  CVIEWMANAGE* vm = nullptr;
  TempDir dir;
  std::string path;
};

TEST_F(SurfaceCacheTest, SameNameSharesOneSurfaceUntilTheLastRelease) {
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  SURFACE* a = Request(path);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetPixel(0, 0).GetColor(), 0x001F);
  EXPECT_EQ(Request(path), a);
  EXPECT_EQ(tessera::CachedCount(cache, path.c_str()), 2);
  EXPECT_TRUE(cache.IsHaveSurface(a));
  EXPECT_FALSE(vm->DeleteSurface(a));  // count 2 -> 1, kept
  EXPECT_EQ(tessera::CachedCount(cache, path.c_str()), 1);
  EXPECT_TRUE(vm->DeleteSurface(a));  // destroyed
  EXPECT_EQ(tessera::CachedNames(cache), 0u);
  EXPECT_FALSE(cache.IsHaveSurface(a));
  // By name: the same counting; unknown and empty names release nothing.
  Request(path);
  Request(path);
  EXPECT_EQ((std::vector<bool>{cache.DeleteSurface(path.c_str()), cache.DeleteSurface(path.c_str()),
                               cache.DeleteSurface(path.c_str()), cache.DeleteSurface(""),
                               cache.DeleteSurface(static_cast<const char*>(nullptr))}),
            (std::vector<bool>{false, true, false, false, false}));
}

TEST_F(SurfaceCacheTest, ASecondStyleGetsTheFirstSurface) {
  SURFACE* a = Request(path, SS_DIB);
  EXPECT_EQ(Request(path, SS_RLE), a);
  EXPECT_EQ(a->GetStyle(), SS_DIB);
}

TEST_F(SurfaceCacheTest, FailedLoadsLeaveNoRecord) {
  const std::string bad = dir.File("bad.bmp");
  WriteFile(bad, "BX not a bitmap at all, long enough for a header");
  EXPECT_EQ(Request(bad), nullptr);
  EXPECT_EQ(tessera::CachedNames(tessera::GetSurfaceManager()), 0u);
  WriteFile(bad, SmallBitmap(0));
  EXPECT_NE(Request(bad), nullptr);  // tried again
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), bad.c_str()), 1);
}

TEST_F(SurfaceCacheTest, SurfacesNotInTheCache) {
  SURFACE* own = vm->CreateSurface(4, 4, SS_DIB);
  EXPECT_FALSE(tessera::GetSurfaceManager().DeleteSurface(own));
  EXPECT_TRUE(vm->DeleteSurface(own));  // destroyed directly
  EXPECT_FALSE(tessera::GetSurfaceManager().DeleteSurface(static_cast<SURFACE*>(nullptr)));
  AfxDeleteViewManager();  // no display manager: nothing loads
  EXPECT_EQ(tessera::GetSurfaceManager().CreateSurface(path.c_str(), SS_DIB, true), nullptr);
}

TEST_F(SurfaceCacheTest, NamesUpTo128Characters) {
  // A path of exactly 128 characters, and one of 129.
  std::string exact = dir.path() + "/";
  exact += std::string(128 - exact.size() - 4, 'n') + ".bmp";
  ASSERT_EQ(exact.size(), 128u);
  WriteFile(exact, SmallBitmap(1));
  EXPECT_NE(Request(exact), nullptr);
  EXPECT_EQ(tessera::CachedCount(tessera::GetSurfaceManager(), exact.c_str()), 1);
  std::string longer = dir.path() + "/" + std::string(128 - dir.path().size() - 4, 'n') + ".bmp";
  ASSERT_EQ(longer.size(), 129u);
  WriteFile(longer, SmallBitmap(1));
  EXPECT_EQ(Request(longer), nullptr);
  EXPECT_EQ(Request(""), nullptr);
  EXPECT_EQ(tessera::CachedNames(tessera::GetSurfaceManager()), 1u);
}

TEST_F(SurfaceCacheTest, DestroyingTheCacheDestroysEverySurface) {
  // A cache of its own: requests go through the display manager as well.
  auto* cache = new CSurfaceManager;
  SURFACE* a = cache->CreateSurface(path.c_str(), SS_DIB, true);
  cache->CreateSurface(path.c_str(), SS_DIB, true);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(tessera::CachedCount(*cache, path.c_str()), 2);
  delete cache;  // frees the surface whatever its count (checked by the sanitizer build)
}

}  // namespace
