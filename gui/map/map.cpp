#include "gui/map/map.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/goods_database.h"
#include "database/map_database.h"
#include "engine/surface.h"
#include "engine/view_manage.h"
#include "gui/chain_manager.h"
#include "gui/dialog.h"
#include "gui/edit.h"
#include "gui/map/equip_composite.h"
#include "gui/map/map_goods.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_object.h"
#include "gui/map/path_finder.h"
#include "gui/map/small_map.h"
#include "gui/window.h"
#include "platform/log.h"
#include "platform/path.h"
#include "public/engine.h"

namespace {

// The cell file's header, which the engine skips.
constexpr long kCellHeader = 44;

// One clamp of the view origin on one axis: first to 0, then to the last
// origin that keeps the view on the map.  On a map smaller than the view
// the second clamp wins, so the origin ends negative and the map centred.
int ClampOrigin(int value, int mapSize, int screenSize) {
  if (value <= 0) value = 0;
  if (value >= mapSize - screenSize) value = mapSize - screenSize;
  return value;
}

}  // namespace

namespace tessera {
void SetAreaRect(QArea& area, const tagRECT& r) {
  area.m_rcArea = r;
  area.m_nWidth = r.right - r.left + 1;
  area.m_nHeight = r.bottom - r.top + 1;
}
}  // namespace tessera

namespace {

bool Intersect(const tagRECT& a, const tagRECT& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

}  // namespace

QMap::QMap() : QArea(0, 0, 800, 600) {
  m_nNowLeft = 0;
  m_nNowTop = 0;
  Construct({152, 548, 647, 577}, {165, 554, 594, 568}, 64);
}

QMap::QMap(const tagRECT& r) : QArea(r.left, r.top, r.right, r.bottom) {
  m_nNowLeft = r.left;
  m_nNowTop = r.top;
  Construct({152, 568, 647, 597}, {165, 574, 594, 588}, 54);
}

void QMap::Construct(const tagRECT& window, const tagRECT& edit, int maxText) {
  m_nID = 0;
  std::memset(m_szName, 0, sizeof m_szName);
  m_nMapWidth = m_nMapHeight = m_nUnitSize = m_nCellNum = 0;
  std::memset(m_szPicInfo, 0, sizeof m_szPicInfo);
  m_pMapInfo = nullptr;
  m_pBackGround = nullptr;
  m_pMySelf = nullptr;
  m_pSmallMap = nullptr;
  m_bMapCenter = false;
  m_bAutoScroll = true;
  // The chat box: its backing window, then its edit, in the interface
  // layer; the edit takes the focus and hands each line to MapEditOnEnter.
  char back[] = "pwEditBack";
  char caret[] = "EditCurs0";
  m_pChatWindow = new QWindow(window.left, window.top, window.right, window.bottom, back, QWIN_DIB);
  m_pChatEdit = new QEdit(edit.left, edit.top, edit.right, edit.bottom, maxText, caret, nullptr);
  AfxGetChainManager()->Add(m_pChatWindow, CHAIN_TOP);
  AfxGetChainManager()->Add(m_pChatEdit, CHAIN_TOP);
  m_pChatEdit->GetFocus();
  m_pChatEdit->m_pfnEnter = &QMap::MapEditOnEnter;
}

QMap::~QMap() {
  // The characters' composed looks belong to the scene that ends here; a
  // game that goes from map to map keeps only the current scene's.
  tessera::ClearComposedEquipCache();
  std::free(m_pMapInfo);
  m_pMapInfo = nullptr;
  delete m_pChatWindow;  // each leaves its layer as it goes
  m_pChatWindow = nullptr;
  delete m_pChatEdit;
  m_pChatEdit = nullptr;
  if (m_pBackGround) {
    if (CVIEWMANAGE* vm = AfxGetViewManager())
      vm->DeleteSurface(m_pBackGround);
    else
      delete m_pBackGround;
    m_pBackGround = nullptr;
  }
  // The mini-map is the map's; it forgets the map as it goes.
  QSmallMap* small = m_pSmallMap;
  m_pSmallMap = nullptr;
  delete small;
  DelAllObject();
}

bool QMap::LoadMap(const char* name) {
  CMapDataBase* maps = AfxGetMapManager()->GetMapDbb();
  stMapInfo info;
  if (!maps || !name || !maps->GetMapInfo(name, info)) {
    tessera::LogWarning(
        std::string("map ") + (name ? name : "(null)"),
        maps ? "no MAPTABLE row of that name" : "the map manager has no scene database");
    return false;
  }
  m_nMapWidth = info.nWidth;
  m_nMapHeight = info.nHeight;
  m_nID = info.nID;
  m_nUnitSize = info.nUnitSize;
  std::memcpy(m_szPicInfo, info.szPicInfo, sizeof m_szPicInfo);
  m_szPicInfo[sizeof m_szPicInfo - 1] = 0;
  SetName(info.szName);

  // A row with no cell size, a negative size or an absurd number of cells
  // is refused before anything is allocated for it.
  const long long cells = m_nUnitSize > 0 ? static_cast<long long>(m_nMapHeight / m_nUnitSize) *
                                                (m_nMapWidth / m_nUnitSize)
                                          : 0;
  if (m_nUnitSize <= 0 || m_nMapWidth < 0 || m_nMapHeight < 0 || cells > tessera::kMaxMapCells) {
    tessera::LogWarning(std::string("map ") + name, "its MAPTABLE row gives no usable size");
    return false;
  }
  m_nCellNum = static_cast<int>(cells);
  char* array = static_cast<char*>(std::calloc(static_cast<size_t>(m_nCellNum) + 1, 1));
  if (!array) return false;
  ReplaceCells(array);

  char path[64];
  std::snprintf(path, sizeof path, "data\\%s.map", info.szName);
  if (!tessera::ReadMapCells(path, m_pMapInfo, m_nCellNum)) {
    tessera::LogWarning(path, "cannot open the map cell file");
    return false;
  }

  if (std::strlen(m_szPicInfo) != 10) {
    tessera::LogWarning(
        std::string("map ") + name,
        std::string("picture identifier \"") + m_szPicInfo + "\" is not 10 characters long");
    return false;
  }
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (!vm) return false;
  SURFACE* back = vm->CreateSurface(m_szPicInfo, SS_DIB, false, false);
  // The map loads without it (and draws no background); say why.
  if (!back)
    tessera::LogWarning(std::string("map ") + name,
                        std::string("no background picture ") + m_szPicInfo);
  if (m_pBackGround) vm->DeleteSurface(m_pBackGround);
  m_pBackGround = back;
  return true;
}

void QMap::LoadGoods() {
  const long n = GetAllGoodsNum();
  if (n <= 0) return;
  std::vector<stGoodsInfo> records(static_cast<size_t>(n));
  if (!GetAllGoodsInfo(records.data())) return;
  for (stGoodsInfo& r : records) {
    CMapGoods* goods = new CMapGoods;
    goods->Init(r.nID, r.szName, this, &r);
    AddObject(goods);
  }
}

long QMap::GetAllGoodsNum() {
  CGoodsDataBase* goods = AfxGetMapManager()->GetGoodsDbb();
  return goods ? goods->GetGoodsNumInMap(m_nID) : 0;
}

bool QMap::GetAllGoodsInfo(stGoodsInfo* out) {
  CGoodsDataBase* goods = AfxGetMapManager()->GetGoodsDbb();
  return goods && goods->GetGoodsInMap(m_nID, out);
}

void QMap::Show(SURFACE* target) {
  if (!target) return;
  if (m_bAutoScroll) AutoScrollMap();
  if (m_pBackGround)
    m_pBackGround->Blit(target, m_nNowLeft, m_nNowTop, m_rcArea.left, m_rcArea.top,
                        GetScreenWidth(), GetScreenHeight());
  SortObjectList();
  const bool player = m_pMySelf != nullptr;
  const tagRECT playerArea = player ? m_pMySelf->GetArea() : tagRECT{0, 0, 0, 0};
  // Copy the list: an object's Show may add or remove objects.
  std::vector<CMapObject*> objects = m_ObjectList;
  for (CMapObject* o : objects) {
    if (player && o->GetType() == MOT_GOODS &&
        static_cast<CMapGoods*>(o)->GetGoodsType() == GT_NEAR_PLAYER &&
        !Intersect(o->GetArea(), playerArea))
      continue;
    if (o->GetState() == MOS_SHOW) o->Show(target, false);
  }
  // The player once more, translucently, so that it shows through whatever
  // stands in front of it.
  if (m_pMySelf && m_pMySelf->GetState() == MOS_SHOW) m_pMySelf->CMapObject::Show(target, true);
}

void QMap::AutoScrollMap() {
  if (!m_pMySelf) return;
  const tagPOINT p = m_pMySelf->GetRelativeTruePoint();
  m_nNowLeft = ClampOrigin(m_nNowLeft + p.x - GetScreenWidth() / 2, m_nMapWidth, GetScreenWidth());
  m_nNowTop = ClampOrigin(m_nNowTop + p.y - GetScreenHeight() / 2, m_nMapHeight, GetScreenHeight());
}

void QMap::MoveScreen(long x, long y) {
  m_nNowLeft =
      ClampOrigin(static_cast<int>(x) - GetScreenWidth() / 2, m_nMapWidth, GetScreenWidth());
  m_nNowTop =
      ClampOrigin(static_cast<int>(y) - GetScreenHeight() / 2, m_nMapHeight, GetScreenHeight());
  m_bAutoScroll = false;
}

void QMap::SetScreenRect(const tagRECT& r) {
  tessera::SetAreaRect(*this, r);
  CMapManager* manager = AfxGetMapManager();
  if (manager->GetCurMap() == this) tessera::SetAreaRect(*manager, r);
}

void QMap::SetMapInfo(char* data, int size) {
  // The copy is never shorter than the map's cells: whoever reads
  // GetCellNum() bytes (a path finder) stays inside it; cells the data does
  // not give are 0.
  const size_t n = static_cast<size_t>(std::max({size, m_nCellNum, 1}));
  char* array = static_cast<char*>(std::calloc(n, 1));
  if (!array) return;
  if (size > 0 && data) std::memcpy(array, data, static_cast<size_t>(size));
  ReplaceCells(array);
}

void QMap::ReplaceCells(char* cells) {
  std::free(m_pMapInfo);
  m_pMapInfo = cells;
  for (CPathFinder* f : m_PathFinders)
    tessera::ReplacePathFinderCells(*f, reinterpret_cast<unsigned char*>(cells));
}

bool QMap::AddObject(CMapObject* object) {
  if (!object || std::find(m_ObjectList.begin(), m_ObjectList.end(), object) != m_ObjectList.end())
    return false;
  m_ObjectList.push_back(object);
  return true;
}

bool QMap::DelObject(CMapObject* object) {
  auto it = std::find(m_ObjectList.begin(), m_ObjectList.end(), object);
  if (it == m_ObjectList.end()) return false;
  m_ObjectList.erase(it);
  if (m_pMySelf == object) m_pMySelf = nullptr;
  return true;
}

void QMap::DelAllObject() {
  // Each object's destructor takes itself off the manager's current map,
  // which may be this one: empty the list before deleting.
  std::vector<CMapObject*> objects;
  objects.swap(m_ObjectList);
  m_pMySelf = nullptr;
  for (CMapObject* o : objects) delete o;
}

CMapObject* QMap::FindObject(long id) {
  for (CMapObject* o : m_ObjectList)
    if (o->GetId() == static_cast<unsigned long>(static_cast<uint32_t>(id))) return o;
  return nullptr;
}

CMapObject* QMap::FindObject(int x, int y) {
  for (auto it = m_ObjectList.rbegin(); it != m_ObjectList.rend(); ++it)
    if ((*it)->IsPointed(x, y)) return *it;
  return nullptr;
}

// The last line typed into a chat box, kept for the whole process.
static char s_szChatText[100];

void QMap::MapEditOnEnter(void* edit) {
  QEdit* e = static_cast<QEdit*>(edit);
  if (!e) return;
  std::strncpy(s_szChatText, reinterpret_cast<const char*>(e->GetText()), sizeof s_szChatText - 1);
  s_szChatText[sizeof s_szChatText - 1] = 0;
  CMapManager* manager = tessera::PeekMapManager();
  QMap* map = manager ? manager->GetCurMap() : nullptr;
  CMapObject* player = map ? map->GetMySelf() : nullptr;
  if (player && player->m_pBubble) player->m_pBubble->SetContent(s_szChatText, nullptr);
  e->ClearEdit();
}

void QMap::SetName(const char* name) {
  if (!name || std::strlen(name) > 32) return;
  std::strcpy(m_szName, name);
}

tagPOINT QMap::GetMinPoint(const tagPOINT& a, const tagPOINT& b) {
  if (a.y < b.y || (a.y == b.y && a.x < b.x)) return a;
  return b;
}

void QMap::SortObjectList() {
  const size_t n = m_ObjectList.size();
  if (n < 2) return;
  // Row, then column, then the place in the list: a total order, so a
  // plain sort gives the stable order of the selection sort it replaces.
  struct Key {
    int32_t y, x;
    uint32_t index;
  };
  std::vector<Key> keys(n);
  bool sorted = true;
  for (size_t i = 0; i < n; ++i) {
    const tagPOINT p = m_ObjectList[i]->GetRelativeTruePoint();
    keys[i] = {p.y, p.x, static_cast<uint32_t>(i)};
    if (i && (keys[i - 1].y > p.y || (keys[i - 1].y == p.y && keys[i - 1].x > p.x))) sorted = false;
  }
  // Objects mostly keep their order from frame to frame.
  if (sorted) return;
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.y != b.y) return a.y < b.y;
    if (a.x != b.x) return a.x < b.x;
    return a.index < b.index;
  });
  std::vector<CMapObject*> list(n);
  for (size_t i = 0; i < n; ++i) list[i] = m_ObjectList[keys[i].index];
  m_ObjectList.swap(list);
}

namespace tessera {

bool ReadMapCells(const char* enginePath, char* cells, int count) {
  std::FILE* f = OpenFile(enginePath, "rb");
  if (!f) return false;
  // A file shorter than its header or its cells leaves the rest as it was.
  if (count > 0 && cells && std::fseek(f, kCellHeader, SEEK_SET) == 0)
    (void)std::fread(cells, 1, static_cast<size_t>(count), f);
  std::fclose(f);
  return true;
}

void AttachPathFinder(QMap& map, CPathFinder* finder) {
  if (finder && std::find(map.m_PathFinders.begin(), map.m_PathFinders.end(), finder) ==
                    map.m_PathFinders.end())
    map.m_PathFinders.push_back(finder);
}

void DetachPathFinder(QMap& map, CPathFinder* finder) {
  map.m_PathFinders.erase(std::remove(map.m_PathFinders.begin(), map.m_PathFinders.end(), finder),
                          map.m_PathFinders.end());
}

}  // namespace tessera
