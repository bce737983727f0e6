// The village's small quest, as rules over the game state, apart from any
// drawing so that it can be played and checked on its own.
//
//   talk to the elder    -> he asks for his pendant (answers A yes, B no)
//   answer A             -> the pendant lies in his house
//   answer B             -> he lets it go; asking again starts over
//   pick the pendant up  -> it is in the list of carried items
//   talk to him again    -> 100 gold, the pendant goes back, quest done
#ifndef TESSERA_DEMO_QUEST_H
#define TESSERA_DEMO_QUEST_H

#include "demo/game_state.h"

namespace demo {

// What the elder says when the player talks to him.
struct ElderTalk {
  const char* text;  // GBK
  bool asks;         // an answer selector follows (yes / no)
  int reward;        // gold paid now (0 for none)
};

// The elder's words for the current stage; handing the pendant back pays
// the reward into `state` and ends the quest.
ElderTalk TalkToElder(GameState* state);

// The player's answer to the elder's question: 0 (A, yes) or 1 (B, no).
// Returns the elder's reply (GBK); any other answer is taken as no.
const char* AnswerElder(GameState* state, int answer);

// The pendant is on the floor of the house while the quest is accepted.
bool PendantOnFloor(const GameState& state);

// Picks the pendant up when it lies there; false otherwise.
bool PickUpPendant(GameState* state);

constexpr int kQuestReward = 100;

// The two answers the selector offers (GBK).
extern const char* const kAnswerYes;
extern const char* const kAnswerNo;

}  // namespace demo

#endif
