#include "gui/sprite.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "database/pack_ani_database.h"
#include "engine/surface_manager.h"
#include "engine/view_manage.h"
#include "platform/clock.h"
#include "platform/system_volume.h"
#include "platform/window.h"
#include "public/engine.h"
#include "public/error_report.h"
#include "sound/dx_sound.h"

namespace tessera {

bool StepStaysOnScreen(const tagRECT& area, int dx, int dy) {
  // 64-bit sums: displacements from a table must not wrap the edges.
  return int64_t(area.right) + dx > 0 && int64_t(area.bottom) + dy > 0 &&
         int64_t(area.left) + dx <= AfxGetScreenWidth() &&
         int64_t(area.top) + dy <= AfxGetScreenHeight();
}

int DistanceVolume(const QArea& area) {
  // The area's centre in whole pixels (half the size rounded down).
  const int centre_x = area.m_rcArea.left + area.m_nWidth / 2;
  const int centre_y = area.m_rcArea.top + area.m_nHeight / 2;
  const double cx = centre_x, cy = centre_y;
  const double w = AfxGetScreenWidth(), h = AfxGetScreenHeight();
  const double d = std::hypot(cx - w / 2, cy - h / 2);
  const double half_diagonal = std::hypot(w, h) / 2;
  if (half_diagonal <= 0) return 0;
  const double v = (1.0 - d / half_diagonal) * 100.0;
  return v <= 0 ? 0 : static_cast<int>(v);
}

void SendSpriteNotify(QArea* area) {
  CVIEWMANAGE* vm = AfxGetViewManager();
  if (!vm || !vm->GetMainWnd()) return;
  SendMessage(vm->GetMainWnd(), SPRITE_MSG_NOTIFY, 0, reinterpret_cast<LPARAM>(area));
}

void ReleaseFrameImage(SURFACE* image) {
  if (!image) return;
  // The same rule as CVIEWMANAGE::DeleteSurface, without needing the
  // display manager to be alive still.
  CSurfaceManager& cache = GetSurfaceManager();
  if (cache.IsHaveSurface(image))
    cache.DeleteSurface(image);
  else
    delete image;
}

}  // namespace tessera

namespace {

SURFACE_STYLE LoadStyle(uint32_t flags) {
  if (flags & SPRITE_LOAD_RLE) return SS_RLE;
  if (flags & SPRITE_LOAD_ALPHA) return SS_ALPHA;
  if (flags & SPRITE_LOAD_PSDALPHA) return SS_PSDALPHA;
  return SS_DIB;
}

// The row `id` from the game's animation table, else from the shared one.
bool FindAniRow(const char* id, stPackAniInfo* info) {
  CPackAniDataBase* tables[] = {AfxGetAniDataBase(), tessera::SharedAniDataBase()};
  for (CPackAniDataBase* t : tables)
    if (t && t->GetAniInfo(id, *info)) return true;
  return false;
}

// Frame identifiers are the base and "%02d": three digits still fit the
// table's 11 characters, four do not.
constexpr int kMaxSpriteFrames = 1000;

}  // namespace

QSprite::QSprite()
    : m_pNowImage(nullptr),
      m_bMove(false),
      m_bForward(true),
      m_dwLoadFlags(SPRITE_LOAD_RLE),
      m_nSaveVolume(0),
      m_bSilent(false),
      m_bShowStopped(false),
      m_bPlaying(true),
      m_bDrawPrevious(false),
      m_dwFrameTime(0),
      m_nNowp(0),
      m_bSound(false) {
  std::memcpy(m_szType, "Spt", 4);
  // The system wave volume is the device's digital volume; it can be read
  // before (or without) a device.
  CDXSound* sound = AfxGetSound();
  m_nSaveVolume = static_cast<uint32_t>(
      sound ? sound->GetDIGIVolume() : tessera::SystemVolumes().Get(tessera::VolumeDevice::kWave));
}

QSprite::QSprite(int left, int top, int right, int bottom, bool drawPrevious, bool showStopped)
    : QSprite() {
  Create(left, top, right, bottom, drawPrevious);
  m_bShowStopped = showStopped;
}

QSprite::~QSprite() {
  SetState(QAREA_CLOSE, nullptr);
  ReleaseFrames();
}

void QSprite::Create(int left, int top, int right, int bottom, bool drawPrevious) {
  ACreate(left, top, right, bottom);
  m_bDrawPrevious = drawPrevious;
}

void QSprite::ReleaseFrames() {
  for (auto& f : m_Frames) tessera::ReleaseFrameImage(f->m_pImage);
  m_Frames.clear();
  m_pNowImage = nullptr;
}

QAniCell* QSprite::GetFrame(int index) const {
  if (index < 0 || index >= GetFrameCount()) return nullptr;
  return m_Frames[static_cast<size_t>(index)].get();
}

bool QSprite::LoadImages(const char* id, int flags, bool silent) {
  m_bSilent = silent;
  m_dwLoadFlags = static_cast<uint32_t>(flags);
  m_nNowp = 0;
  if (!id || std::strlen(id) < 8) {
    ErrorBox("Error ID to Load Sprite image!\n%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  char base[9];
  std::memcpy(base, id, 8);
  base[8] = 0;
  ReleaseFrames();

  char row_id[24];  // room for any int, though counts stop at 1000
  std::snprintf(row_id, sizeof row_id, "%s00", base);
  stPackAniInfo info;
  if (!FindAniRow(row_id, &info)) return false;
  const int count = info.nNumber < kMaxSpriteFrames ? info.nNumber : kMaxSpriteFrames;

  const SURFACE_STYLE style = LoadStyle(m_dwLoadFlags);
  const bool cached = (m_dwLoadFlags & SPRITE_LOAD_CACHED) != 0;
  CVIEWMANAGE* vm = AfxGetViewManager();
  for (int i = 0; i < count; ++i) {
    std::snprintf(row_id, sizeof row_id, "%s%02d", base, i);
    stPackAniInfo row;
    if (!FindAniRow(row_id, &row)) continue;
    std::unique_ptr<QAniCell> cell(new (std::nothrow) QAniCell);
    if (!cell) {
      ErrorBox("No enough memory to create QAniCell!\n %s %ld", __FILE__, (long)__LINE__);
      return false;
    }
    cell->m_dwDelay = static_cast<uint32_t>(row.nDelay);
    cell->m_nX = row.nX;
    cell->m_nY = row.nY;
    cell->m_bAutoStop = row.bAutoStop != 0;
    cell->m_pImage = vm ? vm->CreateSurface(row_id, style, cached, false) : nullptr;
    if (!cell->m_pImage) {
      ErrorBox("Failed to find image data from Pack!\n %s %ld", __FILE__, (long)__LINE__);
      return false;
    }
    m_Frames.push_back(std::move(cell));
  }
  m_pNowImage = m_Frames.empty() ? nullptr : m_Frames.front()->m_pImage;
  return true;
}

void QSprite::Next() {
  if (m_Frames.empty()) return;
  m_nNowp = m_nNowp + 1 >= GetFrameCount() || m_nNowp < 0 ? 0 : m_nNowp + 1;
  m_pNowImage = GetFrame(m_nNowp)->m_pImage;
}

void QSprite::Prev() {
  if (m_Frames.empty()) return;
  m_nNowp = m_nNowp <= 0 || m_nNowp > GetFrameCount() ? GetFrameCount() - 1 : m_nNowp - 1;
  m_pNowImage = GetFrame(m_nNowp)->m_pImage;
}

void QSprite::SetNowp(int index) {
  if (QAniCell* f = GetFrame(index)) {
    m_nNowp = index;
    m_pNowImage = f->m_pImage;
  }
}

bool QSprite::SetDrawFX(const DRAW_FX& fx) {
  m_DrawFX = fx;
  return true;
}

void QSprite::DrawImage(SURFACE* target, SURFACE* image) {
  if (!image || !target) return;
  // A run-length frame drawn translucently at level 32 or more gives
  // exactly the keyed blit's pixels; the keyed blit copies instead of
  // mixing.
  const bool opaque_runs =
      image->GetStyle() == SS_RLE && m_DrawFX.kind == FX_TRANS && m_DrawFX.level >= 32;
  if (image->GetStyle() == SS_DIB || opaque_runs)
    image->Blit(target, m_rcArea.left, m_rcArea.top);
  else
    image->Blit(target, m_rcArea.left, m_rcArea.top, m_DrawFX);
}

void QSprite::Show(SURFACE* target) {
  if (m_Frames.empty()) return;
  if (m_bDrawPrevious && target) {
    for (auto& f : m_Frames) {
      if (f->m_pImage == m_pNowImage) break;
      if (f->m_pImage) f->m_pImage->Blit(target, m_rcArea.left, m_rcArea.top, m_DrawFX);
    }
  }
  QAniCell* current = GetFrame(m_nNowp);
  if (!current) {
    m_nNowp = 0;
    current = m_Frames.front().get();
  }
  if (!m_bPlaying) {
    m_pNowImage = current->m_pImage;
    if (m_bShowStopped) DrawImage(target, m_pNowImage);
    return;
  }
  DrawImage(target, m_pNowImage);

  const uint32_t now = tessera::NowMs();
  if (m_dwFrameTime == 0) m_dwFrameTime = now;
  if (!(now - m_dwFrameTime > current->m_dwDelay || current->m_dwDelay == 0)) return;

  // Messages wait until the step is complete: the game may delete the
  // sprite when it receives one.
  int messages = 0;
  if (current->m_bAutoStop) {
    m_bPlaying = false;
    if (!m_bSilent) ++messages;
  }
  const int count = GetFrameCount();
  if (m_bForward)
    m_nNowp = m_nNowp + 1 >= count ? 0 : m_nNowp + 1;
  else
    m_nNowp = m_nNowp <= 0 ? count - 1 : m_nNowp - 1;
  m_dwFrameTime = 0;
  QAniCell* entered = GetFrame(m_nNowp);
  m_pNowImage = entered->m_pImage;

  if (m_bMove) {
    if (tessera::StepStaysOnScreen(m_rcArea, entered->m_nX, entered->m_nY)) {
      Move(m_rcArea.left + entered->m_nX, m_rcArea.top + entered->m_nY);
      if (m_nNowp == 0 && m_bSound) {
        if (CDXSound* sound = AfxGetSound()) {
          const auto v = static_cast<unsigned char>(tessera::DistanceVolume(*this));
          sound->SetDIGIVolume(v, v);
        }
        PlaySoundA(AfxGetSound(), AfxGetSoundBuffer());
      }
    } else {
      ++messages;
    }
  }
  for (int i = 0; i < messages; ++i) tessera::SendSpriteNotify(this);
}

bool QSprite::IsPointed(int x, int y) {
  if (m_dwLoadFlags & (SPRITE_LOAD_ALPHA | SPRITE_LOAD_PSDALPHA)) return false;
  if (!QArea::IsPointed(x, y)) return false;
  if (!m_pNowImage) return true;
  return m_pNowImage->GetPixel(x - m_rcArea.left, y - m_rcArea.top).GetColor() != COLOR_KEY;
}
