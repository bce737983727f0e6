#include "gui/energy_gauge.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "gui/window.h"
#include "platform/clock.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace {

constexpr int kMaxBars = 40;
constexpr int kFadeStart = 31;
constexpr int kCoverLevel = 24;

void TransBlit(SURFACE* s, SURFACE* target, int x, int y, int level) {
  DRAW_FX fx;
  fx.kind = FX_TRANS;
  fx.level = level;
  s->Blit(target, x, y, fx);
}

// Keeps a 64-bit result inside the 32-bit field.
int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

}  // namespace

QEnergy::QEnergy()
    : m_nLost(0),
      m_nMax(0),
      m_nAniFrame(0),
      m_bPlaying(true),
      m_nAniFrames(0),
      m_nLength(0),
      m_nDirection(0),
      m_nSpeed(100),
      m_dwTick(0),
      m_nFlash(0),
      m_pAniImage{},
      m_pTempImage(nullptr),
      m_pFlashImage(nullptr),
      m_pCoverImage(nullptr),
      m_pBackImage(nullptr) {
  memcpy(m_szType, "Eng", 4);
}

QEnergy::QEnergy(int left, int top, int right, int bottom) : QEnergy() {
  Create(left, top, right, bottom, 200, 69, 0);
}

QEnergy::~QEnergy() {
  SetState(QAREA_CLOSE, nullptr);
  FreeImages();
}

void QEnergy::FreeImages() {
  for (SURFACE*& s : m_pAniImage) tessera::ReleaseViewSurface(s);
  m_nAniFrames = 0;
  tessera::ReleaseViewSurface(m_pTempImage);
  tessera::ReleaseViewSurface(m_pFlashImage);
  tessera::ReleaseViewSurface(m_pCoverImage);
  tessera::ReleaseViewSurface(m_pBackImage);
}

void QEnergy::Create(int left, int top, int right, int bottom, int max, int length, int direction) {
  ACreate(left, top, right, bottom);
  m_nSpeed = 100;
  SetStandard(max, length, direction);
}

void QEnergy::SetStandard(int max, int length, int direction) {
  m_nMax = max;
  m_nLost = max;
  m_nLength = length;
  m_nDirection = direction;
}

int QEnergy::HiddenLength() const {
  if (m_nMax == 0) return 0;
  const int64_t p = int64_t(m_nLength) * m_nLost / m_nMax;
  return static_cast<int>(std::min<int64_t>(std::max<int64_t>(p, 0), std::max(m_nLength, 0)));
}

bool QEnergy::LoadImages(const char* base, const char* cover, const char* back) {
  if (!base || strlen(base) < 8) {
    ErrorBox("Error ID to Load Sprite image!\n%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  FreeImages();
  for (int i = 0; i < kMaxBars; ++i) {
    char id[16];
    snprintf(id, sizeof(id), "%.8s%02d", base, i);
    m_pAniImage[i] = tessera::LoadViewSurface(id);
    if (!m_pAniImage[i]) break;
    m_nAniFrames = i + 1;
  }
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (m_nAniFrames > 0 && vm) {
    const int w = m_pAniImage[0]->GetWidth(), h = m_pAniImage[0]->GetHeight();
    m_pTempImage = vm->CreateSurface(w, h, SS_DIB);
    m_pFlashImage = vm->CreateSurface(w, h, SS_DIB);
    if (m_pFlashImage) tessera::FillKey(m_pFlashImage);
  }
  m_pCoverImage = tessera::LoadViewSurface(cover);
  m_pBackImage = tessera::LoadViewSurface(back);
  m_nAniFrame = 0;
  DrawBar();
  return true;
}

void QEnergy::DrawBar() {
  if (!m_pTempImage || m_nAniFrame < 0 || m_nAniFrame >= m_nAniFrames) return;
  SURFACE* bar = m_pAniImage[m_nAniFrame];
  tessera::FillKey(m_pTempImage);
  const int p = HiddenLength();
  // The part copy clips to both surfaces, so bars of other sizes than the
  // first one are cut to the shown bar.
  if (m_nDirection == 0)
    bar->Blit(m_pTempImage, 0, p, 0, p, bar->GetWidth(), bar->GetHeight() - p);
  else
    bar->Blit(m_pTempImage, p, 0, p, 0, bar->GetWidth() - p, bar->GetHeight());
}

void QEnergy::SetEnergy(int energy) {
  if (m_pFlashImage && m_pTempImage) {
    tessera::FillKey(m_pFlashImage);
    m_pTempImage->Blit(m_pFlashImage, 0, 0, 0, 0, m_pTempImage->GetWidth(),
                       m_pTempImage->GetHeight());
  }
  m_nLost = Clamp32(int64_t(m_nMax) - energy);
  m_nFlash = kFadeStart;
}

void QEnergy::Show(SURFACE* target) {
  if (!target) return;
  if (m_pBackImage) m_pBackImage->Blit(target, m_rcArea.left - 1, m_rcArea.top - 1);
  if (m_nAniFrames > 0) {
    const uint32_t now = tessera::NowMs();
    if (m_bPlaying && int64_t(now - m_dwTick) > int64_t(m_nSpeed)) {
      m_dwTick = now;
      m_nAniFrame = (m_nAniFrame + 1) % m_nAniFrames;
      DrawBar();
    }
  }
  if (m_nFlash > 0 && m_pFlashImage) {
    --m_nFlash;
    TransBlit(m_pFlashImage, target, m_rcArea.left, m_rcArea.top, m_nFlash);
  }
  if (m_pTempImage) m_pTempImage->Blit(target, m_rcArea.left, m_rcArea.top);
  if (m_pCoverImage) TransBlit(m_pCoverImage, target, m_rcArea.left, m_rcArea.top, kCoverLevel);
}

bool QEnergy::IsPointed(int x, int y) { return QArea::IsPointed(x, y); }
