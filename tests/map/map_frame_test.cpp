// A whole map frame -- background part and many overlapping keyed figures,
// some across the view's edges, on targets with and without a clip
// rectangle -- against the per-pixel rule worked out here: copy the
// background part, then each object in drawing order, every pixel without
// the transparency mark (bit 15).  With the 512-bit paths on and off, since
// the sprites draw plain frames by their opaque runs on one and by the
// keyed blit on the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/alpha_surface.h"
#include "engine/cpu_features.h"
#include "gui/map/map.h"
#include "gui/map/opaque_runs.h"
#include "map/map_fixture.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::MakeDib;
using tessera::test::MapTest;
using tessera::test::Pixels;
using tessera::test::TestRandom;

constexpr int kMapW = 1024, kMapH = 768, kUnit = 32;

// A frame with transparent and opaque stretches of every length; marked
// pixels are the key colour or any other value with bit 15 set (bit 15
// alone makes them transparent).
std::unique_ptr<DIBSURFACE> RandomFrame(TestRandom& rng, int max_w, int max_h) {
  const int w = rng.Range(1, max_w), h = rng.Range(1, max_h);
  auto s = MakeDib(w, h);
  for (int y = 0; y < h; ++y) {
    bool keyed = rng.Range(0, 1) == 1;
    for (int x = 0; x < w; ++x) {
      if (rng.Range(0, 6) == 0) keyed = !keyed;
      const auto v = static_cast<uint16_t>(rng.Next() & 0x7FFF);
      s->SetPixel(x, y,
                  keyed ? (rng.Range(0, 1) ? COLOR_KEY : static_cast<uint16_t>(v | 0x8000)) : v);
    }
  }
  return s;
}

// Bit for bit the keyed blit, on this machine's widest path (the map
// frame below draws by runs only where that is the narrow one).
TEST(OpaqueRunsTest, DrawMatchesTheKeyedBlitAtEveryPlaceAndClip) {
  TestRandom rng(16);
  for (int round = 0; round < 300; ++round) {
    auto frame = RandomFrame(rng, 70, 40);
    const int w = frame->GetWidth(), h = frame->GetHeight();
    tessera::OpaqueRuns runs;
    ASSERT_TRUE(runs.Build(frame.get()));
    ASSERT_TRUE(runs.Describes(frame.get()));
    auto a = MakeDib(64, 48, 0x1111), b = MakeDib(64, 48, 0x1111);
    if (rng.Range(0, 2) == 0) {
      const tagRECT clip = {rng.Range(0, 20), rng.Range(0, 15), rng.Range(30, 64),
                            rng.Range(20, 48)};
      a->SetClipper(clip);
      b->SetClipper(clip);
    }
    const int x = rng.Range(-w - 2, 66), y = rng.Range(-h - 2, 50);
    frame->Blit(a.get(), x, y);
    runs.Draw(b.get(), x, y);
    ASSERT_EQ(Pixels(a.get()), Pixels(b.get())) << "round " << round << " at " << x << "," << y;
  }
}

TEST(OpaqueRunsTest, OnlyPlainPicturesAndOnlyAsTheyWere) {
  auto frame = MakeDib(8, 8, 0x1234);
  tessera::OpaqueRuns runs;
  ASSERT_TRUE(runs.Build(frame.get()));
  // Another pixel block behind the same surface: the runs no longer
  // describe it.
  auto other = MakeDib(8, 8, 0x4321);
  void* old = frame->GetBitmap();
  frame->SetData(other->GetBitmap());
  EXPECT_FALSE(runs.Describes(frame.get()));
  frame->SetData(old);
  EXPECT_TRUE(runs.Describes(frame.get()));
  EXPECT_FALSE(runs.Describes(other.get()));
  ALPHASURFACE alpha(8, 8);
  alpha.Initialize();
  EXPECT_FALSE(runs.Build(&alpha));
  EXPECT_FALSE(runs.Describes(&alpha));
}

struct Drawn {
  std::vector<uint16_t> pixels;
  std::vector<uint16_t> reference;
};

// One random scene drawn by Show and by the rule.  Every fourth seed a map
// smaller than the view: drawn centred, the frame around it untouched (no
// read before the background's start).
Drawn DrawScene(CVIEWMANAGE* vm, uint64_t seed, bool wide) {
  tessera::ForceNoAvx2ForTests(!wide);
  TestRandom rng(seed);
  const int mapW = seed % 4 ? kMapW : 640, mapH = seed % 4 ? kMapH : 480;
  QMap map;
  map.m_nMapWidth = mapW;
  map.m_nMapHeight = mapH;
  map.m_nUnitSize = kUnit;
  map.m_pBackGround = vm->CreateSurface(mapW, mapH, SS_DIB);
  for (int y = 0; y < mapH; ++y)
    for (int x = 0; x < mapW; ++x)  // the part copy takes marked pixels too
      map.m_pBackGround->SetPixel(x, y, static_cast<uint16_t>(rng.Next()));
  map.MoveScreen(rng.Range(0, mapW), rng.Range(0, mapH));
  const int n = rng.Range(2, 60);
  for (int i = 0; i < n; ++i) {
    CMapObject* o = new CMapObject;
    o->Init(i, "figure", &map, nullptr);
    SURFACE* frame = RandomFrame(rng, 90, 70).release();
    // Areas larger and smaller than the frame; draw cells up to 3 above.
    o->m_rcArea = {0, 0, frame->GetWidth() + rng.Range(-1, 1), frame->GetHeight()};
    o->SetDrawPoint({o->GetNowPoint().x - rng.Range(0, 1), o->GetNowPoint().y - rng.Range(0, 3)});
    // Cells around the view, many across its edges.
    const int left = map.GetNowLeft() / kUnit, top = map.GetNowTop() / kUnit;
    o->MoveTo(left + rng.Range(-3, 26), top + rng.Range(-3, 21));
    o->m_pSprite = new CMapSprite;
    o->m_pSprite->InitSurface(&frame, 1);
    if (rng.Range(0, 9) == 0) o->SetState(MOS_HIDE);
    map.AddObject(o);
  }
  auto target = tessera::test::MakeDib(800, 600, 0x0421);
  tagRECT clip = {0, 0, 800, 600};
  if (rng.Range(0, 1)) {
    clip = {rng.Range(0, 300), rng.Range(0, 200), rng.Range(400, 800), rng.Range(300, 600)};
    target->SetClipper(clip);
  }
  map.Show(target.get());
  // Show sorts first: the list is left in standing-point order.
  const auto& list = map.GetObjectList();
  EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), [](CMapObject* a, CMapObject* b) {
    const tagPOINT p = a->GetRelativeTruePoint(), q = b->GetRelativeTruePoint();
    return p.y != q.y ? p.y < q.y : p.x < q.x;
  }));
  Drawn out;
  out.pixels = tessera::test::Pixels(target.get());

  // The rule, in the order Show left the list in.
  std::vector<uint16_t>& ref = out.reference;
  ref.assign(800 * 600, 0x0421);
  auto put = [&](int x, int y, uint16_t v) {
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) ref[y * 800 + x] = v;
  };
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const int mx = x + map.GetNowLeft(), my = y + map.GetNowTop();
      if (mx >= 0 && my >= 0 && mx < mapW && my < mapH)
        put(x, y, map.m_pBackGround->GetPixel(mx, my).GetColor());
    }
  for (CMapObject* o : map.GetObjectList()) {
    if (o->GetState() != MOS_SHOW) continue;
    SURFACE* f = o->GetSprite()->GetCurSurface();
    const tagRECT r = o->GetRelativeArea();
    for (int y = 0; y < f->GetHeight(); ++y)
      for (int x = 0; x < f->GetWidth(); ++x) {
        const uint16_t v = f->GetPixel(x, y).GetColor();
        if (!(v & 0x8000)) put(r.left + x, r.top + y, v);
      }
  }
  tessera::ForceNoAvx2ForTests(false);
  return out;
}

TEST_F(MapTest, AFrameOfOverlappingFiguresIsThePixelRuleOnEveryPath) {
  for (uint64_t seed = 1; seed <= 8; ++seed)
    for (bool wide : {true, false}) {
      const Drawn d = DrawScene(vm, seed, wide);
      const auto bad = std::mismatch(d.pixels.begin(), d.pixels.end(), d.reference.begin());
      ASSERT_TRUE(bad.first == d.pixels.end())
          << "seed " << seed << (wide ? " wide" : " narrow") << ", first wrong pixel at "
          << (bad.first - d.pixels.begin()) % 800 << "," << (bad.first - d.pixels.begin()) / 800;
    }
}

}  // namespace
