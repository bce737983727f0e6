#include "gui/map/map_manager.h"

#include <cstring>
#include <memory>

#include "database/database.h"
#include "database/event_database.h"
#include "database/goods_database.h"
#include "database/map_database.h"
#include "database/person_database.h"
#include "gui/chain_manager.h"
#include "gui/map/map.h"
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
} g_holder;

CMapManager* MakeManager() {
  return new CMapManager({0, 0}, {AfxGetScreenWidth(), AfxGetScreenHeight()});
}

}  // namespace

CMapManager::CMapManager(const tagPOINT& topLeft, const tagPOINT& bottomRight)
    : QArea(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y),
      m_pfnMouseOver(&DoNothing),
      m_pCurMap(nullptr),
      m_pGoodsDbb(nullptr),
      m_pMapDbb(nullptr),
      m_pEventDbb(nullptr),
      m_pPersonDbb(nullptr),
      m_szDataBase{} {}

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

CMapObject* CMapManager::FindObject(int x, int y) { return m_pCurMap ? m_pCurMap->FindObject(x, y) : nullptr; }

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
  delete map;
  if (m_szDataBase[0]) {
    AfxReleaseDataBase(m_szDataBase);
    m_szDataBase[0] = 0;
  }
}

CMapManager* AfxGetMapManager() {
  if (!g_manager && !g_exiting) g_manager = MakeManager();
  return g_manager;
}

namespace tessera {

CMapManager* PeekMapManager() { return g_manager; }

void ResetMapManagerForTests() {
  CMapManager* m = g_manager;
  g_manager = nullptr;
  delete m;
}

}  // namespace tessera
