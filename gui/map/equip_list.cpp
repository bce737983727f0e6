#include "gui/map/equip_list.h"

#include <algorithm>

#include "gui/map/equip_composite.h"
#include "gui/map/map_player.h"
#include "gui/map/player_equip.h"

CEquipList::~CEquipList() { DelAll(); }

long CEquipList::OwnerRole() { return m_pPlayer ? m_pPlayer->GetRoleType() : 0; }

bool CEquipList::AddEquip(CPlayerEquip* layer) {
  if (!layer || layer->GetRole() != OwnerRole()) return false;
  if (std::find(m_EquipList.begin(), m_EquipList.end(), layer) != m_EquipList.end()) return true;
  m_EquipList.push_back(layer);
  return true;
}

bool CEquipList::DelEquip(long part) {
  const long role = OwnerRole();
  for (auto it = m_EquipList.begin(); it != m_EquipList.end(); ++it)
    if ((*it)->GetRole() == role && (*it)->GetPart() == part) {
      delete *it;
      m_EquipList.erase(it);
      return true;
    }
  return false;
}

void CEquipList::DelAll() {
  for (CPlayerEquip* layer : m_EquipList) delete layer;
  m_EquipList.clear();
}

CPlayerEquip* CEquipList::GetEquip(long part) {
  for (CPlayerEquip* layer : m_EquipList)
    if (layer->GetPart() == part) return layer;
  return nullptr;
}

void CEquipList::SortEquip(long* const order) {
  if (!order) return;
  // Called for every character every frame: the new order is worked out
  // in place and the list's own nodes are moved, nothing is allocated.
  CPlayerEquip* sorted[6];
  size_t count = 0;
  for (int i = 0; i < 6; ++i) {
    CPlayerEquip* layer = GetEquip(order[i]);
    // A part named twice must not put one layer in twice (and drop
    // another): the new order has to be a true reordering.
    if (layer && std::find(sorted, sorted + count, layer) == sorted + count)
      sorted[count++] = layer;
  }
  if (count != m_EquipList.size()) return;
  if (std::equal(sorted, sorted + count, m_EquipList.begin())) return;
  for (size_t i = 0; i < count; ++i)
    m_EquipList.splice(m_EquipList.end(), m_EquipList,
                       std::find(m_EquipList.begin(), m_EquipList.end(), sorted[i]));
}

void CEquipList::Show(SURFACE* target, long x, long y, long state, long direction, long frame,
                      bool flag, bool bright) {
  // The layers' composed picture gives the same pixels at a fraction of
  // the blits; lists it cannot stand in for are drawn layer by layer.
  if (tessera::ShowComposedEquip(m_EquipList, target, x, y, state, direction, frame, bright))
    return;
  for (CPlayerEquip* layer : m_EquipList)
    layer->Show(target, x, y, state, direction, frame, flag, bright);
}
