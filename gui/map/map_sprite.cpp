#include "gui/map/map_sprite.h"

#include <cstring>

#include "engine/cpu_features.h"
#include "engine/simd.h"
#include "engine/surface.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "platform/clock.h"
#include "public/engine.h"

namespace {

// Gives a frame back the way the display manager's DeleteSurface does --
// through the surface cache when it came from there -- even when the
// display manager is already gone.
void ReleaseFrame(SURFACE* s) {
  if (CVIEWMANAGE* vm = AfxGetViewManager()) {
    vm->DeleteSurface(s);
    return;
  }
  CSurfaceManager& cache = tessera::GetSurfaceManager();
  if (cache.IsHaveSurface(s))
    cache.DeleteSurface(s);
  else
    delete s;
}

bool KeyedBlitIsFaster() {
#if TESSERA_AVX2
  return tessera::UseAvx512();  // what the keyed blit itself asks
#else
  return false;
#endif
}

}  // namespace

CMapSprite::CMapSprite()
    : m_nCurFrame(0),
      m_pCurSurface(nullptr),
      m_bPlay(false),
      m_bLoop(false),
      m_bShow(true),
      m_nDelay(0),
      m_rcRect{0, 0, 0, 0},
      m_dwLastTime(0) {}

CMapSprite::~CMapSprite() {
  for (SURFACE* s : m_FrameList)
    if (s) ReleaseFrame(s);
  m_FrameList.clear();
  m_pCurSurface = nullptr;
}

bool CMapSprite::LoadImageA(const char* id, int count, int alpha) {
  if (!id) return false;
  CVIEWMANAGE* vm = AfxGetViewManager();
  const SURFACE_STYLE style = alpha == 2 ? SS_DOUBLEALPHA : alpha == 1 ? SS_PSDALPHA : SS_DIB;
  // Two digits number at most 100 frames; more would repeat identifiers.
  if (count > 100) count = 100;
  for (int i = 0; i < count; ++i) {
    char frame[32] = {};
    std::strncpy(frame, id, sizeof frame - 1);
    frame[8] = static_cast<char>('0' + i / 10);
    frame[9] = static_cast<char>('0' + i % 10);
    SURFACE* s = vm ? vm->CreateSurface(frame, style, true, false) : nullptr;
    if (!s) return false;
    m_FrameList.push_back(s);
  }
  SetBegin();
  return true;
}

bool CMapSprite::InitSurface(SURFACE** surfaces, int count) {
  for (int i = 0; surfaces && i < count; ++i) m_FrameList.push_back(surfaces[i]);
  SetBegin();
  return true;
}

void CMapSprite::Init(int x, int y) {
  m_rcRect.left = x;
  m_rcRect.top = y;
}

void CMapSprite::Move(int x, int y) {
  const int w = m_rcRect.right - m_rcRect.left, h = m_rcRect.bottom - m_rcRect.top;
  m_rcRect = {x, y, x + w, y + h};
}

void CMapSprite::Play(bool loop) {
  m_bPlay = true;
  m_bLoop = loop;
}

void CMapSprite::Stop() {
  m_bPlay = false;
  m_bLoop = false;
}

void CMapSprite::SetBegin() {
  m_nCurFrame = 0;
  m_pCurSurface = m_FrameList.empty() ? nullptr : m_FrameList[0];
}

void CMapSprite::Show(SURFACE* target, bool effect) {
  if (!m_bShow || m_FrameList.empty() || !target) return;
  if (m_pCurSurface) {
    if (effect) {
      DRAW_FX fx;
      fx.kind = FX_SECONDALPHA;
      m_pCurSurface->Blit(target, m_rcRect.left, m_rcRect.top, fx);
    } else {
      // With 512-bit registers the keyed blit is one masked move per 32
      // pixels and reads nothing but the frame: faster than the runs, and a
      // map of a thousand figures keeps no thousand run tables in the
      // cache -- figures sharing a frame share every byte they read.
      // Elsewhere the runs save the keyed blit's per-pixel choice.
      if (KeyedBlitIsFaster()) {
        m_pCurSurface->Blit(target, m_rcRect.left, m_rcRect.top);
      } else {
        if (m_Runs.size() != m_FrameList.size()) m_Runs.resize(m_FrameList.size());
        tessera::OpaqueRuns& runs = m_Runs[m_nCurFrame];
        if (target->GetBitmap() && (runs.Describes(m_pCurSurface) || runs.Build(m_pCurSurface)))
          runs.Draw(target, m_rcRect.left, m_rcRect.top);
        else
          m_pCurSurface->Blit(target, m_rcRect.left, m_rcRect.top);
      }
    }
  }
  // The clock is read only for a playing sprite: a map shows hundreds of
  // still ones a frame.
  if (!m_bPlay) return;
  const uint32_t now = tessera::NowMs();
  if (now - m_dwLastTime > static_cast<uint32_t>(m_nDelay)) {
    if (m_nCurFrame + 1 < m_FrameList.size()) {
      ++m_nCurFrame;
    } else if (m_bLoop) {
      m_nCurFrame = 0;
    } else {
      m_bPlay = false;
    }
    m_pCurSurface = m_FrameList[m_nCurFrame];
    m_dwLastTime = now;
  }
}
