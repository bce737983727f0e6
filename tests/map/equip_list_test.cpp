// A character's layer list: the role rule, removal by part, reordering.
// (Drawing first to last is checked through the character, map_player_test.)
#include "gui/map/equip_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "gui/map/map_player.h"
#include "gui/map/player_equip.h"
#include "map/equip_pictures.h"

namespace {

class EquipListTest : public tessera::test::EquipPackTest {
 protected:
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
};

TEST_F(EquipListTest, LayersMustBeOfTheOwnersRole) {
  CMapPlayer owner;
  owner.SetRoleType(3);
  CEquipList& list = owner.GetEquipList();
  CPlayerEquip* other = Layer(0, 1);
  EXPECT_FALSE(list.AddEquip(other));
  delete other;  // refused layers stay the caller's
  CPlayerEquip* mine = Layer(3, 1);
  EXPECT_TRUE(list.AddEquip(mine));
  EXPECT_TRUE(list.AddEquip(mine));  // already there: not twice
  EXPECT_EQ(list.GetEquipList().size(), 1u);
  EXPECT_EQ(list.GetEquip(1), mine);
  EXPECT_EQ(list.GetEquip(2), nullptr);
  EXPECT_FALSE(list.DelEquip(2));
  EXPECT_TRUE(list.DelEquip(1));
  EXPECT_TRUE(list.GetEquipList().empty());
  // A list without an owner takes role 0.
  CEquipList free;
  CPlayerEquip* zero = Layer(0, 4);
  EXPECT_TRUE(free.AddEquip(zero));
  EXPECT_FALSE(free.AddEquip(nullptr));
}

TEST_F(EquipListTest, SortEquipReordersOnlyWhenEveryLayerIsNamed) {
  CEquipList list;
  for (long part : {0, 1, 2}) list.AddEquip(Layer(0, part));
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
