#include "gui/fader_sprite.h"

#include <cstring>

#include "engine/surface.h"
#include "gui/sprite.h"
#include "platform/clock.h"

QFaderSprite::QFaderSprite(int x, int y, QSprite* sprite, bool autoDelete)
    : m_pSprite(sprite),
      m_nNowp(0),
      m_nFrames(sprite ? sprite->GetFrameCount() : 0),
      m_bAutoDelete(autoDelete),
      m_pNowImage(nullptr),
      m_bMove(sprite ? sprite->m_bMove : false),
      m_bForward(sprite ? sprite->m_bForward : true),
      m_bPlaying(true),
      m_bDrawPrevious(sprite ? sprite->m_bDrawPrevious : false),
      m_dwFrameTime(0) {
  ACreate(x, y, x, y);
  std::memcpy(m_szType, "QFS", 4);
}

QAniCell* QFaderSprite::Frame(int index) const {
  if (!m_pSprite || index >= m_nFrames) return nullptr;
  return m_pSprite->GetFrame(index);
}

void QFaderSprite::SetState(unsigned long state, QAreaChain* chain) {
  QArea::SetState(state, chain);
  // Stored also without a chain (QArea then leaves it alone).
  m_dwState = static_cast<uint32_t>(state);
  if (state == QAREA_CLOSE && m_bAutoDelete) delete this;
}

void QFaderSprite::Draw(SURFACE* target, SURFACE* image) {
  if (target && image) image->Blit(target, m_rcArea.left, m_rcArea.top);
}

void QFaderSprite::Show(SURFACE* target) {
  if (m_nFrames <= 0 || !m_pSprite || m_pSprite->GetFrameCount() == 0) return;
  QAniCell* current = Frame(m_nNowp);
  if (!current) return;
  m_pNowImage = current->m_pImage;

  if (m_bPlaying) {
    const uint32_t now = tessera::NowMs();
    if (m_dwFrameTime == 0) m_dwFrameTime = now;
    if (now - m_dwFrameTime > current->m_dwDelay) {
      if (m_bForward)
        m_nNowp = m_nNowp + 1 >= m_nFrames ? 0 : m_nNowp + 1;
      else
        m_nNowp = m_nNowp <= 0 ? m_nFrames - 1 : m_nNowp - 1;
      QAniCell* entered = Frame(m_nNowp);
      if (!entered) return;
      m_pNowImage = entered->m_pImage;
      if (entered->m_bAutoStop) {
        m_bPlaying = false;
        SetState(QAREA_CLOSE, nullptr);  // may delete this
        return;
      }
      m_dwFrameTime = 0;
      if (m_bMove) {
        if (!tessera::StepStaysOnScreen(m_rcArea, entered->m_nX, entered->m_nY)) {
          m_bPlaying = false;
          SetState(QAREA_CLOSE, nullptr);  // may delete this
          return;
        }
        Move(m_rcArea.left + entered->m_nX, m_rcArea.top + entered->m_nY);
      }
    }
  }

  if (m_bDrawPrevious) {
    for (int i = 0; i < m_nNowp; ++i)
      if (QAniCell* f = Frame(i)) Draw(target, f->m_pImage);
  }
  Draw(target, m_pNowImage);
}
