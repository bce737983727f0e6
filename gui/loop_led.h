// QLoopLED: a marquee that cycles up to eight messages through an edit
// field, one step (one Chinese character or two letters) every 201 ms or
// more.  Its own area is off the screen and draws nothing; the edit shows
// the text.
//
//   QLoopLED* news = new QLoopLED(ticker_edit);
//   news->AddText("Welcome", 1);                    // permanent
//   AfxGetChainManager()->Add(news, CHAIN_TOP);     // steps in ShowAll
#ifndef TESSERA_GUI_LOOP_LED_H
#define TESSERA_GUI_LOOP_LED_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/area.h"

class QEdit;
class SURFACE;

class QLoopLED : public QArea {
 public:
  struct Slot {
    char text[140];
    int32_t count;  // -1 permanent; 0, 1 not shown; n >= 2 shown n - 1 more steps
  };

  explicit QLoopLED(QEdit* edit);

  // Ignores an empty text.  Takes the slot with the smallest count among
  // the non-permanent ones (the first on ties; the first slot when all are
  // permanent) and puts 16 spaces and the message (cut to 123 bytes) in it.
  // Mode 1: permanent; 2: 3000 steps; 3: 300 steps; others keep the count.
  void AddText(char* text, int mode);
  // One step when the shared step timer allows it.
  void Show(SURFACE* target) override;

  QEdit* m_pEdit;  // not owned
  Slot m_Slot[8];
  char m_szView[140];
  char m_szRing[1120];
  int32_t m_nOffset;

 private:
  void Step();
};

#pragma GCC visibility pop
#endif
