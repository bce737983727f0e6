// CMapManager: the process-wide owner of the scene -- the four scene tables
// of the game database and the current map.
//
// The manager is itself an area covering the screen in chain layer 0, so
// the chain manager draws it (and with it the current map) first in every
// frame and routes mouse input over the map to it.
//
//   CMapManager* mm = AfxGetMapManager();
//   mm->Init("game\\game.mdb");               // scene tables over the database
//   QMap* map = new QMap; map->LoadMap("village"); map->LoadGoods();
//   mm->CreateNewMap(map);                    // layer 0, shown
//   ...
//   mm->Release();                            // map, tables, database
//
// Mouse input: the game raises the manager's area callbacks as it does for
// any area (click 0, events 1 and 2, press 3, event 4) and calls
// m_pfnMouseOver(manager) when the mouse moves.  Each finds the object under
// the mouse cursor's position (view pixels): a click on an object calls the
// object's callback 5 (a character's BeClicked), a click on open ground
// walks the map's player to that cell and then calls the map's own click
// callback; events 1, 2, 4 go to the object's callbacks 7, 3, 6, a press to
// callback 4 of characters only, and otherwise to the map's own callbacks.
// Moving onto an object calls its callback 1 (enter), then the previous
// object's callback 2 (leave); goods take no part.
#ifndef TESSERA_GUI_MAP_MAP_MANAGER_H
#define TESSERA_GUI_MAP_MAP_MANAGER_H
#pragma GCC visibility push(default)  // game-facing: exported

#include "gui/area.h"
#include "public/export.h"
#include "public/windows_types.h"

class CEventDataBase;
class CGoodsDataBase;
class CMapDataBase;
class CMapObject;
class CPersonDataBase;
class QMap;
class SURFACE;

class CMapManager : public QArea {
 public:
  // The area (topLeft, bottomRight); no map, no tables, empty path.
  CMapManager(const tagPOINT& topLeft, const tagPOINT& bottomRight);
  // Release().
  ~CMapManager() override;

  // Draws the current map, when there is one.
  void Show(SURFACE* target) override;

  // Opens the scene database and makes the four tables over it.  True at
  // once when a database is set already (even for another path); false
  // when it cannot be opened.
  bool Init(const char* path);
  // The current map becomes `map` (a previous one is neither deleted nor
  // released); the manager joins chain layer 0, shown.  True.
  bool CreateNewMap(QMap* map);
  // The current map's object under view point (x, y), or null.
  CMapObject* FindObject(int x, int y);
  bool IsRunning() { return m_pCurMap != nullptr; }
  // Leaves its chain (state 4), deletes the four tables and the current
  // map (with its objects), releases the database and empties the path.
  void Release();

  QMap* GetCurMap() { return m_pCurMap; }
  CMapDataBase* GetMapDbb() { return m_pMapDbb; }
  CGoodsDataBase* GetGoodsDbb() { return m_pGoodsDbb; }
  CPersonDataBase* GetPersonDbb() { return m_pPersonDbb; }
  CEventDataBase* GetEventDbb() { return m_pEventDbb; }

  AREA_CALLBACK m_pfnMouseOver;   // the mouse-over handler, for the game to call
  QMap* m_pCurMap;                // owned
  CGoodsDataBase* m_pGoodsDbb;    // owned
  CMapDataBase* m_pMapDbb;        // owned
  CEventDataBase* m_pEventDbb;    // owned
  CPersonDataBase* m_pPersonDbb;  // owned
  char m_szDataBase[128];         // empty until Init succeeds
};

// The map manager, made on the first call over the screen size of that
// moment, and kept until the process ends.
TESSERA_API CMapManager* AfxGetMapManager(void);

namespace tessera {
// The map manager if one has been made, without making one.
CMapManager* PeekMapManager();
// The object the hover handler last reported as entered, or null.
CMapObject* HoveredMapObject();
}  // namespace tessera

#pragma GCC visibility pop
#endif
