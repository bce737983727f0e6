// The goods placed on maps, GOODSTABLE: items, furniture and any other
// still or animated thing lying on a map (gui/map/map_goods.h).
//
//   CGoodsDataBase goods("game\\game.mdb");
//   long n = goods.GetGoodsNumInMap(mapId);
//   std::vector<stGoodsInfo> all(n);
//   goods.GetGoodsInMap(mapId, all.data());
#ifndef TESSERA_DATABASE_GOODS_DATABASE_H
#define TESSERA_DATABASE_GOODS_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

class CDataBase;

// One GOODSTABLE row.  Zero-filled when constructed.  Sizes and positions
// are in map cells (see CMapGoods::SetInfo).
struct stGoodsInfo {
  int32_t nID = 0;  // assigned by the database
  int32_t nMapID = 0;
  char szName[32] = {};
  char szExplain[100] = {};
  int32_t nWidth = 0;
  int32_t nHeight = 0;
  int32_t nDrawX = 0;  // the standing cell
  int32_t nDrawY = 0;
  int32_t nTrueX = 0;  // the cell of the picture's top-left corner
  int32_t nTrueY = 0;
  char szPicInfo[32] = {};  // base identifier of the frames
  char szShadowInfo[32] = {};
  int32_t nPicNum = 0;    // number of frames
  int32_t nType = 0;      // 1: drawn only while it overlaps the player
  int32_t nUseAlpha = 0;  // 0 plain frames, 1 layered images, 2 double alpha
};

class CGoodsDataBase {
 public:
  explicit CGoodsDataBase(const char* path);
  virtual ~CGoodsDataBase();

  // nID is taken from `id`.
  bool GetGoodsInfo(int id, stGoodsInfo& info);
  // Updates every column but ID and SHADOWINFO of row `id`.
  bool SetGoodsInfo(int id, const stGoodsInfo& info);
  // Inserts, or updates the first goods of the same name on the same map
  // (the update's result).
  bool AddGoods(const stGoodsInfo& info);
  bool DelGoods(int id);
  // Every row of that name, on every map.
  bool DelGoods(const char* name);
  bool DelAllGoods();
  // Number of goods on the map; 0 when the query cannot run.
  long GetGoodsNumInMap(int mapId);
  // Every goods row of the map into out[0..]; `out` must hold as many
  // records as GetGoodsNumInMap gave just before.  False for a map without
  // goods; a query that cannot run shows "这个地图没有物体".
  bool GetGoodsInMap(int mapId, stGoodsInfo* out);
  bool DelGoodsInMap(int mapId);

  CDataBase* m_pDataBase;
  char m_szSQL[512];

 private:
  // GetGoodsInMap fills no more records than this many rows: the count of
  // the latest GetGoodsNumInMap of the same map, so a row added between
  // the two calls cannot write past the caller's array.
  int m_nLastMap = 0;
  long m_nLastCount = -1;
};

#pragma GCC visibility pop
#endif
