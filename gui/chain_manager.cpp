#include "gui/chain_manager.h"

#include <vector>

#include "engine/rle_surface.h"
#include "gui/area.h"
#include "gui/area_chain.h"
#include "gui/area_pointers.h"
#include "input/mouse.h"
#include "platform/clock.h"
#include "platform/test_hooks.h"
#include "public/engine.h"

CChainManager::CChainManager() {
  for (QAreaChain*& chain : m_pChain) chain = new QAreaChain();
  m_dwLastRefresh = tessera::NowMs();
}

CChainManager::~CChainManager() {
  for (QAreaChain*& chain : m_pChain) {
    delete chain;
    chain = nullptr;
  }
}

QAreaChain* CChainManager::GetChain(int layer) {
  return layer >= 0 && layer < 3 ? m_pChain[layer] : nullptr;
}

bool CChainManager::Add(QArea* area, enChainLayer layer) {
  QAreaChain* chain = GetChain(layer);
  if (!chain) return false;
  area->SetState(QAREA_SHOW, chain);
  return true;
}

bool CChainManager::Delete(QArea* area, enChainLayer layer) {
  if (QAreaChain* chain = GetChain(layer)) area->SetState(QAREA_CLOSE, chain);
  return true;
}

void CChainManager::DeleteAll() {
  for (QAreaChain* chain : m_pChain) chain->DeleteAll();
}

void CChainManager::ShowAll(SURFACE* target) {
  for (QAreaChain* chain : m_pChain) chain->ShowAreas(target);
  // The game creates the cursor before the first frame; without one there
  // is no tip to switch.
  if (QMouse* mouse = AfxGetMouse()) mouse->SetTip(NeedTip());
}

bool CChainManager::PlacePicturesTogether() {
  std::vector<RLESURFACE*> pictures;
  for (QAreaChain* chain : m_pChain)
    for (SURFACE* s : chain->DrawnPictures())
      if (s->GetStyle() == SS_RLE) pictures.push_back(static_cast<RLESURFACE*>(s));
  return RLESURFACE::PlaceTogether(pictures.data(), pictures.size());
}

bool CChainManager::NeedTip() { return tessera::NowMs() - m_dwLastRefresh > 400; }

bool CChainManager::RefreshAreaChain(QAreaChain* chain) {
  // Without a cursor there is no mouse position: treated like a position
  // off the screen, nothing changes.
  QMouse* mouse = AfxGetMouse();
  if (!mouse) return true;
  const tagPOINT pt = mouse->m_ptMouse;
  // A position equal to the screen's width or height still counts as inside.
  if (pt.x < 0 || pt.x > AfxGetScreenWidth() || pt.y < 0 || pt.y > AfxGetScreenHeight())
    return true;
  QArea* found = chain->Search(pt.x, pt.y);
  if (!found) return false;
  tessera::SetNowArea(found);
  QArea* before = AfxGetPreArea();
  if (found == before) return true;
  m_dwLastRefresh = tessera::NowMs();
  if (before) before->m_pfnMouseOut(before);
  found->m_pfnMouseIn(found);
  tessera::SetPreArea(found);
  return true;
}

void CChainManager::RefreshAll() {
  if (!RefreshAreaChain(m_pChain[CHAIN_TOP]) && !RefreshAreaChain(m_pChain[CHAIN_MIDDLE]) &&
      !RefreshAreaChain(m_pChain[CHAIN_BOTTOM])) {
    if (QArea* before = AfxGetPreArea()) before->m_pfnMouseOut(before);
    tessera::SetNowArea(nullptr);
    tessera::SetPreArea(nullptr);
  }
  m_dwLastRefresh = tessera::NowMs();
}

CChainManager* AfxGetChainManager(void) {
  static CChainManager manager;
  return &manager;
}

namespace tessera {
void ResetChainManagerForTests() {
  CChainManager* manager = AfxGetChainManager();
  // QAreaChain::Delete compares pointers only, so areas that are gone
  // already are never reached.
  for (int layer = CHAIN_BOTTOM; layer <= CHAIN_TOP; ++layer) {
    QAreaChain* chain = manager->GetChain(layer);
    while (chain->GetCount() > 0) chain->Delete(chain->GetArea(0));
  }
  // With every layer empty and no area remembered, a refresh finds nothing,
  // tells no area, and only restarts the tip delay.
  SetNowArea(nullptr);
  SetPreArea(nullptr);
  manager->RefreshAll();
}
}  // namespace tessera
