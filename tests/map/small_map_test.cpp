// The mini-map: the view frame's place, disc sizes, translucent drawing,
// clicks that move the main view, marks and bad pictures.
#include "gui/map/small_map.h"

#include <gtest/gtest.h>

#include <set>

#include "gui/chain_manager.h"
#include "gui/map/map_object.h"
#include "input/mouse.h"
#include "map/walker_fixture.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::MakeDib;
using tessera::test::WalkerTest;

constexpr uint16_t kPicture = 0x0C63;
constexpr uint16_t kWhite = 0x7FFF;

class SmallMapTest : public WalkerTest {
 protected:
  void SetUp() override {
    WalkerTest::SetUp();
    AfxCreateMouse();
    // The reduced map: one colour, its top-left 4 x 4 corner keyed.
    auto pic = MakeDib(200, 150, kPicture);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) pic->SetPixel(x, y, COLOR_KEY);
    AddBatch({{"SmallPic01", tessera::test::PackImage(pic.get())}});
  }
  // 3200 x 2400 under an 800 x 600 view at (600, 600); the mini-map 200 x 150.
  QSmallMap* Big(const tagRECT& where = {0, 0, 200, 150}) {
    QMap* m = MakeMap(100, 75, 32, 800, 600);
    m->EnableAutoScroll(false);
    m->m_nNowLeft = m->m_nNowTop = 600;
    auto* mini = new QSmallMap;
    EXPECT_TRUE(mini->Init(m, "SmallPic01", where));
    return mini;
  }
  CMapObject* At(int x, int y) {
    auto* o = new CMapObject;
    o->Init(9, "mark", last, nullptr);
    o->MoveTo(x, y);
    last->AddObject(o);
    return o;
  }
  std::set<std::pair<int, int>> PixelsOf(SURFACE* s, uint16_t colour) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < s->GetHeight(); ++y)
      for (int x = 0; x < s->GetWidth(); ++x)
        if (s->GetPixel(x, y).GetColor() == colour) out.insert({x, y});
    return out;
  }
};

TEST_F(SmallMapTest, InitLinksTheMapAndTheInterfaceLayer) {
  QSmallMap* mini = Big();
  EXPECT_EQ(last->GetSmallMap(), mini);
  EXPECT_EQ(mini->m_pAreaChain, AfxGetChainManager()->GetChain(CHAIN_TOP));
  ASSERT_NE(mini->GetOverlay(), nullptr);
  CMapObject* o = At(3, 3);
  EXPECT_TRUE(mini->AddDispObject(o, 2, PIXEL(255, 0, 0)));
  EXPECT_FALSE(mini->AddDispObject(o, 5, PIXEL(0, 255, 0)));
  EXPECT_EQ(mini->GetDispList().size(), 1u);
  EXPECT_TRUE(mini->DelDispObject(o));
  EXPECT_FALSE(mini->DelDispObject(o));
  // The map deletes its mini-map (a leak or a double delete shows under
  // the sanitizers).
  map.reset();
}

TEST_F(SmallMapTest, ViewFramePlacement) {
  QSmallMap* mini = Big();
  mini->Show(vm->GetRenderSurface());
  SURFACE* o = mini->GetOverlay();
  // rw = 800 * 200 / 3200 - 3 = 47, rh = 600 * 150 / 2400 - 3 = 34,
  // x0 = 600 * 200 / 3200 + 1 = 38, y0 = 600 * 150 / 2400 + 1 = 38.
  const std::set<std::pair<int, int>> white = PixelsOf(o, kWhite);
  std::set<std::pair<int, int>> want;
  for (int i = 0; i < 47; ++i) want.insert({38 + i, 38}), want.insert({38 + i, 72});
  for (int j = 0; j < 34; ++j) want.insert({38, 38 + j}), want.insert({85, 38 + j});
  EXPECT_EQ(white, want);
  EXPECT_EQ(o->GetPixel(85, 72).GetColor(), kPicture);  // the corner left open
  EXPECT_EQ(o->GetPixel(60, 50).GetColor(), kPicture);
  EXPECT_EQ(o->GetPixel(1, 1).GetColor(), COLOR_KEY);
}

TEST_F(SmallMapTest, DiscsAndTheirCutAtTheMiniMapsEdge) {
  QSmallMap* mini = Big();
  // Standing cell (c, r) lands on (2c, 2r) of the mini-map.  A disc's rows
  // and columns run from the centre - r up to, not including, the centre +
  // r: radius 2 is the 3 x 3 square and one more pixel left and up.
  mini->AddDispObject(At(10, 50), 2, PIXEL(0x7C00));
  mini->AddDispObject(At(30, 50), 0, PIXEL(0x001F));  // radius 0: nothing
  mini->Show(vm->GetRenderSurface());
  std::set<std::pair<int, int>> want = {{18, 100}, {20, 98}};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) want.insert({20 + dx, 100 + dy});
  EXPECT_EQ(PixelsOf(mini->GetOverlay(), 0x7C00), want);
  EXPECT_TRUE(PixelsOf(mini->GetOverlay(), 0x001F).empty());
  // A disc at the mini-map's edge is cut there.
  mini->DelAllObject();
  mini->AddDispObject(At(0, 0), 4, PIXEL(0x4210));
  mini->Show(vm->GetRenderSurface());
  EXPECT_EQ(PixelsOf(mini->GetOverlay(), 0x4210).size(), 15u);  // the quarter with x, y >= 0
}

TEST_F(SmallMapTest, ClickCentresTheMainView) {
  QSmallMap* mini = Big({600, 0, 800, 150});
  last->EnableAutoScroll(true);
  AfxGetMouse()->SetMousePos(700, 75);
  mini->m_pfnClick(mini);
  EXPECT_EQ(std::make_pair(last->GetNowLeft(), last->GetNowTop()),
            std::make_pair(1600 - 400, 1200 - 300));
  EXPECT_FALSE(last->m_bAutoScroll);
}

TEST_F(SmallMapTest, DrawnTranslucently) {
  QMap* m = MakeMap(10, 10, 32, 320, 240);
  auto* mini = new QSmallMap;
  ASSERT_TRUE(mini->Init(m, "SmallPic01", {10, 10, 50, 40}));
  auto frame = MakeDib(160, 120, 0x1234);
  mini->Show(frame.get());
  // Level 20 of 32: the destination keeps 32 - 20 parts.  The view frame's
  // left edge is the overlay's column 1.
  EXPECT_EQ(frame->GetPixel(10 + 20, 10 + 10).GetColor(),
            tessera::test::ReferenceTransMix(kPicture, 0x1234, 12));
  EXPECT_EQ(frame->GetPixel(10 + 1, 10 + 10).GetColor(),
            tessera::test::ReferenceTransMix(kWhite, 0x1234, 12));
  for (auto [x, y] : {std::make_pair(10, 10), {9, 9}, {50, 20}})  // keyed corner, outside
    EXPECT_EQ(frame->GetPixel(x, y).GetColor(), 0x1234) << x << "," << y;
}

TEST_F(SmallMapTest, AMissingPictureDrawsNothing) {
  QMap* m = MakeMap(10, 10);
  auto* mini = new QSmallMap;
  EXPECT_FALSE(mini->Init(m, "NoPicture1", {0, 0, 40, 30}));
  EXPECT_EQ(m->GetSmallMap(), mini);
  auto frame = MakeDib(160, 120, 0x1234);
  mini->Show(frame.get());
  for (uint16_t p : tessera::test::Pixels(frame.get())) ASSERT_EQ(p, 0x1234);
  // Without a map size there is nothing to scale: the picture alone.
  auto* flat = new QSmallMap;
  QMap empty(tagRECT{0, 0, 100, 100});
  ASSERT_TRUE(flat->Init(&empty, "SmallPic01", {0, 0, 40, 30}));
  flat->AddDispObject(At(1, 1), 3, PIXEL(0x7C00));
  flat->Show(frame.get());
  EXPECT_TRUE(PixelsOf(flat->GetOverlay(), 0x7C00).empty());
  EXPECT_TRUE(PixelsOf(flat->GetOverlay(), kWhite).empty());
}

}  // namespace
