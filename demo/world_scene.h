// The world: the village and the inside of the elder's house, with the
// player, the villagers, the quest and the interface around the map.
//
// The map and everything standing on it come from the game database (the
// Tiled maps imported by the data builder): the map's row and cells, the
// goods (the pendant, an apple, a signpost) and the doors, which are the
// map's events.  The scene adds the characters, the interface in chain
// layer 2 (menu bar, life gauge, list of carried items, chat line,
// mini-map, the conversation with its answer selector) and the things that
// only look nice (birds, the flag, the falling leaves).
#ifndef TESSERA_DEMO_WORLD_SCENE_H
#define TESSERA_DEMO_WORLD_SCENE_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "public/windows_types.h"

class CFader;
class CMapObject;
class CMapPlayer;
class QBtMenu;
class QDialog;
class QEnergy;
class QGifSprite;
class QList;
class QMap;
class QSelectBt;
class QSprite;
class QWindow;
class SURFACE;

namespace demo {

class Game;

class WorldScene {
 public:
  explicit WorldScene(Game* game);
  ~WorldScene();
  // Builds the map of the game state's map with everything on it.
  bool Load(std::string* error);
  // Moves the world on by one frame (villagers, quest, doors); called
  // before the layers are drawn.
  void Update();
  // What is drawn over the layers: the flag, the leaves, the gold.
  void DrawOver(SURFACE* target);
  // "view X Y hero X Y": the view origin and the player's cell, for the log.
  std::string Describe() const;
  // A key the interface did not take (F5 save ...); true when used.
  bool Key(int key);
  // A window message the scene listens to (the sprites' 1032).
  void OnMessage(UINT message, LPARAM lparam);

  // --- what the callbacks reach
  void ClickElder();
  void ClickGround(QMap* map);
  void ClickGoods(CMapObject* goods);
  void ClickMenu(int id);
  void ClickItem(unsigned long item);
  void ChatLine(const char* text);
  void CloseTalk();
  void Arrived();
  const char* TipOf(CMapObject* object) const;

 private:
  struct Walker {
    CMapPlayer* who;             // owned by the map
    std::vector<tagPOINT> path;  // the cells it walks between
    size_t next = 0;
    int wait = 0;  // frames to stand before walking on
  };
  struct Door {
    tagPOINT cell;
    int to_map;
    tagPOINT to_cell;
  };

  struct Spawn {
    std::string name;
    int shirt = 0, hat = 0;  // RRGGBB
    std::vector<tagPOINT> path;
  };
  bool LoadEvents(std::string* error);
  void AddCharacters();
  void AddInterface();
  void RefreshItems();
  void Talk();
  void Say(const char* text, bool asks);
  void PickUp(CMapObject* goods);
  void Reward(int gold);
  void UseDoor(const Door& door);
  int Distance(tagPOINT cell) const;  // in cells, from the player

  Game* game_;
  QMap* map_ = nullptr;          // owned by the map manager while shown
  CMapPlayer* hero_ = nullptr;   // owned by the map
  CMapPlayer* elder_ = nullptr;  // owned by the map (village only)
  std::vector<Walker> walkers_;
  std::vector<Door> doors_;
  std::vector<Spawn> spawns_;
  CMapPlayer* smith_ = nullptr;                            // his hammer rings
  std::vector<std::pair<CMapObject*, std::string>> tips_;  // names shown under the mouse
  enum class Pending { kNone, kTalk, kPickUp } pending_ = Pending::kNone;
  CMapObject* pending_goods_ = nullptr;
  int last_cell_x_ = -1, last_cell_y_ = -1;
  bool leaving_ = false;
  int walk_frames_ = 0;
  int bubble_until_ = 0;
  int smith_ring_ = 0;

  // The interface, owned here.
  std::unique_ptr<QWindow> bar_;
  std::unique_ptr<QBtMenu> menu_;
  std::unique_ptr<QEnergy> life_;
  std::unique_ptr<QList> items_;
  std::unique_ptr<QWindow> talk_panel_;
  std::unique_ptr<QDialog> talk_text_;
  std::unique_ptr<QSelectBt> answer_;
  bool answer_shown_ = false;
  std::unique_ptr<QGifSprite> flag_;
  std::unique_ptr<QSprite> bird_;
  std::unique_ptr<QSprite> sparkle_;  // lends its frames to the click effects
  std::unique_ptr<CFader> leaves_;
  SURFACE* leaves_bounds_ = nullptr;  // the particles' field (800 x 600)
};

}  // namespace demo

#endif
