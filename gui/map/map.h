// QMap: one scene -- a pre-rendered background picture, a grid of cells
// that says where characters may walk, and the objects standing on it.
//
// A map is a GUI area that the map manager draws every frame: it scrolls
// the view to keep the player in the middle, copies the background, sorts
// the objects so that those lower on the screen are drawn later, and draws
// them.  It finds the object under a point, and it carries the one-line
// chat box whose text becomes the player's speech bubble.
//
//   QMap* map = new QMap;                      // 800 x 600 view
//   if (!map->LoadMap("village")) ...          // MAPTABLE row + data\village.map
//   map->LoadGoods();                          // one CMapGoods per GOODSTABLE row
//   map->AddObject(player); map->SetMySelf(player);
//   AfxGetMapManager()->CreateNewMap(map);     // drawn from now on
//
// Coordinates:
//   cells       (column, row) from 0; index = row * columns + column;
//               columns = width / unit size, rows = height / unit size.
//   map pixels  cell (c, r) starts at (c * unit, r * unit).
//   view pixels map pixels - view origin (GetNowLeft, GetNowTop); the
//               mouse is taken in view pixels.
// Cell values: 0 free, 1 blocked, others avoided by the path search.
//
// The cell file "data\<name>.map" is a 44-byte header (never read) and one
// byte per cell, row-major.  A shorter file leaves the remaining cells 0.
#ifndef TESSERA_GUI_MAP_MAP_H
#define TESSERA_GUI_MAP_MAP_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>
#include <vector>

#include "gui/area.h"
#include "gui/map/map_timer.h"
#include "public/windows_types.h"

class CMapObject;
class CPathFinder;
class QEdit;
class QSmallMap;
class QWindow;
class SURFACE;
struct stGoodsInfo;
class QMap;

namespace tessera {
// A path finder that reads a map's cells registers here, so that it is
// given the new array whenever the map replaces its cells (LoadMap,
// SetMapInfo).  Detach it before either goes away.
void AttachPathFinder(QMap& map, CPathFinder* finder);
void DetachPathFinder(QMap& map, CPathFinder* finder);

// The largest number of cells a map record may give (8192 x 8192): a row
// asking for more is refused by LoadMap rather than allocated.
constexpr long long kMaxMapCells = 8192LL * 8192LL;

// Reads a map cell file: skips the 44-byte header and reads up to `count`
// cell bytes into `cells`; bytes the file does not have are left as they
// are.  False only when the file cannot be opened.
bool ReadMapCells(const char* enginePath, char* cells, int count);

// Sets an area's rectangle and size and nothing else (SetScreenRect).
void SetAreaRect(QArea& area, const tagRECT& r);
}  // namespace tessera

class QMap : public QArea, public CMapTimer {
 public:
  // View (0, 0, 800, 600) at origin (0, 0); the chat box at the bottom.
  QMap();
  // View `r` with origin (r.left, r.top); the chat box 20 pixels lower.
  explicit QMap(const tagRECT& r);
  // Frees the cells, the chat box, the background and the mini-map, then
  // deletes every object.
  ~QMap() override;

  // Draws one frame: scroll, background, sorted objects, then the player
  // again on top.
  void Show(SURFACE* target) override;
  // Loads the map's record by name through the map manager's map table,
  // its cells from "data\<name>.map" and its background picture.  False
  // when there is no record, no cell file, or the picture identifier is not
  // 10 characters long (the cells stay loaded then).  No message.  A record
  // without a positive cell size, with a negative size or with more than
  // kMaxMapCells cells is refused too, before the cells are replaced.
  virtual bool LoadMap(const char* name);
  // One CMapGoods per goods record of this map, added to the objects.
  virtual void LoadGoods();

  long GetAllGoodsNum();
  // `out` must hold GetAllGoodsNum() records.
  bool GetAllGoodsInfo(stGoodsInfo* out);

  // Re-centres the view on the player (nothing without a player), clamped
  // to the map.  A map narrower than the view ends with a negative origin,
  // so it stands centred.
  void AutoScrollMap();
  void EnableAutoScroll(bool on) { m_bAutoScroll = on; }
  // Centres the view on map pixel (x, y), clamped as AutoScrollMap, and
  // switches auto-scroll off (the player's next walk switches it on).
  void MoveScreen(long x, long y);
  // The area's rectangle; the map manager's too when this is its map.
  void SetScreenRect(const tagRECT& r);
  tagRECT GetScreenRect() { return m_rcArea; }
  int GetScreenWidth() { return m_rcArea.right - m_rcArea.left; }
  int GetScreenHeight() { return m_rcArea.bottom - m_rcArea.top; }

  // Replaces the cells with a copy of `size` bytes (the cell count stays;
  // a shorter copy is padded with 0 up to the cell count).
  void SetMapInfo(char* data, int size);
  char* GetMapInfo() { return m_pMapInfo; }

  // Appends the object; false when it is listed already.
  bool AddObject(CMapObject* object);
  // Removes the first entry for the object without deleting it.  When it
  // was the player, the map has no player any more (a deleted character
  // leaves its map this way and must not be drawn again).
  bool DelObject(CMapObject* object);
  // Removes and deletes every object.
  void DelAllObject();
  // The first object in list order with this id.
  CMapObject* FindObject(long id);
  // The frontmost object whose IsPointed(x, y) holds (view pixels).
  CMapObject* FindObject(int x, int y);
  std::vector<CMapObject*>& GetObjectList() { return m_ObjectList; }

  // The chat box's enter-key callback: the edit's text becomes the current
  // map's player's speech bubble, then the edit is cleared.
  static void MapEditOnEnter(void* edit);

  long GetId() { return m_nID; }
  void SetId(long id) { m_nID = static_cast<int32_t>(id); }
  const char* GetName() { return m_szName; }
  // Ignores null and names longer than 32 characters.
  void SetName(const char* name);
  int GetWidth() { return m_nMapWidth; }
  int GetHeight() { return m_nMapHeight; }
  int GetUnitSize() { return m_nUnitSize; }
  int GetCellNum() { return m_nCellNum; }
  const char* GetPicinfo() { return m_szPicInfo; }
  SURFACE* GetBackGround() { return m_pBackGround; }
  // The player's character (a CMapPlayer), not owned.
  CMapObject* GetMySelf() { return m_pMySelf; }
  void SetMySelf(CMapObject* player) { m_pMySelf = player; }
  QSmallMap* GetSmallMap() { return m_pSmallMap; }
  void SetSmallMap(QSmallMap* small) { m_pSmallMap = small; }
  int GetNowLeft() { return m_nNowLeft; }
  int GetNowTop() { return m_nNowTop; }
  bool IsMapCenter() { return m_bMapCenter; }
  QWindow* GetChatWindow() { return m_pChatWindow; }
  QEdit* GetChatEdit() { return m_pChatEdit; }

  int32_t m_nID;
  char m_szName[33];
  int m_nMapWidth;                        // pixels
  int m_nMapHeight;                       // pixels
  int m_nUnitSize;                        // side of a cell in pixels
  int m_nCellNum;                         // columns * rows
  char m_szPicInfo[32];                   // valid when exactly 10 characters long
  char* m_pMapInfo;                       // m_nCellNum bytes, owned (malloc)
  SURFACE* m_pBackGround;                 // owned
  std::vector<CMapObject*> m_ObjectList;  // owned, in drawing order
  CMapObject* m_pMySelf;                  // not owned
  QSmallMap* m_pSmallMap;                 // owned
  int m_nNowLeft;                         // view origin in map pixels
  int m_nNowTop;
  bool m_bMapCenter;  // never set by the library
  bool m_bAutoScroll;
  QWindow* m_pChatWindow;  // owned, "pwEditBack"
  QEdit* m_pChatEdit;      // owned

 protected:
  // a when it lies on an earlier row, or on the same row further left.
  tagPOINT GetMinPoint(const tagPOINT& a, const tagPOINT& b);
  // Orders the objects by standing point: row first, then column, equal
  // points keeping their order (a stable sort, O(n log n)).
  void SortObjectList();

 private:
  friend void tessera::AttachPathFinder(QMap& map, CPathFinder* finder);
  friend void tessera::DetachPathFinder(QMap& map, CPathFinder* finder);
  void Construct(const tagRECT& chatWindow, const tagRECT& chatEdit, int maxText);
  void ReplaceCells(char* cells);
  // Path finders reading this map's cells; they follow a replaced array.
  std::vector<CPathFinder*> m_PathFinders;
};

#pragma GCC visibility pop
#endif
