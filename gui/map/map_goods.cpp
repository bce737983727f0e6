#include "gui/map/map_goods.h"

#include <cstring>

#include "database/goods_database.h"
#include "gui/map/map.h"
#include "gui/map/map_sprite.h"

CMapGoods::CMapGoods() : m_nGoodsType(GT_NORMAL) { m_nType = MOT_GOODS; }

CMapGoods::~CMapGoods() = default;

bool CMapGoods::Init(long id, const char* name, QMap* map, void* info) {
  CMapObject::Init(id, name, map, nullptr);
  if (info) SetInfo(static_cast<stGoodsInfo*>(info));
  return true;
}

void CMapGoods::SetInfo(stGoodsInfo* r) {
  if (!r) return;
  const int u = m_pMap ? m_pMap->GetUnitSize() : 0;
  // The record's "true" point is the picture's cell and its "draw" point
  // the standing cell.
  m_ptDrawPoint = {r->nTrueX, r->nTrueY};
  m_ptNowPoint = {r->nDrawX, r->nDrawY};
  m_rcArea.left = u * r->nTrueX;
  m_rcArea.top = u * r->nTrueY;
  m_rcArea.right = m_rcArea.left + u * r->nWidth;
  m_rcArea.bottom = m_rcArea.top + u * r->nHeight;
  m_dwID = static_cast<uint32_t>(r->nID);
  std::memcpy(m_szPicInfo, r->szPicInfo, sizeof m_szPicInfo);
  m_szPicInfo[sizeof m_szPicInfo - 1] = 0;
  std::memcpy(m_szShadowInfo, r->szShadowInfo, sizeof m_szShadowInfo);
  m_szShadowInfo[sizeof m_szShadowInfo - 1] = 0;
  m_nPicNum = r->nPicNum;
  m_nGoodsType = static_cast<enGoodsType>(r->nType);
  m_nUseAlpha = r->nUseAlpha;
  if (!m_pSprite) m_pSprite = new CMapSprite;
  // A missing frame leaves the sprite with the frames that loaded.
  m_pSprite->LoadImageA(m_szPicInfo, m_nPicNum, m_nUseAlpha);
  m_pSprite->SetDelay(100);
  m_pSprite->Play(true);
  CMapObject::MoveTo(m_ptNowPoint.x, m_ptNowPoint.y);
}
