#include "gui/dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/font_state.h"
#include "engine/surface.h"
#include "engine/surface_kinds.h"
#include "engine/view_manage.h"
#include "gui/window.h"
#include "platform/clock.h"
#include "public/engine.h"
#include "public/error_report.h"

namespace {

constexpr int kMaxLines = 30;
constexpr int kMaxLineChars = 69;
constexpr int kTransLevel = 18;  // the translucent background of text mode

bool IsFontSize(int size) { return size == 12 || size == 16 || size == 24; }

// A key-coloured plain surface from the display manager; null without one.
SURFACE* NewPlainSurface(int w, int h) {
  CVIEWMANAGE* vm = AfxGetViewManager();
  return vm ? vm->CreateSurface(w, h, SS_DIB) : nullptr;
}

}  // namespace

namespace tessera {

DialogAutoSize DialogAutoSizeFor(size_t length) {
  static const DialogAutoSize kRows[6] = {
      {0, 2, 8, "PPlyDlg000"},  {1, 2, 14, "PPlyDlg001"}, {2, 3, 14, "PPlyDlg002"},
      {3, 4, 14, "PPlyDlg003"}, {4, 5, 14, "PPlyDlg004"}, {5, 6, 14, "PPlyDlg005"},
  };
  const size_t row = length == 0 ? 0 : std::min<size_t>((length - 1) / 14, 5);
  return kRows[row];
}

void BreakDialogLines(const char* text, int lines, int lineChars, char out[30][70]) {
  memset(out, 0, sizeof(char[30][70]));
  if (!text) return;
  lines = std::clamp(lines, 0, kMaxLines);
  lineChars = std::clamp(lineChars, 0, kMaxLineChars);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t pos = 0;
  for (int i = 0; i < lines; ++i) {
    // `half`: the last byte stored is the first half of a character.
    bool half = false, end = false;
    int n = 0;
    for (int col = 0; col < lineChars; ++col) {
      const unsigned char b = p[pos];
      if (b == 0) {
        end = true;
        break;
      }
      ++pos;
      if (b == '\n') break;
      half = (b >= 0xA1 && b <= 0xFE) ? !half : false;
      out[i][n++] = static_cast<char>(b);
    }
    if (half) {
      // The character would be cut: its first byte starts the next line.
      // (Before a line feed this steps back onto the feed, which then
      // gives an empty line: a lone first half is never shown.)
      out[i][--n] = 0;
      --pos;
    }
    if (end) break;
  }
}

}  // namespace tessera

QDialog::QDialog()
    : m_bTrans(true),
      m_bAutoSize(false),
      m_szContent{},
      m_szImage{},
      m_bCenter(true),
      m_nLines(6),
      m_nLineChars(14),
      m_nFontSize(12),
      m_dwTextColor(0xFFFFFF),
      m_dwEdgeColor(0),
      m_szLine{},
      m_pBackSurface(nullptr),
      m_pFrameSurface(nullptr),
      m_dwPulseTime(0),
      m_nPulseLevel(0),
      m_bPulseUp(true),
      m_pTextSurface(nullptr) {
  memcpy(m_szType, "Dlg", 4);
}

QDialog::QDialog(int left, int top, int right, int bottom, char* image) : QDialog() {
  Create(left, top, right, bottom, image);
}

QDialog::~QDialog() {
  SetState(QAREA_CLOSE, nullptr);
  FreeSurfaces();
}

void QDialog::FreeSurfaces() {
  delete m_pBackSurface;
  delete m_pFrameSurface;
  delete m_pTextSurface;
  m_pBackSurface = m_pFrameSurface = m_pTextSurface = nullptr;
}

void QDialog::Create(int left, int top, int right, int bottom, char* image) {
  ACreate(left, top, right, bottom);
  SetState(QAREA_CLOSE, nullptr);
  m_dwState = QAREA_CLOSE;
  // A second Create starts over with new surfaces.
  FreeSurfaces();
  if (image && strlen(image) == 10) {
    m_pBackSurface = tessera::LoadViewSurface(image);
    m_pFrameSurface = tessera::LoadViewSurface(image);
    if (!m_pBackSurface || !m_pFrameSurface)
      ErrorBox("Failed to find image data from Pack!%s\n %s %ld", image, __FILE__, (long)__LINE__);
    return;
  }
  m_pBackSurface = NewPlainSurface(right - left, bottom - top);
  if (!m_pBackSurface) {
    ErrorBox("Could not create surface!\n %s %d", __FILE__, __LINE__);
    return;
  }
  tessera::FillKey(m_pBackSurface);
}

void QDialog::SetFormat(int lines, int lineChars, unsigned long textColor,
                        unsigned long edgeColor) {
  m_nLines = lines;
  m_nLineChars = lineChars;
  m_dwTextColor = static_cast<uint32_t>(textColor);
  m_dwEdgeColor = static_cast<uint32_t>(edgeColor);
}

void QDialog::SetFontSize(int size) { m_nFontSize = size; }

void QDialog::SetContent(const char* text, const char* image) {
  if (!text && !image) return;
  if (!text) text = "";
  const bool picture = image && image[0];
  if (!text[0] && !picture) {
    m_dwState = QAREA_HIDE;
    m_szContent[0] = 0;
    m_szLine[0][0] = 0;
    m_szImage[0] = 0;
    return;
  }
  // Shown again; SetContent never adds the dialog to a chain.
  m_dwState = QAREA_SHOW;
  // Texts are kept to 1,999 bytes: compare what would be stored.
  const size_t length = strnlen(text, sizeof(m_szContent) - 1);
  if (!picture && length == strlen(m_szContent) && memcmp(text, m_szContent, length) == 0) return;
  memset(m_szLine, 0, sizeof(m_szLine));

  if (!text[0]) {
    // Picture mode.
    m_szContent[0] = 0;
    delete m_pFrameSurface;
    m_pFrameSurface = tessera::LoadViewSurface(image);
    if (!m_pFrameSurface || !m_pBackSurface) return;
    tessera::FillKey(m_pBackSurface);
    const int x = (m_pBackSurface->GetWidth() - m_pFrameSurface->GetWidth()) / 2;
    const int y = m_pBackSurface->GetHeight() - m_pFrameSurface->GetHeight();
    m_pFrameSurface->Blit(m_pBackSurface, x, y);
    snprintf(m_szImage, sizeof(m_szImage), "%s", image);
    return;
  }

  // Text mode.
  m_szImage[0] = 0;
  memcpy(m_szContent, text, length);
  m_szContent[length] = 0;
  tessera::DialogAutoSize row{};
  if (m_bAutoSize) {
    row = tessera::DialogAutoSizeFor(length);
    SetFormat(row.lines, row.lineChars, m_dwTextColor, m_dwEdgeColor);
  }
  tessera::BreakDialogLines(m_szContent, m_nLines, m_nLineChars, m_szLine);
  if (m_bAutoSize) {
    delete m_pFrameSurface;
    m_pFrameSurface = tessera::LoadViewSurface(row.frame);
  }
  if (!m_pBackSurface) return;  // nothing to lay out onto
  tessera::FillKey(m_pBackSurface);
  if (m_pFrameSurface) m_pFrameSurface->Blit(m_pBackSurface, 0, 0);

  const int boxW = m_rcArea.right - m_rcArea.left, boxH = m_rcArea.bottom - m_rcArea.top;
  if (!m_pTextSurface) m_pTextSurface = NewPlainSurface(boxW, boxH);
  if (!m_pTextSurface) return;
  tessera::FillKey(m_pTextSurface);
  if (!m_szLine[0][0]) return;

  const int previous = tessera::CurrentFontSize();
  if (IsFontSize(m_nFontSize)) tessera::SetCurrentFontSize(m_nFontSize);
  const int lineHeight = tessera::CurrentFontSize() + 1;
  int count = 0;
  for (const auto& line : m_szLine) count += line[0] != 0;
  const int y0 = (boxH - count * lineHeight) / 2;
  for (int i = 0; i < kMaxLines; ++i) {
    if (!m_szLine[i][0]) continue;
    const int width = static_cast<int>(strlen(m_szLine[i])) * m_nFontSize / 2;
    const int x = m_bCenter ? (boxW - width) / 2 : 0;
    TextOutA(m_pTextSurface, x, y0 + i * lineHeight, m_szLine[i], m_nFontSize, true, m_dwTextColor,
             m_dwEdgeColor);
  }
  if (IsFontSize(previous)) tessera::SetCurrentFontSize(previous);
}

void QDialog::Show(SURFACE* target) {
  if (m_szImage[0]) {
    const uint32_t now = tessera::NowMs();
    if (m_dwPulseTime == 0) m_dwPulseTime = now;
    if (now - m_dwPulseTime > 50) {
      m_nPulseLevel += m_bPulseUp ? 2 : -2;
      if (m_nPulseLevel > 30)
        m_bPulseUp = false;
      else if (m_nPulseLevel < 10)
        m_bPulseUp = true;
      m_dwPulseTime = 0;
    }
    if (m_pBackSurface) {
      DRAW_FX fx;
      fx.kind = FX_TRANS;
      fx.level = m_nPulseLevel;
      m_pBackSurface->Blit(target, m_rcArea.left, m_rcArea.top, fx);
    }
    return;
  }
  if (!m_szLine[0][0]) return;
  if (m_pBackSurface) {
    if (m_bTrans) {
      DRAW_FX fx;
      fx.kind = FX_TRANS;
      fx.level = kTransLevel;
      m_pBackSurface->Blit(target, m_rcArea.left, m_rcArea.top, fx);
    } else {
      m_pBackSurface->Blit(target, m_rcArea.left, m_rcArea.top);
    }
  }
  if (m_pTextSurface) m_pTextSurface->Blit(target, m_rcArea.left, m_rcArea.top);
}

bool QDialog::IsPointed(int, int) { return false; }
