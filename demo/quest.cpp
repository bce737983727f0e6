#include "demo/quest.h"

namespace demo {

namespace {

// 年轻人，我的玉佩忘在屋里的箱子旁了，你能帮我取回来吗？
const char kAsk[] =
    "\xC4\xEA\xC7\xE1\xC8\xCB\xA3\xAC\xCE\xD2\xB5\xC4\xD3\xF1\xC5\xE5\xCD\xFC\xD4\xDA\xCE\xDD\xC0"
    "\xEF\xB5\xC4\xCF"
    "\xE4\xD7\xD3\xC5\xD4\xC1\xCB\xA3\xAC\xC4\xE3\xC4\xDC\xB0\xEF\xCE\xD2\xC8\xA1\xBB\xD8\xC0\xB4"
    "\xC2\xF0\xA3\xBF";
// 玉佩在屋里，快去吧！
const char kRemind[] =
    "\xD3\xF1\xC5\xE5\xD4\xDA\xCE\xDD\xC0\xEF\xA3\xAC\xBF\xEC\xC8\xA5\xB0\xC9\xA3\xA1";
// 你找到我的玉佩了！谢谢你，这一百金币是给你的。
const char kThanks[] =
    "\xC4\xE3\xD5\xD2\xB5\xBD\xCE\xD2\xB5\xC4\xD3\xF1\xC5\xE5\xC1\xCB\xA3\xA1\xD0\xBB\xD0\xBB\xC4"
    "\xE3\xA3\xAC\xD5"
    "\xE2\xD2\xBB\xB0\xD9\xBD\xF0\xB1\xD2\xCA\xC7\xB8\xF8\xC4\xE3\xB5\xC4\xA1\xA3";
// 欢迎再来！
const char kWelcome[] = "\xBB\xB6\xD3\xAD\xD4\xD9\xC0\xB4\xA3\xA1";
// 好的，快去快回。
const char kGo[] = "\xBA\xC3\xB5\xC4\xA3\xAC\xBF\xEC\xC8\xA5\xBF\xEC\xBB\xD8\xA1\xA3";
// 那就算了，有空再来找我吧。
const char kNever[] =
    "\xC4\xC7\xBE\xCD\xCB\xE3\xC1\xCB\xA3\xAC\xD3\xD0\xBF\xD5\xD4\xD9\xC0\xB4\xD5\xD2\xCE\xD2\xB0"
    "\xC9\xA1\xA3";

}  // namespace

const char* const kAnswerYes =
    "\xBA\xC3\xB5\xC4\xA3\xAC\xCE\xD2\xD5\xE2\xBE\xCD\xC8\xA5\xA1\xA3";  // 好的，我这就去。
const char* const kAnswerNo = "\xCE\xD2\xCF\xD6\xD4\xDA\xC3\xBB\xBF\xD5\xA1\xA3";  // 我现在没空。

ElderTalk TalkToElder(GameState* state) {
  switch (state->quest) {
    case kQuestNotAsked:
      return {kAsk, true, 0};
    case kQuestAccepted:
      return {kRemind, false, 0};
    case kQuestCarrying:
      if (state->Carries(kItemPendant)) {
        state->Take(kItemPendant);
        state->gold += kQuestReward;
        state->quest = kQuestDone;
        return {kThanks, false, kQuestReward};
      }
      // Carrying stage without the pendant (a save edited by hand): he
      // reminds the player, as if it still lay in the house.
      state->quest = kQuestAccepted;
      return {kRemind, false, 0};
    default:
      return {kWelcome, false, 0};
  }
}

const char* AnswerElder(GameState* state, int answer) {
  if (state->quest != kQuestNotAsked) return kWelcome;
  if (answer == 0) {
    state->quest = kQuestAccepted;
    return kGo;
  }
  return kNever;
}

bool PendantOnFloor(const GameState& state) { return state.quest == kQuestAccepted; }

bool PickUpPendant(GameState* state) {
  if (!PendantOnFloor(*state)) return false;
  state->Give(kItemPendant);
  state->quest = kQuestCarrying;
  return true;
}

}  // namespace demo
