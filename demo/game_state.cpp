#include "demo/game_state.h"

#include <algorithm>
#include <cctype>
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
    if (word.empty() || word.size() > 3 ||
        word.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const int item = std::stoi(word);
    if (!ItemName(item)) return false;
    items->push_back(item);
  }
  return true;
}

// A picked-goods key: a map id, a colon and a name of letters, digits
// and underscores (what the map tool accepts as a goods name).
bool ValidPickedKey(const std::string& key) {
  const size_t colon = key.find(':');
  if (colon != 1 || (key[0] != '0' + kVillage && key[0] != '0' + kHouse) || key.size() == 2)
    return false;
  for (size_t i = 2; i < key.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(key[i]);
    if (!std::isalnum(c) && c != '_') return false;
  }
  return true;
}

std::string JoinPicked(const std::vector<std::string>& picked) {
  std::string out;
  for (const std::string& key : picked) out += (out.empty() ? "" : ",") + key;
  return out;
}

bool SplitPicked(const std::string& text, std::vector<std::string>* picked) {
  picked->clear();
  std::istringstream in(text);
  std::string key;
  while (std::getline(in, key, ',')) {
    if (!ValidPickedKey(key)) return false;
    picked->push_back(key);
  }
  return true;
}

std::string PickedKey(int map_id, const std::string& name) {
  return std::to_string(map_id) + ":" + name;
}

bool HasColumn(CDataBase* db, const char* column) {
  tessera::RecordsetPtr rs;
  const std::string sql =
      std::string("SELECT COUNT(*) FROM pragma_table_info('SAVETABLE') WHERE name = '") + column +
      "'";
  int32_t n = 0;
  return db->OpenSource(sql.c_str(), rs) && rs && !rs->IsEOF() && rs->GetInt32(0, n) && n > 0;
}

}  // namespace

const char* ItemName(int item) {
  switch (item) {
    case kItemPendant:
      return "\xD3\xF1\xC5\xE5";  // 玉佩
    case kItemApple:
      return "\xC6\xBB\xB9\xFB";  // 苹果
    case kItemLetter:
      return "\xD0\xC5";  // 信
    default:
      return nullptr;
  }
}

bool GameState::Carries(int item) const {
  return std::find(items.begin(), items.end(), item) != items.end();
}

void GameState::Give(int item) { items.push_back(item); }

void GameState::Take(int item) {
  auto it = std::find(items.begin(), items.end(), item);
  if (it != items.end()) items.erase(it);
}

bool GameState::Picked(int map_id, const std::string& name) const {
  return std::find(picked.begin(), picked.end(), PickedKey(map_id, name)) != picked.end();
}

void GameState::MarkPicked(int map_id, const std::string& name) {
  const std::string key = PickedKey(map_id, name);
  if (ValidPickedKey(key) && std::find(picked.begin(), picked.end(), key) == picked.end())
    picked.push_back(key);
}

bool GameState::operator==(const GameState& o) const {
  return map == o.map && cell_x == o.cell_x && cell_y == o.cell_y && quest == o.quest &&
         gold == o.gold && life == o.life && items == o.items && picked == o.picked;
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
  if (!db || !db->ExecuteCommand(
                 "CREATE TABLE IF NOT EXISTS SAVETABLE (SLOT INTEGER PRIMARY KEY, MAP INTEGER, "
                 "CELLX INTEGER, CELLY INTEGER, QUEST INTEGER, GOLD INTEGER, LIFE INTEGER, "
                 "ITEMS TEXT, PICKED TEXT DEFAULT '')"))
    return false;
  return HasColumn(db, "PICKED") ||
         db->ExecuteCommand("ALTER TABLE SAVETABLE ADD COLUMN PICKED TEXT DEFAULT ''");
}

bool SaveGame(CDataBase* db, int slot, const GameState& s, std::string* error) {
  if (!CreateSaveTable(db)) {
    *error = "the game database cannot hold saves";
    return false;
  }
  // Keys were checked when marked, so they hold no quote; a state filled
  // by hand with a bad key is refused here rather than written damaged.
  for (const std::string& key : s.picked)
    if (!ValidPickedKey(key)) {
      *error = "the save was not written";
      return false;
    }
  const std::string sql = "INSERT OR REPLACE INTO SAVETABLE VALUES (" + std::to_string(slot) +
                          ", " + std::to_string(s.map) + ", " + std::to_string(s.cell_x) + ", " +
                          std::to_string(s.cell_y) + ", " + std::to_string(s.quest) + ", " +
                          std::to_string(s.gold) + ", " + std::to_string(s.life) + ", '" +
                          JoinItems(s.items) + "', '" + JoinPicked(s.picked) + "')";
  if (!db->ExecuteCommand(sql.c_str())) {
    *error = "the save was not written";
    return false;
  }
  return true;
}

bool LoadGame(CDataBase* db, int slot, GameState* state, std::string* error) {
  tessera::RecordsetPtr rs;
  // A table from before picked goods were remembered has no PICKED column
  // until CreateSaveTable adds it; such saves load with nothing picked.
  const std::string sql = std::string("SELECT MAP, CELLX, CELLY, QUEST, GOLD, LIFE, ITEMS, ") +
                          (db && HasColumn(db, "PICKED") ? "PICKED" : "''") +
                          " FROM SAVETABLE WHERE SLOT = " + std::to_string(slot);
  if (!db || !db->OpenSource(sql.c_str(), rs) || !rs || rs->IsEOF()) {
    *error = "no saved game";
    return false;
  }
  GameState s;
  int32_t v[6];
  char items[256], picked[1024];
  for (int c = 0; c < 6; ++c)
    if (!rs->GetInt32(c, v[c])) {
      *error = "the saved game is damaged";
      return false;
    }
  if (!rs->GetText(6, items, sizeof items)) items[0] = 0;
  if (!rs->GetText(7, picked, sizeof picked)) picked[0] = 0;
  s.map = v[0], s.cell_x = v[1], s.cell_y = v[2], s.quest = v[3], s.gold = v[4], s.life = v[5];
  const bool ok = (s.map == kVillage || s.map == kHouse) && s.cell_x >= 0 && s.cell_y >= 0 &&
                  s.cell_x < kMapColumns[s.map] && s.cell_y < kMapRows[s.map] &&
                  s.quest >= kQuestNotAsked && s.quest <= kQuestDone && s.gold >= 0 &&
                  s.life >= 0 && s.life <= 100 && SplitItems(items, &s.items) &&
                  SplitPicked(picked, &s.picked);
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
