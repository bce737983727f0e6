// CMapGoods: a map object made from one goods record (GOODSTABLE): an item,
// a piece of furniture, any still or animated thing lying on the map.
//
// QMap::LoadGoods makes one per record of the map.  Made by hand:
//   stGoodsInfo g;  ... fill ...
//   CMapGoods* goods = new CMapGoods;
//   goods->Init(g.nID, g.szName, map, &g);   // area, frames, standing cell
//   map->AddObject(goods);
#ifndef TESSERA_GUI_MAP_MAP_GOODS_H
#define TESSERA_GUI_MAP_MAP_GOODS_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/map/map_object.h"

struct stGoodsInfo;

// The record's nType.  Type 1 goods are drawn only while they overlap the
// player; other values are the game's.
enum enGoodsType : int32_t {
  GT_NORMAL = 0,
  GT_NEAR_PLAYER = 1,
};

class CMapGoods : public CMapObject {
 public:
  CMapGoods();
  ~CMapGoods() override;

  // CMapObject::Init(id, name, map, null), then SetInfo with `info` (an
  // stGoodsInfo) when given.  True.
  bool Init(long id, const char* name, QMap* map, void* info) override;
  // Takes the record: the picture's cell (nTrueX, nTrueY), the standing
  // cell (nDrawX, nDrawY), the size in cells, the frames (played in a loop
  // every 100 ms), then MoveTo the standing cell.
  void SetInfo(stGoodsInfo* info);
  enGoodsType GetGoodsType() { return m_nGoodsType; }

  enGoodsType m_nGoodsType;
};

#pragma GCC visibility pop
#endif
