#include "demo/game_state.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "database/database.h"
#include "database/record_set.h"

namespace demo {

namespace {

// The maps' sizes in cells, for checking saved positions.
constexpr int kMapColumns[] = {40, 26};
constexpr int kMapRows[] = {30, 19};

std::string JoinItems(const std::vector<int>& items) {
  std::string out;
  for (int item : items) out += (out.empty() ? "" : ",") + std::to_string(item);
  return out;
}

bool SplitItems(const std::string& text, std::vector<int>* items) {
  items->clear();
  std::istringstream in(text);
  std::string word;
  while (std::getline(in, word, ',')) {
    if (word.empty() || word.size() > 3 || word.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const int item = std::stoi(word);
    if (!ItemName(item)) return false;
    items->push_back(item);
  }
  return true;
}

}  // namespace

const char* ItemName(int item) {
  switch (item) {
    case kItemPendant: return "\xD3\xF1\xC5\xE5";  // 玉佩
    case kItemApple: return "\xC6\xBB\xB9\xFB";    // 苹果
    case kItemLetter: return "\xD0\xC5";           // 信
    default: return nullptr;
  }
}

bool GameState::Carries(int item) const { return std::find(items.begin(), items.end(), item) != items.end(); }

void GameState::Give(int item) { items.push_back(item); }

void GameState::Take(int item) {
  auto it = std::find(items.begin(), items.end(), item);
  if (it != items.end()) items.erase(it);
}

bool GameState::operator==(const GameState& o) const {
  return map == o.map && cell_x == o.cell_x && cell_y == o.cell_y && quest == o.quest && gold == o.gold &&
         life == o.life && items == o.items;
}

GameState NewGame() {
  GameState s;
  s.map = kVillage;
  s.cell_x = 12;
  s.cell_y = 14;
  s.items = {kItemApple, kItemApple, kItemLetter};
  return s;
}

bool CreateSaveTable(CDataBase* db) {
  return db && db->ExecuteCommand(
                   "CREATE TABLE IF NOT EXISTS SAVETABLE (SLOT INTEGER PRIMARY KEY, MAP INTEGER, CELLX INTEGER, "
                   "CELLY INTEGER, QUEST INTEGER, GOLD INTEGER, LIFE INTEGER, ITEMS TEXT)");
}

bool SaveGame(CDataBase* db, int slot, const GameState& s, std::string* error) {
  if (!CreateSaveTable(db)) {
    *error = "the game database cannot hold saves";
    return false;
  }
  char sql[512];
  std::snprintf(sql, sizeof sql,
                "INSERT OR REPLACE INTO SAVETABLE VALUES (%d, %d, %d, %d, %d, %d, %d, '%s')", slot, s.map,
                s.cell_x, s.cell_y, s.quest, s.gold, s.life, JoinItems(s.items).c_str());
  if (!db->ExecuteCommand(sql)) {
    *error = "the save was not written";
    return false;
  }
  return true;
}

bool LoadGame(CDataBase* db, int slot, GameState* state, std::string* error) {
  tessera::RecordsetPtr rs;
  char sql[160];
  std::snprintf(sql, sizeof sql,
                "SELECT MAP, CELLX, CELLY, QUEST, GOLD, LIFE, ITEMS FROM SAVETABLE WHERE SLOT = %d", slot);
  if (!db || !db->OpenSource(sql, rs) || !rs || rs->IsEOF()) {
    *error = "no saved game";
    return false;
  }
  GameState s;
  int32_t v[6];
  char items[256];
  for (int c = 0; c < 6; ++c)
    if (!rs->GetInt32(c, v[c])) {
      *error = "the saved game is damaged";
      return false;
    }
  if (!rs->GetText(6, items, sizeof items)) items[0] = 0;
  s.map = v[0], s.cell_x = v[1], s.cell_y = v[2], s.quest = v[3], s.gold = v[4], s.life = v[5];
  const bool ok = (s.map == kVillage || s.map == kHouse) && s.cell_x >= 0 && s.cell_y >= 0 &&
                  s.cell_x < kMapColumns[s.map] && s.cell_y < kMapRows[s.map] && s.quest >= kQuestNotAsked &&
                  s.quest <= kQuestDone && s.gold >= 0 && s.life >= 0 && s.life <= 100 &&
                  SplitItems(items, &s.items);
  if (!ok) {
    *error = "the saved game is damaged";
    return false;
  }
  *state = s;
  return true;
}

bool HasSave(CDataBase* db, int slot) {
  GameState ignored;
  std::string error;
  return LoadGame(db, slot, &ignored, &error);
}

}  // namespace demo
