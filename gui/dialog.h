// QDialog: a text box that lays GBK text out into outlined lines, or shows
// one picture that pulses in and out.
//
// The text is broken into at most 30 lines of at most 69 bytes, never
// between the two bytes of a character (lead bytes 0xA1-0xFE), and at line
// feeds.  Each line is drawn once, when the text changes, with a one-pixel
// outline into a surface of the dialog's own; Show then copies that over
// the background (translucent by default).  In auto-size mode the number of
// lines, the line width and one of six stock frames ("PPlyDlg000" to
// "PPlyDlg005") follow the length of the text, as a speech bubble does.  A
// dialog is never hit by the mouse.
//
//   QDialog* bubble = new QDialog(300, 200, 420, 260, nullptr);
//   bubble->m_bAutoSize = true;
//   AfxGetChainManager()->Add(bubble, CHAIN_MIDDLE);
//   bubble->SetContent("\xC4\xE3\xBA\xC3", nullptr);   // 你好: shown
//   bubble->SetContent("", nullptr);                   // hidden
#ifndef TESSERA_GUI_DIALOG_H
#define TESSERA_GUI_DIALOG_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>

#include "gui/area.h"

class SURFACE;

class QDialog : public QArea {
 public:
  // Tag "Dlg" and the defaults below; Create completes the dialog.
  QDialog();
  // The defaults, then Create.
  QDialog(int left, int top, int right, int bottom, char* image);
  // Deletes the three surfaces.
  ~QDialog() override;

  // ACreate, state 4.  An image name of exactly ten characters is loaded
  // twice, as background and as frame ("Failed to find image data from
  // Pack!%s\n %s %ld" when either fails); otherwise the background is a
  // plain key-coloured surface of (right - left) x (bottom - top) ("Could
  // not create surface!\n %s %d" when it cannot be made).
  void Create(int left, int top, int right, int bottom, char* image);
  // Lines (at most 30 are used), bytes per line (at most 69 are used),
  // text and outline colours as 0x00RRGGBB; used from the next layout.
  void SetFormat(int lines, int lineChars, unsigned long textColor, unsigned long edgeColor);
  // 12, 16 or 24; used from the next layout.
  void SetFontSize(int size);
  // A text (picture null or empty) lays out and shows the dialog; the same
  // text again only shows it.  An empty text with no picture hides it
  // (state 2).  An empty or null text with a picture shows the picture,
  // centred and bottom-aligned, pulsing.  Both null: nothing.  Texts beyond
  // 1,999 bytes are cut there.
  void SetContent(const char* text, const char* image);

  // Picture: steps the pulse and draws the background translucently at its
  // level.  Text: background (level 18 when m_bTrans, else keyed), then the
  // text; nothing while the first line is empty.
  void Show(SURFACE* target) override;
  // Always false: a dialog never takes the mouse from what lies below.
  bool IsPointed(int x, int y) override;

  bool m_bTrans;           // translucent background in text mode
  bool m_bAutoSize;        // lines, width and frame follow the text
  char m_szContent[2000];  // the text last laid out
  char m_szImage[30];      // the picture's name; non-empty: picture mode
  bool m_bCenter;          // centre each line
  int32_t m_nLines;        // lines laid out
  int32_t m_nLineChars;    // bytes per line
  int32_t m_nFontSize;
  uint32_t m_dwTextColor;    // 0x00RRGGBB
  uint32_t m_dwEdgeColor;    // 0x00RRGGBB
  char m_szLine[30][70];     // the laid-out lines
  SURFACE* m_pBackSurface;   // owned
  SURFACE* m_pFrameSurface;  // owned
  uint32_t m_dwPulseTime;    // last pulse step, 0 = not started
  int32_t m_nPulseLevel;
  bool m_bPulseUp;
  SURFACE* m_pTextSurface;  // owned, made by the first layout

 private:
  void FreeSurfaces();
};

namespace tessera {
// Stock frames of auto-size mode: the row for a text of `length` bytes
// ((length - 1) / 14, kept within 0..5, so longer texts use the largest
// frame), with its lines and bytes per line.
struct DialogAutoSize {
  int row, lines, lineChars;
  const char* frame;
};
DialogAutoSize DialogAutoSizeFor(size_t length);

// Breaks `text` into `lines` lines of at most `lineChars` bytes (each
// limited to 0..30 and 0..69) into `out`, the dialog's rule: a line feed
// ends a line and is consumed; a line never ends on a lead byte
// (0xA1-0xFE, counted in pairs) -- that byte starts the next line instead.
// Lines not reached are empty.
void BreakDialogLines(const char* text, int lines, int lineChars, char out[30][70]);
}  // namespace tessera

#pragma GCC visibility pop
#endif
