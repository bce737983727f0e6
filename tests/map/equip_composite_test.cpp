// The composed equipment picture against the layers drawn one by one:
// random pictures (opaque, clear and graded stretches, sizes that differ
// from layer to layer, segments cut at the picture's width), tints and the
// bright form, positions hanging over every edge of the target's clip, and
// pictures changed between frames.
#include "gui/map/equip_composite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/dle_surface.h"
#include "gui/map/equip_list.h"
#include "gui/map/player_equip.h"
#include "support/surface_helpers.h"

namespace tessera::test {
namespace {

// Pictures for one direction and frame of state 0, owned by the test (the
// layers only point at them, as they point at the pool's).
struct Layers {
  std::vector<std::unique_ptr<DLESURFACE>> pictures;
  std::vector<SURFACE**> slots;
  std::vector<SURFACE***> arrays;
  CEquipList list;

  ~Layers() {
    list.DelAll();
    for (SURFACE** s : slots) delete[] s;
    for (SURFACE*** a : arrays) delete[] a;
  }
  SURFACE*** Array(SURFACE* s) {
    auto** frames = new SURFACE* [1] { s };
    slots.push_back(frames);
    auto*** a = new SURFACE**[8];
    for (int d = 0; d < 8; ++d) a[d] = frames;
    arrays.push_back(a);
    return a;
  }
};

std::unique_ptr<DLESURFACE> RandomPicture(TestRandom& rnd) {
  const int w = rnd.Range(1, 40), h = rnd.Range(1, 30);
  std::vector<uint16_t> c(static_cast<size_t>(w) * h);
  std::vector<uint8_t> t(c.size());
  for (size_t i = 0; i < c.size();) {
    const int mode = rnd.Range(0, 3), len = rnd.Range(1, 20);
    for (int k = 0; k < len && i < c.size(); ++k, ++i) {
      c[i] = static_cast<uint16_t>(rnd.Next());
      t[i] = mode == 0 ? 0 : mode == 1 ? 32 : static_cast<uint8_t>(rnd.Range(1, 31));
    }
  }
  const auto bytes = EncodeDleImage(w, h, c.data(), t.data());
  // Now and then a picture narrower than its segments: the blit cuts them.
  const int declared = rnd.Range(0, 4) == 0 ? std::max(1, w - rnd.Range(1, 5)) : w;
  std::vector<uint8_t> image = bytes;
  image[0] = static_cast<uint8_t>(declared);
  image[1] = static_cast<uint8_t>(declared >> 8);
  return std::unique_ptr<DLESURFACE>(LoadDleSurface(image.data(), image.size()));
}

void Build(Layers& l, TestRandom& rnd, int count) {
  for (int i = 0; i < count; ++i) {
    auto* layer = new CPlayerEquip;
    layer->m_nPart = i;
    auto pic = RandomPicture(rnd);
    layer->m_pSurface[0] = l.Array(pic.get());
    l.pictures.push_back(std::move(pic));
    if (rnd.Range(0, 2) > 0) {
      auto tint = RandomPicture(rnd);
      layer->m_pAlphaSurface[0] = l.Array(tint.get());
      l.pictures.push_back(std::move(tint));
      layer->SetCurColor(PIXEL(static_cast<uint16_t>(rnd.Next() | 1)));
    }
    layer->m_nFrameNum[0] = 1;
    ASSERT_TRUE(l.list.AddEquip(layer));
  }
}

// The reference: every layer's own Show, one after another.
void ShowLayerByLayer(Layers& l, SURFACE* target, int x, int y, int direction, bool bright) {
  for (CPlayerEquip* layer : l.list.GetEquipList())
    layer->Show(target, x, y, 0, direction, 0, false, bright);
}

TEST(EquipComposite, SamePixelsAsTheLayersOneByOne) {
  TestRandom rnd(41);
  ClearComposedEquipCache();
  for (int round = 0; round < 150; ++round) {
    Layers l;
    Build(l, rnd, rnd.Range(1, 6));
    auto fast = RandomTarget(rnd, 70, 50);
    auto slow = CopyOf(fast.get());
    for (int frame = 0; frame < 3; ++frame) {
      const int x = rnd.Range(-40, fast->GetWidth()), y = rnd.Range(-30, fast->GetHeight());
      const bool bright = rnd.Range(0, 3) == 0;
      l.list.Show(fast.get(), x, y, 0, 2, 0, false, bright);
      ShowLayerByLayer(l, slow.get(), x, y, 2, bright);
      ASSERT_EQ(Pixels(fast.get()), Pixels(slow.get())) << "round " << round << " frame " << frame;
      // Wholly inside the target: the path that gathers every rim pixel.
      auto big = MakeDib(100, 80, 0);
      FillRandom(big.get(), rnd, 30);
      auto big_slow = CopyOf(big.get());
      const int bx = rnd.Range(0, 55), by = rnd.Range(0, 45);
      l.list.Show(big.get(), bx, by, 0, 2, 0, false, bright);
      ShowLayerByLayer(l, big_slow.get(), bx, by, 2, bright);
      ASSERT_EQ(Pixels(big.get()), Pixels(big_slow.get()))
          << "round " << round << " frame " << frame;
      // A picture changed between frames draws as changed.
      DLESURFACE* p = l.pictures[rnd.Range(0, static_cast<int>(l.pictures.size()) - 1)].get();
      const int px = rnd.Range(0, p->GetWidth() - 1), py = rnd.Range(0, p->GetHeight() - 1);
      if (frame == 0) p->PutAlphaPixel(px, py, static_cast<unsigned char>(rnd.Range(0, 32)));
      if (frame == 1) p->SetPixel(px, py, PIXEL(static_cast<uint16_t>(rnd.Next())));
    }
  }
  EXPECT_GT(ComposedEquipCacheSize(), 0u);
}

TEST(EquipComposite, TintPicturesTakeTheirColourAsWhenDrawnOneByOne) {
  TestRandom rnd(42);
  Layers l;
  Build(l, rnd, 6);
  auto target = MakeDib(60, 40, 0x1234);
  ASSERT_TRUE(ShowComposedEquip(l.list.GetEquipList(), target.get(), 3, 4, 0, 5, 0, true));
  for (CPlayerEquip* layer : l.list.GetEquipList()) {
    if (!layer->m_pAlphaSurface[0]) continue;
    auto* tint = static_cast<DLESURFACE*>(layer->m_pAlphaSurface[0][5][0]);
    const PIXEL want = BrightTint(layer->GetCurColor());
    for (int y = 0; y < tint->GetHeight(); ++y)
      for (int x = 0; x < tint->GetWidth(); ++x)
        if (tint->GetAlphaPixel(x, y) < 32) {
          ASSERT_EQ(tint->GetPixel(x, y), want);
        }
  }
}

TEST(EquipComposite, LeavesListsItCannotStandInForToTheLayers) {
  struct OwnLayer : CPlayerEquip {};
  TestRandom rnd(43);
  Layers l;
  Build(l, rnd, 2);
  auto* own = new OwnLayer;
  own->m_nPart = 9;
  ASSERT_TRUE(l.list.AddEquip(own));
  auto target = MakeDib(30, 30, 0);
  const auto before = Pixels(target.get());
  EXPECT_FALSE(ShowComposedEquip(l.list.GetEquipList(), target.get(), 0, 0, 0, 0, 0, false));
  EXPECT_EQ(Pixels(target.get()), before);  // nothing drawn: the caller draws layer by layer
  // No target: nothing to draw, and nothing filled.
  EXPECT_TRUE(ShowComposedEquip(l.list.GetEquipList(), nullptr, 0, 0, 0, 0, 0, false));
}

}  // namespace
}  // namespace tessera::test
