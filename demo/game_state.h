// What a saved game holds, and its place in the game database.
//
// The game keeps its own table beside the engine's, SAVETABLE in
// data\Village.mdb: one row per save slot.  A table written before the
// game remembered picked-up goods gains the PICKED column the first time
// it is opened; its saves load with nothing picked.  A row that cannot describe a
// game (an unknown map or quest stage, a cell off the map, an unknown item)
// is refused as damaged rather than half-loaded, and the state in memory is
// left as it was.
#ifndef TESSERA_DEMO_GAME_STATE_H
#define TESSERA_DEMO_GAME_STATE_H

#include <string>
#include <vector>

class CDataBase;

namespace demo {

enum MapId { kVillage = 0, kHouse = 1 };

// The small quest: the elder's jade pendant, left in his house.
enum QuestStage {
  kQuestNotAsked = 0,  // the elder has not asked, or the player said no
  kQuestAccepted = 1,  // the pendant lies in the house
  kQuestCarrying = 2,  // the player carries it
  kQuestDone = 3,      // handed back, reward paid
};

enum ItemId { kItemPendant = 1, kItemApple = 2, kItemLetter = 3 };

// GBK name of an item; null for an unknown one.
const char* ItemName(int item);

struct GameState {
  int map = kVillage;
  int cell_x = 0, cell_y = 0;  // the player's cell
  int quest = kQuestNotAsked;
  int gold = 0;
  int life = 100;  // 0 .. 100, the gauge
  std::vector<int> items;
  // Goods picked up from the floor, as "MAP:NAME" (NAME is the goods'
  // record name), so a picked-up apple stays gone when the player comes
  // back.  The pendant is not listed: the quest stage says where it is.
  std::vector<std::string> picked;

  bool Carries(int item) const;
  void Give(int item);
  void Take(int item);
  bool Picked(int map_id, const std::string& name) const;
  void MarkPicked(int map_id, const std::string& name);
  bool operator==(const GameState& o) const;
};

// A fresh game: in the village at the well, two apples and a letter.
GameState NewGame();

// Creates SAVETABLE when missing; false when the database refuses.
bool CreateSaveTable(CDataBase* db);
// Writes the state into the slot (replacing what was there).
bool SaveGame(CDataBase* db, int slot, const GameState& state, std::string* error);
// Reads the slot.  False with the reason in `error` when there is no such
// save or it is damaged; `state` is then untouched.
bool LoadGame(CDataBase* db, int slot, GameState* state, std::string* error);
// Whether the slot holds a save.
bool HasSave(CDataBase* db, int slot);

}  // namespace demo

#endif
