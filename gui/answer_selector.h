// QSelectBt: a question button that opens four answer buttons A to D and
// then takes the look of the chosen answer.
//
// The game makes the six parts (the main button, a panel shown behind the
// open answers, the four answers) and stores them before the selector's
// first state change; the selector owns and deletes them.  Adding the
// selector to a layer brings every part along; clicking the main button
// hides it and opens the panel and the answers; clicking an answer closes
// them and reloads the main button's looks from m_szImageBase with its
// eighth character replaced by the answer's letter ("QSELECTXA" + "C" for
// the third answer: "QSELECTCA0" .. "QSELECTCA3").
//
//   QSelectBt* sel = new QSelectBt;
//   strcpy(sel->m_szImageBase, "QSELECTXA");
//   sel->m_pMainButton = new QButton(rcMain, "", "", "QSELECTXA");
//   sel->m_pPanel = new QWindow(...);       // or any area
//   for (int i = 0; i < 4; ++i) sel->m_pAnswer[i] = new QButton(rc[i], "", "", answerBase[i]);
//   AfxGetChainManager()->Add(sel, CHAIN_TOP);
//   after a choice:  sel->GetAnswer() is 0 .. 3
#ifndef TESSERA_GUI_ANSWER_SELECTOR_H
#define TESSERA_GUI_ANSWER_SELECTOR_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstdint>

#include "gui/area.h"

class QButton;

class QSelectBt : public QArea {
 public:
  // Every part null, tag "SBt".  The selector's own area is the 1 x 1
  // rectangle at (-1, -1) in state 4, never drawn or hit, so that only its
  // parts take the mouse.
  QSelectBt();
  // State 4, then the six parts are deleted.
  ~QSelectBt() override;

  // As an area's (1 joins, 4 leaves the chain), then the main button, the
  // panel and the answers get the same state and chain, and the main
  // button's click opens the answers, each answer's click chooses it.
  void SetState(unsigned long state, QAreaChain* chain) override;
  // Never hit: only the parts are.
  bool IsPointed(int x, int y) override;

  // The last chosen answer, 0 (A) to 3 (D); -1 before any choice.
  int GetAnswer() const { return m_nAnswer; }

  // Click handlers installed on the parts, called with the clicked part.
  static void OnOpen(void* mainButton);
  static void OnChoose(void* answer);

  QButton* m_pMainButton;  // owned
  QButton* m_pAnswer[4];   // A, B, C, D; owned
  QArea* m_pPanel;         // shown while the answers are open; owned
  char m_szImageBase[12];  // the main button's image base; its 8th character becomes the letter
  QAreaChain* m_pChain;    // remembered by the last state change

 private:
  int32_t m_nAnswer = -1;
};

#pragma GCC visibility pop
#endif
