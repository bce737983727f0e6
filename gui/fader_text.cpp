#include "gui/fader_text.h"

#include "engine/surface_kinds.h"

QFaderText::QFaderText(char* text, int x, int y, unsigned long color, int mode, int fontSize,
                       int life)
    : m_pTextImage(nullptr),
      m_nX(x),
      m_nY(y),
      m_nFrame(0),
      m_nLife(life),
      m_nLevel(1),
      m_nTextWidth(0),
      m_nFontSize(fontSize),
      m_nMode(mode) {
  ACreate(-1, -1, -1, -1);
  m_nTextWidth = GetTextWidth(text, fontSize);
  const int w = static_cast<int>(m_nTextWidth * 1.5), h = static_cast<int>(fontSize * 1.5);
  if (w < 1 || h < 1) return;
  m_pTextImage = tessera::NewPlainSurface(w, h);
  tessera::FillKey(m_pTextImage);
  TextOutA(m_pTextImage, 2, 2, text, fontSize, true, color, 0);
}

QFaderText::~QFaderText() {
  // QArea's own: this class's SetState would delete the object again.
  QArea::SetState(QAREA_CLOSE, nullptr);
  delete m_pTextImage;
}

void QFaderText::SetState(unsigned long state, QAreaChain* chain) {
  QArea::SetState(state, chain);
  m_dwState = static_cast<uint32_t>(state);
  if (state == QAREA_CLOSE) delete this;
}

void QFaderText::Show(SURFACE* target) {
  if (m_pTextImage && target) {
    DRAW_FX fx;
    fx.kind = FX_TRANS;
    fx.level = m_nLevel;
    m_pTextImage->Blit(target, m_nX - m_nTextWidth / 2, m_nY, fx);
  }
  ++m_nFrame;
  if (m_nFrame >= m_nLife || m_nX < 4 - m_nTextWidth || m_nY < 4 - m_nFontSize || m_nLevel < 1) {
    SetState(QAREA_CLOSE, nullptr);  // deletes this
    return;
  }
  const int f = m_nFrame;
  switch (m_nMode) {
    case 0:
      if (f < 30) {
        m_nLevel = f + 1;
      } else if (f < 50) {
        if (f % 2 == 0) ++m_nY;
      } else if (f >= 58) {
        m_nY -= 9;
        m_nLevel -= 2;
      }
      break;
    case 1:
      if (f < 30) {
        m_nLevel = 32;
        m_nX -= (30 - f) / 2;
      } else if (f < 36) {
        m_nX += (36 - f) / 2;
      } else if (f >= 70) {
        m_nX += (60 - f) * 3;
      }
      break;
    default:
      break;
  }
}
