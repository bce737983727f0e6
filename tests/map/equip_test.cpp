// Equipment layers, the shared pool, a character's layer list; the composed
// picture against the layers drawn one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/alpha_rows.h"
#include "engine/dle_surface.h"
#include "gui/map/equip_composite.h"
#include "gui/map/equip_list.h"
#include "gui/map/equip_pool.h"
#include "gui/map/map_player.h"
#include "gui/map/player_equip.h"
#include "map/map_fixture.h"
#include "support/surface_helpers.h"

namespace {

using tessera::test::EquipColour;
using tessera::test::EquipPackTest;
using tessera::test::MakeDib;
using tessera::test::Pixels;

TEST(EquipPictureId, DigitsInTheirPlaces) {
  struct Case {
    long d, kind, state, role, part, item, frame;
    const char* id;
  } cases[] = {
      {1, 1, 0, 20, 3, 4, 0, "1102030400"},
      {7, 2, 3, 99, 5, 12, 11, "7239951211"},
  };
  for (const Case& c : cases) {
    char id[16];
    tessera::EquipPictureId(id, c.d, static_cast<int>(c.kind), c.state, c.role, c.part, c.item,
                            c.frame);
    EXPECT_STREQ(id, c.id);
  }
}

using EquipPoolTest = EquipPackTest;

TEST_F(EquipPoolTest, LoadsEveryDirectionAndFrameByItsIdentifier) {
  AddEquip(7, 0, 2, 3);
  ASSERT_TRUE(CEquipPool::CreateEquip(7, 0, 3, 2, 4));
  long frames = -1;
  SURFACE*** pics = CEquipPool::GetSurfaceArray(7, 0, 3, 2, frames);
  ASSERT_NE(pics, nullptr);
  EXPECT_EQ(frames, 4);
  for (int d = 0; d < 8; ++d)
    for (int f = 0; f < 4; ++f) {
      ASSERT_NE(pics[d][f], nullptr);
      EXPECT_EQ(pics[d][f]->GetPixel(3, 3).GetColor(), EquipColour(d, 0, 2, f)) << d << " " << f;
    }
  // Arguments in the order role, state, item, part: swapping item and
  // part names another entry.
  EXPECT_EQ(CEquipPool::GetSurfaceArray(7, 0, 2, 3, frames), nullptr);
  EXPECT_EQ(frames, 0);
}

// The frame count is the shortest direction's, cut to the frames asked
// for; a direction without any picture gives an entry of no frames.
TEST_F(EquipPoolTest, FrameCountIsTheShortestDirectionsCutToTheAsked) {
  const struct {
    std::vector<int> frames;
    long asked, want;
  } cases[] = {{{4, 3, 4, 4, 4, 4, 4, 4}, 4, 3},
               {{4, 4, 4, 4, 4, 4, 4, 0}, 4, 0},
               {{4, 4, 4, 4, 4, 4, 4, 4}, 2, 2}};
  for (long item = 0; item < 3; ++item) {
    SCOPED_TRACE(item);
    AddEquip(1, 0, 0, item, cases[item].frames);
    ASSERT_TRUE(CEquipPool::CreateEquip(1, 0, item, 0, cases[item].asked));
    long frames = -1;
    EXPECT_NE(CEquipPool::GetSurfaceArray(1, 0, item, 0, frames), nullptr);
    EXPECT_EQ(frames, cases[item].want);
  }
}

TEST_F(EquipPoolTest, CharactersShareEntriesAndCountThem) {
  AddEquip(2, 0, 1, 5);
  AddEquip(2, 1, 1, 5);
  auto a = std::make_unique<CPlayerEquip>();
  auto b = std::make_unique<CPlayerEquip>();
  a->Init(2, 5, 1, PIXEL(0));
  b->Init(2, 5, 1, PIXEL(255, 0, 0));
  EXPECT_EQ(CEquipPool::GetEquipList().size(), 2u);  // one per state
  EXPECT_EQ(CEquipPool::GetRefCount(2, 1, 5, 1), 2);
  EXPECT_EQ(a->m_pSurface[0], b->m_pSurface[0]);
  EXPECT_EQ(a->m_pSurface[2], nullptr);
  EXPECT_EQ(a->m_nFrameNum[1], 4);
  // Init again gives the old pictures back before taking new ones.
  a->Init(2, 5, 1, PIXEL(0));
  EXPECT_EQ(CEquipPool::GetRefCount(2, 0, 5, 1), 2);
  a.reset();
  EXPECT_EQ(CEquipPool::GetRefCount(2, 0, 5, 1), 1);
  b.reset();
  EXPECT_EQ(CEquipPool::GetRefCount(2, 0, 5, 1), 0);
  EXPECT_TRUE(CEquipPool::GetEquipList().empty());
  EXPECT_FALSE(CEquipPool::DeleteEquip(2, 0, 5, 1));
}

TEST_F(EquipPoolTest, ReleaseAllEmptiesThePoolUnderLiveLayers) {
  AddEquip(4, 0, 0, 0);
  auto layer = std::make_unique<CPlayerEquip>();
  layer->Init(4, 0, 0, PIXEL(0));
  CEquipPool::CreateEquip(4, 0, 0, 0, 4);
  CEquipPool::ReleaseAll();
  EXPECT_TRUE(CEquipPool::GetEquipList().empty());
  // A new character takes the same pictures afresh; the old layer going
  // must not take them from it.
  CPlayerEquip fresh;
  fresh.Init(4, 0, 0, PIXEL(0));
  EXPECT_EQ(CEquipPool::GetRefCount(4, 0, 0, 0), 1);
  layer.reset();
  EXPECT_EQ(CEquipPool::GetRefCount(4, 0, 0, 0), 1);
  long frames = 0;
  EXPECT_EQ(CEquipPool::GetSurfaceArray(4, 0, 0, 0, frames), fresh.m_pSurface[0]);
}

TEST(EquipBrightTint, WidensThenBrightens) {
  struct Case {
    unsigned r, g, b, rr, gg, bb;
  } cases[] = {
      {10, 31, 0, 20, 31, 10},  // 160, 255, 80 in 8 bits
      {21, 22, 0, 31, 31, 10},  // 168 + 80 = 248; 176 is past 175: 255
      {0, 0, 0, 10, 10, 10},
  };
  for (const Case& c : cases) {
    const PIXEL in(static_cast<unsigned short>(c.r << 10 | c.g << 5 | c.b));
    EXPECT_EQ(tessera::BrightTint(in).GetColor(), c.rr << 10 | c.gg << 5 | c.bb) << c.r;
  }
}

// Untinted: the picture alone; tinted: the tint blended over it with the
// weight the picture's blue gives (part 3: blue 20, weight 12; the tint
// picture's own blue is 31), the bright tint widened first.  Transparent
// pixels stay untouched.
TEST_F(EquipPoolTest, TintIsBlendedOverThePicture) {
  AddEquip(6, 0, 3, 2);
  const PIXEL red(255, 0, 0);
  const uint16_t picture = EquipColour(3, 0, 3, 1);
  const struct {
    PIXEL tint;
    bool bright;
    uint16_t want;
  } cases[] = {
      {PIXEL(0), false, picture},
      {red, false, tessera::AlphaBlendPixel(red.GetColor(), picture, 32 - 20)},
      {red, true, tessera::AlphaBlendPixel(tessera::BrightTint(red).GetColor(), picture, 32 - 20)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tint.GetColor() + c.bright);
    CPlayerEquip layer;
    layer.Init(6, 2, 3, c.tint);
    auto target = MakeDib(20, 20, 0x0421);
    layer.Show(target.get(), 4, 5, 0, 3, 1, false, c.bright);
    EXPECT_EQ(target->GetPixel(4 + 1, 5 + 1).GetColor(), c.want);
    EXPECT_EQ(target->GetPixel(4, 5 + 1).GetColor(), 0x0421);  // transparent column
    EXPECT_EQ(target->GetPixel(4 + 6, 5 + 1).GetColor(), 0x0421);
  }
}

// Out-of-range arguments, states without pictures (2 and 3 here; state 1
// has: the layer's second) and a layer of no pictures at all draw nothing.
TEST_F(EquipPoolTest, OutOfRangeArgumentsAndMissingPicturesDrawNothing) {
  AddEquip(6, 0, 3, 2);
  AddEquip(6, 1, 3, 2);
  CPlayerEquip layer, empty;
  layer.Init(6, 2, 3, PIXEL(0));
  empty.Init(6, 9, 3, PIXEL(0));
  EXPECT_EQ(empty.GetWidth(), 0);
  auto target = MakeDib(20, 20, 0x0421);
  for (long state = 0; state < 4; ++state)
    empty.Show(target.get(), 0, 0, state, 0, 0, false, false);
  struct Case {
    long state, direction, frame;
  } cases[] = {{-1, 0, 0}, {4, 0, 0}, {2, 0, 0}, {0, 8, 0}, {0, -1, 0}, {0, 0, 4}, {0, 0, -1}};
  for (const Case& c : cases)
    layer.Show(target.get(), 2, 2, c.state, c.direction, c.frame, false, false);
  for (uint16_t p : Pixels(target.get())) ASSERT_EQ(p, 0x0421);
}

CPlayerEquip* Layer(long role, long part) {
  auto* e = new CPlayerEquip;
  e->Init(role, 0, part, PIXEL(0));
  return e;
}
std::vector<long> Parts(CEquipList& list) {
  std::vector<long> v;
  for (CPlayerEquip* e : list.GetEquipList()) v.push_back(e->GetPart());
  return v;
}

TEST_F(EquipPoolTest, ListLayersMustBeOfTheOwnersRole) {
  CMapPlayer owner;
  owner.SetRoleType(3);
  CEquipList& list = owner.GetEquipList();
  std::unique_ptr<CPlayerEquip> other(Layer(0, 1));
  EXPECT_FALSE(list.AddEquip(other.get()));  // refused layers stay the caller's
  CPlayerEquip* mine = Layer(3, 1);
  EXPECT_TRUE(list.AddEquip(mine));
  EXPECT_TRUE(list.AddEquip(mine));  // already there: not twice
  EXPECT_EQ(Parts(list), std::vector<long>{1});
  EXPECT_EQ(list.GetEquip(1), mine);
  EXPECT_EQ(list.GetEquip(2), nullptr);
  EXPECT_FALSE(list.DelEquip(2));
  EXPECT_TRUE(list.DelEquip(1));
  EXPECT_TRUE(list.GetEquipList().empty());
}

// (A list without an owner takes role 0.)
TEST_F(EquipPoolTest, SortEquipReordersOnlyWhenEveryLayerIsNamed) {
  CEquipList list;
  for (long part : {0, 1, 2}) ASSERT_TRUE(list.AddEquip(Layer(0, part)));
  EXPECT_FALSE(list.AddEquip(nullptr));
  long order[6] = {2, 0, 1, 7, 8, 9};
  list.SortEquip(order);
  EXPECT_EQ(Parts(list), (std::vector<long>{2, 0, 1}));
  long missing[6] = {2, 0, 7, 8, 9, 10};  // part 1 not named
  list.SortEquip(missing);
  EXPECT_EQ(Parts(list), (std::vector<long>{2, 0, 1}));
  // Two layers of one part: naming the part twice must not put the first
  // in twice and lose the second.
  list.AddEquip(Layer(0, 1));
  long twice[6] = {1, 1, 0, 2, 9, 9};
  list.SortEquip(twice);
  EXPECT_EQ(Parts(list), (std::vector<long>{2, 0, 1, 1}));
}

}  // namespace

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
