#include "gui/map/map_manager.h"

#include <cstring>
#include <memory>

#include "database/database.h"
#include "database/event_database.h"
#include "database/goods_database.h"
#include "database/map_database.h"
#include "database/person_database.h"
#include "gui/chain_manager.h"
#include "gui/map/equip_pool.h"
#include "gui/map/map.h"
#include "gui/map/map_object.h"
#include "gui/map/map_player.h"
#include "input/mouse.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

namespace {

// The single manager, made on first use.  A plain pointer with a holder
// that deletes it at process exit, so that objects destroyed during that
// teardown (or after it) find no manager instead of a dead one.
CMapManager* g_manager = nullptr;
bool g_exiting = false;

struct ManagerHolder {
  ~ManagerHolder() {
    g_exiting = true;
    CMapManager* m = g_manager;
    g_manager = nullptr;
    delete m;
  }
};

// The object the mouse rests on, kept by the hover handler.
CMapObject* g_hovered = nullptr;

CMapManager* MakeManager() {
  // Statics are destroyed in the reverse order of their construction.  The
  // manager takes itself out of the chain manager's bottom layer when it is
  // deleted, so the chain manager must be built before the holder: then the
  // holder (and the manager with it) goes first at exit.
  AfxGetChainManager();
  static ManagerHolder holder;
  return new CMapManager({0, 0}, {AfxGetScreenWidth(), AfxGetScreenHeight()});
}

// The object under the mouse, taken as view pixels of the current map.
CMapObject* ObjectUnderMouse(CMapManager* m) {
  QMouse* mouse = AfxGetMouse();
  if (!m || !mouse) return nullptr;
  return m->FindObject(mouse->m_ptMouse.x, mouse->m_ptMouse.y);
}

void CallObject(CMapObject* o, int slot) {
  if (o->m_pfnCallBack[slot]) o->m_pfnCallBack[slot](o);
}

void CallMap(CMapManager* m, AREA_CALLBACK QArea::*slot) {
  QMap* map = m->GetCurMap();
  if (map && map->*slot) (map->*slot)(map);
}

// Click: the object's callback 5, or the player walks to the clicked cell
// and the map hears of the click.
void OnClick(void* area) {
  auto* m = static_cast<CMapManager*>(area);
  if (CMapObject* o = ObjectUnderMouse(m)) return CallObject(o, 5);
  QMap* map = m->GetCurMap();
  auto* player = map ? dynamic_cast<CMapPlayer*>(map->GetMySelf()) : nullptr;
  QMouse* mouse = AfxGetMouse();
  if (!player || !mouse) return;
  const int unit = map->GetUnitSize();
  if (unit <= 0) return;  // a map without cells has nowhere to walk
  player->WalkTo((map->GetNowLeft() + mouse->m_ptMouse.x) / unit,
                 (map->GetNowTop() + mouse->m_ptMouse.y) / unit, false);
  CallMap(m, &QArea::m_pfnClick);
}

void OnEvent1(void* area) {
  auto* m = static_cast<CMapManager*>(area);
  if (CMapObject* o = ObjectUnderMouse(m)) return CallObject(o, 7);
  CallMap(m, &QArea::m_pfnEvent1);
}

void OnEvent2(void* area) {
  auto* m = static_cast<CMapManager*>(area);
  if (CMapObject* o = ObjectUnderMouse(m)) return CallObject(o, 3);
  CallMap(m, &QArea::m_pfnEvent2);
}

// A press reaches characters only; on anything else it is the map's.
void OnPress(void* area) {
  auto* m = static_cast<CMapManager*>(area);
  CMapObject* o = ObjectUnderMouse(m);
  if (o && (o->GetType() == MOT_PLAYER || o->GetType() == MOT_TALKER)) return CallObject(o, 4);
  CallMap(m, &QArea::m_pfnPress);
}

void OnEvent4(void* area) {
  auto* m = static_cast<CMapManager*>(area);
  if (CMapObject* o = ObjectUnderMouse(m)) return CallObject(o, 6);
  CallMap(m, &QArea::m_pfnEvent4);
}

// Whether the hovered object still stands on the current map: an object
// deleted since (its map changed or released) must not be called.
bool HoveredIsAlive(CMapManager* m) {
  QMap* map = m->GetCurMap();
  if (!g_hovered || !map) return false;
  for (CMapObject* o : map->GetObjectList())
    if (o == g_hovered) return true;
  return false;
}

// Mouse over: enter (1) on the new object, then leave (2) on the old one.
// Goods never take part.
void OnMouseOver(void* area) {
  auto* m = static_cast<CMapManager*>(area);
  if (!m) return;
  if (g_hovered && !HoveredIsAlive(m)) g_hovered = nullptr;
  CMapObject* o = ObjectUnderMouse(m);
  if (o && o->GetType() != MOT_GOODS) {
    if (o == g_hovered) return;
    CMapObject* old = g_hovered;
    g_hovered = o;
    CallObject(o, 1);
    if (old) CallObject(old, 2);
    return;
  }
  if (g_hovered) {
    CMapObject* old = g_hovered;
    g_hovered = nullptr;
    CallObject(old, 2);
  }
}

}  // namespace

CMapManager::CMapManager(const tagPOINT& topLeft, const tagPOINT& bottomRight)
    : QArea(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y),
      m_pfnMouseOver(&OnMouseOver),
      m_pCurMap(nullptr),
      m_pGoodsDbb(nullptr),
      m_pMapDbb(nullptr),
      m_pEventDbb(nullptr),
      m_pPersonDbb(nullptr),
      m_szDataBase{} {
  m_pfnClick = &OnClick;
  m_pfnEvent1 = &OnEvent1;
  m_pfnEvent2 = &OnEvent2;
  m_pfnPress = &OnPress;
  m_pfnEvent4 = &OnEvent4;
}

CMapManager::~CMapManager() { Release(); }

void CMapManager::Show(SURFACE* target) {
  if (m_pCurMap) m_pCurMap->Show(target);
}

bool CMapManager::Init(const char* path) {
  if (m_szDataBase[0]) return true;
  if (!path || std::strlen(path) >= sizeof m_szDataBase) return false;
  if (!AfxInitDataBase(path)) return false;
  if (!m_pMapDbb) m_pMapDbb = new CMapDataBase(path);
  if (!m_pGoodsDbb) m_pGoodsDbb = new CGoodsDataBase(path);
  if (!m_pEventDbb) m_pEventDbb = new CEventDataBase(path);
  if (!m_pPersonDbb) m_pPersonDbb = new CPersonDataBase(path);
  std::strcpy(m_szDataBase, path);
  return true;
}

bool CMapManager::CreateNewMap(QMap* map) {
  m_pCurMap = map;
  AfxGetChainManager()->Add(this, CHAIN_BOTTOM);
  SetState(QAREA_SHOW, nullptr);
  return true;
}

CMapObject* CMapManager::FindObject(int x, int y) {
  return m_pCurMap ? m_pCurMap->FindObject(x, y) : nullptr;
}

void CMapManager::Release() {
  SetState(QAREA_CLOSE, nullptr);
  delete m_pMapDbb;
  m_pMapDbb = nullptr;
  delete m_pGoodsDbb;
  m_pGoodsDbb = nullptr;
  delete m_pEventDbb;
  m_pEventDbb = nullptr;
  delete m_pPersonDbb;
  m_pPersonDbb = nullptr;
  // The map's objects take themselves off the current map as they go:
  // there is none by then.
  QMap* map = m_pCurMap;
  m_pCurMap = nullptr;
  g_hovered = nullptr;
  delete map;
  if (m_szDataBase[0]) {
    AfxReleaseDataBase(m_szDataBase);
    m_szDataBase[0] = 0;
  }
  CEquipPool::ReleaseAll();
}

CMapManager* AfxGetMapManager() {
  if (!g_manager && !g_exiting) g_manager = MakeManager();
  return g_manager;
}

namespace tessera {

CMapManager* PeekMapManager() { return g_manager; }

CMapObject* HoveredMapObject() { return g_hovered; }

void ResetMapManagerForTests() {
  CMapManager* m = g_manager;
  g_manager = nullptr;
  delete m;
}

}  // namespace tessera
