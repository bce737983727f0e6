// The maps of a game, MAPTABLE: one row per map with its size, cell size
// and background picture.  The tile map (gui/map/map.h) loads its row by
// name through the map manager's table.
//
//   CMapDataBase maps("game\\game.mdb");     // the database must be open
//   stMapInfo m;
//   if (maps.GetMapInfo("village", m)) ...    // m.nWidth, m.szPicInfo ...
#ifndef TESSERA_DATABASE_MAP_DATABASE_H
#define TESSERA_DATABASE_MAP_DATABASE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

class CDataBase;

// One MAPTABLE row.  Zero-filled when constructed.  Texts hold at most one
// byte less than their field, the terminating zero included.
struct stMapInfo {
  int32_t nID = 0;       // assigned by the database
  char szName[32] = {};  // the map loads by it; its cell file is data\<name>.map
  char szExplain[100] = {};
  int32_t nWidth = 0;       // pixels
  int32_t nHeight = 0;      // pixels
  int32_t nUnitSize = 0;    // side of one cell in pixels
  int32_t nGoodsNum = 0;    // stored and returned only
  char szPicInfo[32] = {};  // resource identifier of the background picture
};

class CMapDataBase {
 public:
  // Looks the database up among the open ones (AfxGetDataBase); opens nothing.
  explicit CMapDataBase(const char* path);
  virtual ~CMapDataBase();

  // The row of `id`; nID is taken from `id`.  False (info untouched) when
  // there is none.
  bool GetMapInfo(int id, stMapInfo& info);
  // The first row named `name`.
  bool GetMapInfo(const char* name, stMapInfo& info);
  // Updates every column but ID of the row `id` / named `name` (a set by
  // name can rename).  Validates the record first; an unknown key shows
  // "没有这个地图 ..." and gives false.
  bool SetMapInfo(int id, const stMapInfo& info);
  bool SetMapInfo(const char* name, const stMapInfo& info);
  // Inserts the record, or updates the map of the same name (then true
  // whatever the update gives).
  bool AddMap(const stMapInfo& info);
  bool DelMap(int id);
  bool DelMap(const char* name);
  bool DelAllMap();

  char m_szSQL[512];
  CDataBase* m_pDataBase;
};

#pragma GCC visibility pop
#endif
