#include "gui/gif_sprite.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "engine/alpha_access.h"
#include "engine/surface_kinds.h"
#include "gui/sprite.h"
#include "pack/res.h"
#include "platform/clock.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace {

uint16_t GifColour(const uint8_t* rgb) {
  if (rgb[0] == 0xFF && rgb[1] == 0x00 && rgb[2] == 0xFF) return COLOR_KEY;
  return static_cast<uint16_t>((rgb[0] >> 3) << 10 | (rgb[1] >> 3) << 5 | (rgb[2] >> 3));
}

// The greyscale picture of `frame`: key colour where it is keyed, else the
// weighted grey of its channels (each 5-bit channel times 8).
SURFACE* GreyCopy(SURFACE* frame) {
  const int w = frame->GetWidth(), h = frame->GetHeight();
  SURFACE* grey = tessera::NewPlainSurface(w, h);
  tessera::FillKey(grey);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint16_t p = frame->GetPixel(x, y).GetColor();
      if (p == COLOR_KEY) continue;
      const int r = ((p >> 10) & 31) * 8, g = ((p >> 5) & 31) * 8, b = (p & 31) * 8;
      const int v = static_cast<int>(std::lround(0.59 * g + 0.3 * r + 0.11 * b));
      const auto c = static_cast<unsigned char>(v);
      grey->SetPixel(x, y, PIXEL(c, c, c));
    }
  return grey;
}

}  // namespace

QGifSprite::QGifSprite()
    : m_nNowp(0), m_pNowImage(nullptr), m_bPlaying(true), m_dwFrameTime(0), m_pGrayImage(nullptr) {
  std::memcpy(m_szType, "GIF", 4);
}

QGifSprite::QGifSprite(int left, int top, int right, int bottom) : QGifSprite() {
  Create(left, top, right, bottom);
}

QGifSprite::~QGifSprite() {
  SetState(QAREA_CLOSE, nullptr);
  ReleaseFrames();
}

void QGifSprite::ReleaseFrames() {
  for (auto& f : m_Frames) tessera::ReleaseFrameImage(f->m_pImage);
  m_Frames.clear();
  tessera::ReleaseFrameImage(m_pGrayImage);
  m_pGrayImage = nullptr;
  m_pNowImage = nullptr;
}

QAniCell* QGifSprite::GetFrame(int index) const {
  if (index < 0 || index >= GetFrameCount()) return nullptr;
  return m_Frames[static_cast<size_t>(index)].get();
}

bool QGifSprite::LoadImages(const char* id, bool fromFile, bool) {
  m_nNowp = 0;
  if (!id || std::strlen(id) < 8) {
    ErrorBox("Error ID to Load Sprite image!\n%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  ReleaseFrames();
  CRes* res = AfxGetResource();
  if (!fromFile) {
    if (!res) return false;
    unsigned char* bytes = nullptr;
    const int n = res->LoadData(bytes, id);
    const bool ok = n > 1 && LoadFromData(reinterpret_cast<const char*>(bytes), n - 1);
    delete[] bytes;
    return ok;
  }
  bool opened = m_GifFile.Open(id, true) != 0;
  if (!opened && res) {
    // The game database's folder (at most 255 bytes) and the id.
    std::vector<char> path(sizeof res->m_szDataBase + std::strlen(id) + 1);
    opened = res->ID2Path(id, path.data()) && m_GifFile.Open(path.data(), true) != 0;
  }
  if (!opened) return false;
  const bool ok = BuildFrames();
  m_GifFile.Close();
  return ok;
}

bool QGifSprite::LoadFromData(const char* data, long size) {
  m_nNowp = 0;
  ReleaseFrames();
  const bool ok = m_GifFile.Open(data, size) != 0 && BuildFrames();
  m_GifFile.Close();
  return ok;
}

bool QGifSprite::BuildFrames() {
  const int w = m_GifFile.m_wScreenWidth, h = m_GifFile.m_wScreenHeight;
  const int count = m_GifFile.m_nFrameCount;
  if (w < 1 || h < 1 || count < 1 ||
      static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * static_cast<uint64_t>(count) >
          tessera::kGifSpriteMaxPixels)
    return false;
  SURFACE* previous = nullptr;
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<QAniCell> cell(new (std::nothrow) QAniCell);
    if (!cell) {
      ErrorBox("No enough memory to create QAniCell!\n %s %ld", __FILE__, (long)__LINE__);
      ReleaseFrames();
      return false;
    }
    stGifFrame* frame = m_GifFile.GetNextFrame();
    if (!frame) {
      ReleaseFrames();
      return false;
    }
    SURFACE* image = tessera::NewPlainSurface(w, h);
    // An opaque copy of the previous picture equals the key colour with the
    // previous picture drawn over it by the keyed blit.
    if (previous)
      previous->Blit(image, 0, 0, 0, 0, w, h);
    else
      tessera::FillKey(image);
    MakeSurface(frame, image);
    if (i == 0) m_pGrayImage = GreyCopy(image);
    cell->m_pImage = image;
    cell->m_dwDelay = frame->m_Control.m_wDelay;
    m_Frames.push_back(std::move(cell));
    previous = image;
  }
  m_pNowImage = m_Frames.front()->m_pImage;
  return true;
}

void QGifSprite::MakeSurface(void* frame_record, SURFACE* surface) {
  auto* frame = static_cast<stGifFrame*>(frame_record);
  if (!frame || !surface || !frame->m_pPixels) return;
  static const uint8_t kBlack[3] = {0, 0, 0};
  const bool local = frame->m_bLocalTable && frame->m_pLocalTable;
  const uint8_t* table = local ? frame->m_pLocalTable : &m_GifFile.m_GlobalTable[0][0];
  const int colours = local ? frame->m_nLocalColors : 256;
  const bool keyed = frame->m_Control.m_bPresent && frame->m_Control.m_bTransparent;
  const int transparent = frame->m_Control.m_byTransparent;
  const bool alpha = tessera::HasAlphaPlane(surface);
  // Only the part of the frame that lies on the surface is visited.
  const int fw = frame->m_wWidth, fh = frame->m_wHeight;
  const int sw = surface->GetWidth(), sh = surface->GetHeight();
  const int x_end = frame->m_wLeft >= sw ? 0 : std::min(fw, sw - frame->m_wLeft);
  const int y_end = frame->m_wTop >= sh ? 0 : std::min(fh, sh - frame->m_wTop);
  for (int y = 0; y < y_end; ++y) {
    const uint8_t* row = frame->m_pPixels + static_cast<size_t>(y) * fw;
    for (int x = 0; x < x_end; ++x) {
      const int index = row[x];
      if (keyed && index == transparent) continue;
      const uint8_t* rgb = index < colours ? table + 3 * index : kBlack;
      const int px = frame->m_wLeft + x, py = frame->m_wTop + y;
      surface->SetPixel(px, py, PIXEL(GifColour(rgb)));
      if (alpha) tessera::PutAlpha(surface, px, py, 32);
    }
  }
}

SURFACE* QGifSprite::Step() {
  if (m_Frames.empty()) return nullptr;
  QAniCell* current = GetFrame(m_nNowp);
  if (!current) {
    m_nNowp = 0;
    current = m_Frames.front().get();
  }
  if (!m_bPlaying) {
    m_pNowImage = current->m_pImage;
    return nullptr;
  }
  const uint32_t now = tessera::NowMs();
  if (m_dwFrameTime == 0) m_dwFrameTime = now;
  if (now - m_dwFrameTime > current->m_dwDelay) {
    const bool stop = current->m_bAutoStop;
    m_nNowp = m_nNowp + 1 >= GetFrameCount() ? 0 : m_nNowp + 1;
    m_dwFrameTime = 0;
    m_pNowImage = GetFrame(m_nNowp)->m_pImage;
    if (stop) {
      // Frames of a GIF carry no auto-stop mark; a game that sets one gets
      // the sprite's stop and message, and nothing is drawn this time (the
      // window procedure may delete the sprite).
      m_bPlaying = false;
      tessera::SendSpriteNotify(this);
      return nullptr;
    }
  }
  return m_pNowImage;
}

void QGifSprite::Show(SURFACE* target, int x, int y, bool gray) {
  if (gray) {
    if (m_pGrayImage && target) m_pGrayImage->Blit(target, x, y);
    return;
  }
  SURFACE* image = Step();
  if (image && target) image->Blit(target, x, y);
}

void QGifSprite::Show(SURFACE* target, int srcX, int srcY, int dstX, int dstY, int width,
                      int height, bool gray) {
  if (gray) {
    if (m_pGrayImage && target) m_pGrayImage->Blit(target, srcX, srcY, dstX, dstY, width, height);
    return;
  }
  SURFACE* image = Step();
  if (image && target) image->Blit(target, srcX, srcY, dstX, dstY, width, height);
}

bool QGifSprite::IsPointed(int x, int y) {
  if (!QArea::IsPointed(x, y)) return false;
  if (!m_pNowImage) return true;
  return m_pNowImage->GetPixel(x - m_rcArea.left, y - m_rcArea.top).GetColor() != COLOR_KEY;
}
