// CEquipList: a walking character's equipment layers, in drawing order.
//
// The list owns its layers and draws them first to last, so a later layer
// lies on top.  A character reorders the list for each direction it faces
// (SortEquip), so that for instance a weapon held in the right hand is
// drawn behind the body when the character faces left.  Layers must be of
// the owner's role type (a list without an owner takes role type 0, as a
// new character has).
#ifndef TESSERA_GUI_MAP_EQUIP_LIST_H
#define TESSERA_GUI_MAP_EQUIP_LIST_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <list>

class CMapPlayer;
class CPlayerEquip;
class SURFACE;

class CEquipList {
 public:
  CEquipList() = default;
  // Deletes every layer.
  virtual ~CEquipList();

  CEquipList(const CEquipList&) = delete;
  CEquipList& operator=(const CEquipList&) = delete;

  void SetPlayer(CMapPlayer* player) { m_pPlayer = player; }
  CMapPlayer* GetPlayer() { return m_pPlayer; }
  std::list<CPlayerEquip*>& GetEquipList() { return m_EquipList; }

  // False for a layer of another role than the owner's (the caller keeps
  // it); true without adding for a layer already in the list; otherwise
  // appends it (the list owns it from then on) and returns true.
  bool AddEquip(CPlayerEquip* layer);
  // Deletes and removes the first layer of the owner's role with that part;
  // false when there is none.
  bool DelEquip(long part);
  // Deletes every layer.
  void DelAll();
  // The first layer with that part, or null.
  CPlayerEquip* GetEquip(long part);
  // `order` holds six part numbers.  When every layer is named there, the
  // list takes that order; otherwise it stays as it was.
  void SortEquip(long* const order);
  // Each layer's Show with the same arguments, first to last.
  virtual void Show(SURFACE* target, long x, long y, long state, long direction, long frame,
                    bool flag, bool bright);

 protected:
  long OwnerRole();

  CMapPlayer* m_pPlayer = nullptr;  // not owned
  std::list<CPlayerEquip*> m_EquipList;
};

#pragma GCC visibility pop
#endif
