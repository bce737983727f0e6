#include "gui/map/map_object.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/alpha_access.h"
#include "engine/surface.h"
#include "gui/dialog.h"
#include "gui/map/map.h"
#include "gui/map/map_manager.h"
#include "gui/map/map_sprite.h"
#include "public/engine.h"
#include "sound/dx_sound_buffer.h"

CMapObject::CMapObject()
    : m_pMap(nullptr),
      m_nBubbleX(0),
      m_nBubbleY(0),
      m_pSprite(nullptr),
      m_szPicInfo{},
      m_nPicNum(0),
      m_nUseAlpha(0),
      m_szShadowInfo{},
      m_ptNowPoint{10, 10},
      m_ptDrawPoint{0, 0},
      m_dwID(0),
      m_nType(MOT_OBJECT),
      m_szName{},
      m_rcArea{0, 0, 0, 0},
      m_nState(MOS_SHOW),
      m_pSound(nullptr),
      m_nSoundNum(0),
      m_pBubble(nullptr) {
  std::fill(std::begin(m_pfnCallBack), std::end(m_pfnCallBack), &DoNothing);
}

CMapObject::~CMapObject() {
  delete m_pSprite;
  m_pSprite = nullptr;
  // An object leaves the manager's current map, whichever map holds it:
  // an object living on another map must be taken off it by its owner.
  CMapManager* manager = tessera::PeekMapManager();
  QMap* current = manager ? manager->GetCurMap() : nullptr;
  if (current) current->DelObject(this);
  delete m_pBubble;  // leaves its chain as it goes
  m_pBubble = nullptr;
  delete[] m_pSound;
  m_pSound = nullptr;
  DelAllEvent();
}

void CMapObject::Show(SURFACE* target, bool effect) {
  if (!m_pSprite) return;
  tagRECT r = GetRelativeArea();
  Move(r.left, r.top);
  m_pSprite->Show(target, effect);
}

void CMapObject::Move(int x, int y) {
  if (m_pSprite) m_pSprite->Move(x, y);
  if (m_pBubble) m_pBubble->Move(x - m_nBubbleX, y - m_nBubbleY);
}

bool CMapObject::Init(long id, const char* name, QMap* map, void*) {
  m_dwID = static_cast<uint32_t>(id);
  m_pMap = map;
  SetName(name);
  return true;
}

bool CMapObject::LoadImageA(const char* id) {
  if (!m_pSprite) m_pSprite = new CMapSprite;
  return m_pSprite->LoadImageA(id, 1, 0);
}

bool CMapObject::BeEvent(CMapObject*, enMapEvent) { return true; }

bool CMapObject::DoEvent(CMapObject*, enMapEvent) { return true; }

bool CMapObject::IsPointed(int x, int y) {
  if (m_nState != MOS_SHOW) return false;
  tagRECT r = GetRelativeArea();
  if (!(r.left < x && x < r.right && r.top < y && y < r.bottom)) return false;
  if (!m_pSprite) return true;
  SURFACE* s = m_pSprite->GetCurSurface();
  // A sprite without a frame shows nothing, so nothing can be hit.
  if (!s) return false;
  const int px = x - r.left, py = y - r.top;
  // The area may be larger than the frame: beyond the frame is transparent.
  if (px >= s->GetWidth() || py >= s->GetHeight()) return false;
  const SURFACE_STYLE style = s->GetStyle();
  if (style == SS_ALPHA || style == SS_PSDALPHA || style == SS_DOUBLEALPHA) {
    if (!s->GetBitmap()) return false;
    return tessera::AlphaRow(s->GetBitmap(), py)[px] != 32;
  }
  return s->GetPixel(px, py) != COLOR_KEY;
}

CMapEvent* CMapObject::GetNextEvent() { return m_EventList.empty() ? nullptr : m_EventList.back(); }

std::list<CMapEvent*> CMapObject::GetActiveEventList() { return m_EventList; }

void CMapObject::SetState(enMapObjectState state) {
  m_nState = state;
  if (!m_pBubble) return;
  if (state == MOS_SHOW)
    m_pBubble->SetState(QAREA_SHOW, nullptr);
  else if (state == MOS_HIDE || state == MOS_HIDDEN)
    m_pBubble->SetState(QAREA_HIDE, nullptr);
}

bool CMapObject::LoadSound(const char*, int count) {
  if (count < 0) return false;
  DxSoundBuffer* sounds = new (std::nothrow) DxSoundBuffer[static_cast<size_t>(count)];
  if (!sounds) return false;
  for (int i = 0; i < count; ++i) sounds[i].Initialize(AfxGetSound());
  delete[] m_pSound;
  m_pSound = sounds;
  m_nSoundNum = count;
  return true;
}

tagPOINT CMapObject::GetDrawPointOffset() {
  return {m_ptDrawPoint.x - m_ptNowPoint.x, m_ptDrawPoint.y - m_ptNowPoint.y};
}

tagRECT CMapObject::GetRelativeArea() {
  const int left = m_pMap ? m_pMap->GetNowLeft() : 0;
  const int top = m_pMap ? m_pMap->GetNowTop() : 0;
  return {m_rcArea.left - left, m_rcArea.top - top, m_rcArea.right - left, m_rcArea.bottom - top};
}

tagPOINT CMapObject::GetRelativeTruePoint() {
  const int unit = m_pMap ? m_pMap->GetUnitSize() : 0;
  const tagRECT r = GetRelativeArea();
  const tagPOINT off = GetDrawPointOffset();
  return {r.left - off.x * unit, r.top - off.y * unit};
}

bool CMapObject::MoveTo(int x, int y) {
  const int unit = m_pMap ? m_pMap->GetUnitSize() : 0;
  const int dx = x - m_ptNowPoint.x, dy = y - m_ptNowPoint.y;
  m_ptNowPoint = {x, y};
  m_ptDrawPoint.x += dx;
  m_ptDrawPoint.y += dy;
  const int w = m_rcArea.right - m_rcArea.left, h = m_rcArea.bottom - m_rcArea.top;
  m_rcArea.left = m_ptDrawPoint.x * unit;
  m_rcArea.top = m_ptDrawPoint.y * unit;
  m_rcArea.right = m_rcArea.left + w;
  m_rcArea.bottom = m_rcArea.top + h;
  Move(m_rcArea.left, m_rcArea.top);
  return true;
}

bool CMapObject::AddEvent(CMapEvent* event) {
  if (std::find(m_EventList.begin(), m_EventList.end(), event) != m_EventList.end()) return false;
  m_EventList.push_back(event);
  return true;
}

bool CMapObject::DelEvent(CMapEvent* event) {
  auto it = std::find(m_EventList.begin(), m_EventList.end(), event);
  if (it == m_EventList.end()) return false;
  m_EventList.erase(it);
  delete event;
  return true;
}

void CMapObject::DelAllEvent() {
  std::list<CMapEvent*> events;
  events.swap(m_EventList);
  for (CMapEvent* e : events) delete e;
}

bool CMapObject::IsHaveEvent(enMapEvent type) {
  for (CMapEvent* e : m_EventList)
    if (e && e->GetType() == type) return true;
  return false;
}

void CMapObject::SetName(const char* name) {
  if (!name || std::strlen(name) > 32) return;
  std::strcpy(m_szName, name);
}
