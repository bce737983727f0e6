#include "gui/map/player_equip.h"

#include "engine/alpha_surface.h"
#include "engine/dle_surface.h"
#include "engine/surface_kinds.h"
#include "gui/map/equip_pool.h"

namespace tessera {
PIXEL BrightTint(PIXEL colour) {
  auto widen = [](unsigned c5) {
    const unsigned c8 = c5 * 8;
    return c8 < 175 ? c8 + 80 : 255u;
  };
  const unsigned r = widen((colour >> 10) & 31), g = widen((colour >> 5) & 31),
                 b = widen(colour & 31);
  return PIXEL(static_cast<unsigned short>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)));
}
}  // namespace tessera

CPlayerEquip::CPlayerEquip() {
  for (int s = 0; s < 4; ++s) {
    m_pSurface[s] = m_pAlphaSurface[s] = nullptr;
    m_nFrameNum[s] = 0;
  }
}

CPlayerEquip::~CPlayerEquip() { Release(); }

void CPlayerEquip::Release() {
  if (!m_bInit) return;
  // The pool may have been emptied since (the map manager's Release): then
  // there is nothing to give back, and an entry made later under the same
  // key is somebody else's.
  if (m_nGeneration == CEquipPool::GetGeneration())
    for (long state : {1L, 0L}) CEquipPool::DeleteEquip(m_nRole, state, m_nItem, m_nPart);
  for (int s = 0; s < 4; ++s) {
    m_pSurface[s] = m_pAlphaSurface[s] = nullptr;
    m_nFrameNum[s] = 0;
  }
  m_bInit = false;
}

bool CPlayerEquip::Init(long role, long item, long part, const PIXEL& colour) {
  Release();
  m_nRole = static_cast<int32_t>(role);
  m_nItem = static_cast<int32_t>(item);
  m_nPart = static_cast<int32_t>(part);
  m_Color = colour;
  m_nGeneration = CEquipPool::GetGeneration();
  for (long state : {1L, 0L}) {
    CEquipPool::CreateEquip(role, state, item, part, 4);
    long frames = 0;
    m_pSurface[state] = CEquipPool::GetSurfaceArray(role, state, item, part, frames);
    m_pAlphaSurface[state] = CEquipPool::GetAlphaSurfaceArray(role, state, item, part, frames);
    m_nFrameNum[state] = frames;
  }
  m_bInit = true;
  return true;
}

long CPlayerEquip::GetFrameNumber() { return m_nFrameNum[0]; }

long CPlayerEquip::GetWidth() {
  SURFACE* s = m_pSurface[0] && m_nFrameNum[0] > 0 ? m_pSurface[0][0][0] : nullptr;
  return s ? s->GetWidth() : 0;
}

long CPlayerEquip::GetHeight() {
  SURFACE* s = m_pSurface[0] && m_nFrameNum[0] > 0 ? m_pSurface[0][0][0] : nullptr;
  return s ? s->GetHeight() : 0;
}

void CPlayerEquip::Show(SURFACE* target, long x, long y, long state, long direction, long frame,
                        bool, bool bright) {
  if (state < 0 || state > 3 || !m_pSurface[state]) return;
  if (direction < 0 || direction > 7 || frame < 0 || frame >= m_nFrameNum[state]) return;
  SURFACE* picture = m_pSurface[state][direction][frame];
  if (m_Color == 0) {
    if (picture && target) picture->Blit(target, static_cast<int>(x), static_cast<int>(y));
    return;
  }
  SURFACE* tint = m_pAlphaSurface[state] ? m_pAlphaSurface[state][direction][frame] : nullptr;
  ChangeEquipColor(tint, picture, m_Color, target, x, y, bright);
}

bool CPlayerEquip::ChangeEquipColor(SURFACE* tint, SURFACE* picture, PIXEL colour, SURFACE* target,
                                    long x, long y, bool bright) {
  if (!tint || !picture || !target) return true;
  if (bright) colour = tessera::BrightTint(colour);
  if (tint->GetStyle() == SS_DLE)
    static_cast<DLESURFACE*>(tint)->FillRect(colour);
  else if (tessera::IsAlphaKind(tint->GetStyle()))
    static_cast<ALPHASURFACE*>(tint)->FillRect(0, 0, 0, 0, colour);
  picture->Blit(target, static_cast<int>(x), static_cast<int>(y));
  tint->Blit(target, static_cast<int>(x), static_cast<int>(y));
  return true;
}
